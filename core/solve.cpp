// The library's entry point: one solve in a context of its own, and the
// certificate of its point.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/run_clock.h"
#include "core/sip.h"
#include "certificate/certificate.h"
#include "verify/verify.h"

namespace ormid {

namespace {

// A request straight to the problem's evaluator: the checks of a solve are
// not the method's work and are not counted.
bool evaluates(const Problem& p, Request code, int k, const double* x) {
  std::vector<double> grad(p.nx > 0 ? p.nx : 1);
  int error = 0;
  double v = p.evaluate(code, k, x, nullptr, grad.data(), nullptr, nullptr, &error, p.data);
  return error == 0 && !std::isnan(v);
}

}  // namespace

std::string failingAtStart(const Problem& p, const double* x) {
  if (!evaluates(p, Request::ObjectiveValue, 0, x) || !evaluates(p, Request::ObjectiveGradient, 0, x))
    return "objective " + p.objectiveName;
  for (int k = 0; k < p.mx; ++k)
    if (!evaluates(p, Request::FiniteValue, k, x) || !evaluates(p, Request::FiniteGradient, k, x))
      return "constraint " + (k < (int)p.finiteNames.size() ? p.finiteNames[k] : std::to_string(k));
  return "";
}

namespace {

// What the solve knows of its final point: the model's objective there and,
// unless switched off, its certificate, which decides the status.
void describePoint(SipContext& c, double gradientScale, Result& r) {
  const Problem& p = c.problem;
  r.x = c.x;
  int error = 0;
  double f = p.evaluate(Request::ObjectiveValue, 0, r.x.data(), nullptr, nullptr, nullptr, nullptr, &error,
                        p.data);
  r.objective = error ? NAN : f;
  if (!c.options.certificate) return;
  const double start = monotonicSeconds();
  Certificate cert = certify(p, r.x.data(), gradientScale, c.options.opt_tol, &c.scans);
  r.maxViolation = cert.absolute;
  r.worst = cert.worst;
  r.active = cert.active;
  r.stationarity = cert.stationarity;
  r.objectiveGap = cert.objectiveGap;
  r.certificateEvaluations = cert.evaluations;
  r.certificateSeconds = monotonicSeconds() - start;
  judge(r, cert, c.options);
  if (c.options.verify) verifyPoint(p, c.options, r);
}

}  // namespace

Result solve(const Problem& problem, const Options& options) {
  const double start = monotonicSeconds();
  const std::string issue = checkInput(problem, options);
  if (!issue.empty()) {
    Result r = sipResult(Status::InvalidInput, issue);
    if (problem.x0 && problem.nx > 0) r.x.assign(problem.x0, problem.x0 + problem.nx);
    return r;
  }
  SipContext c(problem, options);
  // The objective's scale, from its gradient at the start (when given).
  const double gradientScale = problem.x0 ? objectiveGradientNorm(problem, problem.x0) : 0.0;
  Result r = dispatch(c);
  if (c.interrupted && (r.status == Status::TimeLimit || r.status == Status::SubproblemFailure)) {
    r.status = Status::Interrupted;
    r.message = "stopped by the iteration callback";
  }
  if (r.hasPoint()) describePoint(c, gradientScale, r);
  else r.x = c.x;
  r.stats = c.stats;
  r.seconds = monotonicSeconds() - start;
  c.flushLog();
  return r;
}

}  // namespace ormid
