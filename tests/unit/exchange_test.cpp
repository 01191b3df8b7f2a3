// The exchange method's point management (the coarse start, adding, dropping,
// warm starts) with a scripted subproblem solver.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "exchange/working_set.h"
#include "fake_problem.h"

using namespace ormid;

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

typedef std::vector<double> Vec;

TEST(WorkingSet, CoarseStartGrowsWithTheVariablesAndStaysUnderItsCap) {
  // nx = 1: at least three values a coordinate; nx = 20 on one coordinate: 22 points;
  // nx = 40 on two: 7 x 7; seven coordinates: two values each (128); twelve: the centre alone.
  const struct {
    int nx, nt;
    size_t points;
  } cases[] = {{1, 1, 3}, {1, 2, 9}, {1, 3, 27}, {20, 1, 22}, {40, 2, 49}, {1, 7, 128}, {1, 12, 1}};
  for (const auto& k : cases) {
    FakeProblem f;
    f.nx = k.nx, f.nt = k.nt;
    f.tl.assign(k.nt, 0.0);
    f.tu.assign(k.nt, 2.0);
    SipContext& c = f.install();
    WorkingSet set(c.problem);
    EXPECT_EQ(set.size(), k.points) << k.nx << " " << k.nt;
    for (const WorkingPoint& q : set.all()) EXPECT_TRUE(q.initial);
  }
}

TEST(WorkingSet, RefiningTheStartKeepsItsPoints) {
  FakeProblem f;
  SipContext& c = f.install();
  WorkingSet set(c.problem);  // 3 values on [0, 1]
  ASSERT_TRUE(set.refineStart());
  EXPECT_EQ(set.size(), 5u);
  EXPECT_EQ(set.startValues(), 5);
}

TEST(WorkingSet, AddsNewPointsOnceDropsIdleOnesAndKeepsMultipliersForWarmStarts) {
  FakeProblem f;  // g = -1 <= 0: every point well inside
  f.mx = 1;
  SipContext& c = f.install();
  WorkingSet set(c.problem);  // t = 0, 0.5, 1
  EXPECT_TRUE(set.add({0.3}));
  EXPECT_FALSE(set.add({0.3 + 1e-12}));
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
  // Without leave to forget (an optimum that did not rise) an idle point
  // stays, and so do the rows it holds.
  set.add({0.8});
  const std::vector<char> held = set.held();
  for (int round = 0; round < 2 * WorkingSet::DROP_AFTER; ++round)
    EXPECT_EQ(set.update({7.0, 0.5, 0.0, 0.0, 0.0}, c.problem, &x, {}, false), 0);
  EXPECT_EQ(set.held(), held);
  EXPECT_EQ(set.update({7.0, 0.5, 0.0, 0.0, 0.0}, c.problem, &x), 1);
  // A point with a multiplier is never idle.
  set.add({0.6});
  for (int round = 0; round < 2 * WorkingSet::DROP_AFTER; ++round)
    set.update({7.0, 0.5, 0.0, 0.0, 1.0}, c.problem, &x);
  EXPECT_EQ(set.size(), 4u);
}

// Rows a point holds: all at a start point; elsewhere the constraint it was
// added for, then those active or near their bounds at the last x on their
// own scale (here g_0 = -1e-13 and g_1 = -1 against bounds 0, with g_0 of
// size 1e-9 over T).
TEST(WorkingSet, PointsHoldTheConstraintsTheyWereAddedForAndThoseNearTheirBounds) {
  FakeProblem f;
  f.mt = 2;
  f.g = [](int j, const double*, const double*) { return j == 0 ? -1e-13 : -1.0; };
  SipContext& c = f.install();
  WorkingSet set(c.problem);  // t = 0, 0.5, 1, holding both
  EXPECT_EQ(set.held(), std::vector<char>(6, 1));
  EXPECT_TRUE(set.add({0.3}, 1));
  EXPECT_EQ(set.held(), (std::vector<char>{1, 1, 1, 1, 1, 1, 0, 1}));
  EXPECT_TRUE(set.add({0.3}, 0));  // held for another constraint: a new row
  EXPECT_FALSE(set.add({0.3}, 1));
  const double x = 0;
  // No multipliers: g_0 (at 1e-4 of its own size 1e-9 from its bound) stays
  // held, g_1 (far inside) only at the start's points.
  set.update(Vec(8, 0.0), c.problem, &x, {1e-9, 1.0});
  EXPECT_EQ(set.held(), (std::vector<char>{1, 1, 1, 1, 1, 1, 1, 0}));
  // A multiplier holds its row.
  set.update({0, 0, 0, 0, 0, 0, 0, 2.0}, c.problem, &x, {1e-9, 1.0});
  EXPECT_EQ(set.held(), std::vector<char>(8, 1));
  // Without the magnitudes g_0 is near its bound (within 1e-3 absolute).
  set.update(Vec(8, 0.0), c.problem, &x);
  EXPECT_EQ(set.held(), (std::vector<char>{1, 1, 1, 1, 1, 1, 1, 0}));
}

