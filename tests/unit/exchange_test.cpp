// The exchange method's point management (the coarse start, adding, dropping,
// warm starts) with a scripted subproblem solver.
#include <gtest/gtest.h>

#include <cmath>

#include "exchange/working_set.h"
#include "fake_problem.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

typedef std::vector<double> Vec;

TEST(WorkingSet, CoarseStartGrowsWithTheDimensionButStaysSmall) {
  for (int nt : {1, 2, 3, 4, 7}) {
    FakeProblem f;
    f.nt = nt;
    f.tl.assign(nt, 0.0);
    f.tu.assign(nt, 2.0);
    SipContext& c = f.install();
    WorkingSet set(c.problem);
    const size_t expected[] = {0, 3, 9, 27, 16, 0, 0, 1};
    EXPECT_EQ(set.size(), expected[nt]) << nt;
    for (const WorkingPoint& q : set.all()) EXPECT_TRUE(q.initial);
  }
}

TEST(WorkingSet, AddsNewPointsOnceDropsIdleOnesAndKeepsMultipliersForWarmStarts) {
  FakeProblem f;  // g = -1 <= 0: every point well inside
  f.mx = 1;
  SipContext& c = f.install();
  WorkingSet set(c.problem);  // t = 0, 0.5, 1
  EXPECT_TRUE(set.add({0.25}));
  EXPECT_FALSE(set.add({0.25 + 1e-12}));
  ASSERT_EQ(set.size(), 4u);
  const double x = 0;
  // Rows: the finite constraint, then one per point; the added point is idle.
  const Vec lambda = {7.0, 0.5, 0.0, 0.0, 0.0};
  for (int round = 1; round < WorkingSet::DROP_AFTER; ++round) {
    EXPECT_EQ(set.update(lambda, c.problem, &x), 0);
    EXPECT_EQ(set.warmStart(), lambda);
  }
  EXPECT_EQ(set.update(lambda, c.problem, &x), 1);  // the added point goes, the start stays
  EXPECT_EQ(set.size(), 3u);
  EXPECT_EQ(set.warmStart(), (Vec{7.0, 0.5, 0.0, 0.0}));
  // A point with a multiplier is never idle.
  set.add({0.75});
  for (int round = 0; round < 2 * WorkingSet::DROP_AFTER; ++round)
    set.update({7.0, 0.5, 0.0, 0.0, 1.0}, c.problem, &x);
  EXPECT_EQ(set.size(), 4u);
}

// Returns the scripted x of each call in turn, with multipliers 1, 2, ... for the rows.
class ScriptedSolver : public SubproblemSolver {
 public:
  std::vector<double> xs;
  std::vector<PointList> seen;
  std::vector<Vec> warm;  // the multipliers each call started from (empty: a cold start)
  SubproblemResult solve(SipContext&, double*, const PointSet&) override { return {}; }
  SubproblemResult solveOn(SipContext& c, double* x, const PointList& points,
                           const Vec* lambda0) override {
    x[0] = xs[std::min(seen.size(), xs.size() - 1)];
    seen.push_back(points);
    warm.push_back(lambda0 ? *lambda0 : Vec());
    SubproblemResult r = subproblemSolved(x[0]);
    for (size_t k = 0; k < c.problem.mx + points.size(); ++k) r.lambda.push_back(k + 1.0);
    return r;
  }
};

TEST(Exchange, AddsTheMaximiserAndWarmStartsFromTheLastMultipliers) {
  // g = x sin(6t) - 1/2 <= 0 on [0, 1]: for x = 1 violated around t = pi/12,
  // which the coarse start (0, 1/2, 1) misses; for x = 0.4 feasible everywhere.
  FakeProblem f;
  f.g = [](int, const double* x, const double* t) { return x[0] * std::sin(6 * t[0]) - 0.5; };
  f.gradG = [](int, const double* x, const double* t, double* gx, double* gt) {
    gx[0] = std::sin(6 * t[0]);
    gt[0] = 6 * x[0] * std::cos(6 * t[0]);
  };
  SipContext& c = f.install();
  ScriptedSolver solver;
  solver.xs = {1.0, 0.4};
  c.subproblemSolver = &solver;
  CaptureStdout();
  SipResult r = exchangeMethod(c);
  GetCapturedStdout();
  EXPECT_EQ(r.status, STATUS_SOLVED) << r.message;
  ASSERT_EQ(solver.seen.size(), 2u);
  EXPECT_EQ(solver.seen[0].size(), 3u);
  ASSERT_EQ(solver.seen[1].size(), 4u);
  EXPECT_NEAR(solver.seen[1][3][0], M_PI / 12, 1e-7);
  EXPECT_TRUE(solver.warm[0].empty());
  EXPECT_EQ(solver.warm[1], (Vec{1.0, 2.0, 3.0, 0.0}));
  EXPECT_DOUBLE_EQ(c.x[0], 0.4);
}

}  // namespace
