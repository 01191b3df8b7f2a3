#include "verify/branch_and_bound.h"

#include <algorithm>
#include <cstdio>
#include <queue>

#include "core/run_clock.h"

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
// enclosure (an operator leaving its domain somewhere in it, a pole, or an
// enclosure too wide to tell): such a box is split before any other, since
// its halves may have one.
double upperOver(const BoxEnclosure& enclose, const Box& b) {
  double lo, hi;
  return enclose(b, &lo, &hi) && !std::isnan(hi) ? hi : HUGE_VAL;
}

bool withinTolerance(const ViolationBound& b, const BoundSearch& s) {
  return b.upper - b.lower <= std::max(s.tolerance, s.relative * std::max(b.lower, 0.0));
}

std::string pointText(const std::vector<double>& t) {
  std::string text;
  char part[48];
  for (size_t d = 0; d < t.size(); ++d) {
    snprintf(part, sizeof part, "%s%.6g", d ? ", " : "", t[d]);
    text += part;
  }
  return "(" + text + ")";
}

// Why the search ended short of its tolerance, if it did.
ViolationBound finished(ViolationBound out, const BoundSearch& search, const char* limit) {
  if (out.upper == HUGE_VAL)
    out.reason = out.boxes == 1 ? "no finite enclosure over T"
                                : "no finite enclosure over a box of T near t = " + pointText(centre(out.where));
  else if (!withinTolerance(out, search))
    out.reason = limit;
  return out;
}

}  // namespace

ViolationBound boundViolation(const Box& T, const BoxEnclosure& enclose,
                              const PointViolation& at, const BoundSearch& search) {
  const double start = monotonicSeconds();
  ViolationBound out;
  out.boxes = 1;
  out.lower = -HUGE_VAL;
  std::priority_queue<Node> open;
  open.push({T, upperOver(enclose, T)});
  // The best upper bound is the largest of the open boxes' upper bounds.
  while (!open.empty()) {
    const Node top = open.top();
    const std::vector<double> c = centre(top.box);
    const double v = at(c);
    if (v > out.lower) out.lower = v, out.at = c;
    out.upper = top.upper;
    out.where = top.box;
    if (withinTolerance(out, search)) return finished(out, search, "");
    if (out.boxes >= search.boxBudget) return finished(out, search, "box budget spent");
    if (out.boxes % 32 == 1 && monotonicSeconds() - start > search.secondsBudget)
      return finished(out, search, "time budget spent");
    open.pop();
    Box halves[2];
    // A point box: its enclosure is as tight as it gets.
    if (!split(top.box, &halves[0], &halves[1])) return finished(out, search, "a box of T cannot be split");
    for (const Box& h : halves) {
      ++out.boxes;
      const double hi = upperOver(enclose, h);
      if (hi > out.lower) open.push({h, hi});  // a box wholly below the lower bound cannot hold the maximum
    }
    if (open.empty()) {  // every box below a value attained: that value is the maximum
      out.upper = out.lower;
      return finished(out, search, "");
    }
  }
  return finished(out, search, "");
}

}  // namespace ormid
