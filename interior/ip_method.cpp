// Driver of the interior point method: passes over decreasing smoothing
// levels, Newton iterations on (x, s, lambda) within each.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "interior/ip_run.h"
#include "kernels/vector_ops.h"
#include "kernels/quadrature.h"
#include "kernels/quasi_newton.h"
#include "kernels/stop_tests.h"
#include "core/run_clock.h"
#include "core/sip.h"

namespace ormid {

namespace {

void correctSlacks(IpRun& r) {
  const double tau = r.c.tau;
  for (int i = 0; i < r.c.mt; ++i)
    if (tau * 1e-8 > tau + r.it.s[i]) {
      r.c.sip.print(PrintLevel::Details, "Correcting slack %d iter\n", i);
      r.it.s[i] = tau * 1e-8 - tau;
    }
}

double barrierParameter(const IpRun& r) {
  const Options& o = r.c.sip.options;
  const int mt = r.c.mt;
  if (mt == 0) return 0.0;
  double sum = 0, smallest = HUGE_VAL;
  for (int i = 0; i < mt; ++i) {
    double p = -r.it.lambda[i] * (r.c.tau + r.it.s[i]);
    sum += p;
    smallest = std::min(smallest, p);
  }
  const double avg = sum / mt;
  if (o.barrierUpdate == BarrierUpdate::CentralityWeighted) {
    if (!(avg > 0)) return 0.0;
    double xi = smallest / avg;
    double omega = std::min(0.05 * (1 - xi) / xi, 2.0);
    return o.barrierFraction * omega * omega * omega * avg;
  }
  return o.barrierFraction * avg;
}

void printIterate(const IpRun& r) {
  r.c.sip.printLabelled(PrintLevel::Details, "X1:\n", r.it.x);
  r.c.sip.printLabelled(PrintLevel::Details, "S1:\n", r.it.s);
  r.c.sip.printLabelled(PrintLevel::Details, "LAG1:\n", r.it.lambda);
  r.c.sip.printLabelled(PrintLevel::Details, "Gradient x1:\n", r.e.gradL);
  r.c.sip.printLabelled(PrintLevel::Details, "Gradient l1:\n", r.e.r);
  r.c.sip.printLabelled(PrintLevel::Details, "Term1:\n", r.e.I);
  r.c.sip.print(PrintLevel::Details, "Jac1:\n");
  r.c.sip.printMatrix(PrintLevel::Details, r.e.J.data(), r.c.mt, r.c.nx);
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
  const Options& o = r.c.sip.options;
  if (o.kktOrdering == KktOrdering::Primal)
    bfgsUpdate(r.B.data(), j, nx, r.it.x.data(), xPrev, r.e.gradL.data(), yBase.data(), bfgsRules(o),
               r.c.sip.trace(PrintLevel::Details));
  else
    bfgsDirectUpdate(r.B.data(), j, nx, r.it.x.data(), xPrev, r.e.gradL.data(), yBase.data(), bfgsRules(o));
}

enum PassEnd { PASS_CONTINUES, METHOD_STOPS, START_FAILS, BREAKDOWN, TIME_UP, QUADRATURE_CUT };

bool evaluationFailed(const IpEval& e) {
  return !std::isfinite(e.L) || !allFinite((int)e.gradL.size(), e.gradL.data());
}

// Newton iterations of one smoothing level.
PassEnd runPass(IpRun& r, int k, Vec& xPrevLevel, bool& levelConverged) {
  SipContext& c = r.c.sip;
  const Options& o = c.options;
  initialSlacksAndMultipliers(r.c, r.it, k);
  int j = 0;
  PassEnd end = PASS_CONTINUES;
  const int cutsAtStart = c.stats.quadratureCuts;
  for (; r.total + j < o.maxOuterIterations; ++j) {
    if (c.stats.quadratureCuts > cutsAtStart || timeIsUp(c)) {
      end = c.stats.quadratureCuts > cutsAtStart ? QUADRATURE_CUT : TIME_UP;
      break;
    }
    correctSlacks(r);
    r.mu = barrierParameter(r);
    evaluateLagrangian(r.c, r.it, r.mu, r.e);
    if (evaluationFailed(r.e)) {
      end = r.total + j == 0 ? START_FAILS : BREAKDOWN;
      if (end == BREAKDOWN && !r.lastGood.x.empty()) r.it = r.lastGood;
      break;
    }
    r.lastGood = r.it;
    printIterate(r);
    r.res = stoppingResiduals(r.c, r.it, r.e);
    if (r.res.rho <= o.interiorTolerance && r.res.sigma <= o.interiorTolerance) {
      if (levelConverged && epsStopTest(r.c.nx, xPrevLevel.data(), r.it.x.data(), o.generalTolerance,
                                        o.smoothingTolerance, r.c.sip.trace(PrintLevel::Details))) {
        r.c.sip.print(PrintLevel::Details, "Precision on eps satisfied\n");
        end = METHOD_STOPS;
        break;
      }
      xPrevLevel = r.it.x;
      levelConverged = true;
      r.c.sip.print(PrintLevel::Details, "Decreasing epsilon\n");
      r.c.eps *= o.smoothingReduction;
      r.c.tau *= o.smoothingReduction;
      break;
    }
    quasiNewtonUpdate(r, j);
    r.prevIt = r.it;
    r.prevE = r.e;
    if (!newtonDirection(r.c, r.it, r.e, r.B, r.mu, r.d)) {
      end = BREAKDOWN;
      break;
    }
    r.c.sip.printLabelled(PrintLevel::Details, "Direction:\n", r.d);
    double dn = norm2((int)r.d.size(), r.d.data());
    if (dn < o.interiorTolerance) {
      r.c.sip.print(PrintLevel::Details, "Directional norm too small %f\n", dn);
      break;
    }
    if (o.limitDirection)
      scaleDirection((int)r.d.size(), r.d.data(), o.directionLengthMin, o.directionLengthMax,
                     r.c.sip.trace(PrintLevel::Details));
    if (!lineSearch(r, j == 0)) {
      r.c.sip.print(PrintLevel::Details, "No progress in linesearch\n");
      break;
    }
    r.c.sip.print(PrintLevel::Iterations, "%5d %4.20f %4.20f %4.20f\n", r.total + j, r.mu, r.res.rho, r.res.sigma);
    r.c.sip.iterationDone("interior", r.total + j, r.it.x.data(), r.res.rho);
  }
  r.total += j + 1;
  return end;
}

// The last point's report; returns the figures of the summary row.
Summary report(IpRun& r) {
  SipContext& c = r.c.sip;
  if (!r.it.x.empty()) c.x = r.it.x;
  r.c.sip.printLabelled(PrintLevel::Details, "Solution found\n", r.it.x);
  r.c.sip.print(PrintLevel::Details, "Objective function value\n");
  r.c.sip.print(PrintLevel::Details, "%f\n", c.modelObjective(r.e.f));
  double f = r.it.x.empty() ? NAN : c.evaluate(Request::ObjectiveValue, 0, r.it.x.data());
  r.c.sip.printLabelled(PrintLevel::Details, "Gradient of lagrangian:\n", r.e.gradL);
  Summary summary;
  summary.kind = SummaryKind::InteriorPoint;
  summary.counts = {r.total, r.c.meritEvaluations};
  summary.values = {c.modelObjective(f), r.res.rho, r.res.sigma, r.mu, r.c.eps};
  return summary;
}

Result passResult(PassEnd end, const IpRun& r, bool iterationLimit) {
  if (end == TIME_UP) return sipResult(Status::TimeLimit, "time_limit reached", r.total);
  if (end == QUADRATURE_CUT)
    return sipResult(Status::QuadratureLimit, "an integral needs more than " +
                     std::to_string(QUADRATURE_MAX_POINTS) + " points", r.total);
  if (end == BREAKDOWN) return sipResult(Status::Breakdown, "Newton system singular or evaluation failed", r.total);
  if (iterationLimit) return sipResult(Status::IterationLimit, "maxitero iterations", r.total);
  return sipResult(Status::Solved, "stop test met", r.total);
}

}  // namespace

Result interiorPointMethod(SipContext& c) {
  const std::string refusal = integralShapeRefusal(c.problem);
  if (!refusal.empty()) return sipResult(Status::InvalidInput, "the interior point method " + refusal);
  if (!integrationDomainUsable(c)) return sipResult(Status::NoPoint, "T cannot be integrated");
  const Options& o = c.options;
  c.scaleSmallObjective();
  IpRun r(c);
  r.it.x = c.x;
  r.B.assign((long)r.c.nx * r.c.nx, 0.0);
  r.c.tau = r.c.eps / 100;
  r.c.sip.print(PrintLevel::Details, "Tau=%f\n", r.c.tau);
  r.c.sip.print(PrintLevel::Details, "%-5s %-24s %-24s %-24s\n", "Iter", "Mu", "Primal", "Dual");
  Vec xPrevLevel;
  bool levelConverged = false, iterationLimit = false;
  PassEnd end = PASS_CONTINUES;
  for (int k = 0;; ++k) {
    end = runPass(r, k, xPrevLevel, levelConverged);
    if (end == START_FAILS)
      return sipResult(Status::EvaluationError, "integrals not defined at the starting point");
    if (end != PASS_CONTINUES) break;
    if ((iterationLimit = r.total > o.maxOuterIterations)) break;
    // eps falls only when a level has converged.
    if (r.c.eps < o.smoothingFloor) {
      r.c.sip.print(PrintLevel::Details, "Limit on eps precision\n");
      break;
    }
  }
  Summary summary = report(r);
  Result result = passResult(end, r, iterationLimit);
  result.summary = std::move(summary);
  return result;
}

}  // namespace ormid
