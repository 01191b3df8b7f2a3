// Discretization with Halton points: the full grid grows by batches of
// quasi-random points until the total is reached.
#include <cstdio>

#include "discretization.h"
#include "grid.h"
#include "subproblem.h"
#include "sip.h"

SipResult haltonMethod() {
  const SipProblem& p = sipProblem;
  SipOptions& o = sipOptions;
  if (o.disc_ha_mx <= 0 || o.disc_h_mx <= 0 || o.disc_ha_mx > o.disc_h_mx) {
    o.disc_ha_mx = 100 * p.nt;
    o.disc_h_mx = 1000 * p.nt;
  }
  if (!finiteBox()) return sipResult(STATUS_NO_POINT, "T cannot be sampled");
  if (o.disc_h_mx > MAX_GRID_POINTS) {
    printf("%d Halton points are more than the %d a run may hold\n", o.disc_h_mx, MAX_GRID_POINTS);
    return sipResult(STATUS_NO_POINT, "too many Halton points");
  }
  const NormRange range = normRangeOf(p.nt, p.tl, p.tu);
  PointSet fullGrid(range), active(range), working(range), flagged(range);
  HaltonSequence halton;
  double* x = p.x0;
  halton.addBatch(fullGrid, o.disc_h_mx, o.disc_ha_mx);
  const int firstGridSize = fullGrid.count();

  SubproblemWatch watch;
  SipResult end;
  PointSet::copy(fullGrid, working);
  SubproblemResult last = solveSubproblem(x, working);
  bool goesOn = !watch.mustStop(last, working, 0, &end);
  if (!end.hasPoint()) return end;
  activeScan(fullGrid, active, x);

  int passes = 1;
  for (int k = 0; goesOn && fullGrid.count() < o.disc_h_mx; ++passes) {
    bool feasible = fullGridCheck(fullGrid, flagged, x);
    if (!feasible && k < o.disc_inner) {
      ++k;
      printf("X not solved full mesh\n");
      rebuildWorkingSet(working, active, flagged);
      last = solveSubproblem(x, working);
      goesOn = !watch.mustStop(last, working, passes, &end);
      activeScanWithFallback(fullGrid, active, working, x);
      continue;
    }
    printf("X solved full mesh\n");
    k = 0;
    int before = fullGrid.count();
    halton.addBatch(fullGrid, o.disc_h_mx, o.disc_ha_mx);
    rebuildWorkingSet(working, active, flagged);
    last = solveSubproblem(x, working);
    goesOn = !watch.mustStop(last, working, passes, &end);
    activeScan(fullGrid, active, x);
    if (fullGrid.count() == before) break;  // no point could be added
  }
  printf("%ld halton points generated\n", halton.counter);
  appendDiscretizationResults(firstGridSize, fullGrid.count(), last.objective);
  return goesOn ? discretizationEnd(last, passes) : end;
}
