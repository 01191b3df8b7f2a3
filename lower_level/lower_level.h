// The lower-level problem at a fixed x: for an infinite constraint j, the
// largest violation of its bounds over T and the points where it peaks. A
// scan of T finds candidates; projected ascent in t sharpens the best few
// to local maxima, on the bounds of T where they lie there.
#pragma once

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "core/scan_memo.h"
#include "lower_level/design_matrix.h"
#include "lower_level/neighbours.h"
#include "ormid/ormid.h"

namespace ormid {

// The signed violation of constraint j at t: g - upper or lower - g,
// whichever bound is finite and nearer to being broken (negative inside).
struct ViolationFunction {
  const Problem& p;
  const double* x;
  int j;
  long* evaluations;
  ScanMemo* memo = nullptr;  // where scans at this x are kept and looked up

  // NaN where g cannot be evaluated.
  double value(const double* t, int* side) const;
  // Value and t-gradient (nt doubles); side is +1 for the upper bound.
  double valueAndGradient(const double* t, double* grad, int* side) const;
};

// The scale a violation of a bound is measured against: max(1, |bound|).
inline double boundScale(double bound) { return std::max(1.0, std::fabs(bound)); }

// A constraint's own scale: max(1, |bound|), or less where the constraint
// itself is smaller (its largest |g| over T, or |bound|): a violation of
// 1e-8 means nothing to a constraint of size 1 and everything to one of
// size 1e-8.
inline double ownScale(double bound, double magnitude) {
  return std::max(1e-300, std::min(boundScale(bound), std::max(std::fabs(bound), magnitude)));
}

// The centre of a difference stencil of half-width h at v, moved inside
// [lower, upper] where the interval is wide enough: g need not be defined
// beyond T.
inline double stencilCentre(double v, double h, double lower, double upper) {
  if (!(upper - lower > 2 * h)) return v;
  return std::min(upper - h, std::max(lower + h, v));
}

// The bound of infinite constraint j on a side (+1 upper, -1 lower).
inline double boundOfSide(const Problem& p, int j, int side) { return side > 0 ? p.ctu[j] : p.ctl[j]; }

struct LocalMaximum {
  std::vector<double> t;
  double violation;
  int side;  // +1: against the upper bound, -1: against the lower one
};

// Points of T that the scan visits. Up to three coordinates a regular grid
// whose size grows with dim T (10001 values on one coordinate, 100^2,
// 21^3); from four a regular grid would have too few values per coordinate
// to give each maximiser's basin a point, and the scan takes Sobol' points
// (with the vertices of T) whose number grows with dim T and the number of
// variables, each with its nearest neighbours; Halton points, every one a
// candidate, beyond the Sobol' coordinates. Infinite bounds: the finite one
// (or 0). An empty T (a lower bound above its upper one) has no point.
struct Scan {
  std::vector<std::vector<double>> points;
  int perCoordinate = 0;  // grid values per coordinate, in odometer order; 0: scattered points
  std::shared_ptr<const NeighbourGraph> neighbours;  // scattered points: who is near whom
  // Where the constraints are linear in x: each one's a(t) and c(t) at the
  // points, made by the first scan that asks (the copies share them).
  std::shared_ptr<DesignMatrices> design;
  // Its spacing in box widths: a grid's, the scattered points' typical
  // distance to their nearest neighbour, or (Halton points) a hundredth.
  double spacing() const {
    if (perCoordinate >= 2) return 1.0 / (perCoordinate - 1);
    return neighbours ? neighbours->typicalDistance : 0.01;
  }
};
Scan scanPoints(const Problem& p);
// The same with about `count` points in place of the certificate's 10001
// (with scattered points, at least what the dimension needs).
Scan scanPoints(const Problem& p, long count);
// The scan of each iteration that a full scan confirms at the end: a few
// points per variable, between 1001 and the certificate's 10001 on a grid,
// fewer than the full scan's with scattered points.
Scan coarseScan(const Problem& p);

// The violation of constraint j at every scan point (NaN counts as +inf),
// and the side of the bound each is against.
std::vector<double> scanValues(const ViolationFunction& v, const Scan& scan,
                               std::vector<int>* sides);

// The largest |g_j| over the scan, from its violations and their sides.
double largestMagnitude(const Problem& p, int j, const std::vector<double>& values,
                        const std::vector<int>& sides);

// How far the evaluations round g_j(x, t) for a constraint linear in x,
// g = c(t) + a(t)'x: a sum of the terms c and a_k x_k, each known to a unit
// of rounding, so that a violation below ROUNDING_TERMS units of
// |c| + sum_k |a_k x_k| is not resolved (a filter's error of 1e-8 in terms
// of size one is known to about 1e-15). Two evaluations, in *evaluations.
double roundingLevel(const Problem& p, int j, const double* x, const double* t, long* evaluations);

// Local maxima of constraint j's violation, best first, without repeats. On
// a grid: climbed from the best `starts` scan points that are maxima among
// their grid neighbours. With scattered points: climbed from every discrete
// maximum that is violated or near the best value (at most
// CLIMBS_PER_START * starts of them), so that none of many maximisers of
// equal height is left out.
std::vector<LocalMaximum> localMaxima(const ViolationFunction& v, const Scan& scan,
                                      const std::vector<double>& values, int starts);

// Discrete maxima of the scan (no lower than their grid neighbours, or
// their nearest neighbours among scattered points) whose value is at least
// threshold, best first.
std::vector<size_t> scanMaxima(const Scan& scan, const std::vector<double>& values, int nt,
                               double threshold);

// The local maximum climbed from scan point i: Newton's method in t from
// the peak of the parabolas through it and its grid neighbours.
LocalMaximum climb(const ViolationFunction& v, const Scan& scan, const std::vector<double>& values,
                   size_t i);

// The local maximum climbed from t: projected ascent in steps of at most
// maxStep box widths (at most ascentSteps of them; negative: until it
// stalls), then Newton's method in t. Its violation is NaN where g cannot
// be evaluated.
LocalMaximum climbFrom(const ViolationFunction& v, std::vector<double> t, double maxStep,
                       int ascentSteps = -1);

// Adds m to maxima unless one lies within 1e-6 box widths (w) of it; true
// when added.
bool addUnlessRepeated(std::vector<LocalMaximum>& maxima, const LocalMaximum& m,
                       const std::vector<double>& w);
// Largest violation first.
void sortByViolation(std::vector<LocalMaximum>& maxima);

// The scan's spacing in box widths: the scan places each maximum within one
// spacing, so the ascent that sharpens it needs no longer steps.
double scanSpacing(const Problem& p);

// Box widths; a coordinate without a finite box has width 0.
std::vector<double> widths(const Problem& p);

// Max-norm distance in units of the box.
double boxDistance(const std::vector<double>& a, const std::vector<double>& b,
                   const std::vector<double>& w);

// Projected ascent from t (changed in place) inside the box, in steps of at
// most maxStep box widths, at most `iterations` of them (negative: until
// it stalls); returns the value.
double ascend(const ViolationFunction& v, std::vector<double>& t, int* side, double maxStep,
              int iterations = -1);

}  // namespace ormid
