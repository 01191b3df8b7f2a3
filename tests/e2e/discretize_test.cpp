// The discretization methods as a user meets them without an NLP solver:
// their preparation output, then the stop, status 1 and a solution file
// that says there is no solution.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"
#include "literature.h"

namespace {

const std::string STOP =
    "\n\nNPSOL not available\nPlease read the user manual about it\nAborting....\n";

struct DiscretizeRun : ::testing::Test {
  TempDir dir;
  RunResult ormid(const std::string& options) {
    literatureProblem("watson2").model.write(dir.file("w"));
    return runIn(dir.path(), ormidPath() + " w -AMPL " + options);
  }
  void expectStop(const RunResult& r, const std::string& expected) {
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.solveCode, 503) << r.solMessage;  // no point: the start, marked as no solution
    EXPECT_FALSE(fileExists(dir.file("results")));
  }
};

TEST_F(DiscretizeRun, HettichStopsAtItsFirstSubproblem) {
  expectStop(ormid("method=disc_hett disc_h=0.05 disc_k=4"),
             "ORMID: Discretization method selected Hettich version\ndisc_k=4\nNx=2\t Nt=1\n"
             "h=(0.050000)\nRefinements=4\nIter\tGrid\tNnlsp\tNacvi\tFullGrid\n" + STOP);
}

TEST_F(DiscretizeRun, HaltonStopsAtItsFirstSubproblem) {
  expectStop(ormid("method=disc_halt"),
             "ORMID: Discretization method selected Hettich version with Halton points\n"
             "Nx=2\t Nt=1\n" + STOP);
}

TEST_F(DiscretizeRun, ReemtsenStopsAtItsFirstSubproblem) {
  expectStop(ormid("method=disc_reem"),
             "ORMID: Discretization method selected Reemtsen version\nNx=2\t Nt=1\n"
             "h=(0.010000)\nIter\tGrid\tNnlsp\tFullGrid\n" + STOP);
}

TEST_F(DiscretizeRun, ZeroSpacingIsRefusedClearly) {
  RunResult r = ormid("method=disc_hett disc_h=0");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Spacing 0.000000 cannot make a grid of infinite variable 0 on "
                       "[0.000000, 1.000000]\n"), std::string::npos) << r.out;
}

TEST_F(DiscretizeRun, GridsTooLargeForMemoryAreRefusedClearly) {
  RunResult r = ormid("method=disc_hett disc_h=1e-9");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("A grid with these spacings would have 1000000001 points, more than "
                       "20000000\n"), std::string::npos) << r.out;
  r = ormid("method=disc_halt disc_h_mx=2000000000 disc_ha_mx=10");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("2000000000 Halton points are more than the 20000000 a run may hold\n"),
            std::string::npos) << r.out;
}

TEST_F(DiscretizeRun, ModelWithoutStartGoesThroughInitialGuess) {
  nl::Model m;
  nl::Expr x = nl::var(m.addVar("x"));
  nl::Expr t = nl::var(m.addVar("t", 0.0, 1.0));
  m.minimize(x * x);
  m.addCon("tcon", x - t, -nl::INF, 0.0);
  m.write(dir.file("w"));
  RunResult r = runIn(dir.path(), ormidPath() + " w -AMPL method=disc_reem");
  expectStop(r, "ORMID: Discretization method selected Reemtsen version\nWithout Initial Guess\n" + STOP);
}

}  // namespace
