// Starting point for a model without one: random values in [0, 1], improved
// by one finite subproblem on a coarse grid of six values per coordinate.
#include <cstdlib>
#include <ctime>
#include <vector>

#include "discretization.h"
#include "grid.h"
#include "subproblem.h"
#include "sip.h"

SipResult initialGuess(double* x0) {
  const SipProblem& p = sipProblem;
  if (!finiteBox()) return sipResult(STATUS_NO_POINT, "T cannot be gridded");
  std::vector<double> h(p.nt);
  for (int j = 0; j < p.nt; ++j) h[j] = (p.tu[j] - p.tl[j]) / 5;
  const NormRange range = normRangeOf(p.nt, p.tl, p.tu);
  PointSet fullGrid(range), working(range);
  if (!buildProblemGrid(fullGrid, h.data())) return sipResult(STATUS_NO_POINT, "grid too large");
  PointSet::copy(fullGrid, working);
  srand((unsigned)time(nullptr));
  // RAND_MAX, not 32767: glibc's rand() reaches 2^31 - 1.
  for (int i = 0; i < p.nx; ++i) x0[i] = rand() / (double)RAND_MAX;
  // Whatever the subproblem did, its last point is the method's start.
  return discretizationEnd(solveSubproblem(x0, working), 0);
}
