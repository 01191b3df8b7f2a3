// Reemtsen's discretization method: the constraint points of each subproblem
// are the grid points that are epsilon-active relative to the objective.
#include <cmath>
#include <cstdio>
#include <vector>

#include "discretization.h"
#include "grid.h"
#include "subproblem.h"
#include "sip.h"

namespace {

// Points where some value lies within |f|*e of a bound (or beyond it).
void epsilonActivePoints(SipContext& c, PointSet& fullGrid, PointSet& working, const double* x,
                         double band) {
  const SipProblem& p = c.problem;
  working.clear();
  evaluateAll(c, fullGrid, x);
  fullGrid.forEach([&](const GridPoint& q) {
    for (int i = 0; i < p.mt; ++i)
      if (q.g[i] + band >= p.ctu[i] || q.g[i] - band <= p.ctl[i])
        working.insertUnique(q.t.data(), q.norm, q.g.data());
  });
}

}  // namespace

SipResult reemtsenMethod(SipContext& c) {
  const SipProblem& p = c.problem;
  const SipOptions& o = c.options;
  std::vector<double> h;
  GridPreparation prepared = prepareGridMethod(c, h);
  if (prepared != GRID_READY) return unpreparedEnd(prepared);
  if (firstGridTooLarge(c, h)) return sipResult(STATUS_SIZE_LIMIT, "the first subproblem is too large");
  const NormRange range = normRangeOf(p);
  PointSet fullGrid(range), working(range);
  if (!buildProblemGrid(p, fullGrid, h.data())) return sipResult(STATUS_NO_POINT, "grid too large");
  const int firstGridSize = fullGrid.count();
  double e = o.disc_eps;
  double* x = c.x.data();
  auto line = [&](int iter, const char* refined) {
    printf("%d\t%d\t%d\t%s\n", iter, fullGrid.count(), subproblemConstraints(c, working), refined);
  };

  printf("Iter\tGrid\tNnlsp\tFullGrid\n");
  c.stats.nnlp = 0;
  SubproblemWatch watch;
  SipResult end;
  PointSet::copy(fullGrid, working);
  SubproblemResult last = solveSubproblem(c, x, working);
  bool goesOn = !watch.mustStop(c, last, working, 0, &end);
  if (!end.hasPoint()) return end;
  c.stats.nnlpc = 0;
  line(0, "--");
  for (double& hd : h) hd /= 2;
  if (goesOn && !buildProblemGrid(p, fullGrid, h.data())) {
    end = gridLimitEnd(0);
    goesOn = false;
  }

  // The inner step would repeat until the grid is feasible; disc_inner
  // steps per level bound it.
  int j = 1;
  for (int inner = 0; goesOn && j < o.disc_k;) {
    bool feasible = gridFeasible(c, fullGrid, x);
    if (!feasible && inner >= o.disc_inner) {
      printf("Grid still infeasible after %d inner steps: refining\n", inner);
      feasible = true;
    }
    if (feasible) {
      line(j, "Yes");
      for (double& hd : h) hd /= 3;
      e /= std::pow(3.0, p.nt);
      ++j;
      inner = 0;
      if (j < o.disc_k && !buildProblemGrid(p, fullGrid, h.data())) {
        end = gridLimitEnd(j);
        goesOn = false;
      }
      continue;
    }
    epsilonActivePoints(c, fullGrid, working, x, std::fabs(last.objective) * e);
    checkT(working, fullGrid);
    last = solveSubproblem(c, x, working);
    goesOn = !watch.mustStop(c, last, working, j, &end);
    line(j, "No");
    ++inner;
  }
  appendDiscretizationResults(c, firstGridSize, fullGrid.count(), last.objective);
  return goesOn ? discretizationEnd(last, j) : end;
}
