// A rigorous upper bound on the largest violation of an infinite constraint
// over T, by branch and bound over boxes of T: each box's enclosure of g
// (rounded outwards) bounds the violation there from above, evaluations at
// the boxes' centres bound the largest violation from below, and the box
// with the largest upper bound is split along its widest side until the two
// bounds meet within the search's tolerance or its budget is spent.
//
// R. E. Moore, R. B. Kearfott, M. J. Cloud, "Introduction to Interval
// Analysis", SIAM, 2009, ch. 5 (interval branch and bound for global
// optimisation).
#pragma once

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace ormid {

struct Box {
  std::vector<double> lower, upper;
};

// The violation's enclosure over a box: false when there is none.
typedef std::function<bool(const Box& box, double* lower, double* upper)> BoxEnclosure;
// The violation at a point (NaN where it cannot be evaluated).
typedef std::function<double(const std::vector<double>& t)> PointViolation;

struct BoundSearch {
  // Stop once upper - lower <= max(tolerance, relative * max(lower, 0)):
  // the bound is then within the tolerance of a value attained, or within a
  // factor 1 + relative of it.
  double tolerance = 1e-9;
  double relative = 0;
  long boxBudget = 200000;
  double secondsBudget = HUGE_VAL;  // wall clock
};

struct ViolationBound {
  std::string reason;   // why the bound is infinite or not within tolerance (empty otherwise)
  double upper = 0;     // rigorous: no violation over T exceeds it (+inf: no finite enclosure)
  double lower = 0;     // the largest violation met at a point of T (-inf: none evaluated)
  std::vector<double> at;  // that point (empty when none)
  Box where;            // the box whose enclosure gives upper
  long boxes = 0;
};

ViolationBound boundViolation(const Box& T, const BoxEnclosure& enclose,
                              const PointViolation& at, const BoundSearch& search);

}  // namespace ormid
