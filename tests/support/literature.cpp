#include "literature.h"

#include <stdexcept>

using namespace nl;

namespace {

const char* WATSON =
    "G. A. Watson, Numerical experiments with globally convergent methods for "
    "semi-infinite programming problems, in: A. V. Fiacco, K. O. Kortanek (eds.), "
    "Semi-Infinite Programming and Applications, Lecture Notes in Economics and "
    "Mathematical Systems 215, Springer, 1983, pp. 193-205";

LiteratureProblem watson1() {
  LiteratureProblem p{"watson1", std::string(WATSON) + ", problem 1", 0.194466,
                     {-0.75, -0.618034}, Model()};
  Model& m = p.model;
  Expr x1 = var(m.addVar("x1", -INF, INF, -1.0));
  Expr x2 = var(m.addVar("x2", -INF, INF, 0.0));
  Expr t = var(m.addVar("t", 0.0, 1.0, 0.0));
  m.minimize(x1 * x1 / 3.0 + x2 * x2 + x1 / 2.0);
  m.addCon("tcon", pow(1.0 - x1 * x1 * t * t, 2.0) - x1 * t * t - x2 * x2 + x2, -INF, 0.0);
  return p;
}

LiteratureProblem watson3() {
  LiteratureProblem p{"watson3", std::string(WATSON) + ", problem 3", 5.334687,
                     {-0.213313, -1.361450, 1.853547}, Model()};
  Model& m = p.model;
  Expr x1 = var(m.addVar("x1", -INF, INF, 1.0));
  Expr x2 = var(m.addVar("x2", -INF, INF, 1.0));
  Expr x3 = var(m.addVar("x3", -INF, INF, 1.0));
  Expr t = var(m.addVar("t", 0.0, 1.0, 0.0));
  m.minimize(x1 * x1 + x2 * x2 + x3 * x3);
  m.addCon("tcon", x1 + x2 * exp(x3 * t) + exp(2.0 * t) - 2.0 * sin(4.0 * t), -INF, 0.0);
  return p;
}

// min sum x_i / i  s.t.  g(t) <= sum x_i t^(i-1) on [0, 1]: one-sided
// polynomial approximation from above.
LiteratureProblem polynomialFromAbove(const std::string& name, const std::string& source,
                                      double optimum, std::vector<double> x, Expr (*g)(Expr)) {
  const int n = (int)x.size();
  LiteratureProblem p{name, source, optimum, x, Model()};
  Model& m = p.model;
  std::vector<Expr> xs;
  for (int i = 1; i <= n; ++i)
    xs.push_back(var(m.addVar("x[" + std::to_string(i) + "]", -INF, INF, 1.0)));
  Expr t = var(m.addVar("t", 0.0, 1.0, 0.0));
  Expr objective = xs[0];
  Expr poly = xs[0];
  for (int i = 1; i < n; ++i) {
    objective = objective + xs[i] / double(i + 1);
    poly = poly + xs[i] * pow(t, double(i));
  }
  m.minimize(objective);
  m.addCon("tcon", g(t) - poly, -INF, 0.0);
  return p;
}

Expr tangent(Expr t) { return sin(t) / cos(t); }
Expr exponential(Expr t) { return exp(t); }

}  // namespace

std::vector<LiteratureProblem> literatureProblems() {
  std::vector<LiteratureProblem> all;
  all.push_back(watson1());
  all.push_back(watson3());
  std::string w(WATSON);
  all.push_back(polynomialFromAbove("watson4a", w + ", problem 4 with n = 3", 0.649042,
                                    {0.088959, 0.423600, 1.044849}, tangent));
  all.push_back(polynomialFromAbove("watson4b", w + ", problem 4 with n = 6", 0.616085,
                                    {0.0, 1.023404, -0.241829, 1.225285, -1.392588, 0.943136},
                                    tangent));
  all.push_back(polynomialFromAbove(
      "watson4c", w + ", problem 4 with n = 8", 0.615653,
      {0.0, 1.003029, -0.055369, 0.721269, -1.332553, 2.548243, -2.240971, 0.913760}, tangent));
  all.push_back(polynomialFromAbove("watson5", w + ", problem 5", 1.726280,
                                    {1.028527, 0.807005, 0.882749}, exponential));
  return all;
}

const LiteratureProblem& literatureProblem(const std::string& name) {
  static const std::vector<LiteratureProblem> all = literatureProblems();
  for (const LiteratureProblem& p : all)
    if (p.name == name) return p;
  throw std::runtime_error("no literature problem " + name);
}
