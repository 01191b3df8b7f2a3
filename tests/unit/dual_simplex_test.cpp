#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "kernels/clp_lp.h"
#include "kernels/dual_simplex.h"
#include "kernels/orthogonal_columns.h"

using namespace ormid;

namespace {

typedef std::vector<double> Vec;

void addRow(LinearProgram& lp, const Vec& g, double h) {
  lp.G.insert(lp.G.end(), g.begin(), g.end());
  lp.h.push_back(h);
}

// Feasible, multipliers non-negative, c + G' lambda = 0, and each
// multiplier on a row that holds with equality: the vertex is optimal
// whatever path the pivots took.
void expectOptimal(const LinearProgram& lp, const LpSolution& s, double tol) {
  ASSERT_EQ(s.status, LpStatus::Optimal);
  const int n = lp.n, m = lp.rows();
  Vec stationarity = lp.c;
  for (int r = 0; r < m; ++r) {
    double value = -lp.h[r];
    for (int i = 0; i < n; ++i) value += lp.G[(size_t)r * n + i] * s.x[i];
    EXPECT_LE(value, tol) << "row " << r;
    EXPECT_GE(s.lambda[r], 0.0);
    if (s.lambda[r] > 0) {
      EXPECT_NEAR(value, 0.0, tol) << "row " << r;
    }
    for (int i = 0; i < n; ++i) stationarity[i] += s.lambda[r] * lp.G[(size_t)r * n + i];
  }
  for (double v : stationarity) EXPECT_NEAR(v, 0.0, tol);
}

TEST(DualSimplex, TangentsOfTheUnitCircleMeetAtTheKnownVertex) {
  // max x0 + x1 s.t. x0 cos t + x1 sin t <= 1 at 40 points of [0, pi/2]:
  // the tangents at the two points either side of pi/4 meet at
  // (cos pi/4, sin pi/4) / cos(spacing / 2).
  LinearProgram lp;
  lp.n = 2;
  lp.c = {-1, -1};
  const double spacing = M_PI / 2 / 39;
  for (int k = 0; k < 40; ++k) addRow(lp, {std::cos(k * spacing), std::sin(k * spacing)}, 1);
  const LpSolution s = dualSimplex(lp, {0.5, 0.5}, {1e6, 1e6}, 1000);
  expectOptimal(lp, s, 1e-13);
  const double corner = std::cos(M_PI / 4) / std::cos(spacing / 2);
  EXPECT_NEAR(s.x[0], corner, 1e-14);
  EXPECT_NEAR(s.x[1], corner, 1e-14);
  EXPECT_NEAR(s.lambda[19], s.lambda[20], 1e-14);
  EXPECT_GT(s.lambda[19], 0.0);
}

TEST(DualSimplex, RandomBoundedProgramsMeetTheOptimalityConditions) {
  // Rows tangent to a ball around a random centre, so that every program is
  // feasible and bounded; many more rows than variables, as in a working set.
  std::mt19937 rng(7);
  std::normal_distribution<double> normal;
  for (int n : {2, 5, 20, 60}) {
    LinearProgram lp;
    lp.n = n;
    Vec centre(n);
    for (double& v : centre) v = normal(rng);
    for (int i = 0; i < n; ++i) lp.c.push_back(normal(rng));
    for (int r = 0; r < 8 * n + 20; ++r) {
      Vec g(n);
      double norm = 0, h = 0;
      for (double& v : g) v = normal(rng), norm += v * v;
      for (int i = 0; i < n; ++i) g[i] /= std::sqrt(norm), h += g[i] * centre[i];
      addRow(lp, g, h + 1 + 0.1 * std::fabs(normal(rng)));
    }
    const LpSolution s = dualSimplex(lp, Vec(n, 0.0), Vec(n, 1e6), 10000);
    SCOPED_TRACE(n);
    expectOptimal(lp, s, 1e-9);
  }
}

// A program whose columns are scaled from 1 to 1e-10 (x = S z): solved in
// orthonormal columns and taken back, it has the unscaled program's optimal
// value, and its vertex and multipliers meet the scaled program's optimality
// conditions on its own scale.
TEST(DualSimplex, AProgramInOrthonormalColumnsIsTheSameProgram) {
  std::mt19937 rng(11);
  std::normal_distribution<double> normal;
  const int n = 12;
  LinearProgram plain;
  plain.n = n;
  for (int i = 0; i < n; ++i) plain.c.push_back(normal(rng));
  for (int r = 0; r < 10 * n; ++r) {
    Vec g(n);
    double norm = 0;
    for (double& v : g) v = normal(rng), norm += v * v;
    for (double& v : g) v /= std::sqrt(norm);
    addRow(plain, g, 1 + 0.1 * std::fabs(normal(rng)));
  }
  LinearProgram scaled = plain;
  Vec scale(n);
  for (int i = 0; i < n; ++i) scale[i] = std::pow(10.0, -10.0 * i / (n - 1));
  for (int i = 0; i < n; ++i) scaled.c[i] *= scale[i];
  for (int r = 0; r < scaled.rows(); ++r)
    for (int i = 0; i < n; ++i) scaled.G[(size_t)r * n + i] *= scale[i];
  const LpSolution reference = dualSimplex(plain, Vec(n, 0.0), Vec(n, 1e6), 10000);
  ASSERT_EQ(reference.status, LpStatus::Optimal);

  std::vector<int> rows(scaled.rows());
  for (int r = 0; r < scaled.rows(); ++r) rows[r] = r;
  OrthogonalColumns change;
  ASSERT_TRUE(change.factor(scaled, rows));
  EXPECT_GT(change.condition(), 1e9);
  EXPECT_LT(change.condition(), 1e12);
  const Vec centre(n, 0.5);
  Vec divisor;
  const LinearProgram inY = change.transform(scaled, centre, divisor);
  LpSolution s = dualSimplex(inY, Vec(n, 0.0), change.reach(Vec(n, 1e16)), 10000);
  ASSERT_EQ(s.status, LpStatus::Optimal);
  s.x = change.back(s.x, centre);
  for (int r = 0; r < scaled.rows(); ++r) s.lambda[r] /= divisor[r];
  double value = 0, best = 0;
  for (int i = 0; i < n; ++i) value += scaled.c[i] * s.x[i], best += plain.c[i] * reference.x[i];
  EXPECT_NEAR(value, best, 1e-12 * std::fabs(best));
  expectOptimal(scaled, s, 1e-12);
}

TEST(DualSimplex, TheLastVertexsBasisStartsAProgramWithMoreRows) {
  // The tangents of the unit circle at 14, then 40 points (every third of
  // them one of the 14): the optimal basis on 14 stays dual feasible on 40
  // (rows added), and the warm solve ends where the cold one does, in fewer
  // pivots.
  auto tangents = [](int count) {
    LinearProgram lp;
    lp.n = 2;
    lp.c = {-1, -2};
    for (int k = 0; k < count; ++k) {
      const double t = M_PI / 2 * k / (count - 1);
      addRow(lp, {std::cos(t), std::sin(t)}, 1);
    }
    return lp;
  };
  const LinearProgram coarse = tangents(14), fine = tangents(40);
  const LpSolution first = dualSimplex(coarse, {0, 0}, {1e6, 1e6}, 100);
  ASSERT_EQ(first.status, LpStatus::Optimal);
  std::vector<int> basis;
  for (int r = 0; r < coarse.rows(); ++r)
    if (first.lambda[r] > 0) basis.push_back(3 * r);  // the same tangent among the 40
  ASSERT_EQ(basis.size(), 2u);
  const LpSolution cold = dualSimplex(fine, {0, 0}, {1e6, 1e6}, 100);
  const LpSolution warm = dualSimplex(fine, first.x, {1e6, 1e6}, 100, &basis);
  expectOptimal(fine, warm, 1e-13);
  EXPECT_NEAR(warm.x[0], cold.x[0], 1e-14);
  EXPECT_NEAR(warm.x[1], cold.x[1], 1e-14);
  EXPECT_LE(warm.pivots, cold.pivots);
  // A start whose multipliers are not all non-negative is no start.
  const std::vector<int> wrong = {0, 1};
  expectOptimal(fine, dualSimplex(fine, {0, 0}, {1e6, 1e6}, 100, &wrong), 1e-13);
}

TEST(DualSimplex, ManyRowsThroughOneVertexDoNotCycle) {
  // min x0 + x1 over x >= 0, with 30 more rows through the origin: every
  // basis at the optimum is degenerate.
  LinearProgram lp;
  lp.n = 2;
  lp.c = {1, 1};
  addRow(lp, {-1, 0}, 0);
  addRow(lp, {0, -1}, 0);
  for (int k = 1; k <= 30; ++k) addRow(lp, {-std::cos(k * 0.05), -std::sin(k * 0.05)}, 0);
  const LpSolution s = dualSimplex(lp, {3, 4}, {100, 100}, 1000);
  expectOptimal(lp, s, 1e-12);
  EXPECT_NEAR(s.x[0], 0.0, 1e-12);
  EXPECT_NEAR(s.x[1], 0.0, 1e-12);
}

TEST(DualSimplex, InfeasibleUnboundedAndDegenerateInputsAreReported) {
  LinearProgram infeasible;  // x <= -1 and x >= 1
  infeasible.n = 1;
  infeasible.c = {1};
  addRow(infeasible, {1}, -1);
  addRow(infeasible, {-1}, -1);
  EXPECT_EQ(dualSimplex(infeasible, {0}, {1e6}, 100).status, LpStatus::Infeasible);

  LinearProgram unbounded;  // min -x0 s.t. x1 <= 1: x0 runs to the artificial box
  unbounded.n = 2;
  unbounded.c = {-1, 0};
  addRow(unbounded, {0, 1}, 1);
  EXPECT_EQ(dualSimplex(unbounded, {0, 0}, {1e6, 1e6}, 100).status, LpStatus::Unbounded);

  LinearProgram cycling = infeasible;  // feasible, one pivot from its start
  cycling.c = {0};
  cycling.h = {1, 1};
  EXPECT_EQ(dualSimplex(cycling, {5}, {1e6}, 0).status, LpStatus::PivotLimit);
  // The caller's stop (a time limit) ends it as well.
  EXPECT_EQ(dualSimplex(cycling, {5}, {1e6}, 100, nullptr, [] { return true; }).status, LpStatus::PivotLimit);
  EXPECT_EQ(dualSimplex(cycling, {5}, {1e6}, 100, nullptr, [] { return false; }).status, LpStatus::Optimal);

  LinearProgram malformed;  // G's size does not match
  malformed.n = 2;
  malformed.c = {1, 1};
  malformed.h = {1};
  malformed.G = {1};
  EXPECT_NE(dualSimplex(malformed, {0, 0}, {1, 1}, 10).status, LpStatus::Optimal);
}

}  // namespace

