// Damped BFGS update of an inverse Hessian approximation and the search
// direction it gives.
#include <cmath>
#include <cstdio>
#include <vector>

#include "penalty.h"
#include "sip.h"

typedef std::vector<double> Vec;

void resetIdentity(double* H, int n) {
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < n; ++k) H[i * n + k] = i == k ? 1.0 : 0.0;
}

namespace {

// Powell's damping: y <- theta*y + (1 - theta)*H's row combination q.
void dampY(const double* H, int n, const Vec& s, Vec& y) {
  printf("Damped BFGS formula\n");
  double sy = dot(n, s.data(), y.data());
  Vec q(n, 0.0);
  for (int j = 0; j < n; ++j)
    for (int k = 0; k < n; ++k) q[j] += s[k] * H[k * n + j];
  double sHs = dot(n, s.data(), q.data());
  double theta = 0.2 * sHs > sy ? 0.8 * sHs / (sHs - sy) : 1.0;
  printf("Teta=%f\n", theta);
  for (int i = 0; i < n; ++i) y[i] = theta * y[i] + (1 - theta) * q[i];
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

void bfgsUpdate(const SipOptions& o, double* H, int k, int n, const double* x, const double* xPrev, const double* g,
                const double* gPrev) {
  if (k == 0 || (o.reset != 0 && n > 0 && k % n == 0)) {
    resetIdentity(H, n);
    return;
  }
  Vec s(n), y(n);
  for (int i = 0; i < n; ++i) {
    s[i] = x[i] - xPrev[i];
    y[i] = g[i] - gPrev[i];
  }
  if (o.damped) dampY(H, n, s, y);
  double den = dot(n, s.data(), y.data());
  if (!(std::fabs(den) > o.bfgsskip)) {
    printf("Not changing Hessian Inverse den=%.20f\n", den);
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
void scaleDirection(const SipOptions& o, int n, double* d) {
  const double r = norm2(n, d);
  double factor;
  if (r > o.scaleUpper)
    factor = o.scaleUpper / r;
  else if (r < o.scaleLower && r > 0)
    factor = o.scaleLower / r;
  else
    return;
  for (int i = 0; i < n; ++i) d[i] *= factor;
  printf("Direction Scaled by %f\n", factor);
}
