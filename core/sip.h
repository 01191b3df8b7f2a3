// Chief header of the solver's internals: the public types, the context of
// a solve and the method entry points.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "ormid/ormid.h"
#include "core/sip_context.h"

namespace ormid {

inline Result sipResult(Status status, const std::string& message, int iterations = 0) {
  Result r;
  r.status = status;
  r.message = message;
  r.iterations = iterations;
  return r;
}

// Stands for the external NLP solver: prints its message; the caller ends
// the run with status 1.
void nlpUnavailable(const SipContext& c);

// Runs the chosen method on the context: the initial guess when there is
// no starting point, the start check, the shape checks, the method. The
// context's x receives the method's point.
Result dispatch(SipContext& c);
// The chosen method once more, from the context's x and with its
// foundPoints: no guess, no checks.
Result rerun(SipContext& c);

// Names the objective or finite constraint that cannot be evaluated at x
// (empty when all can).
std::string failingAtStart(const Problem& p, const double* x);


// Method entry points: each moves c.x and says how it ended.
Result penaltyMethod(SipContext& c);
Result penaltyMultiplierMethod(SipContext& c);
Result interiorPointMethod(SipContext& c);
Result hettichMethod(SipContext& c);
Result haltonMethod(SipContext& c);
Result reemtsenMethod(SipContext& c);
Result exchangeMethod(SipContext& c);
// Random start in c.x (drawn from the option seed) improved by one
// subproblem; Status::NoPoint when there is no subproblem solver. That
// subproblem ends once some |x_i| exceeds RANDOM_START_BOUND (it is then
// unbounded), and the method starts at the draw.
const double RANDOM_START_BOUND = 1e8;
Result initialGuess(SipContext& c);
// A coordinate of x that grew beyond this many times its starting size (at
// least one) has run off: the answer is never called solved.
const double RUNAWAY_GROWTH = 1e8;

}  // namespace ormid
