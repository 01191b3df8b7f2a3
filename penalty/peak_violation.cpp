// The largest violation of the infinite constraints on a grid of T. The
// integral of the penalty terms is no measure of it: a peak of height v at
// an end of T integrates to about v^2 / (2 slope), so pt <= 1e-6 lets
// violations near 1e-3 through.
#include <cmath>
#include <vector>

#include "lower_level/lower_level.h"
#include "penalty/penalty.h"
#include "core/sip.h"

namespace ormid {

namespace {

const int PEAK_GRID_INTERVALS = 1000;

}  // namespace

double largestViolation(SipContext& c, const double* x) {
  const Problem& p = c.problem;
  if (p.mt == 0 || p.nt == 0) return 0.0;
  std::vector<double> t(p.nt, 0.0);
  const double h = (p.tu[0] - p.tl[0]) / PEAK_GRID_INTERVALS;
  double worst = 0.0;
  for (int j = 0; j < p.mt; ++j)
    for (int i = 0; i <= PEAK_GRID_INTERVALS; ++i) {
      t[0] = i == PEAK_GRID_INTERVALS ? p.tu[0] : p.tl[0] + i * h;
      double v = (c.evaluate(Request::InfiniteValue, j, x, t.data()) - p.ctu[j]) / boundScale(p.ctu[j]);
      if (v > worst) worst = v;
    }
  return worst;
}

}  // namespace ormid
