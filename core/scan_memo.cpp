#include "core/scan_memo.h"

#include <algorithm>

namespace ormid {

bool ScanMemo::find(const double* x, int nx, int j, size_t count, std::vector<double>* values,
                    std::vector<int>* sides) const {
  if ((int)x_.size() != nx || !std::equal(x_.begin(), x_.end(), x)) return false;
  for (const Entry& e : entries_)
    if (e.constraint == j && e.values.size() == count) {
      *values = e.values;
      *sides = e.sides;
      return true;
    }
  return false;
}

void ScanMemo::keep(const double* x, int nx, int j, const std::vector<double>& values,
                    const std::vector<int>& sides) {
  if ((int)x_.size() != nx || !std::equal(x_.begin(), x_.end(), x)) {
    x_.assign(x, x + nx);
    entries_.clear();
  }
  for (Entry& e : entries_)
    if (e.constraint == j && e.values.size() == values.size()) {
      e.values = values, e.sides = sides;
      return;
    }
  entries_.push_back({j, values, sides});
}

std::vector<std::vector<double>> ScanMemo::hints(int j) const {
  std::vector<std::vector<double>> points;
  for (const std::pair<int, std::vector<double>>& h : hints_)
    if (h.first == j) points.push_back(h.second);
  return points;
}

}  // namespace ormid
