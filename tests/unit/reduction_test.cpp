// The exchange method's Newton phase: maximisers followed as x moves, the
// reduced constraint's derivatives, and whole Newton runs on problems whose
// solution is known in closed form.
#include <gtest/gtest.h>

#include <cmath>

#include "kernels/dense_lu.h"
#include "exchange/maximiser.h"
#include "exchange/reduction.h"
#include "fake_problem.h"

using namespace ormid;

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

typedef std::vector<double> Vec;

// g(x, t) = x0 t - t^2 (1 + x1^2) / 2 + x0 x1 on T = [-5, 5]: its maximiser
// is t(x) = x0 / (1 + x1^2) while that lies in T, and there
// G(x) = x0^2 / (2 (1 + x1^2)) + x0 x1.
struct Parabola : FakeProblem {
  Parabola() {
    nx = 2, nt = 1, mt = 1;
    tl = {-5.0}, tu = {5.0};
    g = [](int, const double* x, const double* t) {
      return x[0] * t[0] - t[0] * t[0] * (1 + x[1] * x[1]) / 2 + x[0] * x[1];
    };
    gradG = [](int, const double* x, const double* t, double* gx, double* gt) {
      gx[0] = t[0] + x[1];
      gx[1] = -t[0] * t[0] * x[1] + x[0];
      gt[0] = x[0] - t[0] * (1 + x[1] * x[1]);
    };
  }
};

TEST(Maximiser, FollowsTheInteriorMaximiserAndHoldsItOnTheBoundOfT) {
  Parabola f;
  SipContext& c = f.install();
  Maximiser m;
  m.t = {0.2};
  std::string why;
  const Vec x = {0.7, 0.4};
  ASSERT_EQ(followMaximiser(c, x.data(), m, &why), PathStatus::Followed) << why;
  EXPECT_NEAR(m.t[0], 0.7 / 1.16, 1e-12);
  // x moves a little: the maximiser follows.
  const Vec moved = {0.8, 0.3};
  ASSERT_EQ(followMaximiser(c, moved.data(), m, &why), PathStatus::Followed) << why;
  EXPECT_NEAR(m.t[0], 0.8 / 1.09, 1e-12);
  // x0 = 5.9: the unconstrained maximiser 5.9 / 1.16 = 5.09 lies beyond T.
  m.t = {4.9};
  const Vec far = {5.9, 0.4};
  ASSERT_EQ(followMaximiser(c, far.data(), m, &why), PathStatus::Followed) << why;
  EXPECT_EQ(m.t[0], 5.0);
}

TEST(Maximiser, HoldsAMaximiserOnTheBoundOfAConstraintUndefinedBeyondT) {
  // The parabola of the test above, with no value outside T: the curvature in
  // t at the bound must come from points inside it.
  Parabola f;
  auto inside = [](const double* t) { return t[0] >= -5.0 && t[0] <= 5.0; };
  auto g = f.g;
  auto gradG = f.gradG;
  f.g = [g, inside](int j, const double* x, const double* t) { return inside(t) ? g(j, x, t) : NAN; };
  f.gradG = [gradG, inside](int j, const double* x, const double* t, double* gx, double* gt) {
    gradG(j, x, t, gx, gt);
    if (!inside(t)) gx[0] = gx[1] = gt[0] = NAN;
  };
  SipContext& c = f.install();
  Maximiser m;
  m.t = {4.9};
  std::string why;
  const Vec far = {5.9, 0.4};
  ASSERT_EQ(followMaximiser(c, far.data(), m, &why), PathStatus::Followed) << why;
  EXPECT_EQ(m.t[0], 5.0);
}

// g(x, t) = x0 (1 + cos t2)^2 - (t1 - x1)^2 on T = [0, 1] x [0, pi], x0 < 0:
// the maximiser (x1, pi) lies on the face t2 = pi, where g is symmetric
// about the bound: the slope and the curvature in t2 vanish there and the
// violation falls inward like (pi - t2)^4.
struct FlatOnAFace : FakeProblem {
  FlatOnAFace() {
    nx = 2, nt = 2, mt = 1;
    tl = {0.0, 0.0}, tu = {1.0, M_PI};
    g = [](int, const double* x, const double* t) {
      const double c = 1 + std::cos(t[1]);
      return x[0] * c * c - (t[0] - x[1]) * (t[0] - x[1]);
    };
    gradG = [](int, const double* x, const double* t, double* gx, double* gt) {
      const double c = 1 + std::cos(t[1]);
      gx[0] = c * c, gx[1] = 2 * (t[0] - x[1]);
      gt[0] = -2 * (t[0] - x[1]), gt[1] = -2 * x[0] * c * std::sin(t[1]);
    };
  }
};

