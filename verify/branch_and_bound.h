// A rigorous upper bound on the largest violation of an infinite constraint
// over T, by branch and bound over boxes of T: each box's enclosure of g
// (rounded outwards) bounds the violation there from above, evaluations at
// the boxes' centres bound the largest violation from below, and the box
// with the largest upper bound is split along its widest side until the two
// bounds meet or the box budget is spent.
//
// R. E. Moore, R. B. Kearfott, M. J. Cloud, "Introduction to Interval
// Analysis", SIAM, 2009, ch. 5 (interval branch and bound for global
// optimisation).
#pragma once

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
  double tolerance = 1e-9;  // stop when upper - lower <= tolerance
  long boxBudget = 200000;
};

struct ViolationBound {
  bool available = false;
  std::string reason;   // when not available
  double upper = 0;     // rigorous: no violation over T exceeds it
  double lower = 0;     // attained at a point of T
  Box where;            // the box whose enclosure gives upper
  long boxes = 0;
};

ViolationBound boundViolation(const Box& T, const BoxEnclosure& enclose,
                              const PointViolation& at, const BoundSearch& search);

}  // namespace ormid
