#include "subproblem/linear_subproblem.h"

#include <algorithm>
#include <cmath>

#include "core/run_clock.h"
#include "kernels/clp_lp.h"
#include "kernels/dual_simplex.h"
#include "kernels/orthogonal_columns.h"

namespace ormid {

namespace {

// Programs from this many variables whose constraint rows' condition
// (OrthogonalColumns::condition) exceeds ILL_CONDITIONED are solved in
// orthonormal columns.
const int CHANGE_FROM = 2;
const double ILL_CONDITIONED = 1e6;
// A basis row's multiplier below this share of the largest is zero: the
// optimum may be a face.
const double ZERO_MULTIPLIER = 1e-9;
// The point of an optimal face nearest to the last iterate is taken within
// this share of the objective's terms of the optimal value.
const double NEAR_OPTIMAL = 1e-9;
// The artificial box around x, in units of x's largest entry (at least 1),
// and how often it grows by BOX_GROWTH before the optimum counts as beyond
// reach.
const double REACH = 1e6;
const double BOX_GROWTH = 1e3;
const int BOX_TRIES = 3;
// A row whose slack at the last vertex is below this share of its terms
// holds the vertex.
const double HELD_AT_VERTEX = 1e-9;

// Each row of the subproblem (a finite constraint, or an infinite one at a
// point) as an affine function a'x + b, and its place in the multipliers'
// full layout.
struct AffineRows {
  LinearProgram lp;
  // For each inequality of lp: the full row (-1: a bound of x) and its side.
  std::vector<long> fullRow;
  std::vector<int> side;
  std::vector<double> scale;
  bool finite = true;

  // lower <= a'x + b <= upper as one inequality per finite bound, times
  // `factor`: the simplex's tolerances are absolute, and a constraint of
  // size 1e-8 must be held to its own scale.
  void add(long full, const std::vector<double>& a, double b, double lower, double upper, double factor = 1) {
    for (int s : {1, -1}) {
      const double bound = s > 0 ? upper : lower;
      if (s > 0 ? isPlusInfinity(bound) : isMinusInfinity(bound)) continue;
      for (double v : a) lp.G.push_back(factor * s * v);
      lp.h.push_back(factor * s * (bound - b));
      fullRow.push_back(full);
      side.push_back(s);
      scale.push_back(factor);
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
      const double factor = scaling && j < (int)scaling->infinite.size() ? scaling->infinite[j] : 1.0;
      rows.add(p.mx + (long)full, a, constantTerm(value, a, x0), p.ctl[j], p.ctu[j], factor);
    }
  for (int i = 0; i < p.nx; ++i) {
    std::fill(a.begin(), a.end(), 0.0);
    a[i] = 1.0;
    rows.add(-1, a, 0.0, subproblemLower(p, scaling, x0, i), subproblemUpper(p, scaling, x0, i));
  }
  for (double v : rows.lp.c) rows.finite = rows.finite && std::isfinite(v);
  return rows;
}

// The last vertex's basis: the rows that carried the last multipliers
// (lambda0, full layout, Ipopt's sign), then the rows held at x0 (the last
// vertex) by a multiplier of zero (a degenerate vertex), nearest first,
// up to nx rows. Empty without lambda0.
std::vector<int> lastBasis(const AffineRows& rows, const std::vector<double>* lambda0, const double* x0) {
  std::vector<int> basis;
  if (!lambda0) return basis;
  const int n = rows.lp.n;
  std::vector<std::pair<double, int>> held;
  for (size_t r = 0; r < rows.fullRow.size(); ++r) {
    const long full = rows.fullRow[r];
    if (full >= 0 && full < (long)lambda0->size() && rows.side[r] * (*lambda0)[full] > 0) {
      basis.push_back((int)r);
      continue;
    }
    const double* g = &rows.lp.G[r * n];
    double slack = rows.lp.h[r], terms = std::fabs(rows.lp.h[r]);
    for (int i = 0; i < n; ++i) slack -= g[i] * x0[i], terms += std::fabs(g[i] * x0[i]);
    if (std::fabs(slack) <= HELD_AT_VERTEX * terms) held.push_back({std::fabs(slack) / std::max(terms, 1e-300), (int)r});
  }
  std::sort(held.begin(), held.end());
  for (size_t k = 0; k < held.size() && (int)basis.size() < n; ++k) basis.push_back(held[k].second);
  return basis;
}

// The dense simplex's answer, from `start` where that is a dual feasible
// basis; nothing where it cycles on a degenerate vertex or meets a basis
// singular to rounding.
bool denseSimplex(SipContext& c, const LinearProgram& lp, const std::vector<double>& centre,
                  const std::vector<double>& reach, const std::vector<int>& start, int maxPivots,
                  LpSolution& s) {
  s = dualSimplex(lp, centre, reach, maxPivots, &start, [&c] { return timeIsUp(c); });
  return s.status != LpStatus::PivotLimit && s.status != LpStatus::Singular;
}

// Up to this many variables the dense simplex (n^2 values in its basis
// inverse) goes first, where it gives an answer: faster than Clp on the
// minimax families (129 variables: 0.7 s against 3.7 s a run), slower on
// filters where it cycles before Clp takes over (102 variables: 1.3 s
// against 0.6 s).
const int DENSE_UP_TO = 150;
// Up to this many variables the dense simplex polishes the sparse one's
// vertex (its basis inverse costs n^3).
const int POLISH_UP_TO = 1200;
// Pivots per variable the polish may take: from a vertex that is optimal
// to the sparse simplex's tolerances it takes a few; more means rows
// dependent to rounding, where the sparse simplex's vertex stays.
const int POLISH_PIVOTS = 2;

// The simplex's answer: the dense one for small programs where it ends,
// the sparse one otherwise. The sparse one's tolerances are absolute on
// its own scaling of the rows, blind to a violation of 1e-10 of rows whose
// terms are of size one (a filter's error of 1e-8): the dense one goes on
// from its basis, with the exact test of each row. Both give up past the
// time limit.
LpSolution simplex(SipContext& c, const LinearProgram& lp, const std::vector<double>& centre,
                   const std::vector<double>& reach, const std::vector<int>& start) {
  LpSolution s;
  if (lp.n <= DENSE_UP_TO && (denseSimplex(c, lp, centre, reach, start, 3 * (lp.n + lp.rows()) + 100, s) ||
                              timeIsUp(c)))
    return s;
  const int maxPivots = 20 * (lp.n + lp.rows()) + 1000;
  const double left = secondsLeft(c);
  s = clpSimplex(lp, centre, reach, maxPivots, &start, std::isfinite(left) ? std::max(left, 1e-3) : 0);
  LpSolution polished;
  if (s.status == LpStatus::Optimal && (int)s.basis.size() == lp.n && lp.n <= POLISH_UP_TO &&
      denseSimplex(c, lp, centre, reach, s.basis, POLISH_PIVOTS * lp.n, polished) &&
      polished.status == LpStatus::Optimal) {
    polished.pivots += s.pivots;
    return polished;
  }
  return s;
}

// The program the simplex solves: the rows' own, or where the constraint
// rows are badly conditioned, the same in orthonormal columns
// (kernels/orthogonal_columns.h).
struct ChangedProgram {
  OrthogonalColumns change;
  bool used = false;
  LinearProgram lp;
  std::vector<double> centre, rowDivisor;

