#include "exchange/reduction.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "certificate/nnls.h"
#include "core/run_clock.h"
#include "core/sip.h"
#include "kernels/dense_lu.h"
#include "kernels/vector_ops.h"

namespace ormid {

namespace {

const int MAX_STEPS = 30;
// Converged: the KKT residual and the active rows' values at this share of
// their scales.
const double KKT_TOLERANCE = 1e-12;
// Below this a residual that stops falling has met the rounding of the
// evaluations (a constraint of size 1e-8 made of terms of size 1 is known
// to about 1e-7 of itself): the phase has converged as far as it can.
const double ROUNDING_LEVEL = 1e-6;
// Maximisers within this share of their constraint's scale are tracked.
const double NEAR_ACTIVE = 1e-2;
// A maximiser the phase does not track sends the run back to the exchange
// phase once it is violated by this share of its scale.
const double NEW_VIOLATION = 1e-10;
// New maximisers violated by at most this share of their scale join the
// active rows at most MAX_ABSORBED times a phase, rather than ending it: where
// a maximiser leaves a face of T along a flat ridge, the step that moves it
// off the face is what makes it appear.
const double ABSORBED_VIOLATION = 1e-4;
const int MAX_ABSORBED = 3;
// Rows within this share of their scale (or ten times the violation, where
// larger) of their bound may carry a fitted multiplier.
const double FIT_BAND = 1e-6;
// Multipliers below this share of the largest are taken for zero.
const double MULTIPLIER_SHARE = 1e-6;
// An active row whose maximiser is lost or degenerate leaves the Newton
// system when its multiplier is below this share of the largest.
const double WATCHED_SHARE = 1e-3;
// Two climbed maximisers this near (box widths) are one.
const double MATCH_DISTANCE = 1e-5;
// A step that loses a maximiser is halved this many times before the phase
// gives up: far from the solution the full step can carry x past where a
// maximiser merges with another or leaves its neighbourhood.
const int STEP_HALVINGS = 4;
// Gradient steps from a working set point before Newton's method in t
// places its maximiser: along a flat ridge of T gradient steps zigzag for
// as long as they are allowed.
const int POINT_CLIMB_STEPS = 10;
// An active row's gradient that keeps less than this share of its norm
// once projected off the gradients of the rows with larger multipliers
// depends on them.
const double DEPENDENT_SHARE = 1e-9;

enum class Kind { Infinite, Finite, Bound };

struct Row {
  Kind kind = Kind::Infinite;
  int index = 0;  // the infinite or finite constraint, or the variable
  int side = 1;
  Maximiser m;
  double mu = 0;
  bool equality = false;  // in the Newton system; otherwise only watched
  double scale = 1;
  ReducedConstraint at;  // at the current x
};

double boundOf(const Problem& p, Kind kind, int k, int side) {
  if (kind == Kind::Infinite) return side > 0 ? p.ctu[k] : p.ctl[k];
  if (kind == Kind::Finite) return side > 0 ? p.cxu[k] : p.cxl[k];
  return side > 0 ? p.xu[k] : p.xl[k];
}

class Phase {
 public:
  Phase(SipContext& c, const Scan& full)
      : c_(c), p_(c.problem), full_(full), coarse_(coarseScan(p_)), x_(c.x),
        w_(widths(p_)) {}

  ReductionOutcome run(const PointList& points, const std::vector<double>& lambda);

 private:
  SipContext& c_;
  const Problem& p_;
  const Scan& full_;  // the certificate's scan: the last word on new maximisers
  const Scan coarse_;  // the scan of each step
  Vec x_;
  Vec w_;
  // Constraints linear in x, whose rounding level is known (roundingLevel):
  // 1, 0, or -1 until first asked (the pattern has nx^2 entries).
  int linearRows_ = -1;
  std::vector<Row> rows_;
  Vec magnitude_;  // each infinite constraint's largest |g| over the scan
  Vec gradF_, hessF_;
  long evaluations_ = 0;
  double newViolation_ = 0;  // the largest of the last scan's new maximisers, on their scale
  int absorbed_ = 0;         // times new maximisers joined the rows
  ReductionOutcome out_;

