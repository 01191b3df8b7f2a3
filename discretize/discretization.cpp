#include "discretize/discretization.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "kernels/vector_ops.h"
#include "lower_level/grid.h"
#include "subproblem/ipopt_subproblem.h"
#include "core/run_clock.h"
#include "core/sip.h"

namespace ormid {

std::vector<double> initialSpacings(const SipContext& c) {
  const int nt = c.problem.nt;
  std::vector<double> list = c.options.gridSpacing;
  const int n = (int)list.size();
  if (n > 0 && n != nt) {
    c.print(PrintLevel::Details, "User specified %d values to h but there are %d t vars\n", n, nt);
    if (n > nt) {
      c.print(PrintLevel::Details, "Using the first %d values\n", nt);
      list.resize(nt);
    } else {
      c.print(PrintLevel::Details, "Using first %d values and repeat the last value\n", n);
      list.resize(nt, list.back());
    }
  }
  std::vector<double> h = n > 0 ? list : std::vector<double>(nt, 0.01);
  c.print(PrintLevel::Details, "h=(");
  for (int d = 0; d + 1 < nt; ++d) c.print(PrintLevel::Details, "%f,", h[d]);
  if (nt > 0) c.print(PrintLevel::Details, "%f", h[nt - 1]);
  c.print(PrintLevel::Details, ")\n");
  return h;
}

GridPreparation prepareGridMethod(const SipContext& c, std::vector<double>& h) {
  if (c.options.gridLevels <= 0) {
    c.print(PrintLevel::Details, "Number of mesh refines less or equal to zero\n");
    return GRID_NO_LEVEL;
  }
  if (!finiteBox(c)) return GRID_UNUSABLE;
  h = initialSpacings(c);
  return GRID_READY;
}

bool firstGridTooLarge(const SipContext& c, const SubproblemSolver& solver, const std::vector<double>& h) {
  const Problem& p = c.problem;
  double points = 1;
  for (int d = 0; d < p.nt; ++d) points *= (double)std::max(0L, gridValues(p.tl[d], p.tu[d], h[d]));
  return points <= (double)MAX_GRID_POINTS && solver.tooLarge(c, (long)points);
}

GridStart startRegularGrid(const SipContext& c, const SubproblemSolver& solver, bool announceRefinements) {
  GridStart start;
  const GridPreparation prepared = prepareGridMethod(c, start.h);
  if (prepared != GRID_READY) {
    start.refused = unpreparedEnd(prepared);
    return start;
  }
  if (announceRefinements) c.print(PrintLevel::Iterations, "Refinements=%d\n", c.options.gridLevels);
  if (firstGridTooLarge(c, solver, start.h)) {
    start.refused = sipResult(Status::SizeLimit, "the first subproblem is too large");
    return start;
  }
  start.range = normRangeOf(c.problem, c.trace(PrintLevel::Summary));
  start.fullGrid = PointSet(start.range);
  if (!buildMethodGrid(c, start.fullGrid, start.h.data())) {
    start.refused = gridRefused(c, start.h.data());
    return start;
  }
  start.ready = true;
  return start;
}

bool solveOnFirstGrid(SipContext& c, SubproblemSolver& solver, const PointSet& fullGrid, PointSet& working,
                      SubproblemWatch& watch, SubproblemResult* last, Result* end) {
  PointSet::copy(fullGrid, working);
  *last = solver.solve(c, c.x.data(), working);
  return !watch.mustStop(c, *last, working, 0, end);
}

Result unpreparedEnd(GridPreparation why) {
  if (why == GRID_NO_LEVEL)
    return sipResult(Status::IterationLimit, "disc_k asks for no level: the starting point");
  return sipResult(Status::NoPoint, "T cannot be gridded");
}

Result discretizationEnd(const SubproblemResult& last, int levels) {
  const std::string word = "last subproblem " + last.text;
  Result r;
  switch (last.status) {
    case SUB_SOLVED: r = sipResult(Status::Solved, "last subproblem solved", levels); break;
    case SUB_INFEASIBLE: r = sipResult(Status::Infeasible, word, levels); break;
    case SUB_LIMIT: r = sipResult(Status::IterationLimit, word, levels); break;
    case SUB_TIME_LIMIT: r = sipResult(Status::TimeLimit, word, levels); break;
    case SUB_TOO_LARGE: r = sipResult(Status::SizeLimit, word, levels); break;
    case SUB_FAILED: r = sipResult(Status::SubproblemFailure, word, levels); break;
    case SUB_UNAVAILABLE: r = sipResult(Status::NoPoint, "no subproblem solver", levels); break;
  }
  r.objective = last.objective;
  return r;
}

namespace {

// A failure and the working set it happened on, as one comparable string.
// The working set a subproblem failed on, as one comparable string: a set
// that fails twice, in whatever way, would fail again.
std::string failureKey(const PointSet& working) {
  std::string key = std::to_string(working.count());
  working.forEach([&](const GridPoint& q) {
    for (double v : q.t) key.append(reinterpret_cast<const char*>(&v), sizeof v);
  });
  return key;
}

}  // namespace

bool SubproblemWatch::mustStop(const SipContext& c, const SubproblemResult& last,
                               const PointSet& working, int iterations, Result* end) {
  if (timeIsUp(c)) {
    *end = discretizationEnd(last, iterations);
    if (end->hasPoint()) *end = sipResult(Status::TimeLimit, "time_limit reached", iterations);
    return true;
  }
  if (last.status == SUB_UNAVAILABLE || last.status == SUB_TOO_LARGE) {
    *end = discretizationEnd(last, iterations);
    return true;
  }
  if (last.status == SUB_SOLVED) {
    lastFailure_.clear();
    return false;
  }
  std::string key = failureKey(working);
  if (key != lastFailure_) {
    lastFailure_ = key;
    return false;
  }
  *end = discretizationEnd(last, iterations);
  end->message = "the same working set failed twice: " + end->message;
  c.print(PrintLevel::Details, "The subproblem on the same working set failed twice (%s): stopping\n", last.text.c_str());
  return true;
}

Result gridLimitEnd(int levels) {
  return sipResult(Status::SizeLimit, "the finer grid is too large: the coarser grid's point",
                   levels);
}

void addFoundPoints(const SipContext& c, PointSet& set) {
  for (const Point& found : c.foundPoints)
    if ((int)found.t.size() == c.problem.nt)
      set.insertUnique(found.t.data(), norm2(c.problem.nt, found.t.data()), nullptr);
}

Result gridRefused(const SipContext& c, const double* h) {
  const Problem& p = c.problem;
  std::string why = gridProblem(p.nt, p.tl, p.tu, h);
  if (!why.empty() && why.back() == '\n') why.pop_back();
  return sipResult(Status::NoPoint, why.empty() ? "grid too large" : why);
}

bool buildMethodGrid(const SipContext& c, PointSet& set, const double* h) {
  if (!buildProblemGrid(c, set, h)) return false;
  addFoundPoints(c, set);
  return true;
}

void evaluateAll(SipContext& c, PointSet& set, const double* x) {
  const Problem& p = c.problem;
  set.forEach([&](GridPoint& q) {
    for (int i = 0; i < p.mt; ++i) q.g[i] = c.evaluate(Request::InfiniteValue, i, x, q.t.data());
  });
}

bool activeScan(SipContext& c, PointSet& fullGrid, PointSet& active, const double* x) {
  const Problem& p = c.problem;
  const double tol = c.options.generalTolerance;
  evaluateAll(c, fullGrid, x);
  bool added = false;
  fullGrid.forEach([&](const GridPoint& q) {
    for (int i = 0; i < p.mt; ++i)
      if (isActive(q.g[i], p.ctl[i], p.ctu[i], tol))
        added = active.insertUnique(q.t.data(), q.norm, q.g.data()) || added;
  });
  return added;
}

void activeScanWithFallback(SipContext& c, PointSet& fullGrid, PointSet& active,
                            const PointSet& working, const double* x) {
  if (activeScan(c, fullGrid, active, x)) return;
  for (int k = 0; k < PointSet::BUCKETS; ++k)
    for (const GridPoint& q : working.bucket(k))
      if (active.insertUnique(q.t.data(), q.norm, q.g.data())) break;
}

namespace {

// Evaluates the full grid; flags (when asked) every point with an active or
// violated value; true when no value is violated without being active.
bool scanGrid(SipContext& c, PointSet& fullGrid, PointSet* flagged, const double* x) {
  const Problem& p = c.problem;
  const double tol = c.options.generalTolerance;
  evaluateAll(c, fullGrid, x);
  bool feasible = true;
  fullGrid.forEach([&](const GridPoint& q) {
    for (int i = 0; i < p.mt; ++i) {
      bool active = isActive(q.g[i], p.ctl[i], p.ctu[i], tol);
      bool violated = isViolated(q.g[i], p.ctl[i], p.ctu[i], tol);
      if (flagged && (active || violated)) flagged->insertUnique(q.t.data(), q.norm, q.g.data());
      if (violated && !active) feasible = false;
    }
  });
  return feasible;
}

}  // namespace

bool fullGridCheck(SipContext& c, PointSet& fullGrid, PointSet& flagged, const double* x) {
  flagged.clear();
  return scanGrid(c, fullGrid, &flagged, x);
}

bool gridFeasible(SipContext& c, PointSet& fullGrid, const double* x) {
  return scanGrid(c, fullGrid, nullptr, x);
}

void rebuildWorkingSet(PointSet& working, const PointSet& active, const PointSet& flagged) {
  PointSet::copy(active, working);
  PointSet::merge(flagged, working);
}

void checkT(const SipContext& c, PointSet& working, const PointSet& fullGrid) {
  if (working.count() > 0) return;
  c.print(PrintLevel::Details, "Check_T in action\n");
  const GridPoint* best = nullptr;
  double largest = 0;
  fullGrid.forEach([&](const GridPoint& q) {
    for (double v : q.g)
      if (!best || v > largest) {
        best = &q;
        largest = v;
      }
  });
  if (!best && fullGrid.count() > 0) fullGrid.forEach([&](const GridPoint& q) { if (!best) best = &q; });
  if (best) working.insert(best->t.data(), best->norm, best->g.data());
}

int subproblemConstraints(const SipContext& c, const PointSet& working) {
  return c.problem.mx + c.problem.mt * working.count();
}

Summary discretizationSummary(const SipContext& c, int firstGridSize, int gridSize, double f) {
  const Stats& s = c.stats;
  Summary summary;
  summary.kind = SummaryKind::Discretization;
  summary.counts = {firstGridSize, gridSize, s.subproblems};
  summary.values = {(double)s.subproblemIterations / (double)(s.subproblems - 1), c.modelObjective(f)};
  return summary;
}

bool finiteBox(const SipContext& c) {
  const Problem& p = c.problem;
  for (int d = 0; d < p.nt; ++d)
    if (!std::isfinite(p.tu[d] - p.tl[d]) || isMinusInfinity(p.tl[d]) || isPlusInfinity(p.tu[d])) {
      c.print(PrintLevel::Summary, "Infinite variable %d has an infinite bound: no grid can cover it\n", d);
      return false;
    }
  return true;
}

}  // namespace ormid
