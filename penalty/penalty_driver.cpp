#include "penalty/penalty_driver.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "penalty/penalty.h"
#include "core/run_clock.h"
#include "core/sip.h"

namespace ormid {

PenaltyRun::PenaltyRun(SipContext& context, bool withMultipliers) : c(context) {
  c.scaleSmallObjective();
  const Problem& p = c.problem;
  nx = p.nx;
  nt = p.nt;
  eps = c.options.initialSmoothing;
  x = c.x;
  xEps = x;
  xPrev.assign(nx, 0.0);
  g.assign(nx, 0.0);
  gPrev.assign(nx, 0.0);
  d.assign(nx, 0.0);
  t.assign(nt > 0 ? nt : 1, 0.0);
  H.assign((long)nx * nx, 0.0);
  miu = c.options.initialPenalty;
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
  weightedPenaltyGradient(r.c, r.nx, r.x.data(), r.eps, r.t.data(), r.miu, r.weights(),
                          r.cs.empty() ? nullptr : r.cs.data(), r.g.data(), &r.P, &r.pt);
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
  bfgsUpdate(r.H.data(), k, r.nx, r.x.data(), r.xPrev.data(), r.g.data(), r.gPrev.data(),
             bfgsRules(r.c.options), r.c.trace(PrintLevel::Details));
  r.xPrev = r.x;
  r.gPrev = r.g;
  r.Pprev = r.P;
  quasiNewtonDirection(r.nx, r.H.data(), r.gPrev.data(), r.d.data());
  r.c.printLabelled(PrintLevel::Details, "X: ", r.xPrev);
  r.c.print(PrintLevel::Details, "Penalty %f\n", r.Pprev);
  r.c.printLabelled(PrintLevel::Details, "Gradient: ", r.gPrev);
  r.c.printLabelled(PrintLevel::Details, "Direction: ", r.d);
  if (k == 0) capFirstStep(r);
  const Options& o = r.c.options;
  if (o.limitDirection)
    scaleDirection(r.nx, r.d.data(), o.directionLengthMin, o.directionLengthMax, r.c.trace(PrintLevel::Details));
  if (o.meritFunction != MeritFunction::Default) r.c.print(PrintLevel::Details, "Unknown LineSearch\nUsing Armijo\n");
  double alpha = weightedArmijoSearch(r.c, r.nx, r.xPrev.data(), r.d.data(), r.x.data(),
                                      r.gPrev.data(), r.miu, r.eps, r.weights());
  r.c.printLabelled(PrintLevel::Details, "X: ", r.x);
  gradientAtX(r);
  r.c.print(PrintLevel::Details, "Penalty terms %f %f constraints %f\n", r.Pprev, r.P, r.pt);
  if (!innerStopTest(r.nx, r.xPrev.data(), r.x.data(), r.g.data(), r.c.options.innerTolerance,
                     r.c.trace(PrintLevel::Details))) return false;
  // A step cut short by the search is small because the model was poor, not
  // because x is near a minimiser: only a full step (or none) ends the loop.
  if (alpha == 1.0 || alpha == 0.0 || dot(r.nx, r.g.data(), r.g.data()) < 1e-8) return true;
  r.c.print(PrintLevel::Details, "Not stopping in inner iteration step=%f\n", alpha);
  return false;
}

// The limits checked after every evaluation of the gradient.
InnerEnd limitReached(const SipContext& c, int cutsAtStart) {
  if (c.stats.quadratureCuts > cutsAtStart) return INNER_QUADRATURE_CUT;
  if (timeIsUp(c)) return INNER_TIME_UP;
  return INNER_DONE;
}

}  // namespace