TEST(Maximiser, AMaximiserOnAFaceWhereTheSlopeVanishesStaysOnIt) {
  FlatOnAFace f;
  SipContext& c = f.install();
  Maximiser m;
  m.t = {0.3, M_PI};
  std::string why;
  const Vec x = {-0.5, 0.4};
  ASSERT_EQ(followMaximiser(c, x.data(), m, &why), PathStatus::Followed) << why;
  EXPECT_NEAR(m.t[0], 0.4, 1e-12);
  EXPECT_EQ(m.t[1], M_PI);
  ReducedConstraint G;
  ASSERT_EQ(reducedConstraint(c, x.data(), m, G), PathStatus::Followed);
  EXPECT_NEAR(G.value, 0.0, 1e-15);
  EXPECT_NEAR(G.grad[0], 0.0, 1e-15);
}

// The reduced constraint's whole Hessian (its dense part and its low-rank one).
Vec hessianOf(const ReducedConstraint& G, int nx) {
  Vec H((size_t)nx * nx, 0.0);
  G.addHessian(1.0, H.data(), nx, nx);
  return H;
}

TEST(Maximiser, ReducedGradientAndHessianMatchTheClosedForm) {
  Parabola f;
  SipContext& c = f.install();
  const double x0 = 0.7, x1 = 0.4, q = 1 + x1 * x1;
  const Vec x = {x0, x1};
  Maximiser m;
  m.t = {0.5};
  std::string why;
  ASSERT_EQ(followMaximiser(c, x.data(), m, &why), PathStatus::Followed);
  ReducedConstraint G;
  ASSERT_EQ(reducedConstraint(c, x.data(), m, G), PathStatus::Followed);
  EXPECT_NEAR(G.value, x0 * x0 / (2 * q) + x0 * x1, 1e-14);
  EXPECT_NEAR(G.grad[0], x0 / q + x1, 1e-12);
  EXPECT_NEAR(G.grad[1], -x0 * x0 * x1 / (q * q) + x0, 1e-12);
  // The Hessian comes from differences of the gradients here (the problem
  // gives no Hessians): about eight digits.
  Vec H = hessianOf(G, 2);
  EXPECT_NEAR(H[0], 1 / q, 1e-7);
  EXPECT_NEAR(H[1], 1 - 2 * x0 * x1 / (q * q), 1e-7);
  EXPECT_NEAR(H[2], H[1], 1e-12);
  EXPECT_NEAR(H[3], -x0 * x0 * (1 - 3 * x1 * x1) / (q * q * q), 1e-7);

  // And against differences of G itself, each value with its maximiser followed.
  auto reducedValue = [&](double a, double b) {
    Maximiser n = m;
    const Vec y = {a, b};
    EXPECT_EQ(followMaximiser(c, y.data(), n, &why), PathStatus::Followed);
    ReducedConstraint r;
    reducedConstraint(c, y.data(), n, r);
    return r.value;
  };
  const double h = 1e-4;
  const double d11 = (reducedValue(x0, x1 + h) - 2 * G.value + reducedValue(x0, x1 - h)) / (h * h);
  EXPECT_NEAR(d11, H[3], 1e-5);
  const double d1 = (reducedValue(x0, x1 + h) - reducedValue(x0, x1 - h)) / (2 * h);
  EXPECT_NEAR(d1, G.grad[1], 1e-7);

  // On the bound of T the maximiser does not move with x: the Hessian is g_xx.
  const Vec held = {5.9, 0.4};
  m.t = {5.0};
  ASSERT_EQ(followMaximiser(c, held.data(), m, &why), PathStatus::Followed);
  ASSERT_EQ(reducedConstraint(c, held.data(), m, G), PathStatus::Followed);
  EXPECT_NEAR(G.grad[0], 5.0 + 0.4, 1e-12);
  H = hessianOf(G, 2);
  EXPECT_NEAR(H[0], 0.0, 1e-7);
  EXPECT_NEAR(H[3], -25.0, 1e-6);
}

