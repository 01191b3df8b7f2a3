// Adaptive trapezoid and Gauss rules on integrands given directly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "kernels/quadrature.h"

using namespace ormid;

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

int calls = 0;
double (*shape)(double) = nullptr;

// phi(t) = shape(t), with x-gradient (t, 2t).
double direct(double t, int wantGrad, double* grad) {
  ++calls;
  if (wantGrad) {
    grad[0] = t;
    grad[1] = 2 * t;
  }
  return shape(t);
}

// The kernel alone: no problem, no context; its trace goes to stdout.
struct QuadratureTest : ::testing::Test {
  double grad[2] = {0, 0}, violation = 0;
  Quadrature rule(double (*s)(double), double tl, double tu, int n = 20) {
    shape = s;
    calls = 0;
    Quadrature q;
    q.phi = direct;
    q.tl = tl, q.tu = tu, q.nx = 2, q.intervals = n, q.error = 1e-8, q.minLength = 0.01, q.wantGrad = 1;
    q.pieces = q.invalidRule = [](const char* text) { fputs(text, stdout); };
    return q;
  }
};

TEST_F(QuadratureTest, TrapezoidIntegratesSmoothFunctionsToTolerance) {
  double I = adaptiveTrapezoid(rule([](double s) { return s * s; }, 0, 1), &violation, grad);
  EXPECT_NEAR(I, 1.0 / 3, 1e-5);
  EXPECT_LT(violation, 1.0);  // the node t = 0 counts as not positive
  EXPECT_GT(violation, 0.99);
  EXPECT_NEAR(grad[0], 0.5, 1e-12);    // a linear gradient is exact
  EXPECT_NEAR(grad[1], 1.0, 1e-12);
  I = adaptiveTrapezoid(rule([](double s) { return std::exp(s); }, -1, 2), &violation, grad);
  EXPECT_NEAR(I, std::exp(2.0) - std::exp(-1.0), 1e-4);
  EXPECT_DOUBLE_EQ(violation, 3.0);  // V = tu - tl for a positive integrand
}

TEST_F(QuadratureTest, TrapezoidOnZeroIntegrandUsesThreeCallsPerInterval) {
  double I = adaptiveTrapezoid(rule([](double) { return 0.0; }, 0, 1, 20), &violation, grad);
  EXPECT_EQ(I, 0.0);
  EXPECT_EQ(calls, 60);
  EXPECT_EQ(violation, 0.0);
  adaptiveTrapezoid(rule([](double) { return 0.0; }, 0, 1, 7), &violation, grad);
  EXPECT_EQ(calls, 21);
}

TEST_F(QuadratureTest, DegenerateOrReversedIntervalGivesZero) {
  grad[0] = grad[1] = 5;
  double I = adaptiveTrapezoid(rule([](double) { return 1.0; }, 0.5, 0.5), &violation, grad);
  EXPECT_EQ(I, 0.0);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(grad[0], 0.0);
  EXPECT_EQ(adaptiveTrapezoid(rule([](double) { return 1.0; }, 1, 0), &violation, grad), 0.0);
  EXPECT_EQ(adaptiveTrapezoid(rule([](double) { return 1.0; }, 0, 1, 0), &violation, grad), 0.0);
}

TEST_F(QuadratureTest, TrapezoidRefinementStopsAtMinimumLength) {
  // A jump never converges; only intervals longer than int_amp are split.
  Quadrature q = rule([](double s) { return s < 0.3 ? 0.0 : 1.0; }, 0, 1, 1);
  q.minLength = 0.1;
  double I = adaptiveTrapezoid(q, &violation, grad);
  EXPECT_NEAR(I, 0.7, 0.07);
  EXPECT_LT(calls, 40);
  q.minLength = 0.0;  // still ends: the midpoint stops being representable
  I = adaptiveTrapezoid(q, &violation, grad);
  EXPECT_NEAR(I, 0.7, 1e-6);
}

TEST_F(QuadratureTest, GaussRulesAreExactForPolynomialsOfDegreeTwoNMinusOne) {
  for (int n : {6, 8, 16}) {
    static int degree;
    degree = 2 * n - 1;
    Quadrature q = rule([](double s) { return std::pow(s, degree) + 1.0; }, -0.5, 1.5, n);
    double I = gaussRule(q, -0.5, 1.5, &violation, grad);
    double exact = (std::pow(1.5, degree + 1) - std::pow(-0.5, degree + 1)) / (degree + 1) + 2.0;
    EXPECT_NEAR(I, exact, 1e-12 * exact) << n;
    EXPECT_EQ(calls, n);
    EXPECT_NEAR(grad[0], 1.0, 1e-13);  // integral of t over [-0.5, 1.5]
  }
}

TEST_F(QuadratureTest, AdaptiveGaussWarnsForUnsupportedPointCounts) {
  CaptureStdout();
  double I = adaptiveGauss(rule([](double s) { return std::sin(s); }, 0, 1, 20), &violation, grad);
  std::string out = GetCapturedStdout();
  EXPECT_NEAR(I, 1 - std::cos(1.0), 1e-12);
  EXPECT_EQ(out, std::string("Invalid number of points in gaussian formula\nUsing 16 points\n") +
                     "Invalid number of points in gaussian formula\nUsing 16 points\n" +
                     "Invalid number of points in gaussian formula\nUsing 16 points\n" +
                     "0.000000,0.500000,");
  EXPECT_EQ(calls, 48);
  EXPECT_NEAR(violation, 1.0, 1e-12);
}

}  // namespace
