// The certificate's parts: the lower-level maximiser, the multiplier fit
// and the status bands it decides.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "certificate/certificate.h"
#include "core/function_problem.h"
#include "lower_level/lower_level.h"
#include "certificate/nnls.h"

using namespace ormid;

namespace {

typedef std::vector<double> Vec;

// What a method hands the certificate when its stop test held.
Result stopTestMet() {
  Result r;
  r.status = Status::Solved;
  return r;
}

// g(x, t) = x0 * shape(t) <= 0 over T, with the t-gradient given.
struct Shape {
  Functions f;
  std::unique_ptr<FunctionsProblem> held;
  Problem p;
  Shape(int nt, std::function<double(const double*)> value,
        std::function<void(const double*, double*)> grad, Vec tl, Vec tu) {
    f.nx = 1, f.nt = nt, f.mt = 1;
    f.x0 = {1.0};
    f.tl = tl, f.tu = tu;
    f.g = [value](int, const double* x, const double* t) { return x[0] * value(t); };
    f.gradG = [value, grad, nt](int, const double* x, const double* t, double* gx, double* gt) {
      gx[0] = value(t);
      grad(t, gt);
      for (int d = 0; d < nt; ++d) gt[d] *= x[0];
    };
    held.reset(new FunctionsProblem(f));
    p = held->problem;
  }
};

std::vector<LocalMaximum> maximaOf(const Problem& p, long* evaluations, int starts) {
  static const double x = 1.0;
  ViolationFunction v{p, &x, 0, evaluations};
  Scan scan = scanPoints(p);
  std::vector<int> sides;
  return localMaxima(v, scan, scanValues(v, scan, &sides), starts);
}

TEST(LowerLevel, FindsTheLargestOfSeveralMaximaBetweenScanPoints) {
  // sin(7t) + 0.3 t on [0, 3]: maxima near 0.22, 1.12, 2.02, 2.92; the last is the
  // largest and, like all, lies between scan points.
  Shape s(1, [](const double* t) { return std::sin(7 * t[0]) + 0.3 * t[0]; },
          [](const double* t, double* g) { g[0] = 7 * std::cos(7 * t[0]) + 0.3; }, {0.0}, {3.0});
  long evaluations = 0;
  std::vector<LocalMaximum> maxima = maximaOf(s.p, &evaluations, 5);
  ASSERT_GE(maxima.size(), 4u);
  // cos(7t) = -0.3/7 at the maxima; the fourth, t = (6 pi + acos(-0.3/7)) / 7, is the largest
  const double t = (6 * M_PI + std::acos(-0.3 / 7)) / 7;
  EXPECT_NEAR(maxima[0].t[0], t, 1e-7);
  EXPECT_NEAR(maxima[0].violation, std::sin(7 * t) + 0.3 * t, 1e-12);
  EXPECT_GT(evaluations, 10001);
}

TEST(LowerLevel, MaximaOnTheBoundaryOfATwoAndThreeDimensionalBox) {
  // Increasing in t1, peaked at t2 = 0.3337 (a non-grid value): the maximum
  // sits on the face t1 = 2.
  Shape two(2, [](const double* t) { return t[0] - (t[1] - 0.3337) * (t[1] - 0.3337); },
            [](const double* t, double* g) { g[0] = 1, g[1] = -2 * (t[1] - 0.3337); },
            {-1.0, 0.0}, {2.0, 1.0});
  long evaluations = 0;
  std::vector<LocalMaximum> m2 = maximaOf(two.p, &evaluations, 3);
  EXPECT_EQ(m2[0].t[0], 2.0);
  EXPECT_NEAR(m2[0].t[1], 0.3337, 1e-6);
  EXPECT_NEAR(m2[0].violation, 2.0, 1e-11);
  // Three coordinates: a corner and an interior coordinate.
  Shape three(3, [](const double* t) { return -t[0] + t[1] - (t[2] - 0.123) * (t[2] - 0.123); },
              [](const double* t, double* g) { g[0] = -1, g[1] = 1, g[2] = -2 * (t[2] - 0.123); },
              {0.0, 0.0, 0.0}, {1.0, 5.0, 1.0});
  std::vector<LocalMaximum> m3 = maximaOf(three.p, &evaluations, 3);
  EXPECT_EQ(m3[0].t[0], 0.0);
  EXPECT_EQ(m3[0].t[1], 5.0);
  EXPECT_NEAR(m3[0].t[2], 0.123, 1e-6);
  EXPECT_NEAR(m3[0].violation, 5.0, 1e-11);
}

TEST(LowerLevel, IllConditionedMaximumIsPlacedToRounding) {
  // A maximum 1e4 times flatter along the diagonal than across it, at the
  // non-grid point (0.4123, 0.5871), value 0: gradient ascent alone crawls
  // along the diagonal and stops about 1e-8 below it.
  const double a = 0.4123, b = 0.5871;
  auto across = [=](const double* t) { return (t[0] - a) - (t[1] - b); };
  auto along = [=](const double* t) { return (t[0] - a) + (t[1] - b); };
  Shape s(2, [=](const double* t) { return -across(t) * across(t) - 1e-4 * along(t) * along(t); },
          [=](const double* t, double* g) {
            g[0] = -2 * across(t) - 2e-4 * along(t);
            g[1] = 2 * across(t) - 2e-4 * along(t);
          },
          {0.0, 0.0}, {1.0, 1.0});
  long evaluations = 0;
  std::vector<LocalMaximum> maxima = maximaOf(s.p, &evaluations, 3);
  ASSERT_EQ(maxima.size(), 1u);
  EXPECT_NEAR(maxima[0].t[0], a, 1e-7);
  EXPECT_NEAR(maxima[0].t[1], b, 1e-7);
  EXPECT_GE(maxima[0].violation, -1e-14);
}

TEST(LowerLevel, ARidgeAcrossTheGridLeavesStartsForTheOtherMaxima) {
  // A ridge along the diagonal rising to the corner (1, 1), and a lower
  // peak of 0.5 at (0.9, 0.1). Along the coordinates alone every point of
  // the ridge is a scan maximum above the peak, and two starts would both
  // climb to the corner.
  auto ridge = [](const double* t) {
    const double d = t[0] - t[1];
    return std::exp(-200 * d * d) * (1 + 0.01 * (t[0] + t[1]));
  };
  auto peak = [](const double* t) {
    const double u = t[0] - 0.9, v = t[1] - 0.1;
    return 0.5 * std::exp(-100 * (u * u + v * v));
  };
  Shape s(2, [=](const double* t) { return ridge(t) + peak(t); },
          [=](const double* t, double* g) {
            const double d = t[0] - t[1], r = ridge(t), q = peak(t);
            const double e = std::exp(-200 * d * d);
            g[0] = -400 * d * r + 0.01 * e - 200 * (t[0] - 0.9) * q;
            g[1] = 400 * d * r + 0.01 * e - 200 * (t[1] - 0.1) * q;
          },
          {0.0, 0.0}, {1.0, 1.0});
  long evaluations = 0;
  std::vector<LocalMaximum> maxima = maximaOf(s.p, &evaluations, 2);
  ASSERT_EQ(maxima.size(), 2u);
  EXPECT_EQ(maxima[0].t, Vec({1.0, 1.0}));
  EXPECT_NEAR(maxima[0].violation, 1.02, 1e-12);
  EXPECT_NEAR(maxima[1].t[0], 0.9, 1e-3);
  EXPECT_NEAR(maxima[1].t[1], 0.1, 1e-3);
  EXPECT_NEAR(maxima[1].violation, 0.5, 1e-3);
}

TEST(Nnls, KeepsMultipliersNonNegative) {
  // Columns (1, 0), (0, 1), (1, 1); b = (2, -1): the best fit with z >= 0 is z = (2, 0, 0).
  Vec A = {1, 0, 0, 1, 1, 1}, b = {2, -1};
  double residual = -1;
  Vec z = nonNegativeLeastSquares(A, 2, 3, b, &residual);
  EXPECT_NEAR(z[0], 2.0, 1e-12);
  EXPECT_EQ(z[1], 0.0);
  EXPECT_EQ(z[2], 0.0);
  EXPECT_NEAR(residual, 1.0, 1e-12);
}

// The least residual over every subset of columns whose unconstrained fit
// is nonnegative: the NNLS optimum, by enumeration (n small).
double bestNonNegativeResidual(const Vec& A, int m, int n, const Vec& b) {
  double best = HUGE_VAL;
  for (int mask = 0; mask < (1 << n); ++mask) {
    std::vector<int> cols;
    for (int k = 0; k < n; ++k)
      if (mask >> k & 1) cols.push_back(k);
    const int p = (int)cols.size();
    // Normal equations [A_S' A_S | A_S' b], by Gauss-Jordan.
    Vec M((long)p * (p + 1), 0.0);
    for (int a = 0; a < p; ++a) {
      for (int c = 0; c < p; ++c)
        for (int i = 0; i < m; ++i) M[a * (p + 1) + c] += A[cols[a] * m + i] * A[cols[c] * m + i];
      for (int i = 0; i < m; ++i) M[a * (p + 1) + p] += A[cols[a] * m + i] * b[i];
    }
    bool regular = true;
    for (int a = 0; a < p && regular; ++a) {
      regular = std::fabs(M[a * (p + 1) + a]) > 1e-12;
      for (int r = 0; r < p && regular; ++r) {
        if (r == a) continue;
        const double factor = M[r * (p + 1) + a] / M[a * (p + 1) + a];
        for (int c = 0; c <= p; ++c) M[r * (p + 1) + c] -= factor * M[a * (p + 1) + c];
      }
    }
    if (!regular) continue;
    Vec r = b;
    bool nonNegative = true;
    for (int a = 0; a < p; ++a) {
      const double z = M[a * (p + 1) + p] / M[a * (p + 1) + a];
      nonNegative = nonNegative && z >= 0;
      for (int i = 0; i < m; ++i) r[i] -= A[cols[a] * m + i] * z;
    }
    double norm = 0;
    for (double v : r) norm += v * v;
    if (nonNegative) best = std::min(best, std::sqrt(norm));
  }
  return best;
}

TEST(Nnls, MatchesEnumerationWhetherOrNotTheUnconstrainedFitIsNonNegative) {
  // Seeded random 8 x 5 problems; b sums the columns with alternating signs
  // (columns must leave) or all positive (the unconstrained fit is the
  // answer), plus noise.
  unsigned state = 12345;
  auto uniform = [&state] {
    state = state * 1103515245u + 12345u;
    return ((state >> 8) & 0xffff) / 32768.0 - 1.0;
  };
  for (bool alternating : {true, false}) {
    int withZeros = 0;
    for (int trial = 0; trial < 40; ++trial) {
      const int m = 8, n = 5;
      Vec A(m * n), b(m, 0.0);
      for (double& a : A) a = uniform();
      for (int k = 0; k < n; ++k)
        for (int i = 0; i < m; ++i) b[i] += (alternating && k % 2 ? -1.0 : 1.0) * A[k * m + i];
      for (double& v : b) v += 0.3 * uniform();
      double residual = -1;
      Vec z = nonNegativeLeastSquares(A, m, n, b, &residual);
      for (double v : z) EXPECT_GE(v, 0.0);
      EXPECT_NEAR(residual, bestNonNegativeResidual(A, m, n, b), 1e-10) << "trial " << trial;
      withZeros += std::count(z.begin(), z.end(), 0.0) > 0;
    }
    if (alternating)
      EXPECT_GT(withZeros, 20);
    else
      EXPECT_LT(withZeros, 20);
  }
}

// min x0 + x1 subject to t x0 + (1 - t) x1 >= 1 on [0, 1] (g = 1 - t x0 - (1 - t) x1 <= 0):
// x = (1, 1), active at t = 0 and t = 1 with multipliers 1 and 1.
Functions closedForm() {
  Functions f;
  f.nx = 2, f.nt = 1, f.mt = 1;
  f.x0 = {1.0, 1.0};
  f.f = [](const double* x) { return x[0] + x[1]; };
  f.gradF = [](const double*, double* g) { g[0] = g[1] = 1; };
  f.g = [](int, const double* x, const double* t) { return 1 - t[0] * x[0] - (1 - t[0]) * x[1]; };
  f.gradG = [](int, const double* x, const double* t, double* gx, double* gt) {
    gx[0] = -t[0], gx[1] = -(1 - t[0]);
    gt[0] = x[1] - x[0];
  };
  return f;
}

TEST(Certificate, MultipliersOfAClosedFormProblemAndItsBands) {
  Functions f = closedForm();
  const FunctionsProblem held(f);
  const Problem& p = held.problem;
  const Vec x = {1.0, 1.0};
  Certificate c = certify(p, x.data(), 0.0);
  EXPECT_LT(c.stationarity, 1e-12);
  EXPECT_EQ(c.absolute, 0.0);
  // The constraint holds with equality on all of T, and the multipliers are
  // not unique: any measure of mass 2 with mean t = 1/2 fits.
  double mass = 0, moment = 0;
  for (const Point& q : c.active) mass += q.multiplier, moment += q.multiplier * q.t[0];
  EXPECT_NEAR(mass, 2.0, 1e-10);
  EXPECT_NEAR(moment, 1.0, 1e-10);

  Options o;
  Result r = stopTestMet();
  r.objective = 2;
  judge(r, c, o);
  EXPECT_EQ(r.status, Status::Solved);
  EXPECT_EQ(c.objectiveGap, 0.0);
  // Feasible but not optimal: x = (2, 2) has no active point.
  const Vec loose = {2.0, 2.0};
  Result r2 = stopTestMet();
  r2.objective = 4;
  judge(r2, certify(p, loose.data(), 0.0), o);
  EXPECT_EQ(r2.status, Status::Uncertain);
  // Infeasible: x = (0.5, 0.5) violates by 0.5 everywhere.
  const Vec short_ = {0.5, 0.5};
  Result r3 = stopTestMet();
  r3.objective = 1;
  Certificate c3 = certify(p, short_.data(), 0.0);
  EXPECT_NEAR(c3.absolute, 0.5, 1e-12);
  judge(r3, c3, o);
  EXPECT_EQ(r3.status, Status::Infeasible);
  // A limit stays a limit.
  Result r4;
  r4.status = Status::TimeLimit;
  r4.objective = 2;
  judge(r4, c, o);
  EXPECT_EQ(r4.status, Status::TimeLimit);
}


// Minimax approximation of scale * t^2 on [0, 1] by a polynomial with
// `terms` coefficients: min z subject to -z <= scale t^2 - p(x, t) <= z,
// x = (coefficients, z). Two coefficients: the best line is
// scale (t - 1/8), error scale / 8 at t = 0, 1/2, 1 with multipliers
// 1/4, 1/2, 1/4. Three: the error is exactly 0 at (0, 0, scale).
// A bound z >= 0 comes with the constraints halved, so that the fit's first
// choice is the bound's column (a multiplier 1 on it fits as well, on a
// point 100 % away from the optimum).
Functions minimax(double scale, int terms, bool nonNegativeZ = false) {
  const double half = nonNegativeZ ? 0.5 : 1.0;
  Functions f;
  f.nx = terms + 1, f.nt = 1, f.mt = 2;
  f.x0.assign(f.nx, 0.0);
  if (nonNegativeZ) f.xl.assign(f.nx, -HUGE_VAL), f.xl[terms] = 0;
  f.f = [terms](const double* x) { return x[terms]; };
  f.gradF = [terms](const double*, double* g) {
    for (int i = 0; i <= terms; ++i) g[i] = i == terms;
  };
  auto error = [scale, terms](const double* x, double t) {
    double p = 0, power = 1;
    for (int i = 0; i < terms; ++i, power *= t) p += x[i] * power;
    return scale * t * t - p;
  };
  f.g = [error, terms, half](int j, const double* x, const double* t) {
    return half * ((j == 0 ? 1 : -1) * error(x, t[0]) - x[terms]);
  };
  f.gradG = [scale, terms, half](int j, const double* x, const double* t, double* gx, double* gt) {
    const double side = (j == 0 ? 1 : -1) * half;
    double power = 1, slope = 2 * scale * t[0];
    for (int i = 0; i < terms; ++i, power *= t[0]) gx[i] = -side * power;
    for (int i = 1; i < terms; ++i) slope -= i * x[i] * std::pow(t[0], i - 1);
    gx[terms] = -half;
    gt[0] = side * slope;
  };
  return f;
}

struct Judged {
  Certificate c;
  Result r = stopTestMet();
};

Judged judged(Functions& f, const Vec& x) {
  const FunctionsProblem held(f);
  const Problem& p = held.problem;
  Judged j;
  j.c = certify(p, x.data(), 0.0);
  j.r.objective = f.f(x.data());
  judge(j.r, j.c, Options());
  return j;
}

// The best line's coefficients and error for scale * t^2.
Vec bestLine(double scale, double z) { return {-scale / 8, scale, z}; }

TEST(Certificate, TinyMinimaxOptimumIsSolvedWithItsMultipliers) {
  for (bool bounded : {false, true}) {
    const double scale = 1e-5;
    Functions f = minimax(scale, 2, bounded);
    Judged j = judged(f, bestLine(scale, scale / 8));
    EXPECT_EQ(j.r.status, Status::Solved) << bounded << j.r.message;
    EXPECT_LT(j.c.stationarity, 1e-9);
    EXPECT_LT(j.c.objectiveGap, 1e-9);
    const double weight = bounded ? 2 : 1;  // the constraints halved
    double total = 0;
    for (const Point& q : j.c.active) {
      const double expected = (q.t[0] == 0.5 ? 0.5 : 0.25) * weight;
      EXPECT_EQ(q.constraint, q.t[0] == 0.5 ? 1 : 0) << q.t[0];
      EXPECT_NEAR(q.multiplier, expected, 1e-9) << q.t[0];
      total += q.multiplier;
    }
    EXPECT_NEAR(total, weight, 1e-9) << bounded;  // not the bound z >= 0 instead
  }
}

TEST(Certificate, TinyMinimaxFourPercentAboveItsOptimumIsNotSolved) {
  for (bool bounded : {false, true}) {
    const double scale = 1e-5, z = 1.04 * scale / 8;
    Functions f = minimax(scale, 2, bounded);
    Judged j = judged(f, bestLine(scale, z));
    EXPECT_EQ(j.c.scaled, 0.0);
    EXPECT_LE(j.c.stationarity, 1e-6);
    // A linear problem: the gap is f - f* exactly.
    EXPECT_NEAR(j.c.objectiveGap, 0.04 / 1.04, 1e-4) << bounded;
    EXPECT_EQ(j.r.status, Status::Uncertain) << bounded;
    EXPECT_NE(j.r.message.find("feasible and stationary, but the multipliers place the optimum "
                               "3.8e-02 (relative) away"),
              std::string::npos) << j.r.message;
  }
}

TEST(Certificate, TinyMinimaxWithPerturbedCoefficientsIsNotSolved) {
  const double scale = 1e-5, zstar = scale / 8;
  for (double slope : {1.02, 0.999}) {
    // The tightest z for the line -scale / 8 + slope * scale * t: the error
    // peaks at t = 0, t = 1 or where its derivative vanishes.
    Vec x = bestLine(scale, 0);
    x[1] = slope * scale;
    Functions f = minimax(scale, 2);
    double z = 0;
    for (double t : {0.0, 1.0, slope / 2}) {
      const double t0[] = {t};
      z = std::max(z, std::fabs(f.g(0, x.data(), t0)));
    }
    x[2] = z;
    Judged j = judged(f, x);
    EXPECT_LE(j.c.scaled, 1e-12);
    // The problem is linear: the gap bounds f - f* from above, and nearly
    // meets it (the multipliers sit where the error of this line peaks, next
    // to the optimum's own points).
    const double excess = (z - zstar) / z;
    EXPECT_GE(j.c.objectiveGap, excess * (1 - 1e-9)) << slope;
    EXPECT_LE(j.c.objectiveGap, excess * 1.01) << slope;
    EXPECT_EQ(j.r.status, Status::Uncertain) << slope << j.r.message;
  }
}

TEST(Certificate, MinimaxOfSizeOneIsJudgedAsBefore) {
  const double scale = 8;  // optimum 1
  Functions f = minimax(scale, 2);
  Judged at = judged(f, bestLine(scale, 1.0));
  EXPECT_EQ(at.r.status, Status::Solved) << at.r.message;
  EXPECT_EQ(at.c.active.size(), 3u);
  EXPECT_LT(at.c.objectiveGap, 1e-12);
  // 0.04 from the bound is beyond the widest active tolerance on this
  // scale: no point is active, as before.
  Judged above = judged(f, bestLine(scale, 1.04));
  EXPECT_EQ(above.r.status, Status::Uncertain);
  EXPECT_TRUE(above.c.active.empty());
  EXPECT_TRUE(std::isnan(above.c.objectiveGap));  // no multipliers to estimate with
  EXPECT_NE(above.r.message.find("; feasible, not stationary"), std::string::npos) << above.r.message;
}

TEST(Certificate, ExactFitWithOptimumZero) {
  Functions f = minimax(1.0, 3);
  Judged exact = judged(f, {0, 0, 1, 0});
  EXPECT_EQ(exact.r.status, Status::Solved) << exact.r.message;
  EXPECT_EQ(exact.c.objectiveGap, 0.0);
  EXPECT_LT(exact.c.stationarity, 1e-12);
  // The objective's size is 1e-8 ||grad f|| max(1, ||x||): z = 1e-15 is
  // 1e-7 of it, z = 1e-7 ten times it.
  Judged close = judged(f, {0, 0, 1, 1e-15});
  EXPECT_NEAR(close.c.objectiveGap, 1e-7, 1e-9);
  EXPECT_EQ(close.r.status, Status::Solved) << close.r.message;
  Judged far = judged(f, {0, 0, 1, 1e-7});
  EXPECT_NEAR(far.c.objectiveGap, 1.0, 1e-6);
  EXPECT_EQ(far.r.status, Status::Uncertain);
}

}  // namespace

// The certificate takes a method's kept scan at its own x only: a scan kept
// at another point must not stand in for the one at x.
TEST(Certificate, KeptScansAreUsedAtTheirOwnPointOnly) {
  Functions f = closedForm();
  const FunctionsProblem held(f);
  const Problem& p = held.problem;
  const Vec feasible = {1.0, 1.0}, infeasible = {0.5, 0.5};
  long evaluations = 0;
  ScanMemo memo;
  std::vector<int> sides;
  ViolationFunction v{p, feasible.data(), 0, &evaluations, &memo};
  scanValues(v, scanPoints(p), &sides);
  Certificate atKept = certify(p, feasible.data(), 0.0, 1e-6, &memo);
  Certificate alone = certify(p, feasible.data(), 0.0);
  EXPECT_EQ(atKept.absolute, alone.absolute);
  EXPECT_EQ(atKept.stationarity, alone.stationarity);
  EXPECT_LT(atKept.evaluations, alone.evaluations);
  Certificate elsewhere = certify(p, infeasible.data(), 0.0, 1e-6, &memo);
  EXPECT_NEAR(elsewhere.absolute, 0.5, 1e-12);
}
