// The exchange method: solve the finite subproblem on a small working set of
// points of T, add the maximisers of the constraints' violation at its
// solution, drop points that stay idle, and solve again warm-started, until
// no point of T is violated.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "lower_level/lower_level.h"
#include "subproblem/ipopt_subproblem.h"
#include "exchange/reduction.h"
#include "core/run_clock.h"
#include "core/sip.h"
#include "exchange/working_set.h"

namespace ormid {

namespace {

// Local maxima climbed per constraint and iteration: as many as the
// certificate climbs (a solution may need one per variable).
int starts(const Problem& p) { return std::max(5, p.nx + 5); }
// The Newton phase is tried after every subproblem, at most this many
// times. A degenerate lower level does not end the tries: a maximiser
// passing through a degenerate shape (two merging along a ridge) while the
// exchange phase converges is regular again a few subproblems later.
const int REDUCTION_TRIES = 20;
// After a failed try the next waits until the exchange phase has cut the
// violation to this share of what it was then: from a point hardly nearer
// the Newton phase fails again, and a try costs several linear subproblems.
const double RETRY_CUT = 0.3;
// The stop tolerance of the exchange phase's last subproblem, on its scale.
const double FINAL_TOLERANCE = 1e-12;
// The subproblems' optimal value has settled once it rises by less than
// this share of itself.
const double SETTLED = 1e-6;
// Violations above this share of the constraint's scale are never its
// rounding (roundingLevel is not asked).
const double ROUNDING_GATE = 1e-3;
// A subproblem whose point is violated this many times more than the last
// one's (and than the constraints' scale) has run off.
const double RAN_OFF = 100;

// A trust region on each subproblem's step: x_i moves by at most STEP_REACH
// times its size at the start (at least one), doubled after each subproblem
// that ends on it. A working set that does not yet bound x (a pole of g
// that no point holds off, a combination of terms that vanishes at every
// point) would otherwise send x off by 1e15 in one step, where the next
// scan may see nothing.
const double STEP_REACH = 1e3;

struct TrustRegion {
  std::vector<double> radius;

