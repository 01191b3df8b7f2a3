// Starting point for a model without one: random values in [0, 1], improved
// by one finite subproblem on a coarse grid of six values per coordinate.
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

#include "discretize/discretization.h"
#include "lower_level/grid.h"
#include "subproblem/subproblem.h"
#include "core/sip.h"

namespace ormid {

namespace {

// The coarse subproblem ends once some |x_i| exceeds this bound: it is then
// unbounded, and the method starts at the draw.
const double RANDOM_START_BOUND = 1e8;

}  // namespace

Result initialGuess(SipContext& c, SubproblemSolver* given) {
  const Problem& p = c.problem;
  double* x0 = c.x.data();
  if (!finiteBox(c)) return sipResult(Status::NoPoint, "T cannot be gridded");
  std::vector<double> h(p.nt);
  for (int j = 0; j < p.nt; ++j) h[j] = (p.tu[j] - p.tl[j]) / 5;
  const NormRange range = normRangeOf(p, c.trace(PrintLevel::Summary));
  PointSet fullGrid(range), working(range);
  if (!buildProblemGrid(c, fullGrid, h.data())) return gridRefused(c, h.data());
  PointSet::copy(fullGrid, working);
  // A generator of this solve's own, seeded by Options::randomSeed or else from
  // the clock and the system's entropy: two solves at once draw independently.
  const unsigned seed =
      c.options.randomSeed ? c.options.randomSeed : (unsigned)time(nullptr) ^ std::random_device{}();
  std::minstd_rand draw(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int i = 0; i < p.nx; ++i) x0[i] = unit(draw);
  const std::vector<double> drawn(x0, x0 + p.nx);
  // On so few points of T the subproblem may be unbounded: it ends once x
  // leaves the box RANDOM_START_BOUND. Where it diverged or stalled, its last
  // iterate says nothing and the method starts at the draw.
  SubproblemResult r = MethodSolver(c.options, given, RANDOM_START_BOUND)->solve(c, x0, working);
  if (r.status == SUB_FAILED) std::copy(drawn.begin(), drawn.end(), x0);
  return discretizationEnd(r, 0);
}

}  // namespace ormid
