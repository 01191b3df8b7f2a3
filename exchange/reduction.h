// The exchange method's second phase: local reduction. Near a solution
// whose constraints peak at finitely many nondegenerate local maximisers
// t_j(x), the semi-infinite problem is locally the finite one
//   min f(x)  s.t.  G_j(x) = side_j (g_i(x, t_j(x)) - bound) <= 0,
// and Newton's method on the KKT conditions of its active rows (an SQP step
// with the exact reduced Hessian) converges quadratically. After each step
// the maximisers are followed by Newton's method in t and T is scanned again
// for maximisers the reduction does not know.
//
// R. Hettich, K. O. Kortanek, "Semi-infinite programming: theory, methods,
// and applications", SIAM Review 35 (1993) 380-429, section 7 (reduction-
// based and two-phase methods); R. Reemtsen, S. Goerner, "Numerical methods
// for semi-infinite programming: a survey", in: R. Reemtsen, J.-J. Rueckmann
// (eds.), Semi-Infinite Programming, Kluwer, 1998, 195-275.
#pragma once

#include <string>
#include <vector>

#include "lower_level/lower_level.h"
#include "subproblem/subproblem.h"
#include "exchange/maximiser.h"

namespace ormid {

enum class ReductionEnd {
  Converged,      // a KKT point of the reduced problem, no new maximiser: x is in c.x
  NewMaximisers,  // T has violated maximisers the reduction does not know
  Degenerate,     // a ridge of maximisers or dependent active gradients
  NoProgress      // the Newton steps did not settle; x is unchanged
};

struct ReductionOutcome {
  ReductionEnd end = ReductionEnd::NoProgress;
  std::string message;
  PointList newPoints;   // with NewMaximisers: where T is violated
  int steps = 0;
  double kkt = NAN;      // the last relative KKT residual
};

// From the exchange phase's point c.x and its last subproblem (its points
// and row multipliers), Newton steps on the reduced problem. c.x changes
// only when the phase converges.
ReductionOutcome reduce(SipContext& c, const Scan& scan, const PointList& points,
                        const std::vector<double>& lambda);

}  // namespace ormid
