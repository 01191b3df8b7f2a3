// Discretization with Halton points: the full grid grows by batches of
// quasi-random points until the total is reached.
#include <cmath>
#include <cstdio>

#include "discretize/discretization.h"
#include "lower_level/grid.h"
#include "subproblem/subproblem.h"
#include "core/sip.h"

namespace ormid {

Result haltonMethod(SipContext& c, SubproblemSolver* given) {
  const Problem& p = c.problem;
  const Options& o = c.options;
  int perBatch = o.haltonBatch, total = o.haltonPoints;
  if (perBatch <= 0 || total <= 0 || perBatch > total) {
    perBatch = 100 * p.nt;
    total = 1000 * p.nt;
  }
  if (!finiteBox(c)) return sipResult(Status::NoPoint, "T cannot be sampled");
  if (total > MAX_GRID_POINTS) {
    c.print(PrintLevel::Details, "%d Halton points are more than the %d a run may hold\n", total, MAX_GRID_POINTS);
    return sipResult(Status::NoPoint, "too many Halton points");
  }
  const NormRange range = normRangeOf(p, c.trace(PrintLevel::Summary));
  PointSet fullGrid(range), active(range), working(range), flagged(range);
  HaltonSequence halton;
  double* x = c.x.data();
  halton.addBatch(p, fullGrid, total, perBatch);
  addFoundPoints(c, fullGrid);
  const int firstGridSize = fullGrid.count();

  const MethodSolver solver(o, given);
  SubproblemWatch watch;
  Result end;
  SubproblemResult last;
  bool goesOn = solveOnFirstGrid(c, *solver, fullGrid, working, watch, &last, &end);
  if (!goesOn && !end.hasPoint()) return end;
  activeScan(c, fullGrid, active, x);

  int passes = 1;
  for (int k = 0; goesOn && fullGrid.count() < total; ++passes) {
    bool feasible = fullGridCheck(c, fullGrid, flagged, x);
    if (!feasible && k < o.maxSubproblemsPerLevel) {
      ++k;
      c.print(PrintLevel::Details, "X not solved full mesh\n");
      rebuildWorkingSet(working, active, flagged);
      last = solver->solve(c, x, working);
      goesOn = !watch.mustStop(c, last, working, passes, &end);
      activeScanWithFallback(c, fullGrid, active, working, x);
      continue;
    }
    c.print(PrintLevel::Details, "X solved full mesh\n");
    k = 0;
    int before = fullGrid.count();
    halton.addBatch(p, fullGrid, total, perBatch);
    rebuildWorkingSet(working, active, flagged);
    last = solver->solve(c, x, working);
    goesOn = !watch.mustStop(c, last, working, passes, &end);
    activeScan(c, fullGrid, active, x);
    c.iterationDone("discretization", passes, x, NAN);
    if (fullGrid.count() == before) break;  // no point could be added
  }
  c.print(PrintLevel::Details, "%ld halton points generated\n", halton.counter);
  Result result = goesOn ? discretizationEnd(last, passes) : end;
  result.summary = discretizationSummary(c, firstGridSize, fullGrid.count(), last.objective);
  return result;
}

}  // namespace ormid
