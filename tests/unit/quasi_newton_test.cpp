// Inverse BFGS update, directions, scaling and the Armijo search.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "fake_problem.h"
#include "penalty/penalty.h"

using namespace ormid;

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
typedef std::vector<double> Vec;

struct QuasiNewtonTest : ::testing::Test {
  FakeProblem prob;
  Options& o = prob.options;
  SipContext* c = nullptr;
  void SetUp() override { c = &prob.install(); }
};

Vec times(const Vec& H, const Vec& v) {
  int n = (int)v.size();
  Vec r(n, 0.0);
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < n; ++k) r[i] += H[i * n + k] * v[k];
  return r;
}

TEST_F(QuasiNewtonTest, FirstCallResetsAndUpdateSatisfiesSecantCondition) {
  Vec H(9, 5.0);
  const Vec x = {1, 2, 3}, xp = {0.5, 2.5, 2.0}, g = {0.3, -0.1, 1.0}, gp = {-0.2, 0.4, 0.1};
  bfgsUpdate(H.data(), 0, 3, x.data(), xp.data(), g.data(), gp.data(), bfgsRules(o), c->trace(PrintLevel::Details));
  for (int i = 0; i < 9; ++i) EXPECT_EQ(H[i], i % 4 == 0 ? 1.0 : 0.0);
  o.dampedBfgs = false;
  CaptureStdout();
  bfgsUpdate(H.data(), 1, 3, x.data(), xp.data(), g.data(), gp.data(), bfgsRules(o), c->trace(PrintLevel::Details));
  EXPECT_EQ(GetCapturedStdout(), "");
  Vec s(3), y(3);
  for (int i = 0; i < 3; ++i) s[i] = x[i] - xp[i], y[i] = g[i] - gp[i];
  Vec Hy = times(H, y);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(Hy[i], s[i], 1e-12);
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 3; ++k) EXPECT_DOUBLE_EQ(H[i * 3 + k], H[k * 3 + i]);
}

TEST_F(QuasiNewtonTest, DampingAndResetRules) {
  Vec H = {1, 0, 0, 1};
  const Vec x = {1, 0}, xp = {0, 0}, gp = {0, 0};
  const Vec g = {0.1, 0};  // s'y = 0.1 < 0.2 s'Hs: damped
  CaptureStdout();
  bfgsUpdate(H.data(), 1, 2, x.data(), xp.data(), g.data(), gp.data(), bfgsRules(o), c->trace(PrintLevel::Details));
  // theta = 0.8 / 0.9; damped y = (0.2, 0): H(0,0) = s^2 / s'y = 5
  EXPECT_EQ(GetCapturedStdout(), "Damped BFGS formula\nTeta=0.888889\n");
  EXPECT_NEAR(H[0], 5.0, 1e-12);
  o.bfgsRestart = true;
  bfgsUpdate(H.data(), 4, 2, x.data(), xp.data(), g.data(), gp.data(), bfgsRules(o), c->trace(PrintLevel::Details));  // k = 2 nx
  EXPECT_EQ(H, (Vec{1, 0, 0, 1}));
}

// f = 2 x1^2 + x2^2/2 has Hessian B = diag(4, 1), H = B^-1 = diag(1/4, 1).
// A step s = e1 whose curvature s'y = 0.1 falls below 0.2 s'Bs = 0.8 is
// damped to s'y = 0.8 exactly, so H(0,0) = 1/0.8. Damping against s'Hs = 1/4
// would have taken y as it is and made H(0,0) = 10.
TEST_F(QuasiNewtonTest, DampingMeasuresCurvatureAgainstTheHessian) {
  Vec H = {0.25, 0, 0, 1};
  const Vec x = {1, 0}, xp = {0, 0}, g = {0.1, 0}, gp = {0, 0};
  CaptureStdout();
  bfgsUpdate(H.data(), 1, 2, x.data(), xp.data(), g.data(), gp.data(), bfgsRules(o), c->trace(PrintLevel::Details));
  EXPECT_EQ(GetCapturedStdout(), "Damped BFGS formula\nTeta=0.820513\n");
  EXPECT_NEAR(H[0], 1.25, 1e-12);
  EXPECT_NEAR(H[3], 1.0, 1e-12);
  // The true curvature y = B s is taken undamped and met by the secant condition.
  const Vec gTrue = {4, 0};
  H = {0.25, 0, 0, 1};
  CaptureStdout();
  bfgsUpdate(H.data(), 1, 2, x.data(), xp.data(), gTrue.data(), gp.data(), bfgsRules(o), c->trace(PrintLevel::Details));
  EXPECT_EQ(GetCapturedStdout(), "Damped BFGS formula\nTeta=1.000000\n");
  EXPECT_NEAR(H[0], 0.25, 1e-12);
}

