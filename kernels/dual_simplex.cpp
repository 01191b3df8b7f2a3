#include "kernels/dual_simplex.h"

#include <algorithm>
#include <cmath>

namespace ormid {

namespace {

typedef std::vector<double> Vec;

// Pivots between questions to the caller's stop.
const int STOP_EVERY = 16;
// Pivots between fresh inversions of the basis (the updates drift).
const int REFRESH_EVERY = 64;
// An inequality is violated beyond this share of the size of its terms.
const double VIOLATED = 1e-13;
// Entries of the pivot column below this share of its largest are zero.
const double PIVOT_SHARE = 1e-9;
// Pivots in a row that leave the dual objective where it was, after which
// the smallest-index rule (R. G. Bland, "New finite pivoting rules for the
// simplex method", Mathematics of Operations Research 2 (1977)) picks the
// rows until one moves it: a degenerate vertex otherwise cycles.
const int DEGENERATE_RUN = 30;
// A start basis may have multipliers this far below zero (a share of the
// largest): another solver's vertex, to its tolerances, set to zero.
const double START_NEGATIVE = 1e-6;

// The inverse of the row-major n x n matrix A by Gauss-Jordan elimination
// with partial pivoting; false where A is singular to rounding.
bool invert(int n, Vec A, Vec& inverse) {
  inverse.assign((size_t)n * n, 0.0);
  for (int i = 0; i < n; ++i) inverse[(size_t)i * n + i] = 1.0;
  double largest = 0;
  for (double a : A) largest = std::max(largest, std::fabs(a));
  for (int k = 0; k < n; ++k) {
    int pivot = k;
    for (int i = k + 1; i < n; ++i)
      if (std::fabs(A[(size_t)i * n + k]) > std::fabs(A[(size_t)pivot * n + k])) pivot = i;
    const double p = A[(size_t)pivot * n + k];
    if (!(std::fabs(p) > 1e-13 * largest)) return false;
    if (pivot != k)
      for (int j = 0; j < n; ++j) {
        std::swap(A[(size_t)k * n + j], A[(size_t)pivot * n + j]);
        std::swap(inverse[(size_t)k * n + j], inverse[(size_t)pivot * n + j]);
      }
    for (int j = 0; j < n; ++j) A[(size_t)k * n + j] /= p, inverse[(size_t)k * n + j] /= p;
    for (int i = 0; i < n; ++i) {
      const double f = A[(size_t)i * n + k];
      if (i == k || f == 0) continue;
      for (int j = 0; j < n; ++j) {
        A[(size_t)i * n + j] -= f * A[(size_t)k * n + j];
        inverse[(size_t)i * n + j] -= f * inverse[(size_t)k * n + j];
      }
    }
  }
  return true;
}

// The program's inequalities followed by the artificial box's: x_i <= upper_i
// at m + 2i, -x_i <= -lower_i at m + 2i + 1.
class Simplex {
 public:
  Simplex(const LinearProgram& lp, const Vec& centre, const Vec& reach)
      : lp_(lp), n_(lp.n), m_(lp.rows()), G_(lp.G), h_(lp.h) {
    G_.resize((size_t)(m_ + 2 * n_) * n_, 0.0);
    h_.resize(m_ + 2 * n_);
    for (int i = 0; i < n_; ++i) {
      G_[(size_t)(m_ + 2 * i) * n_ + i] = 1.0, h_[m_ + 2 * i] = centre[i] + reach[i];
      G_[(size_t)(m_ + 2 * i + 1) * n_ + i] = -1.0, h_[m_ + 2 * i + 1] = reach[i] - centre[i];
    }
    for (int r = 0; r < m_ + 2 * n_; ++r) {
      double two = 0, one = 0;
      for (int i = 0; i < n_; ++i) two += row(r)[i] * row(r)[i], one += std::fabs(row(r)[i]);
      norm_.push_back(std::sqrt(two));
      absSum_.push_back(one);
    }
  }

