// The penalty integrands' shapes: phi(v) of a constraint's violation v,
// smoothed over [-eps, eps] where the shape has a kink.
#pragma once

namespace ormid {

enum class PenaltyShape {
  P1,            // max(0, v), smoothed by (v + eps)^2 / (4 eps)
  P2,            // max(0, v)^2
  P3,            // exp(max(0, v)) - 1, smoothed like P1 inside the exponent
  SmoothedRoot,  // (sqrt(v^2 + eps^2) + v) / 2
};

// phi(v); when grad is not null its n entries (dv/dx) become d(phi)/dx.
double penaltyShape(PenaltyShape shape, double v, double eps, int n, double* grad);

}  // namespace ormid