TEST(Maximiser, TwoDimensionalPathWithOneCoordinateOnAFace) {
  // g = -(t0 - x0)^2 - (t1 - x1)^2 - (t0 - x0)(t1 - x1) / 2 on [-1, 1]^2:
  // the maximiser is t = x inside; with x0 beyond 1, t0 = 1 and t1 = x1 - (1 - x0) / 4.
  FakeProblem f;
  f.nx = 2, f.nt = 2;
  f.tl = {-1.0, -1.0}, f.tu = {1.0, 1.0};
  f.g = [](int, const double* x, const double* t) {
    const double a = t[0] - x[0], b = t[1] - x[1];
    return -a * a - b * b - a * b / 2;
  };
  f.gradG = [](int, const double* x, const double* t, double* gx, double* gt) {
    const double a = t[0] - x[0], b = t[1] - x[1];
    gt[0] = -2 * a - b / 2, gt[1] = -2 * b - a / 2;
    gx[0] = -gt[0], gx[1] = -gt[1];
  };
  SipContext& c = f.install();
  Maximiser m;
  m.t = {0.1, 0.1};
  std::string why;
  const Vec inside = {0.3, -0.2};
  ASSERT_EQ(followMaximiser(c, inside.data(), m, &why), PathStatus::Followed) << why;
  EXPECT_NEAR(m.t[0], 0.3, 1e-12);
  EXPECT_NEAR(m.t[1], -0.2, 1e-12);
  const Vec beyond = {1.2, 0.5};
  m.t = {0.9, 0.5};
  ASSERT_EQ(followMaximiser(c, beyond.data(), m, &why), PathStatus::Followed) << why;
  EXPECT_EQ(m.t[0], 1.0);
  EXPECT_NEAR(m.t[1], 0.5 + 0.2 / 4, 1e-12);
}

TEST(Maximiser, ClimbsOffAFaceOfTWhereTheViolationIsAMinimumAcross) {
  // g = -cos(5 pi t) (1 + x0^2) on [0, 1]: flat at t = 0 by symmetry, where
  // it is least; its maximiser is t = 0.2.
  FakeProblem f;
  f.nx = 1;
  f.g = [](int, const double* x, const double* t) { return -std::cos(5 * M_PI * t[0]) * (1 + x[0] * x[0]); };
  f.gradG = [](int, const double* x, const double* t, double* gx, double* gt) {
    gx[0] = -2 * x[0] * std::cos(5 * M_PI * t[0]);
    gt[0] = 5 * M_PI * std::sin(5 * M_PI * t[0]) * (1 + x[0] * x[0]);
  };
  SipContext& c = f.install();
  Maximiser m;
  m.t = {0.0};
  std::string why;
  const Vec x = {0.5};
  ASSERT_EQ(followMaximiser(c, x.data(), m, &why), PathStatus::Followed) << why;
  EXPECT_NEAR(m.t[0], 0.2, 1e-12);
  // Newton's steps, counted: gradient steps of a thousandth of T took
  // hundreds of evaluations to cover the way.
  EXPECT_GT(c.stats.infiniteConstraintValues, 0);
  EXPECT_LT(c.stats.infiniteConstraintValues, 100);
}

TEST(Maximiser, ARidgeIsDegenerate) {
  // g = x0 - x1 (t - 1/2)^2 with x1 = 0: every t is a maximiser.
  FakeProblem f;
  f.nx = 2;
  f.g = [](int, const double* x, const double* t) { return x[0] - x[1] * (t[0] - 0.5) * (t[0] - 0.5); };
  f.gradG = [](int, const double* x, const double* t, double* gx, double* gt) {
    gx[0] = 1, gx[1] = -(t[0] - 0.5) * (t[0] - 0.5);
    gt[0] = -2 * x[1] * (t[0] - 0.5);
  };
  SipContext& c = f.install();
  Maximiser m;
  m.t = {0.3};
  std::string why;
  const Vec ridge = {1.0, 0.0}, peak = {1.0, 2.0};
  EXPECT_EQ(followMaximiser(c, ridge.data(), m, &why), PathStatus::Degenerate);
  EXPECT_EQ(followMaximiser(c, peak.data(), m, &why), PathStatus::Followed);
  EXPECT_NEAR(m.t[0], 0.5, 1e-12);
}

