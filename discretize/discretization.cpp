#include "discretization.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "grid.h"
#include "ipopt_subproblem.h"
#include "results_file.h"
#include "run_clock.h"
#include "sip.h"

std::vector<double> initialSpacings(const SipContext& c) {
  const int nt = c.problem.nt;
  std::vector<double> list = c.options.disc_h;
  const int n = (int)list.size();
  if (n > 0 && n != nt) {
    printf("User specified %d values to h but there are %d t vars\n", n, nt);
    if (n > nt) {
      printf("Using the first %d values\n", nt);
      list.resize(nt);
    } else {
      printf("Using first %d values and repeat the last value\n", n);
      list.resize(nt, list.back());
    }
  }
  std::vector<double> h = n > 0 ? list : std::vector<double>(nt, 0.01);
  printf("h=(");
  for (int d = 0; d + 1 < nt; ++d) printf("%f,", h[d]);
  if (nt > 0) printf("%f", h[nt - 1]);
  printf(")\n");
  return h;
}

GridPreparation prepareGridMethod(const SipContext& c, std::vector<double>& h) {
  if (c.options.disc_k <= 0) {
    printf("Number of mesh refines less or equal to zero\n");
    return GRID_NO_LEVEL;
  }
  if (!finiteBox(c.problem)) return GRID_UNUSABLE;
  h = initialSpacings(c);
  return GRID_READY;
}

bool firstGridTooLarge(const SipContext& c, const std::vector<double>& h) {
  if (c.subproblemSolver || c.options.disc_nlp != DISC_NLP_IPOPT) return false;
  const SipProblem& p = c.problem;
  double points = 1;
  for (int d = 0; d < p.nt; ++d) points *= (double)std::max(0L, gridValues(p.tl[d], p.tu[d], h[d]));
  return points <= (double)MAX_GRID_POINTS && subproblemTooLarge(p, (long)points);
}

SipResult unpreparedEnd(GridPreparation why) {
  if (why == GRID_NO_LEVEL)
    return sipResult(STATUS_ITERATION_LIMIT, "disc_k asks for no level: the starting point");
  return sipResult(STATUS_NO_POINT, "T cannot be gridded");
}

SipResult discretizationEnd(const SubproblemResult& last, int levels) {
  const std::string word = "last subproblem " + last.text;
  SipResult r;
  switch (last.status) {
    case SUB_SOLVED: r = sipResult(STATUS_SOLVED, "last subproblem solved", levels); break;
    case SUB_INFEASIBLE: r = sipResult(STATUS_INFEASIBLE, word, levels); break;
    case SUB_LIMIT: r = sipResult(STATUS_ITERATION_LIMIT, word, levels); break;
    case SUB_TIME_LIMIT: r = sipResult(STATUS_TIME_LIMIT, word, levels); break;
    case SUB_TOO_LARGE: r = sipResult(STATUS_SIZE_LIMIT, word, levels); break;
    case SUB_FAILED: r = sipResult(STATUS_SUBPROBLEM_FAILURE, word, levels); break;
    case SUB_UNAVAILABLE: r = sipResult(STATUS_NO_POINT, "no subproblem solver", levels); break;
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
                               const PointSet& working, int iterations, SipResult* end) {
  if (timeIsUp(c)) {
    *end = discretizationEnd(last, iterations);
    if (end->hasPoint()) *end = sipResult(STATUS_TIME_LIMIT, "time_limit reached", iterations);
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
  printf("The subproblem on the same working set failed twice (%s): stopping\n", last.text.c_str());
  return true;
}

SipResult gridLimitEnd(int levels) {
  return sipResult(STATUS_SIZE_LIMIT, "the finer grid is too large: the coarser grid's point",
                   levels);
}

void evaluateAll(SipContext& c, PointSet& set, const double* x) {
  const SipProblem& p = c.problem;
  set.forEach([&](GridPoint& q) {
    for (int i = 0; i < p.mt; ++i) q.g[i] = c.evaluate(REQ_CONTVAL, i, x, q.t.data());
  });
}

bool activeScan(SipContext& c, PointSet& fullGrid, PointSet& active, const double* x) {
  const SipProblem& p = c.problem;
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
  const SipProblem& p = c.problem;
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

void checkT(PointSet& working, const PointSet& fullGrid) {
  if (working.count() > 0) return;
  printf("Check_T in action\n");
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

void appendDiscretizationResults(const SipContext& c, int firstGridSize, int gridSize,
                                 double f) {
  FILE* results = openResults();
  if (!results) return;
  const SipStats& s = c.stats;
  fprintf(results, " & %d & %d & %.1f & %d & %.6e\\\\\n", firstGridSize, gridSize,
          (double)s.nnlpc / (double)(s.nnlp - 1), s.nnlp, c.modelObjective(f));
  fclose(results);
}

bool finiteBox(const SipProblem& p) {
  for (int d = 0; d < p.nt; ++d)
    if (!std::isfinite(p.tu[d] - p.tl[d]) || isMinusInfinity(p.tl[d]) || isPlusInfinity(p.tu[d])) {
      printf("Infinite variable %d has an infinite bound: no grid can cover it\n", d);
      return false;
    }
  return true;
}
