// The default method on the bundled literature problems, as a user runs it.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <string>

#include "harness.h"
#include "literature.h"
#include "solution.h"

namespace {

struct Expectation {
  const char* name;
  double objectiveTolerance;  // relative
  double xTolerance;          // absolute; 0 where x is ill-conditioned
};

class PenaltyLiterature : public ::testing::TestWithParam<Expectation> {};

TEST_P(PenaltyLiterature, DefaultOptionsReachPublishedOptimum) {
  const Expectation e = GetParam();
  const LiteratureProblem& p = literatureProblem(e.name);
  TempDir dir;
  p.model.write(dir.file(p.name));
  RunResult r = runIn(dir.path(), ormidPath() + " " + p.name + " -AMPL");
  ASSERT_EQ(r.status, 0) << r.out.substr(r.out.size() > 2000 ? r.out.size() - 2000 : 0);
  EXPECT_GE(r.solveCode, 0);
  EXPECT_LT(r.solveCode, 200) << r.solMessage;

  std::vector<double> x = vectorAfter(r.out, "Solution found\n");
  ASSERT_EQ(x.size(), p.x.size());
  for (size_t i = 0; e.xTolerance > 0 && i < x.size(); ++i)
    EXPECT_NEAR(x[i], p.x[i], e.xTolerance) << i;
  EXPECT_LT(maxViolation(p.model, x, 2001), 1e-3);

  std::string results = readFile(dir.file("results"));
  std::smatch m;
  const std::regex line(R"(^ & \d+ & \d+ & \d+ & \d+ & (-?\d\.\d{6}e[+-]\d\d) & \d\.\de[+-]\d\d & \d\.\de[+-]\d\d \\\\\n$)");
  ASSERT_TRUE(std::regex_match(results, m, line)) << results;
  double f = std::stod(m[1]);
  EXPECT_NEAR(f, p.optimum, e.objectiveTolerance * std::fabs(p.optimum));

  // The solution file carries x and zero for the infinite variable.
  std::vector<double> sol = solPrimals(readFile(dir.file(p.name + ".sol")), (int)p.model.vars.size());
  for (size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(sol[i], x[i], 1e-9);
  EXPECT_EQ(sol.back(), 0.0);
  EXPECT_EQ(statistic(r.out, "kelv_pfval") > 0, true);
  EXPECT_NE(r.out.find("nnlpc/nnlp=-0.000000\nnnlp=0\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Literature, PenaltyLiterature,
                         ::testing::Values(Expectation{"watson2", 1e-4, 1e-3},
                                           Expectation{"watson3", 1e-5, 1e-3},
                                           Expectation{"watson4a", 2e-4, 0},
                                           Expectation{"watson4b", 2e-3, 0},
                                           Expectation{"watson4c", 1e-3, 0},
                                           Expectation{"watson5", 1e-4, 1e-2},
                                           Expectation{"watson6", 1e-5, 1e-3},
                                           Expectation{"powell1", 5e-5, 1e-2},
                                           Expectation{"powell2", 5e-5, 1e-2},
                                           Expectation{"powell4", 2e-4, 0},
                                           Expectation{"polak_tits", 5e-4, 2e-3},
                                           Expectation{"oet2", 3e-3, 0},
                                           Expectation{"kortanek_no", 2e-3, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// The integral methods' stop tests are absolute: an objective near 1e-6
// passed them at the start (0.84e-6 for the optimum 0.19e-6).
TEST(SmallObjective, IntegralMethodsMinimiseItAsAtScaleOne) {
  nl::Model m = literatureProblem("watson2").model;
  m.objective = m.objective * 1e-6;
  for (const char* method : {"", "method=penalty_m", "method=intp"}) {
    TempDir dir;
    m.write(dir.file("p"));
    RunResult r = runIn(dir.path(), ormidPath() + " p -AMPL " + method);
    size_t at = r.solMessage.find("objective ");
    ASSERT_NE(at, std::string::npos) << method << ": " << r.solMessage;
    EXPECT_NEAR(std::stod(r.solMessage.substr(at + 10)), 0.194466e-6, 1e-4 * 0.194466e-6) << method;
  }
}

TEST(BundledExamples, MatchTheirDefinitions) {
  for (const LiteratureProblem& p : literatureProblems()) {
    const std::string base = sourceDir() + "/examples/" + p.name;
    EXPECT_EQ(readFile(base + ".nl"), p.model.nlText()) << p.name;
    EXPECT_EQ(readFile(base + ".row"), p.model.rowText()) << p.name;
    EXPECT_EQ(readFile(base + ".col"), p.model.colText()) << p.name;
    EXPECT_TRUE(fileExists(base + ".mod")) << p.name;
  }
}

TEST(LiteratureTranscription, PublishedOptimaAreFeasibleAndMatch) {
  for (const LiteratureProblem& p : literatureProblems()) {
    // x is recorded to six or seven decimals
    EXPECT_LT(maxViolation(p.model, p.x, checkPoints(p.model, 20001, 160801)), 1e-4)
        << p.name;
    std::vector<double> values(p.model.vars.size(), 0.0);
    for (size_t i = 0; i < p.x.size(); ++i) values[i] = p.x[i];  // x first, t last
    EXPECT_LT(finiteViolation(p.model, values), 1e-6) << p.name;
    EXPECT_NEAR(nl::evaluate(p.model.objective, values), p.optimum,
                2e-6 + 1e-7 * std::fabs(p.optimum)) << p.name;
  }
}

}  // namespace
