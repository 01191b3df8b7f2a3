// Starting point for a model without one: random values in [0, 1], improved
// by one finite subproblem on a coarse grid of six values per coordinate.
#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

#include "discretize/discretization.h"
#include "lower_level/grid.h"
#include "subproblem/subproblem.h"
#include "core/sip.h"

namespace ormid {

Result initialGuess(SipContext& c) {
  const Problem& p = c.problem;
  double* x0 = c.x.data();
  if (!finiteBox(c)) return sipResult(Status::NoPoint, "T cannot be gridded");
  std::vector<double> h(p.nt);
  for (int j = 0; j < p.nt; ++j) h[j] = (p.tu[j] - p.tl[j]) / 5;
  const NormRange range = normRangeOf(p);
  PointSet fullGrid(range), working(range);
  if (!buildProblemGrid(c, fullGrid, h.data())) return sipResult(Status::NoPoint, "grid too large");
  PointSet::copy(fullGrid, working);
  // A generator of this solve's own, seeded from the clock and the system's
  // entropy: two solves at once draw independently.
  std::minstd_rand draw((unsigned)time(nullptr) ^ std::random_device{}());
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int i = 0; i < p.nx; ++i) x0[i] = unit(draw);
  // Whatever the subproblem did, its last point is the method's start.
  return discretizationEnd(solveSubproblem(c, x0, working), 0);
}

}  // namespace ormid
