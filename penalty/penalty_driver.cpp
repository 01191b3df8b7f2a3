#include "penalty_driver.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "penalty.h"
#include "results_file.h"
#include "run_clock.h"
#include "sip.h"

PenaltyRun::PenaltyRun(SipContext& context, bool withMultipliers) : c(context) {
  c.scaleSmallObjective();
  const SipProblem& p = c.problem;
  nx = p.nx;
  nt = p.nt;
  x = c.x;
  xEps = x;
  xPrev.assign(nx, 0.0);
  g.assign(nx, 0.0);
  gPrev.assign(nx, 0.0);
  d.assign(nx, 0.0);
  t.assign(nt > 0 ? nt : 1, 0.0);
  H.assign((long)nx * nx, 0.0);
  miu = c.options.miu0;
  if (withMultipliers) {
    lambda.assign(p.mt, 1.0);
    cs.assign(p.mt, 0.0);
  }
}

namespace {

// How far x may run from an inner loop's start, relative to max(1, |x|),
// before the penalty function counts as unbounded below.
const double UNBOUNDED_GROWTH = 1e6;

void gradientAtX(PenaltyRun& r) {
  weightedPenaltyGradient(r.c, r.nx, r.x.data(), r.nt, r.t.data(), r.miu, r.weights(),
                          r.cs.empty() ? nullptr : r.cs.data(), r.g.data(), &r.P, &r.pt);
}

void labelled(const char* label, const std::vector<double>& v) {
  printf("%s", label);
  printVector(v.data(), (int)v.size());
}

// The first direction of an inner loop is -grad P, whose length grows with
// miu: the search starts at a step that moves x by at most max(1, |x|)
// (a raw first step overflowed exp on some models).
void capFirstStep(PenaltyRun& r) {
  const double length = norm2(r.nx, r.d.data()), cap = std::fmax(1.0, norm2(r.nx, r.x.data()));
  if (length > cap)
    for (double& v : r.d) v *= cap / length;
}

// One quasi-Newton step; returns true when the inner stop test holds.
bool innerStep(PenaltyRun& r, int k) {
  bfgsUpdate(r.c.options, r.H.data(), k, r.nx, r.x.data(), r.xPrev.data(), r.g.data(), r.gPrev.data());
  r.xPrev = r.x;
  r.gPrev = r.g;
  r.Pprev = r.P;
  quasiNewtonDirection(r.nx, r.H.data(), r.gPrev.data(), r.d.data());
  labelled("X: ", r.xPrev);
  printf("Penalty %f\n", r.Pprev);
  labelled("Gradient: ", r.gPrev);
  labelled("Direction: ", r.d);
  if (k == 0) capFirstStep(r);
  if (r.c.options.scale) scaleDirection(r.c.options, r.nx, r.d.data());
  if (r.c.options.int_merit != 0) printf("Unknown LineSearch\nUsing Armijo\n");
  double alpha = weightedArmijoSearch(r.c, r.nx, r.xPrev.data(), r.d.data(), r.x.data(),
                                      r.gPrev.data(), r.miu, r.weights());
  labelled("X: ", r.x);
  gradientAtX(r);
  printf("Penalty terms %f %f constraints %f\n", r.Pprev, r.P, r.pt);
  if (!innerStopTest(r.c.options, r.nx, r.xPrev.data(), r.x.data(), r.g.data())) return false;
  // A step cut short by the search is small because the model was poor, not
  // because x is near a minimiser: only a full step (or none) ends the loop.
  if (alpha == 1.0 || alpha == 0.0 || dot(r.nx, r.g.data(), r.g.data()) < 1e-8) return true;
  printf("Not stopping in inner iteration step=%f\n", alpha);
  return false;
}

// The limits checked after every evaluation of the gradient.
InnerEnd limitReached(const SipContext& c, int quadcutAtStart) {
  if (c.stats.quadcut > quadcutAtStart) return INNER_QUADRATURE_CUT;
  if (timeIsUp(c)) return INNER_TIME_UP;
  return INNER_DONE;
}

}  // namespace

InnerEnd innerLoop(PenaltyRun& r) {
  printf("STARTING INNER ITERATIONS ********** miu=%f, epsilon=%f\n", r.miu, r.c.pfEps);
  const int quadcutAtStart = r.c.stats.quadcut;
  gradientAtX(r);
  if (!std::isfinite(r.P) || !allFinite(r.nx, r.g.data())) return INNER_UNDEFINED;
  const std::vector<double> xStart = r.x;
  const double runaway = UNBOUNDED_GROWTH * std::fmax(1.0, norm2(r.nx, xStart.data()));
  InnerEnd end = limitReached(r.c, quadcutAtStart);
  int k = 0;
  for (; end == INNER_DONE && k < r.c.options.maxiteri; ++k) {
    bool stop = innerStep(r, k);
    if ((end = limitReached(r.c, quadcutAtStart)) != INNER_DONE) break;
    if (!(norm2(r.nx, r.x.data()) <= runaway)) {
      printf("Penalty function unbounded below\n");
      r.x = xStart;
      gradientAtX(r);
      end = INNER_UNBOUNDED;
      break;
    }
    if (stop) {
      printf("INNER STOPPING IN ITERATION ********* %d\n", k + 1);
      break;
    }
  }
  r.totalInner += k + 1;
  return end;
}

