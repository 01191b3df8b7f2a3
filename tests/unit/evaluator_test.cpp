// The eleven evaluation requests on a model with interleaved finite and
// infinite variables and constraints, against hand values and finite
// differences of the value requests.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "ampl/ampl_model.h"
#include "fixtures.h"
#include "harness.h"
#include "nl_writer.h"
#include "ampl/partition.h"
#include "core/sip.h"

using namespace ormid;

namespace {

typedef std::vector<double> Vec;
const double H = 1e-6;

struct EvaluatorTest : ::testing::Test {
  TempDir dir;
  Vec x{0.7, -1.2, 0.4}, t{0.3, 1.1};  // x1, x2, x3 and ta, tb
  void SetUp() override {
    interleavedModel().write(dir.file("m"));
    amplAlloc();
    ASSERT_TRUE(amplRead(dir.file("m").c_str()));
    buildPartition();
  }
  void TearDown() override {
    releasePartition();
    amplFree();
  }
  double eval(Request code, int n, const Vec& xv, const Vec& tv, double* o1 = nullptr,
              double* o2 = nullptr, double* o3 = nullptr) {
    return sipEvaluate(code, n, xv.data(), tv.data(), o1, o2, o3, nullptr, &sipPartition);
  }
  // Central difference of f along coordinate i of v.
  static double diff(const std::function<double(const Vec&)>& f, Vec v, int i) {
    v[i] += H;
    double up = f(v);
    v[i] -= 2 * H;
    return (up - f(v)) / (2 * H);
  }
};

TEST_F(EvaluatorTest, PartitionOfInterleavedModel) {
  const SipPartition& p = sipPartition;
  EXPECT_EQ(p.nx, 3);
  EXPECT_EQ(p.nt, 2);
  EXPECT_EQ(p.mx, 2);
  EXPECT_EQ(p.mt, 2);
  EXPECT_EQ(p.xIndex, (std::vector<int>{0, 2, 4}));
  EXPECT_EQ(p.ctIndex, (std::vector<int>{1, 3}));
  EXPECT_EQ(p.xu[2], 3.0);
  EXPECT_EQ(p.cxl[1], 0.0);
  EXPECT_EQ(p.ctu[1], 1.0);
}

TEST_F(EvaluatorTest, ObjectiveAndFiniteConstraintsSeeTZero) {
  const double x1 = x[0], x2 = x[1], x3 = x[2];
  EXPECT_NEAR(eval(Request::ObjectiveValue, 0, x, t), x1 * x1 * x2 + std::exp(x3), 1e-14);
  EXPECT_NEAR(eval(Request::FiniteValue, 0, x, t), x1 * x2 + x3 * x3 * x3, 1e-14);
  EXPECT_NEAR(eval(Request::FiniteValue, 1, x, t), std::exp(x1 + x2) - x3, 1e-14);
  const double ta = t[0], tb = t[1];
  EXPECT_NEAR(eval(Request::InfiniteValue, 0, x, t), x1 * ta * ta + std::sin(x2 * tb) - x3 * tb, 1e-14);
  EXPECT_NEAR(eval(Request::InfiniteValue, 1, x, t), std::cos(ta * tb) * x2 + x1 * x3 * tb * tb, 1e-14);
  Vec cx(2), ct(2);
  eval(Request::ConstraintValues, 0, x, t, cx.data(), ct.data());
  EXPECT_DOUBLE_EQ(cx[1], std::exp(x1 + x2) - x3);
  EXPECT_DOUBLE_EQ(ct[0], eval(Request::InfiniteValue, 0, x, t));
}

TEST_F(EvaluatorTest, GradientsMatchFiniteDifferences) {
  Vec g(3);
  eval(Request::ObjectiveGradient, 0, x, t, g.data());
  for (int i = 0; i < 3; ++i)
    EXPECT_NEAR(g[i], diff([&](const Vec& v) { return eval(Request::ObjectiveValue, 0, v, t); }, x, i), 1e-7);
  for (int n = 0; n < 2; ++n) {
    eval(Request::FiniteGradient, n, x, t, g.data());
    for (int i = 0; i < 3; ++i)
      EXPECT_NEAR(g[i], diff([&](const Vec& v) { return eval(Request::FiniteValue, n, v, t); }, x, i),
                  1e-7);
    Vec gt(2);
    eval(Request::InfiniteGradient, n, x, t, g.data(), gt.data());
    for (int i = 0; i < 3; ++i)
      EXPECT_NEAR(g[i], diff([&](const Vec& v) { return eval(Request::InfiniteValue, n, v, t); }, x, i),
                  1e-7);
    for (int i = 0; i < 2; ++i)
      EXPECT_NEAR(gt[i], diff([&](const Vec& v) { return eval(Request::InfiniteValue, n, x, v); }, t, i),
                  1e-7);
  }
}

TEST_F(EvaluatorTest, JacobianBlocksUseFunctionFastestLayout) {
  Vec jx(2 * 3), jt(2 * 2), jtx(2 * 3);
  eval(Request::Jacobians, 0, x, t, jx.data(), jt.data(), jtx.data());
  for (int j = 0; j < 2; ++j) {
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(jx[i * 2 + j],
                  diff([&](const Vec& v) { return eval(Request::FiniteValue, j, v, t); }, x, i), 1e-7);
      EXPECT_NEAR(jtx[i * 2 + j],
                  diff([&](const Vec& v) { return eval(Request::InfiniteValue, j, v, t); }, x, i), 1e-7);
    }
    for (int i = 0; i < 2; ++i)
      EXPECT_NEAR(jt[i * 2 + j],
                  diff([&](const Vec& v) { return eval(Request::InfiniteValue, j, x, v); }, t, i), 1e-7);
  }
}

