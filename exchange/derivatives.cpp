#include "exchange/derivatives.h"

#include <algorithm>
#include <cmath>

#include "kernels/vector_ops.h"
#include "lower_level/lower_level.h"

namespace ormid {

namespace {

// Central differences of a vector function of one coordinate: the step
// balances truncation (h^2) against rounding (eps / h).
double differenceStep(double v) { return 6e-6 * std::max(1.0, std::fabs(v)); }

// The stencil stays within [lower, upper] where that is wide enough.
template <class Gradient>
bool differentiate(Vec& point, int coordinate, int outputs, Gradient gradient, Vec& column,
                   double lower = -HUGE_VAL, double upper = HUGE_VAL) {
  const double h = differenceStep(point[coordinate]), keep = point[coordinate];
  const double centre = stencilCentre(keep, h, lower, upper);
  Vec plus(outputs), minus(outputs);
  point[coordinate] = centre + h;
  bool ok = gradient(point.data(), plus.data());
  point[coordinate] = centre - h;
  ok = ok && gradient(point.data(), minus.data());
  point[coordinate] = keep;
  column.resize(outputs);
  for (int i = 0; i < outputs; ++i) column[i] = (plus[i] - minus[i]) / (2 * h);
  return ok && allFinite(outputs, column.data());
}

void symmetrise(int n, Vec& h) {
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < i; ++k) h[i * n + k] = h[k * n + i] = 0.5 * (h[i * n + k] + h[k * n + i]);
}

// Hessian (n x n) of a function on x from its gradient.
template <class Gradient>
bool hessianByDifferences(int n, const double* x, Gradient gradient, Vec& hess) {
  Vec point(x, x + n), column;
  hess.assign((long)n * n, 0.0);
  for (int k = 0; k < n; ++k) {
    if (!differentiate(point, k, n, gradient, column)) return false;
    for (int i = 0; i < n; ++i) hess[(long)i * n + k] = column[i];
  }
  symmetrise(n, hess);
  return true;
}

}  // namespace

bool infiniteDerivatives(SipContext& c, int j, const double* x, const double* t, Order order,
                         ConstraintDerivatives& d) {
  const Problem& p = c.problem;
  const int nx = p.nx, nt = p.nt;
  int error = 0;
  d.value = c.evaluate(Request::InfiniteValue, j, x, t, nullptr, nullptr, nullptr, &error);
  d.gx.assign(std::max(nx, 1), 0.0), d.gt.assign(std::max(nt, 1), 0.0);
  c.evaluate(Request::InfiniteGradient, j, x, t, d.gx.data(), d.gt.data(), nullptr, &error);
  if (error || !std::isfinite(d.value) || !allFinite(nx, d.gx.data()) || !allFinite(nt, d.gt.data()))
    return false;
  if (order == Order::First) return true;
  d.hxx.assign((long)nx * nx, 0.0), d.htt.assign((long)nt * nt, 0.0), d.hxt.assign((long)nx * nt, 0.0);
  // The t-blocks alone come cheaper from 2 nt gradients than from the
  // evaluator's Hessian, whose x-block has nx^2 entries.
  if (p.hessians && order == Order::All) {
    c.evaluate(Request::InfiniteHessian, j, x, t, d.hxx.data(), d.htt.data(), d.hxt.data(), &error);
    return !error && allFinite(nx * nx, d.hxx.data()) && allFinite(nt * nt, d.htt.data()) &&
           allFinite(nx * nt, d.hxt.data());
  }
  // Differences in t give htt and hxt; differences in x give hxx.
  Vec tPoint(t, t + nt), column;
  auto byT = [&](const double* tt, double* out) {
    int e = 0;
    Vec gx(std::max(nx, 1));
    c.evaluate(Request::InfiniteGradient, j, x, tt, gx.data(), out + nx, nullptr, &e);
    std::copy(gx.begin(), gx.begin() + nx, out);
    return e == 0;
  };
  for (int e = 0; e < nt; ++e) {
    if (!differentiate(tPoint, e, nx + nt, byT, column, p.tl[e], p.tu[e])) return false;
    for (int i = 0; i < nx; ++i) d.hxt[(long)i * nt + e] = column[i];
    for (int k = 0; k < nt; ++k) d.htt[(long)k * nt + e] = column[nx + k];
  }
  symmetrise(nt, d.htt);
  if (order == Order::TimeBlocks) return true;
  auto byX = [&](const double* xx, double* out) {
    int e = 0;
    Vec gt(std::max(nt, 1));
    c.evaluate(Request::InfiniteGradient, j, xx, t, out, gt.data(), nullptr, &e);
    return e == 0;
  };
  return hessianByDifferences(nx, x, byX, d.hxx);
}

bool objectiveDerivatives(SipContext& c, const double* x, Vec& grad, Vec& hess) {
  const Problem& p = c.problem;
  const int n = p.nx;
  int error = 0;
  grad.assign(std::max(n, 1), 0.0);
  c.evaluate(Request::ObjectiveValue, 0, x, nullptr, nullptr, nullptr, nullptr, &error);
  c.evaluate(Request::ObjectiveGradient, 0, x, nullptr, grad.data(), nullptr, nullptr, &error);
  if (error || !allFinite(n, grad.data())) return false;
  hess.assign((long)n * n, 0.0);
  bool ok;
  if (p.hessians) {
    c.evaluate(Request::ObjectiveHessian, 0, x, nullptr, hess.data(), nullptr, nullptr, &error);
    ok = !error && allFinite(n * n, hess.data());
  } else {
    auto gradient = [&](const double* xx, double* out) {
      int e = 0;
      c.evaluate(Request::ObjectiveGradient, 0, xx, nullptr, out, nullptr, nullptr, &e);
      return e == 0;
    };
    ok = hessianByDifferences(n, x, gradient, hess);
  }
  return ok;
}

bool finiteDerivatives(SipContext& c, int k, const double* x, double* value, Vec& grad, Vec& hess) {
  const Problem& p = c.problem;
  const int n = p.nx;
  int error = 0;
  *value = c.evaluate(Request::FiniteValue, k, x, nullptr, nullptr, nullptr, nullptr, &error);
  grad.assign(std::max(n, 1), 0.0);
  c.evaluate(Request::FiniteGradient, k, x, nullptr, grad.data(), nullptr, nullptr, &error);
  if (error || !std::isfinite(*value) || !allFinite(n, grad.data())) return false;
  hess.assign((long)n * n, 0.0);
  if (p.hessians) {
    c.evaluate(Request::FiniteHessian, k, x, nullptr, hess.data(), nullptr, nullptr, &error);
    return !error && allFinite(n * n, hess.data());
  }
  auto gradient = [&](const double* xx, double* out) {
    int e = 0;
    c.evaluate(Request::FiniteGradient, k, xx, nullptr, out, nullptr, nullptr, &e);
    return e == 0;
  };
  return hessianByDifferences(n, x, gradient, hess);
}

}  // namespace ormid
