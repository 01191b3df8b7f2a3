// Discretization with Halton points: the full grid grows by batches of
// quasi-random points until the total is reached.
#include <cstdio>

#include "discretization.h"
#include "grid.h"
#include "subproblem.h"
#include "sip.h"

SipResult haltonMethod(SipContext& c) {
  const SipProblem& p = c.problem;
  const SipOptions& o = c.options;
  int perBatch = o.disc_ha_mx, total = o.disc_h_mx;
  if (perBatch <= 0 || total <= 0 || perBatch > total) {
    perBatch = 100 * p.nt;
    total = 1000 * p.nt;
  }
  if (!finiteBox(p)) return sipResult(STATUS_NO_POINT, "T cannot be sampled");
  if (total > MAX_GRID_POINTS) {
    printf("%d Halton points are more than the %d a run may hold\n", total, MAX_GRID_POINTS);
    return sipResult(STATUS_NO_POINT, "too many Halton points");
  }
  const NormRange range = normRangeOf(p);
  PointSet fullGrid(range), active(range), working(range), flagged(range);
  HaltonSequence halton;
  double* x = c.x.data();
  halton.addBatch(p, fullGrid, total, perBatch);
  const int firstGridSize = fullGrid.count();

  SubproblemWatch watch;
  SipResult end;
  PointSet::copy(fullGrid, working);
  SubproblemResult last = solveSubproblem(c, x, working);
  bool goesOn = !watch.mustStop(c, last, working, 0, &end);
  if (!end.hasPoint()) return end;
  activeScan(c, fullGrid, active, x);

  int passes = 1;
  for (int k = 0; goesOn && fullGrid.count() < total; ++passes) {
    bool feasible = fullGridCheck(c, fullGrid, flagged, x);
    if (!feasible && k < o.disc_inner) {
      ++k;
      printf("X not solved full mesh\n");
      rebuildWorkingSet(working, active, flagged);
      last = solveSubproblem(c, x, working);
      goesOn = !watch.mustStop(c, last, working, passes, &end);
      activeScanWithFallback(c, fullGrid, active, working, x);
      continue;
    }
    printf("X solved full mesh\n");
    k = 0;
    int before = fullGrid.count();
    halton.addBatch(p, fullGrid, total, perBatch);
    rebuildWorkingSet(working, active, flagged);
    last = solveSubproblem(c, x, working);
    goesOn = !watch.mustStop(c, last, working, passes, &end);
    activeScan(c, fullGrid, active, x);
    if (fullGrid.count() == before) break;  // no point could be added
  }
  printf("%ld halton points generated\n", halton.counter);
  appendDiscretizationResults(c, firstGridSize, fullGrid.count(), last.objective);
  return goesOn ? discretizationEnd(last, passes) : end;
}
