#include <cstdio>
#include <vector>

#include "kernels/stop_tests.h"
#include "kernels/vector_ops.h"
#include "core/sip.h"

namespace ormid {

namespace {

// Relative change ||x - ref|| / ||x|| once ||x|| exceeds floor, else absolute.
double relativeChange(int n, const double* ref, const double* x, double floor) {
  std::vector<double> diff(n);
  for (int i = 0; i < n; ++i) diff[i] = x[i] - ref[i];
  double step = norm2(n, diff.data()), size = norm2(n, x);
  return size > floor ? step / size : step;
}

}  // namespace

bool innerStopTest(const SipContext& c, int n, const double* xPrev, const double* x, const double* g) {
  const Options& o = c.options;
  if (dot(n, g, g) < 1e-8) return true;
  double q = relativeChange(n, xPrev, x, o.pf_preci);
  if (q <= o.pf_preci) return true;
  c.print(PrintLevel::Details, "Not stopping in inner iteration norm x=%f\n", q);
  return false;
}

bool epsStopTest(const SipContext& c, int n, const double* xEps, const double* x) {
  const Options& o = c.options;
  double q = relativeChange(n, xEps, x, o.generalTolerance);
  if (q <= o.pf_preco) return true;
  c.print(PrintLevel::Details, "Not stopping in eps iteration %f\n", q);
  return false;
}

}  // namespace ormid
