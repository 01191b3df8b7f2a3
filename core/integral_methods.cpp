// The ground the integral methods (penalty and interior point) share.
#include <cmath>
#include <string>
#include <vector>

#include "core/sip.h"

namespace ormid {

bool integrationDomainUsable(const SipContext& c) {
  const Problem& p = c.problem;
  if (p.mt == 0) return true;
  if (p.nt == 0) {
    c.print(PrintLevel::Summary, "There is no infinite variable to integrate over: the run ends\n");
    return false;
  }
  if (isMinusInfinity(p.tl[0]) || isPlusInfinity(p.tu[0]) || !std::isfinite(p.tu[0] - p.tl[0])) {
    c.print(PrintLevel::Summary, "Cannot integrate over an unbounded infinite variable: the run ends\n");
    return false;
  }
  return true;
}

std::string integralShapeRefusal(const Problem& p) {
  if (p.mt > 0 && p.nt > 1)
    return "integrates over one infinite variable (the problem has " + std::to_string(p.nt) + ")";
  return "";
}

double infiniteViolation(SipContext& c, const double* x, const double* t, int j, double* grad) {
  const Problem& p = c.problem;
  const double v = c.evaluate(Request::InfiniteValue, j, x, t) - p.ctu[j];
  if (grad) {
    std::vector<double> gt(p.nt);
    c.evaluate(Request::InfiniteGradient, j, x, t, grad, gt.data());
  }
  return v;
}

BfgsRules bfgsRules(const Options& o) {
  BfgsRules rules;
  rules.resetEveryN = o.bfgsRestart;
  rules.damped = o.dampedBfgs;
  rules.skip = o.bfgsSkip;
  return rules;
}

}  // namespace ormid
