#include "certificate/certificate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <utility>

#include "lower_level/lower_level.h"
#include "certificate/nnls.h"
#include "core/sip.h"

namespace ormid {

namespace {

typedef std::vector<double> Vec;

// Local maxima sharpened per infinite constraint: a solution may need one
// active maximiser per variable, and plateau scan points stand in for a
// maximiser only to the scan's accuracy.
int startsPerConstraint(const Problem& p) { return std::max(5, p.nx + 5); }
// Above this relative violation a point is infeasible, not merely uncertain.
const double UNCERTAIN_TOLERANCE = 1e-3;
// The widest active tolerance, relative to max(1, |bound|): beyond it a
// point is not near its bound on any scale.
const double WIDEST_TOLERANCE = 1e-2;
// Where the objective's value is 0, its size is this much of
// ||grad f|| * max(1, ||x||_inf).
const double OBJECTIVE_FLOOR = 1e-8;
// A fit this close to exact is not worth refitting with the plateaus.
const double EXACT_FIT = 1e-12;
// Weights of the gap against the residual in the refits of a stationary fit.
const double GAP_WEIGHTS[] = {1.0, 1e-2, 1e-4};
// Widening steps: enough to go from the smallest scale to the widest.
const int MAX_LEVELS = 400;

struct Collector {
  Certificate& c;
  void record(double violation, double bound) {
    if (std::isnan(violation)) violation = HUGE_VAL;
    if (violation <= 0) return;
    c.absolute = std::max(c.absolute, violation);
    c.scaled = std::max(c.scaled, violation / boundScale(bound));
  }
  // Against both bounds of a value.
  void within(double v, double lower, double upper) {
    if (std::isnan(v)) return record(NAN, 0);
    if (!isMinusInfinity(lower)) record(lower - v, lower);
    if (!isPlusInfinity(upper)) record(v - upper, upper);
  }
};

double finiteValue(const Problem& p, int k, const double* x, long* evaluations) {
  ++*evaluations;
  int error = 0;
  double v = p.evaluate(Request::FiniteValue, k, x, nullptr, nullptr, nullptr, nullptr, &error, p.data);
  return error ? NAN : v;
}

double norm(const Vec& v) {
  double s = 0;
  for (double e : v) s += e * e;
  return std::sqrt(s);
}

// The gradient of the minimised objective (the model's, negated when it is
// maximised).
Vec objectiveGradient(const Problem& p, const double* x, long* evaluations) {
  Vec g(p.nx, 0.0);
  ++*evaluations;
  int error = 0;
  p.evaluate(Request::ObjectiveGradient, 0, x, nullptr, g.data(), nullptr, nullptr, &error, p.data);
  for (double& v : g) v = error ? NAN : p.sense * v;
  return g;
}

// A bound of x or a finite constraint near its bound: the outward normal,
// the distance to the bound and that distance relative to max(1, |bound|).
struct FiniteRow {
  Vec normal;
  double distance, relative;
};

// The bounds and finite constraints within the widest tolerance of a bound.
std::vector<FiniteRow> finiteRows(const Problem& p, const double* x, Certificate& c) {
  std::vector<FiniteRow> rows;
  Collector col{c};
  auto consider = [&](double v, double bound, bool upper, const Vec& gradient) {
    const double distance = std::fabs(v - bound), relative = distance / boundScale(bound);
    if (!(relative <= WIDEST_TOLERANCE)) return;
    Vec normal = gradient;
    if (!upper)
      for (double& e : normal) e = -e;
    rows.push_back({normal, distance, relative});
  };
  auto near = [](double v, double bound) {
    return std::fabs(v - bound) <= WIDEST_TOLERANCE * boundScale(bound);
  };
  for (int i = 0; i < p.nx; ++i) {
    col.within(x[i], p.xl[i], p.xu[i]);
    Vec e(p.nx, 0.0);
    e[i] = 1;
    if (!isPlusInfinity(p.xu[i])) consider(x[i], p.xu[i], true, e);
    if (!isMinusInfinity(p.xl[i])) consider(x[i], p.xl[i], false, e);
  }
  for (int k = 0; k < p.mx; ++k) {
    const double v = finiteValue(p, k, x, &c.evaluations);
    col.within(v, p.cxl[k], p.cxu[k]);
    const bool upper = !isPlusInfinity(p.cxu[k]) && near(v, p.cxu[k]);
    const bool lower = !isMinusInfinity(p.cxl[k]) && near(v, p.cxl[k]);
    if (!upper && !lower) continue;
    Vec g(p.nx, 0.0);
    int error = 0;
    ++c.evaluations;
    p.evaluate(Request::FiniteGradient, k, x, nullptr, g.data(), nullptr, nullptr, &error, p.data);
    if (upper) consider(v, p.cxu[k], true, g);
    if (lower) consider(v, p.cxl[k], false, g);
  }
  return rows;
}

// How near its bound a point of constraint j must be to count as active:
// the relative tolerance times the constraint's own scale, at most the
// widest tolerance on the max(1, |bound|) scale.
struct ConstraintScale {
  double own[2] = {0, 0};  // per side: [0] lower, [1] upper
  double widest[2] = {0, 0};
  double threshold(int side, double tolerance) const {
    const int s = side > 0 ? 1 : 0;
    return std::min(tolerance * own[s], widest[s]);
  }
  bool capped(double tolerance) const {
    return tolerance * own[0] >= widest[0] && tolerance * own[1] >= widest[1];
  }
};

// The scale of each side: the constraint's own (ownScale), so that a
// constraint whose values are all near 1e-6 is judged on that scale.
ConstraintScale constraintScale(const Problem& p, int j, const Vec& values,
                                const std::vector<int>& sides) {
  const double magnitude = largestMagnitude(p, j, values, sides);
  ConstraintScale s;
  for (int side = 0; side < 2; ++side) {
    const double bound = side ? p.ctu[j] : p.ctl[j];
    if (side ? isPlusInfinity(bound) : isMinusInfinity(bound)) continue;
    s.own[side] = ownScale(bound, magnitude);
    s.widest[side] = WIDEST_TOLERANCE * boundScale(bound);
  }
  return s;
}

// What the fit sees of constraint j: its local maxima, the scan and the
// constraint's scale.
struct ConstraintView {
  std::vector<LocalMaximum> maxima;
  Vec values;
  std::vector<int> sides;
  ConstraintScale scale;
};

const size_t PLATEAU_POINTS = 40;

// Active scan points, evenly thinned: where a constraint holds with equality
// over a whole region, the fit needs the region's extremes, not one point.
std::vector<LocalMaximum> plateauPoints(const Scan& scan, const ConstraintView& view,
                                        double tolerance, size_t* count) {
  std::vector<size_t> active;
  for (size_t i = 0; i < view.values.size(); ++i)
    if (view.values[i] >= -view.scale.threshold(view.sides[i], tolerance)) active.push_back(i);
  *count = active.size();
  std::vector<LocalMaximum> points;
  if (active.size() < 2) return points;
  const size_t n = std::min(PLATEAU_POINTS, active.size());
  for (size_t k = 0; k < n; ++k) {
    size_t i = active[k * (active.size() - 1) / (n - 1)];
    points.push_back({scan.points[i], view.values[i], view.sides[i]});
  }
  return points;
}

struct Candidate {
  int j;
  const LocalMaximum* m;
};

// Points within the active tolerance of their bound, most violated first,
// as many as the fit can take.
std::vector<Candidate> activePoints(const Problem& p, const std::vector<ConstraintView>& views,
                                    const std::vector<std::vector<LocalMaximum>>& plateaus,
                                    double tolerance, bool withPlateaus) {
  std::vector<Candidate> active;
  for (int j = 0; j < p.mt; ++j) {
    for (const LocalMaximum& m : views[j].maxima)
      if (m.violation >= -views[j].scale.threshold(m.side, tolerance)) active.push_back({j, &m});
    if (withPlateaus)
      for (const LocalMaximum& m : plateaus[j]) active.push_back({j, &m});
  }
  std::stable_sort(active.begin(), active.end(), [](const Candidate& a, const Candidate& b) {
    return a.m->violation > b.m->violation;
  });
  const size_t cap = activePointCap(p.nx) + (withPlateaus ? PLATEAU_POINTS : 0);
  if (active.size() > cap) active.resize(cap);
  return active;
}

// A fit: the relative residual, the relative objective gap and the points
// that carry a multiplier.
struct Fit {
  bool done = false;
  double stationarity = NAN, gap = NAN;
  std::vector<Point> active;
};

// 0: stationary with a small gap; 1: stationary only; 2: neither.
int rank(const Fit& f, double optTol) {
  if (!(f.stationarity <= optTol)) return 2;
  return f.gap <= optTol ? 0 : 1;
}

// Stationary first, then the smaller gap; failing that, the smaller residual.
bool better(const Fit& a, const Fit& b, double optTol) {
  if (!b.done) return a.done;
  if (!a.done) return false;
  const int ra = rank(a, optTol), rb = rank(b, optTol);
  if (ra != rb) return ra < rb;
  return ra < 2 ? a.gap < b.gap : a.stationarity < b.stationarity;
}

// The multiplier fit at x. The objective's gradient is divided by its scale
// G, so that the residual is relative and the multipliers come out in units
// of G; gaps are relative to the objective's size D.
class Fitter {
 public:
  Fitter(const Problem& p, const double* x, double gradientScale, double optTol, Certificate& c)
      : p_(p), x_(x), optTol_(optTol), c_(c) {
    Vec gf = objectiveGradient(p, x, &c.evaluations);
    const double gnorm = norm(gf);
    G_ = std::max(gnorm, gradientScale);
    if (!(G_ > 0)) G_ = 1;
    b_.resize(p.nx);
    for (int i = 0; i < p.nx; ++i) b_[i] = -gf[i] / G_;
    ++c.evaluations;
    int error = 0;
    const double f = p.evaluate(Request::ObjectiveValue, 0, x, nullptr, nullptr, nullptr, nullptr, &error, p.data);
    double xmax = 1;
    for (int i = 0; i < p.nx; ++i) xmax = std::max(xmax, std::fabs(x[i]));
    D_ = error ? NAN : std::max(std::fabs(f), OBJECTIVE_FLOOR * gnorm * xmax);
  }

