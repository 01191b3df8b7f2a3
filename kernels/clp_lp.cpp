#include "kernels/clp_lp.h"

#include <ClpSimplex.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>

#include "kernels/blas_lock.h"

namespace ormid {

namespace {

// The check of an optimal answer: a row may be violated by this share of
// the size of its terms, an active row's slack (with a multiplier) by
// SLACK_SHARE, and c + G' lambda may be this share of its terms.
const double SHARE = 1e-9;
const double SLACK_SHARE = 1e-6;
// Clp's primal and dual tolerances (its defaults are 1e-7).
const double TOLERANCE = 1e-10;
// Seconds a try may take: at least MIN_TRY_SECONDS, more for large programs.
const double MIN_TRY_SECONDS = 2;
const double TRY_SECONDS_PER_ENTRY = 2e-6;
// Within a time limit a try may also take this share of what is left.
const double TRY_SHARE_OF_LEFT = 0.1;

double monotonic() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

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

// Clp's answer in our terms, with its status.
LpSolution answerOf(ClpSimplex& model, int n, int m, const std::vector<double>& centre,
                    const std::vector<double>& reach) {
  LpSolution s;
  s.pivots = model.numberIterations();
  s.x.assign(model.primalColumnSolution(), model.primalColumnSolution() + n);
  // Clp's row duals y satisfy c - G'y = reduced costs, y <= 0 on rows at
  // their upper bound: the multipliers here are -y.
  s.lambda.resize(m);
  const double* y = model.dualRowSolution();
  for (int r = 0; r < m; ++r) {
    s.lambda[r] = std::max(0.0, -y[r]);
    if (model.getRowStatus(r) != ClpSimplex::basic) s.basis.push_back(r);
  }
  switch (model.status()) {
    case 0: s.status = leansOnBox(s.x, centre, reach) ? LpStatus::Unbounded : LpStatus::Optimal; break;
    case 1: s.status = LpStatus::Infeasible; break;
    case 2: s.status = LpStatus::Unbounded; break;
    case 3: s.status = LpStatus::PivotLimit; break;
    default: s.status = LpStatus::Singular; break;
  }
  return s;
}

// How far an optimal answer is from one, as the largest of: a row's
// violation, an active row's slack (with a multiplier) and the imbalance of
// c + G' lambda, each as a share of the size of its terms. Clp's programs
// may end "optimal" or "infeasible" far from it where the rows are nearly
// dependent (cosines of many frequencies on few points).
double optimalityDefect(const LinearProgram& lp, const LpSolution& s) {
  const int n = lp.n, m = lp.rows();
  double xSize = 0, cSize = 0, defect = 0;
  for (double v : s.x) xSize = std::max(xSize, std::fabs(v));
  for (double v : lp.c) cSize = std::max(cSize, std::fabs(v));
  std::vector<double> residual(lp.c), size(n);
  for (int i = 0; i < n; ++i) size[i] = std::fabs(lp.c[i]);
  for (int r = 0; r < m; ++r) {
    const double* g = &lp.G[(size_t)r * n];
    double value = -lp.h[r], terms = std::fabs(lp.h[r]);
    for (int i = 0; i < n; ++i) value += g[i] * s.x[i], terms += std::fabs(g[i] * s.x[i]);
    terms = std::max(terms, 1e-300);
    defect = std::max(defect, value / terms);
    if (s.lambda[r] > 0) defect = std::max(defect, -value / terms / std::max(1.0, xSize) * SHARE / SLACK_SHARE);
    for (int i = 0; i < n; ++i) residual[i] += g[i] * s.lambda[r], size[i] += std::fabs(g[i] * s.lambda[r]);
  }
  for (int i = 0; i < n; ++i) defect = std::max(defect, std::fabs(residual[i]) / std::max(size[i], cSize));
  return std::isnan(defect) ? HUGE_VAL : defect;
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
  // The dual simplex on the program as it is (its rows on their own scale)
  // from the last basis; where its answer fails the check, on Clp's scaling
  // from Clp's own start; then the primal simplex. Where none passes, the
  // optimal answer nearest to passing.
  // Clp's dense LU is LAPACK's (kernels/blas_lock.h); the budgets start
  // once the turn has come.
  const std::lock_guard<std::mutex> turn(blasLock());
  const double started = monotonic();
  LpSolution best;
  double bestDefect = HUGE_VAL;
  int pivots = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    ClpSimplex model;
    model.setLogLevel(0);
    model.loadProblem(n, m, cols.start.data(), cols.row.data(), cols.value.data(), lower.data(), upper.data(),
                      lp.c.data(), rowLower.data(), lp.h.data());
    model.setMaximumIterations(maxPivots);
    // Nearly dependent rows can keep Clp refactorising for minutes: each
    // try has a budget of its own, within the caller's.
    double seconds = std::max(MIN_TRY_SECONDS, TRY_SECONDS_PER_ENTRY * n * (double)m);
    const double left = maxSeconds - (monotonic() - started);
    if (maxSeconds > 0) seconds = std::min(std::max(seconds, TRY_SHARE_OF_LEFT * left), left);
    if (seconds <= 0) break;
    // On the wall clock: Clp's own (setMaximumSeconds) is the process's CPU
    // time, which solves in other threads advance too.
    model.setMaximumWallSeconds(seconds);
    if (attempt != 1) model.scaling(0);
    model.setPrimalTolerance(TOLERANCE);
    model.setDualTolerance(TOLERANCE);
    if (attempt == 0) setBasis(model, n, start);
    if (attempt < 2) model.dual();
    else model.primal();
    s = answerOf(model, n, m, centre, reach);
    pivots += s.pivots;
    if (s.status == LpStatus::Optimal) {
      const double defect = optimalityDefect(lp, s);
      if (defect < bestDefect) best = s, bestDefect = defect;
      if (defect <= SHARE) break;
    } else if (s.status != LpStatus::PivotLimit && model.secondaryStatus() == 0 && attempt > 0 &&
               bestDefect == HUGE_VAL) {
      break;  // infeasible or unbounded twice
    }
  }
  if (bestDefect < HUGE_VAL) s = best;
  s.pivots = pivots;
  return s;
}

}  // namespace ormid
