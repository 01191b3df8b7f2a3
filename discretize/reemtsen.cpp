// Reemtsen's discretization method: the constraint points of each subproblem
// are the grid points that are epsilon-active relative to the objective.
#include <cmath>
#include <cstdio>
#include <vector>

#include "discretize/discretization.h"
#include "lower_level/grid.h"
#include "subproblem/subproblem.h"
#include "core/sip.h"

namespace ormid {

namespace {

// Points where some value lies within |f|*e of a bound (or beyond it).
void epsilonActivePoints(SipContext& c, PointSet& fullGrid, PointSet& working, const double* x,
                         double band) {
  const Problem& p = c.problem;
  working.clear();
  evaluateAll(c, fullGrid, x);
  fullGrid.forEach([&](const GridPoint& q) {
    for (int i = 0; i < p.mt; ++i)
      if (q.g[i] + band >= p.ctu[i] || q.g[i] - band <= p.ctl[i])
        working.insertUnique(q.t.data(), q.norm, q.g.data());
  });
}

}  // namespace

Result reemtsenMethod(SipContext& c, SubproblemSolver* given) {
  const Problem& p = c.problem;
  const Options& o = c.options;
  const MethodSolver solver(o, given);
  GridStart start = startRegularGrid(c, *solver, false);
  if (!start.ready) return start.refused;
  std::vector<double>& h = start.h;
  PointSet& fullGrid = start.fullGrid;
  PointSet working(start.range);
  const int firstGridSize = fullGrid.count();
  double e = o.activeBand;
  double* x = c.x.data();
  auto line = [&](int iter, const char* refined) {
    c.print(PrintLevel::Iterations, "%d\t%d\t%d\t%s\n", iter, fullGrid.count(), subproblemConstraints(c, working), refined);
    c.iterationDone("discretization", iter, x, NAN);
  };

  c.print(PrintLevel::Iterations, "Iter\tGrid\tNnlsp\tFullGrid\n");
  c.stats.subproblems = 0;
  SubproblemWatch watch;
  Result end;
  SubproblemResult last;
  bool goesOn = solveOnFirstGrid(c, *solver, fullGrid, working, watch, &last, &end);
  if (!goesOn && !end.hasPoint()) return end;
  c.stats.subproblemIterations = 0;
  line(0, "--");
  for (double& hd : h) hd /= 2;
  if (goesOn && !buildMethodGrid(c, fullGrid, h.data())) {
    end = gridLimitEnd(0);
    goesOn = false;
  }

  // The inner step would repeat until the grid is feasible; disc_inner
  // steps per level bound it.
  int j = 1;
  for (int inner = 0; goesOn && j < o.gridLevels;) {
    bool feasible = gridFeasible(c, fullGrid, x);
    if (!feasible && inner >= o.maxSubproblemsPerLevel) {
      c.print(PrintLevel::Iterations, "Grid still infeasible after %d inner steps: refining\n", inner);
      feasible = true;
    }
    if (feasible) {
      line(j, "Yes");
      for (double& hd : h) hd /= 3;
      e /= std::pow(3.0, p.nt);
      ++j;
      inner = 0;
      if (j < o.gridLevels && !buildMethodGrid(c, fullGrid, h.data())) {
        end = gridLimitEnd(j);
        goesOn = false;
      }
      continue;
    }
    epsilonActivePoints(c, fullGrid, working, x, std::fabs(last.objective) * e);
    checkT(c, working, fullGrid);
    last = solver->solve(c, x, working);
    goesOn = !watch.mustStop(c, last, working, j, &end);
    line(j, "No");
    ++inner;
  }
  Result result = goesOn ? discretizationEnd(last, j) : end;
  result.summary = discretizationSummary(c, firstGridSize, fullGrid.count(), last.objective);
  return result;
}

}  // namespace ormid
