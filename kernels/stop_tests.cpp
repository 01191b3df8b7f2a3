#include <cstdio>
#include <vector>

#include "kernels/stop_tests.h"
#include "kernels/vector_ops.h"

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

bool innerStopTest(int n, const double* xPrev, const double* x, const double* g, double precision,
                   const Trace& trace) {
  if (dot(n, g, g) < 1e-8) return true;
  double q = relativeChange(n, xPrev, x, precision);
  if (q <= precision) return true;
  traceLine(trace, "Not stopping in inner iteration norm x=%f\n", q);
  return false;
}

bool epsStopTest(int n, const double* xEps, const double* x, double floor, double precision,
                 const Trace& trace) {
  double q = relativeChange(n, xEps, x, floor);
  if (q <= precision) return true;
  traceLine(trace, "Not stopping in eps iteration %f\n", q);
  return false;
}

}  // namespace ormid