  // The basis `start` where it is one whose multipliers are non-negative;
  // otherwise, for each variable, the artificial bound the objective leans
  // on (its multiplier |c_i|).
  bool begin(const std::vector<int>* start);
  LpSolution solve(int maxPivots, const std::function<bool()>& stop);

 private:
  const LinearProgram& lp_;
  const int n_, m_;
  Vec G_, h_;
  std::vector<int> basis_;
  Vec inverse_, x_, lambda_;  // the basis matrix's inverse; the vertex; the basis rows' multipliers
  Vec norm_, absSum_;         // each row's Euclidean norm and sum of |entries|

  const double* row(int r) const { return &G_[(size_t)r * n_]; }
  bool refresh(bool dualFeasible = true);
  void vertex();
  int mostViolated(bool firstOne) const;
  bool pivot(int entering, bool firstOne, bool* degenerate);
};

// The basis matrix's inverse and the multipliers afresh; false where the
// basis is singular, or (without `dualFeasible`, a start to be checked)
// where a multiplier is negative beyond rounding.
bool Simplex::refresh(bool dualFeasible) {
  Vec B((size_t)n_ * n_);
  for (int k = 0; k < n_; ++k) std::copy(row(basis_[k]), row(basis_[k]) + n_, &B[(size_t)k * n_]);
  if (!invert(n_, B, inverse_)) return false;
  // B' lambda = -c.
  lambda_.assign(n_, 0.0);
  double largest = 0;
  for (int k = 0; k < n_; ++k) {
    for (int i = 0; i < n_; ++i) lambda_[k] -= inverse_[(size_t)i * n_ + k] * lp_.c[i];
    largest = std::max(largest, std::fabs(lambda_[k]));
  }
  for (double& l : lambda_) {
    if (!dualFeasible && l < -START_NEGATIVE * largest) return false;
    l = std::max(0.0, l);
  }
  return true;
}

bool Simplex::begin(const std::vector<int>* start) {
  if (start && (int)start->size() == n_) {
    basis_ = *start;
    bool valid = true;
    for (int r : basis_) valid = valid && r >= 0 && r < m_;
    if (valid && refresh(false)) return true;
  }
  basis_.clear();
  for (int i = 0; i < n_; ++i) basis_.push_back(lp_.c[i] < 0 ? m_ + 2 * i : m_ + 2 * i + 1);
  return refresh();
}

// x = B^-1 h_B.
void Simplex::vertex() {
  x_.assign(n_, 0.0);
  for (int i = 0; i < n_; ++i)
    for (int k = 0; k < n_; ++k) x_[i] += inverse_[(size_t)i * n_ + k] * h_[basis_[k]];
}

// The inequality violated furthest (in distance from its plane), or with
// `firstOne` the violated one of smallest index; -1: none.
int Simplex::mostViolated(bool firstOne) const {
  int worst = -1;
  double distance = 0;
  double largestX = 0;
  for (double v : x_) largestX = std::max(largestX, std::fabs(v));
  for (int r = 0; r < m_ + 2 * n_; ++r) {
    const double* g = row(r);
    double value = -h_[r];
    for (int i = 0; i < n_; ++i) value += g[i] * x_[i];
    // The size of the row's terms, bounded by |h| + |g|_1 |x|_inf.
    if (!(value > VIOLATED * (std::fabs(h_[r]) + absSum_[r] * largestX)) || !(norm_[r] > 0)) continue;
    if (firstOne) return r;
    const double d = value / norm_[r];
    if (d > distance) distance = d, worst = r;
  }
  return worst;
}

// Brings `entering` into the basis in place of the row whose multiplier
// reaches zero first (among ties, with `firstOne`, the row of smallest
// index); false when none does (the program is infeasible). degenerate:
// whether the step was zero.
bool Simplex::pivot(int entering, bool firstOne, bool* degenerate) {
  // w = B^-T g_q: g_q = sum_k w_k g_{B_k}.
  Vec w(n_, 0.0);
  const double* g = row(entering);
  for (int k = 0; k < n_; ++k)
    for (int i = 0; i < n_; ++i) w[k] += inverse_[(size_t)i * n_ + k] * g[i];
  double largest = 0;
  for (double v : w) largest = std::max(largest, std::fabs(v));
  int leaving = -1;
  double step = HUGE_VAL;
  for (int k = 0; k < n_; ++k) {
    if (!(w[k] > PIVOT_SHARE * largest)) continue;
    const double ratio = lambda_[k] / w[k];
    // Among near ties the largest pivot, for the inverse's sake.
    const bool tie = leaving >= 0 && ratio <= step * (1 + 1e-12);
    if (ratio < step * (1 - 1e-12) ||
        (tie && (firstOne ? basis_[k] < basis_[leaving] : w[k] > w[leaving])))
      step = ratio, leaving = k;
  }
  if (leaving < 0) return false;
  *degenerate = !(step > 0);
  for (int k = 0; k < n_; ++k) lambda_[k] = std::max(0.0, lambda_[k] - step * w[k]);
  lambda_[leaving] = step;
  // The inverse after row `leaving` of B becomes g_q (Sherman-Morrison):
  // B^-1 - u (w' - e_p') / w_p, u its column `leaving`.
  Vec u(n_);
  for (int i = 0; i < n_; ++i) u[i] = inverse_[(size_t)i * n_ + leaving];
  const double wp = w[leaving];
  for (int j = 0; j < n_; ++j) w[j] = (w[j] - (j == leaving ? 1.0 : 0.0)) / wp;
  for (int i = 0; i < n_; ++i)
    for (int j = 0; j < n_; ++j) inverse_[(size_t)i * n_ + j] -= u[i] * w[j];
  basis_[leaving] = entering;
  return true;
}

LpSolution Simplex::solve(int maxPivots, const std::function<bool()>& stop) {
  LpSolution out;
  out.status = LpStatus::Singular;
  bool fresh = true;
  int sinceRefresh = 0, degenerateRun = 0;
  for (;;) {
    vertex();
    const bool bland = degenerateRun >= DEGENERATE_RUN;
    const int entering = mostViolated(bland);
    if (entering < 0) {
      // The last word is the fresh inverse's.
      if (fresh) break;
      if (!refresh()) return out;
      fresh = true, sinceRefresh = 0;
      continue;
    }
    if (out.pivots == maxPivots || (stop && out.pivots % STOP_EVERY == 0 && stop())) {
      out.status = LpStatus::PivotLimit;
      return out;
    }
    bool degenerate = false;
    if (!pivot(entering, bland, &degenerate)) {
      out.status = LpStatus::Infeasible;
      return out;
    }
    degenerateRun = degenerate ? degenerateRun + 1 : 0;
    ++out.pivots;
    fresh = false;
    if (++sinceRefresh == REFRESH_EVERY) {
      if (!refresh()) return out;
      fresh = true, sinceRefresh = 0;
    }
  }
  out.x = x_;
  out.lambda.assign(m_, 0.0);
  out.status = LpStatus::Optimal;
  out.basis = basis_;
  for (int k = 0; k < n_; ++k) {
    if (basis_[k] < m_) out.lambda[basis_[k]] = lambda_[k];
    // A vertex on the artificial box: no bounded optimum holds x there.
    else out.status = LpStatus::Unbounded;
  }
  return out;
}

}  // namespace

LpSolution dualSimplex(const LinearProgram& lp, const std::vector<double>& centre,
                       const std::vector<double>& reach, int maxPivots,
                       const std::vector<int>* start, const std::function<bool()>& stop) {
  if (lp.n <= 0 || (int)lp.c.size() != lp.n || lp.G.size() != (size_t)lp.rows() * lp.n ||
      centre.size() != (size_t)lp.n || reach.size() != (size_t)lp.n)
    return LpSolution();
  Simplex simplex(lp, centre, reach);
  if (!simplex.begin(start)) return LpSolution();
  return simplex.solve(maxPivots, stop);
}

}  // namespace ormid
