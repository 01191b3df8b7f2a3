// Control flow of the discretization methods with a scripted subproblem
// solver, on g(x, t) = x0 - t <= 0 over T = [0, 1] (feasible iff x0 <= 0).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "subproblem/subproblem.h"
#include "ampl/results_file.h"
#include "fake_problem.h"
#include "harness.h"

using namespace ormid;

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// Returns the scripted x0 and value of each call in turn (the last repeats).
class ScriptedSolver : public SubproblemSolver {
 public:
  std::vector<double> xs, values;
  std::vector<int> sizes;  // working-set size seen by each call
  SubproblemResult solve(SipContext& c, double* x, const PointSet& points) override {
    size_t i = std::min(sizes.size(), xs.size() - 1);
    sizes.push_back(points.count());
    x[0] = xs[i];
    ++c.stats.subproblems;
    c.stats.subproblemIterations += 10;
    return subproblemSolved(values.empty() ? x[0] : values[std::min(i, values.size() - 1)]);
  }
};

struct DiscretizationTest : ::testing::Test {
  FakeProblem prob;
  ScriptedSolver solver;
  ScratchWorkingDir dir;
  void SetUp() override {
    prob.g = [](int, const double* x, const double* t) { return x[0] - t[0]; };
  }
  Result last;
  std::string run(Result (*method)(SipContext&, SubproblemSolver*)) {
    SipContext& c = prob.install();
    CaptureStdout();
    last = method(c, &solver);
    return GetCapturedStdout();
  }
  // The row the program appends to ./results for the last run.
  std::string results() {
    appendSummaryRow(last.summary);
    return readFile(dir.file("results"));
  }
};

TEST_F(DiscretizationTest, HettichRefinesInnerIteratesAndReports) {
  prob.options.gridSpacing = {0.25};
  solver.xs = {0.0, 0.5, 0.0};
  std::string out = run(hettichMethod);
  EXPECT_EQ(out,
            "h=(0.250000)\nRefinements=3\nIter\tGrid\tNnlsp\tNacvi\tFullGrid\n"
            "0\t5\t5\t1\t--\n"
            "1\t9\t1\t2\tYes\n"
            "1\t9\t5\t5\tNo\n"
            "2\t25\t5\t5\tYes\n"
            "Active constraints\nS_Set\n\nThere are 1 points in the mesh\n"
            "(0.000000,):norm 0.000000\t: g=0.0000000000 \nReal constraints value  0.000000\n");
  EXPECT_EQ(solver.sizes, (std::vector<int>{5, 1, 5, 5}));
  EXPECT_EQ(results(), " & 5 & 25 & 10.0 & 4 & 0.000000e+00\\\\\n");
}

TEST_F(DiscretizationTest, HettichWithoutInnerIterationsAlwaysRefines) {
  prob.options.gridSpacing = {0.25};
  prob.options.maxSubproblemsPerLevel = 0;
  prob.options.gridLevels = 4;
  solver.xs = {0.5};  // never feasible
  std::string out = run(hettichMethod);
  EXPECT_EQ(occurrences(out, "\tNo\n"), 0);
  EXPECT_EQ(occurrences(out, "\tYes\n"), 3);
  // spacings 0.25, 0.125, 0.125/3, 0.125/9
  EXPECT_NE(out.find("3\t73\t"), std::string::npos) << out;
}

TEST_F(DiscretizationTest, HettichCheckTFillsAnEmptyWorkingSet) {
  prob.options.gridSpacing = {0.5};
  prob.options.gridLevels = 2;
  solver.xs = {-1.0};  // strictly feasible: nothing active, nothing flagged
  std::string out = run(hettichMethod);
  EXPECT_EQ(occurrences(out, "Check_T in action\n"), 1);
  EXPECT_EQ(solver.sizes, (std::vector<int>{3, 1}));
}

TEST_F(DiscretizationTest, HettichStopsBeforeAnythingForNoLevels) {
  prob.options.gridLevels = 0;
  std::string out = run(hettichMethod);
  EXPECT_EQ(out, "Number of mesh refines less or equal to zero\n");
  EXPECT_TRUE(solver.sizes.empty());
  EXPECT_FALSE(fileExists(dir.file("results")));
}

