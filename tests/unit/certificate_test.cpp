// The certificate's parts: the lower-level maximiser, the multiplier fit
// and the status bands it decides.
#include <gtest/gtest.h>

#include <cmath>

#include "certificate/certificate.h"
#include "certificate/lower_level.h"
#include "certificate/nnls.h"

namespace {

typedef std::vector<double> Vec;

// g(x, t) = x0 * shape(t) <= 0 over T, with the t-gradient given.
struct Shape {
  SipFunctions f;
  SipProblem p;
  Shape(int nt, std::function<double(const double*)> value,
        std::function<void(const double*, double*)> grad, Vec tl, Vec tu) {
    f.nx = 1, f.nt = nt, f.mt = 1;
    f.x0 = {1.0};
    f.tl = tl, f.tu = tu;
    f.g = [value](int, const double* x, const double* t) { return x[0] * value(t); };
    f.gradG = [value, grad, nt](int, const double* x, const double* t, double* gx, double* gt) {
      gx[0] = value(t);
      grad(t, gt);
      for (int d = 0; d < nt; ++d) gt[d] *= x[0];
    };
    p = f.problem();
  }
};

std::vector<LocalMaximum> maximaOf(const SipProblem& p, long* evaluations, int starts) {
  static const double x = 1.0;
  ViolationFunction v{p, &x, 0, evaluations};
  Scan scan = scanPoints(p);
  std::vector<int> sides;
  return localMaxima(v, scan, scanValues(v, scan, &sides), starts);
}

TEST(LowerLevel, FindsTheLargestOfSeveralMaximaBetweenScanPoints) {
  // sin(7t) + 0.3 t on [0, 3]: maxima near 0.22, 1.12, 2.02, 2.92; the last is the
  // largest and, like all, lies between scan points.
  Shape s(1, [](const double* t) { return std::sin(7 * t[0]) + 0.3 * t[0]; },
          [](const double* t, double* g) { g[0] = 7 * std::cos(7 * t[0]) + 0.3; }, {0.0}, {3.0});
  long evaluations = 0;
  std::vector<LocalMaximum> maxima = maximaOf(s.p, &evaluations, 5);
  ASSERT_GE(maxima.size(), 4u);
  // cos(7t) = -0.3/7 at the maxima; the fourth, t = (6 pi + acos(-0.3/7)) / 7, is the largest
  const double t = (6 * M_PI + std::acos(-0.3 / 7)) / 7;
  EXPECT_NEAR(maxima[0].t[0], t, 1e-7);
  EXPECT_NEAR(maxima[0].violation, std::sin(7 * t) + 0.3 * t, 1e-12);
  EXPECT_GT(evaluations, 10001);
}

TEST(LowerLevel, MaximaOnTheBoundaryOfATwoAndThreeDimensionalBox) {
  // Increasing in t1, peaked at t2 = 0.3337 (a non-grid value): the maximum
  // sits on the face t1 = 2.
  Shape two(2, [](const double* t) { return t[0] - (t[1] - 0.3337) * (t[1] - 0.3337); },
            [](const double* t, double* g) { g[0] = 1, g[1] = -2 * (t[1] - 0.3337); },
            {-1.0, 0.0}, {2.0, 1.0});
  long evaluations = 0;
  std::vector<LocalMaximum> m2 = maximaOf(two.p, &evaluations, 3);
  EXPECT_EQ(m2[0].t[0], 2.0);
  EXPECT_NEAR(m2[0].t[1], 0.3337, 1e-6);
  EXPECT_NEAR(m2[0].violation, 2.0, 1e-11);
  // Three coordinates: a corner and an interior coordinate.
  Shape three(3, [](const double* t) { return -t[0] + t[1] - (t[2] - 0.123) * (t[2] - 0.123); },
              [](const double* t, double* g) { g[0] = -1, g[1] = 1, g[2] = -2 * (t[2] - 0.123); },
              {0.0, 0.0, 0.0}, {1.0, 5.0, 1.0});
  std::vector<LocalMaximum> m3 = maximaOf(three.p, &evaluations, 3);
  EXPECT_EQ(m3[0].t[0], 0.0);
  EXPECT_EQ(m3[0].t[1], 5.0);
  EXPECT_NEAR(m3[0].t[2], 0.123, 1e-6);
  EXPECT_NEAR(m3[0].violation, 5.0, 1e-11);
}

TEST(Nnls, KeepsMultipliersNonNegative) {
  // Columns (1, 0), (0, 1), (1, 1); b = (2, -1): the best fit with z >= 0 is z = (2, 0, 0).
  Vec A = {1, 0, 0, 1, 1, 1}, b = {2, -1};
  double residual = -1;
  Vec z = nonNegativeLeastSquares(A, 2, 3, b, &residual);
  EXPECT_NEAR(z[0], 2.0, 1e-12);
  EXPECT_EQ(z[1], 0.0);
  EXPECT_EQ(z[2], 0.0);
  EXPECT_NEAR(residual, 1.0, 1e-12);
}

// min x0 + x1 subject to t x0 + (1 - t) x1 >= 1 on [0, 1] (g = 1 - t x0 - (1 - t) x1 <= 0):
// x = (1, 1), active at t = 0 and t = 1 with multipliers 1 and 1.
SipFunctions closedForm() {
  SipFunctions f;
  f.nx = 2, f.nt = 1, f.mt = 1;
  f.x0 = {1.0, 1.0};
  f.f = [](const double* x) { return x[0] + x[1]; };
  f.gradF = [](const double*, double* g) { g[0] = g[1] = 1; };
  f.g = [](int, const double* x, const double* t) { return 1 - t[0] * x[0] - (1 - t[0]) * x[1]; };
  f.gradG = [](int, const double* x, const double* t, double* gx, double* gt) {
    gx[0] = -t[0], gx[1] = -(1 - t[0]);
    gt[0] = x[1] - x[0];
  };
  return f;
}

TEST(Certificate, MultipliersOfAClosedFormProblemAndItsBands) {
  SipFunctions f = closedForm();
  SipProblem p = f.problem();
  const Vec x = {1.0, 1.0};
  Certificate c = certify(p, x.data(), 0.0);
  EXPECT_LT(c.stationarity, 1e-12);
  EXPECT_EQ(c.absolute, 0.0);
  double at0 = -1, at1 = -1;
  for (const SipPoint& q : c.active) {
    if (q.t[0] == 0.0) at0 = q.multiplier;
    if (q.t[0] == 1.0) at1 = q.multiplier;
  }
  EXPECT_NEAR(at0, 1.0, 1e-12);
  EXPECT_NEAR(at1, 1.0, 1e-12);

  SipOptions o;
  SipResult r;
  r.objective = 2;
  judge(r, c, o);
  EXPECT_EQ(r.status, STATUS_SOLVED);
  // Feasible but not optimal: x = (2, 2) has no active point.
  const Vec loose = {2.0, 2.0};
  SipResult r2;
  r2.objective = 4;
  judge(r2, certify(p, loose.data(), 0.0), o);
  EXPECT_EQ(r2.status, STATUS_UNCERTAIN);
  // Infeasible: x = (0.5, 0.5) violates by 0.5 everywhere.
  const Vec short_ = {0.5, 0.5};
  SipResult r3;
  r3.objective = 1;
  Certificate c3 = certify(p, short_.data(), 0.0);
  EXPECT_NEAR(c3.absolute, 0.5, 1e-12);
  judge(r3, c3, o);
  EXPECT_EQ(r3.status, STATUS_INFEASIBLE);
  // A limit stays a limit.
  SipResult r4;
  r4.status = STATUS_TIME_LIMIT;
  r4.objective = 2;
  judge(r4, c, o);
  EXPECT_EQ(r4.status, STATUS_TIME_LIMIT);
}

}  // namespace
