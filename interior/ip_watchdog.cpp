#include <cstdio>

#include "interior/ip.h"
#include "kernels/vector_ops.h"

namespace ormid {

void WatchdogSlot::push(const IpIterate& it, const Vec& dir, const Vec& hess, double a, double b,
                        double f) {
  point = it;
  d = dir;
  B = hess;
  alpha = a;
  beta = b;
  phi = f;
  saved = true;
}

bool WatchdogSlot::pop(IpIterate& it, Vec& dir, Vec& hess, double& a, double& b) const {
  if (!saved) return false;
  it = point;
  dir = d;
  hess = B;
  a = alpha;
  b = beta;
  return true;
}

bool WatchdogSlot::peek(double* f) const {
  if (saved) *f = phi;
  return saved;
}

void WatchdogSlot::release() { *this = WatchdogSlot(); }

}  // namespace ormid
