// The model's compiled graphs: exact gradients and Hessians against central
// differences for every operator, the structure read off the graph, batched
// values and the interval enclosures verify works on.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "model/model_graph.h"
#include "ormid/model.h"

using namespace ormid;

namespace {

typedef std::vector<double> Vec;
typedef std::function<Expr(const Expr& a, const Expr& b, const Expr& t)> Formula;

// One infinite constraint g(x0, x1, t) compiled as the library sees it.
struct Compiled {
  Model m;
  std::unique_ptr<GraphProblem> p;
  explicit Compiled(const Formula& g) {
    Expr a = m.variable(), b = m.variable(), t = m.infiniteVariable(0, 1);
    m.subjectTo(g(a, b, t) + 0.0 * t <= 0);
    p.reset(new GraphProblem(m.graph()->graphModel()));
  }
  double value(const Vec& x, double t) {
    return p->evaluate(Request::InfiniteValue, 0, x.data(), &t, nullptr, nullptr, nullptr);
  }
  // (d/dx0, d/dx1, d/dt)
  Vec gradient(const Vec& x, double t) {
    Vec gx(2), gt(1);
    p->evaluate(Request::InfiniteGradient, 0, x.data(), &t, gx.data(), gt.data(), nullptr);
    return {gx[0], gx[1], gt[0]};
  }
  // The 3 x 3 Hessian in (x0, x1, t), row by row.
  Vec hessian(const Vec& x, double t) {
    Vec xx(4), tt(1), xt(2);
    p->evaluate(Request::InfiniteHessian, 0, x.data(), &t, xx.data(), tt.data(), xt.data());
    return {xx[0], xx[1], xt[0], xx[2], xx[3], xt[1], xt[0], xt[1], tt[0]};
  }
};

const Vec X{0.7, 0.4};
const double T = 0.3, STEP = 1e-6;

void expectDerivativesMatchDifferences(const std::string& name, const Formula& g) {
  SCOPED_TRACE(name);
  Compiled c(g);
  auto at = [&](int k, double h) {
    Vec x = X;
    double t = T;
    (k < 2 ? x[k] : t) += h;
    return std::make_pair(x, t);
  };
  const Vec grad = c.gradient(X, T), hess = c.hessian(X, T);
  for (int k = 0; k < 3; ++k) {
    auto up = at(k, STEP), down = at(k, -STEP);
    const double difference = (c.value(up.first, up.second) - c.value(down.first, down.second)) / (2 * STEP);
    EXPECT_NEAR(grad[k], difference, 1e-7 * std::max(1.0, std::fabs(difference))) << "d/d" << k;
    const Vec gu = c.gradient(up.first, up.second), gd = c.gradient(down.first, down.second);
    for (int j = 0; j < 3; ++j)
      EXPECT_NEAR(hess[j * 3 + k], (gu[j] - gd[j]) / (2 * STEP), 1e-6 * std::max(1.0, std::fabs(hess[j * 3 + k])))
          << "d2/d" << j << "d" << k;
  }
}

}  // namespace

TEST(ModelGraph, GradientsAndHessiansMatchDifferencesForEveryOperator) {
  const std::vector<std::pair<std::string, Formula>> cases = {
      {"+ - *", [](const Expr& a, const Expr& b, const Expr& t) { return a * b - t * a + b * b * t; }},
      {"/", [](const Expr& a, const Expr& b, const Expr& t) { return (a + t) / (b + 1.0) - 1.0 / (a * t); }},
      {"negate", [](const Expr& a, const Expr& b, const Expr& t) { return -(a * b * t); }},
      {"pow const", [](const Expr& a, const Expr& b, const Expr& t) { return pow(a * t + b, 3.5) + pow(a, 2.0); }},
      {"pow var", [](const Expr& a, const Expr& b, const Expr& t) { return pow(a + t, b) + pow(2.0, a * t); }},
      {"sqrt", [](const Expr& a, const Expr& b, const Expr& t) { return sqrt(a * b + t); }},
      {"exp log", [](const Expr& a, const Expr& b, const Expr& t) { return exp(a * t) * log(b + t); }},
      {"log10", [](const Expr& a, const Expr& b, const Expr& t) { return log10(a * b + t); }},
      {"sin cos tan", [](const Expr& a, const Expr& b, const Expr& t) { return sin(a * t) * cos(b) + tan(a * b); }},
      {"asin acos atan",
       [](const Expr& a, const Expr& b, const Expr& t) { return asin(a * t) + acos(b * t) * atan(a * b); }},
      {"atan2", [](const Expr& a, const Expr& b, const Expr& t) { return atan2(a * t - b, b + t); }},
      {"sinh cosh tanh",
       [](const Expr& a, const Expr& b, const Expr& t) { return sinh(a * t) + cosh(b * a) * tanh(t - b); }},
      {"asinh acosh atanh",
       [](const Expr& a, const Expr& b, const Expr& t) { return asinh(a * t) + acosh(1.5 + b * t) + atanh(a * b); }},
      {"abs min max",
       [](const Expr& a, const Expr& b, const Expr& t) { return abs(a * t - b) + min(a * a, b * t) + max(a, t * b); }},
      {"sum dot", [](const Expr& a, const Expr& b, const Expr& t) { return sum({a * t, b * b, 2.0}) + dot({a, b}, {t, t * t}); }},
  };
  for (const auto& c : cases) expectDerivativesMatchDifferences(c.first, c.second);
}

