#include "kernels/dense_lu.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace ormid {

bool luSolve(int n, std::vector<double>& A, std::vector<double>& b, double relativeFloor) {
  // Rows equilibrated first: a KKT system mixes curvatures and gradients of
  // very different sizes.
  for (int i = 0; i < n; ++i) {
    double row = 0;
    for (int j = 0; j < n; ++j) row = std::max(row, std::fabs(A[(long)i * n + j]));
    if (!(row > 0)) return false;
    for (int j = 0; j < n; ++j) A[(long)i * n + j] /= row;
    b[i] /= row;
  }
  double largest = 0;
  for (double v : A) largest = std::max(largest, std::fabs(v));
  if (!(largest > 0) || !std::isfinite(largest)) return n == 0;
  const double floor = relativeFloor * largest;
  for (int k = 0; k < n; ++k) {
    int pivot = k;
    for (int i = k + 1; i < n; ++i)
      if (std::fabs(A[(long)i * n + k]) > std::fabs(A[(long)pivot * n + k])) pivot = i;
    if (!(std::fabs(A[(long)pivot * n + k]) > floor)) return false;
    if (pivot != k) {
      for (int j = 0; j < n; ++j) std::swap(A[(long)k * n + j], A[(long)pivot * n + j]);
      std::swap(b[k], b[pivot]);
    }
    const double* rowK = &A[(long)k * n];
    for (int i = k + 1; i < n; ++i) {
      double* rowI = &A[(long)i * n];
      const double factor = rowI[k] / rowK[k];
      if (factor == 0) continue;
      for (int j = k + 1; j < n; ++j) rowI[j] -= factor * rowK[j];
      b[i] -= factor * b[k];
    }
  }
  for (int k = n - 1; k >= 0; --k) {
    double s = b[k];
    for (int j = k + 1; j < n; ++j) s -= A[(long)k * n + j] * b[j];
    b[k] = s / A[(long)k * n + k];
  }
  for (int k = 0; k < n; ++k)
    if (!std::isfinite(b[k])) return false;
  return true;
}

}  // namespace ormid
