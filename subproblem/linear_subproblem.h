// The finite subproblem where nothing in it curves: objective and
// constraints affine in x (a minimax approximation, a filter design). It is
// a linear program, solved exactly at a vertex by a dual simplex method: a
// few pivots where an interior point solver takes twenty factorisations of
// the working set's dense rows, and the multipliers are those of the active
// rows alone. Such a subproblem never goes to a general NLP solver.
#pragma once

#include "subproblem/subproblem.h"

namespace ormid {

// Solves the subproblem on `points` (held: the infinite rows it holds, as
// for SubproblemSolver::solveOn) from x, which it leaves at the optimal
// vertex; from the last vertex's basis where the rows with a multiplier in
// lambda0 (null: none) make one. Where the optimum is a whole face, the
// vertex is one of its corners (the exchange method keeps the working set
// until the optimal value moves). The dense simplex takes the programs
// with few variables, the sparse LU one the others and those the dense one
// gives no answer to. An optimum beyond the artificial box around x grows
// the box; one beyond every box is "unbounded" (SUB_FAILED, x unchanged).
SubproblemResult solveLinearSubproblem(SipContext& c, double* x, const PointList& points,
                                       const std::vector<char>* held, const std::vector<double>* lambda0,
                                       const SubproblemScaling* scaling);

}  // namespace ormid
