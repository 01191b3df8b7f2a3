#include "kernels/penalty_shapes.h"

#include <cmath>

namespace ormid {

namespace {

// The value phi and the factor phi'(v) that turns dv/dx into d(phi)/dx;
// NaN factor: dv/dx stands as it is.
struct Shaped {
  double value, slope;
};

Shaped p1(double v, double eps) {
  if (v <= -eps) return {0.0, 0.0};
  if (v >= eps) return {v, NAN};
  return {(v + eps) * (v + eps) / (4 * eps), (v + eps) / (2 * eps)};
}

Shaped p3(double v, double eps) {
  if (v <= -eps) return {0.0, 0.0};
  if (v >= eps) return {std::exp(v) - 1, std::exp(v)};
  const double s = (v + eps) * (v + eps) / (4 * eps);
  return {std::exp(s) - 1, std::exp(s) * (v + eps) / (2 * eps)};
}

Shaped smoothedRoot(double v, double eps) {
  const double m = std::sqrt(v * v + eps * eps);
  return {(m + v) / 2, (m + v) / (2 * m)};
}

Shaped shaped(PenaltyShape shape, double v, double eps) {
  switch (shape) {
    case PenaltyShape::P1: return p1(v, eps);
    case PenaltyShape::P2: return v > 0 ? Shaped{std::pow(v, 2.0), 2 * v} : Shaped{0.0, 0.0};
    case PenaltyShape::P3: return p3(v, eps);
    case PenaltyShape::SmoothedRoot: return smoothedRoot(v, eps);
  }
  return {0.0, 0.0};
}

}  // namespace

double penaltyShape(PenaltyShape shape, double v, double eps, int n, double* grad) {
  const Shaped s = shaped(shape, v, eps);
  if (grad && !std::isnan(s.slope))
    for (int i = 0; i < n; ++i) grad[i] *= s.slope;
  return s.value;
}

}  // namespace ormid
