// The interval rules: each operator's enclosure holds its values at points
// sampled in random boxes, the centred form follows the slope (its partial
// derivatives are right), rounding is outwards, and what is not defined
// somewhere in a box has no enclosure.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "verify/interval_evaluator.h"
#include "verify/interval_rules.h"

using namespace ormid;

namespace {

typedef std::function<double(const double*)> PointRule;

struct Case {
  const char* name;
  Op op;
  std::vector<std::pair<double, double>> domain;  // each argument's range
  PointRule f;
  bool pointLast = false;  // the last argument a constant (an exponent)
  bool smooth = true;      // differentiable all over the domain
};

const std::vector<Case>& cases() {
  static const std::vector<Case> all = {
      {"add", Op::Add, {{-3, 3}, {-3, 3}}, [](const double* a) { return a[0] + a[1]; }},
      {"subtract", Op::Subtract, {{-3, 3}, {-3, 3}}, [](const double* a) { return a[0] - a[1]; }},
      {"multiply", Op::Multiply, {{-3, 3}, {-3, 3}}, [](const double* a) { return a[0] * a[1]; }},
      {"divide", Op::Divide, {{-3, 3}, {0.5, 3}}, [](const double* a) { return a[0] / a[1]; }},
      {"divide by negatives", Op::Divide, {{-3, 3}, {-3, -0.5}}, [](const double* a) { return a[0] / a[1]; }},
      {"negate", Op::Negate, {{-3, 3}}, [](const double* a) { return -a[0]; }},
      {"cube", Op::Power, {{-2, 2}, {3, 3}}, [](const double* a) { return a[0] * a[0] * a[0]; }, true},
      {"inverse square", Op::Power, {{0.5, 2}, {-2, -2}}, [](const double* a) { return 1 / (a[0] * a[0]); }, true},
      {"power 2.5", Op::Power, {{0, 3}, {2.5, 2.5}}, [](const double* a) { return std::pow(a[0], 2.5); }, true},
      {"power -0.5", Op::Power, {{0.1, 3}, {-0.5, -0.5}}, [](const double* a) { return std::pow(a[0], -0.5); }, true},
      {"power 0.5", Op::Power, {{0.1, 3}, {0.5, 0.5}}, [](const double* a) { return std::sqrt(a[0]); }, true},
      {"variable power", Op::Power, {{0.1, 3}, {-2, 2}}, [](const double* a) { return std::pow(a[0], a[1]); }},
      {"sqrt", Op::Sqrt, {{0.01, 4}}, [](const double* a) { return std::sqrt(a[0]); }},
      {"exp", Op::Exp, {{-5, 5}}, [](const double* a) { return std::exp(a[0]); }},
      {"log", Op::Log, {{0.01, 10}}, [](const double* a) { return std::log(a[0]); }},
      {"log10", Op::Log10, {{0.01, 10}}, [](const double* a) { return std::log10(a[0]); }},
      {"sin", Op::Sin, {{-10, 10}}, [](const double* a) { return std::sin(a[0]); }},
      {"cos", Op::Cos, {{-10, 10}}, [](const double* a) { return std::cos(a[0]); }},
      {"tan", Op::Tan, {{-1.5, 1.5}}, [](const double* a) { return std::tan(a[0]); }},
      {"asin", Op::Asin, {{-0.99, 0.99}}, [](const double* a) { return std::asin(a[0]); }},
      {"acos", Op::Acos, {{-0.99, 0.99}}, [](const double* a) { return std::acos(a[0]); }},
      {"atan", Op::Atan, {{-10, 10}}, [](const double* a) { return std::atan(a[0]); }},
      {"atan2 right", Op::Atan2, {{-2, 2}, {0.1, 2}}, [](const double* a) { return std::atan2(a[0], a[1]); }},
      {"atan2 upper", Op::Atan2, {{0.1, 2}, {-2, 2}}, [](const double* a) { return std::atan2(a[0], a[1]); }},
      {"atan2 lower", Op::Atan2, {{-2, -0.1}, {-2, 2}}, [](const double* a) { return std::atan2(a[0], a[1]); }},
      {"atan2 anywhere", Op::Atan2, {{-2, 2}, {-2, 2}}, [](const double* a) { return std::atan2(a[0], a[1]); },
       false, false},
      {"sinh", Op::Sinh, {{-3, 3}}, [](const double* a) { return std::sinh(a[0]); }},
      {"cosh", Op::Cosh, {{-3, 3}}, [](const double* a) { return std::cosh(a[0]); }},
      {"tanh", Op::Tanh, {{-3, 3}}, [](const double* a) { return std::tanh(a[0]); }},
      {"asinh", Op::Asinh, {{-3, 3}}, [](const double* a) { return std::asinh(a[0]); }},
      {"acosh", Op::Acosh, {{1.01, 10}}, [](const double* a) { return std::acosh(a[0]); }},
      {"atanh", Op::Atanh, {{-0.99, 0.99}}, [](const double* a) { return std::atanh(a[0]); }},
      {"abs", Op::Abs, {{-2, 2}}, [](const double* a) { return std::fabs(a[0]); }, false, false},
      {"floor", Op::Floor, {{-3, 3}}, [](const double* a) { return std::floor(a[0]); }, false, false},
      {"ceil", Op::Ceil, {{-3, 3}}, [](const double* a) { return std::ceil(a[0]); }, false, false},
      {"sum", Op::Sum, {{-3, 3}, {-3, 3}, {-3, 3}}, [](const double* a) { return a[0] + a[1] + a[2]; }},
      {"min", Op::Min, {{-3, 3}, {-3, 3}, {-3, 3}}, [](const double* a) { return std::min({a[0], a[1], a[2]}); },
       false, false},
      {"max", Op::Max, {{-3, 3}, {-3, 3}, {-3, 3}}, [](const double* a) { return std::max({a[0], a[1], a[2]}); },
       false, false},
      {"if", Op::IfThenElse, {{0, 1}, {-3, 3}, {-3, 3}}, [](const double* a) { return a[0] != 0 ? a[1] : a[2]; },
       false, false},
      {"less", Op::Less, {{-1, 1}, {-1, 1}}, [](const double* a) { return double(a[0] < a[1]); }, false, false},
      {"less or equal", Op::LessEqual, {{-1, 1}, {-1, 1}}, [](const double* a) { return double(a[0] <= a[1]); },
       false, false},
      {"greater", Op::Greater, {{-1, 1}, {-1, 1}}, [](const double* a) { return double(a[0] > a[1]); }, false,
       false},
      {"greater or equal", Op::GreaterEqual, {{-1, 1}, {-1, 1}},
       [](const double* a) { return double(a[0] >= a[1]); }, false, false},
      {"equal", Op::Equal, {{-1, 1}, {-1, 1}}, [](const double* a) { return double(a[0] == a[1]); }, false, false},
      {"not equal", Op::NotEqual, {{-1, 1}, {-1, 1}}, [](const double* a) { return double(a[0] != a[1]); }, false,
       false},
  };
  return all;
}

struct RandomBoxes {
  std::mt19937 random{11};
  double in(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); }

