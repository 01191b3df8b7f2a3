// The Ipopt subproblem adapter on small finite problems with known solutions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "subproblem/ipopt_subproblem.h"
#include "subproblem/linear_subproblem.h"
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
  EXPECT_EQ(prob.context().stats.subproblems, 1);
  EXPECT_GT(prob.context().stats.subproblemIterations, 0);
  const std::string iterations = std::to_string(prob.context().stats.subproblemIterations);
  EXPECT_EQ(out.rfind("Ipopt: optimal, " + iterations + " iterations, objective 2.00500", 0), 0u) << out;
  EXPECT_EQ(out.find("Ipopt 3."), std::string::npos);  // no banner
}

TEST_F(IpoptAdapter, WithoutPointsOnlyTheFiniteConstraintsRemain) {
  double x[2] = {0, 0};
  CaptureStdout();
  solver.solve(prob.context(), x, points({}));
  GetCapturedStdout();
  EXPECT_NEAR(x[0], 0.95, 1e-7);  // unconstrained minimum on the line is x0 = 1
  solver.solve(prob.context(), x, points({}));
  EXPECT_EQ(prob.context().stats.subproblems, 2);
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
  EXPECT_EQ(prob.context().stats.subproblems, 1);
}

// A problem's evaluator with exact (zero) Hessians that counts the rows'
// gradients and Hessians; with `linear` it also answers the Hessian pattern:
// no second derivative anywhere (with an objective of `curvature` times the
// unit Hessian, none in the constraints: the whole pattern stays dense).
struct CountingEvaluator {
  Problem wrapped;
  const Problem* inner;
  bool linear;
  double curvature;
  long gradients = 0, rowHessians = 0, rowValues = 0;

  CountingEvaluator(const Problem& p, bool linearPattern, double curvature = 0)
      : wrapped(p), inner(&p), linear(linearPattern), curvature(curvature) {
    wrapped.hessians = true;
    wrapped.evaluateBatch = nullptr;
    wrapped.data = this;
    wrapped.evaluate = [](Request r, int n, const double* x, const double* t, double* out1, double* out2,
                          double* out3, int* nerror, void* data) {
      CountingEvaluator& self = *static_cast<CountingEvaluator*>(data);
      const int nx = self.inner->nx, nt = self.inner->nt;
      switch (r) {
        case Request::HessianPattern:
        case Request::ConstraintHessianPattern:
          if (self.linear && (r == Request::ConstraintHessianPattern || self.curvature == 0))
            std::fill(out1, out1 + nx * nx, 0.0);
          return 0.0;
        case Request::ObjectiveHessian:
          std::fill(out1, out1 + nx * nx, 0.0);
          for (int i = 0; i < nx; ++i) out1[i * nx + i] = self.curvature;
          return 0.0;
        case Request::FiniteHessian:
        case Request::InfiniteHessian:
          ++self.rowHessians;
          std::fill(out1, out1 + nx * nx, 0.0);
          if (out2) std::fill(out2, out2 + nt * nt, 0.0);
          if (out3) std::fill(out3, out3 + nx * nt, 0.0);
          return 0.0;
        case Request::InfiniteGradient:
          ++self.gradients;
          break;
        case Request::InfiniteValue:
          ++self.rowValues;
          break;
        default:
          break;
      }
      return self.inner->evaluate(r, n, x, t, out1, out2, out3, nerror, self.inner->data);
    };
  }
};

// x0 cos t + x1 sin t <= 1 on [0, pi/2] (objective left to the caller),
// and 40 equally spaced points of T.
void quarterDisc(FakeProblem& f) {
  f.nx = 2;
  f.tu = {M_PI / 2};
  f.g = [](int, const double* x, const double* t) { return x[0] * std::cos(t[0]) + x[1] * std::sin(t[0]) - 1; };
  f.gradG = [](int, const double* x, const double* t, double* gx, double* gt) {
    gx[0] = std::cos(t[0]), gx[1] = std::sin(t[0]);
    gt[0] = -x[0] * std::sin(t[0]) + x[1] * std::cos(t[0]);
  };
}

