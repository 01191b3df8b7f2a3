// Backtracking on the merit function, with the optional watchdog technique
// that accepts up to watchmax merit increases before returning to the last
// saved point.
#include <cmath>
#include <cstdio>

#include "interior/ip_run.h"
#include "kernels/vector_ops.h"
#include "core/sip.h"

namespace ormid {

namespace {

const double ARMIJO_FRACTION = 1e-4;
const double VANISHING_STEP = 1e-8;  // of alpha * |d| over x, s and lambda

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
      r.c.sip.print(PrintLevel::Details, "Making push\n");
      r.watch.push(base, r.d, r.B, alpha, r.beta, phi0);
    }
    ++r.increases;
  }
  r.it = trial;
  return true;
}

// Raises the penalty weight until d is a descent direction of the merit
// function; false when the weight grows past 1000/tau. slope receives the
// merit's directional derivative with the weight finally chosen.
bool descentWeight(IpRun& r, const IpIterate& base, double betaOnEntry, double* slope) {
  MeritValue m;
  meritValue(r.c, base, r.mu, betaOnEntry, true, &m);
  double b = betaOnEntry;
  double D = meritSlope(r.c, m, r.d);
  while (D >= 0) {
    b = b <= 0 ? 0.1 : 10 * b;
    if (b > 1000 / r.c.tau || !std::isfinite(b)) {
      r.beta = b;
      return false;
    }
    meritGradients(r.c, base, r.mu, b, m);
    D = meritSlope(r.c, m, r.d);
  }
  if (b != r.beta) r.beta = 10 * b;
  meritGradients(r.c, base, r.mu, r.beta, m);
  *slope = meritSlope(r.c, m, r.d);
  return true;
}

// Halves the step from alpha until the merit function decreases by at least
// ARMIJO_FRACTION of what its slope promises; a decrease of nothing is no
// progress. When the step has shrunk to nothing, the best trial that lowered
// the merit function stands; without one the search fails.
bool backtrack(IpRun& r, const IpIterate& base, double phi0, double slope, double& alpha,
               IpIterate& trial, double& phi) {
  const double dxNorm = norm2(r.c.nx, r.d.data());
  IpIterate best;
  double bestPhi = phi0, bestAlpha = 0;
  for (;;) {
    trial = advance(r.c, base, r.d, alpha);
    phi = meritValue(r.c, trial, r.mu, r.beta, false, nullptr);
    r.c.sip.print(PrintLevel::Details, "alpha=%f phiomega=%f\n", alpha, phi);
    if (phi0 - phi >= -ARMIJO_FRACTION * alpha * slope && phi < phi0) {
      r.c.sip.print(PrintLevel::Details, "Step=%f\n", alpha);
      return true;
    }
    if (phi < bestPhi) bestPhi = phi, best = trial, bestAlpha = alpha;
    alpha /= 2;
    if (!(alpha * dxNorm > 1e-8)) break;
  }
  if (!(bestPhi < phi0)) return false;
  trial = best;
  phi = bestPhi;
  alpha = bestAlpha;
  return true;
}

}  // namespace

bool lineSearch(IpRun& r, bool first) {
  const Options& o = r.c.sip.options;
  const bool watch = o.watchdog;
  IpIterate base = r.prevIt;
  double alpha = stepBound(r.c, base, r.d);
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
    r.c.sip.print(PrintLevel::Details, "recovered phi0=%f\n", phi0);
    if (r.increases < o.watchdogIncreases && watchdogStep(r, base, alpha, phi0)) return true;
  }
  const double betaOnEntry = r.beta;
  bool popped = false;
  if (watch) {
    r.c.sip.print(PrintLevel::Details, "Making pop\n");
    double savedAlpha = alpha;
    popped = r.watch.pop(base, r.d, r.B, savedAlpha, r.beta);
    alpha = savedAlpha / 2;
    r.increases = 0;
  }
  double slope = 0;
  if (!descentWeight(r, base, betaOnEntry, &slope)) {
    r.it = base;
    return false;
  }
  double phi0 = meritValue(r.c, base, r.mu, r.beta, false, nullptr);
  r.c.sip.print(PrintLevel::Details, "phi0=%f\n", phi0);
  r.c.sip.print(PrintLevel::Details, "Beta=%f\n", r.beta);
  r.c.sip.print(PrintLevel::Details, "Trying backtracking\n");
  IpIterate trial;
  double phi;
  // A step that moves nothing would let the level run on forever: a failure.
  if (!backtrack(r, base, phi0, slope, alpha, trial, phi) ||
      !(alpha * norm2((int)r.d.size(), r.d.data()) > VANISHING_STEP)) {
    r.it = base;
    return false;
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

}  // namespace ormid
