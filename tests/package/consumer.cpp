// min (x - 3)^2 subject to x <= 1 + t on [0, 1]: x = 1.
#include <cstdio>

#include "ormid/ormid.h"

int main() {
  SipFunctions p;
  p.mt = 1;
  p.x0 = {0.0};
  p.f = [](const double* x) { return (x[0] - 3) * (x[0] - 3); };
  p.gradF = [](const double* x, double* g) { g[0] = 2 * (x[0] - 3); };
  p.g = [](int, const double* x, const double* t) { return x[0] - 1 - t[0]; };
  p.gradG = [](int, const double*, const double*, double* gx, double* gt) {
    gx[0] = 1;
    gt[0] = -1;
  };
  SipResult r = ormid::solve(p.problem());
  printf("consumer: %s x=%.6f\n", r.statusText(), r.x[0]);
  return r.status < 200 && r.x[0] > 0.99 && r.x[0] < 1.01 ? 0 : 1;
}
