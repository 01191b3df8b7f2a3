// The check of a solve's input: what a method would otherwise read out of
// bounds, divide by, or loop on.
#include <cmath>
#include <string>

#include "ormid/ormid.h"

namespace ormid {

namespace {

std::string boundsProblem(const char* what, int n, const double* lower, const double* upper) {
  if (n > 0 && (!lower || !upper)) return std::string("the bounds of ") + what + " are missing";
  for (int i = 0; i < n; ++i) {
    if (std::isnan(lower[i]) || std::isnan(upper[i]))
      return std::string("a bound of ") + what + " " + std::to_string(i) + " is NaN";
    if (lower[i] > upper[i])
      return std::string("the lower bound of ") + what + " " + std::to_string(i) +
             " is above its upper bound";
  }
  return "";
}

std::string problemIssue(const Problem& p) {
  if (p.nx < 0 || p.nt < 0 || p.mx < 0 || p.mt < 0) return "a size is negative";
  if (!p.evaluate) return "the problem has no evaluator";
  if (p.sense != 1 && p.sense != -1) return "the sense is neither 1 nor -1";
  std::string issue = boundsProblem("x", p.nx, p.xl, p.xu);
  if (issue.empty()) issue = boundsProblem("t", p.nt, p.tl, p.tu);
  if (issue.empty()) issue = boundsProblem("finite constraint", p.mx, p.cxl, p.cxu);
  if (issue.empty()) issue = boundsProblem("infinite constraint", p.mt, p.ctl, p.ctu);
  if (!issue.empty()) return issue;
  for (int i = 0; p.x0 && i < p.nx; ++i)
    if (!std::isfinite(p.x0[i])) return "x0[" + std::to_string(i) + "] is not finite";
  return "";
}

bool knownMethod(Method m) {
  switch (m) {
    case Method::Penalty: case Method::PenaltyMultiplier: case Method::InteriorPoint:
    case Method::GridDiscretization: case Method::HaltonDiscretization:
    case Method::EpsilonActiveDiscretization: case Method::Exchange:
      return true;
  }
  return false;
}

std::string optionsIssue(const Options& o) {
  if (!knownMethod(o.method)) return "unknown method " + std::to_string((int)o.method);
  if (std::isnan(o.feasibilityTolerance) || std::isnan(o.optimalityTolerance))
    return "feas_tol or opt_tol is NaN";
  if (std::isnan(o.timeLimit)) return "time_limit is NaN";
  if (std::isnan(o.verifySeconds)) return "verify_time is NaN";
  return "";
}

}  // namespace

std::string checkInput(const Problem& problem, const Options& options) {
  std::string issue = problemIssue(problem);
  return issue.empty() ? optionsIssue(options) : issue;
}

}  // namespace ormid
