#include "kernels/cholesky.h"

#include <cmath>
#include <vector>

namespace ormid {

namespace {

bool unusablePivot(double r) { return r == 0.0 || std::isnan(r); }

}  // namespace

void choleskySolve(int n, double* A, const double* b, double* x, double floor, int* singular) {
  *singular = 0;
  if (n <= 0) return;
  double c = A[0];
  for (int i = 1; i < n; ++i) c = std::fmax(c, std::fabs(A[i * n + i]));

  std::vector<double> R((long)n * n, 0.0);
  for (int i = 0; i < n; ++i) {
    if (floor * c > A[i * n + i]) A[i * n + i] = 1e128;
    R[i * n + i] = std::sqrt(A[i * n + i]);
    for (int j = i; j < n; ++j) {
      R[i * n + j] = A[i * n + j] / R[i * n + i];
      for (int k = i + 1; k <= j; ++k) A[k * n + j] -= R[i * n + j] * R[i * n + k];
    }
  }

  std::vector<double> y(n);
  for (int i = 0; i < n; ++i) {
    if (unusablePivot(R[i * n + i])) {
      *singular = 1;
      return;
    }
    double v = b[i];
    for (int j = 0; j < i; ++j) v -= R[j * n + i] * y[j];
    y[i] = v / R[i * n + i];
  }
  for (int i = n - 1; i >= 0; --i) {
    if (unusablePivot(R[i * n + i])) {
      *singular = 1;
      return;
    }
    double v = y[i];
    for (int j = i + 1; j < n; ++j) v -= R[i * n + j] * x[j];
    x[i] = v / R[i * n + i];
  }
}

bool choleskyFactor(double* M, int n, double minPivot) {
  for (int a = 0; a < n; ++a)
    for (int b = 0; b <= a; ++b) {
      double s = M[a * n + b];
      for (int e = 0; e < b; ++e) s -= M[a * n + e] * M[b * n + e];
      if (a == b) {
        if (!(s > minPivot) || !(s > 0)) return false;
        M[a * n + a] = std::sqrt(s);
      } else {
        M[a * n + b] = s / M[b * n + b];
      }
    }
  return true;
}

void choleskySolveFactored(const double* L, int n, double* r) {
  for (int a = 0; a < n; ++a) {
    for (int e = 0; e < a; ++e) r[a] -= L[a * n + e] * r[e];
    r[a] /= L[a * n + a];
  }
  for (int a = n - 1; a >= 0; --a) {
    for (int e = a + 1; e < n; ++e) r[a] -= L[e * n + a] * r[e];
    r[a] /= L[a * n + a];
  }
}

}  // namespace ormid
