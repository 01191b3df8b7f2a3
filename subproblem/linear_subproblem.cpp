#include "subproblem/linear_subproblem.h"

#include <algorithm>
#include <cmath>

#include "core/run_clock.h"
#include "kernels/dual_simplex.h"

namespace ormid {

namespace {

// The artificial box around x, in units of x's largest entry (at least 1):
// an optimum further off is left to the interior point solver.
const double REACH = 1e6;
// Multipliers below this share of the largest are zero (a vertex's rounding).
const double MULTIPLIER_SHARE = 1e-12;
// Beyond this many variables the dense basis inverse (n^2 values, n^3 work
// every 64 pivots) costs more than Ipopt's sparse factorisations.
const int MAX_VARIABLES = 300;

// Each row of the subproblem (a finite constraint, or an infinite one at a
// point) as an affine function a'x + b, and its place in the multipliers'
// full layout.
struct AffineRows {
  LinearProgram lp;
  // For each inequality of lp: the full row (-1: a bound of x) and its side.
  std::vector<long> fullRow;
  std::vector<int> side;
  bool finite = true;

  // lower <= a'x + b <= upper as one inequality per finite bound.
  void add(long full, const std::vector<double>& a, double b, double lower, double upper) {
    for (int s : {1, -1}) {
      const double bound = s > 0 ? upper : lower;
      if (s > 0 ? isPlusInfinity(bound) : isMinusInfinity(bound)) continue;
      for (double v : a) lp.G.push_back(s * v);
      lp.h.push_back(s * (bound - b));
      fullRow.push_back(full);
      side.push_back(s);
    }
    finite = finite && std::isfinite(b);
    for (double v : a) finite = finite && std::isfinite(v);
  }
};

// b = value - a'x0: the row's constant term from its value and gradient at x0.
double constantTerm(double value, const std::vector<double>& a, const double* x0) {
  double b = value;
  for (size_t i = 0; i < a.size(); ++i) b -= a[i] * x0[i];
  return b;
}

AffineRows affineRows(SipContext& c, const double* x0, const PointList& points,
                      const std::vector<char>* held, const SubproblemScaling* scaling) {
  const Problem& p = c.problem;
  AffineRows rows;
  rows.lp.n = p.nx;
  rows.lp.c.assign(p.nx, 0.0);
  c.evaluate(Request::ObjectiveGradient, 0, x0, nullptr, rows.lp.c.data());
  std::vector<double> a(p.nx), gt(std::max(p.nt, 1));
  for (int k = 0; k < p.mx; ++k) {
    std::fill(a.begin(), a.end(), 0.0);
    c.evaluate(Request::FiniteGradient, k, x0, nullptr, a.data());
    const double value = c.evaluate(Request::FiniteValue, k, x0);
    rows.add(k, a, constantTerm(value, a, x0), p.cxl[k], p.cxu[k]);
  }
  for (size_t q = 0; q < points.size(); ++q)
    for (int j = 0; j < p.mt; ++j) {
      const size_t full = q * p.mt + j;
      if (held && full < held->size() && !(*held)[full]) continue;
      std::fill(a.begin(), a.end(), 0.0);
      c.evaluate(Request::InfiniteGradient, j, x0, points[q].data(), a.data(), gt.data());
      const double value = c.evaluate(Request::InfiniteValue, j, x0, points[q].data());
      rows.add(p.mx + (long)full, a, constantTerm(value, a, x0), p.ctl[j], p.ctu[j]);
    }
  for (int i = 0; i < p.nx; ++i) {
    std::fill(a.begin(), a.end(), 0.0);
    a[i] = 1.0;
    rows.add(-1, a, 0.0, subproblemLower(p, scaling, x0, i), subproblemUpper(p, scaling, x0, i));
  }
  for (double v : rows.lp.c) rows.finite = rows.finite && std::isfinite(v);
  return rows;
}

// Fewer than nx rows with a multiplier: the optimum may be a whole face of
// which the vertex is one corner, likely violated between the points where
// the interior point solver's centre of the face is not (and the next
// vertex another corner). Multipliers below MULTIPLIER_SHARE of the
// largest are zero.
bool uniqueVertex(const std::vector<double>& lambda, int nx) {
  double largest = 0;
  for (double l : lambda) largest = std::max(largest, l);
  int positive = 0;
  for (double l : lambda) positive += l > MULTIPLIER_SHARE * largest;
  return positive >= nx;
}

// The rows that carried the last multipliers (lambda0, full layout, Ipopt's
// sign): the last vertex's basis where they are nx.
std::vector<int> lastBasis(const AffineRows& rows, const std::vector<double>* lambda0) {
  std::vector<int> basis;
  if (!lambda0) return basis;
  for (size_t r = 0; r < rows.fullRow.size(); ++r) {
    const long full = rows.fullRow[r];
    if (full >= 0 && full < (long)lambda0->size() && rows.side[r] * (*lambda0)[full] > 0)
      basis.push_back((int)r);
  }
  return basis;
}

}  // namespace

bool solveLinearSubproblem(SipContext& c, double* x, const PointList& points,
                           const std::vector<char>* held, const std::vector<double>* lambda0,
                           const SubproblemScaling* scaling, SubproblemResult& result) {
  const Problem& p = c.problem;
  if (p.nx <= 0 || p.nx > MAX_VARIABLES) return false;
  AffineRows rows = affineRows(c, x, points, held, scaling);
  if (!rows.finite) return false;
  double size = 1;
  for (int i = 0; i < p.nx; ++i) size = std::max(size, std::fabs(x[i]));
  const std::vector<double> centre(x, x + p.nx), reach(p.nx, REACH * size);
  const int maxPivots = 10 * (p.nx + rows.lp.rows()) + 100;
  const std::vector<int> start = lastBasis(rows, lambda0);
  // Past the time limit the simplex stops, and Ipopt says so.
  const LpSolution s = dualSimplex(rows.lp, centre, reach, maxPivots, &start, [&c] { return timeIsUp(c); });
  if (s.status != LpStatus::Optimal || !uniqueVertex(s.lambda, p.nx)) return false;
  std::copy(s.x.begin(), s.x.end(), x);
  // Ipopt's sign: positive against the upper bound.
  result = SubproblemResult();
  result.lambda.assign(p.mx + (size_t)p.mt * points.size(), 0.0);
  for (size_t r = 0; r < s.lambda.size(); ++r)
    if (rows.fullRow[r] >= 0) result.lambda[rows.fullRow[r]] += rows.side[r] * s.lambda[r];
  result.objective = c.evaluate(Request::ObjectiveValue, 0, x);
  result.status = SUB_SOLVED;
  result.text = "optimal";
  ++c.stats.nnlp;
  c.stats.nnlpc += s.pivots;
  c.print(PrintLevel::Iterations, "Simplex: optimal, %d pivots, objective %.10e\n", s.pivots,
          c.modelObjective(result.objective));
  return true;
}

}  // namespace ormid
