// Damped BFGS update of an inverse Hessian approximation and the search
// direction it gives.
#include <cmath>
#include <cstdio>
#include <vector>

#include "kernels/cholesky.h"
#include "kernels/vector_ops.h"
#include "kernels/quasi_newton.h"
#include "core/sip.h"

namespace ormid {

typedef std::vector<double> Vec;

void resetIdentity(double* H, int n) {
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < n; ++k) H[i * n + k] = i == k ? 1.0 : 0.0;
}

namespace {

// B s with B = H^-1, by a Cholesky solve of H z = s on a copy of H. An H
// that is not numerically positive definite gives s itself (B taken as I).
Vec inverseTimes(const double* H, int n, const Vec& s) {
  Vec A(H, H + (long)n * n), z(n, 0.0);
  int singular = 0;
  choleskySolve(n, A.data(), s.data(), z.data(), 1e-14, &singular);
  if (singular || !allFinite(n, z.data()) || !(dot(n, s.data(), z.data()) > 0)) return s;
  return z;
}

// The damping keeps the update positive definite. Its test compares
// curvatures, which needs B (the Hessian approximation), not its inverse H.
void dampY(const SipContext& c, const double* H, int n, const Vec& s, Vec& y) {
  c.print(PrintLevel::Details, "Damped BFGS formula\n");
  Vec Bs = inverseTimes(H, n, s);
  c.print(PrintLevel::Details, "Teta=%f\n", powellDamping(n, s.data(), Bs.data(), y.data()));
}

// H <- M H M^T + s s^T / den with M = I - s y^T / den.
void inverseUpdate(double* H, int n, const Vec& s, const Vec& y, double den) {
  Vec M((long)n * n), MH((long)n * n, 0.0);
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < n; ++k) M[i * n + k] = (i == k ? 1.0 : 0.0) - s[i] * y[k] / den;
  for (int i = 0; i < n; ++i)
    for (int l = 0; l < n; ++l)
      for (int k = 0; k < n; ++k) MH[i * n + k] += M[i * n + l] * H[l * n + k];
  for (int i = 0; i < n; ++i)
    for (int k = i; k < n; ++k) {
      double v = s[i] * s[k] / den;
      for (int l = 0; l < n; ++l) v += MH[i * n + l] * M[k * n + l];
      H[i * n + k] = H[k * n + i] = v;
    }
}

}  // namespace

double powellDamping(int n, const double* s, const double* Bs, double* y) {
  double sy = dot(n, s, y), sBs = dot(n, s, Bs);
  double theta = 0.2 * sBs > sy ? 0.8 * sBs / (sBs - sy) : 1.0;
  for (int i = 0; i < n; ++i) y[i] = theta * y[i] + (1 - theta) * Bs[i];
  return theta;
}

void bfgsUpdate(const SipContext& c, double* H, int k, int n, const double* x, const double* xPrev, const double* g,
                const double* gPrev) {
  const Options& o = c.options;
  if (k == 0 || (o.reset != 0 && n > 0 && k % n == 0)) {
    resetIdentity(H, n);
    return;
  }
  Vec s(n), y(n);
  for (int i = 0; i < n; ++i) {
    s[i] = x[i] - xPrev[i];
    y[i] = g[i] - gPrev[i];
  }
  if (o.damped) dampY(c, H, n, s, y);
  double den = dot(n, s.data(), y.data());
  if (!(std::fabs(den) > o.bfgsskip)) {
    c.print(PrintLevel::Details, "Not changing Hessian Inverse den=%.20f\n", den);
    return;
  }
  inverseUpdate(H, n, s, y, den);
}

void quasiNewtonDirection(int n, const double* H, const double* g, double* d) {
  for (int i = 0; i < n; ++i) {
    d[i] = 0;
    for (int k = 0; k < n; ++k) d[i] -= H[i * n + k] * g[k];
  }
}

// Keeps the direction's length within [scaleLower, scaleUpper]; a zero
// direction has no length to scale and is left alone.
void scaleDirection(const SipContext& c, int n, double* d) {
  const Options& o = c.options;
  const double r = norm2(n, d);
  double factor;
  if (r > o.scaleUpper)
    factor = o.scaleUpper / r;
  else if (r < o.scaleLower && r > 0)
    factor = o.scaleLower / r;
  else
    return;
  for (int i = 0; i < n; ++i) d[i] *= factor;
  c.print(PrintLevel::Details, "Direction Scaled by %f\n", factor);
}

}  // namespace ormid
