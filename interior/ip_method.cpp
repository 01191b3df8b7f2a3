// Driver of the interior point method: passes over decreasing smoothing
// levels, Newton iterations on (x, s, lambda) within each.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "interior/ip_run.h"
#include "penalty/penalty.h"
#include "results_file.h"
#include "run_clock.h"
#include "sip.h"

namespace {

void correctSlacks(IpRun& r) {
  const double tau = sipOptions.int_tau;
  for (int i = 0; i < r.c.mt; ++i)
    if (tau * 1e-8 > tau + r.it.s[i]) {
      printf("Correcting slack %d iter\n", i);
      r.it.s[i] = tau * 1e-8 - tau;
    }
}

double barrierParameter(const IpRun& r) {
  const SipOptions& o = sipOptions;
  const int mt = r.c.mt;
  if (mt == 0) return 0.0;
  double sum = 0, smallest = HUGE_VAL;
  for (int i = 0; i < mt; ++i) {
    double p = -r.it.lambda[i] * (o.int_tau + r.it.s[i]);
    sum += p;
    smallest = std::min(smallest, p);
  }
  const double avg = sum / mt;
  if (o.updtb == UPDTB_F2) {
    if (!(avg > 0)) return 0.0;
    double xi = smallest / avg;
    double omega = std::min(0.05 * (1 - xi) / xi, 2.0);
    return o.delta * omega * omega * omega * avg;
  }
  if (o.updtb != UPDTB_F1) printf("Using update formula 1 for the barrier parameter\n");
  return o.delta * avg;
}

void labelled(const char* label, const Vec& v) {
  printf("%s", label);
  printVector(v.data(), (int)v.size());
}

void printIterate(const IpRun& r) {
  labelled("X1:\n", r.it.x);
  labelled("S1:\n", r.it.s);
  labelled("LAG1:\n", r.it.lambda);
  labelled("Gradient x1:\n", r.e.gradL);
  labelled("Gradient l1:\n", r.e.r);
  labelled("Term1:\n", r.e.I);
  printf("Jac1:\n");
  printMatrix(r.e.J.data(), r.c.mt, r.c.nx);
}

// y is the change of the Lagrangian gradient with the current multipliers.
void quasiNewtonUpdate(IpRun& r, int j) {
  const int nx = r.c.nx;
  Vec yBase(nx, 0.0);
  if (j > 0) {
    yBase = r.prevE.gradF;
    for (int m = 0; m < r.c.mt; ++m)
      for (int i = 0; i < nx; ++i) yBase[i] -= r.prevE.J[(long)m * nx + i] * r.it.lambda[m];
  }
  const double* xPrev = j > 0 ? r.prevIt.x.data() : r.it.x.data();
  if (sipOptions.int_ord == ORD_PRIMAL)
    bfgsUpdate(r.B.data(), j, nx, r.it.x.data(), xPrev, r.e.gradL.data(), yBase.data());
  else
    hessianUpdate(r.B.data(), j, nx, r.it.x.data(), xPrev, r.e.gradL.data(), yBase.data());
}

enum PassEnd { PASS_CONTINUES, METHOD_STOPS, START_FAILS, BREAKDOWN, TIME_UP, QUADRATURE_CUT };

bool evaluationFailed(const IpEval& e) {
  return !std::isfinite(e.L) || !allFinite((int)e.gradL.size(), e.gradL.data());
}

// Newton iterations of one smoothing level.
PassEnd runPass(IpRun& r, int k, Vec& xPrevLevel, bool& levelConverged) {
  SipOptions& o = sipOptions;
  initialSlacksAndMultipliers(r.c, r.it, k);
  int j = 0;
  PassEnd end = PASS_CONTINUES;
  const int quadcutAtStart = sipStats.quadcut;
  for (; r.total + j < o.maxitero; ++j) {
    if (sipStats.quadcut > quadcutAtStart || timeIsUp()) {
      end = sipStats.quadcut > quadcutAtStart ? QUADRATURE_CUT : TIME_UP;
      break;
    }
    correctSlacks(r);
    r.mu = barrierParameter(r);
    evaluateLagrangian(r.c, r.it, r.mu, r.e);
    if (evaluationFailed(r.e)) {
      end = r.total + j == 0 ? START_FAILS : BREAKDOWN;
      if (end == BREAKDOWN) r.it = r.prevIt;
      break;
    }
    printIterate(r);
    r.res = stoppingResiduals(r.c, r.it, r.e);
    if (r.res.rho <= o.int_prec && r.res.sigma <= o.int_prec) {
      if (levelConverged && epsStopTest(r.c.nx, xPrevLevel.data(), r.it.x.data())) {
        printf("Precision on eps satisfied\n");
        end = METHOD_STOPS;
        break;
      }
      xPrevLevel = r.it.x;
      levelConverged = true;
      printf("Decreasing epsilon\n");
      o.pf_eps *= o.int_epsfactor;
      o.int_tau *= o.int_epsfactor;
      break;
    }
    quasiNewtonUpdate(r, j);
    r.prevIt = r.it;
    r.prevE = r.e;
    if (!newtonDirection(r.c, r.it, r.e, r.B, r.mu, r.d)) {
      end = BREAKDOWN;
      break;
    }
    labelled("Direction:\n", r.d);
    double dn = norm2((int)r.d.size(), r.d.data());
    if (dn < o.int_prec) {
      printf("Directional norm too small %f\n", dn);
      break;
    }
    if (o.scale) scaleDirection((int)r.d.size(), r.d.data());
    if (!lineSearch(r, j == 0)) {
      printf("No progress in linesearch\n");
      break;
    }
    printf("%5d %4.20f %4.20f %4.20f\n", r.total + j, r.mu, r.res.rho, r.res.sigma);
  }
  r.total += j + 1;
  return end;
}

void report(IpRun& r) {
  const SipProblem& p = sipProblem;
  std::copy(r.it.x.begin(), r.it.x.end(), p.x0);
  labelled("Solution found\n", r.it.x);
  printf("Objective function value\n");
  printf("%f\n", modelObjective(r.e.f));
  FILE* results = openResults();
  double f = p.evaluate(REQ_OBJVAL, 0, r.it.x.data(), nullptr, nullptr, nullptr, nullptr, nullptr);
  labelled("Gradient of lagrangian:\n", r.e.gradL);
  if (!results) return;
  fprintf(results, " & %d & %d & %.6e & %.1e & %.1e & %.1e & %.1e \\\\\n", r.total,
          r.c.meritEvaluations, modelObjective(f), r.res.rho, r.res.sigma, r.mu, sipOptions.pf_eps);
  fclose(results);
}

SipResult passResult(PassEnd end, const IpRun& r, bool iterationLimit) {
  if (end == TIME_UP) return sipResult(STATUS_TIME_LIMIT, "time_limit reached", r.total);
  if (end == QUADRATURE_CUT)
    return sipResult(STATUS_QUADRATURE_LIMIT, "an integral needs more than " +
                     std::to_string(QUADRATURE_MAX_POINTS) + " points", r.total);
  if (end == BREAKDOWN) return sipResult(STATUS_BREAKDOWN, "Newton system singular or evaluation failed", r.total);
  if (iterationLimit) return sipResult(STATUS_ITERATION_LIMIT, "maxitero iterations", r.total);
  return sipResult(STATUS_SOLVED, "stop test met", r.total);
}

}  // namespace

