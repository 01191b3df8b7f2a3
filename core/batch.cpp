#include "core/batch.h"

#include <cmath>

namespace ormid {

void infiniteValues(const Problem& p, int j, const double* x, int count, const double* t,
                    double* values) {
  if (count <= 0) return;
  if (p.evaluateBatch) {
    p.evaluateBatch(j, count, x, t, values, p.data);
    return;
  }
  for (int k = 0; k < count; ++k) {
    int error = 0;
    const double v = p.evaluate(Request::InfiniteValue, j, x, t + (long)k * p.nt, nullptr, nullptr,
                                nullptr, &error, p.data);
    values[k] = error ? NAN : v;
  }
}

}  // namespace ormid
