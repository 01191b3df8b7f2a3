#include "certificate/nnls.h"

#include <algorithm>
#include <cmath>

namespace ormid {

namespace {

typedef std::vector<double> Vec;

double dotColumn(const Vec& A, int m, int k, const Vec& v) {
  double s = 0;
  for (int i = 0; i < m; ++i) s += A[(long)k * m + i] * v[i];
  return s;
}

Vec residualOf(const Vec& A, int m, int n, const Vec& b, const Vec& z) {
  Vec r = b;
  for (int k = 0; k < n; ++k)
    for (int i = 0; i < m; ++i) r[i] -= A[(long)k * m + i] * z[k];
  return r;
}

// Unconstrained least squares on the columns marked in use, by modified
// Gram-Schmidt; a column dependent on earlier ones gets 0. *separation (if
// given) is the least share of a column's norm left after the earlier ones
// are taken out: near 0, the fit is ill-conditioned.
Vec leastSquaresOn(const Vec& A, int m, int n, const Vec& b, const std::vector<bool>& use,
                   double* separation = nullptr) {
  if (separation) *separation = 1;
  std::vector<int> cols;
  for (int k = 0; k < n; ++k)
    if (use[k]) cols.push_back(k);
  const int p = (int)cols.size();
  Vec Q((long)p * m), R((long)p * p, 0.0);
  std::vector<bool> kept(p, false);
  for (int c = 0; c < p; ++c) {
    double* q = &Q[(long)c * m];
    for (int i = 0; i < m; ++i) q[i] = A[(long)cols[c] * m + i];
    double original = 0;
    for (int i = 0; i < m; ++i) original += q[i] * q[i];
    for (int e = 0; e < c; ++e) {
      if (!kept[e]) continue;
      const double* qe = &Q[(long)e * m];
      double r = 0;
      for (int i = 0; i < m; ++i) r += qe[i] * q[i];
      R[(long)e * p + c] = r;
      for (int i = 0; i < m; ++i) q[i] -= r * qe[i];
    }
    double norm = 0;
    for (int i = 0; i < m; ++i) norm += q[i] * q[i];
    norm = std::sqrt(norm);
    if (separation) *separation = std::fmin(*separation, norm / std::sqrt(original));
    if (!(norm > 1e-12 * std::sqrt(original)) || norm == 0) continue;
    kept[c] = true;
    R[(long)c * p + c] = norm;
    for (int i = 0; i < m; ++i) q[i] /= norm;
  }
  Vec y(p, 0.0), z(n, 0.0);
  for (int c = 0; c < p; ++c)
    if (kept[c])
      for (int i = 0; i < m; ++i) y[c] += Q[(long)c * m + i] * b[i];
  for (int c = p - 1; c >= 0; --c) {
    if (!kept[c]) continue;
    double s = y[c];
    for (int e = c + 1; e < p; ++e)
      if (kept[e]) s -= R[(long)c * p + e] * z[cols[e]];
    z[cols[c]] = s / R[(long)c * p + c];
  }
  return z;
}

double norm(const Vec& v) {
  double s = 0;
  for (double x : v) s += x * x;
  return std::sqrt(s);
}

}  // namespace

std::vector<double> nonNegativeLeastSquares(const std::vector<double>& A, int m, int n,
                                            const std::vector<double>& b, double* residual) {
  Vec z(n, 0.0);
  std::vector<bool> passive(n, false);
  // Where the unconstrained fit is nonnegative and well-conditioned (every
  // active point carries a multiplier, as at a regular solution) it is the
  // answer: one solve, not one per column. Nearly dependent columns (two
  // active points close together) are left to the column-by-column method.
  const std::vector<bool> all(n, true);
  double separation;
  const Vec unconstrained = leastSquaresOn(A, m, n, b, all, &separation);
  if (separation > 1e-3 &&
      std::all_of(unconstrained.begin(), unconstrained.end(), [](double v) { return v >= 0; }))
    z = unconstrained, passive = all;
  // From a feasible z, towards the fit on the passive columns; columns whose
  // coefficient reaches zero on the way leave the passive set.
  auto settle = [&] {
    for (int inner = 0; inner < 3 * n + 3; ++inner) {
      Vec s = leastSquaresOn(A, m, n, b, passive);
      double alpha = 1;
      bool feasible = true;
      for (int k = 0; k < n; ++k)
        if (passive[k] && s[k] <= 0) {
          feasible = false;
          if (z[k] - s[k] > 0) alpha = std::fmin(alpha, z[k] / (z[k] - s[k]));
        }
      if (feasible) {
        z = s;
        return;
      }
      for (int k = 0; k < n; ++k) {
        z[k] += alpha * (s[k] - z[k]);
        if (passive[k] && z[k] <= 1e-15) passive[k] = false, z[k] = 0;
      }
    }
  };
  const double tol = 1e-12 * (1 + norm(b));
  for (int outer = 0; outer < 3 * n + 3; ++outer) {
    Vec r = residualOf(A, m, n, b, z);
    int best = -1;
    double most = tol;
    for (int k = 0; k < n; ++k) {
      double w = dotColumn(A, m, k, r);
      if (!passive[k] && w > most) most = w, best = k;
    }
    if (best < 0) break;
    passive[best] = true;
    settle();
  }
  *residual = norm(residualOf(A, m, n, b, z));
  return z;
}

}  // namespace ormid
