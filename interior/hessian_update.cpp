// Direct damped BFGS update of a Hessian approximation.
#include <cmath>
#include <vector>

#include "interior/ip.h"
#include "kernels/vector_ops.h"
#include "kernels/quasi_newton.h"
#include "core/sip.h"

namespace ormid {

namespace {

typedef std::vector<double> Vec;

Vec times(const double* B, int n, const Vec& s) {
  Vec Bs(n, 0.0);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) Bs[i] += B[j * n + i] * s[j];
  return Bs;
}

}  // namespace

void hessianUpdate(const Options& o, double* B, int k, int n, const double* x, const double* xPrev, const double* g,
                   const double* gPrev) {
  if (k == 0 || (o.reset != 0 && n > 0 && k % n == 0)) {
    resetIdentity(B, n);
    return;
  }
  Vec s(n), y(n);
  for (int i = 0; i < n; ++i) {
    y[i] = g[i] - gPrev[i];
    s[i] = x[i] - xPrev[i];
  }
  if (o.damped) powellDamping(n, s.data(), times(B, n, s).data(), y.data());
  double sy = dot(n, s.data(), y.data());
  if (!(std::fabs(sy) > o.bfgsskip)) return;
  Vec Bs = times(B, n, s);
  double sBs = dot(n, Bs.data(), s.data());
  if (!(sBs > 0)) return;  // an indefinite B: the update would divide by sBs <= 0
  for (int i = 0; i < n; ++i)
    for (int m = 0; m < n; ++m) B[i * n + m] += y[i] * y[m] / sy - Bs[i] * Bs[m] / sBs;
}

}  // namespace ormid