TEST(DenseLu, SolvesBadlyScaledSystemsAndRefusesSingularOnes) {
  // A KKT matrix whose curvature block is 1e8 times its gradients.
  std::vector<double> A = {1e8, 0, 1, 0, 2e8, 1, 1, 1, 0}, b = {1e8, 4e8, 3};
  ASSERT_TRUE(luSolve(3, A, b));
  // The solution is (1, 2, 0): checked by substitution in the original rows.
  const double x0 = b[0], x1 = b[1], mu = b[2];
  EXPECT_NEAR(1e8 * x0 + mu, 1e8, 1e-6);
  EXPECT_NEAR(2e8 * x1 + mu, 4e8, 1e-6);
  EXPECT_NEAR(x0 + x1, 3, 1e-14);
  std::vector<double> singular = {1, 2, 2, 4}, rhs = {1, 2};
  EXPECT_FALSE(luSolve(2, singular, rhs));
}

// min -x0 - x1 s.t. x0 cos t + x1 sin t <= 1 on [0, pi/2]: the quarter disc,
// solved at x = (1, 1) / sqrt 2 with its maximiser at t = pi/4.
struct QuarterDisc : FakeProblem {
  QuarterDisc() {
    nx = 2;
    tu = {M_PI / 2};
    f = [](const double* x) { return -x[0] - x[1]; };
    gradF = [](const double*, double* g) { g[0] = g[1] = -1; };
    g = [](int, const double* x, const double* t) {
      return x[0] * std::cos(t[0]) + x[1] * std::sin(t[0]) - 1;
    };
    gradG = [](int, const double* x, const double* t, double* gx, double* gt) {
      gx[0] = std::cos(t[0]), gx[1] = std::sin(t[0]);
      gt[0] = -x[0] * std::sin(t[0]) + x[1] * std::cos(t[0]);
    };
  }
};

TEST(Reduction, ConvergesFromAnInexactExchangePoint) {
  QuarterDisc f;
  f.x0 = {0.6, 0.75};
  SipContext& c = f.install();
  // The last subproblem's points and multipliers: one point near pi/4 carries
  // the multiplier (Ipopt's sign: positive against the upper bound).
  const PointList points = {{0.0}, {0.9}, {M_PI / 2}};
  const Vec lambda = {0.0, 1.3, 0.0};
  CaptureStdout();
  ReductionOutcome r = reduce(c, scanPoints(c.problem), points, lambda);
  std::string out = GetCapturedStdout();
  ASSERT_EQ(r.end, ReductionEnd::Converged) << r.message << "\n" << out;
  EXPECT_NEAR(c.x[0], M_SQRT1_2, 1e-13);
  EXPECT_NEAR(c.x[1], M_SQRT1_2, 1e-13);
  EXPECT_LE(r.steps, 6);
  EXPECT_LE(r.kkt, 1e-12);
  EXPECT_NE(out.find("KKT residual"), std::string::npos);
}

TEST(Reduction, ANewViolatedMaximiserSendsTheRunBackToTheExchangePhase) {
  // g = x0 a(t) - 1 with peaks of a at t = 1/4 (height 1) and 3/4 (1.5):
  // min -x0. The phase knows only the first peak; its Newton step to x0 = 1
  // leaves the second violated.
  FakeProblem f;
  twoPeaks(f, 0.25, 0.75);
  f.x0 = {0.5};
  SipContext& c = f.install();
  CaptureStdout();
  ReductionOutcome r = reduce(c, scanPoints(c.problem), {{0.25}}, {1.0});
  GetCapturedStdout();
  ASSERT_EQ(r.end, ReductionEnd::NewMaximisers) << r.message;
  ASSERT_FALSE(r.newPoints.empty());
  EXPECT_NEAR(r.newPoints[0][0], 0.75, 1e-3);
  EXPECT_EQ(c.x[0], 0.5);  // the exchange phase goes on from its own point
}

