// Newton orderings against the linearised conditions, the Hessian update and
// the watchdog line search.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "fake_problem.h"
#include "kernels/cholesky.h"
#include "interior/ip_run.h"

using namespace ormid;

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

struct NewtonSystem : ::testing::Test {
  FakeProblem prob;
  IpIterate it;
  IpEval e;
  Vec B, Binv;
  const double mu = 0.03;
  void SetUp() override {
    prob.nx = 3;
    prob.mt = 2;
    prob.install();
    it.x = {0.2, -0.4, 1.0};
    it.s = {0.5, 0.05};
    it.lambda = {-0.7, -2.0};
    e.I = {0.01, 0.3};
    e.J = {1.0, 0.5, -0.2, 0.3, -1.0, 0.8};
    e.gradF = {0.4, -0.1, 0.25};
    e.gradL = e.gradF;
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 3; ++i) e.gradL[i] -= it.lambda[j] * e.J[j * 3 + i];
    B = {2.0, 0.3, 0.1, 0.3, 1.5, -0.2, 0.1, -0.2, 1.0};
    Binv.assign(9, 0.0);
    for (int k = 0; k < 3; ++k) {  // columns of the inverse
      Vec A = B, unit(3, 0.0), col(3);
      unit[k] = 1;
      int singular;
      choleskySolve(3, A.data(), unit.data(), col.data(), 1e-12, &singular);
      for (int i = 0; i < 3; ++i) Binv[i * 3 + k] = col[i];
    }
  }
  // Largest violation of the three linearised equations by d.
  double linearisedResidual(const Vec& d, double target) {
    const double tau = prob.options.slackRelaxation;  // an IpContext's tau before the method runs
    double worst = 0;
    for (int i = 0; i < 3; ++i) {
      double v = e.gradF[i];
      for (int k = 0; k < 3; ++k) v += B[i * 3 + k] * d[k];
      for (int j = 0; j < 2; ++j) v -= e.J[j * 3 + i] * (it.lambda[j] + d[3 + 2 + j]);
      worst = std::fmax(worst, std::fabs(v));
    }
    for (int j = 0; j < 2; ++j) {
      double Jdx = 0;
      for (int i = 0; i < 3; ++i) Jdx += e.J[j * 3 + i] * d[i];
      worst = std::fmax(worst, std::fabs(e.I[j] + it.s[j] + Jdx + d[3 + j]));
      double w = tau + it.s[j];
      worst = std::fmax(worst, std::fabs(w * d[5 + j] + it.lambda[j] * d[3 + j] + w * it.lambda[j] + target));
    }
    return worst;
  }
};

TEST_F(NewtonSystem, DualAndPrimalOrderingsSolveTheLinearisedConditions) {
  IpContext c(prob.context());
  Vec dual, primal;
  CaptureStdout();
  dualOrdering(c, it, e, B, mu, dual);
  std::string out = GetCapturedStdout();
  primalOrdering(c, it, e, Binv, mu, primal);
  EXPECT_LT(linearisedResidual(dual, mu), 1e-12);
  EXPECT_LT(linearisedResidual(primal, mu), 1e-12);
  for (size_t i = 0; i < dual.size(); ++i) EXPECT_NEAR(dual[i], primal[i], 1e-12) << i;
  EXPECT_EQ(out.rfind("N:\n", 0), 0u);
  EXPECT_NE(out.find("Ind:\n"), std::string::npos);
  EXPECT_NE(out.find("Residual=0.0000000000000000"), std::string::npos);
}

TEST_F(NewtonSystem, PredictorWithoutCorrectionsIsTheAffineDirection) {
  IpContext c(prob.context());
  Vec pc, affine;
  prob.options.correctorSteps = 0;
  CaptureStdout();
  predictorCorrector(c, it, e, B, pc);
  dualOrdering(c, it, e, B, 0.0, affine);
  GetCapturedStdout();
  for (size_t i = 0; i < pc.size(); ++i) EXPECT_NEAR(pc[i], affine[i], 1e-14);
  prob.options.correctorSteps = 2;
  Vec corrected;
  predictorCorrector(c, it, e, B, corrected);
  EXPECT_GT(std::fabs(corrected[5] - affine[5]), 1e-6);  // corrections move the multipliers
}

