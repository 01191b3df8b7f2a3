#include "certificate.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "lower_level.h"
#include "nnls.h"

namespace {

typedef std::vector<double> Vec;

// Local maxima sharpened per infinite constraint.
const int STARTS_PER_CONSTRAINT = 5;
// Above this relative violation a point is infeasible, not merely uncertain.
const double UNCERTAIN_TOLERANCE = 1e-3;


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

double finiteValue(const SipProblem& p, int k, const double* x, long* evaluations) {
  ++*evaluations;
  int error = 0;
  double v = p.evaluate(REQ_CONXVAL, k, x, nullptr, nullptr, nullptr, nullptr, &error, p.data);
  return error ? NAN : v;
}

void finiteViolations(const SipProblem& p, const double* x, Certificate& c) {
  Collector col{c};
  for (int i = 0; i < p.nx; ++i) col.within(x[i], p.xl[i], p.xu[i]);
  for (int k = 0; k < p.mx; ++k) col.within(finiteValue(p, k, x, &c.evaluations), p.cxl[k], p.cxu[k]);
}


// The columns of the stationarity fit: +-grad of each active constraint
// (outward normal of the bound it touches) and +-e_i of each active bound.
struct Columns {
  int m;
  Vec A;
  int n = 0;  // counted, not derived from A: with no x, columns are empty
  void add(const Vec& column) {
    A.insert(A.end(), column.begin(), column.end());
    ++n;
  }
  int count() const { return n; }
};

// side * the x-gradient of g_j at t.
Vec infiniteColumn(const SipProblem& p, const double* x, int j, const Vec& t, int side,
                   long* evaluations) {
  Vec gx(p.nx, 0.0), gt(p.nt > 0 ? p.nt : 1);
  ++*evaluations;
  int error = 0;
  p.evaluate(REQ_CONTGRD, j, x, t.data(), gx.data(), gt.data(), nullptr, &error, p.data);
  for (double& v : gx) v *= side;
  return gx;
}

bool near(double v, double bound, double tol) { return std::fabs(v - bound) <= tol * boundScale(bound); }

void finiteColumns(const SipProblem& p, const double* x, double tol, Columns& cols, long* ev) {
  for (int i = 0; i < p.nx; ++i) {
    Vec e(p.nx, 0.0);
    if (!isPlusInfinity(p.xu[i]) && near(x[i], p.xu[i], tol)) e[i] = 1, cols.add(e);
    if (!isMinusInfinity(p.xl[i]) && near(x[i], p.xl[i], tol)) e[i] = -1, cols.add(e);
  }
  for (int k = 0; k < p.mx; ++k) {
    double v = finiteValue(p, k, x, ev);
    bool upper = !isPlusInfinity(p.cxu[k]) && near(v, p.cxu[k], tol);
    bool lower = !isMinusInfinity(p.cxl[k]) && near(v, p.cxl[k], tol);
    if (!upper && !lower) continue;
    Vec g(p.nx, 0.0);
    int error = 0;
    ++*ev;
    p.evaluate(REQ_CONXGRD, k, x, nullptr, g.data(), nullptr, nullptr, &error, p.data);
    if (upper) cols.add(g);
    for (double& v2 : g) v2 = -v2;
    if (lower) cols.add(g);
  }
}

double norm(const Vec& v) {
  double s = 0;
  for (double e : v) s += e * e;
  return std::sqrt(s);
}

// The gradient of the minimised objective (the model's, negated when it is
// maximised).
Vec objectiveGradient(const SipProblem& p, const double* x, long* evaluations) {
  Vec g(p.nx, 0.0);
  ++*evaluations;
  int error = 0;
  p.evaluate(REQ_OBJGRD, 0, x, nullptr, g.data(), nullptr, nullptr, &error, p.data);
  for (double& v : g) v = error ? NAN : p.sense * v;
  return g;
}

// What the fit sees of constraint j: its local maxima, and the scan points
// within the active tolerance, spread over T.
struct ConstraintView {
  std::vector<LocalMaximum> maxima, plateau;
};

const size_t PLATEAU_POINTS = 40;

// Active scan points, evenly thinned: where a constraint holds with equality
// over a whole region, the fit needs the region's extremes, not one point.
std::vector<LocalMaximum> plateauPoints(const Scan& scan, const Vec& values,
                                        const std::vector<int>& sides, const SipProblem& p, int j,
                                        double tol) {
  std::vector<size_t> active;
  for (size_t i = 0; i < values.size(); ++i)
    if (values[i] >= -tol * boundScale(boundOfSide(p, j, sides[i]))) active.push_back(i);
  std::vector<LocalMaximum> points;
  if (active.size() < 2) return points;
  const size_t n = std::min(PLATEAU_POINTS, active.size());
  for (size_t k = 0; k < n; ++k) {
    size_t i = active[k * (active.size() - 1) / (n - 1)];
    points.push_back({scan.points[i], values[i], sides[i]});
  }
  return points;
}

struct Candidate {
  int j;
  const LocalMaximum* m;
};

// Points within the active tolerance of their bound, most violated first,
// as many as the fit can take.
std::vector<Candidate> activePoints(const SipProblem& p, const std::vector<ConstraintView>& views,
                                    double tol, bool withPlateaus) {
  std::vector<Candidate> active;
  for (int j = 0; j < p.mt; ++j) {
    for (const LocalMaximum& m : views[j].maxima)
      if (m.violation >= -tol * boundScale(boundOfSide(p, j, m.side))) active.push_back({j, &m});
    if (withPlateaus)
      for (const LocalMaximum& m : views[j].plateau) active.push_back({j, &m});
  }
  std::stable_sort(active.begin(), active.end(), [](const Candidate& a, const Candidate& b) {
    return a.m->violation > b.m->violation;
  });
  const size_t cap = 2 * (size_t)p.nx + 10 + (withPlateaus ? PLATEAU_POINTS : 0);
  if (active.size() > cap) active.resize(cap);
  return active;
}

// Non-negative multipliers on the active constraints that best cancel the
// objective's gradient; the residual relative to max(1, ||grad f||).
double fit(const SipProblem& p, const double* x, const std::vector<Candidate>& active,
           double tol, double gradientScale, Certificate& c, Vec* z) {
  Columns cols{p.nx, {}};
  for (const Candidate& a : active)
    cols.add(infiniteColumn(p, x, a.j, a.m->t, a.m->side, &c.evaluations));
  finiteColumns(p, x, tol, cols, &c.evaluations);
  Vec gf = objectiveGradient(p, x, &c.evaluations);
  Vec b(p.nx);
  for (int i = 0; i < p.nx; ++i) b[i] = -gf[i];
  double residual = 0;
  *z = nonNegativeLeastSquares(cols.A, p.nx, cols.count(), b, &residual);
  const double scale = std::max(norm(gf), gradientScale);
  return scale > 0 ? residual / scale : residual;
}

// The fit on the local maxima; where it leaves a residual, again with the
// active plateaus added, keeping the better.
void fitMultipliers(const SipProblem& p, const double* x, const std::vector<ConstraintView>& views,
                    double tol, double gradientScale, Certificate& c) {
  std::vector<Candidate> active = activePoints(p, views, tol, false);
  Vec z;
  c.stationarity = fit(p, x, active, tol, gradientScale, c, &z);
  if (c.stationarity > 1e-12) {
    std::vector<Candidate> wider = activePoints(p, views, tol, true);
    Vec zw;
    double s = wider.size() > active.size() ? fit(p, x, wider, tol, gradientScale, c, &zw)
                                            : HUGE_VAL;
    if (s < c.stationarity) c.stationarity = s, active = wider, z = zw;
  }
  for (size_t k = 0; k < active.size(); ++k) {
    if (!(z[k] > 0)) continue;  // binding or not, a point the fit does not use says nothing
    SipPoint point;
    point.constraint = active[k].j, point.t = active[k].m->t;
    point.violation = active[k].m->violation, point.multiplier = z[k];
    c.active.push_back(point);
  }
}

}  // namespace