TEST(Reduction, ANewMaximiserViolatedByAHairJoinsTheActiveRows) {
  // As above with the second peak 1e-6 higher than the first: the step to
  // x0 = 1 leaves it violated by 1e-6, and the phase takes it on rather
  // than end. The first peak's multiplier turns negative and its row leaves.
  FakeProblem f;
  const double height = 1 + 1e-6;
  twoPeaks(f, 0.25, 0.75, height);
  f.x0 = {0.5};
  SipContext& c = f.install();
  CaptureStdout();
  ReductionOutcome r = reduce(c, scanPoints(c.problem), {{0.25}}, {1.0});
  std::string out = GetCapturedStdout();
  ASSERT_EQ(r.end, ReductionEnd::Converged) << r.message << "\n" << out;
  EXPECT_TRUE(r.newPoints.empty());
  // Solved: the higher peak (near 0.75, moved a little by the other's tail)
  // at its bound, on a grid of spacing 1e-7 around it.
  double top = -HUGE_VAL;
  for (int k = -100000; k <= 100000; ++k) {
    const double t = 0.75 + 1e-7 * k;
    top = std::max(top, f.g(0, c.x.data(), &t));
  }
  EXPECT_NEAR(top, 0.0, 1e-12);
}

TEST(Reduction, AStepThatLosesTheMaximiserIsShortened) {
  // g = x0 t - t^2 / 2 - x1 on [0, 1] peaks at t = x0 with value x0^2 / 2 - x1;
  // min x1 - 0.9 x0 is solved at x0 = t = 0.9. From x0 = 0.1 the first
  // Newton step lands there exactly, moving the maximiser 0.8 of the box:
  // too far to follow in one go.
  FakeProblem f;
  f.nx = 2;
  f.x0 = {0.1, 0.005};
  f.f = [](const double* x) { return x[1] - 0.9 * x[0]; };
  f.gradF = [](const double*, double* g) { g[0] = -0.9, g[1] = 1; };
  f.g = [](int, const double* x, const double* t) { return x[0] * t[0] - t[0] * t[0] / 2 - x[1]; };
  f.gradG = [](int, const double* x, const double* t, double* gx, double* gt) {
    gx[0] = t[0], gx[1] = -1, gt[0] = x[0] - t[0];
  };
  SipContext& c = f.install();
  CaptureStdout();
  ReductionOutcome r = reduce(c, scanPoints(c.problem), {{0.1}}, {1.0});
  std::string out = GetCapturedStdout();
  ASSERT_EQ(r.end, ReductionEnd::Converged) << r.message << "\n" << out;
  EXPECT_NEAR(c.x[0], 0.9, 1e-12);
  EXPECT_NEAR(c.x[1], 0.405, 1e-12);
}

// min z over x = (a, b, z) s.t. g0 = a t - t^2 / 2 + b^2 - z <= 0 and
// g1 = t - a + a^2 / 4 - z <= 0 on [0, 1]: g0 peaks inside T at t = a
// (reduced Hessian diag(1, 2, 0)), g1 at the bound t = 1 (Hessian
// diag(1/2, 0, 0)). Both are active at the solution a = 2 sqrt 2 - 2, b = 0,
// z = 6 - 4 sqrt 2, and only g0 curves along b, the direction both
// gradients leave free. The subproblem put its whole multiplier on g1: the
// first KKT system is singular along b though its one row is independent.
// From b = 0: off it the regularised step along b, with no curvature there
// yet, runs far past the solution.
struct CornerAndPeak : FakeProblem {
  CornerAndPeak() {
    nx = 3, mt = 2;
    f = [](const double* x) { return x[2]; };
    gradF = [](const double*, double* g) { g[0] = g[1] = 0, g[2] = 1; };
    g = [](int j, const double* x, const double* t) {
      if (j == 0) return x[0] * t[0] - t[0] * t[0] / 2 + x[1] * x[1] - x[2];
      return t[0] - x[0] + x[0] * x[0] / 4 - x[2];
    };
    gradG = [](int j, const double* x, const double* t, double* gx, double* gt) {
      if (j == 0) {
        gx[0] = t[0], gx[1] = 2 * x[1], gx[2] = -1, gt[0] = x[0] - t[0];
      } else {
        gx[0] = -1 + x[0] / 2, gx[1] = 0, gx[2] = -1, gt[0] = 1;
      }
    };
  }
};

