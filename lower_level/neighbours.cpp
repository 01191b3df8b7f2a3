#include "lower_level/neighbours.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace ormid {

namespace {

const int LEAF_SIZE = 8;
// Neighbours are (1 + 0.5)-approximate: a cell is skipped unless it may hold
// a point nearer than the k-th found by a factor 1.5 (S. Arya, D. M. Mount,
// N. S. Netanyahu, R. Silverman, A. Y. Wu, An optimal algorithm for
// approximate nearest neighbor searching in fixed dimensions, J. ACM 45
// (1998) 891-923). A discrete maximum needs nearby points, not the nearest
// ones, and in six coordinates the exact search visits twice the cells.
const double APPROXIMATION_SQUARED = 2.25;

struct Node {
  int dimension = -1;  // -1: a leaf of order[from, to)
  double split = 0;
  int from = 0, to = 0;
  int below = -1, above = -1;
};

class KdTree {
 public:
  explicit KdTree(const std::vector<std::vector<double>>& points) : points_(points) {
    order_.resize(points.size());
    for (size_t i = 0; i < order_.size(); ++i) order_[i] = (int)i;
    if (!points.empty()) build(0, (int)points.size());
    // The points again in leaf order, contiguous: a leaf's scan reads
    // memory in sequence instead of chasing a pointer per point.
    dim_ = points.empty() ? 0 : (int)points[0].size();
    flat_.reserve(points.size() * dim_);
    for (int i : order_) flat_.insert(flat_.end(), points[i].begin(), points[i].end());
  }

  // The k nearest points to point i other than itself, as (squared
  // distance, index), nearest first.
  std::vector<std::pair<double, int>> nearest(int i, int k) const {
    Search s{points_[i].data(), i, (size_t)k, {}, std::vector<double>(dim_, 0.0)};
    s.best.reserve(k + 1);
    if (!nodes_.empty()) visit(0, 0.0, s);
    return s.best;
  }

 private:
  struct Search {
    const double* q;
    int self;
    size_t k;
    std::vector<std::pair<double, int>> best;  // nearest first, at most k
    std::vector<double> offset;  // per coordinate, how far outside the current cell q lies
    double bound() const { return best.size() < k ? HUGE_VAL : best.back().first; }
  };

  const std::vector<std::vector<double>>& points_;
  std::vector<int> order_;
  std::vector<Node> nodes_;
  int dim_ = 0;
  std::vector<double> flat_;  // point order_[i] at flat_[i * dim_]

  // Splits at the median of the widest coordinate.
  int build(int from, int to) {
    const int id = (int)nodes_.size();
    nodes_.push_back(Node());
    nodes_[id].from = from, nodes_[id].to = to;
    if (to - from <= LEAF_SIZE) return id;
    const int dim = (int)points_[order_[from]].size();
    int widest = 0;
    double width = -1;
    for (int d = 0; d < dim; ++d) {
      double lo = HUGE_VAL, hi = -HUGE_VAL;
      for (int i = from; i < to; ++i) lo = std::min(lo, points_[order_[i]][d]), hi = std::max(hi, points_[order_[i]][d]);
      if (hi - lo > width) width = hi - lo, widest = d;
    }
    if (!(width > 0)) return id;  // coincident points stay in one leaf
    const int mid = from + (to - from) / 2;
    std::nth_element(order_.begin() + from, order_.begin() + mid, order_.begin() + to,
                     [&](int a, int b) { return points_[a][widest] < points_[b][widest]; });
    const double split = points_[order_[mid]][widest];
    const int below = build(from, mid), above = build(mid, to);
    nodes_[id].dimension = widest, nodes_[id].split = split;
    nodes_[id].below = below, nodes_[id].above = above;
    return id;
  }

  // Visits the cell of node id, whose squared distance from q is `reach`:
  // the nearer child first, the farther one only while it may hold a
  // nearer point (its distance kept per coordinate, after S. Arya and
  // D. M. Mount, Algorithms for fast vector quantization, DCC 1993).
  void visit(int id, double reach, Search& s) const {
    const Node& n = nodes_[id];
    if (n.dimension < 0) {
      for (int i = n.from; i < n.to; ++i) offer(i, s);
      return;
    }
    const double gap = s.q[n.dimension] - n.split;
    visit(gap < 0 ? n.below : n.above, reach, s);
    const double old = s.offset[n.dimension];
    const double farReach = reach - old * old + gap * gap;
    if (!(farReach * APPROXIMATION_SQUARED < s.bound())) return;
    s.offset[n.dimension] = gap;
    visit(gap < 0 ? n.above : n.below, farReach, s);
    s.offset[n.dimension] = old;
  }

  // Offers the point in leaf position i.
  void offer(int i, Search& s) const {
    const int index = order_[i];
    if (index == s.self) return;
    const double* p = &flat_[(size_t)i * dim_];
    const double bound = s.bound();
    double d2 = 0;
    for (int d = 0; d < dim_ && d2 < bound; ++d) d2 += (p[d] - s.q[d]) * (p[d] - s.q[d]);
    if (!(d2 < bound)) return;
    // Insertion into the short sorted list: k is a few dozen at most.
    size_t at = s.best.size();
    s.best.push_back({d2, index});
    for (; at > 0 && s.best[at - 1].first > d2; --at) s.best[at] = s.best[at - 1];
    s.best[at] = {d2, index};
    if (s.best.size() > s.k) s.best.pop_back();
  }
};

double maxNormDistance(const std::vector<double>& a, const std::vector<double>& b) {
  double d = 0;
  for (size_t i = 0; i < a.size(); ++i) d = std::max(d, std::fabs(a[i] - b[i]));
  return d;
}

}  // namespace

NeighbourGraph nearestNeighbours(const std::vector<std::vector<double>>& points, int k) {
  const size_t n = points.size();
  KdTree tree(points);
  std::vector<std::vector<int>> adjacent(n);
  std::vector<double> nearestDistance;
  for (size_t i = 0; i < n; ++i) {
    const std::vector<std::pair<double, int>> found = tree.nearest((int)i, k);
    if (!found.empty()) nearestDistance.push_back(maxNormDistance(points[i], points[found[0].second]));
    for (const std::pair<double, int>& f : found) {
      adjacent[i].push_back(f.second);
      adjacent[f.second].push_back((int)i);
    }
  }
  NeighbourGraph g;
  g.start.push_back(0);
  for (std::vector<int>& a : adjacent) {
    std::sort(a.begin(), a.end());
    a.erase(std::unique(a.begin(), a.end()), a.end());
    g.list.insert(g.list.end(), a.begin(), a.end());
    g.start.push_back(g.list.size());
  }
  if (!nearestDistance.empty()) {
    std::nth_element(nearestDistance.begin(), nearestDistance.begin() + nearestDistance.size() / 2,
                     nearestDistance.end());
    g.typicalDistance = nearestDistance[nearestDistance.size() / 2];
  }
  return g;
}

}  // namespace ormid