TEST_F(QuasiNewtonTest, ZeroStepLeavesInverseUnchangedWithMessage) {
  Vec H = {2, 1, 1, 3};
  const Vec x = {1, 1}, g = {4, 5}, gp = {1, 1};
  CaptureStdout();
  bfgsUpdate(H.data(), 3, 2, x.data(), x.data(), g.data(), gp.data(), bfgsRules(o), c->trace(PrintLevel::Details));
  std::string out = GetCapturedStdout();
  EXPECT_NE(out.find("Not changing Hessian Inverse den=0.00000000000000000000\n"),
            std::string::npos);
  EXPECT_EQ(H, (Vec{2, 1, 1, 3}));
}

TEST_F(QuasiNewtonTest, DirectionAndScalingBand) {
  const Vec H = {2, 0, 0, 1}, g = {1, -3};
  Vec d(2);
  quasiNewtonDirection(2, H.data(), g.data(), d.data());
  EXPECT_EQ(d, (Vec{-2, 3}));
  Vec longer = {150, 200};
  CaptureStdout();
  scaleDirection(2, longer.data(), o.directionLengthMin, o.directionLengthMax, c->trace(PrintLevel::Details));
  EXPECT_EQ(GetCapturedStdout(), "Direction Scaled by 0.400000\n");
  EXPECT_NEAR(std::hypot(longer[0], longer[1]), 100, 1e-12);
  Vec shorter = {0.0006, 0.0008};
  CaptureStdout();
  scaleDirection(2, shorter.data(), o.directionLengthMin, o.directionLengthMax, c->trace(PrintLevel::Details));
  EXPECT_EQ(GetCapturedStdout(), "Direction Scaled by 10.000000\n");
  Vec middle = {3, 4}, zero = {0, 0};
  CaptureStdout();
  scaleDirection(2, middle.data(), o.directionLengthMin, o.directionLengthMax, c->trace(PrintLevel::Details));
  scaleDirection(2, zero.data(), o.directionLengthMin, o.directionLengthMax, c->trace(PrintLevel::Details));
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_EQ(middle, (Vec{3, 4}));
  EXPECT_EQ(zero, (Vec{0, 0}));
}

struct ArmijoTest : ::testing::Test {
  FakeProblem prob;
  void SetUp() override {
    prob.mt = 0;
    prob.f = [](const double* x) { return (x[0] - 1) * (x[0] - 1); };
    prob.install();
  }
};

TEST_F(ArmijoTest, AcceptsHalvedStepsWithSufficientDecrease) {
  const double x[1] = {0}, g[1] = {-2};
  const double d[1] = {8};  // full step overshoots: steps 1, 0.5, 0.25 tried
  double xNew[1];
  CaptureStdout();
  armijoSearch(prob.context(), 1, x, d, xNew, g, 1.0, 1e-4);
  std::string out = GetCapturedStdout();
  // f(8) = 49, f(4) = 9, f(2) = 1 fail; alpha = 1/8 reaches the minimum.
  EXPECT_EQ(xNew[0], 1.0);
  EXPECT_NE(out.find("alpha=0.250000 phiomega=1.000000 pt=0.000000\nalpha=0.125000"),
            std::string::npos) << out;
  EXPECT_NE(out.find("Step=0.125000\n"), std::string::npos) << out;
}

TEST_F(ArmijoTest, AscentDirectionEndsWithStepZero) {
  const double x[1] = {1}, g[1] = {0}, d[1] = {1};
  double xNew[1] = {42};
  CaptureStdout();
  armijoSearch(prob.context(), 1, x, d, xNew, g, 1.0, 1e-4);
  std::string out = GetCapturedStdout();
  EXPECT_EQ(xNew[0], 1.0);
  EXPECT_NE(out.find("Step zero 0.00000000000000000000\n"), std::string::npos);
  EXPECT_EQ(out.rfind("phi0=0.000000 pt=0.000000\nalpha=1.000000 phiomega=1.000000 pt=0.000000\n", 0), 0u);
}

TEST_F(ArmijoTest, ZeroDirectionTakesFullStep) {
  const double x[1] = {3}, g[1] = {4}, d[1] = {0};
  double xNew[1];
  CaptureStdout();
  armijoSearch(prob.context(), 1, x, d, xNew, g, 1.0, 1e-4);
  std::string out = GetCapturedStdout();
  EXPECT_EQ(xNew[0], 3.0);
  EXPECT_NE(out.find("Step=1.000000\n"), std::string::npos);
}

}  // namespace