namespace {

// Rows tangent to a ball around a random centre: feasible and bounded.
LinearProgram tangentProgram(int n, int rows, std::mt19937& rng) {
  std::normal_distribution<double> normal;
  LinearProgram lp;
  lp.n = n;
  Vec centre(n);
  for (double& v : centre) v = normal(rng);
  for (int i = 0; i < n; ++i) lp.c.push_back(normal(rng));
  for (int r = 0; r < rows; ++r) {
    Vec g(n);
    double norm = 0, h = 0;
    for (double& v : g) v = normal(rng), norm += v * v;
    for (int i = 0; i < n; ++i) g[i] /= std::sqrt(norm), h += g[i] * centre[i];
    addRow(lp, g, h + 1 + 0.1 * std::fabs(normal(rng)));
  }
  return lp;
}

}  // namespace

TEST(ClpSimplex, MeetsTheOptimalityConditionsWhereTheDenseSimplexDoesAndBeyondItsSize) {
  std::mt19937 rng(11);
  for (int n : {2, 20, 60, 200}) {
    const LinearProgram lp = tangentProgram(n, 4 * n + 20, rng);
    SCOPED_TRACE(n);
    const LpSolution clp = clpSimplex(lp, Vec(n, 0.0), Vec(n, 1e6), 100000);
    expectOptimal(lp, clp, 1e-8);
    if (n > 60) continue;
    const LpSolution dense = dualSimplex(lp, Vec(n, 0.0), Vec(n, 1e6), 100000);
    double objectiveClp = 0, objectiveDense = 0;
    for (int i = 0; i < n; ++i) objectiveClp += lp.c[i] * clp.x[i], objectiveDense += lp.c[i] * dense.x[i];
    EXPECT_NEAR(objectiveClp, objectiveDense, 1e-9 * (1 + std::fabs(objectiveDense)));
  }
}

TEST(ClpSimplex, StartsFromTheLastBasisAndReportsAnUnboundedBox) {
  std::mt19937 rng(5);
  LinearProgram lp = tangentProgram(30, 200, rng);
  const LpSolution cold = clpSimplex(lp, Vec(30, 0.0), Vec(30, 1e6), 100000);
  ASSERT_EQ(cold.status, LpStatus::Optimal);
  std::vector<int> basis;
  for (int r = 0; r < lp.rows(); ++r)
    if (cold.lambda[r] > 0) basis.push_back(r);
  ASSERT_EQ(basis.size(), 30u);
  const LpSolution warm = clpSimplex(lp, Vec(30, 0.0), Vec(30, 1e6), 100000, &basis);
  expectOptimal(lp, warm, 1e-8);
  EXPECT_LE(warm.pivots, 1);
  // One row leaves the program open along -c: the answer leans on the box.
  LinearProgram open;
  open.n = 2;
  open.c = {-1, -1};
  addRow(open, {1, 0}, 1);
  EXPECT_EQ(clpSimplex(open, {0, 0}, {1e6, 1e6}, 1000).status, LpStatus::Unbounded);
}
