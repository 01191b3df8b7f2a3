// Backtracking on the merit function, with the optional watchdog technique
// that accepts up to watchmax merit increases before returning to the last
// saved point.
#include <cmath>
#include <cstdio>

#include "interior/ip_run.h"
#include "penalty/penalty.h"
#include "sip.h"

namespace {

IpIterate advance(const IpContext& c, const IpIterate& base, const Vec& d, double alpha) {
  IpIterate t = base;
  for (int i = 0; i < c.nx; ++i) t.x[i] += alpha * d[i];
  for (int j = 0; j < c.mt; ++j) {
    t.s[j] += alpha * d[c.nx + j];
    t.lambda[j] += alpha * d[c.nx + c.mt + j];
  }
  return t;
}

// Accepts the trial while fewer than watchmax increases happened in a row;
// a trial where the merit function cannot be evaluated is refused.
bool watchdogStep(IpRun& r, const IpIterate& base, double alpha, double phi0) {
  IpIterate trial = advance(r.c, base, r.d, alpha);
  double phi = meritValue(r.c, trial, r.mu, r.beta, false, nullptr);
  if (!std::isfinite(phi)) return false;
  if (phi0 - phi >= 0) {
    r.increases = 0;
    r.watch.push(trial, r.d, r.B, alpha, r.beta, phi);
  } else {
    if (r.increases == 0) {
      printf("Making push\n");
      r.watch.push(base, r.d, r.B, alpha, r.beta, phi0);
    }
    ++r.increases;
  }
  r.it = trial;
  return true;
}

// Raises the penalty weight until d is a descent direction of the merit
// function; false when the weight grows past 1000/tau.
bool descentWeight(IpRun& r, const IpIterate& base, double betaOnEntry) {
  MeritValue m;
  meritValue(r.c, base, r.mu, betaOnEntry, true, &m);
  double b = betaOnEntry;
  double D = meritSlope(r.c, m, r.d);
  while (D >= 0) {
    b = b <= 0 ? 0.1 : 10 * b;
    if (b > 1000 / r.c.sip.intTau || !std::isfinite(b)) {
      r.beta = b;
      return false;
    }
    meritGradients(r.c, base, r.mu, b, m);
    D = meritSlope(r.c, m, r.d);
  }
  if (b != r.beta) r.beta = 10 * b;
  return true;
}

}  // namespace

bool lineSearch(IpRun& r, bool first) {
  const SipOptions& o = r.c.sip.options;
  if (o.int_merit != MERIT_M1 && o.int_merit != MERIT_M2) printf("Unknown LineSearch\n");
  const bool watch = o.watchdog != 0;
  IpIterate base = r.prevIt;
  double alphaMax = stepBound(r.c, base, r.d), alpha = alphaMax;
  if (first) {
    r.beta = 0;
    if (watch) {
      r.increases = 0;
      double phi = meritValue(r.c, base, r.mu, r.beta, false, nullptr);
      r.watch.push(base, r.d, r.B, alpha, r.beta, phi);
    }
  }
  if (watch) {
    double phi0;
    if (!r.watch.peek(&phi0)) phi0 = meritValue(r.c, base, r.mu, r.beta, true, nullptr);
    printf("recovered phi0=%f\n", phi0);
    if (r.increases < o.watchmax && watchdogStep(r, base, alpha, phi0)) return true;
  }
  const double betaOnEntry = r.beta;
  bool popped = false;
  if (watch) {
    printf("Making pop\n");
    double savedAlpha = alpha;
    popped = r.watch.pop(base, r.d, r.B, savedAlpha, r.beta);
    alphaMax = savedAlpha;
    alpha = savedAlpha / 2;
    r.increases = 0;
  }
  if (!descentWeight(r, base, betaOnEntry)) {
    r.it = base;
    return false;
  }
  double phi0 = meritValue(r.c, base, r.mu, r.beta, false, nullptr);
  printf("phi0=%f\n", phi0);
  printf("Beta=%f\n", r.beta);
  printf("Trying backtracking\n");
  const double dxNorm = norm2(r.c.nx, r.d.data());
  IpIterate trial;
  double phi;
  for (;;) {
    trial = advance(r.c, base, r.d, alpha);
    phi = meritValue(r.c, trial, r.mu, r.beta, false, nullptr);
    printf("alpha=%f phiomega=%f\n", alpha, phi);
    if (phi0 - phi >= 0) {
      printf("Step=%f\n", alpha);
      break;
    }
    alpha /= 2;
    if (!(alpha * dxNorm > 1e-8)) {
      trial = advance(r.c, base, r.d, alphaMax);
      phi = meritValue(r.c, trial, r.mu, r.beta, false, nullptr);
      if (!std::isfinite(phi)) {  // no step to fall back on
        r.it = base;
        return false;
      }
      break;
    }
  }
  if (watch) {
    r.increases = 0;
    r.watch.push(trial, r.d, r.B, alpha, r.beta, phi);
  }
  r.it = trial;
  if (popped) {  // the step starts from the restored point
    r.prevIt = base;
    evaluateLagrangian(r.c, base, r.mu, r.prevE);
  }
  return true;
}