TEST(HessianUpdate, SecantConditionResetAndIndefiniteGuard) {
  Options o;
  Vec B = {3, 1, 1, 2};
  const Vec x = {1, 2}, xp = {0.5, 1.0}, g = {2, 1}, gp = {0.5, -0.5};
  bfgsDirectUpdate(B.data(), 0, 2, x.data(), xp.data(), g.data(), gp.data(), bfgsRules(o));
  EXPECT_EQ(B, (Vec{1, 0, 0, 1}));
  CaptureStdout();
  bfgsDirectUpdate(B.data(), 1, 2, x.data(), xp.data(), g.data(), gp.data(), bfgsRules(o));
  EXPECT_EQ(GetCapturedStdout(), "");
  // s = (0.5, 1), y = (1.5, 1.5): s'y = 2.25 >= 0.2 s'Bs, so y is undamped
  EXPECT_NEAR(B[0] * 0.5 + B[1] * 1.0, 1.5, 1e-12);
  EXPECT_NEAR(B[2] * 0.5 + B[3] * 1.0, 1.5, 1e-12);
  Vec same = B;
  bfgsDirectUpdate(B.data(), 2, 2, x.data(), x.data(), g.data(), gp.data(), bfgsRules(o));  // zero step
  EXPECT_EQ(B, same);
  Vec indefinite = {-1, 0, 0, -1};
  o.dampedBfgs = 0;
  bfgsDirectUpdate(indefinite.data(), 1, 2, x.data(), xp.data(), g.data(), gp.data(), bfgsRules(o));
  EXPECT_EQ(indefinite, (Vec{-1, 0, 0, -1}));
}

TEST(Watchdog, PopWithoutPushChangesNothing) {
  WatchdogSlot slot;
  IpIterate it{{1.0}, {}, {}};
  Vec d{2.0}, B{3.0};
  double a = 0.5, b = 7;
  EXPECT_FALSE(slot.pop(it, d, B, a, b));
  EXPECT_EQ(it.x[0], 1.0);
  double phi = -1;
  EXPECT_FALSE(slot.peek(&phi));
  slot.push(it, d, B, 0.25, 1.0, 9.0);
  it.x[0] = 5;
  EXPECT_TRUE(slot.peek(&phi));
  EXPECT_EQ(phi, 9.0);
  EXPECT_TRUE(slot.pop(it, d, B, a, b));
  EXPECT_EQ(it.x[0], 1.0);
  EXPECT_EQ(a, 0.25);
}

TEST(Watchdog, ThreeIncreasesAcceptedThenPopWithHalfStep) {
  FakeProblem prob;
  prob.options.watchdog = 1;
  prob.options.watchdogIncreases = 3;
  prob.options.meritFunction = MeritFunction::L2;
  prob.mt = 0;  // the merit function is f = x^2
  prob.f = [](const double* x) { return x[0] * x[0]; };
  prob.gradF = [](const double* x, double* g) { g[0] = 2 * x[0]; };
  IpRun r(prob.install());
  r.it = {{1.0}, {}, {}};
  r.B = {1.0};
  const double directions[] = {-3, 5, -7};  // each overshoots: f = 4, 9, 16
  CaptureStdout();
  for (int call = 0; call < 3; ++call) {
    r.prevIt = r.it;
    r.d = {directions[call]};
    ASSERT_TRUE(lineSearch(r, call == 0));
  }
  EXPECT_NEAR(r.it.x[0], -4.0, 1e-12);
  r.prevIt = r.it;
  r.d = {3.0};
  ASSERT_TRUE(lineSearch(r, false));
  std::string out = GetCapturedStdout();
  EXPECT_NEAR(r.it.x[0], -0.5, 1e-12);  // back at x = 1 along d = -3 with step 1/2
  size_t push = out.find("Making push\n"), pop = out.find("Making pop\n");
  ASSERT_NE(push, std::string::npos);
  ASSERT_NE(pop, std::string::npos);
  EXPECT_LT(push, pop);
  EXPECT_EQ(out.find("Making push\n", push + 1), std::string::npos);
  EXPECT_NE(out.find("Step=0.500000\n", pop), std::string::npos);
  EXPECT_EQ(r.d[0], -3.0);
}