  Fit fit(const std::vector<Candidate>& active, const std::vector<FiniteRow>& finite,
          double tolerance) {
    std::vector<const Vec*> columns;
    Vec distances;
    for (const Candidate& a : active) {
      columns.push_back(&infiniteColumn(a.j, *a.m));
      distances.push_back(std::fabs(a.m->violation));
    }
    for (const FiniteRow& r : finite)
      if (r.relative <= tolerance) columns.push_back(&r.normal), distances.push_back(r.distance);
    Fit best = solve(active, columns, distances, 0.0);
    // Stationary but far from the optimum by these multipliers: others, on
    // nearer points, may do as well. Refit with the gap weighed like the
    // residual, then less (the residual first), and keep what judges best.
    for (double weight : GAP_WEIGHTS) {
      if (rank(best, optTol_) != 1 || !(D_ > 0) || !std::isfinite(G_ / D_)) break;
      Fit weighed = solve(active, columns, distances, weight * G_ / D_);
      if (better(weighed, best, optTol_)) best = weighed;
    }
    return best;
  }

 private:
  // side * the x-gradient of g_j at t, evaluated once per point.
  const Vec& infiniteColumn(int j, const LocalMaximum& m) {
    auto key = std::make_pair(std::make_pair(j, m.side), m.t);
    auto found = columns_.find(key);
    if (found != columns_.end()) return found->second;
    Vec gx(p_.nx, 0.0), gt(p_.nt > 0 ? p_.nt : 1);
    ++c_.evaluations;
    int error = 0;
    p_.evaluate(Request::InfiniteGradient, j, x_, m.t.data(), gx.data(), gt.data(), nullptr, &error, p_.data);
    for (double& v : gx) v *= m.side;
    return columns_[key] = gx;
  }