  explicit TrustRegion(const std::vector<double>& start) {
    for (double v : start) radius.push_back(STEP_REACH * std::max(1.0, std::fabs(v)));
  }
  // Whether the step from before to after ends on the region's edge (and
  // the region then grows along it); bounds of x that hold the step are
  // not the region's.
  bool reached(const Problem& p, const std::vector<double>& before, const std::vector<double>& after) {
    bool onEdge = false;
    for (size_t i = 0; i < radius.size(); ++i) {
      const double step = std::fabs(after[i] - before[i]);
      const bool ownBound = after[i] <= p.xl[i] || after[i] >= p.xu[i];
      if (step < 0.999 * radius[i] || ownBound) continue;
      radius[i] *= 2;
      onEdge = true;
    }
    return onEdge;
  }
};

struct LowerLevelOutcome {
  double worst = -HUGE_VAL;  // largest violation relative to the constraint's own scale
  int added = 0;
  std::vector<double> magnitude;  // each constraint's largest |g| over T
  bool atRounding = false;        // some maximiser violated only within the evaluations' rounding
};

// Solves the lower-level problem at x and adds every maximiser violated by
// more than addAbove (relative to the constraint's own scale). With rows
// linear in x, a violation within the rounding of the evaluations
// (roundingLevel) is none: a constraint of size 1e-8 made of terms of size
// one cannot be held closer.
LowerLevelOutcome exchangePoints(SipContext& c, const Scan& scan, WorkingSet& set, double addAbove,
                                 bool linearRows) {
  const Problem& p = c.problem;
  LowerLevelOutcome out;
  out.magnitude.assign(p.mt, 0.0);
  long evaluations = 0;
  for (int j = 0; j < p.mt; ++j) {
    // Kept: the Newton phase's first scan, or the certificate's, is this one.
    ViolationFunction v{p, c.x.data(), j, &evaluations, &c.scans};
    std::vector<int> sides;
    std::vector<double> values = scanValues(v, scan, &sides);
    out.magnitude[j] = largestMagnitude(p, j, values, sides);
    for (const LocalMaximum& m : localMaxima(v, scan, values, starts(p))) {
      double relative = m.violation / ownScale(boundOfSide(p, j, m.side), out.magnitude[j]);
      if (relative > addAbove && relative <= ROUNDING_GATE && linearRows &&
          m.violation <= roundingLevel(p, j, c.x.data(), m.t.data(), &evaluations)) {
        relative = addAbove;
        out.atRounding = true;
      }
      out.worst = std::max(out.worst, relative);
      if (relative > addAbove && set.add(m.t, j)) ++out.added;
    }
  }
  c.countInfiniteValues(evaluations);
  return out;
}

Result subproblemEnd(const SubproblemResult& r, int iterations) {
  switch (r.status) {
    case SUB_INFEASIBLE: return sipResult(Status::Infeasible, "subproblem " + r.text, iterations);
    case SUB_LIMIT: return sipResult(Status::IterationLimit, "subproblem " + r.text, iterations);
    case SUB_TIME_LIMIT: return sipResult(Status::TimeLimit, "time_limit reached", iterations);
    case SUB_TOO_LARGE: return sipResult(Status::SizeLimit, "subproblem too large", iterations);
    case SUB_UNAVAILABLE: return sipResult(Status::NoPoint, "no subproblem solver", iterations);
    default: return sipResult(Status::SubproblemFailure, "subproblem " + r.text, iterations);
  }
}

// The objective's factor on the problem's own scale: 1 / |f| where |f| is
// below one.
double objectiveScaling(double f) {
  f = std::fabs(f);
  return f > 0 && f < 1 ? std::min(1.0 / f, LARGEST_SCALE) : 1.0;
}

// The next subproblem on the problem's own scale: the objective by its
// size where that is below one, each infinite constraint by its own scale.
SubproblemScaling ownScaling(const Problem& p, double f, const LowerLevelOutcome& level) {
  SubproblemScaling s;
  s.objective = objectiveScaling(f);
  for (int j = 0; j < p.mt; ++j) {
    double scale = HUGE_VAL;
    for (int side : {1, -1})
      if (!(side > 0 ? isPlusInfinity(p.ctu[j]) : isMinusInfinity(p.ctl[j])))
        scale = std::min(scale, ownScale(boundOfSide(p, j, side), level.magnitude[j]));
    s.infinite.push_back(std::isfinite(scale) ? std::min(1.0 / scale, LARGEST_SCALE) : 1.0);
  }
  return s;
}

// A subproblem solved on another scale than the point's may have stopped
// short: its tolerances were absolute for the objective or constraints
// as they are now.
bool grew(double now, double used) { return now > 2 * used; }

bool rescaled(const SubproblemScaling& used, const SubproblemScaling& now) {
  if (grew(now.objective, used.objective)) return true;
  for (size_t j = 0; j < now.infinite.size(); ++j)
    if (grew(now.infinite[j], j < used.infinite.size() ? used.infinite[j] : 1.0)) return true;
  return false;
}

bool finiteT(const SipContext& c) {
  const Problem& p = c.problem;
  for (int d = 0; d < p.nt; ++d)
    if (isMinusInfinity(p.tl[d]) || isPlusInfinity(p.tu[d]) || !std::isfinite(p.tu[d] - p.tl[d])) {
      c.print(PrintLevel::Summary, "Infinite variable %d has an infinite bound: the exchange method needs a box\n", d);
      return false;
    }
  return true;
}

void printPoint(const SipContext& c, const std::vector<double>& t) {
  c.print(PrintLevel::Iterations, "(");
  for (size_t d = 0; d < t.size(); ++d) c.print(PrintLevel::Iterations, d ? ", %.10g" : "%.10g", t[d]);
  c.print(PrintLevel::Iterations, ")");
}

// The Newton phase from the last subproblem's point. Converged: the answer.
// New maximisers join the working set. Otherwise the exchange phase goes on.
struct NewtonPhase {
  int tries = 0;
  bool addedPoints = false;
  double failedAt = HUGE_VAL;  // the exchange phase's violation at the last failed try

