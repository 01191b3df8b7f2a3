#include "families.h"

#include <cmath>
#include <stdexcept>

using namespace nl;

const double FAMILY_T_UPPER = 3.14159265358979323846;

double MinimaxApproximation::target(const double* t) const {
  double s = a;
  for (int i = 0; i < dim; ++i) s -= weights[i] * std::cos(t[i]);
  return c / s;
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

double MinimaxApproximation::targetMax() const {
  double sum = 0;
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
  if (dim == 2) {
    m.a = 1.1, m.c = 0.1;  // f from 0.048 to 1
    m.weights = {0.6, 0.4};
  } else {
    m.a = 1.2, m.c = 0.2;  // f from 0.091 to 1
    m.weights = {0.5, 0.3, 0.2};
  }
  m.frequencies = totalDegree(dim, degree);
  m.optimum = optimum;
  return m;
}

// The optimal values below are printed by bench/verify_optima (a linear
// program on a grid of T refined at the error's local maximisers until it
// agrees with the largest error of its solution to 1e-13, the residuals in
// quadruple precision).
std::vector<MinimaxApproximation> build() {
  std::vector<MinimaxApproximation> all;
  all.push_back(oneDimensional(8, NAN));
  all.push_back(oneDimensional(12, NAN));
  all.push_back(oneDimensional(16, NAN));
  all.push_back(oneDimensional(24, NAN));
  all.push_back(oneDimensional(32, NAN));
  all.push_back(oneDimensional(48, NAN));
  all.push_back(oneDimensional(64, NAN));
  all.push_back(oneDimensional(96, NAN));
  all.push_back(oneDimensional(128, NAN));
  all.push_back(multiDimensional(2, 2, NAN));
  all.push_back(multiDimensional(2, 3, NAN));
  all.push_back(multiDimensional(2, 4, NAN));
  all.push_back(multiDimensional(2, 5, NAN));
  all.push_back(multiDimensional(2, 6, NAN));
  all.push_back(multiDimensional(3, 2, NAN));
  all.push_back(multiDimensional(3, 3, NAN));
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
    t.push_back(var(m.addVar(a.dim == 1 ? "t" : "t" + std::to_string(i), 0.0, FAMILY_T_UPPER,
                             0.0)));
  Expr denominator = num(a.a);
  for (int i = 0; i < a.dim; ++i) denominator = denominator - a.weights[i] * cos(t[i]);
  Expr f = a.c / denominator;
  std::vector<Expr> terms;
  for (int k = 0; k < a.terms(); ++k) {
    Expr term = x[k];
    for (int i = 0; i < a.dim; ++i) {
      int j = a.frequencies[k][i];
      if (j == 1) term = term * cos(t[i]);
      else if (j > 1) term = term * cos(double(j) * t[i]);
    }
    terms.push_back(term);
  }
  Expr approximant = balancedSum(terms, 0, terms.size());
  m.minimize(z, "deviation");
  m.addCon("tup", f - approximant - z, -INF, 0.0);
  m.addCon("tlo", approximant - f - z, -INF, 0.0);
  return p;
}

std::vector<LiteratureProblem> familyProblems() {
  std::vector<LiteratureProblem> all;
  for (const MinimaxApproximation& m : minimaxApproximations()) all.push_back(minimaxProblem(m));
  return all;
}
