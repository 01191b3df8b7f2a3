#include "cspline.h"

#include <cstring>

namespace {

typedef SplineFactorization Factorization;

Factorization factorize(int n, const double* x) {
  Factorization f;
  f.knots.assign(x, x + n);
  const int m = n - 2;
  f.diag.assign(m > 0 ? m : 0, 0.0);
  f.upper.assign(f.diag.size(), 0.0);
  f.lower.assign(f.diag.size(), 0.0);
  for (int r = 0; r < m; ++r) {
    double hl = x[r + 1] - x[r], hr = x[r + 2] - x[r + 1];
    f.lower[r] = hl;
    f.upper[r] = hr;
    f.diag[r] = 2 * (hl + hr);
    if (r > 0) f.diag[r] -= f.lower[r] * f.upper[r - 1] / f.diag[r - 1];
  }
  return f;
}

std::vector<double> solveSecond(const Factorization& f, const double* y) {
  const std::vector<double>& x = f.knots;
  const int n = (int)x.size(), m = n - 2;
  std::vector<double> rhs(m > 0 ? m : 0), M(n, 0.0);
  for (int r = 0; r < m; ++r) {
    rhs[r] = 6 * ((y[r + 2] - y[r + 1]) / (x[r + 2] - x[r + 1]) - (y[r + 1] - y[r]) / (x[r + 1] - x[r]));
    if (r > 0) rhs[r] -= f.lower[r] * rhs[r - 1] / f.diag[r - 1];
  }
  for (int r = m - 1; r >= 0; --r) {
    double v = rhs[r];
    if (r + 1 < m) v -= f.upper[r] * M[r + 2];
    M[r + 1] = v / f.diag[r];
  }
  return M;
}

struct Cache {
  Factorization factors;
  CubicSpline spline;
  bool valid = false;
  int factorizations = 0;
};

Cache& cache() {
  static Cache c;
  return c;
}

bool sameArray(const std::vector<double>& kept, int n, const double* v) {
  return (int)kept.size() == n && (n == 0 || memcmp(kept.data(), v, n * sizeof(double)) == 0);
}

int segmentOf(const std::vector<double>& x, double at) {
  int lo = 0, hi = (int)x.size() - 2;
  while (lo < hi) {
    int mid = (lo + hi + 1) / 2;
    if (x[mid] <= at) lo = mid; else hi = mid - 1;
  }
  return lo;
}

}  // namespace

bool knotsIncrease(int n, const double* x) {
  if (n < 2) return false;
  for (int i = 1; i < n; ++i)
    if (!(x[i] > x[i - 1])) return false;
  return true;
}

const CubicSpline& naturalSpline(int n, const double* knots, const double* values) {
  Cache& c = cache();
  if (c.valid && sameArray(c.spline.knots, n, knots) && sameArray(c.spline.values, n, values))
    return c.spline;
  if (!sameArray(c.factors.knots, n, knots)) {
    c.factors = factorize(n, knots);
    ++c.factorizations;
  }
  c.spline.knots.assign(knots, knots + n);
  c.spline.values.assign(values, values + n);
  c.spline.second = solveSecond(c.factors, values);
  c.spline.factors = &c.factors;
  c.valid = true;
  return c.spline;
}

void splineAt(const CubicSpline& s, double at, double d[3]) {
  const std::vector<double>& x = s.knots;
  const std::vector<double>& y = s.values;
  const std::vector<double>& M = s.second;
  const int last = (int)x.size() - 1;
  if (at < x[0] || at > x[last]) {  // natural ends: continue linearly
    int e = at < x[0] ? 0 : last;
    int seg = e == 0 ? 0 : last - 1;
    double h = x[seg + 1] - x[seg];
    double slope = (y[seg + 1] - y[seg]) / h - h * (2 * M[seg] + M[seg + 1]) / 6;
    if (e == last) slope = (y[seg + 1] - y[seg]) / h + h * (M[seg] + 2 * M[seg + 1]) / 6;
    d[0] = y[e] + slope * (at - x[e]);
    d[1] = slope;
    d[2] = 0;
    return;
  }
  int i = segmentOf(x, at);
  double h = x[i + 1] - x[i], a = (x[i + 1] - at) / h, b = (at - x[i]) / h;
  d[0] = a * y[i] + b * y[i + 1] + ((a * a * a - a) * M[i] + (b * b * b - b) * M[i + 1]) * h * h / 6;
  d[1] = (y[i + 1] - y[i]) / h + ((1 - 3 * a * a) * M[i] + (3 * b * b - 1) * M[i + 1]) * h / 6;
  d[2] = a * M[i] + b * M[i + 1];
}

void cardinalAt(const CubicSpline& s, double at, std::vector<double>& value,
                std::vector<double>& slope) {
  const int n = (int)s.knots.size();
  const Factorization& f = *s.factors;
  value.assign(n, 0.0);
  slope.assign(n, 0.0);
  std::vector<double> unit(n, 0.0);
  for (int i = 0; i < n; ++i) {
    unit[i] = 1;
    CubicSpline L{s.knots, unit, solveSecond(f, unit.data()), &f};
    double d[3];
    splineAt(L, at, d);
    value[i] = d[0];
    slope[i] = d[1];
    unit[i] = 0;
  }
}

int splineFactorizations() { return cache().factorizations; }
