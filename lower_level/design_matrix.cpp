#include "lower_level/design_matrix.h"

#include <cblas.h>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "kernels/blas_lock.h"

namespace ormid {

namespace {

// The scan of a constraint that makes its matrix.
const int MADE_AT_USE = 3;

}  // namespace

DesignMatrix::DesignMatrix(const Problem& p, int j, const std::vector<std::vector<double>>& points,
                           long* evaluations)
    : nx_(p.nx), gradient_(points.size() * (size_t)p.nx), constant_(points.size()) {
  const std::vector<double> zero(std::max(p.nx, 1), 0.0);
  std::vector<double> gt(std::max(p.nt, 1));
  for (size_t i = 0; i < points.size() && usable_; ++i) {
    int error = 0;
    double* a = &gradient_[i * nx_];
    p.evaluate(Request::InfiniteGradient, j, zero.data(), points[i].data(), a, gt.data(), nullptr, &error, p.data);
    const double c = p.evaluate(Request::InfiniteValue, j, zero.data(), points[i].data(), nullptr, nullptr,
                                nullptr, &error, p.data);
    constant_[i] = c;
    usable_ = !error && std::isfinite(c) && std::all_of(a, a + nx_, [](double v) { return std::isfinite(v); });
  }
  *evaluations += 2 * (long)points.size();
  if (!usable_) gradient_.clear(), constant_.clear();
}

void DesignMatrix::values(const double* x, double* out) const {
  std::copy(constant_.begin(), constant_.end(), out);
  if (rows() == 0 || nx_ == 0) return;
  const std::lock_guard<std::mutex> turn(blasLock());  // kernels/blas_lock.h
  cblas_dgemv(CblasRowMajor, CblasNoTrans, (int)rows(), nx_, 1.0, gradient_.data(), nx_, x, 1, 1.0, out, 1);
}

namespace {

// Whether the evaluator's answer to a Hessian pattern request is all zeros.
bool emptyPattern(const Problem& p, Request request) {
  if (!p.hessians || p.nx <= 0 || !p.evaluate) return false;
  std::vector<double> flags((size_t)p.nx * p.nx + 1, 1.0), x(p.nx, 0.0);
  int error = 0;
  p.evaluate(request, 0, x.data(), nullptr, flags.data(), nullptr, nullptr, &error, p.data);
  if (error) return false;
  return std::all_of(flags.begin(), flags.end() - 1, [](double f) { return f == 0; });
}

}  // namespace

bool problemLinearInX(const Problem& p) { return emptyPattern(p, Request::HessianPattern); }

bool constraintsLinearInX(const Problem& p) { return emptyPattern(p, Request::ConstraintHessianPattern); }

DesignMatrices::DesignMatrices(const Problem& p, size_t count)
    : wanted_((double)count * p.nx * std::max(p.mt, 1) <= MAX_VALUES && constraintsLinearInX(p)),
      matrices_(std::max(p.mt, 0)),
      uses_(std::max(p.mt, 0), 0) {}

const DesignMatrix* DesignMatrices::of(const Problem& p, int j, const std::vector<std::vector<double>>& points,
                                       long* evaluations) {
  if (!wanted_ || j < 0 || j >= (int)matrices_.size()) return nullptr;
  if (++uses_[j] == MADE_AT_USE) matrices_[j].reset(new DesignMatrix(p, j, points, evaluations));
  return matrices_[j] && matrices_[j]->usable() ? matrices_[j].get() : nullptr;
}

}  // namespace ormid
