#include "kernels/orthogonal_columns.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "kernels/blas_lock.h"
#include "kernels/vector_ops.h"

extern "C" {
void dgeqrf_(const int* m, const int* n, double* a, const int* lda, double* tau, double* work, const int* lwork,
             int* info);
void dtrsm_(const char* side, const char* uplo, const char* trans, const char* diag, const int* m, const int* n,
            const double* alpha, const double* a, const int* lda, double* b, const int* ldb);
void dtrsv_(const char* uplo, const char* trans, const char* diag, const int* n, const double* a, const int* lda,
            double* x, const int* incx);
}

namespace ormid {

namespace {

// R's diagonal entries below this share of its largest: the rows are
// dependent to rounding.
const double DEPENDENT = 1e-15;
// Power steps of the condition estimate: it is needed to a factor of a few.
const int CONDITION_STEPS = 8;

}  // namespace

bool OrthogonalColumns::factor(const LinearProgram& lp, const std::vector<int>& rows) {
  const int n = lp.n, m = (int)rows.size();
  if (n <= 0 || m < n) return false;
  std::vector<double> a((size_t)m * n);  // column-major
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < n; ++j) a[(size_t)j * m + i] = lp.G[(size_t)rows[i] * n + j];
  std::vector<double> tau(n);
  int info = 0, lwork = -1;
  double size = 0;
  {
    const std::lock_guard<std::mutex> turn(blasLock());
    dgeqrf_(&m, &n, a.data(), &m, tau.data(), &size, &lwork, &info);
    lwork = std::max(n, (int)size);
    std::vector<double> work(lwork);
    dgeqrf_(&m, &n, a.data(), &m, tau.data(), work.data(), &lwork, &info);
  }
  if (info != 0) return false;
  n_ = n;
  R_.assign((size_t)n * n, 0.0);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i <= j; ++i) R_[(size_t)j * n + i] = a[(size_t)j * m + i];
  double largest = 0, smallest = HUGE_VAL;
  for (int i = 0; i < n; ++i) {
    largest = std::max(largest, std::fabs(R_[(size_t)i * n + i]));
    smallest = std::min(smallest, std::fabs(R_[(size_t)i * n + i]));
  }
  // Dependent columns: no change of variables makes them independent.
  return std::isfinite(largest) && smallest > DEPENDENT * largest;
}

double OrthogonalColumns::condition() const {
  if (n_ <= 0) return HUGE_VAL;
  // ||R^{-1}||_2 by the power method on (R'R)^{-1}: two triangular solves a
  // step, growth ||(R'R)^{-1} v|| for a unit v tending to ||R^{-1}||^2.
  std::vector<double> v(n_);
  for (int i = 0; i < n_; ++i) v[i] = 1.0 + (double)i / n_;
  double growth = norm2(n_, v.data());
  const int inc = 1;
  const std::lock_guard<std::mutex> turn(blasLock());
  for (int step = 0; step < CONDITION_STEPS; ++step) {
    if (!(growth > 0) || !std::isfinite(growth)) return HUGE_VAL;
    for (double& e : v) e /= growth;
    dtrsv_("U", "N", "N", &n_, R_.data(), &n_, v.data(), &inc);
    dtrsv_("U", "T", "N", &n_, R_.data(), &n_, v.data(), &inc);
    growth = norm2(n_, v.data());
  }
  return norm2((int)R_.size(), R_.data()) * std::sqrt(growth);
}

LinearProgram OrthogonalColumns::transform(const LinearProgram& lp, const std::vector<double>& centre,
                                           std::vector<double>& rowDivisor) const {
  const int n = n_, m = lp.rows();
  LinearProgram out;
  out.n = n;
  out.c = lp.c;
  out.h = lp.h;
  std::vector<double> g((size_t)m * n);  // column-major, for dtrsm
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < n; ++j) {
      g[(size_t)j * m + i] = lp.G[(size_t)i * n + j];
      out.h[i] -= lp.G[(size_t)i * n + j] * centre[j];
    }
  const double one = 1.0;
  const int inc = 1;
  {
    const std::lock_guard<std::mutex> turn(blasLock());
    if (m > 0) dtrsm_("R", "U", "N", "N", &m, &n, &one, R_.data(), &n, g.data(), &m);
    dtrsv_("U", "T", "N", &n, R_.data(), &n, out.c.data(), &inc);
  }
  out.G.resize((size_t)m * n);
  rowDivisor.assign(m, 1.0);
  for (int i = 0; i < m; ++i) {
    double largest = 0;
    for (int j = 0; j < n; ++j) largest = std::max(largest, std::fabs(g[(size_t)j * m + i]));
    const double d = largest > 0 && std::isfinite(largest) ? largest : 1.0;
    rowDivisor[i] = d;
    for (int j = 0; j < n; ++j) out.G[(size_t)i * n + j] = g[(size_t)j * m + i] / d;
    out.h[i] /= d;
  }
  return out;
}

std::vector<double> OrthogonalColumns::reach(const std::vector<double>& xReach) const {
  std::vector<double> y(n_, 0.0);
  for (int i = 0; i < n_; ++i)
    for (int j = i; j < n_; ++j) y[i] += std::fabs(R_[(size_t)j * n_ + i]) * xReach[j];
  return y;
}

std::vector<double> OrthogonalColumns::back(const std::vector<double>& y, const std::vector<double>& centre) const {
  std::vector<double> x = y;
  const int inc = 1;
  {
    const std::lock_guard<std::mutex> turn(blasLock());
    dtrsv_("U", "N", "N", &n_, R_.data(), &n_, x.data(), &inc);
  }
  for (int i = 0; i < n_; ++i) x[i] += centre[i];
  return x;
}

}  // namespace ormid