  double rowScale(int j, int side) const {
    return ownScale(boundOf(p_, Kind::Infinite, j, side), magnitude_[j]);
  }
  bool tracked(int j, const Vec& t, double within) const;
  Row* nearestRow(int j, int side, const Vec& t, double within);
  std::vector<LocalMaximum> nearActive(const Scan& scan, int j, bool firstScan, PointList* unknown);
  bool foundNewMaximisers(const Scan& scan);
  bool withinRounding(const LocalMaximum& m, int j);
  void trackMaximisers();
  void takeMultipliers(const PointList& points, const std::vector<double>& lambda);
  void fitMultipliers(double gradientScale);
  Row& addFinite(int k, int side, double mu);
  bool track(const LocalMaximum& m, int j, double mu);
  bool evaluate(std::string* why);
  double kktResidual(double gradientScale) const;
  double violation() const;
  bool solveKkt(const std::vector<Row*>& active, double delta, Vec& rhs) const;
  double proximalTerm(const std::vector<Row*>& active, double kktSize) const;
  bool newtonStep(double kktSize, Vec& dx);
  void holdBasicSet();
  bool step(const Vec& dx);
  bool dampedStep(const Vec& dx, std::string* why);
  void watchFiniteConstraints();
  bool absorbs();
  void joinViolatedRows();
  ReductionEnd stopFor() const;
  ReductionOutcome finish(ReductionEnd end, const std::string& message);
};

// Whether a row follows a maximiser of constraint j within `within` box
// widths of t.
bool Phase::tracked(int j, const Vec& t, double within) const {
  for (const Row& r : rows_)
    if (r.kind == Kind::Infinite && r.index == j && boxDistance(r.m.t, t, w_) <= within) return true;
  return false;
}

// The row following the maximiser of constraint j on `side` nearest t,
// within `within` box widths; null where there is none.
Row* Phase::nearestRow(int j, int side, const Vec& t, double within) {
  Row* nearest = nullptr;
  for (Row& r : rows_) {
    if (r.kind != Kind::Infinite || r.index != j || r.side != side) continue;
    const double distance = boxDistance(r.m.t, t, w_);
    if (distance <= within) within = distance, nearest = &r;
  }
  return nearest;
}

// Climbed local maxima of constraint j within NEAR_ACTIVE of its scale.
// Later scans report the violated ones far from every tracked maximiser in
// `unknown`.
std::vector<LocalMaximum> Phase::nearActive(const Scan& scan, int j, bool firstScan,
                                            PointList* unknown) {
  ViolationFunction v{p_, x_.data(), j, &evaluations_, &c_.scans};
  std::vector<int> sides;
  Vec values = scanValues(v, scan, &sides);
  if (firstScan) magnitude_[j] = largestMagnitude(p_, j, values, sides);
  double scale = 0;
  for (int side : {1, -1})
    if (!(side > 0 ? isPlusInfinity(p_.ctu[j]) : isMinusInfinity(p_.ctl[j])))
      scale = std::max(scale, rowScale(j, side));
  const double threshold = -NEAR_ACTIVE * scale;
  const size_t cap = activePointCap(p_.nx);
  std::vector<LocalMaximum> found;
  for (size_t i : scanMaxima(scan, values, p_.nt, threshold)) {
    if (found.size() >= cap) break;
    if (tracked(j, scan.points[i], 2 * scan.spacing())) continue;
    const LocalMaximum m = climb(v, scan, values, i);
    // A scan point further off may climb to a tracked maximiser all the same
    // (along a ridge, say).
    if (tracked(j, m.t, MATCH_DISTANCE) || !addUnlessRepeated(found, m, w_)) continue;
    if (unknown && m.violation > NEW_VIOLATION * rowScale(j, m.side) && !withinRounding(m, j)) {
      unknown->push_back(m.t);
      newViolation_ = std::max(newViolation_, m.violation / rowScale(j, m.side));
    }
  }
  return found;
}

// A violation within the rounding of the evaluations (roundingLevel), asked
// only of rows linear in x and of violations small beside their scale.
bool Phase::withinRounding(const LocalMaximum& m, int j) {
  if (!(m.violation <= ABSORBED_VIOLATION * rowScale(j, m.side))) return false;
  if (linearRows_ < 0) linearRows_ = constraintsLinearInX(p_);
  return linearRows_ && m.violation <= roundingLevel(p_, j, x_.data(), m.t.data(), &evaluations_);
}

bool Phase::track(const LocalMaximum& m, int j, double mu) {
  for (Row& r : rows_)
    if (r.kind == Kind::Infinite && r.index == j && r.side == m.side &&
        boxDistance(r.m.t, m.t, w_) <= MATCH_DISTANCE) {
      r.mu += mu;
      return false;
    }
  Row r;
  r.kind = Kind::Infinite, r.index = j, r.side = m.side, r.mu = mu;
  r.m.constraint = j, r.m.side = m.side, r.m.t = m.t;
  r.scale = rowScale(j, m.side);
  rows_.push_back(r);
  return true;
}

Row& Phase::addFinite(int k, int side, double mu) {
  for (Row& r : rows_)
    if (r.kind == Kind::Finite && r.index == k && r.side == side) return r;
  Row r;
  r.kind = Kind::Finite, r.index = k, r.side = side, r.mu = mu;
  r.scale = boundScale(boundOf(p_, Kind::Finite, k, side));
  rows_.push_back(r);
  return rows_.back();
}

void Phase::trackMaximisers() {
  magnitude_.assign(p_.mt, 0.0);
  for (int j = 0; j < p_.mt; ++j)
    for (const LocalMaximum& m : nearActive(coarse_, j, true, nullptr)) track(m, j, 0.0);
}

// The subproblem's row multipliers (Ipopt's sign: positive against the
// upper bound) go to the maximiser each point climbs to.
void Phase::takeMultipliers(const PointList& points, const std::vector<double>& lambda) {
  // An interior point solver leaves inactive rows tiny multipliers.
  double largest = 0;
  for (double l : lambda) largest = std::max(largest, std::fabs(l));
  const double negligible = MULTIPLIER_SHARE * largest;
  for (int k = 0; k < p_.mx && k < (int)lambda.size(); ++k)
    if (std::fabs(lambda[k]) > negligible) addFinite(k, lambda[k] > 0 ? 1 : -1, std::fabs(lambda[k]));
  for (size_t q = 0; q < points.size(); ++q)
    for (int j = 0; j < p_.mt; ++j) {
      const size_t r = p_.mx + q * p_.mt + j;
      if (r >= lambda.size() || !(std::fabs(lambda[r]) > negligible)) continue;
      // A point within two spacings of the coarse scan of a tracked
      // maximiser stands for it (as a scan point there does). Any other
      // climbs to the maximiser it stands for, in steps as long as half the
      // way to its nearest neighbour in the set (a point of the coarse start
      // may stand far from its maximiser).
      const int side = lambda[r] > 0 ? 1 : -1;
      if (Row* near = nearestRow(j, side, points[q], 2 * coarse_.spacing())) {
        near->mu += std::fabs(lambda[r]);
        continue;
      }
      double neighbour = HUGE_VAL;
      for (size_t o = 0; o < points.size(); ++o)
        if (o != q) neighbour = std::min(neighbour, boxDistance(points[o], points[q], w_));
      ViolationFunction v{p_, x_.data(), j, &evaluations_};
      const double step = std::max(2 * coarse_.spacing(), std::isfinite(neighbour) ? neighbour / 2 : 0.0);
      const LocalMaximum m = climbFrom(v, points[q], step, POINT_CLIMB_STEPS);
      if (m.side != side) continue;
      track(m, j, std::fabs(lambda[r]));
    }
  for (int i = 0; i < p_.nx; ++i)
    for (int side : {1, -1}) {
      const double b = boundOf(p_, Kind::Bound, i, side);
      if ((side > 0 ? isPlusInfinity(b) : isMinusInfinity(b)) ||
          std::fabs(x_[i] - b) > 1e-9 * boundScale(b))
        continue;
      Row r;
      r.kind = Kind::Bound, r.index = i, r.side = side, r.equality = true;
      r.scale = boundScale(b);
      rows_.push_back(r);
    }
  for (Row& r : rows_)
    if (r.kind != Kind::Bound) r.equality = r.mu > 0;
}

// The multipliers that fit the objective's gradient best (non-negative
// least squares over the rows near their bound), where they fit better than
// the subproblem's: those sit on working set points, whose gradients only
// approach the maximisers' (a vertex of a linear subproblem spreads them over
// neighbouring points), and a first Newton step with the wrong curvature
// terms runs off.
void Phase::fitMultipliers(double gradientScale) {
  const double band = std::max(FIT_BAND, 10 * violation());
  std::vector<Row*> near;
  for (Row& r : rows_)
    if (r.kind != Kind::Bound && r.at.value >= -band * r.scale) near.push_back(&r);
  if (near.empty()) return;
  const int n = p_.nx;
  // Bound rows hold their variables whatever the multipliers: their
  // coordinates of the gradient are left out of the fit.
  std::vector<char> atBound(n, 0);
  for (const Row& r : rows_)
    if (r.kind == Kind::Bound) atBound[r.index] = 1;
  std::vector<double> A((size_t)n * near.size()), b(n);
  for (int i = 0; i < n; ++i) {
    b[i] = atBound[i] ? 0.0 : -gradF_[i];
    for (size_t k = 0; k < near.size(); ++k) A[k * n + i] = atBound[i] ? 0.0 : near[k]->at.grad[i];
  }
  double residual = 0;
  const std::vector<double> z = nonNegativeLeastSquares(A, n, (int)near.size(), b, &residual);
  const std::vector<Row> before = rows_;
  const double was = kktResidual(gradientScale);
  double largest = 0;
  for (double v : z) largest = std::max(largest, v);
  for (Row& r : rows_)
    if (r.kind != Kind::Bound) r.mu = 0, r.equality = false;
  for (size_t k = 0; k < near.size(); ++k) near[k]->mu = z[k], near[k]->equality = z[k] > MULTIPLIER_SHARE * largest;
  if (!(kktResidual(gradientScale) < was)) rows_ = before;
}

// Follows every maximiser to x and evaluates every row there. A watched
// maximiser that is lost is no longer tracked; an active one ends the phase.
bool Phase::evaluate(std::string* why) {
  double largestMu = 0;
  for (const Row& r : rows_) largestMu = std::max(largestMu, r.mu);
  std::vector<Row> kept;
  for (Row& r : rows_) {
    PathStatus s = PathStatus::Followed;
    if (r.kind == Kind::Infinite) {
      s = followMaximiser(c_, x_.data(), r.m, why);
      if (s == PathStatus::Followed) s = reducedConstraint(c_, x_.data(), r.m, r.at);
    } else if (r.kind == Kind::Finite) {
      double value;
      if (!finiteDerivatives(c_, r.index, x_.data(), &value, r.at.grad, r.at.hess)) s = PathStatus::Lost;
      r.at.value = r.side * (value - boundOf(p_, Kind::Finite, r.index, r.side));
      for (double& v : r.at.grad) v *= r.side;
      for (double& v : r.at.hess) v *= r.side;
    } else {
      r.at.value = r.side * (x_[r.index] - boundOf(p_, Kind::Bound, r.index, r.side));
      r.at.grad.assign(p_.nx, 0.0), r.at.grad[r.index] = r.side;
      r.at.hess.clear(), r.at.lowRank.clear(), r.at.rank = 0;
    }
    // A maximiser with a negligible share of the multipliers is only watched.
    if (s != PathStatus::Followed && r.equality && r.mu > WATCHED_SHARE * largestMu) {
      if (s == PathStatus::Degenerate) {
        out_.end = ReductionEnd::Degenerate;
        char where[128];
        snprintf(where, sizeof where, " at a maximiser of constraint %d", r.index);
        *why += where;
      }
      return false;
    }
    // Two rows that settled on one maximiser are one row.
    bool merged = false;
    for (Row& q : kept)
      if (s == PathStatus::Followed && q.kind == Kind::Infinite && r.kind == Kind::Infinite &&
          q.index == r.index && q.side == r.side && boxDistance(q.m.t, r.m.t, w_) < 1e-8) {
        q.mu += r.mu, q.equality = q.equality || r.equality, merged = true;
      }
    if (s == PathStatus::Followed && !merged) kept.push_back(r);
  }
  rows_ = kept;
  if (!objectiveDerivatives(c_, x_.data(), gradF_, hessF_)) {
    *why = "the objective could not be evaluated";
    return false;
  }
  return true;
}

double Phase::kktResidual(double gradientScale) const {
  Vec r(gradF_.begin(), gradF_.begin() + p_.nx);
  for (const Row& row : rows_)
    if (row.equality)
      for (int i = 0; i < p_.nx; ++i) r[i] += row.mu * row.at.grad[i];
  const double scale = std::max(norm2(p_.nx, gradF_.data()), gradientScale);
  return norm2(p_.nx, r.data()) / (scale > 0 ? scale : 1.0);
}

// Active rows off their bound, watched rows beyond it, relative to their scale.
double Phase::violation() const {
  double v = 0;
  for (const Row& r : rows_)
    v = std::max(v, (r.equality ? std::fabs(r.at.value) : std::max(0.0, r.at.value)) / r.scale);
  return v;
}

// The KKT system of the active rows, [W + delta I, A'; A 0] [dx; mu] =
// [-grad f; -G], solved in place: the solution replaces rhs.
bool Phase::solveKkt(const std::vector<Row*>& active, double delta, Vec& rhs) const {
  const int n = p_.nx, m = (int)active.size(), size = n + m;
  Vec K((long)size * size, 0.0);
  rhs.assign(size, 0.0);
  for (long e = 0; e < (long)n * n; ++e) K[(e / n) * size + e % n] = hessF_[e];
  for (int a = 0; a < m; ++a) {
    const Row& r = *active[a];
    r.at.addHessian(r.mu, K.data(), n, size);
    for (int i = 0; i < n; ++i) K[(long)i * size + n + a] = K[(long)(n + a) * size + i] = r.at.grad[i];
    rhs[n + a] = -r.at.value;
  }
  for (int i = 0; i < n; ++i) rhs[i] = -gradF_[i], K[(long)i * size + i] += delta;
  return luSolve(size, K, rhs);
}

// The proximal term of a step whose Hessian block is singular on the
// active gradients' null space: fewer maximisers carry a multiplier than
// the solution has, so too few curvature terms are in W. Scaled to W's
// largest entry (to the objective's gradient where W is zero) and by the
// KKT size, so that it vanishes at a solution.
double Phase::proximalTerm(const std::vector<Row*>& active, double kktSize) const {
  const int n = p_.nx;
  Vec W = hessF_;
  for (const Row* r : active) r->at.addHessian(r->mu, W.data(), n, n);
  double largest = 0;
  for (double w : W) largest = std::max(largest, std::fabs(w));
  if (!(largest > 0)) largest = norm2(n, gradF_.data());
  return std::min(kktSize, 1.0) * (largest > 0 ? largest : 1.0);
}

// Newton's step on the KKT system of the active rows. A negative
// multiplier takes its row out and the system is solved again. A singular
// system is solved with the proximal term; one that stays singular has
// more active rows than the gradients can tell apart (the corners of a
// box, say): the row with the least multiplier among those not violated is
// then only watched.
// Where the active rows' gradients are dependent (64 maximisers whose
// gradients span 20 directions), their multipliers are not unique and the
// KKT matrix is singular: the rows that add a direction to those with
// larger multipliers stay active, the others are only watched. Bounds of
// x go first (they hold exactly), then violated rows (the step must mend
// them), then the rest by multiplier.
void Phase::holdBasicSet() {
  const int n = p_.nx;
  std::vector<Row*> active;
  for (Row& r : rows_)
    if (r.equality) active.push_back(&r);
  auto violated = [](const Row* r) { return r->at.value > KKT_TOLERANCE * r->scale; };
  std::stable_sort(active.begin(), active.end(), [&](const Row* a, const Row* b) {
    if ((a->kind == Kind::Bound) != (b->kind == Kind::Bound)) return a->kind == Kind::Bound;
    if (violated(a) != violated(b)) return violated(a);
    return a->mu > b->mu;
  });
  std::vector<Vec> basis;  // orthonormal directions of the rows kept
  for (Row* r : active) {
    Vec v = r->at.grad;
    const double size = norm2(n, v.data());
    for (int pass = 0; pass < 2; ++pass)
      for (const Vec& q : basis) {
        double d = 0;
        for (int i = 0; i < n; ++i) d += q[i] * v[i];
        for (int i = 0; i < n; ++i) v[i] -= d * q[i];
      }
    const double left = norm2(n, v.data());
    if ((int)basis.size() < n && left > DEPENDENT_SHARE * size && size > 0) {
      for (double& e : v) e /= left;
      basis.push_back(v);
    } else {
      r->equality = false, r->mu = 0;
    }
  }
}

bool Phase::newtonStep(double kktSize, Vec& dx) {
  const int n = p_.nx;
  holdBasicSet();
  for (;;) {
    std::vector<Row*> active;
    for (Row& r : rows_)
      if (r.equality) active.push_back(&r);
    const int m = (int)active.size();
    Vec solution;
    if (!solveKkt(active, 0.0, solution) &&
        !solveKkt(active, proximalTerm(active, kktSize), solution)) {
      // A violated row stays: it is the one the step must mend.
      Row* least = nullptr;
      for (bool violatedToo : {false, true}) {
        for (Row* r : active)
          if (r->kind != Kind::Bound && (violatedToo || r->at.value <= KKT_TOLERANCE * r->scale) &&
              (!least || r->mu < least->mu))
            least = r;
        if (least) break;
      }
      if (!least || m <= 1) return false;
      least->equality = false, least->mu = 0;
      continue;
    }
    int worst = -1;
    for (int a = 0; a < m; ++a)
      if (solution[n + a] < 0 && (worst < 0 || solution[n + a] < solution[n + worst])) worst = a;
    if (worst >= 0) {
      active[worst]->equality = false, active[worst]->mu = 0;
      continue;
    }
    for (int a = 0; a < m; ++a) active[a]->mu = std::max(0.0, solution[n + a]);
    dx.assign(solution.begin(), solution.begin() + n);
    return true;
  }
}

// x + dx within the bounds of x (a bound met joins the active rows).
bool Phase::step(const Vec& dx) {
  for (int i = 0; i < p_.nx; ++i) {
    x_[i] += dx[i];
    for (int side : {1, -1}) {
      const double b = boundOf(p_, Kind::Bound, i, side);
      if ((side > 0 ? isPlusInfinity(b) : isMinusInfinity(b)) || side * (x_[i] - b) <= 0) continue;
      x_[i] = b;
      Row r;
      r.kind = Kind::Bound, r.index = i, r.side = side, r.equality = true, r.scale = boundScale(b);
      bool known = false;
      for (const Row& q : rows_) known = known || (q.kind == Kind::Bound && q.index == i && q.side == side);
      if (!known) rows_.push_back(r);
    }
  }
  return allFinite(p_.nx, x_.data());
}

// x + dx, or a shorter step along dx, at which every active maximiser
// could be followed and every row evaluated.
bool Phase::dampedStep(const Vec& dx, std::string* why) {
  const Vec from = x_;
  const std::vector<Row> rows = rows_;
  Vec scaled = dx;
  for (int halving = 0;; ++halving) {
    if (!step(scaled)) {
      *why = "the step is not finite";
      return false;
    }
    if (evaluate(why)) return true;
    if (halving == STEP_HALVINGS) return false;
    x_ = from, rows_ = rows, out_.end = ReductionEnd::NoProgress;
    for (double& v : scaled) v *= 0.5;
  }
}

// T scanned at x: near-active maximisers join the watched rows; true when
// one that no row tracks is violated (in out_.newPoints).
bool Phase::foundNewMaximisers(const Scan& scan) {
  newViolation_ = 0;
  for (int j = 0; j < p_.mt; ++j)
    for (const LocalMaximum& m : nearActive(scan, j, false, &out_.newPoints)) track(m, j, 0.0);
  return !out_.newPoints.empty();
}

// New maximisers violated by a hair join the rows, at most MAX_ABSORBED
// times a phase; false when they end it.
bool Phase::absorbs() {
  if (newViolation_ > ABSORBED_VIOLATION || absorbed_++ == MAX_ABSORBED) return false;
  out_.newPoints.clear();
  return true;
}

// Watched rows the step has broken join the active ones.
void Phase::joinViolatedRows() {
  for (Row& r : rows_)
    if (!r.equality && r.at.value > KKT_TOLERANCE * r.scale) r.equality = true;
}

// A finite constraint the step has broken joins the active rows.
void Phase::watchFiniteConstraints() {
  for (int k = 0; k < p_.mx; ++k) {
    int error = 0;
    const double v = c_.evaluate(Request::FiniteValue, k, x_.data(), nullptr, nullptr, nullptr, nullptr, &error);
    for (int side : {1, -1}) {
      const double b = boundOf(p_, Kind::Finite, k, side);
      const bool bounded = !(side > 0 ? isPlusInfinity(b) : isMinusInfinity(b));
      if (bounded && side * (v - b) > KKT_TOLERANCE * boundScale(b)) addFinite(k, side, 0.0).equality = true;
    }
  }
}

// How an evaluation that failed ends the phase.
ReductionEnd Phase::stopFor() const {
  return out_.end == ReductionEnd::Degenerate ? ReductionEnd::Degenerate : ReductionEnd::NoProgress;
}

ReductionOutcome Phase::finish(ReductionEnd end, const std::string& message) {
  out_.end = end;
  out_.message = message;
  c_.countInfiniteValues(evaluations_);
  if (end == ReductionEnd::Converged) c_.x = x_;
  return out_;
}

ReductionOutcome Phase::run(const PointList& points, const std::vector<double>& lambda) {
  trackMaximisers();
  takeMultipliers(points, lambda);
  std::string why;
  if (!evaluate(&why)) return finish(out_.end, why);
  const double gradientScale = norm2(p_.nx, gradF_.data());
  fitMultipliers(gradientScale);
  c_.print(PrintLevel::Iterations, "Newton\tActive\tObjective\tKKT residual\tViolation\n");
  double previous = HUGE_VAL;
  auto stallsAt = [&](double size, int it) {
    return it >= 2 && size <= ROUNDING_LEVEL && size > 0.25 * previous;
  };
  for (int it = 0;; ++it) {
    int active = 0;
    for (const Row& r : rows_) active += r.equality;
    const double kkt = kktResidual(gradientScale), viol = violation();
    out_.kkt = kkt, out_.steps = it;
    c_.print(PrintLevel::Iterations, "%d\t%d\t%.10e\t%.3e\t%.3e\n", it, active,
           c_.modelObjective(c_.evaluate(Request::ObjectiveValue, 0, x_.data())), kkt, viol);
    c_.iterationDone("newton", it, x_.data(), viol);
    const double size = std::max(kkt, viol);
    const bool converged = size <= KKT_TOLERANCE;
    // A maximiser the full scan finds violated by a hair joins the rows.
    bool joined = false;
    if (converged || stallsAt(size, it)) {
      if (!foundNewMaximisers(full_))
        return finish(ReductionEnd::Converged, converged ? "" : "at the rounding level of the evaluations");
      if (!absorbs()) return finish(ReductionEnd::NewMaximisers, "a new maximiser is violated");
      if (!evaluate(&why)) return finish(stopFor(), why);
      joinViolatedRows();
      joined = true;
    }
    if (it >= MAX_STEPS) return finish(ReductionEnd::NoProgress, "no convergence in Newton steps");
    if (it >= 3 && size > previous) return finish(ReductionEnd::NoProgress, "the KKT residual grows");
    if (timeIsUp(c_)) return finish(ReductionEnd::NoProgress, "time_limit reached");
    previous = joined ? HUGE_VAL : size;
    Vec dx;
    if (!newtonStep(size, dx))
      return finish(ReductionEnd::Degenerate, "the active constraints' gradients are dependent");
    if (!dampedStep(dx, &why)) return finish(stopFor(), why);
    // T again, against the maximisers where they have moved to (unless the
    // phase stops here: the full scan follows).
    const size_t tracked = rows_.size();
    const double reached = std::max(kktResidual(gradientScale), violation());
    const bool stops = reached <= KKT_TOLERANCE || stallsAt(reached, it + 1);
    if (!stops && foundNewMaximisers(coarse_)) {
      if (!absorbs()) return finish(ReductionEnd::NewMaximisers, "a new maximiser is violated");
      previous = HUGE_VAL;
    }
    watchFiniteConstraints();
    if (rows_.size() > tracked && !evaluate(&why)) return finish(stopFor(), why);
    joinViolatedRows();
  }
}

}  // namespace

ReductionOutcome reduce(SipContext& c, const Scan& scan, const PointList& points,
                        const std::vector<double>& lambda) {
  if (c.problem.nt == 0 || scan.points.empty()) return ReductionOutcome();
  Phase phase(c, scan);
  return phase.run(points, lambda);
}

}  // namespace ormid
