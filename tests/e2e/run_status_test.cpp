// How a run ends as a user meets it: the objective's sense, evaluation
// errors survived, and the solve result code in the solution file.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <regex>
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

struct RunStatus : ::testing::Test, ModelRun {};

// Concave objective, maximum 1.5 at (0.5, 0.5) where x1 <= 0.5 and x2 <= 0.5
// (the constraint at t = 1 and t = 0); minimising it instead diverges.
Model maximizeModel() {
  Model m;
  Expr x1 = var(m.addVar("x1", -INF, INF, 0.0));
  Expr x2 = var(m.addVar("x2", -INF, INF, 0.0));
  Expr t = var(m.addVar("t", 0.0, 1.0));
  m.minimize(2 * x1 + 2 * x2 - x1 * x1 - x2 * x2);
  m.maximize = true;
  m.addCon("tcon", x1 * t + x2 * (1.0 - t), -INF, 0.5);
  return m;
}

TEST_F(RunStatus, MaximizeReachesTheMaximum) {
  Model m = maximizeModel();
  for (std::string options : {"", "method=disc_reem disc_nlp=ipopt"}) {
    RunResult r = ormid(m, options);
    ASSERT_EQ(r.status, 0) << options << r.out.substr(0, 2000);
    EXPECT_LT(r.solveCode, 200) << options << r.solMessage;
    std::vector<double> x = sol(m);
    EXPECT_NEAR(x[0], 0.5, 1e-3) << options;
    EXPECT_NEAR(x[1], 0.5, 1e-3) << options;
    // The printed objective is the model's own, not the negated one.
    size_t at = r.solMessage.find("objective ");
    ASSERT_NE(at, std::string::npos) << r.solMessage;
    EXPECT_NEAR(std::stod(r.solMessage.substr(at + 10)), 1.5, 1e-3) << r.solMessage;
    EXPECT_NE(r.out.rfind(r.solMessage), std::string::npos);  // the final line
  }
}

TEST_F(RunStatus, OverflowAtTheFirstTrialPointIsAStepTooLong) {
  // The first step from x1 = -6.6 goes to x1 = +728, where exp overflows.
  Model m;
  Expr x1 = var(m.addVar("x1", -INF, INF, -6.6));
  Expr t = var(m.addVar("t", 0.0, 1.0));
  m.minimize(exp(x1) + exp(-x1));
  m.addCon("tcon", x1 * t, -INF, 10.0);
  RunResult r = ormid(m, "");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_LT(r.solveCode, 100) << r.solMessage;
  EXPECT_NEAR(sol(m)[0], 0.0, 1e-3);
  EXPECT_EQ(r.err.find("can't evaluate"), std::string::npos) << r.err;
}

TEST_F(RunStatus, LogOfANegativeNumberAwayFromTheOptimumIsSurvived) {
  // min x1^2 subject to t <= log x1 on [0, 1]: x1 = e; log fails for x1 <= 0,
  // which the first step from x1 = 5 reaches.
  Model m;
  Expr x1 = var(m.addVar("x1", -INF, INF, 5.0));
  Expr t = var(m.addVar("t", 0.0, 1.0));
  m.minimize(x1 * x1);
  m.addCon("tcon", t - log(x1), -INF, 0.0);
  for (std::string options : {"", "method=disc_reem disc_nlp=ipopt"}) {
    RunResult r = ormid(m, options);
    ASSERT_EQ(r.status, 0) << options << r.err;
    EXPECT_LT(r.solveCode, 200) << options << r.solMessage;
    EXPECT_NEAR(sol(m)[0], std::exp(1.0), 1e-3) << options;
  }
}

TEST_F(RunStatus, ErrorAtTheStartingPointNamesTheFunction) {
  Model m;
  Expr x1 = var(m.addVar("x1", -INF, INF, -1.0));
  Expr t = var(m.addVar("t", 0.0, 1.0));
  m.minimize(log(x1) * log(x1), "energy");
  m.addCon("tcon", x1 * t, -INF, 10.0);
  RunResult r = ormid(m, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.solveCode, statusCode(Status::EvaluationError));
  EXPECT_NE(r.out.find("Error evaluating objective energy at the starting point\n"),
            std::string::npos) << r.out;
  EXPECT_EQ(sol(m)[0], -1.0);
}

TEST_F(RunStatus, IterationLimitIsReportedAsALimit) {
  const LiteratureProblem& p = literatureProblem("watson2");
  RunResult r = ormid(p.model, "maxitero=1");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.solveCode, statusCode(Status::IterationLimit)) << r.solMessage;
  EXPECT_NE(r.solMessage.find("limit (400)"), std::string::npos) << r.solMessage;
}


// Minimax approximation of 1e-5 t^2 on [0, 1] by a line: min z subject to
// -z <= 1e-5 t^2 - a - b t <= z. The optimum, z = 1.25e-6 at
// a = -1.25e-6, b = 1e-5, is far below the constraints' bound scale 1.
Model tinyMinimaxModel() {
  Model m;
  Expr a = var(m.addVar("a", -INF, INF, 0.0));
  Expr b = var(m.addVar("b", -INF, INF, 0.0));
  Expr z = var(m.addVar("z", -INF, INF, 1.0));
  Expr t = var(m.addVar("t", 0.0, 1.0));
  m.minimize(z);
  m.addCon("tabove", 1e-5 * t * t - a - b * t - z, -INF, 0.0);
  m.addCon("tbelow", a + b * t - 1e-5 * t * t - z, -INF, 0.0);
  return m;
}

