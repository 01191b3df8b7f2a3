#include "lower_level/lower_level.h"

#include <algorithm>
#include <cmath>
#include <cfloat>
#include <memory>

#include "core/batch.h"
#include "lower_level/grid.h"
#include "lower_level/newton_ascent.h"
#include "lower_level/scattered_scan.h"

namespace ormid {

namespace {

const int SCAN_POINTS = 10001;
const int ASCENT_ITERATIONS = 200;
// Units of rounding in a sum of terms that roundingLevel allows: about the
// square root of the number of terms for a few hundred of them.
const double ROUNDING_TERMS = 16;
// Scan maxima climbed per distinct local maximum asked for, at most.
const int EXTRA_CLIMBS = 3;

bool finiteBound(double lower, double upper) {
  return !isMinusInfinity(lower) && !isPlusInfinity(upper) && std::isfinite(upper - lower);
}

double sampleValue(double lower, double upper, int i, int count) {
  if (finiteBound(lower, upper)) return count > 1 ? lower + (upper - lower) * i / (count - 1) : lower;
  return !isMinusInfinity(lower) ? lower : !isPlusInfinity(upper) ? upper : 0.0;
}

// Violation against whichever bound is finite; with both, the larger.
double signedViolation(double g, double lower, double upper, int* side) {
  double up = isPlusInfinity(upper) ? -HUGE_VAL : g - upper;
  double low = isMinusInfinity(lower) ? -HUGE_VAL : lower - g;
  *side = up >= low ? 1 : -1;
  return std::max(up, low);
}

}  // namespace

std::vector<double> widths(const Problem& p) {
  std::vector<double> w(p.nt);
  for (int d = 0; d < p.nt; ++d) w[d] = finiteBound(p.tl[d], p.tu[d]) ? p.tu[d] - p.tl[d] : 0.0;
  return w;
}

namespace {

void project(const Problem& p, std::vector<double>& t) {
  for (int d = 0; d < p.nt; ++d) {
    if (!isMinusInfinity(p.tl[d])) t[d] = std::max(t[d], p.tl[d]);
    if (!isPlusInfinity(p.tu[d])) t[d] = std::min(t[d], p.tu[d]);
  }
}

}  // namespace

double scanSpacing(const Problem& p) {
  int per = p.nt > 0 ? (int)std::floor(std::pow((double)SCAN_POINTS, 1.0 / p.nt) + 1e-9) : 2;
  return per >= 2 ? 1.0 / (per - 1) : 0.01;
}

double boxDistance(const std::vector<double>& a, const std::vector<double>& b,
                   const std::vector<double>& w) {
  double d = 0;
  for (size_t i = 0; i < a.size(); ++i)
    d = std::max(d, w[i] > 0 ? std::fabs(a[i] - b[i]) / w[i] : std::fabs(a[i] - b[i]));
  return d;
}

double ViolationFunction::value(const double* t, int* side) const {
  ++*evaluations;
  int error = 0;
  double g = p.evaluate(Request::InfiniteValue, j, x, t, nullptr, nullptr, nullptr, &error, p.data);
  if (error || std::isnan(g)) return NAN;
  return signedViolation(g, p.ctl[j], p.ctu[j], side);
}

double ViolationFunction::valueAndGradient(const double* t, double* grad, int* side) const {
  double v = value(t, side);
  std::vector<double> gx(p.nx > 0 ? p.nx : 1);
  int error = 0;
  ++*evaluations;
  p.evaluate(Request::InfiniteGradient, j, x, t, gx.data(), grad, nullptr, &error, p.data);
  for (int d = 0; d < p.nt; ++d) grad[d] = error ? 0.0 : *side * grad[d];
  return v;
}

// The scan with design matrices where the constraints are linear in x.
Scan withDesign(const Problem& p, Scan scan) {
  scan.design = std::make_shared<DesignMatrices>(p, scan.points.size());
  return scan;
}

Scan scanPoints(const Problem& p) {
  return withDesign(p, scanPoints(p, p.nt > GRID_UP_TO ? fullScatteredCount(p) : SCAN_POINTS));
}

Scan coarseScan(const Problem& p) {
  if (p.nt > GRID_UP_TO) return withDesign(p, scanPoints(p, coarseScatteredCount(p)));
  // Sixteen points per coefficient in one coordinate, as the Remez exchange
  // scans; a few per variable in more.
  const long perVariable = p.nt == 1 ? 16 : 8;
  return withDesign(p, scanPoints(p, std::min((long)SCAN_POINTS, std::max(1001L, perVariable * (p.nx + 1)))));
}

Scan scanPoints(const Problem& p, long count) {
  Scan scan;
  for (int d = 0; d < p.nt; ++d)
    if (p.tl[d] > p.tu[d]) return scan;  // an empty T: the infinite constraints hold vacuously
  if (p.nt == 0) {
    scan.points.push_back(std::vector<double>());
    return scan;
  }
  if (p.nt > GRID_UP_TO) return scatteredScan(p, count);
  int per = (int)std::floor(std::pow((double)count, 1.0 / p.nt) + 1e-9);
  std::vector<double> t(p.nt);
  if (per < 2) {
    for (long n = 0; n < count; ++n) {
      for (int d = 0; d < p.nt; ++d) {
        double lo = sampleValue(p.tl[d], p.tu[d], 0, 2), hi = sampleValue(p.tl[d], p.tu[d], 1, 2);
        t[d] = lo + radicalInverse(haltonBase(d), n) * (hi - lo);
      }
      scan.points.push_back(t);
    }
    return scan;
  }
  scan.perCoordinate = per;
  std::vector<int> index(p.nt, 0);
  for (;;) {
    for (int d = 0; d < p.nt; ++d) t[d] = sampleValue(p.tl[d], p.tu[d], index[d], per);
    scan.points.push_back(t);
    int d = 0;
    while (d < p.nt && ++index[d] == per) index[d++] = 0;
    if (d == p.nt) return scan;
  }
}

// One batched request for the whole scan: a vectorized evaluator answers it
// in one call.
std::vector<double> scanValues(const ViolationFunction& v, const Scan& scan,
                               std::vector<int>* sides) {
  const Problem& p = v.p;
  const size_t count = scan.points.size();
  std::vector<double> values;
  if (v.memo && v.memo->find(v.x, p.nx, v.j, count, &values, sides)) return values;
  values.resize(count);
  const DesignMatrix* design = scan.design ? scan.design->of(p, v.j, scan.points, v.evaluations) : nullptr;
  if (design) {
    design->values(v.x, values.data());
  } else {
    std::vector<double> flat;
    flat.reserve(count * p.nt);
    for (const std::vector<double>& t : scan.points) flat.insert(flat.end(), t.begin(), t.end());
    infiniteValues(p, v.j, v.x, (int)count, flat.data(), values.data());
    *v.evaluations += (long)count;
  }
  sides->assign(count, 1);
  for (size_t i = 0; i < count; ++i) {
    const double g = values[i];
    values[i] = std::isnan(g) ? HUGE_VAL : signedViolation(g, p.ctl[v.j], p.ctu[v.j], &(*sides)[i]);
  }
  if (v.memo) v.memo->keep(v.x, p.nx, v.j, values, *sides);
  return values;
}

double largestMagnitude(const Problem& p, int j, const std::vector<double>& values,
                        const std::vector<int>& sides) {
  double largest = 0;
  for (size_t i = 0; i < values.size(); ++i)
    if (std::isfinite(values[i]))
      largest = std::max(largest, std::fabs(boundOfSide(p, j, sides[i]) + sides[i] * values[i]));
  return largest;
}

double roundingLevel(const Problem& p, int j, const double* x, const double* t, long* evaluations) {
  std::vector<double> a(std::max(p.nx, 1), 0.0), gt(std::max(p.nt, 1));
  int error = 0;
  const double g = p.evaluate(Request::InfiniteValue, j, x, t, nullptr, nullptr, nullptr, &error, p.data);
  p.evaluate(Request::InfiniteGradient, j, x, t, a.data(), gt.data(), nullptr, &error, p.data);
  *evaluations += 2;
  if (error) return 0;
  double linear = 0, terms = 0;
  for (int k = 0; k < p.nx; ++k) linear += a[k] * x[k], terms += std::fabs(a[k] * x[k]);
  terms += std::fabs(g - linear);
  return std::isfinite(terms) ? ROUNDING_TERMS * DBL_EPSILON * terms : 0;
}

double ascend(const ViolationFunction& v, std::vector<double>& t, int* side, double maxStep,
              int iterations) {
  if (iterations < 0) iterations = ASCENT_ITERATIONS;
  const Problem& p = v.p;
  const std::vector<double> w = widths(p);
  std::vector<double> grad(p.nt), trial(p.nt), dir(p.nt);
  double f = v.valueAndGradient(t.data(), grad.data(), side);
  double alpha = maxStep;
  for (int it = 0; it < iterations && std::isfinite(f); ++it) {
    // Steps scaled by the box: each coordinate moves in units of its width;
    // a coordinate pressed against its bound does not move.
    double norm = 0;
    for (int d = 0; d < p.nt; ++d) {
      dir[d] = w[d] * w[d] * grad[d];
      bool outward = (dir[d] > 0 && !isPlusInfinity(p.tu[d]) && t[d] >= p.tu[d]) ||
                     (dir[d] < 0 && !isMinusInfinity(p.tl[d]) && t[d] <= p.tl[d]);
      if (outward) dir[d] = 0;
      norm = std::max(norm, std::fabs(dir[d]) / (w[d] > 0 ? w[d] : 1.0));
    }
    if (!(norm > 0)) break;
    bool moved = false;
    for (int halvings = 0; halvings < 60; ++halvings, alpha /= 2) {
      for (int d = 0; d < p.nt; ++d) trial[d] = t[d] + alpha * dir[d] / norm;
      project(p, trial);
      double rise = 0;
      for (int d = 0; d < p.nt; ++d) rise += grad[d] * (trial[d] - t[d]);
      if (!(boxDistance(trial, t, w) > 1e-14)) break;
      int trialSide;
      double ft = v.value(trial.data(), &trialSide);
      if (ft >= f + 1e-4 * rise && ft > f - 1e-300) {
        t = trial;
        f = v.valueAndGradient(t.data(), grad.data(), side);
        moved = true;
        alpha = std::min(maxStep, 2 * alpha);
        break;
      }
    }
    if (!moved) break;
  }
  return f;
}

namespace {

// Up to this dimension a scan maximum is checked against every neighbour
// (diagonals too); beyond, only along the coordinates (3^d neighbours).
const int ALL_NEIGHBOURS_UP_TO = 6;

bool aboveAxisNeighbours(const Scan& scan, const std::vector<double>& values, int nt, size_t i) {
  long stride = 1;
  for (int d = 0; d < nt; ++d, stride *= scan.perCoordinate) {
    long k = (long)(i / stride) % scan.perCoordinate;
    if (k > 0 && values[i - stride] > values[i]) return false;
    if (k + 1 < scan.perCoordinate && values[i + stride] > values[i]) return false;
  }
  return true;
}

// Every offset in {-1, 0, 1}^nt, as an odometer over the neighbours.
bool aboveAllNeighbours(const Scan& scan, const std::vector<double>& values, int nt, size_t i) {
  const long per = scan.perCoordinate;
  std::vector<int> offset(nt, -1);
  for (;;) {
    long neighbour = 0, stride = 1;
    bool inside = true, centre = true;
    for (int d = 0; d < nt; ++d, stride *= per) {
      const long k = (long)(i / stride) % per + offset[d];
      inside = inside && k >= 0 && k < per;
      centre = centre && offset[d] == 0;
      neighbour += offset[d] * stride;
    }
    if (inside && !centre && values[(long)i + neighbour] > values[i]) return false;
    int d = 0;
    while (d < nt && ++offset[d] == 2) offset[d++] = -1;
    if (d == nt) return true;
  }
}

// A grid point no lower than its grid neighbours (on a plateau every point
// is one); without a grid every point qualifies. Along the coordinates alone
// every point of a ridge that runs across them would pass.
bool discreteMaximum(const Scan& scan, const std::vector<double>& values, int nt, size_t i) {
  if (scan.neighbours) return aboveNeighbours(*scan.neighbours, values, i);
  if (scan.perCoordinate < 2) return true;
  if (nt > ALL_NEIGHBOURS_UP_TO) return aboveAxisNeighbours(scan, values, nt, i);
  return aboveAxisNeighbours(scan, values, nt, i) && aboveAllNeighbours(scan, values, nt, i);
}

}  // namespace

std::vector<size_t> scanMaxima(const Scan& scan, const std::vector<double>& values, int nt,
                               double threshold) {
  std::vector<size_t> ranked;
  for (size_t i = 0; i < values.size(); ++i)
    if (values[i] >= threshold && discreteMaximum(scan, values, nt, i)) ranked.push_back(i);
  std::stable_sort(ranked.begin(), ranked.end(),
                   [&](size_t a, size_t b) { return values[a] > values[b]; });
  return ranked;
}

LocalMaximum climbFrom(const ViolationFunction& v, std::vector<double> t, double maxStep,
                       int ascentSteps) {
  LocalMaximum m{std::move(t), NAN, 1};
  m.violation = ascend(v, m.t, &m.side, maxStep, ascentSteps);
  if (std::isfinite(m.violation)) m.violation = newtonAscent(v, m.t, &m.side);
  return m;
}

namespace {

// The peak of the parabola through a grid maximum and its two neighbours
// along each coordinate (at most a spacing away): a start from which
// Newton's method in t needs a step or two.
std::vector<double> gridPeak(const Scan& scan, const std::vector<double>& values, int nt, size_t i) {
  std::vector<double> t = scan.points[i];
  if (scan.perCoordinate < 2) return t;
  long stride = 1;
  for (int d = 0; d < nt; ++d, stride *= scan.perCoordinate) {
    const long k = (long)(i / stride) % scan.perCoordinate;
    if (k == 0 || k + 1 == scan.perCoordinate) continue;
    const double below = values[i - stride], here = values[i], above = values[i + stride];
    const double bend = below - 2 * here + above;
    if (!std::isfinite(bend) || !(bend < 0)) continue;
    const double h = scan.points[i + stride][d] - t[d];
    t[d] += h * std::max(-1.0, std::min(1.0, 0.5 * (below - above) / bend));
  }
  return t;
}

}  // namespace

// Newton's method alone: gradient steps first cost more than they saved,
// the peak being within a spacing (each of them moves, however little, so
// all of them were taken).
LocalMaximum climb(const ViolationFunction& v, const Scan& scan, const std::vector<double>& values,
                   size_t i) {
  if (!std::isfinite(values[i])) return {scan.points[i], values[i], 1};
  LocalMaximum m{gridPeak(scan, values, v.p.nt, i), NAN, 1};
  m.violation = newtonAscent(v, m.t, &m.side);
  if (std::isnan(m.violation)) m.violation = HUGE_VAL;
  return m;
}

bool addUnlessRepeated(std::vector<LocalMaximum>& maxima, const LocalMaximum& m,
                       const std::vector<double>& w) {
  for (const LocalMaximum& q : maxima)
    if (boxDistance(q.t, m.t, w) < 1e-6) return false;
  maxima.push_back(m);
  return true;
}

void sortByViolation(std::vector<LocalMaximum>& maxima) {
  std::sort(maxima.begin(), maxima.end(),
            [](const LocalMaximum& a, const LocalMaximum& b) { return a.violation > b.violation; });
}

namespace {

// Scattered scans: discrete maxima climbed per start asked for, at most (a
// flat or noisy constraint has thousands), and the band below the best
// value, as a share of its height above the median, that they are taken
// from besides the violated ones.
const int CLIMBS_PER_START = 4;
const double CLIMB_BAND = 0.5;
// A scattered discrete maximum within this many spacings of a maximiser
// climbed already stands for it: near a peak, two points that are not each
// other's neighbours are both discrete maxima.
const double SAME_PEAK = 2;

// The lowest value a scattered scan's discrete maximum is climbed from:
// every violated one, and those within CLIMB_BAND of the best value's
// height above the median.
double climbThreshold(const std::vector<double>& values) {
  std::vector<double> finite;
  for (double v : values)
    if (std::isfinite(v)) finite.push_back(v);
  if (finite.empty()) return -HUGE_VAL;
  const double best = *std::max_element(finite.begin(), finite.end());
  std::nth_element(finite.begin(), finite.begin() + finite.size() / 2, finite.end());
  const double median = finite[finite.size() / 2];
  return std::min(0.0, best - CLIMB_BAND * (best - median));
}

std::vector<LocalMaximum> scatteredMaxima(const ViolationFunction& v, const Scan& scan,
                                          const std::vector<double>& values, int starts) {
  const std::vector<size_t> ranked = scanMaxima(scan, values, v.p.nt, climbThreshold(values));
  const std::vector<double> w = widths(v.p);
  std::vector<LocalMaximum> maxima;
  const size_t climbs = (size_t)CLIMBS_PER_START * starts;
  const double samePeak = SAME_PEAK * scan.spacing();
  size_t climbed = 0;
  for (size_t k = 0; k < ranked.size() && climbed < climbs; ++k) {
    const std::vector<double>& t = scan.points[ranked[k]];
    if (std::any_of(maxima.begin(), maxima.end(),
                    [&](const LocalMaximum& m) { return boxDistance(m.t, t, w) <= samePeak; }))
      continue;
    ++climbed;
    addUnlessRepeated(maxima, climb(v, scan, values, ranked[k]), w);
  }
  sortByViolation(maxima);
  return maxima;
}

}  // namespace

std::vector<LocalMaximum> localMaxima(const ViolationFunction& v, const Scan& scan,
                                      const std::vector<double>& values, int starts) {
  if (scan.neighbours) return scatteredMaxima(v, scan, values, starts);
  const std::vector<size_t> ranked = scanMaxima(scan, values, v.p.nt, -HUGE_VAL);
  const std::vector<double> w = widths(v.p);
  std::vector<LocalMaximum> maxima;
  // Starts that climb to a maximum found already do not count: a lower
  // maximum further down the ranking may be active as well.
  const size_t climbs = (size_t)EXTRA_CLIMBS * starts;
  for (size_t k = 0; k < ranked.size() && k < climbs && maxima.size() < (size_t)starts; ++k)
    addUnlessRepeated(maxima, climb(v, scan, values, ranked[k]), w);
  sortByViolation(maxima);
  return maxima;
}

}  // namespace ormid