InnerEnd innerLoop(PenaltyRun& r) {
  r.c.print(PrintLevel::Details, "STARTING INNER ITERATIONS ********** miu=%f, epsilon=%f\n", r.miu, r.eps);
  const int cutsAtStart = r.c.stats.quadratureCuts;
  gradientAtX(r);
  if (!std::isfinite(r.P) || !allFinite(r.nx, r.g.data())) return INNER_UNDEFINED;
  const std::vector<double> xStart = r.x;
  const double runaway = UNBOUNDED_GROWTH * std::fmax(1.0, norm2(r.nx, xStart.data()));
  InnerEnd end = limitReached(r.c, cutsAtStart);
  int k = 0;
  for (; end == INNER_DONE && k < r.c.options.maxInnerIterations; ++k) {
    bool stop = innerStep(r, k);
    if ((end = limitReached(r.c, cutsAtStart)) != INNER_DONE) break;
    if (!(norm2(r.nx, r.x.data()) <= runaway)) {
      r.c.print(PrintLevel::Details, "Penalty function unbounded below\n");
      r.x = xStart;
      gradientAtX(r);
      end = INNER_UNBOUNDED;
      break;
    }
    if (stop) {
      r.c.print(PrintLevel::Details, "INNER STOPPING IN ITERATION ********* %d\n", k + 1);
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
  const Options& o = r.c.options;
  if (o.penaltyType == PenaltyType::Quadratic || r.miu * o.penaltyIncrease > PENALTY_LIMIT) return false;
  return largestViolation(r.c, r.x.data()) > std::fmax(o.feasibilityTolerance, r.eps);
}

}  // namespace

OuterEnd outerStep(PenaltyRun& r, bool stopOnP2, bool unbounded) {
  const Options& o = r.c.options;
  if (unbounded || r.pt > o.generalTolerance || peakNeedsPenalty(r)) {
    r.c.print(PrintLevel::Details, "Increasing penalty\n");
    r.miu *= o.penaltyIncrease;
    return r.miu > PENALTY_LIMIT ? OUTER_PENALTY_LIMIT : OUTER_GOES_ON;
  }
  if (stopOnP2 && o.penaltyType == PenaltyType::Quadratic) return OUTER_CONVERGED;
  if (r.epsDecreases > 0 && epsStopTest(r.nx, r.xEps.data(), r.x.data(), o.generalTolerance, o.smoothingTolerance,
                                        r.c.trace(PrintLevel::Details)))
    return OUTER_CONVERGED;
  ++r.epsDecreases;
  r.xEps = r.x;
  r.c.print(PrintLevel::Details, "Decreasing epsilon\n");
  r.eps /= 10;
  return r.eps < 1e-8 ? OUTER_CONVERGED : OUTER_GOES_ON;
}

namespace {

// The last point's report; returns the figures of the summary row.
Summary finishPenaltyRun(PenaltyRun& r, const char* multipliersLabel) {
  SipContext& c = r.c;
  r.c.print(PrintLevel::Details, "STOPPING IN ITERATION ********* %d\n", r.j + 1);
  c.x = r.x;
  r.c.printLabelled(PrintLevel::Details, "Solution found\n", r.x);
  r.c.print(PrintLevel::Details, "Penalty function value\n");
  r.c.print(PrintLevel::Details, "%f\n", r.P);
  if (multipliersLabel) r.c.printLabelled(PrintLevel::Details, multipliersLabel, r.lambda);
  double fval = c.evaluate(Request::ObjectiveValue, 0, r.x.data());
  Summary summary;
  summary.kind = SummaryKind::Penalty;
  summary.counts = {r.totalInner, r.j + 1, c.stats.penaltyValues, c.stats.penaltyGradients};
  summary.values = {c.modelObjective(fval), r.miu, r.eps};
  r.c.printLabelled(PrintLevel::Details, "Gradient of penalty:\n", r.g);
  c.evaluate(Request::ObjectiveGradient, 0, r.x.data(), nullptr, r.g.data());
  for (double& v : r.g) v = c.modelObjective(v);
  r.c.printLabelled(PrintLevel::Details, "Gradient of objective:\n", r.g);
  return summary;
}

Result withSummary(Result r, Summary s) {
  r.summary = std::move(s);
  return r;
}

Result outerEnd(OuterEnd end, const PenaltyRun& r) {
  switch (end) {
    case OUTER_CONVERGED: return sipResult(Status::Solved, "stop test met", r.j + 1);
    case OUTER_PENALTY_LIMIT:
      return sipResult(Status::Infeasible, "penalty parameter above 1e8 with the constraints violated",
                       r.j + 1);
    default: return sipResult(Status::IterationLimit, "maxitero outer iterations", r.j);
  }
}

Result innerEnd(InnerEnd end, const PenaltyRun& r) {
  switch (end) {
    case INNER_UNDEFINED: return sipResult(Status::Breakdown, "penalty function overflows", r.j);
    case INNER_TIME_UP: return sipResult(Status::TimeLimit, "time_limit reached", r.j);
    default:
      return sipResult(Status::QuadratureLimit, "an integral needs more than " +
                       std::to_string(QUADRATURE_MAX_POINTS) + " points", r.j);
  }
}

}  // namespace

Result runPenaltyLoops(PenaltyRun& r, void (*updateMultipliers)(PenaltyRun&), bool stopOnP2,
                       const char* multipliersLabel) {
  OuterEnd end = OUTER_GOES_ON;
  for (r.j = 0; r.j < r.c.options.maxOuterIterations; ++r.j) {
    InnerEnd inner = innerLoop(r);
    if (inner == INNER_UNDEFINED && r.j == 0)
      return sipResult(Status::EvaluationError, "penalty function not finite at the starting point");
    if (inner != INNER_DONE && inner != INNER_UNBOUNDED) {
      Summary summary = finishPenaltyRun(r, multipliersLabel);
      return withSummary(innerEnd(inner, r), std::move(summary));
    }
    if (updateMultipliers) updateMultipliers(r);
    r.c.iterationDone("outer", r.j + 1, r.x.data(), NAN);
    if ((end = outerStep(r, stopOnP2, inner == INNER_UNBOUNDED)) != OUTER_GOES_ON) break;
  }
  Summary summary = finishPenaltyRun(r, multipliersLabel);
  return withSummary(outerEnd(end, r), std::move(summary));
}

}  // namespace ormid
