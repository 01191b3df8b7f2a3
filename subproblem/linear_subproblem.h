// The finite subproblem where nothing in it curves: objective and
// constraints affine in x (a minimax approximation, say). It is a linear
// program, solved exactly at a vertex by the dual simplex method: a few
// pivots of O(rows x nx) each where an interior point solver takes twenty
// factorisations of the working set's dense rows, and the multipliers are
// those of the active rows alone.
#pragma once

#include "subproblem/subproblem.h"

namespace ormid {

// Solves the subproblem on `points` (held: the infinite rows it holds, as
// for SubproblemSolver::solveOn) from x, which it leaves at the vertex;
// from the last vertex's basis where the rows with a multiplier in lambda0
// (null: none) make one.
// False, with x unchanged, beyond 300 variables, where the simplex gives no
// answer (an optimum beyond reach of x, too many pivots or the time limit, a
// singular basis, an infeasible working set) or where its vertex may be one
// of many optimal ones: the caller's solver has the word then.
bool solveLinearSubproblem(SipContext& c, double* x, const PointList& points,
                           const std::vector<char>* held, const std::vector<double>* lambda0,
                           const SubproblemScaling* scaling, SubproblemResult& result);

}  // namespace ormid
