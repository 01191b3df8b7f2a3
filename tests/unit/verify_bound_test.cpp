// Verified bounds on the problem's own scale: a pole no sample sees, the
// enclosure of a constraint linear in x (many cancelling terms) against its
// values, and a constraint of size 1e-8 bounded on that size.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/function_problem.h"
#include "ormid/ormid.h"
#include "verify/interval_evaluator.h"
#include "verify/verify.h"

using namespace ormid;

namespace {

// A problem whose one infinite constraint g(x, t) is an expression graph:
// variables 0 .. nx-1 are x, nx the infinite variable t on [tl, tu].
Functions fromGraph(const Expression& g, int nx, double tl, double tu, double upper) {
  Functions f;
  f.nx = nx, f.nt = 1, f.mt = 1;
  f.tl = {tl}, f.tu = {tu}, f.ctu = {upper};
  f.f = [](const double*) { return 0.0; };
  f.gradG = [nx](int, const double*, const double*, double* gx, double* gt) {
    std::fill(gx, gx + nx, 0.0);
    gt[0] = 0;  // not asked for by verification
  };
  f.gradF = [nx](const double*, double* grad) { std::fill(grad, grad + nx, 0.0); };
  auto vars = [nx](const double* x, double lo, double hi) {
    std::vector<Interval> v;
    for (int i = 0; i < nx; ++i) v.push_back(Interval(x[i]));
    v.push_back(Interval(lo, hi));
    return v;
  };
  f.g = [=](int, const double* x, const double* t) {
    Interval v;
    return naturalEnclosure(g, vars(x, t[0], t[0]), &v) ? median(v) : NAN;
  };
  f.gInterval = [=](int, const double* x, const double* lo, const double* hi, double* glo, double* ghi) {
    Interval v;
    if (!boxEnclosure(g, vars(x, lo[0], hi[0]), {nx}, &v)) return false;
    *glo = v.lower(), *ghi = v.upper();
    return true;
  };
  return f;
}

// e^t - (x0 + x1 t) / (1 + x2 t) <= 3 on [0, 1], with 1 + x2 t = 0 at
// t = 3.8e-16: just right of it g is as large as a double gets, and no
// grid of T comes near.
TEST(VerifyBound, APoleInsideTIsAnInfiniteBoundWithItsPoint) {
  Expression e;
  const int t = e.variable(3);
  const int ratio = e.apply(Op::Divide, {e.apply(Op::Add, {e.variable(0), e.apply(Op::Multiply, {e.variable(1), t})}),
                                         e.apply(Op::Add, {e.constant(1), e.apply(Op::Multiply, {e.variable(2), t})})});
  e.apply(Op::Subtract, {e.apply(Op::Exp, {t}), ratio});
  const double pole = 3.8e-16;
  const std::vector<double> x = {1.0, 1.0, -1.0 / pole};
  const Functions f = fromGraph(e, 3, 0.0, 1.0, 3.0);
  const FunctionsProblem held(f);
  for (int i = 0; i <= 1000; ++i) {  // a grid sees a feasible point
    const double ti = i / 1000.0;
    EXPECT_LE(f.g(0, x.data(), &ti), 3.0) << ti;
  }
  const VerifiedBound v = verifyConstraint(held.problem, x.data(), 0);
  EXPECT_TRUE(v.available);
  EXPECT_EQ(v.bound, HUGE_VAL);
  EXPECT_NE(v.reason.find("no finite enclosure"), std::string::npos) << v.reason;
  ASSERT_EQ(v.at.size(), 1u);
  EXPECT_NEAR(v.at[0], pole, 1e-17);
  EXPECT_GT(v.attained, 1e10);
  EXPECT_TRUE(v.lower[0] <= pole && pole <= v.upper[0]);

  Options o;
  Result r;
  r.status = Status::Solved;
  r.x = x;
  verifyPoint(held.problem, o, r);
  EXPECT_EQ(r.status, Status::Uncertain);
  EXPECT_NE(r.message.find("; the verified violation of infinite constraint 0 may reach inf in ["), std::string::npos)
      << r.message;
}

// f(t) - sum_k x_k cos(k t) - z: linear in (x, z), its 33 terms of size up
// to 1 cancelling to an error of 1e-3. Over boxes of shrinking width the
// enclosure holds every sampled value and closes in on their range far
// faster than the terms' natural extension.
TEST(VerifyBound, ALinearInXConstraintIsEnclosedCloseToItsValues) {
  const int n = 33;
  Expression e;
  const int t = e.variable(n + 1);
  const int f = e.apply(Op::Divide, {e.constant(0.0201), e.apply(Op::Subtract, {e.constant(1.01), e.apply(Op::Cos, {t})})});
  std::vector<int> terms = {f};
  std::vector<double> x(n + 1);
  for (int k = 0; k < n; ++k) {
    x[k] = (k == 0 ? 0.01 : 0.0201 / 0.1418) * std::pow(0.868, k);  // near the best approximation's
    const int cosine = e.apply(Op::Cos, {e.apply(Op::Multiply, {e.constant(k), t})});
    terms.push_back(e.apply(Op::Negate, {e.apply(Op::Multiply, {e.variable(k), cosine})}));
  }
  x[n] = 0.0;
  terms.push_back(e.apply(Op::Negate, {e.variable(n)}));
  e.apply(Op::Sum, terms);
  auto vars = [&](double lo, double hi) {
    std::vector<Interval> v;
    for (double xi : x) v.push_back(Interval(xi));
    v.push_back(Interval(lo, hi));
    return v;
  };
  for (double w : {1e-1, 1e-2, 1e-3, 1e-4}) {
    for (double lo : {0.0, 0.37, 1.3, 2.9}) {
      const double hi = lo + w;
      Interval box, natural;
      ASSERT_TRUE(boxEnclosure(e, vars(lo, hi), {n + 1}, &box));
      ASSERT_TRUE(naturalEnclosure(e, vars(lo, hi), &natural));
      double smallest = HUGE_VAL, largest = -HUGE_VAL;
      for (int i = 0; i <= 2000; ++i) {
        Interval g;
        ASSERT_TRUE(naturalEnclosure(e, vars(lo + w * i / 2000, lo + w * i / 2000), &g));
        smallest = std::min(smallest, g.lower());
        largest = std::max(largest, g.upper());
        EXPECT_TRUE(box.lower() <= g.lower() && g.upper() <= box.upper()) << lo << " " << w;
      }
      const double excess = (box.upper() - largest) + (smallest - box.lower());
      // The Taylor form's excess shrinks like w^5, the terms' like w (a
      // box of 0.1 is too wide for either beside f's sharp peak at 0).
      if (w > 0.01) continue;
      EXPECT_LE(excess, std::max(1e-11, 1e7 * std::pow(w, 5))) << lo << " " << w;
      EXPECT_LT(excess, 0.01 * width(natural)) << lo << " " << w;
    }
  }
}

// s (sin(3t) + t/2) - x <= 0 on [0, 2] with s = 1e-8 and s = 1, x at the
// peak's value: the bound comes within 1e-9 of the constraint's own size.
// With x 1e-5 of the size lower the bound is within ten times the
// violation, and above the tolerance a solved answer may keep, which
// follows the size.
TEST(VerifyBound, AConstraintOfSize1e8IsBoundedOnItsOwnScale) {
  const double at = std::acos(-1.0 / 6) / 3, peak = std::sin(3 * at) + at / 2;
  for (double s : {1e-8, 1.0}) {
    Expression e;
    const int t = e.variable(1);
    const int shape = e.apply(Op::Add, {e.apply(Op::Sin, {e.apply(Op::Multiply, {e.constant(3), t})}),
                                        e.apply(Op::Multiply, {e.constant(0.5), t})});
    e.apply(Op::Subtract, {e.apply(Op::Multiply, {e.constant(s), shape}), e.variable(0)});
    const Functions f = fromGraph(e, 1, 0.0, 2.0, 0.0);
    const FunctionsProblem held(f);
    const std::vector<double> active = {s * peak};
    VerifiedBound v = verifyConstraint(held.problem, active.data(), 0);
    EXPECT_EQ(v.reason, "");
    EXPECT_GE(v.bound, -1e-15 * s);
    EXPECT_LE(v.bound, 1e-9 * s) << s;
    EXPECT_LE(v.attained, v.bound);
    ASSERT_EQ(v.at.size(), 1u);
    EXPECT_NEAR(v.at[0], at, 1e-3);

    const std::vector<double> violated = {s * peak * (1 - 1e-5)};
    v = verifyConstraint(held.problem, violated.data(), 0);
    const double truth = s * peak * 1e-5;
    EXPECT_GE(v.bound, truth * (1 - 1e-9));
    EXPECT_LE(v.bound, 10 * truth);
    const double scale = termScale(held.problem, violated.data(), 0);
    EXPECT_GT(scale, s);
    EXPECT_LT(scale, 5 * s);
    Options o;
    const double tolerance = verifiedTolerance(held.problem, o, 0, violated.data());
    EXPECT_NEAR(tolerance, o.feasibilityTolerance * std::min(1.0, scale), 1e-12 * s);
    EXPECT_GT(v.bound, tolerance);  // 1e-5 of the size is too much
    EXPECT_LE(tolerance, verifiedTolerance(held.problem, o, 0));
  }
}

}  // namespace