// The number after a label in a text (NaN when the label is missing).
double numberAfter(const std::string& text, const std::string& label) {
  size_t at = text.find(label);
  return at == std::string::npos ? NAN : std::stod(text.substr(at + label.size()));
}

TEST_F(RunStatus, TinyOptimumIsSolvedOnlyWhereTheObjectiveIsOptimal) {
  const Model m = tinyMinimaxModel();
  const double optimum = 1.25e-6;
  for (std::string options : {"", "method=exchange", "method=disc_reem disc_nlp=ipopt",
                              "method=disc_hett disc_nlp=ipopt"}) {
    RunResult r = ormid(m, options + " report=r.json");
    ASSERT_EQ(r.status, 0) << options << r.out.substr(0, 2000);
    // The gap follows the residual in the certificate, not in the ending line.
    EXPECT_TRUE(std::regex_search(
        r.out, std::regex("\nStationarity residual: [^\n]+\nObjective gap: [0-9.e+-]+ "
                          "\\(relative\\)\nCertificate: ")))
        << options << r.out;
    EXPECT_EQ(r.solMessage.find("gap"), std::string::npos) << r.solMessage;
    const double printed = numberAfter(r.out, "\nObjective gap: ");
    nlohmann::json doc = nlohmann::json::parse(readFile(dir.file("r.json")));
    ASSERT_TRUE(doc["certificate"]["objective_gap"].is_number()) << options;
    const double gap = doc["certificate"]["objective_gap"].get<double>();
    EXPECT_NEAR(printed, gap, 5e-3 * gap + 1e-300) << options;
    const double objective = numberAfter(r.solMessage, "objective ");
    const double violation = numberAfter(r.solMessage, "largest violation ");
    if (r.solveCode == statusCode(Status::Solved)) {
      // Solved: at the optimum, not a few per cent above it.
      EXPECT_NEAR(objective, optimum, 1e-5 * optimum) << options << r.solMessage;
      EXPECT_LE(gap, 1e-6) << options;
    } else {
      EXPECT_EQ(r.solveCode, statusCode(Status::Uncertain)) << options << r.solMessage;
    }
    // A linear problem: at a feasible point the gap bounds f - f* from above.
    if (violation == 0) {
      EXPECT_GE(gap, (objective - optimum) / objective - 1e-6) << options << r.solMessage;
    }
    if (options == "method=exchange") {
      EXPECT_EQ(r.solveCode, statusCode(Status::Solved)) << r.solMessage;
    }
  }
}

}  // namespace

namespace {

TEST(LibraryExample, SolvesWatsonsProblemWithTwoMethods) {
  TempDir dir;
  RunResult r = runIn(dir.path(), LIBRARY_EXAMPLE_PATH);
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* method : {"\npenalty: ", "\ndisc_reem: "}) {
    size_t at = r.out.find(method);
    ASSERT_NE(at, std::string::npos) << method;
    size_t objective = r.out.find("objective ", at);
    EXPECT_NEAR(std::stod(r.out.substr(objective + 10)), 0.194466, 1e-4) << method;
  }
}

}  // namespace

namespace {

// The violation the run reports against an independent check on a fine grid
// of T at the x of its .sol: the reported one may be larger (it looks between
// grid points), never smaller by more than the grid can miss.
void reportedViolationAgrees(const std::string& problem, const std::string& options,
                             int firstPoints) {
  const LiteratureProblem& p = literatureProblem(problem);
  TempDir dir;
  p.model.write(dir.file("p"));
  RunResult r = runIn(dir.path(), ormidPath() + " p -AMPL " + options);
  ASSERT_EQ(r.status, 0) << problem;
  std::vector<double> primal = solPrimals(readFile(dir.file("p.sol")), (int)p.model.vars.size()), x;
  for (size_t j = 0; j < p.model.vars.size(); ++j)
    if (p.model.vars[j].name[0] != 't') x.push_back(primal[j]);
  double independent = std::max(0.0, maxViolation(p.model, x, checkPoints(p.model, firstPoints, 68921)));
  size_t at = r.solMessage.find("largest violation ");
  ASSERT_NE(at, std::string::npos) << r.solMessage;
  double reported = std::stod(r.solMessage.substr(at + 18));
  EXPECT_GE(reported, independent * (1 - 1e-5) - 1e-9) << problem << ": " << r.solMessage;
  EXPECT_LE(reported, independent + 1e-6 + 1e-3 * independent) << problem << ": " << r.solMessage;
}

TEST(Certificate, ReportedViolationAgreesWithAFineGridInOneTwoAndThreeDimensions) {
  reportedViolationAgrees("watson2", "maxitero=2", 200001);  // worst at the bound t = 0
  reportedViolationAgrees("oet1", "maxitero=3", 200001);      // worst inside T
  reportedViolationAgrees("watson7", "disc_nlp=ipopt method=disc_hett disc_h=0.2 disc_k=1", 401);
  reportedViolationAgrees("ball3", "disc_nlp=ipopt method=disc_hett disc_h=0.3,0.3,0.3 disc_k=1", 41);
}

}  // namespace