double objectiveGradientNorm(const SipProblem& p, const double* x) {
  long evaluations = 0;
  double n = norm(objectiveGradient(p, x, &evaluations));
  return std::isfinite(n) ? n : 0.0;
}

Certificate certify(const SipProblem& p, const double* x, double gradientScale) {
  Certificate c;
  finiteViolations(p, x, c);
  Collector col{c};
  Scan scan = scanPoints(p);
  std::vector<ConstraintView> views(p.mt);
  std::vector<Vec> values(p.mt);
  std::vector<std::vector<int>> sides(p.mt);
  for (int j = 0; j < p.mt; ++j) {
    ViolationFunction v{p, x, j, &c.evaluations};
    values[j] = scanValues(v, scan, &sides[j]);
    views[j].maxima = localMaxima(v, scan, values[j], STARTS_PER_CONSTRAINT);
    if (views[j].maxima.empty()) continue;
    const LocalMaximum& m = views[j].maxima[0];
    col.record(m.violation, boundOfSide(p, j, m.side));
    SipPoint w;
    w.constraint = j, w.t = m.t, w.violation = m.violation;
    c.worst.push_back(w);
  }
  // Active: within ten times the largest violation of the bound, at least
  // 1e-5 and at most 1e-2 (beyond that the point is infeasible anyway).
  const double tol = std::min(1e-2, std::max(1e-5, 10 * c.scaled));
  for (int j = 0; j < p.mt; ++j)
    views[j].plateau = plateauPoints(scan, values[j], sides[j], p, j, tol);
  fitMultipliers(p, x, views, tol, gradientScale, c);
  return c;
}

void judge(SipResult& r, const Certificate& c, const SipOptions& o) {
  if (r.status < 0 || r.status >= 300) return;
  const bool feasible = c.scaled <= o.feas_tol;
  const bool stationary = c.stationarity <= o.opt_tol;
  std::string verdict;
  if (!std::isfinite(r.objective)) {
    r.status = STATUS_BREAKDOWN;
    verdict = "the objective is not finite at the final point";
  } else if (feasible && stationary) {
    r.status = STATUS_SOLVED;
    verdict = "feasible and stationary";
  } else if (c.scaled > UNCERTAIN_TOLERANCE) {
    r.status = STATUS_INFEASIBLE;
    verdict = "the point violates the constraints";
  } else {
    r.status = STATUS_UNCERTAIN;
    verdict = feasible ? "feasible, not stationary" : stationary ? "stationary, slightly infeasible"
                                                                 : "slightly infeasible, not stationary";
  }
  r.message += "; " + verdict;
}
