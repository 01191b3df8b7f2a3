#include <cmath>

#include "kernels/vector_ops.h"

namespace ormid {

double dot(int n, const double* a, const double* b) {
  double s = 0;
  for (int i = 0; i < n; ++i) s += a[i] * b[i];
  return s;
}

double norm2(int n, const double* v) { return std::sqrt(dot(n, v, v)); }

bool allFinite(int n, const double* v) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}

}  // namespace ormid