PointList fortyPoints() {
  PointList points;
  for (int k = 0; k < 40; ++k) points.push_back({M_PI / 2 * k / 39});
  return points;
}

TEST(IpoptLinearSubproblem, TheJacobianOfAProblemLinearInXIsEvaluatedOnce) {
  // min -x0 - x1 s.t. x0 cos t + x1 sin t <= 1 at 40 points of [0, pi/2]:
  // an LP, solved alike whether or not the pattern says so (at the
  // simplex's vertex where it does, to Ipopt's tolerance where it does not).
  FakeProblem f;
  quarterDisc(f);
  f.f = [](const double* x) { return -x[0] - x[1]; };
  f.gradF = [](const double*, double* g) { g[0] = g[1] = -1; };
  SipContext& base = f.install();
  const PointList points = fortyPoints();
  std::vector<double> solution[2];
  long gradients[2];
  for (bool linear : {false, true}) {
    CountingEvaluator counting(base.problem, linear);
    SipContext c(counting.wrapped, f.options);
    std::vector<double> x = {0.5, 0.5};
    IpoptSubproblemSolver solver(true);
    CaptureStdout();
    SubproblemResult r = solver.solveOn(c, x.data(), points, nullptr);
    GetCapturedStdout();
    ASSERT_EQ(r.status, SUB_SOLVED) << r.text;
    solution[linear] = x;
    gradients[linear] = counting.gradients;
  }
  EXPECT_NEAR(solution[1][0], solution[0][0], 1e-8);
  EXPECT_NEAR(solution[1][1], solution[0][1], 1e-8);
  EXPECT_LE(gradients[1], 2 * 40);   // once (or twice) per row
  EXPECT_GE(gradients[0], 5 * 40);   // once per row and iteration
}

TEST(IpoptLinearSubproblem, ConstraintsLinearInXUnderACurvedObjectiveAddNoRowHessians) {
  // min (x0 - 2)^2 + (x1 - 1)^2 s.t. x0 cos t + x1 sin t <= 1 at 40 points.
  FakeProblem f;
  quarterDisc(f);
  f.f = [](const double* x) { return (x[0] - 2) * (x[0] - 2) + (x[1] - 1) * (x[1] - 1); };
  f.gradF = [](const double* x, double* g) { g[0] = 2 * (x[0] - 2), g[1] = 2 * (x[1] - 1); };
  SipContext& base = f.install();
  const PointList points = fortyPoints();
  std::vector<double> solution[2];
  long gradients[2], rowHessians[2], rowValues[2];
  for (bool linear : {false, true}) {
    CountingEvaluator counting(base.problem, linear, 2.0);
    SipContext c(counting.wrapped, f.options);
    std::vector<double> x = {0.0, 0.0};
    IpoptSubproblemSolver solver(true);
    CaptureStdout();
    SubproblemResult r = solver.solveOn(c, x.data(), points, nullptr);
    GetCapturedStdout();
    ASSERT_EQ(r.status, SUB_SOLVED) << r.text;
    solution[linear] = x, gradients[linear] = counting.gradients, rowHessians[linear] = counting.rowHessians;
    rowValues[linear] = counting.rowValues;
  }
  // The projection of (2, 1) onto the polygon the 40 rows cut, near the
  // unit circle's point (2, 1) / sqrt 5.
  EXPECT_NEAR(solution[1][0], 2 / std::sqrt(5.0), 1e-3);
  EXPECT_NEAR(solution[1][1], 1 / std::sqrt(5.0), 1e-3);
  EXPECT_NEAR(solution[1][0], solution[0][0], 1e-7);
  EXPECT_NEAR(solution[1][1], solution[0][1], 1e-7);
  EXPECT_EQ(rowHessians[1], 0);
  EXPECT_GT(rowHessians[0], 0);
  EXPECT_LE(gradients[1], 2 * 40);
  // The rows' values come from one evaluation and the Jacobian.
  EXPECT_LE(rowValues[1], 2 * 40);
  EXPECT_GE(rowValues[0], 5 * 40);
}

