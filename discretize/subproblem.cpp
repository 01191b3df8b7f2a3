#include "subproblem.h"

#include "ipopt_subproblem.h"
#include "sip.h"

namespace {

class UnavailableSolver : public SubproblemSolver {
 public:
  SubproblemResult solve(double*, const PointSet&) override {
    nlpUnavailable();
    SubproblemResult r;
    r.status = SUB_UNAVAILABLE;
    r.text = "not available";
    return r;
  }
};

SubproblemSolver* override_ = nullptr;

}  // namespace

SubproblemSolver& subproblemSolver() {
  static UnavailableSolver unavailable;
  static IpoptSubproblemSolver ipopt;
  if (override_) return *override_;
  if (sipOptions.disc_nlp == DISC_NLP_IPOPT) return ipopt;
  return unavailable;
}

void setSubproblemSolver(SubproblemSolver* solver) { override_ = solver; }

SubproblemResult solveSubproblem(double* x, const PointSet& points) {
  return subproblemSolver().solve(x, points);
}