// A constraint linear in x adds nothing to the Hessian pattern, however it
// depends on t; a product of two x adds their pair.
TEST(ModelGraph, StructureComesFromTheGraph) {
  Model m;
  std::vector<Expr> x = m.variables(3);
  Expr t = m.infiniteVariable(0, 1);
  m.minimize(x[0]);
  m.subjectTo(x[0] * cos(3.0 * t) + x[1] * exp(t) <= 1);
  m.subjectTo(x[2] - x[1] >= 0);
  GraphProblem linear(m.graph()->graphModel());
  const Problem& p = linear.problem();
  ASSERT_EQ(p.mt, 1);
  ASSERT_EQ(p.mx, 1);
  Vec flags(9, 1.0), x0(3, 0.5);
  linear.evaluate(Request::HessianPattern, 0, x0.data(), nullptr, flags.data(), nullptr, nullptr);
  EXPECT_EQ(flags, Vec(9, 0.0));
  Vec deps(3, 1.0);
  linear.evaluate(Request::InfinitePattern, 0, x0.data(), nullptr, deps.data(), nullptr, nullptr);
  EXPECT_EQ(deps, (Vec{1, 1, 0}));

  m.subjectTo(x[0] * x[2] * t <= 2);
  m.minimize(x[1] * x[1]);
  GraphProblem curved(m.graph()->graphModel());
  curved.evaluate(Request::HessianPattern, 0, x0.data(), nullptr, flags.data(), nullptr, nullptr);
  EXPECT_EQ(flags, (Vec{0, 0, 1, 0, 1, 0, 1, 0, 0}));
  curved.evaluate(Request::ConstraintHessianPattern, 0, x0.data(), nullptr, flags.data(), nullptr, nullptr);
  EXPECT_EQ(flags, (Vec{0, 0, 1, 0, 0, 0, 1, 0, 0}));
}

TEST(ModelGraph, BatchedValuesAndEnclosuresAgreeWithPointValues) {
  Compiled c([](const Expr& a, const Expr& b, const Expr& t) { return exp(a * b) * sin(5.0 * t) + sqrt(t + b); });
  const Problem& p = c.p->problem();
  Vec ts{0.0, 0.1, 0.35, 0.8, 1.0}, batch(ts.size());
  ASSERT_TRUE(p.evaluateBatch(0, (int)ts.size(), X.data(), ts.data(), batch.data(), p.data));
  double lower, upper;
  const double lo = 0.3, hi = 0.45;
  ASSERT_TRUE(p.evaluateInterval(0, X.data(), &lo, &hi, &lower, &upper, p.data));
  for (size_t k = 0; k < ts.size(); ++k) EXPECT_DOUBLE_EQ(batch[k], c.value(X, ts[k]));
  for (double t = lo; t <= hi; t += 0.01) {
    EXPECT_LE(lower, c.value(X, t));
    EXPECT_GE(upper, c.value(X, t));
  }
  EXPECT_LT(upper - lower, 0.5);
}

TEST(ModelGraph, AnErrorIsNaNAndTheModelIsChecked) {
  Compiled c([](const Expr& a, const Expr&, const Expr& t) { return log(a - 1.0) + t; });
  int error = 0;
  const double t = 0.5;
  const Problem& p = c.p->problem();
  EXPECT_TRUE(std::isnan(p.evaluate(Request::InfiniteValue, 0, X.data(), &t, nullptr, nullptr, nullptr, &error, p.data)));
  EXPECT_NE(error, 0);

  Model m;
  Expr x = m.variable(), s = m.infiniteVariable(0, 1);
  m.minimize(x * s);
  EXPECT_EQ(m.solve().status, Status::InvalidInput);
  Model other;
  EXPECT_THROW(x + other.variable(), std::invalid_argument);
}
