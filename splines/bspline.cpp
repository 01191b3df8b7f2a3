#include "bspline.h"

namespace {

double ratio(double num, double den) { return den == 0 ? 0.0 : num / den; }

// Differenced coefficients D_j(i), i = 0 .. n + j - 2 (D_1 = c, zero outside
// 0..n-1; for j >= 2 zero outside 0..n).
std::vector<double> differenced(int j, int k, int n, const double* c, const double* t) {
  std::vector<double> D(c, c + n);
  for (int level = 2; level <= j; ++level) {
    std::vector<double> next(n + level - 1, 0.0);
    for (int i = 0; i <= n && i < (int)next.size(); ++i) {
      double cur = i < (int)D.size() ? D[i] : 0.0;
      double prev = i >= 1 && i - 1 < (int)D.size() ? D[i - 1] : 0.0;
      next[i] = (k - level + 1) * ratio(cur - prev, t[i + k - level + 1] - t[i]);
    }
    D.swap(next);
  }
  return D;
}

}  // namespace

std::vector<double> bsplineBasis(double x, int k, int count, const double* t) {
  std::vector<double> result(count > 0 ? count : 0, 0.0);
  if (k < 1 || count <= 0) return result;
  // Order-1 functions for every index the recursion reaches, then raise order.
  const int width = count + k - 1;
  std::vector<double> B(width);
  for (int i = 0; i < width; ++i) B[i] = t[i] <= x && x < t[i + 1] ? 1.0 : 0.0;
  for (int order = 2; order <= k; ++order)
    for (int i = 0; i + order <= width + 1 && i < width - order + 1; ++i)
      B[i] = ratio(x - t[i], t[i + order - 1] - t[i]) * B[i] +
             ratio(t[i + order] - x, t[i + order] - t[i + 1]) * B[i + 1];
  for (int i = 0; i < count; ++i) result[i] = B[i];
  return result;
}

double bsplineValue(double x, int k, int n, const double* c, const double* t) {
  std::vector<double> B = bsplineBasis(x, k, n, t);
  double s = 0;
  for (int i = 0; i < n; ++i) s += c[i] * B[i];
  return s;
}

double bsplineDerivative(double x, int m, int k, int n, const double* c, const double* t) {
  if (m <= 0) return bsplineValue(x, k, n, c, t);
  if (k - m < 1) return 0.0;
  std::vector<double> D = differenced(m + 1, k, n, c, t);
  std::vector<double> B = bsplineBasis(x, k - m, m + n, t);
  double s = 0;
  for (int i = 0; i < m + n; ++i) s += (i < (int)D.size() ? D[i] : 0.0) * B[i];
  return s;
}
