// The interior point method on the literature problems, per ordering.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <string>

#include "harness.h"
#include "ormid/ormid.h"
#include "literature.h"
#include "solution.h"

using namespace ormid;

namespace {

struct Case {
  const char* problem;
  const char* ordering;
  double tolerance;  // relative error of the final objective
};

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
  return std::string(info.param.problem) + "_" + info.param.ordering;
}

const std::regex RESULTS_LINE(
    R"(^ & \d+ & \d+ & (-?\d\.\d{6}e[+-]\d\d)( & -?\d\.\de[+-]\d\d){4} \\\\\n$)");

double runObjective(const Case& c, RunResult* run = nullptr) {
  const LiteratureProblem& p = literatureProblem(c.problem);
  TempDir dir;
  p.model.write(dir.file(p.name));
  RunResult r = runIn(dir.path(), ormidPath() + " " + p.name +
                                      " -AMPL method=intp int_ord=" + c.ordering);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Interior point method selected\n"), std::string::npos);
  std::string results = readFile(dir.file("results"));
  std::smatch m;
  EXPECT_TRUE(std::regex_match(results, m, RESULTS_LINE)) << results;
  EXPECT_TRUE(fileExists(dir.file(p.name + ".sol")));
  if (run) *run = r;
  return m.size() > 1 ? std::stod(m[1]) : NAN;
}

class InteriorConverges : public ::testing::TestWithParam<Case> {};

TEST_P(InteriorConverges, ReachesPublishedOptimum) {
  const Case c = GetParam();
  RunResult r;
  double f = runObjective(c, &r);
  const LiteratureProblem& p = literatureProblem(c.problem);
  EXPECT_NEAR(f, p.optimum, c.tolerance * std::fabs(p.optimum));
  EXPECT_NE(r.out.find("Precision on eps satisfied\n"), std::string::npos);
  EXPECT_GE(r.solveCode, 0);
  EXPECT_LT(r.solveCode, 200) << r.solMessage;
}

INSTANTIATE_TEST_SUITE_P(Literature, InteriorConverges,
                         ::testing::Values(Case{"watson2", "d", 1e-4}, Case{"watson2", "p", 1e-4},
                                           Case{"watson2", "pc", 1e-4}, Case{"watson3", "d", 1e-5},
                                           Case{"watson3", "p", 1e-5}, Case{"watson3", "pc", 1e-5},
                                           Case{"watson6", "d", 1e-5}, Case{"watson6", "p", 1e-5},
                                           Case{"watson6", "pc", 1e-5}, Case{"powell1", "d", 1e-4},
                                           Case{"powell1", "p", 1e-4}, Case{"powell1", "pc", 1e-4},
                                           Case{"oet1", "d", 5e-4}),
                         caseName);

// On watson4a, watson4c and watson5 the single multiplier of each integral
// cannot balance the objective's gradient exactly while the smoothed
// integrand is nearly flat: the transcription's dual residual stays above
// int_prec and the run ends at the iteration limit, though with x close to
// the optimum. The runs must end normally with a well-formed results line.
class InteriorStalls : public ::testing::TestWithParam<Case> {};

TEST_P(InteriorStalls, EndsAtIterationLimitNearTheOptimum) {
  const Case c = GetParam();
  RunResult r;
  double f = runObjective(c, &r);
  const LiteratureProblem& p = literatureProblem(c.problem);
  EXPECT_NEAR(f, p.optimum, c.tolerance * std::fabs(p.optimum));
  EXPECT_EQ(r.out.find("Precision on eps satisfied\n"), std::string::npos);
  EXPECT_EQ(r.solveCode, statusCode(Status::IterationLimit)) << r.solMessage;
}

INSTANTIATE_TEST_SUITE_P(Watson, InteriorStalls,
                         ::testing::Values(Case{"watson4a", "d", 2e-4}, Case{"watson4a", "p", 2e-4},
                                           Case{"watson4a", "pc", 2e-4}, Case{"watson4c", "p", 1e-3},
                                           Case{"watson5", "d", 1e-4}, Case{"watson5", "p", 1e-4},
                                           Case{"watson5", "pc", 1e-4}),
                         caseName);

// min x1^2 + x2^2 subject to scale * (x1 t + x2) <= 0 on [0, 1].
nl::Model scaledModel(double scale) {
  nl::Model m;
  nl::Expr x1 = nl::var(m.addVar("x1", -nl::INF, nl::INF, 1.0));
  nl::Expr x2 = nl::var(m.addVar("x2", -nl::INF, nl::INF, 1.0));
  nl::Expr t = nl::var(m.addVar("t", 0.0, 1.0, 0.0));
  m.minimize(x1 * x1 + x2 * x2);
  m.addCon("tcon", scale * x1 * t + scale * x2, -nl::INF, 0.0);
  return m;
}

TEST(InteriorFailure, SingularNewtonSystemIsABreakdownThatKeepsTheIterate) {
  TempDir dir;
  scaledModel(1e100).write(dir.file("p"));
  // The L2 merit function lets the iterate run into the singular system.
  RunResult r = runIn(dir.path(), ormidPath() + " p -AMPL method=intp int_ord=pc int_merit=m1");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("N is singular\n"), std::string::npos);
  EXPECT_EQ(r.solveCode, statusCode(Status::Breakdown)) << r.solMessage;
  std::vector<double> x = solPrimals(readFile(dir.file("p.sol")), 3);
  EXPECT_TRUE(std::isfinite(x[0]) && std::isfinite(x[1]));
}

TEST(InteriorFailure, IntegralsOverflowingAtTheStartEndThere) {
  TempDir dir;
  scaledModel(1e200).write(dir.file("p"));  // the smoothed violation squares 2e200
  for (const char* ordering : {"d", "p", "pc"}) {
    RunResult r = runIn(dir.path(), ormidPath() + " p -AMPL method=intp int_ord=" + ordering);
    EXPECT_EQ(r.status, 0) << ordering;
    EXPECT_EQ(r.solveCode, statusCode(Status::EvaluationError)) << r.solMessage;
    EXPECT_EQ(solPrimals(readFile(dir.file("p.sol")), 3), (std::vector<double>{1, 1, 0}));
  }
}

}  // namespace