// g = x sin(6t) - 1/2 <= 0 on [0, 1], the exchange phase alone (no Newton
// phase): feasible for x <= 1/2.
void halfSine(FakeProblem& f) {
  f.options.reducedNewton = 0;
  f.g = [](int, const double* x, const double* t) { return x[0] * std::sin(6 * t[0]) - 0.5; };
  f.gradG = [](int, const double* x, const double* t, double* gx, double* gt) {
    gx[0] = std::sin(6 * t[0]);
    gt[0] = 6 * x[0] * std::cos(6 * t[0]);
  };
}

// Returns the scripted x of each call in turn, with multipliers 1, 2, ... for
// the rows, or those that `multipliers` gives for the call's points.
class ScriptedSolver : public SubproblemSolver {
 public:
  std::vector<double> xs;
  std::function<Vec(const PointList&)> multipliers;
  std::vector<PointList> seen;
  std::vector<Vec> warm;  // the multipliers each call started from (empty: a cold start)
  std::vector<double> tolerances;  // each call's asked tolerance (-1: no scaling)
  std::vector<Vec> stepBounds;     // each call's trust region
  SubproblemResult solve(SipContext&, double*, const PointSet&) override { return {}; }
  SubproblemResult solveOn(SipContext& c, double* x, const PointList& points,
                           const Vec* lambda0, const SubproblemScaling* scaling,
                           const std::vector<char>*) override {
    tolerances.push_back(scaling ? scaling->tolerance : -1);
    stepBounds.push_back(scaling ? scaling->stepBound : Vec());
    x[0] = xs[std::min(seen.size(), xs.size() - 1)];
    seen.push_back(points);
    warm.push_back(lambda0 ? *lambda0 : Vec());
    SubproblemResult r = subproblemSolved(x[0]);
    for (size_t k = 0; k < c.problem.mx + points.size(); ++k) r.lambda.push_back(k + 1.0);
    if (multipliers) r.lambda = multipliers(points);
    return r;
  }
};

// The exchange method on the problem with the scripted solver's points, its
// output swallowed.
Result runScripted(SipContext& c, ScriptedSolver& solver, const std::vector<double>& xs) {
  solver.xs = xs;
  CaptureStdout();
  Result r = exchangeMethod(c, &solver);
  GetCapturedStdout();
  return r;
}

TEST(Exchange, AddsTheMaximiserAndWarmStartsFromTheLastMultipliers) {
  // For x = 1 violated around t = pi/12, which the coarse start (0, 1/2, 1)
  // misses; for x = 0.4 feasible everywhere.
  FakeProblem f;
  halfSine(f);
  SipContext& c = f.install();
  ScriptedSolver solver;
  Result r = runScripted(c, solver, {1.0, 0.4});
  EXPECT_EQ(r.status, Status::Solved) << r.message;
  // The last subproblem is solved once more to full accuracy.
  ASSERT_EQ(solver.seen.size(), 3u);
  EXPECT_EQ(solver.seen[2], solver.seen[1]);
  EXPECT_EQ(solver.tolerances, (std::vector<double>{0, 0, 1e-12}));
  // Steps of at most a thousand times x's starting size (at least one).
  for (const Vec& bound : solver.stepBounds) EXPECT_EQ(bound, Vec{1000.0});
  EXPECT_EQ(solver.seen[0].size(), 3u);
  ASSERT_GE(solver.seen[1].size(), 4u);
  EXPECT_NEAR(solver.seen[1][3][0], M_PI / 12, 1e-7);
  EXPECT_TRUE(solver.warm[0].empty());
  Vec expected = {1.0, 2.0, 3.0};
  expected.resize(solver.seen[1].size(), 0.0);  // new points start at 0
  EXPECT_EQ(solver.warm[1], expected);
  EXPECT_DOUBLE_EQ(c.x[0], 0.4);
}

TEST(Exchange, AtTheIterationLimitTheLeastViolatedPointIsTheAnswer) {
  // x = 0.4 is feasible, x = 1 is not. The first subproblem gives 0.4; its
  // last solve, to full accuracy, gives 1 and the limit of two subproblems
  // ends the run: 0.4 is the answer.
  FakeProblem f;
  halfSine(f);
  f.options.maxExchangeIterations = 2;
  SipContext& c = f.install();
  ScriptedSolver solver;
  Result r = runScripted(c, solver, {0.4, 1.0});
  EXPECT_EQ(r.status, Status::IterationLimit) << r.message;
  ASSERT_EQ(solver.seen.size(), 2u);
  EXPECT_DOUBLE_EQ(c.x[0], 0.4);
}

