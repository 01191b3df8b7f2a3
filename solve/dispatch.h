// The dispatcher: the chosen method on a solve's context.
#pragma once

#include <functional>
#include <string>

#include "core/sip.h"

namespace ormid {

// A method's run on a context that dispatch has started: its shape checks
// and its iterations, moving the context's x.
using MethodRun = std::function<Result(SipContext&)>;

// Runs the chosen method on the context: the initial guess when there is
// no starting point, the start check, the shape checks, the method. The
// context's x receives the method's point.
Result dispatch(SipContext& c);
// The same start, then method in place of the chosen one.
Result dispatch(SipContext& c, const MethodRun& method);
// The chosen method once more, from the context's x and with its
// foundPoints: no guess, no checks.
Result rerun(SipContext& c);

// Names the objective or finite constraint that cannot be evaluated at x
// (empty when all can).
std::string failingAtStart(const Problem& p, const double* x);

}  // namespace ormid
