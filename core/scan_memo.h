// The violations of one scan of T at one x, kept for a later caller that
// scans the same points at the same x: a method's last check of T and the
// certificate's scan that follows it are the same scan.
#pragma once

#include <cstddef>
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

 private:
  struct Entry {
    int constraint;
    std::vector<double> values;
    std::vector<int> sides;
  };
  std::vector<double> x_;
  std::vector<Entry> entries_;
};

}  // namespace ormid