  ChangedProgram(const AffineRows& rows, const std::vector<double>& x0) : lp(rows.lp), centre(x0) {
    std::vector<int> constraintRows;
    for (size_t r = 0; r < rows.fullRow.size(); ++r)
      if (rows.fullRow[r] >= 0) constraintRows.push_back((int)r);
    if (lp.n < CHANGE_FROM || !change.factor(rows.lp, constraintRows)) return;
    if (!(change.condition() > ILL_CONDITIONED)) return;
    used = true;
    lp = change.transform(rows.lp, x0, rowDivisor);
    centre.assign(lp.n, 0.0);
  }
  std::vector<double> reach(const std::vector<double>& xReach) const {
    return used ? change.reach(xReach) : xReach;
  }
  // The solution in x, with the original rows' multipliers.
  void back(LpSolution& s, const std::vector<double>& x0) const {
    if (!used) return;
    if (!s.x.empty()) s.x = change.back(s.x, x0);
    for (size_t r = 0; r < s.lambda.size(); ++r) s.lambda[r] /= rowDivisor[r];
  }
};

// Whether the optimum may be more than the vertex: a row of its basis
// carries no multiplier (to rounding), so that x can leave it along an edge
// of optimal points.
bool mayBeAFace(const LpSolution& s) {
  double largest = 0;
  for (int r : s.basis) largest = std::max(largest, s.lambda[r]);
  for (int r : s.basis)
    if (s.lambda[r] <= ZERO_MULTIPLIER * largest) return true;
  return false;
}

// The program whose optimum is the point nearest to x0 (1-norm) among those
// whose objective is at most `bound`: variables (x, u),
// min sum u  s.t.  G x <= h,  c'x <= bound,  +-(x - x0) <= u.
LinearProgram nearestProgram(const LinearProgram& lp, const std::vector<double>& x0, double bound) {
  const int n = lp.n;
  LinearProgram near;
  near.n = 2 * n;
  near.c.assign(2 * n, 0.0);
  std::fill(near.c.begin() + n, near.c.end(), 1.0);
  std::vector<double> g(2 * n, 0.0);
  auto add = [&](double h) {
    near.G.insert(near.G.end(), g.begin(), g.end());
    near.h.push_back(h);
    std::fill(g.begin(), g.end(), 0.0);
  };
  for (int r = 0; r < lp.rows(); ++r) {
    std::copy(&lp.G[(size_t)r * n], &lp.G[(size_t)r * n] + n, g.begin());
    add(lp.h[r]);
  }
  std::copy(lp.c.begin(), lp.c.end(), g.begin());
  add(bound);
  for (int i = 0; i < n; ++i)
    for (int sign : {1, -1}) {
      g[i] = sign, g[n + i] = -1;
      add(sign * x0[i]);
    }
  return near;
}

// Where the optimum is a face, the vertex the simplex ends at is one of its
// corners, and the exchange method's iterates jump between far corners,
// each breaking the constraints off the working set anew (a 2-D filter
// design of 49 coefficients: the value settled by the 20th subproblem, the
// violation between 1e-3 and 0.3 for the next eighty). The point of the face
// nearest to the last iterate moves no further than the optimum asks: the
// exchange phase then closes in on the face's part that T admits. Within
// NEAR_OPTIMAL of the optimal value (relative to the objective's terms),
// ten times that where the simplex finds the first too tight.
void moveToNearestOptimal(SipContext& c, const LinearProgram& lp, const std::vector<double>& x0, LpSolution& s) {
  const int n = lp.n;
  double value = 0, terms = 0, box = 1;
  for (int i = 0; i < n; ++i) {
    value += lp.c[i] * s.x[i], terms += std::fabs(lp.c[i] * s.x[i]);
    box = std::max({box, std::fabs(x0[i]), std::fabs(s.x[i])});
  }
  std::vector<double> centre(x0), reach(2 * n, REACH * box);
  centre.resize(2 * n, 0.0);
  for (double share : {NEAR_OPTIMAL, 10 * NEAR_OPTIMAL}) {
    const LpSolution near = simplex(c, nearestProgram(lp, x0, value + share * terms), centre, reach, {});
    s.pivots += near.pivots;
    if (near.status != LpStatus::Optimal) continue;
    s.x.assign(near.x.begin(), near.x.begin() + n);
    return;
  }
}

SubproblemResult notSolved(SubproblemStatus status, const char* text) {
  SubproblemResult r;
  r.status = status;
  r.text = text;
  return r;
}

SubproblemResult lpFailure(SipContext& c, LpStatus status) {
  switch (status) {
    case LpStatus::Infeasible: return notSolved(SUB_INFEASIBLE, "infeasible");
    case LpStatus::Unbounded: return notSolved(SUB_FAILED, "unbounded");
    case LpStatus::PivotLimit:
      return timeIsUp(c) ? notSolved(SUB_TIME_LIMIT, "time limit") : notSolved(SUB_LIMIT, "pivot limit");
    default: return notSolved(SUB_FAILED, "singular basis");
  }
}

}  // namespace

SubproblemResult solveLinearSubproblem(SipContext& c, double* x, const PointList& points,
                                       const std::vector<char>* held, const std::vector<double>* lambda0,
                                       const SubproblemScaling* scaling) {
  const Problem& p = c.problem;
  AffineRows rows = affineRows(c, x, points, held, scaling);
  if (!rows.finite) return notSolved(SUB_FAILED, "invalid number");
  double size = 1;
  for (int i = 0; i < p.nx; ++i) size = std::max(size, std::fabs(x[i]));
  const std::vector<double> centre(x, x + p.nx);
  const std::vector<int> start = lastBasis(rows, lambda0, x);
  const ChangedProgram changed(rows, centre);
  LpSolution s;
  double reach = REACH * size;
  for (int tries = 0; tries < BOX_TRIES; ++tries, reach *= BOX_GROWTH) {
    s = simplex(c, changed.lp, changed.centre, changed.reach(std::vector<double>(p.nx, reach)), start);
    if (s.status != LpStatus::Unbounded) break;
  }
  changed.back(s, centre);
  if (s.status == LpStatus::Optimal && scaling && scaling->nearestOnFace && mayBeAFace(s))
    moveToNearestOptimal(c, rows.lp, centre, s);
  ++c.stats.subproblems;
  c.stats.subproblemIterations += s.pivots;
  if (s.status != LpStatus::Optimal) {
    SubproblemResult r = lpFailure(c, s.status);
    c.print(PrintLevel::Iterations, "Simplex: %s, %d pivots\n", r.text.c_str(), s.pivots);
    return r;
  }
  std::copy(s.x.begin(), s.x.end(), x);
  // Ipopt's sign: positive against the upper bound.
  SubproblemResult result;
  result.lambda.assign(p.mx + (size_t)p.mt * points.size(), 0.0);
  for (size_t r = 0; r < s.lambda.size(); ++r)
    if (rows.fullRow[r] >= 0) result.lambda[rows.fullRow[r]] += rows.side[r] * rows.scale[r] * s.lambda[r];
  result.objective = c.evaluate(Request::ObjectiveValue, 0, x);
  result.status = SUB_SOLVED;
  result.text = "optimal";
  c.print(PrintLevel::Iterations, "Simplex: optimal, %d pivots, objective %.10e\n", s.pivots,
          c.modelObjective(result.objective));
  return result;
}

}  // namespace ormid