TEST_F(EvaluatorTest, HessianBlocksMatchDifferencesOfGradients) {
  Vec h(9), g(3);
  eval(Request::ObjectiveValue, 0, x, t);
  eval(Request::ObjectiveGradient, 0, x, t, g.data());
  eval(Request::ObjectiveHessian, 0, x, t, h.data());
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 3; ++k) {
      auto gk = [&](const Vec& v) { Vec gg(3); eval(Request::ObjectiveGradient, 0, v, t, gg.data()); return gg[k]; };
      EXPECT_NEAR(h[i * 3 + k], diff(gk, x, i), 1e-6);
    }

  eval(Request::FiniteValue, 1, x, t);
  eval(Request::FiniteGradient, 1, x, t, g.data());
  eval(Request::FiniteHessian, 1, x, t, h.data());
  const double e = std::exp(x[0] + x[1]);
  const double expected[9] = {e, e, 0, e, e, 0, 0, 0, 0};
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(h[i], expected[i], 1e-12) << i;

  Vec htt(4), hxt(6), gt(2);
  eval(Request::InfiniteValue, 1, x, t);
  eval(Request::InfiniteGradient, 1, x, t, g.data(), gt.data());
  eval(Request::InfiniteHessian, 1, x, t, h.data(), htt.data(), hxt.data());
  auto gradX = [&](int k) {
    return [&, k](const Vec& v) { Vec a(3), b(2); eval(Request::InfiniteGradient, 1, v, t, a.data(), b.data()); return a[k]; };
  };
  auto gradT = [&](int k, bool wrtT) {
    return [&, k, wrtT](const Vec& v) {
      Vec a(3), b(2);
      eval(Request::InfiniteGradient, 1, wrtT ? x : v, wrtT ? v : t, a.data(), b.data());
      return b[k];
    };
  };
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(h[i * 3 + k], diff(gradX(k), x, i), 1e-6);
  for (int i = 0; i < 2; ++i)
    for (int k = 0; k < 2; ++k) EXPECT_NEAR(htt[i * 2 + k], diff(gradT(k, true), t, i), 1e-6);
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 2; ++k) EXPECT_NEAR(hxt[i * 2 + k], diff(gradT(k, false), x, i), 1e-6);
}

TEST_F(EvaluatorTest, ContextCountsEachRequestOnceAndUnknownCodesAreIgnored) {
  Problem problem;
  problem.nx = 3, problem.nt = 2, problem.mx = 2, problem.mt = 2;
  problem.evaluate = sipEvaluate;
  problem.data = &sipPartition;
  Options options;
  SipContext c(problem, options);
  Vec o(16, 7.0);
  c.evaluate(Request::ObjectiveValue, 0, x.data(), t.data());
  c.evaluate(Request::InfiniteValue, 1, x.data(), t.data());
  c.evaluate(Request::InfiniteValue, 0, x.data(), t.data());
  c.evaluate(Request::InfiniteGradient, 0, x.data(), t.data(), o.data(), o.data() + 3);
  EXPECT_EQ(c.stats.objectiveValues, 1);
  EXPECT_EQ(c.stats.infiniteConstraintValues, 2);
  EXPECT_EQ(c.stats.infiniteConstraintGradients, 1);
  EXPECT_EQ(c.stats.constraintValues, 0);
  Vec untouched(16, 7.0);
  EXPECT_EQ(eval(static_cast<Request>(0), 0, x, t, untouched.data()), 0.0);
  EXPECT_EQ(eval(static_cast<Request>(99), 0, x, t, untouched.data()), 0.0);
  EXPECT_EQ(untouched, Vec(16, 7.0));
}

