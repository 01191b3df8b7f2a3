// The expression graphs read back from .nl files: every operator the format
// writes for smooth models, defined variables and linear parts, against the
// model's own values; and what has no interval rule named, not guessed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "ampl/ampl_model.h"
#include "ampl/expression_reader.h"
#include "ampl/partition.h"
#include "harness.h"
#include "nl_writer.h"
#include "verify/interval_evaluator.h"

using namespace ormid;

namespace {

using nl::apply;
using nl::Expr;
using nl::num;

// x in [0.2, 0.8], ta and tb in [0.1, 0.9]: every argument below stays in
// its operator's domain.
nl::Model everyOperator() {
  nl::Model m;
  Expr x = nl::var(m.addVar("x", 0.2, 0.8, 0.5));
  Expr a = nl::var(m.addVar("ta", 0.1, 0.9, 0.5));
  Expr b = nl::var(m.addVar("tb", 0.1, 0.9, 0.5));
  const int d = m.addDefined(a * b + nl::sin(x), {{0, 2.0}, {1, -0.5}});
  const std::vector<std::pair<std::string, Expr>> bodies = {
      {"tarith", (a + b) * x - a / (b + 1) - (-x)},
      {"tpowers", nl::pow(a, x) + nl::pow(a, 2.5) + apply(nl::POW, {b, num(2)}) + nl::pow(num(2), b) +
                     nl::pow(a, -3.0) + nl::sqrt(b)},
      {"texplog", nl::exp(a) + nl::log(b) + apply(nl::LOG10, {a})},
      {"ttrig", nl::sin(a) + nl::cos(b) + apply(nl::TAN, {a}) + apply(nl::ASIN, {b}) +
                    apply(nl::ACOS, {a}) + apply(nl::ATAN, {b}) + apply(nl::ATAN2, {a - 0.5, b - 0.5})},
      {"thyper", apply(nl::SINH, {a}) + apply(nl::COSH, {b}) + apply(nl::TANH, {a}) +
                     apply(nl::ASINH, {b}) + apply(nl::ACOSH, {a + 1}) + apply(nl::ATANH, {b})},
      {"tlists", apply(nl::MINLIST, {a, b, x}) + apply(nl::MAXLIST, {a, b, x}) +
                     apply(nl::SUMLIST, {a, b, x, num(1)}) + nl::abs(a - b)},
      {"tpieces", apply(nl::FLOOR, {3 * a}) + apply(nl::CEIL, {3 * b}) + apply(nl::LESS, {a, b})},
      {"tif", apply(nl::IF, {apply(nl::AND, {apply(nl::LT, {a, b}), apply(nl::NOT, {apply(nl::GE, {x, a})})}),
                             a * b, a - b}) +
                  apply(nl::IF, {apply(nl::OR, {apply(nl::LE, {a, num(0.5)}), apply(nl::EQ, {b, num(0.3)})}),
                                 nl::exp(b), num(1)}) +
                  apply(nl::IF, {apply(nl::NE, {a, b}), num(2), num(3)}) +
                  apply(nl::IF, {apply(nl::GT, {a, num(0.4)}), b, num(-1)})},
      {"tdefined", nl::defined(d) * a + nl::defined(d)},
  };
  for (const auto& body : bodies) m.addCon(body.first, body.second, -nl::INF, 0.0);
  m.cons.back().linear = {{0, 3.0}, {2, -1.5}};  // and a linear part of the constraint's own
  m.minimize(x);
  return m;
}

struct ReadModel {
  TempDir dir;
  std::vector<Expression> graphs;
  std::string why;

