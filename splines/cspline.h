// Natural cubic spline through n knots x_0 < ... < x_{n-1} with values y,
// extended linearly beyond the end knots.
#pragma once

#include <vector>

// Forward-eliminated tridiagonal system of the interior second derivatives;
// it depends on the knots only.
struct SplineFactorization {
  std::vector<double> knots;
  std::vector<double> diag, upper, lower;  // eliminated rows
};

struct CubicSpline {
  std::vector<double> knots, values;
  std::vector<double> second;  // second derivatives at the knots
  const SplineFactorization* factors = nullptr;
};

// True when the knots strictly increase (n >= 2).
bool knotsIncrease(int n, const double* x);

// The spline for these arrays; reuses the previous call's factorization when
// both arrays (and n) are byte-for-byte the same.
const CubicSpline& naturalSpline(int n, const double* knots, const double* values);

// Value and derivatives in x: d[0] = s(x), d[1] = s'(x), d[2] = s''(x).
void splineAt(const CubicSpline& s, double x, double d[3]);

// Cardinal functions L_i (the spline through the i-th unit vector) at x and
// their x-derivatives, from the factorization of a spline of naturalSpline:
// the partials of s(x) and s'(x) with respect to y_i.
void cardinalAt(const CubicSpline& s, double x, std::vector<double>& value,
                std::vector<double>& slope);

// Number of factorizations computed so far (to observe the reuse).
int splineFactorizations();
