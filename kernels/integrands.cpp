#include <cmath>
#include <vector>

#include "kernels/quadrature.h"
#include "kernels/vector_ops.h"
#include "core/sip.h"

namespace ormid {

namespace {

// Violation v = g_j(x, t) - u_j, and the x-gradient of g_j when asked.
double violation(SipContext& c, const double* x, const double* t, int j, int wantGrad,
                 double* grad) {
  const Problem& p = c.problem;
  double v = c.evaluate(Request::InfiniteValue, j, x, t) - p.ctu[j];
  if (wantGrad) {
    std::vector<double> gt(p.nt);
    c.evaluate(Request::InfiniteGradient, j, x, t, grad, gt.data());
  }
  return v;
}

void scale(const SipContext& c, double* grad, double factor) {
  for (int i = 0; i < c.problem.nx; ++i) grad[i] *= factor;
}

void zero(const SipContext& c, double* grad) { scale(c, grad, 0.0); }

}  // namespace

double integrandP2(SipContext& c, const double* x, const double* t, int j, int wantGrad,
                   double* grad, double) {
  double v = violation(c, x, t, j, wantGrad, grad);
  if (v > 0) {
    if (wantGrad) scale(c, grad, 2 * v);
    return std::pow(v, 2.0);
  }
  if (wantGrad) zero(c, grad);
  return 0.0;
}

double integrandP1(SipContext& c, const double* x, const double* t, int j, int wantGrad,
                   double* grad, double) {
  const double eps = c.pfEps;
  double v = violation(c, x, t, j, wantGrad, grad);
  if (v <= -eps) {
    if (wantGrad) zero(c, grad);
    return 0.0;
  }
  if (v >= eps) return v;
  if (wantGrad) scale(c, grad, (v + eps) / (2 * eps));
  return (v + eps) * (v + eps) / (4 * eps);
}

double integrandP3(SipContext& c, const double* x, const double* t, int j, int wantGrad,
                   double* grad, double) {
  const double eps = c.pfEps;
  double v = violation(c, x, t, j, wantGrad, grad);
  if (v <= -eps) {
    if (wantGrad) zero(c, grad);
    return 0.0;
  }
  if (v >= eps) {
    if (wantGrad) scale(c, grad, std::exp(v));
    return std::exp(v) - 1;
  }
  double s = (v + eps) * (v + eps) / (4 * eps);
  if (wantGrad) scale(c, grad, std::exp(s) * (v + eps) / (2 * eps));
  return std::exp(s) - 1;
}

double integrandSmoothedRoot(SipContext& c, const double* x, const double* t, int j, int wantGrad,
                             double* grad, double) {
  const double eps = c.pfEps;
  double v = violation(c, x, t, j, wantGrad, grad);
  double m = std::sqrt(v * v + eps * eps);
  if (wantGrad) scale(c, grad, (m + v) / (2 * m));
  return (m + v) / 2;
}

}  // namespace ormid
