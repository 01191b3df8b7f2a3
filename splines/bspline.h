// B-spline curves s(x) = sum_i c_i B_{i,k}(x) over a knot vector t, and
// their derivatives by differenced coefficients.
#pragma once

#include <vector>

// B_{i,k}(x) for i = 0 .. count-1 (order k >= 1; order 0 and below give 0).
// Needs knots t_0 .. t_{count+k-1}. Terms with a zero denominator drop out.
std::vector<double> bsplineBasis(double x, int k, int count, const double* t);

// sum_{i<n} c_i B_{i,k}(x); n + k knots are read.
double bsplineValue(double x, int k, int n, const double* c, const double* t);

// The m-th derivative in x (m = 0 gives the value).
double bsplineDerivative(double x, int m, int k, int n, const double* c, const double* t);
