// The Ipopt subproblem adapter on small finite problems with known solutions.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "subproblem/ipopt_subproblem.h"
#include "fake_problem.h"

using namespace ormid;

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

struct IpoptAdapter : ::testing::Test {
  FakeProblem prob;
  IpoptSubproblemSolver solver;
  void SetUp() override {
    // min (x0 - 2)^2 + (x1 - 1)^2, x0 + x1 = 1, x0 <= 0.95, and x1 - t <= 0 at the points
    prob.nx = 2;
    prob.mx = 1;
    prob.xu = {0.95, HUGE_VAL};
    prob.cxl = {1.0};
    prob.cxu = {1.0};
    prob.f = [](const double* x) { return (x[0] - 2) * (x[0] - 2) + (x[1] - 1) * (x[1] - 1); };
    prob.gradF = [](const double* x, double* g) {
      g[0] = 2 * (x[0] - 2);
      g[1] = 2 * (x[1] - 1);
    };
    prob.c = [](int, const double* x) { return x[0] + x[1]; };
    prob.gradC = [](int, const double*, double* g) { g[0] = g[1] = 1; };
    prob.g = [](int, const double* x, const double* t) { return x[1] - t[0]; };
    prob.gradG = [](int, const double*, const double*, double* gx, double* gt) {
      gx[0] = 0;
      gx[1] = 1;
      gt[0] = -1;
    };
    prob.install();
  }
  PointSet points(std::initializer_list<double> ts) {
    PointSet s(normRangeOf(prob.context().problem));
    for (double t : ts) s.insert(&t, std::fabs(t), nullptr);
    return s;
  }
};

TEST_F(IpoptAdapter, SolvesWithBoundsEqualitiesAndPointConstraints) {
  double x[2] = {0, 0};
  CaptureStdout();
  SubproblemResult r = solver.solve(prob.context(), x, points({0.1, 0.5}));
  double f = r.objective;
  EXPECT_EQ(r.status, SUB_SOLVED);
  std::string out = GetCapturedStdout();
  // x1 = 1 - x0 <= 0.1 pushes x0 to its bound 0.95
  EXPECT_NEAR(x[0], 0.95, 1e-7);
  EXPECT_NEAR(x[1], 0.05, 1e-7);
  EXPECT_NEAR(f, 2.005, 1e-7);
  EXPECT_EQ(prob.context().stats.nnlp, 1);
  EXPECT_GT(prob.context().stats.nnlpc, 0);
  EXPECT_EQ(out.rfind("Ipopt: optimal, " + std::to_string(prob.context().stats.nnlpc) + " iterations, objective 2.00500", 0), 0u) << out;
  EXPECT_EQ(out.find("Ipopt 3."), std::string::npos);  // no banner
}

TEST_F(IpoptAdapter, WithoutPointsOnlyTheFiniteConstraintsRemain) {
  double x[2] = {0, 0};
  CaptureStdout();
  solver.solve(prob.context(), x, points({}));
  GetCapturedStdout();
  EXPECT_NEAR(x[0], 0.95, 1e-7);  // unconstrained minimum on the line is x0 = 1
  solver.solve(prob.context(), x, points({}));
  EXPECT_EQ(prob.context().stats.nnlp, 2);
}

TEST_F(IpoptAdapter, InfeasibleSubproblemReportsItsStatusAndKeepsGoing) {
  prob.xu = {0.8, HUGE_VAL};  // x0 >= 0.9 is needed: no feasible point
  prob.install();
  double x[2] = {0, 0};
  CaptureStdout();
  SubproblemResult r = solver.solve(prob.context(), x, points({0.1}));
  std::string out = GetCapturedStdout();
  EXPECT_EQ(r.status, SUB_INFEASIBLE);
  EXPECT_EQ(out.find("Ipopt: optimal"), std::string::npos) << out;
  EXPECT_EQ(out.rfind("Ipopt: ", 0), 0u) << out;
  EXPECT_TRUE(std::isfinite(x[0]));
  EXPECT_EQ(prob.context().stats.nnlp, 1);
}

TEST(IpoptBounds, LibraryInfinitiesBecomeIpoptInfinities) {
  EXPECT_EQ(ipoptBound(-HUGE_VAL), -1e19);
  EXPECT_EQ(ipoptBound(2146435072.0), 1e19);
  EXPECT_EQ(ipoptBound(3.5), 3.5);
}

}  // namespace
