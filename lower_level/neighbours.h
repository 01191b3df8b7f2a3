// Neighbourhoods of scattered points of T: each point's k nearest others,
// found with a k-d tree (J. L. Bentley, Multidimensional binary search trees
// used for associative searching, Comm. ACM 18 (1975) 509-517; J. H.
// Friedman, J. L. Bentley, R. A. Finkel, An algorithm for finding best
// matches in logarithmic expected time, ACM Trans. Math. Softw. 3 (1977)
// 209-226) in O(n log n), and made symmetric: a point is a discrete maximum
// when no point it is near, nor any point near it, is higher.
#pragma once

#include <cstddef>
#include <vector>

namespace ormid {

struct NeighbourGraph {
  std::vector<size_t> start;  // point i's neighbours are list[start[i] .. start[i + 1])
  std::vector<int> list;
  double typicalDistance = 0;  // the median distance to the nearest neighbour (max norm)

  size_t size() const { return start.empty() ? 0 : start.size() - 1; }
};

// The symmetric k-nearest-neighbour graph of points given in units of the
// box (each coordinate in [0, 1]), by Euclidean distance: each point's k
// neighbours are within 1.5 times its k-th nearest neighbour's distance.
NeighbourGraph nearestNeighbours(const std::vector<std::vector<double>>& points, int k);

}  // namespace ormid