TEST(Reduction, ASystemWithTooFewCurvatureTermsStillSteps) {
  CornerAndPeak f;
  f.x0 = {0.82, 0.0, 0.3366};
  SipContext& c = f.install();
  // Points 0.82 and 1, rows in the order (point, constraint): the multiplier
  // only on g1 at t = 1.
  const PointList points = {{0.82}, {1.0}};
  const Vec lambda = {0.0, 0.0, 0.0, 1.0};
  CaptureStdout();
  ReductionOutcome r = reduce(c, scanPoints(c.problem), points, lambda);
  std::string out = GetCapturedStdout();
  ASSERT_EQ(r.end, ReductionEnd::Converged) << r.message << "\n" << out;
  EXPECT_NEAR(c.x[0], 2 * M_SQRT2 - 2, 1e-10);
  EXPECT_NEAR(c.x[1], 0.0, 1e-10);
  EXPECT_NEAR(c.x[2], 6 - 4 * M_SQRT2, 1e-10);
  EXPECT_LE(r.kkt, 1e-10);
}

}  // namespace

namespace {

// min -sum x_k s.t. sum_i x_{i mod 20} s(t - t_i) <= 1 on [0, 1], with 64
// narrow bumps s at t_i = (i + 1/2) / 64: 64 maximisers whose gradients
// span 20 directions (each x_k's bumps share one), so that the multipliers
// are not unique. Solved at x_k = 1 (the bumps' tails are below 1e-27).
void sharedDirections(FakeProblem& f) {
  const int n = 20, peaks = 64;
  const double width = 0.125 / peaks;
  auto bump = [width](double u) { return std::exp(-(u / width) * (u / width)); };
  f.nx = n;
  f.x0.assign(n, 0.9);
  f.f = [](const double* x) {
    double s = 0;
    for (int k = 0; k < n; ++k) s -= x[k];
    return s;
  };
  f.gradF = [](const double*, double* g) { std::fill(g, g + n, -1.0); };
  f.g = [bump](int, const double* x, const double* t) {
    double g = -1;
    for (int i = 0; i < peaks; ++i) g += x[i % n] * bump(t[0] - (i + 0.5) / peaks);
    return g;
  };
  f.gradG = [bump, width](int, const double* x, const double* t, double* gx, double* gt) {
    std::fill(gx, gx + n, 0.0);
    gt[0] = 0;
    for (int i = 0; i < peaks; ++i) {
      const double u = t[0] - (i + 0.5) / peaks;
      gx[i % n] += bump(u);
      gt[0] += x[i % n] * bump(u) * (-2 * u / (width * width));
    }
  };
}

TEST(Reduction, SixtyFourMaximisersWithTwentyGradientDirectionsConvergeOnABasicSet) {
  FakeProblem f;
  sharedDirections(f);
  SipContext& c = f.install();
  std::vector<std::vector<double>> points;
  std::vector<double> lambda;
  for (int i = 0; i < 64; ++i) points.push_back({(i + 0.5) / 64}), lambda.push_back(20.0 / 64);
  CaptureStdout();
  ReductionOutcome r = reduce(c, scanPoints(c.problem), points, lambda);
  const std::string out = GetCapturedStdout();
  ASSERT_EQ(r.end, ReductionEnd::Converged) << r.message << "\n" << out;
  for (int k = 0; k < 20; ++k) EXPECT_NEAR(c.x[k], 1.0, 1e-9) << k;
  EXPECT_LE(r.steps, 4) << out;
  // Linear in x: a maximiser's reduced Hessian is its move in t alone, of
  // rank one, with nothing of size nx^2 kept.
  Maximiser m;
  m.t = {0.5 / 64};
  std::string why;
  ASSERT_EQ(followMaximiser(c, c.x.data(), m, &why), PathStatus::Followed) << why;
  ReducedConstraint G;
  ASSERT_EQ(reducedConstraint(c, c.x.data(), m, G), PathStatus::Followed);
  EXPECT_TRUE(G.hess.empty());
  EXPECT_EQ(G.rank, 1);
  EXPECT_EQ(G.lowRank.size(), 20u);
}

}  // namespace
