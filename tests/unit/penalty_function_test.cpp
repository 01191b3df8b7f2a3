// Integrands, penalty function and its gradient on a problem given by C++
// functions: g(x, t) = x0 + x1 t - u.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fake_problem.h"
#include "kernels/penalty_shapes.h"
#include "penalty/penalty.h"

using namespace ormid;

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

struct PenaltyFunctionTest : ::testing::Test {
  FakeProblem prob;
  double t[1] = {0};
  void SetUp() override {
    prob.nx = 2;
    prob.g = [](int, const double* x, const double* tt) { return x[0] + x[1] * tt[0]; };
    prob.gradG = [](int, const double*, const double* tt, double* gx, double* gt) {
      gx[0] = 1;
      gx[1] = tt[0];
      gt[0] = 0;
    };
    prob.f = [](const double* x) { return x[0] * x[0] + 3 * x[1]; };
    prob.gradF = [](const double* x, double* g) {
      g[0] = 2 * x[0];
      g[1] = 3;
    };
    prob.install();
  }
  // Integrand value and its slope at violation v (dv/dx = 1).
  double at(PenaltyShape shape, double v, double* g0 = nullptr) {
    double grad[1] = {1};
    double r = penaltyShape(shape, v, prob.options.initialSmoothing, 1, grad);
    if (g0) *g0 = grad[0];
    return r;
  }
};

TEST_F(PenaltyFunctionTest, SmoothedIntegrandsAreContinuousAtPlusMinusEps) {
  const double eps = prob.options.initialSmoothing, tiny = 1e-13;
  double ga, gb;
  EXPECT_NEAR(at(PenaltyShape::P1, eps, &ga), eps, 1e-15);
  EXPECT_NEAR(at(PenaltyShape::P1, eps - tiny, &gb), eps, 1e-12);
  EXPECT_NEAR(ga, gb, 1e-8);
  EXPECT_EQ(at(PenaltyShape::P1, -eps, &ga), 0.0);
  EXPECT_EQ(ga, 0.0);
  EXPECT_NEAR(at(PenaltyShape::P1, -eps + tiny), 0.0, 1e-12);
  EXPECT_NEAR(at(PenaltyShape::P3, eps, &ga), std::exp(eps) - 1, 1e-15);
  EXPECT_NEAR(at(PenaltyShape::P3, eps - tiny, &gb), std::exp(eps) - 1, 1e-12);
  EXPECT_NEAR(ga, gb, 1e-7);
  EXPECT_EQ(at(PenaltyShape::P3, -eps), 0.0);
  EXPECT_EQ(at(PenaltyShape::P2, 0.0, &ga), 0.0);
  EXPECT_EQ(ga, 0.0);
  EXPECT_DOUBLE_EQ(at(PenaltyShape::P2, 0.5, &ga), 0.25);
  EXPECT_DOUBLE_EQ(ga, 1.0);
  EXPECT_NEAR(at(PenaltyShape::SmoothedRoot, 0.0, &ga), eps / 2, 1e-18);
  EXPECT_DOUBLE_EQ(ga, 0.5);
}

TEST_F(PenaltyFunctionTest, GradientMatchesFiniteDifferencesForEachType) {
  for (PenaltyType type : {PenaltyType::Linear, PenaltyType::Quadratic, PenaltyType::Exponential}) {
    prob.options.penaltyType = type;
    const double x[2] = {-0.3, 0.5};  // violated on part of T only
    double grad[2], pt;
    CaptureStdout();
    double P = penaltyValue(prob.context(), 2, x, 0.05, t, 10.0, &pt, 1, grad);
    GetCapturedStdout();
    EXPECT_GT(pt, 0) << static_cast<int>(type);
    EXPECT_GT(P, x[0] * x[0] + 3 * x[1]) << static_cast<int>(type);
    for (int i = 0; i < 2; ++i) {
      double up[2] = {x[0], x[1]}, down[2] = {x[0], x[1]};
      up[i] += 1e-6;
      down[i] -= 1e-6;
      CaptureStdout();
      double d = (penaltyValue(prob.context(), 2, up, 0.05, t, 10.0, &pt, 0, nullptr) -
                  penaltyValue(prob.context(), 2, down, 0.05, t, 10.0, &pt, 0, nullptr)) / 2e-6;
      GetCapturedStdout();
      EXPECT_NEAR(grad[i], d, 2e-3 * std::fabs(d) + 1e-5) << static_cast<int>(type) << " " << i;
    }
  }
}

TEST_F(PenaltyFunctionTest, WithoutInfiniteConstraintsPIsTheObjective) {
  prob.mt = 0;
  prob.install();
  const double x[2] = {2, 1};
  double grad[2], pt = -1;
  double P = penaltyValue(prob.context(), 2, x, 1e-4, t, 100.0, &pt, 1, grad);
  EXPECT_EQ(P, 7.0);
  EXPECT_EQ(pt, 0.0);
  EXPECT_EQ(grad[0], 4.0);
  EXPECT_EQ(grad[1], 3.0);
  EXPECT_EQ(prob.context().stats.penaltyValues, 1);
}

TEST_F(PenaltyFunctionTest, SmoothingChangesP1AndP3ButNotP2) {
  const double x[2] = {-0.2, 0.3};
  double pt;
  for (PenaltyType type : {PenaltyType::Linear, PenaltyType::Quadratic, PenaltyType::Exponential}) {
    prob.options.penaltyType = type;
    double before = penaltyValue(prob.context(), 2, x, 0.1, t, 1.0, &pt, 0, nullptr);
    double after = penaltyValue(prob.context(), 2, x, 0.01, t, 1.0, &pt, 0, nullptr);
    if (type == PenaltyType::Quadratic)
      EXPECT_EQ(before, after);
    else
      EXPECT_NE(before, after) << static_cast<int>(type);
  }
}

TEST_F(PenaltyFunctionTest, GradientCallIsCountedAndPrinted) {
  const double x[2] = {1, 0};
  double grad[2], P, pt;
  prob.options.penaltyType = PenaltyType::Quadratic;
  CaptureStdout();
  penaltyGradient(prob.context(), 2, x, 1e-4, t, 1.0, grad, &P, &pt);
  std::string out = GetCapturedStdout();
  // g = 1 on [0, 1]: I = 1, P = f + 0.5 * miu * I.
  EXPECT_NEAR(P, 1.0 + 0.5, 1e-12);
  EXPECT_NEAR(pt, 1.0, 1e-12);
  EXPECT_EQ(out, "Gradient:\n3.0000000000 3.5000000000 \n");
  EXPECT_EQ(prob.context().stats.penaltyGradients, 1);
  EXPECT_EQ(prob.context().stats.penaltyValues, 1);
}

}  // namespace