  // A random sub-box of each argument's domain (sometimes a point).
  std::vector<Interval> box(const Case& c) {
    std::vector<Interval> b;
    for (size_t k = 0; k < c.domain.size(); ++k) {
      const auto& d = c.domain[k];
      double u = in(d.first, d.second), v = in(d.first, d.second);
      if ((c.pointLast && k + 1 == c.domain.size()) || in(0, 1) < 0.1) v = u;
      b.push_back(Interval(std::min(u, v), std::max(u, v)));
    }
    return b;
  }
  std::vector<double> pointIn(const std::vector<Interval>& b, int sample) {
    std::vector<double> p;
    for (const Interval& v : b)  // the corners first, then inside
      p.push_back(sample < 2 ? (sample ? v.upper() : v.lower()) : in(v.lower(), v.upper()));
    return p;
  }
};

TEST(IntervalRules, EveryOperatorsEnclosureHoldsSampledValues) {
  RandomBoxes r;
  for (const Case& c : cases()) {
    for (int trial = 0; trial < 300; ++trial) {
      std::vector<Interval> b = r.box(c);
      Interval out;
      ASSERT_TRUE(applyRule(c.op, b.data(), (int)b.size(), &out)) << c.name;
      for (int s = 0; s < 30; ++s) {
        std::vector<double> p = r.pointIn(b, s);
        const double v = c.f(p.data());
        ASSERT_TRUE(out.lower() <= v && v <= out.upper())
            << c.name << ": " << v << " outside [" << out.lower() << ", " << out.upper() << "]";
      }
    }
  }
}

