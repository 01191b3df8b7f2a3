// A program outside the tree: three problems through the installed library,
// one line of its own each. The test around it checks that nothing else is
// printed and that no file is left in the working directory.
#include <cstdio>

#include "ormid/ormid.h"

namespace {

// min (x - 3)^2 subject to x <= 1 + t on [0, 1]: x = 1.
ormid::Functions shiftedLine() {
  ormid::Functions p;
  p.mt = 1;
  p.x0 = {0.0};
  p.f = [](const double* x) { return (x[0] - 3) * (x[0] - 3); };
  p.gradF = [](const double* x, double* g) { g[0] = 2 * (x[0] - 3); };
  p.g = [](int, const double* x, const double* t) { return x[0] - 1 - t[0]; };
  p.gradG = [](int, const double*, const double*, double* gx, double* gt) {
    gx[0] = 1;
    gt[0] = -1;
  };
  return p;
}

bool near(double a, double b) { return a > b - 1e-2 && a < b + 1e-2; }

}  // namespace

int main() {
  const ormid::Method methods[] = {ormid::Method::Penalty, ormid::Method::InteriorPoint,
                                   ormid::Method::Exchange};
  int failures = 0;
  for (ormid::Method m : methods) {
    ormid::Options o;
    o.method = m;
    ormid::Result r = ormid::solve(shiftedLine(), o);
    const bool ok = r.hasPoint() && ormid::statusCode(r.status) < 200 && near(r.x[0], 1.0);
    printf("consumer %s: %s x=%.6f\n", ormid::version(), r.statusText(), r.x.empty() ? 0.0 : r.x[0]);
    failures += ok ? 0 : 1;
  }
  return failures;
}