TEST(Exchange, APeakBetweenTheCoarseScansPointsIsFoundBeforeTheMethodStops) {
  // g = x a(t) - 1 with a = 1 + exp(-((t - 0.50037) / 3e-5)^2) / 2: the peak
  // is far narrower than the coarse scan's spacing (1e-3) and visible on the
  // full one (1e-4). At x = 1 the coarse scan sees no violation; the exchange
  // phase may stop only once the full scan agrees.
  FakeProblem f;
  f.options.reducedNewton = 0;
  auto bump = [](double t) { return 0.5 * std::exp(-std::pow((t - 0.50037) / 3e-5, 2)); };
  f.g = [bump](int, const double* x, const double* t) { return x[0] * (1 + bump(t[0])) - 1; };
  f.gradG = [bump](int, const double* x, const double* t, double* gx, double* gt) {
    gx[0] = 1 + bump(t[0]);
    gt[0] = -x[0] * bump(t[0]) * 2 * (t[0] - 0.50037) / (3e-5 * 3e-5);
  };
  SipContext& c = f.install();
  ScriptedSolver solver;
  Result r = runScripted(c, solver, {1.0, 2.0 / 3});
  EXPECT_EQ(r.status, Status::Solved) << r.message;
  ASSERT_GE(solver.seen.size(), 2u);
  bool added = false;
  for (const Vec& t : solver.seen[1]) added = added || std::fabs(t[0] - 0.50037) < 1e-8;
  EXPECT_TRUE(added);
  EXPECT_DOUBLE_EQ(c.x[0], 2.0 / 3);
}

TEST(Exchange, TheNewtonPhaseSendsANewMaximiserToTheWorkingSetThenConverges) {
  // min -x s.t. x a(t) <= 1 with peaks of a at t = 0.2 (height 1) and 0.8
  // (1.5): the solution x = 2/3 binds at 0.8. The first subproblem puts its
  // multiplier near 0.2; the Newton phase's step to x = 1 breaks the
  // constraint at 0.8, which joins the set; the next subproblem binds there.
  FakeProblem f;
  twoPeaks(f, 0.2, 0.8);
  SipContext& c = f.install();
  ScriptedSolver solver;
  solver.xs = {0.5, 2.0 / 3};
  // The multiplier on the point nearest to where the scripted x binds.
  solver.multipliers = [&](const PointList& points) {
    const double binding = solver.seen.size() == 1 ? 0.2 : 0.8;
    Vec lambda(points.size(), 0.0);
    size_t nearest = 0;
    for (size_t k = 0; k < points.size(); ++k)
      if (std::fabs(points[k][0] - binding) < std::fabs(points[nearest][0] - binding)) nearest = k;
    lambda[nearest] = 1.0;
    return lambda;
  };
  CaptureStdout();
  Result r = exchangeMethod(c, &solver);
  std::string out = GetCapturedStdout();
  EXPECT_EQ(r.status, Status::Solved) << r.message << out;
  EXPECT_NE(r.message.find("Newton phase converged"), std::string::npos) << r.message;
  EXPECT_NE(out.find("New maximiser at t = (0.7999"), std::string::npos) << out;
  ASSERT_EQ(solver.seen.size(), 2u);
  bool added = false;
  for (const Vec& t : solver.seen[1]) added = added || std::fabs(t[0] - 0.8) < 1e-6;
  EXPECT_TRUE(added);
  EXPECT_NEAR(c.x[0], 1 / (1.5 + std::exp(-18.0)), 1e-14);
}

}  // namespace

namespace {

TEST(WorkingSet, TheRemezStartAddsTheChebyshevExtremaOfDegreeNxToTheCoarseStart) {
  FakeProblem f;
  f.nx = 5;
  f.tl = {1.0};
  f.tu = {3.0};
  SipContext& c = f.install();
  const size_t coarse = WorkingSet(c.problem).size();
  WorkingSet set(c.problem, true);
  std::vector<double> extrema;
  for (int k = 5; k >= 0; --k) extrema.push_back(2.0 + std::cos(M_PI * k / 5));
  // The ends of T are in the coarse start already; the four inner extrema join it.
  ASSERT_EQ(set.size(), coarse + 4);
  for (double e : extrema) {
    bool found = false;
    for (const WorkingPoint& q : set.all()) found = found || std::fabs(q.t[0] - e) < 1e-15;
    EXPECT_TRUE(found) << e;
  }
  // The coarse start stays, never dropped; the extrema go when idle.
  int initial = 0;
  for (const WorkingPoint& q : set.all()) initial += q.initial;
  EXPECT_EQ((size_t)initial, coarse);
}

}  // namespace
