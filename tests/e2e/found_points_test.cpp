// Points of T found violated at an answer are tried before the run ends:
// by the certificate's scan between the grid methods' points, by the
// verification inside a peak no scan sees, and never "solved" at a point
// where g has a pole inside T.
#include <gtest/gtest.h>

#include <string>

#include "fixtures.h"
#include "harness.h"
#include "model_run.h"
#include "ormid/ormid.h"
#include "solution.h"

using namespace ormid;

namespace {

// The peak model of width w.
nl::Model peak(int nt, double width) { return peakModel(nt, 1 / (width * width)); }

}  // namespace

TEST(FoundPoints, APeakBetweenTheGridPointsIsTriedAndTheGridMethodsEndSolved) {
  // Width 1e-3: the grids of spacing 0.01 miss the peak, the certificate's
  // scan does not. Without the found point each method ends "infeasible".
  const nl::Model m = peak(1, 1e-3);
  for (const char* method : {"disc_hett", "disc_halt", "disc_reem"}) {
    ModelRun run;
    RunResult r = run.ormid(m, std::string("method=") + method + " disc_nlp=ipopt verify=0");
    EXPECT_EQ(r.solveCode, 0) << method << ": " << r.solMessage << r.out;
    EXPECT_NEAR(run.sol(m)[0], 1.0, 1e-6) << method;
    EXPECT_NE(r.out.find("violated point of T found at the answer: the method goes on with it"), std::string::npos)
        << method << r.out;
  }
}

TEST(FoundPoints, APeakNoScanSeesIsFoundByTheVerificationAndSolvedIn1DAnd2D) {
  for (int nt : {1, 2}) {
    const nl::Model m = peak(nt, 1e-6);
    ModelRun run;
    RunResult sampled = run.ormid(m, "method=exchange verify=0");
    EXPECT_EQ(sampled.solveCode, 0) << sampled.solMessage;  // by the scans' lights
    EXPECT_GT(run.sol(m)[0], 1.5) << nt;                    // at a point that breaks the peak
    for (const char* method : {"exchange", "disc_halt disc_nlp=ipopt"}) {
      RunResult r = run.ormid(m, std::string("method=") + method);
      EXPECT_EQ(r.solveCode, 0) << nt << method << ": " << r.solMessage << r.out;
      EXPECT_NEAR(run.sol(m)[0], 1.0, 1e-6) << nt << method;
    }
  }
}

TEST(FoundPoints, APoleInsideTIsNeverSolved) {
  // min u s.t. |e^t - (x1 + x2 t) / (1 + x3 t)| <= u on [0, 1] from x = 0:
  // the subproblems drive the denominator's zero towards t = 0, where no
  // sample sees it; the trust region keeps each step bounded.
  nl::Model m;
  nl::Expr x1 = nl::var(m.addVar("x1", -nl::INF, nl::INF, 0.0));
  nl::Expr x2 = nl::var(m.addVar("x2", -nl::INF, nl::INF, 0.0));
  nl::Expr x3 = nl::var(m.addVar("x3", -nl::INF, nl::INF, 0.0));
  nl::Expr u = nl::var(m.addVar("u", -nl::INF, nl::INF, 2.9));
  nl::Expr t = nl::var(m.addVar("t", 0.0, 1.0, 0.0));
  m.minimize(u);
  nl::Expr rational = (x1 + x2 * t) / (1.0 + x3 * t);
  m.addCon("tup", nl::exp(t) - rational - u, -nl::INF, 0.0);
  m.addCon("tlo", rational - nl::exp(t) - u, -nl::INF, 0.0);
  ModelRun run;
  RunResult r = run.ormid(m, "method=exchange");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  // Solved only at the bounded rational fit (u = 0.0043), never at the
  // degenerate answer u = (e - 1) / 2 whose pole sits near t = 0.
  if (r.solveCode == 0) EXPECT_LT(run.sol(m)[3], 0.01) << r.out;
  else EXPECT_NE(r.solMessage.find("verified violation of"), std::string::npos) << r.solMessage;
}
