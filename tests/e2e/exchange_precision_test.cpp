// The exchange method to full precision on a problem whose optimal value is
// tiny and known in closed form: the best approximation of
// s (a^2 - 1) / (a - cos t) on [0, pi] by n cosines has error s rho^(n-1),
// rho = a - sqrt(a^2 - 1) (Chebyshev's approximation of 1/(a - x)).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>

#include "families.h"
#include "model_run.h"

namespace {

using namespace nl;

const double A = 1.01;

Model cosineMinimax(int n, double scale) {
  Model m;
  std::vector<Expr> x;
  for (int k = 0; k < n; ++k) x.push_back(var(m.addVar("x[" + std::to_string(k + 1) + "]", -INF, INF, 0.0)));
  Expr z = var(m.addVar("z", -INF, INF, 3 * scale));
  Expr t = var(m.addVar("t", 0.0, M_PI, 0.0));
  Expr p = x[0];
  for (int k = 1; k < n; ++k) p = p + x[k] * cos(double(k) * t);
  Expr f = scale * (A * A - 1) / (A - cos(t));
  m.minimize(z);
  m.addCon("tup", f - p - z, -INF, 0.0);
  m.addCon("tlo", p - f - z, -INF, 0.0);
  return m;
}

double optimum(int n, double scale) { return scale * std::pow(A - std::sqrt(A * A - 1), n - 1); }

double number(const std::string& text, const std::string& label) {
  size_t at = text.find(label);
  return at == std::string::npos ? NAN : std::stod(text.substr(at + label.size()));
}

// The Newton phase's last run, step by step: the larger of its KKT residual
// and its violation (what it stops on: a step 0 whose multipliers were
// fitted at its point has a KKT residual of rounding size).
std::vector<double> newtonResiduals(const std::string& out) {
  std::vector<double> residuals;
  std::istringstream in(out.substr(out.rfind("Newton\tActive")));
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    int step, active;
    double objective, kkt, violation;
    if (!(fields >> step >> active >> objective >> kkt >> violation)) break;
    residuals.push_back(std::max(kkt, violation));
  }
  return residuals;
}

TEST(ExchangePrecision, ATinyOptimalValueIsReachedToFullPrecisionByTheNewtonPhase) {
  // Optimal value 3.9e-8, 25 variables.
  ModelRun run;
  const double best = optimum(24, 1e-6);
  RunResult r = run.ormid(cosineMinimax(24, 1e-6), "method=exchange");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.solveCode, 0) << r.solMessage;
  EXPECT_NE(r.solMessage.find("Newton phase converged"), std::string::npos) << r.solMessage;
  EXPECT_LE(std::fabs(number(r.solMessage, "objective ") - best), 1e-8 * best) << r.solMessage;
  // Quadratic convergence: the residual ends below 1e-12 and each step at
  // least squares the previous one's residual (up to a constant) once it
  // is below 1e-2.
  std::vector<double> kkt = newtonResiduals(r.out);
  ASSERT_GE(kkt.size(), 2u) << r.out;
  EXPECT_LE(kkt.back(), 1e-12) << r.out;
  for (size_t k = 1; k < kkt.size(); ++k) {
    if (kkt[k - 1] < 1e-2 && kkt[k] > 1e-12) {
      EXPECT_LE(kkt[k], 10 * kkt[k - 1] * kkt[k - 1]) << r.out;
    }
  }
}

TEST(ExchangePrecision, TheExchangePhaseAloneWorksOnTheProblemsOwnScale) {
  // Without the Newton phase the subproblems carry the accuracy: solved on
  // the objective's and the constraints' own scale, the last one to 1e-12.
  ModelRun run;
  const double best = optimum(16, 1e-6);
  RunResult r = run.ormid(cosineMinimax(16, 1e-6), "method=exchange exchange_reduce=0");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.find("Newton\tActive"), std::string::npos);
  EXPECT_EQ(r.solveCode, 0) << r.solMessage;
  EXPECT_LE(std::fabs(number(r.solMessage, "objective ") - best), 1e-6 * best) << r.solMessage;
}

TEST(ExchangePrecision, AnAnswerFarAboveATinyOptimumIsNotCalledSolved) {
  // A coarse grid solved once: its violations (4e-8) are far below feas_tol,
  // its objective 25 % above the optimum of 1.2e-7. Judged on the problem's
  // own scale it is not solved.
  ModelRun run;
  const double best = optimum(16, 1e-6);
  RunResult r = run.ormid(cosineMinimax(16, 1e-6), "method=disc_hett disc_nlp=ipopt disc_k=1 disc_h=0.1");
  ASSERT_EQ(r.status, 0) << r.out;
  const double error = std::fabs(number(r.solMessage, "objective ") - best) / best;
  EXPECT_GT(error, 1e-2) << r.solMessage;
  EXPECT_LT(number(r.solMessage, "largest violation "), 1e-6) << r.solMessage;
  EXPECT_EQ(r.solveCode, 100) << r.solMessage;
  EXPECT_NE(r.solMessage.find("the multipliers place the optimum"), std::string::npos) << r.solMessage;
}

TEST(ExchangePrecision, TwoDimensionalMinimaxIsFinishedByTheNewtonPhaseAndCertified) {
  // Their maximisers lie inside T, on its faces (where the slope in t
  // vanishes by symmetry) and on ridges; the optimum is fixed by fewer
  // active points than variables.
  for (const char* name : {"minimax2_d3", "minimax2_d4"}) {
    const MinimaxApproximation& member = minimaxApproximation(name);
    ModelRun run;
    RunResult r = run.ormid(minimaxProblem(member).model, "method=exchange");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.solveCode, 0) << name << ": " << r.solMessage;
    EXPECT_NE(r.solMessage.find("Newton phase converged"), std::string::npos) << r.solMessage;
    const double error = std::fabs(number(r.solMessage, "objective ") - member.optimum);
    EXPECT_LE(error, 1e-8 * member.optimum) << name << ": " << r.solMessage;
  }
}

}  // namespace