// max x0 + x1 s.t. -1 <= x0 cos t + x1 sin t <= 1 for t in [0, pi/2].
void tangentProgram(FakeProblem& f) {
  f.nx = 2;
  f.tu = {M_PI / 2};
  f.ctl = {-1.0};
  f.f = [](const double* x) { return -x[0] - x[1]; };
  f.gradF = [](const double*, double* g) { g[0] = g[1] = -1; };
  f.g = [](int, const double* x, const double* t) { return x[0] * std::cos(t[0]) + x[1] * std::sin(t[0]) - 1; };
  f.gradG = [](int, const double*, const double* t, double* gx, double* gt) {
    gx[0] = std::cos(t[0]), gx[1] = std::sin(t[0]), gt[0] = 0;
  };
}

TEST(LinearSubproblem, TheVertexCarriesTheActiveRowsMultipliersAndAnUnboundedOneLeavesXAsItWas) {
  // max x0 + x1 s.t. -1 <= x0 cos t + x1 sin t <= 1: the two tangents either
  // side of pi/4 hold the vertex, against their upper bounds (Ipopt's sign:
  // positive), with equal multipliers that balance the objective's gradient.
  FakeProblem f;
  tangentProgram(f);
  SipContext& c = f.install();
  PointList points;
  for (int k = 0; k < 40; ++k) points.push_back({M_PI / 2 * k / 39});
  std::vector<double> x = {0.5, 0.5};
  SubproblemResult r = solveLinearSubproblem(c, x.data(), points, nullptr, nullptr, nullptr);
  ASSERT_EQ(r.status, SUB_SOLVED) << r.text;
  const double corner = std::cos(M_PI / 4) / std::cos(M_PI / 4 / 39);
  EXPECT_NEAR(x[0], corner, 1e-14);
  EXPECT_NEAR(x[1], corner, 1e-14);
  EXPECT_NEAR(r.objective, -2 * corner, 1e-14);
  ASSERT_EQ(r.lambda.size(), 40u);
  const double share = 0.5 / (std::cos(M_PI / 4) * std::cos(M_PI / 4 / 39));
  for (int k = 0; k < 40; ++k) EXPECT_NEAR(r.lambda[k], k == 19 || k == 20 ? share : 0.0, 1e-12) << k;
  // One point leaves x1 free: no vertex within any box, x as it was.
  x = {0.5, 0.5};
  r = solveLinearSubproblem(c, x.data(), {{0.0}}, nullptr, nullptr, nullptr);
  EXPECT_EQ(r.status, SUB_FAILED);
  EXPECT_EQ(r.text, "unbounded");
  EXPECT_EQ(x, (std::vector<double>{0.5, 0.5}));
}

TEST(SubproblemStep, BothSolversStopOnTheTrustRegionWhereOnePointLeavesXFree) {
  // The same program on the point t = 0 alone: x1 runs off to the artificial
  // box (or to Ipopt's divergence test) unless the step is bounded.
  FakeProblem f;
  tangentProgram(f);
  SipContext& c = f.install();
  SubproblemScaling step;
  step.stepBound = {100.0, 100.0};
  std::vector<double> x = {0.5, 0.5};
  SubproblemResult r = solveLinearSubproblem(c, x.data(), {{0.0}}, nullptr, nullptr, &step);
  ASSERT_EQ(r.status, SUB_SOLVED) << r.text;
  EXPECT_NEAR(x[0], 1.0, 1e-12);
  EXPECT_NEAR(x[1], 100.5, 1e-12);
  x = {0.5, 0.5};
  IpoptSubproblemSolver ipopt(false);
  r = ipopt.solveOn(c, x.data(), {{0.0}}, nullptr, &step);
  EXPECT_EQ(r.status, SUB_SOLVED) << r.text;
  EXPECT_NEAR(x[0], 1.0, 1e-6);
  EXPECT_NEAR(x[1], 100.5, 1e-6);
}