// An expression of the case's operator on variables 0..n-1 (the constant
// exponent a constant node), minus the slopes k . v at the centre.
Expression minusSlopes(const Case& c, const std::vector<double>& k) {
  Expression e;
  std::vector<int> args;
  for (size_t i = 0; i < c.domain.size(); ++i)
    args.push_back(c.pointLast && i + 1 == c.domain.size() ? e.constant(c.domain[i].first) : e.variable((int)i));
  int root = e.apply(c.op, args);
  for (size_t i = 0; i < k.size(); ++i) root = e.apply(Op::Subtract, {root, e.apply(Op::Multiply, {e.constant(k[i]), e.variable((int)i)})});
  return e;
}

// g(v) - g'(c) v is flat to first order at c: over a box of width w about c
// the centred form is far narrower than |g'(c)| w, which wrong partial
// derivatives (magnitude or sign) would not give; and it stays sound.
TEST(IntervalRules, TheCentredFormFollowsTheSlope) {
  RandomBoxes r;
  const double w = 1e-4, h = 1e-7;
  for (const Case& c : cases()) {
    if (!c.smooth) continue;
    const int n = (int)c.domain.size() - (c.pointLast ? 1 : 0);
    for (int trial = 0; trial < 20; ++trial) {
      std::vector<double> centre(c.domain.size());
      for (size_t i = 0; i < centre.size(); ++i)
        centre[i] = c.pointLast && (int)i == n ? c.domain[i].first : r.in(c.domain[i].first + w, c.domain[i].second - w);
      std::vector<double> slope(n);
      double scale = 0;
      for (int i = 0; i < n; ++i) {
        std::vector<double> up = centre, down = centre;
        up[i] += h, down[i] -= h;
        slope[i] = (c.f(up.data()) - c.f(down.data())) / (2 * h);
        scale += std::fabs(slope[i]) * w;
      }
      Expression e = minusSlopes(c, slope);
      std::vector<Interval> vars;
      std::vector<int> box;
      for (int i = 0; i < n; ++i) vars.push_back(Interval(centre[i] - w / 2, centre[i] + w / 2)), box.push_back(i);
      Interval out;
      ASSERT_TRUE(boxEnclosure(e, vars, box, &out)) << c.name;
      EXPECT_LE(out.upper() - out.lower(), 0.02 * scale + 10 * w * w) << c.name << " at " << centre[0];
      for (int s = 0; s < 10; ++s) {
        std::vector<double> p = centre;
        for (int i = 0; i < n; ++i) p[i] = r.in(vars[i].lower(), vars[i].upper());
        double v = c.f(p.data());
        for (int i = 0; i < n; ++i) v -= slope[i] * p[i];
        EXPECT_TRUE(out.lower() <= v && v <= out.upper()) << c.name;
      }
    }
  }
}

