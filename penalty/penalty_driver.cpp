#include "penalty_driver.h"

#include <cstdio>

#include "penalty.h"
#include "results_file.h"
#include "sip.h"

PenaltyRun::PenaltyRun(bool withMultipliers) {
  const SipProblem& p = sipProblem;
  nx = p.nx;
  nt = p.nt;
  x.assign(p.x0, p.x0 + nx);
  xEps = x;
  xPrev.assign(nx, 0.0);
  g.assign(nx, 0.0);
  gPrev.assign(nx, 0.0);
  d.assign(nx, 0.0);
  t.assign(nt > 0 ? nt : 1, 0.0);
  H.assign((long)nx * nx, 0.0);
  miu = sipOptions.miu0;
  if (withMultipliers) {
    lambda.assign(p.mt, 1.0);
    cs.assign(p.mt, 0.0);
  }
}

namespace {

void gradientAtX(PenaltyRun& r) {
  weightedPenaltyGradient(r.nx, r.x.data(), r.nt, r.t.data(), r.miu, r.weights(),
                          r.cs.empty() ? nullptr : r.cs.data(), r.g.data(), &r.P, &r.pt);
}

void labelled(const char* label, const std::vector<double>& v) {
  printf("%s", label);
  printVector(v.data(), (int)v.size());
}

// One quasi-Newton step; returns true when the inner stop test holds.
bool innerStep(PenaltyRun& r, int k) {
  bfgsUpdate(r.H.data(), k, r.nx, r.x.data(), r.xPrev.data(), r.g.data(), r.gPrev.data());
  r.xPrev = r.x;
  r.gPrev = r.g;
  r.Pprev = r.P;
  quasiNewtonDirection(r.nx, r.H.data(), r.gPrev.data(), r.d.data());
  labelled("X: ", r.xPrev);
  printf("Penalty %f\n", r.Pprev);
  labelled("Gradient: ", r.gPrev);
  labelled("Direction: ", r.d);
  if (sipOptions.scale) scaleDirection(r.nx, r.d.data());
  if (sipOptions.int_merit != 0) printf("Unknown LineSearch\nUsing Armijo\n");
  weightedArmijoSearch(r.nx, r.xPrev.data(), r.d.data(), r.x.data(), r.gPrev.data(), r.miu,
                       r.weights());
  labelled("X: ", r.x);
  gradientAtX(r);
  printf("Penalty terms %f %f constraints %f\n", r.Pprev, r.P, r.pt);
  return innerStopTest(r.nx, r.xPrev.data(), r.x.data(), r.g.data());
}

}  // namespace

void innerLoop(PenaltyRun& r) {
  printf("STARTING INNER ITERATIONS ********** miu=%f, epsilon=%f\n", r.miu, sipOptions.pf_eps);
  gradientAtX(r);
  int k = 0;
  for (; k < sipOptions.maxiteri; ++k) {
    if (innerStep(r, k)) {
      printf("INNER STOPPING IN ITERATION ********* %d\n", k + 1);
      break;
    }
  }
  r.totalInner += k + 1;
}

bool outerStep(PenaltyRun& r, bool stopOnP2, bool scaleTau) {
  if (r.pt > sipOptions.generalTolerance) {
    printf("Increasing penalty\n");
    r.miu *= sipOptions.miuf;
    return r.miu > 1e8;
  }
  if (stopOnP2 && sipOptions.pf_type == PF_P2) return true;
  if (r.epsDecreases > 0 && epsStopTest(r.nx, r.xEps.data(), r.x.data())) return true;
  ++r.epsDecreases;
  r.xEps = r.x;
  printf("Decreasing epsilon\n");
  sipOptions.pf_eps /= 10;
  if (scaleTau) sipOptions.int_tau /= 10;
  return sipOptions.pf_eps < 1e-8;
}

void finishPenaltyRun(PenaltyRun& r, const char* multipliersLabel) {
  const SipProblem& p = sipProblem;
  printf("STOPPING IN ITERATION ********* %d\n", r.j + 1);
  for (int i = 0; i < r.nx; ++i) p.x0[i] = r.x[i];
  labelled("Solution found\n", r.x);
  printf("Penalty function value\n");
  printf("%f\n", r.P);
  if (multipliersLabel) labelled(multipliersLabel, r.lambda);
  FILE* results = openResults();
  double fval = p.evaluate(REQ_OBJVAL, 0, r.x.data(), nullptr, nullptr, nullptr, nullptr, nullptr);
  labelled("Gradient of penalty:\n", r.g);
  p.evaluate(REQ_OBJGRD, 0, r.x.data(), nullptr, r.g.data(), nullptr, nullptr, nullptr);
  labelled("Gradient of objective:\n", r.g);
  if (!results) return;
  fprintf(results, " & %d & %d & %d & %d & %.6e & %.1e & %.1e \\\\\n", r.totalInner, r.j + 1,
          sipStats.pfval, sipStats.gpfval, fval, r.miu, sipOptions.pf_eps);
  fclose(results);
}