  // Where the exchange phase is about to stop (`stopping`) the phase is tried
  // whatever the last failure.
  bool due(const Options& o, double violation, bool stopping) const {
    return o.reducedNewton && tries < REDUCTION_TRIES && (stopping || violation <= RETRY_CUT * failedAt);
  }

  bool converges(SipContext& c, const Scan& scan, const PointList& points,
                 const std::vector<double>& lambda, double violation, WorkingSet& set,
                 std::string* message) {
    ++tries;
    addedPoints = false;
    ReductionOutcome r = reduce(c, scan, points, lambda);
    if (r.end != ReductionEnd::Converged) failedAt = violation;
    switch (r.end) {
      case ReductionEnd::Converged: {
        char text[160];
        snprintf(text, sizeof text, "Newton phase converged in %d steps, KKT residual %.1e%s%s",
                 r.steps, r.kkt, r.message.empty() ? "" : ", ", r.message.c_str());
        *message = text;
        return true;
      }
      case ReductionEnd::NewMaximisers:
        for (const std::vector<double>& t : r.newPoints) {
          c.print(PrintLevel::Iterations, "New maximiser at t = ");
          printPoint(c, t);
          c.print(PrintLevel::Iterations, ": back to the exchange phase\n");
          addedPoints = set.add(t) || addedPoints;
        }
        return false;
      case ReductionEnd::Degenerate:
        c.print(PrintLevel::Iterations, "Lower level degenerate (%s): back to the exchange phase\n",
                r.message.c_str());
        return false;
      case ReductionEnd::NoProgress:
        c.print(PrintLevel::Iterations, "Newton phase: %s: back to the exchange phase\n", r.message.c_str());
        return false;
    }
    return false;
  }
};

}  // namespace

Result exchangeMethod(SipContext& c, SubproblemSolver* given) {
  const Problem& p = c.problem;
  const Options& o = c.options;
  if (!finiteT(c)) return sipResult(Status::NoPoint, "T is not a box");
  IpoptSubproblemSolver ipopt(true);
  SubproblemSolver& solver = given ? *given : ipopt;
  WorkingSet set(p, p.nt == 1 && problemLinearInX(p));
  addPoints(set, c.foundPoints);
  addPoints(set, c.seedPoints);
  const Scan scan = scanPoints(p), coarse = coarseScan(p);
  const bool linearRows = constraintsLinearInX(p);
  // Points go in while violated by more than a hundredth of feas_tol, so
  // that the certificate finds the answer feasible.
  const double addAbove = 1e-2 * o.feasibilityTolerance;
  NewtonPhase newton;
  TrustRegion trust(c.x);
  SubproblemScaling scaling;
  std::vector<double> magnitude;  // each constraint's largest |g| over T at the last x
  double lastWorst = HUGE_VAL, lastObjective = -HUGE_VAL;
  bool settling = false;
  // The least violated point the scans have seen: a run that ends at a
  // limit or a failure after it ends there, not at its last point (a 2-D
  // design's last subproblem may break the constraints by 0.3 where one
  // before it was feasible to 1e-8).
  std::vector<double> leastViolated;
  double leastViolation = HUGE_VAL;
  auto limitEnd = [&](Result end) {
    if (!leastViolated.empty()) c.x = leastViolated;
    return end;
  };
  c.print(PrintLevel::Iterations, "Iter\tPoints\tObjective\tViolation\tSubproblem\n");
  for (int it = 0; it < o.maxExchangeIterations; ++it) {
    if (timeIsUp(c)) return limitEnd(sipResult(Status::TimeLimit, "time_limit reached", it));
    std::vector<double> warm = set.warmStart(), before = c.x;
    const std::vector<char> held = set.held();
    const SubproblemScaling used = scaling;
    SubproblemScaling settings = used;
    settings.stepBound = trust.radius;
    settings.nearestOnFace = settling;
    if (it == 0) settings.objective = 0;  // the solver's own objective scale
    SubproblemResult r = solver.solveOn(c, c.x.data(), set.points(), it > 0 ? &warm : nullptr, &settings, &held);
    const bool onEdge = r.status == SUB_SOLVED && trust.reached(p, before, c.x);
    if (r.status == SUB_UNAVAILABLE || (r.status == SUB_TOO_LARGE && it == 0))
      return limitEnd(subproblemEnd(r, it));
    // A subproblem on too few points of T can be unbounded: back to the last
    // point, with a finer start.
    if ((r.status == SUB_LIMIT || r.status == SUB_FAILED) && set.refineStart()) {
      c.x = before;
      c.print(PrintLevel::Iterations, "Subproblem %s: the start now has %d values per coordinate\n", r.text.c_str(),
             set.startValues());
      continue;
    }
    const PointList solvedOn = set.points();
    const bool rose = r.objective > lastObjective + 1e-10 * std::fabs(r.objective);
    // Once the value settles while points are still violated, an optimal
    // face's far corners would take turns: the next subproblems keep to the
    // face's point nearest to the last iterate.
    settling = settling || (it > 0 && !(r.objective > lastObjective + SETTLED * std::fabs(r.objective)));
    set.update(r.lambda, p, c.x.data(), magnitude, rose);
    lastObjective = r.objective;
    // The coarse scan finds the maximisers to add; the full one has the last
    // word before the exchange phase stops on its own (not before a
    // subproblem solved with another objective scale is solved again).
    const double f = c.evaluate(Request::ObjectiveValue, 0, c.x.data());
    LowerLevelOutcome level = exchangePoints(c, coarse, set, addAbove, linearRows);
    if ((level.worst <= addAbove || level.added == 0) && !grew(objectiveScaling(f), used.objective))
      level = exchangePoints(c, scan, set, addAbove, linearRows);
    magnitude = level.magnitude;
    const double tolerance = scaling.tolerance;
    scaling = ownScaling(p, f, level);
    scaling.tolerance = tolerance;
    c.print(PrintLevel::Iterations, "%d\t%d\t%.10e\t%.3e\t%s\n", it, (int)set.size(), c.modelObjective(r.objective),
           std::max(0.0, level.worst), r.text.c_str());
    c.iterationDone("exchange", it + 1, c.x.data(), std::max(0.0, level.worst));
    if (level.worst < leastViolation) leastViolation = level.worst, leastViolated = c.x;
    if (r.status != SUB_SOLVED) return limitEnd(subproblemEnd(r, it + 1));
    // A subproblem the working set did not bound leaves x far off (a
    // regular grid of T fixes no combination of terms that vanishes on it):
    // the next one starts from the last point, with the maximisers found.
    const bool ranOff = level.worst > RAN_OFF * std::max(1.0, lastWorst);
    lastWorst = level.worst;
    if (ranOff && level.added > 0) {
      c.x = before;
      continue;
    }
    std::string converged;
    // A subproblem solved on another scale says little of the maximisers.
    const bool stopping = level.worst <= addAbove || level.added == 0;
    // Held to the rounding of the evaluations, the point has nothing left
    // for the Newton phase to polish.
    const bool rounded = level.atRounding && level.worst <= addAbove;
    if (!rounded && newton.due(o, level.worst, stopping) && !rescaled(used, scaling)) {
      if (newton.converges(c, scan, solvedOn, r.lambda, level.worst, set, &converged)) {
        return sipResult(Status::Solved, converged, it + 1);
      }
      if (newton.addedPoints) continue;
    }
    if (rescaled(used, scaling) || onEdge) continue;  // the subproblem's optimum may lie further
    if (level.worst <= addAbove) {
      // Without the Newton phase the answer is the subproblem's: the last
      // one is solved again to full accuracy, warm-started.
      if (scaling.tolerance == 0 && r.status == SUB_SOLVED) {
        scaling.tolerance = FINAL_TOLERANCE;
        continue;
      }
      return sipResult(Status::Solved, "no point of T violated", it + 1);
    }
    if (level.added == 0)  // Ipopt's acceptable points may leave them a little violated
      return sipResult(Status::Uncertain, "every violated maximiser is in the working set", it + 1);
  }
  return limitEnd(sipResult(Status::IterationLimit, "exchange_maxit iterations", o.maxExchangeIterations));
}

}  // namespace ormid
