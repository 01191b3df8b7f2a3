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
  NormRange range;
  PointSet fullGrid, active, working, flagged;
  std::vector<double> h;
  double* x;
  SubproblemResult last;
  SubproblemWatch watch;
  SipResult end;  // set when the watch stops the run
  explicit HettichRun(const NormRange& r)
      : range(r), fullGrid(r), active(r), working(r), flagged(r), x(sipProblem.x0) {}

  void line(int iter, const char* refined) {
    printf("%d\t%d\t%d\t%d\t%s\n", iter, fullGrid.count(), subproblemConstraints(working),
           active.count(), refined);
  }
  // False when the run must stop (end says how).
  bool solveOn(bool withCheckT, int level) {
    if (withCheckT) checkT(working, fullGrid);
    last = solveSubproblem(x, working);
    return !watch.mustStop(last, working, level, &end);
  }
};

void printFlaggedReport(const PointSet& flagged, const double* x) {
  const SipProblem& p = sipProblem;
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
      printf(" %f", p.evaluate(REQ_CONTVAL, i, x, q.t.data(), nullptr, nullptr, nullptr, nullptr));
    printf("\n");
  });
}

}  // namespace

SipResult hettichMethod() {
  const SipProblem& p = sipProblem;
  const SipOptions& o = sipOptions;
  std::vector<double> h;
  GridPreparation prepared = prepareGridMethod(h);
  if (prepared != GRID_READY) return unpreparedEnd(prepared);
  printf("Refinements=%d\n", o.disc_k);
  HettichRun r(normRangeOf(p.nt, p.tl, p.tu));
  if (!buildProblemGrid(r.fullGrid, h.data())) return sipResult(STATUS_NO_POINT, "grid too large");
  const int firstGridSize = r.fullGrid.count();
  sipStats.nnlp = 0;
  printf("Iter\tGrid\tNnlsp\tNacvi\tFullGrid\n");

  PointSet::copy(r.fullGrid, r.working);
  bool goesOn = r.solveOn(false, 0);
  if (!r.end.hasPoint()) return r.end;
  sipStats.nnlpc = 0;
  activeScan(r.fullGrid, r.active, r.x);
  r.line(0, "--");

  int j = 1;
  for (int k = 0; goesOn && j < o.disc_k;) {
    bool feasible = fullGridCheck(r.fullGrid, r.flagged, r.x);
    if (!feasible && k < o.disc_inner) {
      rebuildWorkingSet(r.working, r.active, r.flagged);
      goesOn = r.solveOn(true, j);
      activeScanWithFallback(r.fullGrid, r.active, r.working, r.x);
      r.line(j - 1, "No");
      ++k;
      continue;
    }
    for (double& hd : h) hd /= j == 1 ? 2 : 3;
    if (!buildProblemGrid(r.fullGrid, h.data())) {
      r.end = gridLimitEnd(j);
      goesOn = false;
      break;
    }
    rebuildWorkingSet(r.working, r.active, r.flagged);
    goesOn = r.solveOn(true, j);
    activeScan(r.fullGrid, r.active, r.x);
    r.line(j, "Yes");
    k = 0;
    ++j;
  }
  printFlaggedReport(r.flagged, r.x);
  appendDiscretizationResults(firstGridSize, r.fullGrid.count(), r.last.objective);
  return goesOn ? discretizationEnd(r.last, j) : r.end;
}