namespace {

const double PENALTY_LIMIT = 1e8;

// Penalty terms below the threshold can hide a peak of violation: while one
// stands above feas_tol (and above the smoothing pf_eps, which lets
// violations of its size through by design), miu rises as far as the
// penalty limit allows.
bool peakNeedsPenalty(PenaltyRun& r) {
  const SipOptions& o = r.c.options;
  if (o.pf_type == PF_P2 || r.miu * o.miuf > PENALTY_LIMIT) return false;
  return largestViolation(r.c, r.x.data()) > std::fmax(o.feas_tol, r.c.pfEps);
}

}  // namespace

OuterEnd outerStep(PenaltyRun& r, bool stopOnP2, bool scaleTau, bool unbounded) {
  const SipOptions& o = r.c.options;
  if (unbounded || r.pt > o.generalTolerance || peakNeedsPenalty(r)) {
    printf("Increasing penalty\n");
    r.miu *= o.miuf;
    return r.miu > PENALTY_LIMIT ? OUTER_PENALTY_LIMIT : OUTER_GOES_ON;
  }
  if (stopOnP2 && o.pf_type == PF_P2) return OUTER_CONVERGED;
  if (r.epsDecreases > 0 && epsStopTest(o, r.nx, r.xEps.data(), r.x.data())) return OUTER_CONVERGED;
  ++r.epsDecreases;
  r.xEps = r.x;
  printf("Decreasing epsilon\n");
  r.c.pfEps /= 10;
  if (scaleTau) r.c.intTau /= 10;
  return r.c.pfEps < 1e-8 ? OUTER_CONVERGED : OUTER_GOES_ON;
}

namespace {

void finishPenaltyRun(PenaltyRun& r, const char* multipliersLabel) {
  SipContext& c = r.c;
  printf("STOPPING IN ITERATION ********* %d\n", r.j + 1);
  c.x = r.x;
  labelled("Solution found\n", r.x);
  printf("Penalty function value\n");
  printf("%f\n", r.P);
  if (multipliersLabel) labelled(multipliersLabel, r.lambda);
  FILE* results = openResults();
  double fval = c.evaluate(REQ_OBJVAL, 0, r.x.data());
  labelled("Gradient of penalty:\n", r.g);
  c.evaluate(REQ_OBJGRD, 0, r.x.data(), nullptr, r.g.data());
  for (double& v : r.g) v = c.modelObjective(v);
  labelled("Gradient of objective:\n", r.g);
  if (!results) return;
  fprintf(results, " & %d & %d & %d & %d & %.6e & %.1e & %.1e \\\\\n", r.totalInner, r.j + 1,
          c.stats.pfval, c.stats.gpfval, c.modelObjective(fval), r.miu, c.pfEps);
  fclose(results);
}

SipResult outerEnd(OuterEnd end, const PenaltyRun& r) {
  switch (end) {
    case OUTER_CONVERGED: return sipResult(STATUS_SOLVED, "stop test met", r.j + 1);
    case OUTER_PENALTY_LIMIT:
      return sipResult(STATUS_INFEASIBLE, "penalty parameter above 1e8 with the constraints violated",
                       r.j + 1);
    default: return sipResult(STATUS_ITERATION_LIMIT, "maxitero outer iterations", r.j);
  }
}

SipResult innerEnd(InnerEnd end, const PenaltyRun& r) {
  switch (end) {
    case INNER_UNDEFINED: return sipResult(STATUS_BREAKDOWN, "penalty function overflows", r.j);
    case INNER_TIME_UP: return sipResult(STATUS_TIME_LIMIT, "time_limit reached", r.j);
    default:
      return sipResult(STATUS_QUADRATURE_LIMIT, "an integral needs more than " +
                       std::to_string(QUADRATURE_MAX_POINTS) + " points", r.j);
  }
}

}  // namespace

SipResult runPenaltyLoops(PenaltyRun& r, void (*updateMultipliers)(PenaltyRun&), bool stopOnP2,
                          bool scaleTau, const char* multipliersLabel) {
  OuterEnd end = OUTER_GOES_ON;
  for (r.j = 0; r.j < r.c.options.maxitero; ++r.j) {
    InnerEnd inner = innerLoop(r);
    if (inner == INNER_UNDEFINED && r.j == 0)
      return sipResult(STATUS_EVALUATION_ERROR, "penalty function not finite at the starting point");
    if (inner != INNER_DONE && inner != INNER_UNBOUNDED) {
      finishPenaltyRun(r, multipliersLabel);
      return innerEnd(inner, r);
    }
    if (updateMultipliers) updateMultipliers(r);
    if ((end = outerStep(r, stopOnP2, scaleTau, inner == INNER_UNBOUNDED)) != OUTER_GOES_ON) break;
  }
  finishPenaltyRun(r, multipliersLabel);
  return outerEnd(end, r);
}