TEST(Watchdog, NonDescentDirectionRaisesBetaUntilFailure) {
  FakeProblem prob;
  prob.options.meritFunction = MeritFunction::L2;
  prob.mt = 0;
  prob.f = [](const double* x) { return x[0] * x[0]; };
  prob.gradF = [](const double* x, double* g) { g[0] = 2 * x[0]; };
  IpRun r(prob.install());
  r.it = r.prevIt = {{1.0}, {}, {}};
  r.B = {1.0};
  r.d = {1.0};  // uphill whatever the weight
  CaptureStdout();
  EXPECT_FALSE(lineSearch(r, true));
  GetCapturedStdout();
  EXPECT_GT(r.beta, 1000 / r.c.tau);
  EXPECT_EQ(r.it.x[0], 1.0);
}

}  // namespace

namespace {

struct MeritSearch : ::testing::Test {
  FakeProblem prob;
  void SetUp() override {
    prob.options.meritFunction = MeritFunction::AugmentedLagrangian;
    prob.mt = 0;  // the merit function is f
  }
  IpRun& start(double x, double d) {
    run.reset(new IpRun(prob.install()));
    run->it = run->prevIt = {{x}, {}, {}};
    run->B = {1.0};
    run->d = {d};
    return *run;
  }
  std::unique_ptr<IpRun> run;
};

// A trial that leaves the merit function where it was is no progress, even
// when the step is whole; a step too short to move anything is refused.
TEST_F(MeritSearch, RefusesStepsThatDecreaseNothing) {
  prob.f = [](const double*) { return 0.0; };
  prob.gradF = [](const double*, double* g) { g[0] = 1; };  // promises descent along -1
  IpRun& flat = start(1.0, -1.0);
  CaptureStdout();
  EXPECT_FALSE(lineSearch(flat, true));
  EXPECT_EQ(flat.it.x[0], 1.0);
  prob.f = [](const double* x) { return (x[0] - 2) * (x[0] - 2); };
  prob.gradF = [](const double* x, double* g) { g[0] = 2 * (x[0] - 2); };
  IpRun& tiny = start(1.0, 1e-9);
  EXPECT_FALSE(lineSearch(tiny, true));
  GetCapturedStdout();
  EXPECT_EQ(tiny.it.x[0], 1.0);
}

// f = (x - 1/2)^2 from x = 1 along d = -1, with a slope overstated so that
// no trial meets the sufficient decrease: the best trial (x = 1/2) stands,
// not the full step to x = 0, which lowers nothing.
TEST_F(MeritSearch, FailedBacktrackingKeepsTheBestTrial) {
  prob.f = [](const double* x) { return (x[0] - 0.5) * (x[0] - 0.5); };
  prob.gradF = [](const double* x, double* g) { g[0] = 2e9 * (x[0] - 0.5); };
  IpRun& r = start(1.0, -1.0);
  CaptureStdout();
  EXPECT_TRUE(lineSearch(r, true));
  GetCapturedStdout();
  EXPECT_EQ(r.it.x[0], 0.5);
}

// At a strictly feasible start the integral's gradient is about
// eps^2 / (4 v^2): the least-squares multiplier would be -4e10.
TEST(InitialMultipliers, AreBoundedWhereTheIntegralsBarelyMove) {
  FakeProblem prob;
  prob.f = [](const double* x) { return -x[0]; };
  prob.gradF = [](const double*, double* g) { g[0] = -1; };
  prob.g = [](int, const double* x, const double*) { return x[0] - 10; };
  prob.gradG = [](int, const double*, const double*, double* gx, double* gt) {
    gx[0] = 1;
    gt[0] = 0;
  };
  IpContext c(prob.install());
  IpIterate it{{0.0}, {}, {}};
  initialSlacksAndMultipliers(c, it, 0);
  EXPECT_EQ(it.lambda[0], -1000.0);
  EXPECT_GE(it.s[0], prob.options.initialSlackFloor);  // the centred start: slack theta * q^k
}

}  // namespace
