// The AMPL function library: registers bspline, dbspline and cspline with the
// host and evaluates them with their partial derivatives.
#include <cmath>
#include <vector>

#include "bspline.h"
#include "cspline.h"

#include "funcadd.h"

namespace {

// Orders and counts are whole numbers taken by truncation; values too large
// for an int count as invalid (-1).
int truncated(double v) { return std::fabs(v) < 1e9 ? (int)v : -1; }

// Position of the second partial for arguments i <= j in al->hes.
int hesIndex(int i, int j) { return i + j * (j + 1) / 2; }

void clearPartials(arglist* al) {
  if (al->derivs)
    for (int i = 0; i < al->n; ++i) al->derivs[i] = 0;
  if (al->hes)
    for (int i = 0; i < al->n * (al->n + 1) / 2; ++i) al->hes[i] = 0;
}

// Argument layout of the B-spline functions after x (and m for dbspline):
// k, n, n coefficients, n + k knots. Orders, counts and knots are taken as
// constants: their partials are zero.
struct BsplineArgs {
  int m, k, n;
  int first;  // index of c_0 in ra
  const double* c;
  const double* t;
};

bool readBsplineArgs(arglist* al, bool withOrder, BsplineArgs& b, const char* name) {
  AmplExports* ae = al->AE;
  const double* ra = al->ra;
  int at = withOrder ? 2 : 1;
  b.m = withOrder ? truncated(ra[1]) : 0;
  b.k = truncated(ra[at]);
  b.n = truncated(ra[at + 1]);
  b.first = at + 2;
  if (b.k < 1 || b.n < 1 || b.m < 0 || (long)b.first + 2L * b.n + b.k > al->n) {
    printf("Invalid arguments to %s: order %d, derivative %d, %d coefficients need %ld arguments "
           "and %d were given\n", name, b.k, b.m, b.n, (long)b.first + 2L * b.n + b.k, al->n);
    return false;
  }
  b.c = ra + b.first;
  b.t = ra + b.first + b.n;
  return true;
}

// Value of derivative m, with partials in x (orders m+1, m+2) and in the
// coefficients (derivative m of each basis function, and m+1 mixed with x).
double bsplineFamily(arglist* al, bool withOrder, const char* name, int minimum,
                     const char* countMessage) {
  AmplExports* ae = al->AE;
  if (al->n < minimum) {
    printf(countMessage, al->n);
    return 0;
  }
  BsplineArgs b;
  if (!readBsplineArgs(al, withOrder, b, name)) return 0;
  const double x = al->ra[0];
  clearPartials(al);
  if (al->derivs) {
    al->derivs[0] = bsplineDerivative(x, b.m + 1, b.k, b.n, b.c, b.t);
    std::vector<double> unit(b.n, 0.0);
    for (int i = 0; i < b.n; ++i) {
      unit[i] = 1;
      al->derivs[b.first + i] = bsplineDerivative(x, b.m, b.k, b.n, unit.data(), b.t);
      if (al->hes)
        al->hes[hesIndex(0, b.first + i)] = bsplineDerivative(x, b.m + 1, b.k, b.n, unit.data(), b.t);
      unit[i] = 0;
    }
    if (al->hes) al->hes[0] = bsplineDerivative(x, b.m + 2, b.k, b.n, b.c, b.t);
  }
  return bsplineDerivative(x, b.m, b.k, b.n, b.c, b.t);
}

real bspline(arglist* al) {
  return bsplineFamily(al, false, "bspline", 3,
                       "Invalid number of args to bspline expected >=3 and obtained %d\n");
}

real dbspline(arglist* al) {
  return bsplineFamily(al, true, "dbspline", 4,
                       "Invalid number of args to bspline expected >=4 and obtained %d\n");
}

// cspline(x, n, x_0 .. x_{n-1}, y_0 .. y_{n-1}): the natural cubic spline
// through the points (x_i, y_i), linear beyond the end knots.
real cspline(arglist* al) {
  AmplExports* ae = al->AE;
  if (al->n < 18) {
    printf("Invalid number of args to cspline. Expected >=18 and obtained %d.\n", al->n);
    return 0;
  }
  const double* ra = al->ra;
  const double x = ra[0];
  const int n = truncated(ra[1]);
  if (n < 2 || 2L + 2L * n > al->n || !knotsIncrease(n, ra + 2)) {
    printf("Invalid arguments to cspline: %d increasing knots and %d values need %ld arguments "
           "and %d were given\n", n, n, 2L + 2L * n, al->n);
    return 0;
  }
  const double* knots = ra + 2;
  const double* values = ra + 2 + n;
  if (x < 0)
    printf("Using a negative parameter in the spline\n");
  if (x < knots[0] || x > knots[n - 1])
    printf("Using a parameter out of the spline interpolation\n");
  const CubicSpline& s = naturalSpline(n, knots, values);
  double d[3];
  splineAt(s, x, d);
  clearPartials(al);
  if (al->derivs) {
    al->derivs[0] = d[1];
    std::vector<double> value, slope;
    cardinalAt(s, x, value, slope);
    for (int i = 0; i < n; ++i) {
      al->derivs[2 + n + i] = value[i];
      if (al->hes) al->hes[hesIndex(0, 2 + n + i)] = slope[i];
    }
    if (al->hes) al->hes[0] = d[2];
  }
  return d[0];
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void funcadd_ASL(AmplExports* ae) {
  addfunc("bspline", (rfunc)bspline, FUNCADD_REAL_VALUED, -4, nullptr);
  addfunc("dbspline", (rfunc)dbspline, FUNCADD_REAL_VALUED, -5, nullptr);
  addfunc("cspline", (rfunc)cspline, FUNCADD_REAL_VALUED, -19, nullptr);
}
