// Hettich's discretization method: regular grids refined level by level,
// with inner iterations on the active and violated points of each grid.
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "discretize/discretization.h"
#include "lower_level/grid.h"
#include "subproblem/subproblem.h"
#include "core/sip.h"

namespace ormid {

namespace {

struct HettichRun {
  SipContext& c;
  SubproblemSolver& solver;
  NormRange range;
  PointSet fullGrid, active, working, flagged;
  std::vector<double> h;
  double* x;
  SubproblemResult last;
  SubproblemWatch watch;
  Result end;  // set when the watch stops the run
  HettichRun(SipContext& context, SubproblemSolver& s, const NormRange& r)
      : c(context), solver(s), range(r), fullGrid(r), active(r), working(r), flagged(r), x(c.x.data()) {}

  void line(int iter, const char* refined) {
    c.print(PrintLevel::Iterations, "%d\t%d\t%d\t%d\t%s\n", iter, fullGrid.count(), subproblemConstraints(c, working),
           active.count(), refined);
    c.iterationDone("discretization", iter, x, NAN);
  }
  // False when the run must stop (end says how).
  bool solveOn(bool withCheckT, int level) {
    if (withCheckT) checkT(c, working, fullGrid);
    last = solver.solve(c, x, working);
    return !watch.mustStop(c, last, working, level, &end);
  }
};

void printFlaggedReport(SipContext& c, const PointSet& flagged, const double* x) {
  const Problem& p = c.problem;
  c.print(PrintLevel::Iterations, "Active constraints\n");
  c.print(PrintLevel::Iterations, "S_Set\n");
  c.print(PrintLevel::Iterations, "\nThere are %d points in the mesh\n", flagged.count());
  flagged.forEach([&](const GridPoint& q) {
    c.print(PrintLevel::Iterations, "(");
    for (double v : q.t) c.print(PrintLevel::Iterations, "%f,", v);
    c.print(PrintLevel::Iterations, "):norm %f\t", q.norm);
    c.print(PrintLevel::Iterations, ": g=");
    c.printVector(PrintLevel::Iterations, q.g.data(), (int)q.g.size());
    c.print(PrintLevel::Iterations, "Real constraints value ");
    for (int i = 0; i < p.mt; ++i)
      c.print(PrintLevel::Iterations, " %f", c.evaluate(Request::InfiniteValue, i, x, q.t.data()));
    c.print(PrintLevel::Iterations, "\n");
  });
}

}  // namespace

Result hettichMethod(SipContext& c, SubproblemSolver* given) {
  const Options& o = c.options;
  const MethodSolver solver(o, given);
  GridStart start = startRegularGrid(c, *solver, true);
  if (!start.ready) return start.refused;
  std::vector<double>& h = start.h;
  HettichRun r(c, *solver, start.range);
  r.fullGrid = std::move(start.fullGrid);
  const int firstGridSize = r.fullGrid.count();
  c.stats.subproblems = 0;
  c.print(PrintLevel::Iterations, "Iter\tGrid\tNnlsp\tNacvi\tFullGrid\n");

  bool goesOn = solveOnFirstGrid(c, *solver, r.fullGrid, r.working, r.watch, &r.last, &r.end);
  if (!goesOn && !r.end.hasPoint()) return r.end;
  c.stats.subproblemIterations = 0;
  activeScan(c, r.fullGrid, r.active, r.x);
  r.line(0, "--");

  int j = 1;
  for (int k = 0; goesOn && j < o.gridLevels;) {
    bool feasible = fullGridCheck(c, r.fullGrid, r.flagged, r.x);
    if (!feasible && k < o.maxSubproblemsPerLevel) {
      rebuildWorkingSet(r.working, r.active, r.flagged);
      goesOn = r.solveOn(true, j);
      activeScanWithFallback(c, r.fullGrid, r.active, r.working, r.x);
      r.line(j - 1, "No");
      ++k;
      continue;
    }
    for (double& hd : h) hd /= j == 1 ? 2 : 3;
    if (!buildMethodGrid(c, r.fullGrid, h.data())) {
      r.end = gridLimitEnd(j);
      goesOn = false;
      break;
    }
    rebuildWorkingSet(r.working, r.active, r.flagged);
    goesOn = r.solveOn(true, j);
    activeScan(c, r.fullGrid, r.active, r.x);
    r.line(j, "Yes");
    k = 0;
    ++j;
  }
  printFlaggedReport(c, r.flagged, r.x);
  Result result = goesOn ? discretizationEnd(r.last, j) : r.end;
  result.summary = discretizationSummary(c, firstGridSize, r.fullGrid.count(), r.last.objective);
  return result;
}

}  // namespace ormid
