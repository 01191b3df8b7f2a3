// The violations of one scan of T at one x, kept for a later caller that
// scans the same points at the same x: a method's last check of T and the
// certificate's scan that follows it are the same scan. And the points of T
// where a method found a constraint peaking that no scan sees (a peak
// narrower than its spacing, found by the branch and bound), for the
// certificate to climb from as well.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace ormid {

class ScanMemo {
 public:
  // The kept violations and sides of constraint j over a scan of `count`
  // points at x; false when none are kept.
  bool find(const double* x, int nx, int j, size_t count, std::vector<double>* values,
            std::vector<int>* sides) const;
  // Keeps them; a new x replaces what was kept.
  void keep(const double* x, int nx, int j, const std::vector<double>& values,
            const std::vector<int>& sides);

  void hint(int j, const std::vector<double>& t) { hints_.push_back({j, t}); }
  std::vector<std::vector<double>> hints(int j) const;

 private:
  struct Entry {
    int constraint;
    std::vector<double> values;
    std::vector<int> sides;
  };
  std::vector<double> x_;
  std::vector<Entry> entries_;
  std::vector<std::pair<int, std::vector<double>>> hints_;
};

}  // namespace ormid
