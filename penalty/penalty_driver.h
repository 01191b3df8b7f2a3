// The outer and inner loops shared by the penalty method and the penalty
// multiplier method.
//
// What the penalty methods accept: infinite constraints g(x, t) <= u over
// one infinite variable with finite bounds (InvalidInput for more than one,
// NoPoint for none or an unbounded one). Finite constraints and finite
// bounds on x are not enforced (the dispatcher warns of them): an answer
// that violates a finite constraint is Infeasible, and its message names
// the constraint the method ignored.
#pragma once

#include <vector>

#include "core/sip.h"

namespace ormid {

struct PenaltyRun {
  typedef std::vector<double> Vec;
  SipContext& c;
  int nx = 0, nt = 0;
  Vec x, xPrev, g, gPrev, d, xEps, t, H;
  Vec lambda, cs;  // multipliers and violation measures; empty for the plain method
  double miu = 0, P = 0, Pprev = 0, pt = 0;
  double eps = 0;  // the integrands' smoothing: pf_eps, then divided by 10 each outer step
  int j = 0, totalInner = 0, epsDecreases = 0;

  PenaltyRun(SipContext& context, bool withMultipliers);
  const double* weights() const { return lambda.empty() ? nullptr : lambda.data(); }
};

enum InnerEnd { INNER_DONE, INNER_UNDEFINED, INNER_TIME_UP, INNER_QUADRATURE_CUT, INNER_UNBOUNDED };

// Minimises P for the current miu and eps; adds the inner iterations to the
// total. Ends early, before any step, when P cannot be evaluated at x, and
// at the time limit or when an integral was cut short. An exact penalty (p1)
// with too small a miu is unbounded below: when x runs away the loop goes
// back to its starting point and says INNER_UNBOUNDED.
InnerEnd innerLoop(PenaltyRun& r);

enum OuterEnd { OUTER_GOES_ON, OUTER_CONVERGED, OUTER_PENALTY_LIMIT };

// The outer step after an inner loop. stopOnP2 ends at the first feasible
// outer iteration for the p2 penalty; unbounded raises miu whatever the
// penalty terms say.
OuterEnd outerStep(PenaltyRun& r, bool stopOnP2, bool unbounded = false);

// The shared outer loop; updateMultipliers (may be null) runs after each
// inner loop. Ends with the printed report and the results line.
Result runPenaltyLoops(PenaltyRun& r, void (*updateMultipliers)(PenaltyRun&), bool stopOnP2,
                       const char* multipliersLabel);

}  // namespace ormid