// Jacobian patterns come from the model's rows, in the order of x.
TEST(EvaluatorPattern, EachConstraintFlagsTheVariablesItDependsOn) {
  TempDir dir;
  nl::Model m;
  nl::Expr a = nl::var(m.addVar("a")), ta = nl::var(m.addVar("ta", 0, 1));
  nl::Expr b = nl::var(m.addVar("b")), c = nl::var(m.addVar("c"));
  m.minimize(a + b + c);
  m.addCon("first", a * a, -nl::INF, 1.0);           // a only
  m.addCon("tcon", b * ta + nl::exp(c), -nl::INF, 2.0);  // b and c
  m.addCon("second", 3.0 * c + 1.0, 0.0, nl::INF);    // c only
  m.write(dir.file("p"));
  amplAlloc();
  ASSERT_TRUE(amplRead(dir.file("p").c_str()));
  buildPartition();
  Vec flags(3, 7.0), x(3, 0.5), t(1, 0.5);
  auto pattern = [&](Request code, int n) {
    sipEvaluate(code, n, x.data(), t.data(), flags.data(), nullptr, nullptr, nullptr, &sipPartition);
    return flags;
  };
  EXPECT_EQ(pattern(Request::FinitePattern, 0), (Vec{1, 0, 0}));
  EXPECT_EQ(pattern(Request::FinitePattern, 1), (Vec{0, 0, 1}));
  EXPECT_EQ(pattern(Request::InfinitePattern, 0), (Vec{0, 1, 1}));
  // Second derivatives in x: a*a and exp(c); b*ta is linear in x.
  Vec hessian(9, 7.0);
  sipEvaluate(Request::HessianPattern, 0, x.data(), t.data(), hessian.data(), nullptr, nullptr, nullptr,
              &sipPartition);
  EXPECT_EQ(hessian, (Vec{1, 0, 0, 0, 0, 0, 0, 0, 1}));
  releasePartition();
  amplFree();
}

// A quadratic objective over constraints linear in x (at every t): the
// constraints' own pattern is empty, the whole one is not.
TEST(EvaluatorPattern, TheConstraintsPatternLeavesTheObjectiveOut) {
  TempDir dir;
  nl::Model m;
  nl::Expr a = nl::var(m.addVar("a")), ta = nl::var(m.addVar("ta", 0, 1)), b = nl::var(m.addVar("b"));
  m.minimize(a * a + b * b);
  m.addCon("tcon", a * nl::cos(3.0 * ta) + b * ta * ta, -nl::INF, 2.0);
  m.write(dir.file("p"));
  amplAlloc();
  ASSERT_TRUE(amplRead(dir.file("p").c_str()));
  buildPartition();
  Vec x(2, 0.5), t(1, 0.5), whole(4, 7.0), constraints(4, 7.0);
  sipEvaluate(Request::HessianPattern, 0, x.data(), t.data(), whole.data(), nullptr, nullptr, nullptr, &sipPartition);
  sipEvaluate(Request::ConstraintHessianPattern, 0, x.data(), t.data(), constraints.data(), nullptr, nullptr,
              nullptr, &sipPartition);
  EXPECT_EQ(whole, (Vec{1, 0, 0, 1}));
  EXPECT_EQ(constraints, Vec(4, 0.0));
  releasePartition();
  amplFree();
}

}  // namespace

namespace {

// pow(a, 1.5) has no second derivative at a = 0: a Hessian request there
// comes back as an evaluation error instead of ending the process.
TEST(EvaluatorHessian, ASecondDerivativeThatCannotBeEvaluatedIsAnError) {
  TempDir dir;
  nl::Model m;
  nl::Expr a = nl::var(m.addVar("a", 0, 1)), ta = nl::var(m.addVar("ta", 0, 1));
  m.minimize(a);
  m.addCon("tcon", nl::pow(a, 1.5) + ta, -nl::INF, 2.0);
  m.write(dir.file("h"));
  amplAlloc();
  ASSERT_TRUE(amplRead(dir.file("h").c_str()));
  buildPartition();
  Vec x(1, 0.0), t(1, 0.5), hxx(1), htt(1), hxt(1);
  int error = 0;
  sipEvaluate(Request::InfiniteHessian, 0, x.data(), t.data(), hxx.data(), htt.data(), hxt.data(),
              &error, &sipPartition);
  EXPECT_GT(error, 0);
  EXPECT_TRUE(std::isnan(hxx[0]));
  x[0] = 0.25;  // and where it can, the same request succeeds
  error = 0;
  sipEvaluate(Request::InfiniteHessian, 0, x.data(), t.data(), hxx.data(), htt.data(), hxt.data(),
              &error, &sipPartition);
  EXPECT_EQ(error, 0);
  EXPECT_NEAR(hxx[0], 1.5 * 0.5 / std::sqrt(0.25), 1e-12);
  releasePartition();
  amplFree();
}

}  // namespace
