// B-splines against de Boor's algorithm and known reproductions; the natural
// cubic spline's interpolation and smoothness.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "bspline.h"
#include "cspline.h"

namespace {

typedef std::vector<double> Vec;

// de Boor's algorithm for the curve on the span [t_l, t_{l+1}), k - 1 <= l < n.
double deBoor(double x, int k, const Vec& c, const Vec& t) {
  int n = (int)c.size(), l = k - 1;
  while (l + 1 < n && t[l + 1] <= x) ++l;
  Vec d(c.begin() + (l - k + 1), c.begin() + l + 1);
  for (int r = 1; r < k; ++r)
    for (int j = k - 1; j >= r; --j) {
      int i = j + l - k + 1;
      double a = (x - t[i]) / (t[i + k - r] - t[i]);
      d[j] = (1 - a) * d[j - 1] + a * d[j];
    }
  return d[k - 1];
}

const Vec KNOTS = {0, 0, 0, 0, 0.3, 0.5, 0.5, 0.9, 1, 1, 1, 1};  // n = 8, k = 4
const Vec COEFS = {1.0, -0.5, 2.0, 0.3, 1.7, -1.2, 0.4, 2.5};

TEST(Bspline, MatchesDeBoorIncludingRepeatedKnots) {
  for (double x = 0; x < 1; x += 0.0371)
    EXPECT_NEAR(bsplineValue(x, 4, 8, COEFS.data(), KNOTS.data()), deBoor(x, 4, COEFS, KNOTS), 1e-12) << x;
}

TEST(Bspline, GrevilleCoefficientsReproduceX) {
  Vec greville(8);
  for (int i = 0; i < 8; ++i) greville[i] = (KNOTS[i + 1] + KNOTS[i + 2] + KNOTS[i + 3]) / 3;
  for (double x = 0; x < 1; x += 0.05) {
    EXPECT_NEAR(bsplineValue(x, 4, 8, greville.data(), KNOTS.data()), x, 1e-12);
    EXPECT_NEAR(bsplineDerivative(x, 1, 4, 8, greville.data(), KNOTS.data()), 1.0, 1e-11);
    EXPECT_NEAR(bsplineDerivative(x, 2, 4, 8, greville.data(), KNOTS.data()), 0.0, 1e-10);
  }
}

TEST(Bspline, OrderOneIsTheIntervalCoefficientAndZeroAtLastKnot) {
  const Vec t = {0, 1, 2, 3}, c = {5, 6, 7};
  EXPECT_EQ(bsplineValue(0.5, 1, 3, c.data(), t.data()), 5.0);
  EXPECT_EQ(bsplineValue(2.0, 1, 3, c.data(), t.data()), 7.0);
  EXPECT_EQ(bsplineValue(3.0, 1, 3, c.data(), t.data()), 0.0);
  EXPECT_EQ(bsplineValue(-1.0, 1, 3, c.data(), t.data()), 0.0);
  EXPECT_EQ(bsplineDerivative(0.5, 1, 1, 3, c.data(), t.data()), 0.0);
}

TEST(Bspline, DerivativesMatchFiniteDifferences) {
  const double h = 1e-6;
  for (double x : {0.1, 0.37, 0.62, 0.8, 0.95}) {
    EXPECT_EQ(bsplineDerivative(x, 0, 4, 8, COEFS.data(), KNOTS.data()),
              bsplineValue(x, 4, 8, COEFS.data(), KNOTS.data()));
    for (int m = 0; m < 3; ++m) {
      double up = bsplineDerivative(x + h, m, 4, 8, COEFS.data(), KNOTS.data());
      double down = bsplineDerivative(x - h, m, 4, 8, COEFS.data(), KNOTS.data());
      EXPECT_NEAR(bsplineDerivative(x, m + 1, 4, 8, COEFS.data(), KNOTS.data()), (up - down) / (2 * h),
                  1e-5 * (1 + std::fabs(up))) << x << " " << m;
    }
    EXPECT_EQ(bsplineDerivative(x, 4, 4, 8, COEFS.data(), KNOTS.data()), 0.0);
  }
}

TEST(CubicSpline, InterpolatesWithContinuousDerivatives) {
  const int n = 9;
  Vec x(n), y(n);
  for (int i = 0; i < n; ++i) {
    x[i] = i * i / 8.0;  // uneven spacing
    y[i] = std::sin(x[i]);
  }
  const CubicSpline& s = naturalSpline(n, x.data(), y.data());
  double d[3], l[3], r[3];
  for (int i = 0; i < n; ++i) {
    splineAt(s, x[i], d);
    EXPECT_NEAR(d[0], y[i], 1e-14);
  }
  splineAt(s, x[0], d);
  EXPECT_NEAR(d[2], 0.0, 1e-14);  // natural end
  for (int i = 1; i + 1 < n; ++i) {
    splineAt(s, x[i] - 1e-9, l);
    splineAt(s, x[i] + 1e-9, r);
    EXPECT_NEAR(l[1], r[1], 1e-7) << i;
    EXPECT_NEAR(l[2], r[2], 1e-6) << i;
  }
  splineAt(s, x[n - 1] + 1.0, d);  // linear beyond the last knot
  splineAt(s, x[n - 1], r);
  EXPECT_NEAR(d[0], r[0] + r[1], 1e-12);
}

TEST(CubicSpline, FactorizationIsReusedOnlyForIdenticalArrays) {
  Vec x = {0, 1, 2, 3, 4, 5, 6, 7}, y = {0, 1, 4, 9, 16, 25, 36, 49};
  naturalSpline(8, x.data(), y.data());
  int before = splineFactorizations();
  naturalSpline(8, x.data(), y.data());
  EXPECT_EQ(splineFactorizations(), before);
  y[3] = 10;  // same knots: the factorization stays, the values change
  double d[3];
  splineAt(naturalSpline(8, x.data(), y.data()), 3.0, d);
  EXPECT_EQ(d[0], 10.0);
  EXPECT_EQ(splineFactorizations(), before);
  Vec x2 = {0, 1, 2, 3, 4, 5, 6, 7, 8}, y2 = {0, 1, 4, 9, 16, 25, 36, 49, 64};
  splineAt(naturalSpline(9, x2.data(), y2.data()), 8.0, d);  // n changes
  EXPECT_EQ(d[0], 64.0);
  EXPECT_EQ(splineFactorizations(), before + 1);
  splineAt(naturalSpline(8, x.data(), y.data()), 7.0, d);
  EXPECT_EQ(d[0], 49.0);
}

TEST(CubicSpline, CardinalFunctionsArePartialsInTheValues) {
  Vec x = {0, 0.5, 1, 2, 2.5, 3, 4, 5}, y = {1, -1, 2, 0, 3, 1, 1, 0};
  const CubicSpline& s = naturalSpline(8, x.data(), y.data());
  Vec value, slope;
  cardinalAt(s, 1.7, value, slope);
  double d[3], sum = 0, slopeSum = 0;
  splineAt(s, 1.7, d);
  for (int i = 0; i < 8; ++i) sum += y[i] * value[i], slopeSum += y[i] * slope[i];
  EXPECT_NEAR(sum, d[0], 1e-13);
  EXPECT_NEAR(slopeSum, d[1], 1e-12);
}

}  // namespace
