// The finite subproblem solved by Ipopt: x with its bounds, the finite
// constraints, and the infinite constraints at every point of the set;
// values and gradients through the evaluation callback, the Hessian by
// Ipopt's limited-memory approximation.
#pragma once

#include "subproblem/subproblem.h"

namespace ormid {

// Largest subproblem handed to Ipopt: its dense Jacobian holds rows x nx
// values, and time grows faster than that.
const long SUBPROBLEM_MAX_ROWS = 100000;
const long SUBPROBLEM_MAX_JACOBIAN = 20000000;

// True, with a message, when a subproblem on this many points is too large.
bool subproblemTooLarge(const SipContext& c, long points);

class IpoptSubproblemSolver : public SubproblemSolver {
 public:
  // Exact Hessians of the Lagrangian where the problem's evaluator gives
  // them; the limited-memory approximation otherwise.
  // A positive divergenceBound ends a solve whose iterate leaves the box
  // |x_i| <= divergenceBound (an unbounded subproblem) as "diverging".
  explicit IpoptSubproblemSolver(bool exactHessian = false, double divergenceBound = 0)
      : exactHessian_(exactHessian), divergenceBound_(divergenceBound) {}
  SubproblemResult solve(SipContext& c, double* x, const PointSet& points) override;
  SubproblemResult solveOn(SipContext& c, double* x, const PointList& points,
                           const std::vector<double>* lambda0,
                           const SubproblemScaling* scaling = nullptr,
                           const std::vector<char>* held = nullptr) override;
  bool tooLarge(const SipContext& c, long points) const override { return subproblemTooLarge(c, points); }

 private:
  bool exactHessian_;
  int linearProgram_ = -1;  // the problem is linear in x: 1, not: 0, not asked yet: -1
  double divergenceBound_;
};

// Ipopt's bound value for "no bound" in place of the library's infinities.
double ipoptBound(double bound);

}  // namespace ormid
