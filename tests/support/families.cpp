#include "families.h"

#include <cmath>
#include <stdexcept>

using namespace nl;

const double FAMILY_T_UPPER = 3.14159265358979323846;

double MinimaxApproximation::target(const double* t) const {
  double s = a, product = v;
  for (int i = 0; i < dim; ++i) {
    s -= weights[i] * std::cos(t[i]);
    product *= std::cos(t[i]);
  }
  return c / (s - product);
}

double MinimaxApproximation::basis(int k, const double* t) const {
  double p = 1;
  for (int i = 0; i < dim; ++i)
    if (frequencies[k][i] != 0) p *= std::cos(frequencies[k][i] * t[i]);
  return p;
}

double MinimaxApproximation::error(const std::vector<double>& coefficients, const double* t) const {
  double e = target(t);
  for (int k = 0; k < terms(); ++k) e -= coefficients[k] * basis(k, t);
  return e;
}

// With w_i, v >= 0 the denominator is smallest where every cosine is one.
double MinimaxApproximation::targetMax() const {
  double sum = v;
  for (double w : weights) sum += w;
  return c / (a - sum);
}

namespace {

// The rows (j_1 .. j_d) of total degree at most `degree`, by degree, then
// with the first coordinate's frequency falling.
std::vector<std::vector<int>> totalDegree(int dim, int degree) {
  std::vector<std::vector<int>> rows;
  for (int total = 0; total <= degree; ++total) {
    // Every composition of `total` into dim parts.
    std::vector<std::vector<int>> level;
    std::vector<int> cur(dim, 0);
    struct Walk {
      int dim;
      std::vector<std::vector<int>>& out;
      std::vector<int>& cur;
      void go(int i, int left) {
        if (i == dim - 1) {
          cur[i] = left;
          out.push_back(cur);
          return;
        }
        for (int v = left; v >= 0; --v) {
          cur[i] = v;
          go(i + 1, left - v);
        }
      }
    } walk{dim, level, cur};
    walk.go(0, total);
    rows.insert(rows.end(), level.begin(), level.end());
  }
  return rows;
}

// Chebyshev approximation of 1/(a - s) on [-1, 1] (s = cos t) by polynomials
// of degree n - 1. Its error of best approximation is known in closed form,
// c rho^(n-1) / (a^2 - 1) with rho = a - sqrt(a^2 - 1) (P. L. Chebyshev; see
// N. I. Achieser, Theory of Approximation, Ungar, New York, 1956, the best
// approximation of 1/(x - a)), which bench/verify_optima checks its values
// against. With a = 1.01 the optimum falls from 0.37 (n = 8) to 1.6e-8
// (n = 128).
const char* ONE_D_SOURCE =
    "Chebyshev approximation of 1/(a - cos t) by cosine sums; error of best approximation in "
    "closed form: N. I. Achieser, Theory of Approximation, Ungar, New York, 1956";

// Multivariate Chebyshev approximation as a semi-infinite program: R. Hettich,
// K. O. Kortanek, Semi-infinite programming: theory, methods, and
// applications, SIAM Review 35 (1993) 380-429. The functions and degrees are
// this benchmark's own; their optima come from bench/verify_optima only.
const char* MULTI_D_SOURCE =
    "multivariate Chebyshev approximation as a semi-infinite program (R. Hettich, K. O. "
    "Kortanek, Semi-infinite programming: theory, methods, and applications, SIAM Review 35 "
    "(1993) 380-429); function and degree constructed for this benchmark";

MinimaxApproximation oneDimensional(int n, double optimum, std::vector<double> x = {}) {
  MinimaxApproximation m;
  m.name = "minimax_n" + std::to_string(n);
  m.source = ONE_D_SOURCE;
  m.dim = 1;
  m.a = 1.01;
  m.c = 0.0201;  // a^2 - 1: f runs from 0.01 to 2.01
  m.weights = {1.0};
  for (int k = 0; k < n; ++k) m.frequencies.push_back({k});
  m.optimum = optimum;
  m.x = std::move(x);
  return m;
}

MinimaxApproximation multiDimensional(int dim, int degree, double optimum) {
  MinimaxApproximation m;
  m.name = "minimax" + std::to_string(dim) + "_d" + std::to_string(degree);
  m.source = MULTI_D_SOURCE;
  m.dim = dim;
  // The product term keeps f from being a function of one linear form of
  // the cosines (a ridge function), whose best approximations err by the
  // same amount along whole curves of T: with it the maximisers of the
  // optimum's error are isolated points.
  if (dim == 2) {
    m.a = 1.1, m.c = 0.1;  // f from 0.07 to 1
    m.weights = {0.5, 0.3};
    m.v = 0.2;
  } else {
    m.a = 1.2, m.c = 0.2;  // f from 0.1 to 1
    m.weights = {0.4, 0.3, 0.2};
    m.v = 0.1;
  }
  m.frequencies = totalDegree(dim, degree);
  m.optimum = optimum;
  return m;
}

// The optimal values below are printed by bench/verify_optima (its output
// in bench/optima.txt): a linear program on a grid of T, refined at the
// error's maximisers and by Newton's method on the optimality conditions,
// until a lower bound (the multipliers of the program's exact solution or of
// Newton's, in quadruple precision) and the largest error of the solution
// (an upper bound) agree to 1e-13 relative; the largest error on a ten
// times finer grid agrees to 1e-12 (to 1e-24 or better here). The
// one-dimensional values agree with the closed form to 1e-24.
std::vector<MinimaxApproximation> build() {
  std::vector<MinimaxApproximation> all;
  all.push_back(oneDimensional(
      8, 0.37190144730803559,
      {0.14177446878757819, 0.24618442695090794, 0.21374360486567767, 0.18557765487776096,
       0.16112325798739947, 0.13989132625678597, 0.12145722105130819, 0.42834659191454423}));
  all.push_back(oneDimensional(12, 0.21132850418322299));
  all.push_back(oneDimensional(16, 0.12008486926733598));
  all.push_back(oneDimensional(24, 0.038774723603076433));
  all.push_back(oneDimensional(32, 0.012520138462639194));
  all.push_back(oneDimensional(48, 0.0013053590188343205));
  all.push_back(oneDimensional(64, 0.00013609770955303889));
  all.push_back(oneDimensional(96, 1.4794234585229056e-06));
  all.push_back(oneDimensional(128, 1.6081782542967159e-08));
  all.push_back(multiDimensional(2, 2, 0.2144660407505051));
  all.push_back(multiDimensional(2, 3, 0.14323652892388447));
  all.push_back(multiDimensional(2, 4, 0.095674005995481801));
  all.push_back(multiDimensional(2, 5, 0.063913796623439684));
  all.push_back(multiDimensional(2, 6, 0.04270029443237508));
  all.push_back(multiDimensional(3, 2, 0.15146005919204988));
  all.push_back(multiDimensional(3, 3, 0.086301771670191998));
  return all;
}

// Sums a list pairwise, so that the expression's depth grows with log n.
Expr balancedSum(const std::vector<Expr>& terms, size_t from, size_t to) {
  if (to - from == 1) return terms[from];
  size_t mid = from + (to - from) / 2;
  return balancedSum(terms, from, mid) + balancedSum(terms, mid, to);
}

}  // namespace