TEST_F(DiscretizationTest, SpacingListsAreAdjustedToTheInfiniteVariables) {
  prob.nt = 2;
  prob.tl = {0, 0};
  prob.tu = {1, 1};
  prob.g = [](int, const double* x, const double* t) { return x[0] - t[0] - t[1]; };
  solver.xs = {0.0};
  prob.options.gridLevels = 1;
  prob.options.gridSpacing = {0.5, 0.25, 0.1};
  std::string out = run(hettichMethod);
  EXPECT_EQ(out.rfind("User specified 3 values to h but there are 2 t vars\n"
                      "Using the first 2 values\nh=(0.500000,0.250000)\n", 0), 0u);
  EXPECT_EQ(solver.sizes, (std::vector<int>{15}));
  prob.options.gridSpacing = {0.5};
  out = run(hettichMethod);
  EXPECT_EQ(out.rfind("User specified 1 values to h but there are 2 t vars\n"
                      "Using first 1 values and repeat the last value\nh=(0.500000,0.500000)\n", 0), 0u);
  prob.options.gridSpacing.clear();
  out = run(hettichMethod);
  EXPECT_EQ(out.rfind("h=(0.010000,0.010000)\n", 0), 0u);
  EXPECT_EQ(solver.sizes.back(), 101 * 101);
}

TEST_F(DiscretizationTest, HaltonBatchesOf300Then200) {
  prob.options.haltonPoints = 500;
  prob.options.haltonBatch = 300;
  solver.xs = {0.0};
  std::string out = run(haltonMethod);
  EXPECT_EQ(out, "X solved full mesh\n500 halton points generated\n");
  EXPECT_EQ(results(), " & 300 & 500 & 20.0 & 2 & 0.000000e+00\\\\\n");
}

TEST_F(DiscretizationTest, HaltonDefaultsReplaceInconsistentCounts) {
  prob.nt = 2;
  prob.tl = {0, 0};
  prob.tu = {1, 1};
  prob.options.haltonPoints = 500;
  prob.options.haltonBatch = 600;
  solver.xs = {-5.0};
  std::string out = run(haltonMethod);
  EXPECT_EQ(prob.options.haltonBatch, 600);  // batches of 200 without changing the options
  EXPECT_EQ(prob.options.haltonPoints, 500);
  EXPECT_EQ(occurrences(out, "X solved full mesh\n"), 9);
  EXPECT_NE(out.find("2000 halton points generated\n"), std::string::npos);
}

TEST_F(DiscretizationTest, HaltonInnerIterationsWhileInfeasible) {
  prob.options.haltonPoints = 20;
  prob.options.haltonBatch = 10;
  prob.options.maxSubproblemsPerLevel = 2;
  solver.xs = {0.5};
  std::string out = run(haltonMethod);
  EXPECT_EQ(out, "X not solved full mesh\nX not solved full mesh\nX solved full mesh\n"
                 "20 halton points generated\n");
}

TEST_F(DiscretizationTest, ReemtsenUsesTheEpsilonBandAndRefinesWhenFeasible) {
  prob.options.gridSpacing = {0.25};
  solver.xs = {0.5, 0.0};
  solver.values = {2.0, 1.0};
  std::string out = run(reemtsenMethod);
  EXPECT_EQ(out,
            "h=(0.250000)\nIter\tGrid\tNnlsp\tFullGrid\n"
            "0\t5\t5\t--\n"
            "1\t9\t5\tNo\n"
            "1\t9\t5\tYes\n"
            "2\t25\t5\tYes\n");
  EXPECT_EQ(solver.sizes, (std::vector<int>{5, 5}));  // t <= 0.5 + 2 * 0.01
  EXPECT_EQ(results(), " & 5 & 25 & 10.0 & 2 & 1.000000e+00\\\\\n");
}

TEST_F(DiscretizationTest, ReemtsenInnerStepsAreBoundedPerLevel) {
  prob.options.gridSpacing = {0.25};
  prob.options.gridLevels = 2;
  prob.options.maxSubproblemsPerLevel = 3;
  solver.xs = {0.5};  // never feasible
  std::string out = run(reemtsenMethod);
  EXPECT_EQ(occurrences(out, "\tNo\n"), 3);
  EXPECT_NE(out.find("Grid still infeasible after 3 inner steps: refining\n1\t9\t"), std::string::npos);
}

TEST_F(DiscretizationTest, InitialGuessSolvesOnSixPointsFromRandomStart) {
  prob.nx = 3;
  prob.install();
  class Recorder : public SubproblemSolver {
   public:
    std::vector<double> start;
    int points = 0;
    SubproblemResult solve(SipContext&, double* x, const PointSet& set) override {
      start.assign(x, x + 3);
      points = set.count();
      return subproblemSolved(0);
    }
  } recorder;
  SipContext& c = prob.install();
  initialGuess(c, &recorder);
  EXPECT_EQ(recorder.points, 6);
  for (double v : recorder.start) {
    EXPECT_GE(v, 0.0);
    EXPECT_LE(v, 1.0);
  }
}

}  // namespace
