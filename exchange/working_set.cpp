#include "exchange/working_set.h"

#include "lower_level/lower_level.h"

#include <algorithm>
#include <cmath>

namespace ormid {

namespace {

// The coarse start never holds more points than this.
const double START_CAP = 2000;

std::vector<double> coarseValues(double lower, double upper, int count) {
  if (!(upper > lower) || count < 2) return {lower};
  std::vector<double> v(count);
  for (int i = 0; i < count; ++i) v[i] = lower + (upper - lower) * i / (count - 1);
  return v;
}

// Well inside: below the upper bound and above the lower one by 1e-3 of
// the constraint's own scale (magnitude: its largest |g| over T, or NaN).
bool wellInside(double g, double lower, double upper, double magnitude) {
  auto scale = [&](double bound) {
    return std::isfinite(magnitude) ? ownScale(bound, magnitude) : boundScale(bound);
  };
  if (!isPlusInfinity(upper) && g > upper - 1e-3 * scale(upper)) return false;
  if (!isMinusInfinity(lower) && g < lower + 1e-3 * scale(lower)) return false;
  return true;
}

}  // namespace

WorkingSet::WorkingSet(const Problem& p) : WorkingSet(p, false) {}

WorkingSet::WorkingSet(const Problem& p, bool remezStart) : p_(p), widths_(p.nt), finiteLambda_(p.mx, 0.0) {
  for (int d = 0; d < p.nt; ++d) widths_[d] = p.tu[d] - p.tl[d];
  for (int d = 0; d < p.nt; ++d)
    if (p.tl[d] > p.tu[d]) return;  // an empty T has no point to start from
  // About four points per coordinate of x, at least three values per
  // coordinate of T, within the cap (two values, the corners, beyond it).
  // From four coordinates on, the corners alone: 3^nt points that are never
  // dropped would weigh on every subproblem (729 rows in six coordinates),
  // and the trust region bounds a first step they leave open.
  int per = p.nt >= 4 ? 2 : std::max(3, (int)std::ceil(std::pow(p.nx + 2.0, 1.0 / std::max(1, p.nt))));
  while (per > 2 && std::pow((double)per, p.nt) > START_CAP) --per;
  addStart(std::pow(2.0, p.nt) <= START_CAP ? per : 1);
  if (remezStart && p.nt == 1 && p.nx >= 2) addChebyshevExtrema(p.nx);
}

// t_k = centre + half cos(pi k / degree), k = 0..degree: the points where
// the Chebyshev polynomial of that degree alternates, the Remez exchange's
// classic first reference.
void WorkingSet::addChebyshevExtrema(int degree) {
  const double centre = 0.5 * (p_.tl[0] + p_.tu[0]), half = 0.5 * (p_.tu[0] - p_.tl[0]);
  for (int k = degree; k >= 0; --k) {
    add({k == 0 ? p_.tu[0] : k == degree ? p_.tl[0] : centre + half * std::cos(M_PI * k / degree)});
  }
}

bool WorkingSet::refineStart() {
  const int finer = 2 * perCoordinate_ - 1;
  if (perCoordinate_ < 2 || std::pow((double)finer, p_.nt) > START_CAP) return false;
  addStart(finer);
  return true;
}

void WorkingSet::addStart(int per) {
  const Problem& p = p_;
  perCoordinate_ = per;
  std::vector<std::vector<double>> values(p.nt);
  for (int d = 0; d < p.nt; ++d)
    values[d] = per > 1 ? coarseValues(p.tl[d], p.tu[d], per) : std::vector<double>{(p.tl[d] + p.tu[d]) / 2};
  std::vector<size_t> index(p.nt, 0);
  std::vector<double> t(p.nt);
  for (;;) {
    for (int d = 0; d < p.nt; ++d) t[d] = values[d][index[d]];
    add(t);
    // The start's points (new or already in the set) are never dropped.
    for (WorkingPoint& q : points_)
      if (q.t == t) q.initial = true;
    int d = 0;
    while (d < p.nt && ++index[d] == values[d].size()) index[d++] = 0;
    if (d == p.nt) break;
  }
}

bool WorkingSet::add(const std::vector<double>& t, int j) {
  for (WorkingPoint& q : points_) {
    if (boxDistance(q.t, t, widths_) > 1e-9) continue;
    bool added = false;
    for (int k = 0; k < p_.mt; ++k)
      if ((j < 0 || k == j) && !q.held[k]) q.held[k] = 1, added = true;
    return added;
  }
  WorkingPoint point;
  point.t = t;
  point.lambda.assign(p_.mt, 0.0);
  point.held.assign(p_.mt, 0);
  for (int k = 0; k < p_.mt; ++k) point.held[k] = j < 0 || k == j;
  points_.push_back(point);
  return true;
}

int WorkingSet::update(const std::vector<double>& lambda, const Problem& p, const double* x,
                       const std::vector<double>& magnitude, bool forget) {
  const size_t rows = p.mx + (size_t)p.mt * points_.size();
  if (lambda.size() != rows) return 0;  // a solver without multipliers: keep every point
  finiteLambda_.assign(lambda.begin(), lambda.begin() + p.mx);
  for (size_t k = 0; k < points_.size(); ++k)
    for (int j = 0; j < p.mt; ++j) points_[k].lambda[j] = lambda[p.mx + k * p.mt + j];
  int dropped = 0;
  std::vector<WorkingPoint> kept;
  for (WorkingPoint& q : points_) {
    bool inactive = true;
    for (int j = 0; j < p.mt; ++j) {
      int error = 0;
      double g = p.evaluate(Request::InfiniteValue, j, x, q.t.data(), nullptr, nullptr, nullptr, &error, p.data);
      const double size = j < (int)magnitude.size() ? magnitude[j] : NAN;
      const bool idle = std::fabs(q.lambda[j]) < 1e-12 && !error && wellInside(g, p.ctl[j], p.ctu[j], size);
      // The coarse start holds every constraint: it keeps the subproblem
      // bounded and its iterates near the last.
      q.held[j] = q.initial || !idle || (!forget && q.held[j]);
      inactive = inactive && idle;
    }
    q.idle = inactive ? q.idle + 1 : 0;
    if (forget && !q.initial && q.idle >= DROP_AFTER) {
      ++dropped;
      continue;
    }
    kept.push_back(q);
  }
  points_.swap(kept);
  return dropped;
}

PointList WorkingSet::points() const {
  PointList list;
  for (const WorkingPoint& q : points_) list.push_back(q.t);
  return list;
}

std::vector<char> WorkingSet::held() const {
  std::vector<char> mask;
  for (const WorkingPoint& q : points_) mask.insert(mask.end(), q.held.begin(), q.held.end());
  return mask;
}

std::vector<double> WorkingSet::warmStart() const {
  std::vector<double> lambda = finiteLambda_;
  for (const WorkingPoint& q : points_) lambda.insert(lambda.end(), q.lambda.begin(), q.lambda.end());
  return lambda;
}

void addPoints(WorkingSet& set, const std::vector<Point>& points) {
  for (const Point& q : points) set.add(q.t, q.constraint);
}

}  // namespace ormid
