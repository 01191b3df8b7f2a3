// Chief header of the solver's internals: the public types and the context
// of a solve, as every method sees them.
#pragma once

#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "ormid/ormid.h"
#include "core/sip_context.h"
#include "kernels/quasi_newton.h"

namespace ormid {

inline Result sipResult(Status status, const std::string& message, int iterations = 0) {
  Result r;
  r.status = status;
  r.message = message;
  r.iterations = iterations;
  return r;
}

// The largest factor the solver scales a quantity by (a small objective, a
// subproblem's rows): beyond it a tiny quantity is noise, not a scale, and a
// start at a stationary point is no measure.
const double LARGEST_SCALE = 1e8;

// The most active points of T that one fit or reduction keeps: a vertex
// needs at most nx, and the rest leaves room for near-ties.
inline size_t activePointCap(int nx) { return 2 * (size_t)nx + 10; }

// Stands for the external NLP solver: prints its message; the caller ends
// the run with status 1.
void nlpUnavailable(const SipContext& c);

// What the integral methods (penalty and interior point) share.
// Integration runs over the first infinite variable; refuses (with a
// message) a problem without one or with an unbounded one.
bool integrationDomainUsable(const SipContext& c);
// Why an integral method cannot take the problem (empty when it can): with
// infinite constraints, it integrates over one infinite variable.
std::string integralShapeRefusal(const Problem& p);
// g_j(x, t) - u_j at the node t; with grad, its x-gradient (nx values).
double infiniteViolation(SipContext& c, const double* x, const double* t, int j, double* grad);
// The BFGS rules the options set.
BfgsRules bfgsRules(const Options& o);

}  // namespace ormid
