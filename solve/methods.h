// The methods' entry points, as the dispatcher calls them: each moves c.x
// and says how it ended. Only this top layer (and the tests) calls them.
#pragma once

#include "core/sip.h"

namespace ormid {

class SubproblemSolver;

Result penaltyMethod(SipContext& c);
Result penaltyMultiplierMethod(SipContext& c);
Result interiorPointMethod(SipContext& c);
// The methods that solve finite subproblems do so with `solver`; without
// one, the discretization methods take the solver disc_nlp chooses and the
// exchange method Ipopt with exact Hessians.
Result hettichMethod(SipContext& c, SubproblemSolver* solver = nullptr);
Result haltonMethod(SipContext& c, SubproblemSolver* solver = nullptr);
Result reemtsenMethod(SipContext& c, SubproblemSolver* solver = nullptr);
Result exchangeMethod(SipContext& c, SubproblemSolver* solver = nullptr);
// Random start in c.x (drawn from Options::randomSeed) improved by one
// subproblem; Status::NoPoint when there is no subproblem solver.
Result initialGuess(SipContext& c, SubproblemSolver* solver = nullptr);

}  // namespace ormid
