// Hettich's discretization method: regular grids refined level by level,
// with inner iterations on the active and violated points of each grid.
#include <cstdio>
#include <vector>

#include "discretization.h"
#include "grid.h"
#include "subproblem.h"
#include "sip.h"

namespace {

struct HettichRun {
  SipContext& c;
  NormRange range;
  PointSet fullGrid, active, working, flagged;
  std::vector<double> h;
  double* x;
  SubproblemResult last;
  SubproblemWatch watch;
  SipResult end;  // set when the watch stops the run
  HettichRun(SipContext& context, const NormRange& r)
      : c(context), range(r), fullGrid(r), active(r), working(r), flagged(r), x(c.x.data()) {}

  void line(int iter, const char* refined) {
    printf("%d\t%d\t%d\t%d\t%s\n", iter, fullGrid.count(), subproblemConstraints(c, working),
           active.count(), refined);
  }
  // False when the run must stop (end says how).
  bool solveOn(bool withCheckT, int level) {
    if (withCheckT) checkT(working, fullGrid);
    last = solveSubproblem(c, x, working);
    return !watch.mustStop(c, last, working, level, &end);
  }
};

void printFlaggedReport(SipContext& c, const PointSet& flagged, const double* x) {
  const SipProblem& p = c.problem;
  printf("Active constraints\n");
  printf("S_Set\n");
  printf("\nThere are %d points in the mesh\n", flagged.count());
  flagged.forEach([&](const GridPoint& q) {
    printf("(");
    for (double v : q.t) printf("%f,", v);
    printf("):norm %f\t", q.norm);
    printf(": g=");
    printVector(q.g.data(), (int)q.g.size());
    printf("Real constraints value ");
    for (int i = 0; i < p.mt; ++i)
      printf(" %f", c.evaluate(REQ_CONTVAL, i, x, q.t.data()));
    printf("\n");
  });
}

}  // namespace

SipResult hettichMethod(SipContext& c) {
  const SipProblem& p = c.problem;
  const SipOptions& o = c.options;
  std::vector<double> h;
  GridPreparation prepared = prepareGridMethod(c, h);
  if (prepared != GRID_READY) return unpreparedEnd(prepared);
  printf("Refinements=%d\n", o.disc_k);
  if (firstGridTooLarge(c, h)) return sipResult(STATUS_SIZE_LIMIT, "the first subproblem is too large");
  HettichRun r(c, normRangeOf(p));
  if (!buildProblemGrid(p, r.fullGrid, h.data())) return sipResult(STATUS_NO_POINT, "grid too large");
  const int firstGridSize = r.fullGrid.count();
  c.stats.nnlp = 0;
  printf("Iter\tGrid\tNnlsp\tNacvi\tFullGrid\n");

  PointSet::copy(r.fullGrid, r.working);
  bool goesOn = r.solveOn(false, 0);
  if (!r.end.hasPoint()) return r.end;
  c.stats.nnlpc = 0;
  activeScan(c, r.fullGrid, r.active, r.x);
  r.line(0, "--");

  int j = 1;
  for (int k = 0; goesOn && j < o.disc_k;) {
    bool feasible = fullGridCheck(c, r.fullGrid, r.flagged, r.x);
    if (!feasible && k < o.disc_inner) {
      rebuildWorkingSet(r.working, r.active, r.flagged);
      goesOn = r.solveOn(true, j);
      activeScanWithFallback(c, r.fullGrid, r.active, r.working, r.x);
      r.line(j - 1, "No");
      ++k;
      continue;
    }
    for (double& hd : h) hd /= j == 1 ? 2 : 3;
    if (!buildProblemGrid(p, r.fullGrid, h.data())) {
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
  appendDiscretizationResults(c, firstGridSize, r.fullGrid.count(), r.last.objective);
  return goesOn ? discretizationEnd(r.last, j) : r.end;
}