const std::vector<MinimaxApproximation>& minimaxApproximations() {
  static const std::vector<MinimaxApproximation> all = build();
  return all;
}

const MinimaxApproximation& minimaxApproximation(const std::string& name) {
  for (const MinimaxApproximation& m : minimaxApproximations())
    if (m.name == name) return m;
  throw std::runtime_error("no family member " + name);
}

LiteratureProblem minimaxProblem(const MinimaxApproximation& a) {
  LiteratureProblem p{a.name, a.source, a.optimum, {}, Model()};
  if (!a.x.empty()) {
    p.x = a.x;
    p.x.push_back(a.optimum);
  }
  Model& m = p.model;
  std::vector<Expr> x;
  for (int k = 1; k <= a.terms(); ++k)
    x.push_back(var(m.addVar("x[" + std::to_string(k) + "]", -INF, INF, 0.0)));
  // The start (x = 0) is feasible with a quarter to spare.
  Expr z = var(m.addVar("z", -INF, INF, 1.25 * a.targetMax()));
  std::vector<Expr> t;
  for (int i = 1; i <= a.dim; ++i)
    t.push_back(
        var(m.addVar(a.dim == 1 ? "t" : "t" + std::to_string(i), 0.0, FAMILY_T_UPPER, 0.0)));
  Expr denominator = num(a.a);
  for (int i = 0; i < a.dim; ++i) denominator = denominator - a.weights[i] * cos(t[i]);
  if (a.v != 0) {
    Expr product = a.v * cos(t[0]);
    for (int i = 1; i < a.dim; ++i) product = product * cos(t[i]);
    denominator = denominator - product;
  }
  Expr f = a.c / denominator;
  std::vector<Expr> terms;
  for (int k = 0; k < a.terms(); ++k) {
    Expr term = x[k];
    for (int i = 0; i < a.dim; ++i) {
      int j = a.frequencies[k][i];
      if (j == 1)
        term = term * cos(t[i]);
      else if (j > 1)
        term = term * cos(double(j) * t[i]);
    }
    terms.push_back(term);
  }
  Expr approximant = balancedSum(terms, 0, terms.size());
  m.minimize(z, "deviation");
  m.addCon("tup", f - approximant - z, -INF, 0.0);
  m.addCon("tlo", approximant - f - z, -INF, 0.0);
  return p;
}

LiteratureProblem minimaxOnPoints(const MinimaxApproximation& a,
                                  const std::vector<std::vector<double>>& points,
                                  const std::vector<int>& signs, double objectiveScale) {
  LiteratureProblem p{a.name + "_points", a.source, a.optimum, {}, Model()};
  Model& m = p.model;
  std::vector<Expr> x;
  for (int k = 1; k <= a.terms(); ++k)
    x.push_back(var(m.addVar("x[" + std::to_string(k) + "]", -INF, INF, 0.0)));
  Expr z = var(m.addVar("z", -INF, INF, 1.25 * a.targetMax()));
  m.minimize(objectiveScale == 1 ? z : z * objectiveScale, "deviation");
  for (size_t i = 0; i < points.size(); ++i) {
    const double* t = points[i].data();
    std::vector<Expr> terms;
    for (int k = 0; k < a.terms(); ++k) terms.push_back(a.basis(k, t) * x[k]);
    Expr residual = a.target(t) - balancedSum(terms, 0, terms.size());
    const bool up = signs[i] > 0;
    m.addCon((up ? "up_" : "lo_") + std::to_string(i + 1), (up ? residual : -residual) - z, -INF,
             0.0);
  }
  return p;
}

std::vector<LiteratureProblem> familyProblems() {
  std::vector<LiteratureProblem> all;
  for (const MinimaxApproximation& m : minimaxApproximations()) all.push_back(minimaxProblem(m));
  return all;
}
