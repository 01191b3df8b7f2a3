#include "kernels/clp_lp.h"

#include <ClpSimplex.hpp>

#include <algorithm>
#include <cmath>

namespace ormid {

namespace {

// G's columns in compressed form, as Clp loads them.
struct Columns {
  std::vector<CoinBigIndex> start;
  std::vector<int> row;
  std::vector<double> value;
};

Columns columnsOf(const LinearProgram& lp) {
  Columns c;
  const int m = lp.rows();
  for (int i = 0; i < lp.n; ++i) {
    c.start.push_back((CoinBigIndex)c.row.size());
    for (int r = 0; r < m; ++r) {
      const double v = lp.G[(size_t)r * lp.n + i];
      if (v != 0) c.row.push_back(r), c.value.push_back(v);
    }
  }
  c.start.push_back((CoinBigIndex)c.row.size());
  return c;
}

// The last program's basis: its n rows at their bounds, every variable
// basic. Clp ignores a basis whose count is wrong, so only n rows are set.
void setBasis(ClpSimplex& model, int n, const std::vector<int>* start) {
  if (!start || (int)start->size() != n) return;
  for (int r = 0; r < model.numberRows(); ++r) model.setRowStatus(r, ClpSimplex::basic);
  for (int i = 0; i < n; ++i) model.setColumnStatus(i, ClpSimplex::basic);
  for (int r : *start)
    if (r >= 0 && r < model.numberRows()) model.setRowStatus(r, ClpSimplex::atUpperBound);
}

bool leansOnBox(const std::vector<double>& x, const std::vector<double>& centre, const std::vector<double>& reach) {
  for (size_t i = 0; i < x.size(); ++i)
    if (std::fabs(x[i] - centre[i]) >= reach[i] * (1 - 1e-12)) return true;
  return false;
}

}  // namespace

LpSolution clpSimplex(const LinearProgram& lp, const std::vector<double>& centre,
                      const std::vector<double>& reach, int maxPivots, const std::vector<int>* start,
                      double maxSeconds) {
  LpSolution s;
  const int n = lp.n, m = lp.rows();
  if (n <= 0) return s;
  const Columns cols = columnsOf(lp);
  std::vector<double> lower(n), upper(n), rowLower(m, -COIN_DBL_MAX);
  for (int i = 0; i < n; ++i) lower[i] = centre[i] - reach[i], upper[i] = centre[i] + reach[i];
  ClpSimplex model;
  model.setLogLevel(0);
  model.loadProblem(n, m, cols.start.data(), cols.row.data(), cols.value.data(), lower.data(), upper.data(),
                    lp.c.data(), rowLower.data(), lp.h.data());
  model.setMaximumIterations(maxPivots);
  if (maxSeconds > 0) model.setMaximumSeconds(maxSeconds);
  setBasis(model, n, start);
  model.dual();
  s.pivots = model.numberIterations();
  s.x.assign(model.primalColumnSolution(), model.primalColumnSolution() + n);
  // Clp's row duals y satisfy c - G'y = reduced costs, y <= 0 on rows at
  // their upper bound: the multipliers here are -y.
  s.lambda.resize(m);
  const double* y = model.dualRowSolution();
  for (int r = 0; r < m; ++r) s.lambda[r] = std::max(0.0, -y[r]);
  switch (model.status()) {
    case 0: s.status = leansOnBox(s.x, centre, reach) ? LpStatus::Unbounded : LpStatus::Optimal; break;
    case 1: s.status = LpStatus::Infeasible; break;
    case 2: s.status = LpStatus::Unbounded; break;
    case 3: s.status = LpStatus::PivotLimit; break;
    default: s.status = LpStatus::Singular; break;
  }
  return s;
}

}  // namespace ormid
