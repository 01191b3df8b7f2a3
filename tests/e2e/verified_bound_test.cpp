// verify=1 on AMPL models as a user runs them: a bundled example verified,
// a peak narrower than every scan caught in 1-D and 2-D, an imported
// function's constraint sampled only with the reason named, and a minimax
// approximation's many active points bounded close to the sampled violation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "families.h"
#include "fixtures.h"
#include "harness.h"
#include "model_run.h"
#include "ormid/ormid.h"
#include "solution.h"

using namespace ormid;

namespace {

// The bound U of "Verified bound of NAME: violation <= U over T (...)".
bool verifiedBound(const std::string& out, const std::string& name, double* bound) {
  std::smatch m;
  const std::regex line("Verified bound of " + name + ": violation <= (\\S+) over T \\(\\d+ boxes, [0-9.]+ s\\)\n");
  if (!std::regex_search(out, m, line)) return false;
  *bound = std::stod(m[1]);
  return true;
}

TEST(VerifiedBound, ABundledExampleIsVerifiedAndStaysSolved) {
  TempDir dir;
  for (const char* ext : {".nl", ".row", ".col"})
    ASSERT_EQ(runIn(dir.path(), "cp '" + sourceDir() + "/examples/watson2" + ext + "' .").status, 0);
  RunResult r = runIn(dir.path(), ormidPath() + " watson2 -AMPL method=exchange verify=1");
  double bound;
  ASSERT_TRUE(verifiedBound(r.out, "tcon", &bound)) << r.out;
  EXPECT_LE(bound, 1e-9);
  EXPECT_GE(bound, -1e-9);  // the constraint is active at the optimum
  EXPECT_EQ(r.solveCode, 0) << r.solMessage;
  EXPECT_NE(r.solMessage.find("; verified violation <= "), std::string::npos) << r.solMessage;
}

// The peak's width is 1e-6: narrower than every scan's spacing.
nl::Model narrowPeak(int nt) { return peakModel(nt, 1e12); }

// Without verify the exchange method is solved at x = 2, which breaks the
// peak. With it, a method that samples T is not called solved there (the
// bound names the peak's box) unless the solve moved on from the point its
// search met, and the exchange method, whose last lower
// level is then the branch and bound, finds the peak and the true optimum.
TEST(VerifiedBound, APeakNarrowerThanEveryScanIsCaughtIn1DAnd2D) {
  for (int nt : {1, 2}) {
    ModelRun run;
    const nl::Model m = narrowPeak(nt);
    RunResult sampled = run.ormid(m, "method=exchange verify=0");
    ASSERT_EQ(sampled.solveCode, 0) << nt << sampled.solMessage;  // solved by the scans' lights...
    ASSERT_GT(run.sol(m)[0], 1.5);                                // ...at a point that violates the peak
    RunResult r = run.ormid(m, "method=disc_hett disc_nlp=ipopt verify=1");
    const double x = run.sol(m)[0];
    double bound;
    ASSERT_TRUE(verifiedBound(r.out, "tpeak", &bound)) << r.out;
    if (x > 1.5) {  // left where the scans put it: not solved, the bound covering the peak
      EXPECT_NE(r.solveCode, 0) << nt << r.solMessage;
      EXPECT_GE(bound, (x - 1) * (1 - 1e-5)) << nt;  // the violation at the peak, x - 1 (printed to 6 digits)
    } else {  // the solve tried the point the bound's search met, and moved to the optimum
      EXPECT_NEAR(x, 1.0, 1e-6) << nt;
      EXPECT_LE(bound, 1e-6) << nt;
    }

    r = run.ormid(m, "method=exchange verify=1");
    EXPECT_EQ(r.solveCode, 0) << nt << r.solMessage << r.out;
    EXPECT_NEAR(run.sol(m)[0], 1.0, 1e-8) << nt;
    ASSERT_TRUE(verifiedBound(r.out, "tpeak", &bound)) << r.out;
    EXPECT_LE(bound, 1e-9) << nt;
  }
}

// min x s.t. cspline(t; knots i/7, values sin(3 i/7)) - x <= 0.
TEST(VerifiedBound, AnImportedFunctionLeavesTheBoundNotAvailable) {
  ModelRun run;
  nl::Model m;
  const int cs = m.addFunction("cspline");
  nl::Expr x = nl::var(m.addVar("x", -nl::INF, nl::INF, 0.3));
  nl::Expr t = nl::var(m.addVar("t", 0, 1, 0.5));
  std::vector<nl::Expr> args = {t, nl::num(8)};
  for (int i = 0; i < 8; ++i) args.push_back(nl::num(i / 7.0));
  for (int i = 0; i < 8; ++i) args.push_back(nl::num(std::sin(3 * i / 7.0)));
  m.minimize(x);
  m.addCon("tcon", nl::call(cs, args) - x, -nl::INF, 0);
  m.write(run.dir.file("p"));
  RunResult r = runIn(run.dir.path(), ormidPath() + " p -AMPL method=exchange verify=1", "AMPLFUNC=" + splinesPath());
  EXPECT_NE(r.out.find("Verified bound of tcon: not available (imported function cspline)\n"), std::string::npos)
      << r.out << r.err;
  // The sampled certificate decides, and the message says what was not verified.
  EXPECT_EQ(r.solveCode, 0) << r.solMessage;
  EXPECT_EQ(occurrences(r.solMessage, "; sampled, not verified (tcon: imported function cspline)"), 1)
      << r.solMessage;
}

// A filter-like minimax approximation, 16 cosines whose error equioscillates
// at 17 points of [0, pi]: by default each side's bound comes within ten
// times the violation sampled at the answer or within 1e-9 of the terms'
// size (about 4), and the answer stays solved.
TEST(VerifiedBound, ManyActivePointsAreBoundedCloseToTheSampledViolation) {
  ModelRun run;
  const LiteratureProblem p = minimaxProblem(minimaxApproximation("minimax_n16"));
  // A budget of its own: a sanitized build evaluates ten times slower.
  RunResult r = run.ormid(p.model, "method=exchange verify_time=10");
  EXPECT_EQ(r.solveCode, 0) << r.solMessage << r.out;
  const size_t at = r.solMessage.find("largest violation ");
  ASSERT_NE(at, std::string::npos) << r.solMessage;
  const double sampled = std::max(0.0, std::stod(r.solMessage.substr(at + 18)));
  for (const char* side : {"tup", "tlo"}) {
    double bound;
    ASSERT_TRUE(verifiedBound(r.out, side, &bound)) << r.out;
    EXPECT_GE(bound, sampled - 1e-15) << side;
    EXPECT_LE(bound, std::max(10 * sampled, 4e-9)) << side << " sampled " << sampled;
  }
}

}  // namespace
