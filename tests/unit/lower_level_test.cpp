// The lower level in four and more coordinates: Sobol' points, their
// neighbour graph, and climbs from every discrete maximum that matters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <set>

#include "core/function_problem.h"
#include "lower_level/lower_level.h"
#include "lower_level/neighbours.h"
#include "lower_level/sobol.h"

using namespace ormid;

namespace {

typedef std::vector<double> Vec;

// One x (fixed at 1), g(x, t) = x * shape(t) <= 0 on [0, 1]^nt, the t-gradient
// by central differences.
struct Shape {
  Functions f;
  std::unique_ptr<FunctionsProblem> held;
  Problem p;
  Shape(int nt, std::function<double(const double*)> value, int nx = 1) {
    f.nx = nx, f.nt = nt, f.mt = 1;
    f.x0.assign(nx, 1.0);
    f.tl.assign(nt, 0.0), f.tu.assign(nt, 1.0);
    f.g = [value](int, const double* x, const double* t) { return x[0] * value(t); };
    f.gradG = [value, nt, nx](int, const double* x, const double* t, double* gx, double* gt) {
      std::fill(gx, gx + nx, 0.0);
      gx[0] = value(t);
      Vec s(t, t + nt);
      for (int d = 0; d < nt; ++d) {
        const double h = 1e-6;
        s[d] = t[d] + h;
        const double up = value(s.data());
        s[d] = t[d] - h;
        gt[d] = x[0] * (up - value(s.data())) / (2 * h);
        s[d] = t[d];
      }
    };
    held.reset(new FunctionsProblem(f));
    p = held->problem;
  }
};

std::vector<LocalMaximum> maximaOn(const Problem& p, const Scan& scan, int starts, long* evaluations) {
  static const double x[1] = {1.0};
  ViolationFunction v{p, x, 0, evaluations};
  std::vector<int> sides;
  return localMaxima(v, scan, scanValues(v, scan, &sides), starts);
}

// The regular grid of `per` values a coordinate on [0, 1]^nt, as the scan
// of four coordinates was before Sobol' points.
Scan regularGrid(int nt, int per) {
  Scan scan;
  scan.perCoordinate = per;
  std::vector<int> index(nt, 0);
  for (;;) {
    Vec t(nt);
    for (int d = 0; d < nt; ++d) t[d] = index[d] / (per - 1.0);
    scan.points.push_back(t);
    int d = 0;
    while (d < nt && ++index[d] == per) index[d++] = 0;
    if (d == nt) return scan;
  }
}

double gaussian(const double* t, const Vec& centre, double width) {
  double r2 = 0;
  for (size_t d = 0; d < centre.size(); ++d) r2 += (t[d] - centre[d]) * (t[d] - centre[d]);
  return std::exp(-r2 / (2 * width * width));
}

TEST(ScatteredScan, FindsANarrowPeakBetweenTheValuesOfARegularGrid) {
  // A broad hill of height 0.5 and a peak of height 1 and width 0.03 at the
  // centre of a cell of the 10-per-coordinate grid, 0.11 from its nearest
  // grid points: there the hill's slope hides the peak (which the hill
  // raises by 0.1).
  const Vec hill = {0.2, 0.25, 0.3, 0.2}, peak = {0.5, 0.5, 0.5, 0.5};
  Shape s(4, [&](const double* t) { return 0.5 * gaussian(t, hill, 0.3) + gaussian(t, peak, 0.03) - 2; });
  long evaluations = 0;
  const std::vector<LocalMaximum> onGrid = maximaOn(s.p, regularGrid(4, 10), 6, &evaluations);
  ASSERT_FALSE(onGrid.empty());
  EXPECT_LT(onGrid[0].violation, -1.4) << "the grid's best is the hill";
  const std::vector<LocalMaximum> scattered = maximaOn(s.p, scanPoints(s.p), 6, &evaluations);
  ASSERT_FALSE(scattered.empty());
  EXPECT_GT(scattered[0].violation, -0.95);
  for (int d = 0; d < 4; ++d) EXPECT_NEAR(scattered[0].t[d], peak[d], 0.02);
}

// -sum_d sin^2(3 pi t_d): 81 maxima of value 0 at t_d in {1/6, 1/2, 5/6}.
double lattice(const double* t) {
  double s = 0;
  for (int d = 0; d < 4; ++d) s += std::pow(std::sin(3 * M_PI * t[d] - M_PI / 2), 2);
  return -s;
}

TEST(ScatteredScan, ClimbsToEveryMaximiserOfALattice) {
  Shape s(4, lattice, 85);
  long evaluations = 0;
  const std::vector<LocalMaximum> maxima = maximaOn(s.p, scanPoints(s.p), 85 + 5, &evaluations);
  std::set<std::vector<int>> cells;
  for (const LocalMaximum& m : maxima) {
    if (!(m.violation > -1e-9)) continue;
    std::vector<int> cell;
    for (double v : m.t) cell.push_back((int)std::lround(3 * v - 0.5));
    cells.insert(cell);
  }
  EXPECT_EQ(cells.size(), 81u);
  // Each is reported once.
  EXPECT_EQ(std::count_if(maxima.begin(), maxima.end(), [](const LocalMaximum& m) { return m.violation > -1e-9; }),
            81);
}

TEST(ScatteredScan, AFlatConstraintClimbsAFewTimesOnly) {
  // Every point of a constant is a discrete maximum.
  Shape s(5, [](const double*) { return -1.0; });
  const Scan scan = scanPoints(s.p);
  long evaluations = 0;
  const std::vector<LocalMaximum> maxima = maximaOn(s.p, scan, 6, &evaluations);
  ASSERT_FALSE(maxima.empty());
  EXPECT_LE(maxima.size(), 24u);
  EXPECT_LT(evaluations, (long)scan.points.size() + 24 * 200);
}

TEST(ScatteredScan, HoldsTheVerticesAndGrowsWithTheVariables) {
  Shape small(4, lattice), large(4, lattice, 400);
  const Scan scan = scanPoints(small.p), more = scanPoints(large.p);
  EXPECT_GT(more.points.size(), scan.points.size());
  EXPECT_LT(coarseScan(large.p).points.size(), more.points.size());
  std::set<Vec> points(scan.points.begin(), scan.points.end());
  EXPECT_EQ(points.size(), scan.points.size()) << "no point twice";
  EXPECT_TRUE(points.count(Vec{1, 1, 1, 1}));
  EXPECT_TRUE(points.count(Vec{0, 1, 0, 1}));
  EXPECT_GT(scan.spacing(), 0);
  EXPECT_LT(scan.spacing(), 0.1);
  // Three coordinates keep the regular grid.
  Shape three(3, lattice);
  EXPECT_EQ(scanPoints(three.p).perCoordinate, 21);
}

TEST(Sobol, EveryCoordinateIsStratifiedAndTheFirstTwoFormANet) {
  const int m = 10, n = 1 << m;
  const std::vector<Vec> points = sobolPoints(SOBOL_MAX_DIMENSION, n);
  for (int d = 0; d < SOBOL_MAX_DIMENSION; ++d) {
    std::vector<int> hits(n, 0);
    for (const Vec& u : points) ++hits[(int)(u[d] * n)];
    EXPECT_EQ(*std::min_element(hits.begin(), hits.end()), 1) << "coordinate " << d;
  }
  // Coordinates 0 and 1: every dyadic box of area 1/n holds one point.
  for (int a = 0; a <= m; ++a) {
    std::set<std::pair<int, int>> boxes;
    for (const Vec& u : points) boxes.insert({(int)(u[0] * (1 << a)), (int)(u[1] * (1 << (m - a)))});
    EXPECT_EQ((int)boxes.size(), n) << "boxes of 2^-" << a << " by 2^-" << m - a;
  }
}

// Sobol's bound on the quality of a projection: coordinates i and j, whose
// primitive polynomials have degrees s_i and s_j, form a (t, m, 2)-net with
// t = s_i + s_j - 2: every dyadic box of area 2^(t - m) holds 2^t points.
TEST(Sobol, EveryPairOfCoordinatesIsANetOfSobolsQuality) {
  const int degree[SOBOL_MAX_DIMENSION] = {1, 1, 2, 3, 3, 4, 4, 5, 5, 5, 5, 5, 5, 6, 6, 6, 6, 6, 6, 7, 7};
  const int m = 10, n = 1 << m;
  const std::vector<Vec> points = sobolPoints(SOBOL_MAX_DIMENSION, n);
  for (int i = 0; i < SOBOL_MAX_DIMENSION; ++i)
    for (int j = i + 1; j < SOBOL_MAX_DIMENSION; ++j) {
      const int t = degree[i] + degree[j] - 2;
      if (t > m) continue;
      for (int a = 0; a <= m - t; ++a) {
        std::set<std::pair<int, int>> boxes;
        for (const Vec& u : points) boxes.insert({(int)(u[i] * (1 << a)), (int)(u[j] * (1 << (m - t - a)))});
        ASSERT_EQ((int)boxes.size(), 1 << (m - t)) << "coordinates " << i << ", " << j;
      }
    }
}

TEST(NeighbourGraph, LinksEachPointToKNearbyPointsBothWays) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<Vec> points(600, Vec(5));
  for (Vec& p : points)
    for (double& v : p) v = unit(random);
  const int k = 8;
  const NeighbourGraph g = nearestNeighbours(points, k);
  ASSERT_EQ(g.size(), points.size());
  auto distance = [&](size_t i, size_t j) {
    double d2 = 0;
    for (int c = 0; c < 5; ++c) d2 += std::pow(points[i][c] - points[j][c], 2);
    return std::sqrt(d2);
  };
  for (size_t i = 0; i < points.size(); ++i) {
    std::vector<double> all;
    for (size_t j = 0; j < points.size(); ++j)
      if (j != i) all.push_back(distance(i, j));
    std::sort(all.begin(), all.end());
    int near = 0;
    for (size_t q = g.start[i]; q < g.start[i + 1]; ++q) {
      const int j = g.list[q];
      ASSERT_NE(j, (int)i);
      near += distance(i, j) <= 1.5 * all[k - 1] + 1e-15;
      EXPECT_TRUE(std::binary_search(g.list.begin() + g.start[j], g.list.begin() + g.start[j + 1], (int)i))
          << "not symmetric at " << i;
    }
    EXPECT_GE(near, k) << "point " << i;
  }
}

}  // namespace

