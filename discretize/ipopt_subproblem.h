// The finite subproblem solved by Ipopt: x with its bounds, the finite
// constraints, and the infinite constraints at every point of the set;
// values and gradients through the evaluation callback, the Hessian by
// Ipopt's limited-memory approximation.
#pragma once

#include "subproblem.h"

class IpoptSubproblemSolver : public SubproblemSolver {
 public:
  SubproblemResult solve(double* x, const PointSet& points) override;
};

// Ipopt's bound value for "no bound" in place of the library's infinities.
double ipoptBound(double bound);
