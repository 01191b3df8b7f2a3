// The points of T an exchange method keeps: a coarse start (a regular grid
// of the box with a few times more points than x has coordinates), the
// maximisers it adds, and the multipliers each
// point had in the last subproblem, from which idle points are dropped and
// the next subproblem is warm-started.
#pragma once

#include <vector>

#include "subproblem/subproblem.h"
#include "ormid/ormid.h"

namespace ormid {

struct WorkingPoint {
  std::vector<double> t;
  bool initial = false;        // part of the coarse start: never dropped
  int idle = 0;                // subproblems in a row with the point inactive
  std::vector<double> lambda;  // one multiplier per infinite constraint
  // The infinite constraints the next subproblem holds at the point: all of
  // them at a start point, elsewhere those it was added for and those
  // active or near their bounds at the last x.
  std::vector<char> held;
};

class WorkingSet {
 public:
  // Subproblems a point may stay inactive before it is dropped.
  static const int DROP_AFTER = 3;

  explicit WorkingSet(const Problem& p);
  // With `remezStart` (T one-dimensional, every constraint linear in x) the
  // coarse start is joined by the nx + 1 extrema of the Chebyshev polynomial
  // of degree nx on T, an alternation-like reference for every infinite
  // constraint (each maps T onto its own band), whose points go when idle.
  // (The extrema alone make near-interpolating first subproblems on
  // approximations by many cosines: x oscillates wildly between them.)
  WorkingSet(const Problem& p, bool remezStart);

  // Halves the coarse start's spacing (its points stay): a subproblem on too
  // few points of T can be unbounded. False when the start is as fine as a
  // working set may be.
  bool refineStart();
  int startValues() const { return perCoordinate_; }

  // Adds t for infinite constraint j (-1: all of them) unless the set holds
  // it for j already (within 1e-9 of the box); true when added.
  bool add(const std::vector<double>& t, int j = -1);

  // Takes the multipliers of a subproblem (rows: mx finite, then mt for each
  // point in order) and drops the points that have been idle long enough: no
  // multiplier and every constraint well inside its bounds at x, on its own
  // scale (magnitude: each constraint's largest |g| over T, or empty).
  // Returns how many were dropped. Without `forget` no row is let go and no
  // point dropped: only a subproblem whose optimum rose may forget (a
  // linear subproblem with many optimal vertices otherwise cycles among
  // them, each dropping the rows that the next one violates).
  int update(const std::vector<double>& lambda, const Problem& p, const double* x,
             const std::vector<double>& magnitude = {}, bool forget = true);

  PointList points() const;
  // Which rows the next subproblem holds: point k's constraint j at k * mt + j.
  std::vector<char> held() const;
  // Row multipliers for a warm start: the last ones, 0 for new points.
  std::vector<double> warmStart() const;
  size_t size() const { return points_.size(); }
  const std::vector<WorkingPoint>& all() const { return points_; }

 private:
  const Problem& p_;
  std::vector<double> widths_;
  std::vector<WorkingPoint> points_;
  std::vector<double> finiteLambda_;
  int perCoordinate_ = 0;

  void addStart(int perCoordinate);
  void addChebyshevExtrema(int degree);
};

// Adds points of T each for its own constraint (found violated earlier in
// the solve, or a warm start's from a nearby problem), beside the coarse
// start; like the maximisers the set adds, they go once idle.
void addPoints(WorkingSet& set, const std::vector<Point>& points);

}  // namespace ormid
