#include "lattice_families.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>

using namespace nl;

namespace {

const double PI = 3.14159265358979323846;

const char* SOURCE =
    "convex program built from its KKT conditions: maximisers on a lattice of [0, 1]^d, "
    "optimal value 1/2 |sum_i lambda_i phi(t_i)|^2 (constructed for this benchmark)";

// A portable generator (splitmix64): the members' numbers must not depend
// on the standard library's distributions.
struct Numbers {
  unsigned long long state;
  double uniform(double lo, double hi) {
    unsigned long long z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return lo + (hi - lo) * (double)(z >> 11) / 9007199254740992.0;
  }
};

// Every row of {0 .. top}^dim, coordinate 0 slowest.
std::vector<std::vector<int>> tensorRows(int dim, int top) {
  std::vector<std::vector<int>> rows;
  std::vector<int> j(dim, 0);
  for (;;) {
    rows.push_back(j);
    int d = dim - 1;
    while (d >= 0 && ++j[d] > top) j[d--] = 0;
    if (d < 0) return rows;
  }
}

int totalDegree(const std::vector<int>& j) {
  int s = 0;
  for (int v : j) s += v;
  return s;
}

// {0 .. m-1}^d first (they make the active gradients independent), then
// rows of {0 .. m}^d by total degree until there are n.
std::vector<std::vector<int>> chooseFrequencies(int dim, int m, int n) {
  std::vector<std::vector<int>> rows = tensorRows(dim, m - 1);
  std::set<std::vector<int>> taken(rows.begin(), rows.end());
  std::vector<std::vector<int>> extra;
  for (const std::vector<int>& j : tensorRows(dim, m))
    if (!taken.count(j)) extra.push_back(j);
  std::stable_sort(extra.begin(), extra.end(), [](const std::vector<int>& a, const std::vector<int>& b) {
    return totalDegree(a) < totalDegree(b);
  });
  for (size_t k = 0; (int)rows.size() < n && k < extra.size(); ++k) rows.push_back(extra[k]);
  if ((int)rows.size() != n) throw std::runtime_error("lattice family: too many terms asked for");
  return rows;
}

double rootProduct(const std::vector<double>& roots, double s) {
  double p = 1;
  for (double r : roots) p *= s - r;
  return p;
}

// max |prod_a (s - r_a)| over [0, 1], sampled finely enough for a
// normaliser (only its size matters).
double largestProduct(const std::vector<double>& roots) {
  double largest = 0;
  for (int i = 0; i <= 2000; ++i) largest = std::max(largest, std::fabs(rootProduct(roots, i / 2000.0)));
  return largest;
}

Expr balancedSum(const std::vector<Expr>& terms, size_t from, size_t to) {
  if (to - from == 1) return terms[from];
  const size_t mid = from + (to - from) / 2;
  return balancedSum(terms, from, mid) + balancedSum(terms, mid, to);
}

}  // namespace

int LatticeFamily::maximiserCount() const {
  int count = 1;
  for (int i = 0; i < dim; ++i) count *= perAxis;
  return count;
}

std::vector<std::vector<double>> LatticeFamily::maximisers() const {
  std::vector<std::vector<double>> points;
  for (const std::vector<int>& a : tensorRows(dim, perAxis - 1)) {
    std::vector<double> t(dim);
    for (int i = 0; i < dim; ++i) t[i] = roots[i][a[i]];
    points.push_back(t);
  }
  return points;
}

double LatticeFamily::basis(int k, const double* t) const {
  double p = 1;
  for (int i = 0; i < dim; ++i)
    if (frequencies[k][i]) p *= std::cos(PI * frequencies[k][i] * t[i]);
  return p;
}

double LatticeFamily::atSolution(const double* t) const {
  double squares = 0, sum = 0;
  for (int i = 0; i < dim; ++i) {
    const double q = rootProduct(roots[i], t[i]) / normalisers[i];
    squares += weights[i] * q * q;
    sum += q;
  }
  return -squares - coupling * sum * sum;
}

double LatticeFamily::constraint(const std::vector<double>& x, const double* t) const {
  double g = atSolution(t);
  for (int k = 0; k < terms(); ++k) g += (x[k] - solution[k]) * basis(k, t);
  return g;
}

double LatticeFamily::objective(const std::vector<double>& x) const {
  double s = 0;
  for (int k = 0; k < terms(); ++k) s += (x[k] - target[k]) * (x[k] - target[k]);
  return 0.5 * s;
}

