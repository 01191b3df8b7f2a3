#include <cstdio>
#include <vector>

#include "penalty.h"
#include "sip.h"

namespace {

// Relative change ||x - ref|| / ||x|| once ||x|| exceeds floor, else absolute.
double relativeChange(int n, const double* ref, const double* x, double floor) {
  std::vector<double> diff(n);
  for (int i = 0; i < n; ++i) diff[i] = x[i] - ref[i];
  double step = norm2(n, diff.data()), size = norm2(n, x);
  return size > floor ? step / size : step;
}

}  // namespace

bool innerStopTest(int n, const double* xPrev, const double* x, const double* g) {
  if (dot(n, g, g) < 1e-8) return true;
  double q = relativeChange(n, xPrev, x, sipOptions.pf_preci);
  if (q <= sipOptions.pf_preci) return true;
  printf("Not stopping in inner iteration norm x=%f\n", q);
  return false;
}

bool epsStopTest(int n, const double* xEps, const double* x) {
  double q = relativeChange(n, xEps, x, sipOptions.generalTolerance);
  if (q <= sipOptions.pf_preco) return true;
  printf("Not stopping in eps iteration %f\n", q);
  return false;
}
