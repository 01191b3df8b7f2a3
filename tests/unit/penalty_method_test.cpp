// The penalty driver's loop limits on problems given by C++ functions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <string>

#include "ampl/results_file.h"
#include "fake_problem.h"
#include "harness.h"
#include "penalty/penalty_driver.h"
#include "core/sip.h"
#include "solve/methods.h"

using namespace ormid;

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

struct PenaltyMethodTest : ::testing::Test {
  FakeProblem prob;
  ScratchWorkingDir dir;
  void SetUp() override {
    prob.f = [](const double* x) { return (x[0] - 1) * (x[0] - 1); };
    prob.gradF = [](const double* x, double* g) { g[0] = 2 * (x[0] - 1); };
  }
  // g = x - t <= 0 on [0, 1]: x <= 0.
  void boundXByT() {
    prob.g = [](int, const double* x, const double* t) { return x[0] - t[0]; };
    prob.gradG = [](int, const double*, const double*, double* gx, double* gt) {
      gx[0] = 1;
      gt[0] = -1;
    };
  }
  Result last;
  std::string run(Result (*method)(SipContext&)) {
    SipContext& c = prob.install();
    CaptureStdout();
    last = method(c);
    return GetCapturedStdout();
  }
  // The row the program appends to ./results for the last run.
  std::string results() {
    appendSummaryRow(last.summary);
    return readFile(dir.file("results"));
  }
};

TEST_F(PenaltyMethodTest, InfeasibleProblemEndsByPenaltyLimit) {
  prob.g = [](int, const double*, const double*) { return 1.0; };  // g <= 0 never holds
  std::string out = run(penaltyMethod);
  EXPECT_EQ(occurrences(out, "Increasing penalty\n"), 9);
  EXPECT_EQ(occurrences(out, "Decreasing epsilon\n"), 0);
  EXPECT_NE(out.find("STOPPING IN ITERATION ********* 9\n"), std::string::npos);
  std::string results = this->results();
  EXPECT_NE(results.find(" & 1.0e+09 & 1.0e-04 \\\\\n"), std::string::npos) << results;
  EXPECT_NEAR(prob.x()[0], 1.0, 1e-4);
  EXPECT_EQ(last.status, Status::Infeasible);
}

TEST_F(PenaltyMethodTest, EpsilonIsDecreasedAtMostFourTimes) {
  prob.mt = 0;
  prob.options.smoothingTolerance = -1;  // the eps stop test never holds
  std::string out = run(penaltyMethod);
  EXPECT_EQ(occurrences(out, "Decreasing epsilon\n"), 5);
  EXPECT_EQ(occurrences(out, "Not stopping in eps iteration"), 4);
  const double eps = last.summary.values.back();  // the results row's last figure
  EXPECT_LT(eps, 1e-8);
  EXPECT_GT(eps, 1e-10);
  EXPECT_NE(out.find("STOPPING IN ITERATION ********* 5\n"), std::string::npos);
}

TEST_F(PenaltyMethodTest, WithoutInfiniteConstraintsMinimisesObjectiveAndStopsOnEps) {
  prob.mt = 0;
  std::string out = run(penaltyMethod);
  EXPECT_NEAR(prob.x()[0], 1.0, 1e-6);
  EXPECT_EQ(occurrences(out, "Decreasing epsilon\n"), 1);
  EXPECT_NE(out.find("STOPPING IN ITERATION ********* 2\n"), std::string::npos);
  EXPECT_NE(out.find("Solution found\n"), std::string::npos);
  EXPECT_EQ(last.status, Status::Solved);
  EXPECT_EQ(occurrences(results(), "\n"), 1);
}

TEST_F(PenaltyMethodTest, P2StopsAtFirstFeasibleOuterIteration) {
  prob.options.penaltyType = PenaltyType::Quadratic;
  // g = x - t <= 0 on [0, 1] pulls x to 0 against f = (x - 1)^2.
  boundXByT();
  std::string out = run(penaltyMethod);
  EXPECT_EQ(occurrences(out, "Decreasing epsilon\n"), 0);
  EXPECT_GE(occurrences(out, "Increasing penalty\n"), 1);
  EXPECT_EQ(last.summary.values.back(), 1e-4);
}

TEST_F(PenaltyMethodTest, IterationLimitsCountAsSpecified) {
  prob.g = [](int, const double*, const double*) { return 1.0; };
  prob.f = [](const double* x) { return x[0]; };  // gradient never vanishes
  prob.gradF = [](const double*, double* g) { g[0] = 1; };
  prob.options.maxInnerIterations = 2;
  prob.options.maxOuterIterations = 3;
  prob.options.innerTolerance = -1;  // inner stop test never holds
  std::string out = run(penaltyMethod);
  EXPECT_EQ(occurrences(out, "INNER STOPPING"), 0);
  EXPECT_NE(out.find("STOPPING IN ITERATION ********* 4\n"), std::string::npos);
  // three inner loops of maxiteri + 1 = 3 iterations each
  EXPECT_EQ(results().rfind(" & 9 & 4 & ", 0), 0u);
  EXPECT_EQ(last.status, Status::IterationLimit);
}