// The exact results, held exactly in long double (64-bit significands).
TEST(IntervalRules, RoundingIsOutwardsAndTight) {
  const Interval sum = Interval(0.1, 0.3) + Interval(0.2);
  const long double exactLow = (long double)0.1 + (long double)0.2;
  EXPECT_LE((long double)sum.lower(), exactLow);
  EXPECT_LT(sum.lower(), 0.1 + 0.2);  // round-to-nearest lies above the exact sum
  EXPECT_EQ(sum.lower(), std::nextafter(0.1 + 0.2, 0.0));  // the next double down, no further
  EXPECT_GE((long double)sum.upper(), (long double)0.3 + (long double)0.2);

  const Interval third = Interval(1.0) / Interval(3.0);
  EXPECT_LE((long double)third.lower() * 3, 1.0L);
  EXPECT_GE((long double)third.upper() * 3, 1.0L);
  EXPECT_EQ(third.upper(), std::nextafter(third.lower(), 1.0));

  const Interval product = Interval(0.1) * Interval(3.0);
  EXPECT_LE((long double)product.lower(), (long double)0.1 * 3);
  EXPECT_GE((long double)product.upper(), (long double)0.1 * 3);
  EXPECT_LT(product.lower(), product.upper());

  const Interval exact = Interval(0.5) + Interval(0.25);  // representable: a point
  EXPECT_EQ(exact.lower(), 0.75);
  EXPECT_EQ(exact.upper(), 0.75);

  Interval e;
  const Interval one(1.0);
  ASSERT_TRUE(applyRule(Op::Exp, &one, 1, &e));
  EXPECT_LE((long double)e.lower(), std::exp(1.0L));
  EXPECT_GE((long double)e.upper(), std::exp(1.0L));
  EXPECT_LT(e.upper() - e.lower(), 1e-14);
}

TEST(IntervalRules, NoEnclosureWhereTheOperatorIsUndefinedOrUnbounded) {
  struct Bad {
    Op op;
    std::vector<Interval> args;
  } bad[] = {
      {Op::Log, {Interval(0.0, 1.0)}},          {Op::Log10, {Interval(-1.0, 2.0)}},
      {Op::Sqrt, {Interval(-1e-300, 1.0)}},     {Op::Divide, {Interval(1.0), Interval(-1.0, 1.0)}},
      {Op::Asin, {Interval(0.5, 1.5)}},         {Op::Acos, {Interval(-1.5, 0.0)}},
      {Op::Acosh, {Interval(0.5, 2.0)}},        {Op::Atanh, {Interval(0.5, 1.0)}},
      {Op::Tan, {Interval(1.5, 1.6)}},          {Op::Power, {Interval(-1.0, 1.0), Interval(0.5)}},
      {Op::Power, {Interval(-1.0, 1.0), Interval(-1.0)}},
      {Op::Power, {Interval(-1.0, 2.0), Interval(1.0, 2.0)}},
      {Op::Exp, {Interval(1000.0, 1001.0)}},  // overflows: unbounded
  };
  for (const Bad& b : bad) {
    Interval out;
    EXPECT_FALSE(applyRule(b.op, b.args.data(), (int)b.args.size(), &out)) << (int)b.op;
  }
}

TEST(IntervalRules, ConditionsDecideBranchesOnlyWhenTheBoxDoes) {
  Interval out;
  const std::vector<Interval> apart = {Interval(0.0, 1.0), Interval(2.0, 3.0)};
  ASSERT_TRUE(applyRule(Op::Less, apart.data(), 2, &out));
  EXPECT_TRUE(conditionTrue(out));
  const std::vector<Interval> overlapping = {Interval(0.0, 2.5), Interval(2.0, 3.0)};
  ASSERT_TRUE(applyRule(Op::Less, overlapping.data(), 2, &out));
  EXPECT_FALSE(conditionTrue(out) || conditionFalse(out));

  const std::vector<Interval> decided = {Interval(1.0), Interval(5.0, 6.0), Interval(-9.0)};
  ASSERT_TRUE(applyRule(Op::IfThenElse, decided.data(), 3, &out));
  EXPECT_EQ(out.lower(), 5.0);
  EXPECT_EQ(out.upper(), 6.0);
  const std::vector<Interval> undecided = {Interval(0.0, 1.0), Interval(5.0, 6.0), Interval(-9.0)};
  ASSERT_TRUE(applyRule(Op::IfThenElse, undecided.data(), 3, &out));
  EXPECT_EQ(out.lower(), -9.0);
  EXPECT_EQ(out.upper(), 6.0);
}

}  // namespace
