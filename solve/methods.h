// The methods' entry points, as the dispatcher calls them: each moves c.x
// and says how it ended. Only this top layer (and the tests) calls them.
#pragma once

#include "core/sip.h"

namespace ormid {

Result penaltyMethod(SipContext& c);
Result penaltyMultiplierMethod(SipContext& c);
Result interiorPointMethod(SipContext& c);
Result hettichMethod(SipContext& c);
Result haltonMethod(SipContext& c);
Result reemtsenMethod(SipContext& c);
Result exchangeMethod(SipContext& c);
// Random start in c.x (drawn from Options::randomSeed) improved by one
// subproblem; Status::NoPoint when there is no subproblem solver.
Result initialGuess(SipContext& c);

}  // namespace ormid