  explicit ReadModel(const nl::Model& m) {
    m.write(dir.file("m"));
    amplAlloc();
    EXPECT_TRUE(amplRead(dir.file("m").c_str()));
    buildPartition();
    EXPECT_TRUE(readConstraintExpressions(dir.file("m").c_str(), &graphs, &why)) << why;
  }
  ~ReadModel() {
    releasePartition();
    amplFree();
  }
};

TEST(ExpressionReader, EveryOperatorAgreesWithTheModelsValues) {
  const nl::Model m = everyOperator();
  ReadModel read(m);
  ASSERT_EQ(read.graphs.size(), m.cons.size());
  std::mt19937 random(7);
  std::uniform_real_distribution<double> inX(0.2, 0.8), inT(0.1, 0.9);
  for (int sample = 0; sample < 50; ++sample) {
    std::vector<double> full = {inX(random), inT(random), inT(random)};
    if (sample == 0) full = {0.5, 0.3, 0.3};  // the equality branches taken
    const std::vector<Interval> point = {Interval(full[0]), Interval(full[1]), Interval(full[2])};
    for (size_t i = 0; i < m.cons.size(); ++i) {
      int error = 0;
      const double value = amplConival((int)i, full.data(), &error);
      ASSERT_EQ(error, 0);
      EXPECT_TRUE(read.graphs[i].unsupported.empty()) << read.graphs[i].unsupported;
      Interval g;
      ASSERT_TRUE(naturalEnclosure(read.graphs[i], point, &g)) << m.cons[i].name;
      // The model's own value rounds differently, so a few ulp either way.
      const double slack = 1e-13 * (1 + std::fabs(value));
      EXPECT_LE(g.lower(), value + slack) << m.cons[i].name;
      EXPECT_GE(g.upper(), value - slack) << m.cons[i].name;
      EXPECT_LE(g.upper() - g.lower(), slack) << m.cons[i].name;
    }
  }
}

// A box's enclosure holds the model's values at points of the box.
TEST(ExpressionReader, BoxEnclosuresHoldTheModelsValuesInTheBox) {
  const nl::Model m = everyOperator();
  ReadModel read(m);
  std::mt19937 random(3);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int trial = 0; trial < 20; ++trial) {
    const double x = 0.2 + 0.6 * unit(random), lo = 0.1 + 0.7 * unit(random), width = 0.1 * unit(random);
    const std::vector<Interval> box = {Interval(x), Interval(lo, lo + width), Interval(lo, lo + width)};
    for (size_t i = 0; i < m.cons.size(); ++i) {
      Interval g;
      ASSERT_TRUE(boxEnclosure(read.graphs[i], box, {1, 2}, &g)) << m.cons[i].name;
      for (int s = 0; s < 20; ++s) {
        std::vector<double> full = {x, lo + width * unit(random), lo + width * unit(random)};
        int error = 0;
        const double value = amplConival((int)i, full.data(), &error);
        EXPECT_TRUE(g.lower() <= value && value <= g.upper()) << m.cons[i].name << " " << value;
      }
    }
  }
}

TEST(ExpressionReader, AnOperatorWithoutARuleAndAnImportedFunctionAreNamed) {
  nl::Model m;
  const int spline = m.addFunction("cspline");
  Expr t = nl::var(m.addVar("t", 0, 1, 0.5));
  m.addCon("tround", apply(nl::ROUND, {t, num(1)}), -nl::INF, 0.0);
  std::vector<Expr> args = {t, num(8)};  // 8 knots i/7, values i^2
  for (int i = 0; i < 8; ++i) args.push_back(num(i / 7.0));
  for (int i = 0; i < 8; ++i) args.push_back(num(i * i));
  m.addCon("tspline", nl::call(spline, args) + t, -nl::INF, 1.0);
  m.addCon("tplain", t * t, -nl::INF, 1.0);
  setenv("AMPLFUNC", splinesPath().c_str(), 1);
  ReadModel read(m);
  unsetenv("AMPLFUNC");
  ASSERT_EQ(read.graphs.size(), 3u);
  EXPECT_EQ(read.graphs[0].unsupported, "operator round");
  EXPECT_EQ(read.graphs[1].unsupported, "imported function cspline");
  EXPECT_EQ(read.graphs[2].unsupported, "");
}

}  // namespace
