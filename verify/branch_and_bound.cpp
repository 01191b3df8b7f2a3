#include "verify/branch_and_bound.h"

#include <algorithm>
#include <cmath>
#include <queue>

namespace ormid {

namespace {

struct Node {
  Box box;
  double upper;
  bool operator<(const Node& other) const { return upper < other.upper; }
};

std::vector<double> centre(const Box& b) {
  std::vector<double> c(b.lower.size());
  for (size_t d = 0; d < c.size(); ++d) c[d] = 0.5 * (b.lower[d] + b.upper[d]);
  return c;
}

// Halves along the widest side; false when the box is a point in floating point.
bool split(const Box& b, Box* left, Box* right) {
  size_t widest = 0;
  for (size_t d = 1; d < b.lower.size(); ++d)
    if (b.upper[d] - b.lower[d] > b.upper[widest] - b.lower[widest]) widest = d;
  if (b.lower.empty()) return false;
  const double mid = 0.5 * (b.lower[widest] + b.upper[widest]);
  if (!(mid > b.lower[widest] && mid < b.upper[widest])) return false;
  *left = *right = b;
  left->upper[widest] = mid;
  right->lower[widest] = mid;
  return true;
}

// The violation's upper bound over a box; +inf where the box has no
// enclosure (an operator leaving its domain somewhere in it, or an
// enclosure too wide to tell): such a box is split before any other, since
// its halves may have one.
double upperOver(const BoxEnclosure& enclose, const Box& b) {
  double lo, hi;
  return enclose(b, &lo, &hi) ? hi : HUGE_VAL;
}

// The search's end: a bound that is still +inf is not available.
ViolationBound finished(ViolationBound out) {
  out.available = out.upper < HUGE_VAL;
  if (!out.available) out.reason = out.boxes == 1 ? "no enclosure over T" : "no enclosure over a box of T";
  return out;
}

}  // namespace

ViolationBound boundViolation(const Box& T, const BoxEnclosure& enclose,
                              const PointViolation& at, const BoundSearch& search) {
  ViolationBound out;
  out.boxes = 1;
  out.lower = -HUGE_VAL;
  std::priority_queue<Node> open;
  open.push({T, upperOver(enclose, T)});
  // The best upper bound is the largest of the open boxes' upper bounds.
  while (!open.empty()) {
    const Node top = open.top();
    const double v = at(centre(top.box));
    if (std::isfinite(v)) out.lower = std::max(out.lower, v);
    out.upper = top.upper;
    out.where = top.box;
    if (out.upper - out.lower <= search.tolerance || out.boxes >= search.boxBudget) return finished(out);
    open.pop();
    Box halves[2];
    // A point box: its enclosure is as tight as it gets.
    if (!split(top.box, &halves[0], &halves[1])) return finished(out);
    for (const Box& h : halves) {
      ++out.boxes;
      const double hi = upperOver(enclose, h);
      if (hi > out.lower) open.push({h, hi});  // a box wholly below the lower bound cannot hold the maximum
    }
    if (open.empty()) {  // every box below a value attained: that value is the maximum
      out.upper = out.lower;
      return finished(out);
    }
  }
  return finished(out);
}

}  // namespace ormid
