// Damped BFGS updates of a Hessian approximation or of its inverse, and the
// search direction from the inverse.
#include <cmath>
#include <vector>

#include "kernels/cholesky.h"
#include "kernels/vector_ops.h"
#include "kernels/quasi_newton.h"

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
void dampY(const double* H, int n, const Vec& s, Vec& y, const Trace& trace) {
  traceLine(trace, "Damped BFGS formula\n");
  Vec Bs = inverseTimes(H, n, s);
  const double theta = powellDamping(n, s.data(), Bs.data(), y.data());
  traceLine(trace, "Teta=%f\n", theta);
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

bool startsAfresh(const BfgsRules& rules, int k, int n) {
  return k == 0 || (rules.resetEveryN && n > 0 && k % n == 0);
}

// The step s = x - xPrev and the gradient change y = g - gPrev.
void stepPair(int n, const double* x, const double* xPrev, const double* g, const double* gPrev, Vec& s,
              Vec& y) {
  s.resize(n);
  y.resize(n);
  for (int i = 0; i < n; ++i) {
    s[i] = x[i] - xPrev[i];
    y[i] = g[i] - gPrev[i];
  }
}

// B s for the n x n matrix B (column-major reading, as B is symmetric).
Vec times(const double* B, int n, const Vec& s) {
  Vec Bs(n, 0.0);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) Bs[i] += B[j * n + i] * s[j];
  return Bs;
}

}  // namespace

double powellDamping(int n, const double* s, const double* Bs, double* y) {
  double sy = dot(n, s, y), sBs = dot(n, s, Bs);
  double theta = 0.2 * sBs > sy ? 0.8 * sBs / (sBs - sy) : 1.0;
  for (int i = 0; i < n; ++i) y[i] = theta * y[i] + (1 - theta) * Bs[i];
  return theta;
}

void bfgsUpdate(double* H, int k, int n, const double* x, const double* xPrev, const double* g,
                const double* gPrev, const BfgsRules& rules, const Trace& trace) {
  if (startsAfresh(rules, k, n)) {
    resetIdentity(H, n);
    return;
  }
  Vec s, y;
  stepPair(n, x, xPrev, g, gPrev, s, y);
  if (rules.damped) dampY(H, n, s, y, trace);
  double den = dot(n, s.data(), y.data());
  if (!(std::fabs(den) > rules.skip)) {
    traceLine(trace, "Not changing Hessian Inverse den=%.20f\n", den);
    return;
  }
  inverseUpdate(H, n, s, y, den);
}

void bfgsDirectUpdate(double* B, int k, int n, const double* x, const double* xPrev, const double* g,
                      const double* gPrev, const BfgsRules& rules) {
  if (startsAfresh(rules, k, n)) {
    resetIdentity(B, n);
    return;
  }
  Vec s, y;
  stepPair(n, x, xPrev, g, gPrev, s, y);
  if (rules.damped) powellDamping(n, s.data(), times(B, n, s).data(), y.data());
  double sy = dot(n, s.data(), y.data());
  if (!(std::fabs(sy) > rules.skip)) return;
  Vec Bs = times(B, n, s);
  double sBs = dot(n, Bs.data(), s.data());
  if (!(sBs > 0)) return;  // an indefinite B: the update would divide by sBs <= 0
  for (int i = 0; i < n; ++i)
    for (int m = 0; m < n; ++m) B[i * n + m] += y[i] * y[m] / sy - Bs[i] * Bs[m] / sBs;
}

void quasiNewtonDirection(int n, const double* H, const double* g, double* d) {
  for (int i = 0; i < n; ++i) {
    d[i] = 0;
    for (int k = 0; k < n; ++k) d[i] -= H[i * n + k] * g[k];
  }
}

void scaleDirection(int n, double* d, double lower, double upper, const Trace& trace) {
  const double r = norm2(n, d);
  double factor;
  if (r > upper)
    factor = upper / r;
  else if (r < lower && r > 0)
    factor = lower / r;
  else
    return;
  for (int i = 0; i < n; ++i) d[i] *= factor;
  traceLine(trace, "Direction Scaled by %f\n", factor);
}

}  // namespace ormid
