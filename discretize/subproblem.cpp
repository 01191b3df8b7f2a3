#include "subproblem.h"

#include "sip.h"

namespace {

class UnavailableSolver : public SubproblemSolver {
 public:
  double solve(double*, const PointSet&) override { nlpUnavailable(); }
};

SubproblemSolver* override_ = nullptr;

}  // namespace

SubproblemSolver& subproblemSolver() {
  static UnavailableSolver unavailable;
  if (override_) return *override_;
  return unavailable;
}

void setSubproblemSolver(SubproblemSolver* solver) { override_ = solver; }

double solveSubproblem(double* x, const PointSet& points) {
  return subproblemSolver().solve(x, points);
}
