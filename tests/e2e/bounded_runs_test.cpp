// Every run ends: the limits that stop a method which would otherwise go on
// for ever, each reported as a limit or failure with the point in the .sol.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"
#include "literature.h"
#include "nl_writer.h"
#include "ormid/ormid.h"
#include "model_run.h"
#include "solution.h"

using namespace ormid;

namespace {

using namespace nl;

struct BoundedRuns : ::testing::Test, ModelRun {};

TEST_F(BoundedRuns, IntegralThatNeverMeetsItsErrorIsCutAndEndsTheMethod) {
  // int_error=0 over a long T: without a cap each integral splits ~1e7 times.
  Model m;
  Expr x1 = var(m.addVar("x1", -INF, INF, 1.0));
  Expr x2 = var(m.addVar("x2", -INF, INF, 1.0));
  Expr t = var(m.addVar("t", 0.0, 1e5));
  m.minimize(x1 * x1 + x2 * x2);
  m.addCon("tcon", x1 * sin(t) - x2, -INF, 1.0);
  for (std::string method : {"penalty", "penalty_m", "intp"}) {
    RunResult r = ormid(m, "int_error=0 method=" + method);
    EXPECT_EQ(r.status, 0) << method;
    EXPECT_EQ(r.solveCode, statusCode(Status::QuadratureLimit)) << r.solMessage;
  }
}

TEST_F(BoundedRuns, SubproblemInfeasibleTwiceOnTheSameSetStops) {
  Model m;  // x1^2 + 1 + t <= 0 holds nowhere
  Expr x1 = var(m.addVar("x1", -INF, INF, 1.0));
  Expr t = var(m.addVar("t", 0.0, 1.0));
  m.minimize(x1 * x1);
  m.addCon("tcon", x1 * x1 + 1.0 + t, -INF, 0.0);
  for (std::string method : {"disc_hett", "disc_halt", "disc_reem"}) {
    RunResult r = ormid(m, "disc_nlp=ipopt method=" + method);
    EXPECT_EQ(r.status, 0) << method;
    EXPECT_EQ(r.solveCode, statusCode(Status::Infeasible)) << r.solMessage;
    EXPECT_NE(r.solMessage.find("failed twice"), std::string::npos) << r.solMessage;
  }
}

TEST_F(BoundedRuns, SubproblemTooLargeKeepsTheStart) {
  const Model& m = literatureProblem("watson2").model;
  RunResult r = ormid(m, "disc_nlp=ipopt method=disc_reem disc_h=1e-6");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.solveCode, statusCode(Status::SizeLimit)) << r.solMessage;
  std::vector<double> x = sol(m);
  for (size_t i = 0; i < m.vars.size(); ++i) {
    if (!m.vars[i].hasStart) continue;
    EXPECT_EQ(x[i], m.vars[i].start) << i;
  }
}

TEST_F(BoundedRuns, TimeLimitEndsARunWithItsPoint) {
  // Runs of many seconds: a fine grid, and inner loops that never stop.
  struct Case {
    const char* problem;
    const char* options;
  } cases[] = {{"watson2", "disc_nlp=ipopt method=disc_reem disc_h=0.00002"},
               {"kortanek_no", "maxiteri=100000 pf_preci=-1"}};
  for (const Case& c : cases) {
    RunResult r = ormid(literatureProblem(c.problem).model, std::string(c.options) + " time_limit=0.5");
    EXPECT_EQ(r.status, 0) << c.problem;
    EXPECT_EQ(r.solveCode, statusCode(Status::TimeLimit)) << r.solMessage;
  }
}

}  // namespace
