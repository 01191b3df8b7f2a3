// Watson's problem 2 stated in C++ and solved through the library with three
// methods: the integral penalty method, Reemtsen's discretization with Ipopt
// and the exchange method, the last with one line per iteration through a
// callback. The library itself prints nothing.
//
//   minimise  x1^2 / 3 + x2^2 + x1 / 2
//   subject to (1 - x1^2 t^2)^2 - x1 t^2 - x2^2 + x2 <= 0  for every t in [0, 1]
#include <cstdio>

#include "ormid/ormid.h"

int main() {
  ormid::Functions p;
  p.nx = 2, p.nt = 1, p.mt = 1;
  p.x0 = {-1.0, 0.0};
  p.tl = {0.0}, p.tu = {1.0};
  p.f = [](const double* x) { return x[0] * x[0] / 3 + x[1] * x[1] + x[0] / 2; };
  p.gradF = [](const double* x, double* g) {
    g[0] = 2 * x[0] / 3 + 0.5;
    g[1] = 2 * x[1];
  };
  p.g = [](int, const double* x, const double* t) {
    double s = t[0] * t[0], u = 1 - x[0] * x[0] * s;
    return u * u - x[0] * s - x[1] * x[1] + x[1];
  };
  p.gradG = [](int, const double* x, const double* t, double* gx, double* gt) {
    double s = t[0] * t[0], u = 1 - x[0] * x[0] * s;
    gx[0] = -4 * u * x[0] * s - s;
    gx[1] = 1 - 2 * x[1];
    gt[0] = -4 * u * x[0] * x[0] * t[0] - 2 * x[0] * t[0];
  };

  ormid::Options penalty;  // the defaults: penalty method, exponential integrand
  ormid::Options epsilonActive;
  ormid::setOption(epsilonActive, "method", "disc_reem");  // by keyword, as the program reads it
  epsilonActive.nlpSolver = ormid::SubproblemNlp::Ipopt;
  ormid::Options exchange;
  exchange.method = ormid::Method::Exchange;
  exchange.iterationCallback = [](const ormid::Iteration& it) {
    printf("  %s %d: objective %.10f, violation %.1e\n", it.phase, it.iteration, it.objective,
           it.violation);
    return ormid::IterationAction::Continue;
  };

  struct Run {
    const char* name;
    const ormid::Options& options;
  } runs[] = {{"penalty", penalty}, {"disc_reem", epsilonActive}, {"exchange", exchange}};
  printf("ormid %s\n", ormid::version());
  for (const Run& run : runs) {
    ormid::Result r = ormid::solve(p, run.options);
    printf("%s: %s (%d), x = (%.8f, %.8f), objective %.8f, largest violation %.2g, %.3f s\n",
           run.name, r.statusText(), ormid::statusCode(r.status), r.x[0], r.x[1], r.objective,
           r.maxViolation, r.seconds);
  }
  return 0;
}
