#include <cmath>
#include <vector>

#include "penalty.h"
#include "sip.h"

namespace {

// Violation v = g_j(x, t) - u_j, and the x-gradient of g_j when asked.
double violation(const double* x, const double* t, int j, int wantGrad, double* grad) {
  const SipProblem& p = sipProblem;
  double v = p.evaluate(REQ_CONTVAL, j, x, t, nullptr, nullptr, nullptr, nullptr) - p.ctu[j];
  if (wantGrad) {
    std::vector<double> gt(p.nt);
    p.evaluate(REQ_CONTGRD, j, x, t, grad, gt.data(), nullptr, nullptr);
  }
  return v;
}

void scale(double* grad, double factor) {
  for (int i = 0; i < sipProblem.nx; ++i) grad[i] *= factor;
}

void zero(double* grad) { scale(grad, 0.0); }

}  // namespace

double integrandP2(const double* x, const double* t, int j, int wantGrad, double* grad,
                   double) {
  double v = violation(x, t, j, wantGrad, grad);
  if (v > 0) {
    if (wantGrad) scale(grad, 2 * v);
    return std::pow(v, 2.0);
  }
  if (wantGrad) zero(grad);
  return 0.0;
}

double integrandP1(const double* x, const double* t, int j, int wantGrad, double* grad,
                   double) {
  const double eps = sipOptions.pf_eps;
  double v = violation(x, t, j, wantGrad, grad);
  if (v <= -eps) {
    if (wantGrad) zero(grad);
    return 0.0;
  }
  if (v >= eps) return v;
  if (wantGrad) scale(grad, (v + eps) / (2 * eps));
  return (v + eps) * (v + eps) / (4 * eps);
}

double integrandP3(const double* x, const double* t, int j, int wantGrad, double* grad,
                   double) {
  const double eps = sipOptions.pf_eps;
  double v = violation(x, t, j, wantGrad, grad);
  if (v <= -eps) {
    if (wantGrad) zero(grad);
    return 0.0;
  }
  if (v >= eps) {
    if (wantGrad) scale(grad, std::exp(v));
    return std::exp(v) - 1;
  }
  double s = (v + eps) * (v + eps) / (4 * eps);
  if (wantGrad) scale(grad, std::exp(s) * (v + eps) / (2 * eps));
  return std::exp(s) - 1;
}

double integrandSmoothedRoot(const double* x, const double* t, int j, int wantGrad,
                             double* grad, double) {
  const double eps = sipOptions.pf_eps;
  double v = violation(x, t, j, wantGrad, grad);
  double m = std::sqrt(v * v + eps * eps);
  if (wantGrad) scale(grad, (m + v) / (2 * m));
  return (m + v) / 2;
}