TEST_F(PenaltyMethodTest, UnwritableResultsFileIsReportedAndRunFinishes) {
  prob.mt = 0;
  ASSERT_EQ(mkdir(dir.file("results").c_str(), 0755), 0);  // a directory cannot be appended to
  std::string out = run(penaltyMethod);
  CaptureStdout();
  results();
  EXPECT_EQ(GetCapturedStdout(), "Cannot open ./results: the summary line is not written\n");
  EXPECT_NE(out.find("Gradient of objective:\n"), std::string::npos);
  EXPECT_NEAR(prob.x()[0], 1.0, 1e-6);
}

// min -2x s.t. x - t <= 0 on [0, 1]: with p1 the penalty -2x + miu (x - 1/2)
// has no minimum for miu < 2. The runaway is stopped, miu raised from the
// inner loop's start, and x = 0 is found.
TEST_F(PenaltyMethodTest, ExactPenaltyUnboundedBelowRaisesMiu) {
  prob.options.penaltyType = PenaltyType::Linear;
  prob.f = [](const double* x) { return -2 * x[0]; };
  prob.gradF = [](const double*, double* g) { g[0] = -2; };
  boundXByT();
  std::string out = run(penaltyMethod);
  EXPECT_EQ(occurrences(out, "Penalty function unbounded below\n"), 1);
  EXPECT_LT(out.find("Penalty function unbounded below\n"), out.find("Increasing penalty\n"));
  EXPECT_NEAR(prob.x()[0], 0.0, 1e-4);
  EXPECT_LT(last.status, Status::Infeasible);
}

// Penalty terms below 1e-6 can hide a violation far above feas_tol (a peak
// at an end of T integrates to about v^2/2): the outer step raises miu while
// the largest violation stands above feas_tol, and only then tightens eps.
TEST_F(PenaltyMethodTest, OuterStepRaisesMiuOverAPeakThatThePenaltyTermsHide) {
  boundXByT();
  prob.x0 = {1e-3};
  PenaltyRun r(prob.install(), false);
  r.pt = 5e-7;
  CaptureStdout();
  EXPECT_EQ(outerStep(r, true), OUTER_GOES_ON);
  EXPECT_EQ(r.miu, 10.0);
  r.x = {-1e-3};
  EXPECT_EQ(outerStep(r, true), OUTER_GOES_ON);
  EXPECT_EQ(GetCapturedStdout(), "Increasing penalty\nDecreasing epsilon\n");
  EXPECT_EQ(r.miu, 10.0);
}

// max -1e-6 (x - 1)^2 - 1e-6 from x = 3: the methods see 4e-6 sized values,
// scaled to order one and negated; what they print and leave is the model's.
TEST_F(PenaltyMethodTest, SmallMaximisedObjectiveIsScaledBothWays) {
  prob.maximize = true;
  prob.mt = 0;
  prob.x0 = {3.0};
  prob.f = [](const double* x) { return -1e-6 * ((x[0] - 1) * (x[0] - 1) + 1); };
  prob.gradF = [](const double* x, double* g) { g[0] = -2e-6 * (x[0] - 1); };
  SipContext& c = prob.install();
  CaptureStdout();
  c.scaleSmallObjective();
  EXPECT_EQ(GetCapturedStdout(), "Objective scaled by 200000\n");  // 1 / max(5e-6, 4e-6)
  const double x[1] = {3.0};
  double g[1];
  EXPECT_DOUBLE_EQ(c.evaluate(Request::ObjectiveValue, 0, x), 1.0);
  c.evaluate(Request::ObjectiveGradient, 0, x, nullptr, g);
  EXPECT_DOUBLE_EQ(g[0], 0.8);
  EXPECT_DOUBLE_EQ(c.modelObjective(1.0), -5e-6);
  CaptureStdout();
  last = penaltyMethod(c);
  GetCapturedStdout();
  EXPECT_NEAR(prob.x()[0], 1.0, 1e-3);
  EXPECT_NE(results().find(" & -1.000000e-06 & "), std::string::npos);
}

TEST_F(PenaltyMethodTest, MultiplierMethodUpdatesAndPrintsMultipliers) {
  prob.options.penaltyType = PenaltyType::Quadratic;
  boundXByT();
  std::string out = run(penaltyMultiplierMethod);
  EXPECT_NE(out.find("Cs[0]="), std::string::npos);
  EXPECT_NE(out.find("Lag[0]=1.000000\n"), std::string::npos);  // first print: lambda starts at 1
  EXPECT_NE(out.find("Lagrange multipliers:\n"), std::string::npos);
  EXPECT_NEAR(prob.x()[0], 0.0, 1e-2);
}

}  // namespace
