// The library's entry point: one solve in a context of its own, and the
// verdict on its point (the largest violation decides whether "solved"
// stands).
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "run_clock.h"
#include "sip.h"
#include "violation.h"

namespace {

// A request straight to the problem's evaluator: the checks of a solve are
// not the method's work and are not counted.
bool evaluates(const SipProblem& p, int code, int k, const double* x) {
  std::vector<double> grad(p.nx > 0 ? p.nx : 1);
  int error = 0;
  double v = p.evaluate(code, k, x, nullptr, grad.data(), nullptr, nullptr, &error, p.data);
  return error == 0 && !std::isnan(v);
}

}  // namespace

std::string failingAtStart(const SipProblem& p, const double* x) {
  if (!evaluates(p, REQ_OBJVAL, 0, x) || !evaluates(p, REQ_OBJGRD, 0, x))
    return "objective " + p.objectiveName;
  for (int k = 0; k < p.mx; ++k)
    if (!evaluates(p, REQ_CONXVAL, k, x) || !evaluates(p, REQ_CONXGRD, k, x))
      return "constraint " + (k < (int)p.finiteNames.size() ? p.finiteNames[k] : std::to_string(k));
  return "";
}

namespace {

// A method's "solved" stands only when the point holds the constraints to
// 1e-6 (relative to the bound); slightly beyond is uncertain, far beyond
// is an infeasible point.
const double FEASIBILITY_TOLERANCE = 1e-6;
const double UNCERTAIN_TOLERANCE = 1e-3;

void judge(SipResult& r, const Violation& v) {
  if (r.status != STATUS_SOLVED) return;
  if (!std::isfinite(r.objective)) {
    r.status = STATUS_BREAKDOWN;
    r.message = "the objective is not finite at the final point";
  } else if (v.scaled > UNCERTAIN_TOLERANCE) {
    r.status = STATUS_INFEASIBLE;
    r.message = "the method stopped at a point that violates the constraints";
  } else if (v.scaled > FEASIBILITY_TOLERANCE) {
    r.status = STATUS_UNCERTAIN;
    r.message = "stop test met; constraints violated beyond 1e-6";
  }
}

// What the solve knows of its final point.
void describePoint(const SipContext& c, SipResult& r) {
  const SipProblem& p = c.problem;
  r.x = c.x;
  int error = 0;
  double f = p.evaluate(REQ_OBJVAL, 0, r.x.data(), nullptr, nullptr, nullptr, nullptr, &error,
                        p.data);
  r.objective = error ? NAN : f;
  Violation v = largestViolation(p, r.x.data());
  r.maxViolation = v.absolute;
  judge(r, v);
}

}  // namespace

namespace ormid {

SipResult solve(const SipProblem& problem, const SipOptions& options) {
  const double start = monotonicSeconds();
  SipContext c(problem, options);
  SipResult r = dispatch(c);
  if (r.hasPoint()) describePoint(c, r);
  else r.x = c.x;
  r.stats = c.stats;
  r.seconds = monotonicSeconds() - start;
  return r;
}

}  // namespace ormid