  // Non-negative multipliers that best cancel the gradient; with a weight,
  // one more row asks for a small gap as well.
  Fit solve(const std::vector<Candidate>& active, const std::vector<const Vec*>& columns,
            const Vec& distances, double weight) {
    const int n = p_.nx, m = weight > 0 ? n + 1 : n, k = (int)columns.size();
    Vec A((size_t)m * k), b(m, 0.0);
    for (int c = 0; c < k; ++c) {
      std::copy(columns[c]->begin(), columns[c]->end(), A.begin() + (size_t)c * m);
      if (weight > 0) A[(size_t)c * m + n] = weight * distances[c];
    }
    std::copy(b_.begin(), b_.end(), b.begin());
    double residual = 0;
    Vec z = nonNegativeLeastSquares(A, m, k, b, &residual);
    Fit f;
    f.done = true;
    Vec r = b_;
    double gap = 0;
    for (int c = 0; c < k; ++c) {
      for (int i = 0; i < n; ++i) r[i] -= (*columns[c])[i] * z[c];
      gap += z[c] * G_ * distances[c];
    }
    f.stationarity = norm(r);
    f.gap = std::isnan(f.stationarity) ? NAN : gap == 0 ? 0.0 : gap / D_;
    for (size_t c = 0; c < active.size(); ++c) {
      if (!(z[c] > 0)) continue;  // binding or not, a point the fit does not use says nothing
      Point point;
      point.constraint = active[c].j, point.t = active[c].m->t;
      point.violation = active[c].m->violation, point.multiplier = z[c] * G_;
      f.active.push_back(point);
    }
    return f;
  }

