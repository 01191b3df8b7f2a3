// Warm starts: the answer of a nearby problem as the start of the next one.
#include <gtest/gtest.h>

#include <cmath>

#include "harness.h"
#include "lattice_families.h"
#include "ormid/model.h"
#include "ormid/ormid.h"

using namespace ormid;

namespace {

// The best uniform approximation of exp(a t) on [0, 1] by a cubic:
// min x4 subject to |exp(a t) - (x0 + x1 t + x2 t^2 + x3 t^3)| <= x4.
Functions cubicFor(double a) {
  Functions p;
  p.nx = 5, p.nt = 1, p.mt = 2;
  p.x0 = {1.0, a, 0.0, 0.0, 1.0};
  p.f = [](const double* x) { return x[4]; };
  p.gradF = [](const double*, double* g) { g[0] = g[1] = g[2] = g[3] = 0, g[4] = 1; };
  p.g = [a](int j, const double* x, const double* t) {
    const double s = t[0], r = std::exp(a * s) - (x[0] + s * (x[1] + s * (x[2] + s * x[3])));
    return (j == 0 ? r : -r) - x[4];
  };
  p.gradG = [a](int j, const double* x, const double* t, double* gx, double* gt) {
    const double s = t[0], sign = j == 0 ? 1 : -1;
    gx[0] = -sign, gx[1] = -sign * s, gx[2] = -sign * s * s, gx[3] = -sign * s * s * s, gx[4] = -1;
    gt[0] = sign * (a * std::exp(a * s) - (x[1] + s * (2 * x[2] + 3 * s * x[3])));
  };
  return p;
}

Options exchange() {
  Options o;
  o.method = Method::Exchange;
  return o;
}

// A convex program on [0, 1]^3 whose constraint is active at the 8 points
// of a lattice (tests/support/lattice_families.h), and its neighbour: the
// same with the objective's centre moved. The subproblems go to Ipopt.
struct LatticePair {
  LatticeFamily from = latticeFamily(3, 2, 10, 7), to = from;
  LatticePair() {
    for (size_t k = 0; k < to.target.size(); ++k) to.target[k] += 0.3 * std::cos(k + 1.0);
  }
};

// From the neighbour's optimum the exchange method has every maximiser from
// the start: fewer subproblems than from the problem's own start, to the
// same optimum.
TEST(WarmStart, FromANeighboursOptimumTheExchangeMethodNeedsFewerSubproblems) {
  ScratchWorkingDir dir;
  const LatticePair pair;
  Options o = exchange();
  o.verify = false;
  const Result neighbour = latticeFormulas(pair.from).solve(o);
  ASSERT_EQ(neighbour.status, Status::Solved) << neighbour.message;
  const Result cold = latticeFormulas(pair.to).solve(o);
  const Result warm = latticeFormulas(pair.to).solve(o, neighbour);
  ASSERT_EQ(cold.status, Status::Solved) << cold.message;
  ASSERT_EQ(warm.status, Status::Solved) << warm.message;
  EXPECT_LT(warm.stats.subproblems, cold.stats.subproblems);
  EXPECT_NEAR(warm.objective, cold.objective, 1e-9 * std::fabs(cold.objective));
  for (size_t i = 0; i < cold.x.size(); ++i) EXPECT_NEAR(warm.x[i], cold.x[i], 1e-6) << i;
  EXPECT_GT(std::fabs(warm.objective - neighbour.objective), 1e-3 * std::fabs(cold.objective))
      << "the neighbours' optima should differ";
}

// Every other method takes the warm start's x as its start and nothing else.
TEST(WarmStart, OtherMethodsTakeItsXAlone) {
  ScratchWorkingDir dir;
  const Result neighbour = solve(cubicFor(1.0), exchange());
  ASSERT_TRUE(neighbour.hasPoint()) << neighbour.message;
  Options reemtsen;
  reemtsen.method = Method::EpsilonActiveDiscretization;
  reemtsen.nlpSolver = SubproblemNlp::Ipopt;
  reemtsen.verify = false;  // its search is budgeted by the clock
  Functions fromX = cubicFor(1.1);
  fromX.x0 = neighbour.x;
  const Result warm = solve(cubicFor(1.1), reemtsen, neighbour);
  const Result started = solve(fromX, reemtsen);
  EXPECT_EQ(warm.status, started.status) << warm.message;
  EXPECT_EQ(warm.x, started.x);
  EXPECT_EQ(warm.stats.subproblems, started.stats.subproblems);
}

// A point outside T (a neighbour over a wider T) starts from T's nearest
// point: g need not be defined beyond T.
TEST(WarmStart, PointsOutsideTAreMovedOntoIt) {
  ScratchWorkingDir dir;
  Functions wider = cubicFor(1.0);
  wider.tl = {-0.5}, wider.tu = {1.5};
  const Result neighbour = solve(wider, exchange());
  ASSERT_EQ(neighbour.status, Status::Solved) << neighbour.message;
  Functions within = cubicFor(1.0);
  const auto g = within.g;
  within.g = [g](int j, const double* x, const double* t) { return t[0] < 0 || t[0] > 1 ? NAN : g(j, x, t); };
  const Result cold = solve(within, exchange());
  const Result warm = solve(within, exchange(), neighbour);
  ASSERT_EQ(cold.status, Status::Solved) << cold.message;
  ASSERT_EQ(warm.status, Status::Solved) << warm.message;
  EXPECT_NEAR(warm.objective, cold.objective, 1e-9);
}

// A start that does not fit the problem is refused, saying why.
TEST(WarmStart, AStartOfOtherSizesIsRefused) {
  const Functions p = cubicFor(1.0);
  WarmStart good;
  good.x = {1.0, 1.0, 0.5, 0.2, 0.1};
  good.points = {Point{1, {0.5}, 0.0, 0.0}};
  struct Bad {
    WarmStart warm;
    const char* says;
  };
  std::vector<Bad> bad(5, Bad{good, ""});
  bad[0].warm.x.pop_back(), bad[0].says = "the warm start has 4 values of x for 5 variables";
  bad[1].warm.x[2] = NAN, bad[1].says = "a value of the warm start's x is not finite";
  bad[2].warm.points[0].constraint = 2, bad[2].says = "a point of the warm start is for infinite constraint 2; the problem has 2";
  bad[3].warm.points[0].t = {0.5, 0.5}, bad[3].says = "a point of the warm start has 2 coordinates of t where T has 1";
  bad[4].warm.points[0].t = {INFINITY}, bad[4].says = "a point of the warm start has a coordinate of t that is not finite";
  for (const Bad& b : bad) {
    const Result r = solve(p, exchange(), b.warm);
    EXPECT_EQ(r.status, Status::InvalidInput) << b.says;
    EXPECT_EQ(r.message, b.says);
    EXPECT_EQ(r.x, p.x0);  // the problem's own start
    EXPECT_EQ(r.stats.subproblems, 0);
  }
  EXPECT_EQ(solve(p, exchange(), good).status, Status::Solved);
}

}  // namespace