LatticeFamily latticeFamily(int dim, int perAxis, int terms, unsigned seed) {
  LatticeFamily f;
  f.name = "lattice" + std::to_string(dim) + "_m" + std::to_string(perAxis);
  f.dim = dim;
  f.perAxis = perAxis;
  Numbers numbers{seed};
  // Roots near the centres of m equal cells, moved by up to a tenth of a
  // cell: the lattice is irregular, and no regular scan is aligned with it.
  for (int i = 0; i < dim; ++i) {
    std::vector<double> r(perAxis);
    for (int a = 0; a < perAxis; ++a) r[a] = (a + 0.5 + numbers.uniform(-0.1, 0.1)) / perAxis;
    f.roots.push_back(r);
    f.normalisers.push_back(largestProduct(r));
    f.weights.push_back(numbers.uniform(0.5, 1.5));
  }
  f.frequencies = chooseFrequencies(dim, perAxis, terms);
  for (int k = 0; k < terms; ++k) f.solution.push_back(numbers.uniform(-0.5, 0.5));
  const std::vector<std::vector<double>> points = f.maximisers();
  for (size_t i = 0; i < points.size(); ++i) f.lambda.push_back(numbers.uniform(0.5, 1.5));
  long double value = 0;
  for (int k = 0; k < terms; ++k) {
    long double pull = 0;  // sum_i lambda_i phi_k(t_i)
    for (size_t i = 0; i < points.size(); ++i) pull += (long double)f.lambda[i] * f.basis(k, points[i].data());
    f.target.push_back((double)((long double)f.solution[k] + pull));
    value += pull * pull;
  }
  f.optimum = (double)(0.5L * value);
  return f;
}

const std::vector<LatticeFamily>& latticeFamilies() {
  static const std::vector<LatticeFamily> all = {
      latticeFamily(4, 2, 24, 41), latticeFamily(4, 3, 90, 43), latticeFamily(5, 2, 40, 51),
      latticeFamily(6, 2, 80, 61)};
  return all;
}

const LatticeFamily& latticeFamilyMember(const std::string& name) {
  for (const LatticeFamily& f : latticeFamilies())
    if (f.name == name) return f;
  throw std::runtime_error("no lattice family member " + name);
}

LiteratureProblem latticeProblem(const LatticeFamily& f) {
  LiteratureProblem p{f.name, SOURCE, f.optimum, f.solution, Model()};
  Model& m = p.model;
  std::vector<Expr> x, t;
  for (int k = 1; k <= f.terms(); ++k)
    x.push_back(var(m.addVar("x[" + std::to_string(k) + "]", -INF, INF, 0.0)));
  for (int i = 1; i <= f.dim; ++i) t.push_back(var(m.addVar("t" + std::to_string(i), 0.0, 1.0, 0.0)));
  std::vector<Expr> distance, terms, squares, qs;
  for (int k = 0; k < f.terms(); ++k) {
    distance.push_back(0.5 * pow(x[k] - f.target[k], 2.0));
    Expr term = x[k] - f.solution[k];
    for (int i = 0; i < f.dim; ++i)
      if (f.frequencies[k][i]) term = term * cos((PI * f.frequencies[k][i]) * t[i]);
    terms.push_back(term);
  }
  for (int i = 0; i < f.dim; ++i) {
    Expr q = num(1.0 / f.normalisers[i]);
    for (double r : f.roots[i]) q = q * (t[i] - r);
    squares.push_back(f.weights[i] * (q * q));
    qs.push_back(q);
  }
  const Expr sum = balancedSum(qs, 0, qs.size());
  const Expr G = -balancedSum(squares, 0, squares.size()) - f.coupling * (sum * sum);
  m.minimize(balancedSum(distance, 0, distance.size()), "distance");
  m.addCon("tg", balancedSum(terms, 0, terms.size()) + G, -INF, 0.0);
  return p;
}

std::vector<LiteratureProblem> latticeProblems() {
  std::vector<LiteratureProblem> all;
  for (const LatticeFamily& f : latticeFamilies()) all.push_back(latticeProblem(f));
  return all;
}

ormid::Model latticeFormulas(const LatticeFamily& f) {
  ormid::Model m;
  const std::vector<ormid::Expr> x = m.variables(f.terms());
  const std::vector<ormid::Expr> t =
      m.infiniteVariables(std::vector<std::pair<double, double>>(f.dim, {0.0, 1.0}));
  std::vector<ormid::Expr> distance, terms, squares, qs;
  for (int k = 0; k < f.terms(); ++k) {
    distance.push_back(0.5 * ormid::pow(x[k] - f.target[k], 2.0));
    ormid::Expr term = x[k] - f.solution[k];
    for (int i = 0; i < f.dim; ++i)
      if (f.frequencies[k][i]) term = term * ormid::cos((PI * f.frequencies[k][i]) * t[i]);
    terms.push_back(term);
  }
  for (int i = 0; i < f.dim; ++i) {
    ormid::Expr q = 1.0 / f.normalisers[i];
    for (double r : f.roots[i]) q = q * (t[i] - r);
    squares.push_back(f.weights[i] * (q * q));
    qs.push_back(q);
  }
  const ormid::Expr sum = ormid::sum(qs);
  m.minimize(ormid::sum(distance));
  m.subjectTo(ormid::sum(terms) - ormid::sum(squares) - f.coupling * (sum * sum) <= 0);
  return m;
}