TEST(LinearSubproblem, AWholeOptimalFaceEndsAtACornerOrAtItsPointsNearestTheStart) {
  // max x0 + x1 s.t. x0 + x1 <= 1, x >= 0: every point of the segment is
  // optimal, and the row's multiplier is 1 on all of it. The simplex ends at
  // a corner, (1, 0) or (0, 1); asked for the face's point nearest to the
  // start (0.2, 0.2) in the 1-norm, it ends between (0.2, 0.8) and
  // (0.8, 0.2), at 0.6 from it.
  FakeProblem f;
  f.nx = 2;
  f.xl = {0.0, 0.0};
  f.f = [](const double* x) { return -x[0] - x[1]; };
  f.gradF = [](const double*, double* g) { g[0] = g[1] = -1; };
  f.g = [](int, const double* x, const double*) { return x[0] + x[1] - 1; };
  f.gradG = [](int, const double*, const double*, double* gx, double* gt) { gx[0] = gx[1] = 1, gt[0] = 0; };
  SipContext& c = f.install();
  std::vector<double> x = {0.2, 0.2};
  SubproblemResult r = solveLinearSubproblem(c, x.data(), {{0.0}, {1.0}}, nullptr, nullptr, nullptr);
  ASSERT_EQ(r.status, SUB_SOLVED) << r.text;
  EXPECT_NEAR(r.objective, -1.0, 1e-14);
  EXPECT_NEAR(std::min(x[0], x[1]), 0.0, 1e-14);
  EXPECT_NEAR(r.lambda[0] + r.lambda[1], 1.0, 1e-12);

  SubproblemScaling nearest;
  nearest.nearestOnFace = true;
  x = {0.2, 0.2};
  r = solveLinearSubproblem(c, x.data(), {{0.0}, {1.0}}, nullptr, nullptr, &nearest);
  ASSERT_EQ(r.status, SUB_SOLVED) << r.text;
  EXPECT_NEAR(r.objective, -1.0, 1e-8);
  EXPECT_NEAR(std::fabs(x[0] - 0.2) + std::fabs(x[1] - 0.2), 0.6, 1e-8);
  EXPECT_GE(std::min(x[0], x[1]), 0.2 - 1e-8);
  EXPECT_NEAR(r.lambda[0] + r.lambda[1], 1.0, 1e-12);
}

TEST(LinearSubproblem, AProgramWithHundredsOfVariablesIsSolvedByTheSparseSimplex) {
  // min sum x_i s.t. x_k >= 1 + k / n at the point t = k of T = [0, n - 1]:
  // every row active, with multiplier 1.
  const int n = 350;
  FakeProblem f;
  f.nx = n;
  f.tu = {n - 1.0};
  f.f = [](const double* x) {
    double sum = 0;
    for (int i = 0; i < n; ++i) sum += x[i];
    return sum;
  };
  f.gradF = [](const double*, double* g) { std::fill(g, g + n, 1.0); };
  f.g = [](int, const double* x, const double* t) {
    const int k = (int)std::lround(t[0]);
    return 1.0 + (double)k / n - x[k];
  };
  f.gradG = [](int, const double*, const double* t, double* gx, double* gt) {
    std::fill(gx, gx + n, 0.0);
    gx[std::lround(t[0])] = -1, gt[0] = 0;
  };
  SipContext& c = f.install();
  PointList points;
  for (int k = 0; k < n; ++k) points.push_back({(double)k});
  std::vector<double> x(n, 0.0);
  SubproblemResult r = solveLinearSubproblem(c, x.data(), points, nullptr, nullptr, nullptr);
  ASSERT_EQ(r.status, SUB_SOLVED) << r.text;
  for (int k = 0; k < n; ++k) {
    EXPECT_NEAR(x[k], 1.0 + (double)k / n, 1e-13) << k;
    EXPECT_NEAR(r.lambda[k], 1.0, 1e-12) << k;
  }
}

TEST(IpoptBounds, LibraryInfinitiesBecomeIpoptInfinities) {
  EXPECT_EQ(ipoptBound(-HUGE_VAL), -1e19);
  EXPECT_EQ(ipoptBound(2146435072.0), 1e19);
  EXPECT_EQ(ipoptBound(3.5), 3.5);
}

}  // namespace