  const Problem& p_;
  const double* x_;
  double optTol_;
  Certificate& c_;
  double G_ = 1, D_ = NAN;
  Vec b_;
  std::map<std::pair<std::pair<int, int>, Vec>, Vec> columns_;
};

// The fit on the points within the active tolerance (on the local maxima;
// where that leaves a residual, again with the active plateaus). Until a
// fit is stationary with a small gap, the tolerance widens tenfold up to
// the widest; the best fit found is kept.
void fitMultipliers(const Problem& p, const double* x, const Scan& scan,
                    const std::vector<ConstraintView>& views, const std::vector<FiniteRow>& finite,
                    double tolerance, double gradientScale, double optTol, Certificate& c) {
  Fitter fitter(p, x, gradientScale, optTol, c);
  Fit best;
  std::vector<size_t> seen;
  for (int level = 0; level < MAX_LEVELS; ++level, tolerance *= 10) {
    const double finiteTolerance = std::min(tolerance, WIDEST_TOLERANCE);
    std::vector<std::vector<LocalMaximum>> plateaus(p.mt);
    std::vector<size_t> counts;  // what this level sees; the sets only grow
    for (int j = 0; j < p.mt; ++j) {
      size_t count = 0;
      plateaus[j] = plateauPoints(scan, views[j], tolerance, &count);
      counts.push_back(count);
      size_t maxima = 0;
      for (const LocalMaximum& m : views[j].maxima)
        maxima += m.violation >= -views[j].scale.threshold(m.side, tolerance);
      counts.push_back(maxima);
    }
    size_t finiteCount = 0;
    for (const FiniteRow& r : finite) finiteCount += r.relative <= finiteTolerance;
    counts.push_back(finiteCount);
    if (level == 0 || counts != seen) {
      seen = counts;
      std::vector<Candidate> active = activePoints(p, views, plateaus, tolerance, false);
      Fit fit = fitter.fit(active, finite, finiteTolerance);
      if (!(fit.stationarity <= EXACT_FIT)) {
        std::vector<Candidate> wider = activePoints(p, views, plateaus, tolerance, true);
        if (wider.size() > active.size()) {
          Fit withPlateaus = fitter.fit(wider, finite, finiteTolerance);
          if (better(withPlateaus, fit, optTol)) fit = withPlateaus;
        }
      }
      if (better(fit, best, optTol)) best = fit;
      if (rank(best, optTol) == 0) break;
    }
    bool capped = tolerance >= WIDEST_TOLERANCE;
    for (int j = 0; j < p.mt && capped; ++j) capped = views[j].scale.capped(tolerance);
    if (capped) break;
  }
  c.stationarity = best.stationarity;
  // Multipliers that do not cancel the gradient estimate nothing.
  c.objectiveGap = best.stationarity <= optTol ? best.gap : NAN;
  c.active = best.active;
}

// Maxima climbed from points where the method found the constraint peaking
// and that the scan's starts missed, in order of violation with the rest.
void addHintedMaxima(const ViolationFunction& v, const std::vector<std::vector<double>>& hints,
                     std::vector<LocalMaximum>& maxima) {
  const std::vector<double> w = widths(v.p);
  for (const std::vector<double>& t : hints) {
    // Short steps: a hint stands at its peak, which may be narrow.
    const LocalMaximum m = climbFrom(v, t, 1e-6);
    if (std::isfinite(m.violation)) addUnlessRepeated(maxima, m, w);
  }
  sortByViolation(maxima);
}

}  // namespace

double objectiveGradientNorm(const Problem& p, const double* x) {
  long evaluations = 0;
  double n = norm(objectiveGradient(p, x, &evaluations));
  return std::isfinite(n) ? n : 0.0;
}

Certificate certify(const Problem& p, const double* x, double gradientScale, double optTol,
                    ScanMemo* memo) {
  Certificate c;
  std::vector<FiniteRow> finite = finiteRows(p, x, c);
  Collector col{c};
  Scan scan = scanPoints(p);
  std::vector<ConstraintView> views(p.mt);
  for (int j = 0; j < p.mt; ++j) {
    ConstraintView& view = views[j];
    ViolationFunction v{p, x, j, &c.evaluations, memo};
    view.values = scanValues(v, scan, &view.sides);
    view.scale = constraintScale(p, j, view.values, view.sides);
    view.maxima = localMaxima(v, scan, view.values, startsPerConstraint(p));
    if (memo) addHintedMaxima(v, memo->hints(j), view.maxima);
    if (view.maxima.empty()) continue;
    for (const LocalMaximum& m : view.maxima) {
      const double scaled = m.violation / boundScale(boundOfSide(p, j, m.side));
      if (scaled <= 0) continue;
      Point q;
      q.constraint = j, q.t = m.t, q.violation = std::isnan(scaled) ? HUGE_VAL : scaled;
      c.violated.push_back(q);
    }
    const LocalMaximum& m = view.maxima[0];
    col.record(m.violation, boundOfSide(p, j, m.side));
    Point w;
    w.constraint = j, w.t = m.t, w.violation = m.violation;
    c.worst.push_back(w);
  }
  // Active: within ten times the largest violation of the bound, at least
  // 1e-5 and at most 1e-2 (beyond that the point is infeasible anyway),
  // on each constraint's own scale.
  const double tolerance = std::min(WIDEST_TOLERANCE, std::max(1e-5, 10 * c.scaled));
  fitMultipliers(p, x, scan, views, finite, tolerance, gradientScale, optTol, c);
  return c;
}

void judge(Result& r, const Certificate& c, const Options& o) {
  if (statusCode(r.status) < 0 || statusCode(r.status) >= 300) return;
  const bool feasible = c.scaled <= o.feasibilityTolerance;
  const bool stationary = c.stationarity <= o.optimalityTolerance;
  const bool optimal = c.objectiveGap <= o.optimalityTolerance;
  std::string verdict;
  if (!std::isfinite(r.objective)) {
    r.status = Status::Breakdown;
    verdict = "the objective is not finite at the final point";
  } else if (feasible && stationary && optimal) {
    r.status = Status::Solved;
    verdict = "feasible and stationary";
  } else if (c.scaled > UNCERTAIN_TOLERANCE) {
    r.status = Status::Infeasible;
    verdict = "the point violates the constraints";
  } else if (feasible && stationary) {
    r.status = Status::Uncertain;
    char words[128];
    snprintf(words, sizeof words,
             "feasible and stationary, but the multipliers place the optimum %.1e (relative) away",
             c.objectiveGap);
    verdict = words;
  } else {
    r.status = Status::Uncertain;
    verdict = feasible ? "feasible, not stationary" : stationary ? "stationary, slightly infeasible"
                                                                 : "slightly infeasible, not stationary";
  }
  r.message += "; " + verdict;
}

}  // namespace ormid
