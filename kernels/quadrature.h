// Integrals over one variable of an integrand with an x-gradient: the
// adaptive trapezoid and Gauss rules.
#pragma once

#include <functional>

#include "kernels/trace.h"

namespace ormid {

// Evaluations one integral may spend; an integral that would need more is
// cut short (its estimate stands) and cutShort says so.
const long QUADRATURE_MAX_POINTS = 100000;

// One integral over [tl, tu].
struct Quadrature {
  // The integrand at the node s; with wantGrad, its x-gradient into grad
  // (nx values).
  std::function<double(double s, int wantGrad, double* grad)> phi;
  double tl = 0, tu = 0;
  int nx = 0;
  int intervals = 0;  // int_n (points of the Gauss rule)
  double error = 0;   // int_error
  double minLength = 0;  // int_amp
  int wantGrad = 0;
  Trace pieces;        // each accepted piece [a, m] of the adaptive Gauss rule, as "a,m,"
  Trace invalidRule;   // a Gauss rule of other than 6, 8 or 16 points (16 are used)
  mutable long pointsLeft = QUADRATURE_MAX_POINTS;
};

// Return the integral; add the violation measure into *violation and the
// x-gradient into grad (nx doubles, cleared first) when wantGrad.
double adaptiveTrapezoid(const Quadrature& q, double* violation, double* grad);
double adaptiveGauss(const Quadrature& q, double* violation, double* grad);
// The fixed n-point Gauss-Legendre rule on [a, b] (n = 6, 8 or 16).
double gaussRule(const Quadrature& q, double a, double b, double* violation, double* grad);

// The last integral ran out of evaluations: its estimate is cut short.
inline bool cutShort(const Quadrature& q) { return q.pointsLeft <= 0; }

}  // namespace ormid