namespace {

// g(x, t) = sum_k x_k cos(k pi t) - t^2 <= 0 on [0, 1], linear in x, with
// an evaluator that says so (exact Hessians, an empty pattern) and counts
// the model's evaluations.
struct CosineSum {
  Functions f;
  std::unique_ptr<FunctionsProblem> held;
  Problem p;
  long modelEvaluations = 0;

  explicit CosineSum(int nx) {
    f.nx = nx, f.nt = 1, f.mt = 1;
    f.x0.assign(nx, 0.0);
    f.g = [nx](int, const double* x, const double* t) {
      double g = -t[0] * t[0];
      for (int k = 0; k < nx; ++k) g += x[k] * std::cos(k * M_PI * t[0]);
      return g;
    };
    f.gradG = [nx](int, const double*, const double* t, double* gx, double* gt) {
      for (int k = 0; k < nx; ++k) gx[k] = std::cos(k * M_PI * t[0]);
      gt[0] = 0;
    };
    held.reset(new FunctionsProblem(f));
    p = held->problem;
    p.hessians = true;
    p.evaluateBatch = nullptr;
    p.data = this;
    p.evaluate = [](Request r, int n, const double* x, const double* t, double* out1, double* out2, double* out3,
                    int* nerror, void* data) {
      CosineSum& self = *static_cast<CosineSum*>(data);
      const Problem& inner = self.held->problem;
      // The objective may curve (its pattern stays dense): the scans need
      // only the constraints linear in x.
      if (r == Request::ConstraintHessianPattern) {
        std::fill(out1, out1 + inner.nx * inner.nx, 0.0);
        return 0.0;
      }
      ++self.modelEvaluations;
      return inner.evaluate(r, n, x, t, out1, out2, out3, nerror, inner.data);
    };
  }
};

TEST(DesignScan, ALinearConstraintIsScannedByItsDesignMatrixAsByDirectEvaluation) {
  CosineSum model(9);
  const Scan scan = coarseScan(model.p);
  ASSERT_TRUE(scan.design);
  std::mt19937 draw(7);
  std::uniform_real_distribution<double> coefficient(-1, 1);
  long evaluations = 0;
  // The third scan makes the matrix; the fourth is a product alone.
  for (int k = 0; k < 4; ++k) {
    Vec x(9);
    for (double& v : x) v = coefficient(draw);
    const long before = model.modelEvaluations;
    std::vector<int> sides;
    const Vec byMatrix = scanValues(ViolationFunction{model.p, x.data(), 0, &evaluations}, scan, &sides);
    if (k == 3) {
      EXPECT_EQ(model.modelEvaluations, before);
    }
    for (size_t i = 0; i < scan.points.size(); i += 37) {
      int error = 0;
      const double direct = model.held->problem.evaluate(Request::InfiniteValue, 0, x.data(),
                                                           scan.points[i].data(), nullptr, nullptr, nullptr,
                                                           &error, model.held->problem.data);
      EXPECT_NEAR(byMatrix[i], direct, 1e-13) << k << " " << i;
    }
  }
}

TEST(DesignScan, AProblemNotKnownToBeLinearIsScannedPointByPoint) {
  CosineSum model(3);
  model.p.hessians = false;  // no exact Hessians: nothing is known of the pattern
  const Scan scan = coarseScan(model.p);
  long evaluations = 0;
  const Vec x = {0.5, -0.25, 0.125};
  for (int k = 0; k < 4; ++k) {
    const long before = model.modelEvaluations;
    std::vector<int> sides;
    scanValues(ViolationFunction{model.p, x.data(), 0, &evaluations}, scan, &sides);
    EXPECT_EQ(model.modelEvaluations - before, (long)scan.points.size());
  }
}

}  // namespace