SipResult interiorPointMethod() {
  if (!integrationDomainUsable()) return sipResult(STATUS_NO_POINT, "T cannot be integrated");
  SipOptions& o = sipOptions;
  IpRun r;
  r.it.x.assign(sipProblem.x0, sipProblem.x0 + r.c.nx);
  r.B.assign((long)r.c.nx * r.c.nx, 0.0);
  o.int_tau = o.pf_eps / 100;
  printf("Tau=%f\n", o.int_tau);
  printf("%-5s %-24s %-24s %-24s\n", "Iter", "Mu", "Primal", "Dual");
  Vec xPrevLevel;
  bool levelConverged = false, iterationLimit = false;
  PassEnd end = PASS_CONTINUES;
  for (int k = 0;; ++k) {
    end = runPass(r, k, xPrevLevel, levelConverged);
    if (end == START_FAILS)
      return sipResult(STATUS_EVALUATION_ERROR, "integrals not defined at the starting point");
    if (end != PASS_CONTINUES) break;
    if ((iterationLimit = r.total > o.maxitero)) break;
    // eps falls only when a level has converged.
    if (o.pf_eps < o.int_epslimit) {
      printf("Limit on eps precision\n");
      break;
    }
  }
  report(r);
  SipResult result = passResult(end, r, iterationLimit);
  result.objective = r.e.f;
  return result;
}
