#include "subproblem/subproblem.h"

#include <algorithm>

#include "subproblem/ipopt_subproblem.h"
#include "core/sip.h"
#include "kernels/vector_ops.h"

namespace ormid {

double subproblemLower(const Problem& p, const SubproblemScaling* scaling, const double* start, int i) {
  if (!scaling || i >= (int)scaling->stepBound.size()) return p.xl[i];
  return std::max(p.xl[i], start[i] - scaling->stepBound[i]);
}

double subproblemUpper(const Problem& p, const SubproblemScaling* scaling, const double* start, int i) {
  if (!scaling || i >= (int)scaling->stepBound.size()) return p.xu[i];
  return std::min(p.xu[i], start[i] + scaling->stepBound[i]);
}

namespace {

class UnavailableSolver : public SubproblemSolver {
 public:
  SubproblemResult solve(SipContext& c, double*, const PointSet&) override {
    nlpUnavailable(c);
    SubproblemResult r;
    r.status = SUB_UNAVAILABLE;
    r.text = "not available";
    return r;
  }
};

}  // namespace

SubproblemResult SubproblemSolver::solveOn(SipContext& c, double* x, const PointList& points,
                                           const std::vector<double>*, const SubproblemScaling*,
                                           const std::vector<char>*) {
  PointSet set(normRangeOf(c.problem));
  for (const std::vector<double>& t : points) set.insertUnique(t.data(), norm2(c.problem.nt, t.data()), nullptr);
  return solve(c, x, set);
}

MethodSolver::MethodSolver(const Options& o, SubproblemSolver* given, double divergenceBound) : given_(given) {
  if (given_) return;
  if (o.nlpSolver == SubproblemNlp::Ipopt)
    own_ = std::make_unique<IpoptSubproblemSolver>(false, divergenceBound);
  else
    own_ = std::make_unique<UnavailableSolver>();
}

}  // namespace ormid
