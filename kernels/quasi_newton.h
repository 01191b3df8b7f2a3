// Quasi-Newton updates of an inverse Hessian and the directions from it.
#pragma once

#include "kernels/trace.h"

namespace ormid {

void resetIdentity(double* H, int n);
// Powell's damping of a BFGS pair: y <- theta y + (1 - theta) B s with the
// theta that keeps s'y >= 0.2 s'Bs; returns theta.
double powellDamping(int n, const double* s, const double* Bs, double* y);
// When the inverse BFGS update starts afresh and when it damps or skips a pair.
struct BfgsRules {
  bool resetEveryN = false;  // back to the identity every n steps too
  bool damped = true;       // Powell's damping of y
  double skip = 0;          // no update when |s'y| is not above this
};

// Step k's update of the n x n inverse Hessian H from the pair (x - xPrev,
// g - gPrev): the identity at k = 0 (and every n steps with resetEveryN).
void bfgsUpdate(double* H, int k, int n, const double* x, const double* xPrev, const double* g,
                const double* gPrev, const BfgsRules& rules, const Trace& trace = Trace());
// The same rules on the direct update of the Hessian approximation B.
void bfgsDirectUpdate(double* B, int k, int n, const double* x, const double* xPrev, const double* g,
                      const double* gPrev, const BfgsRules& rules);
void quasiNewtonDirection(int n, const double* H, const double* g, double* d);
// Keeps the direction's length within [lower, upper]; a zero direction has
// no length to scale and is left alone.
void scaleDirection(int n, double* d, double lower, double upper, const Trace& trace = Trace());

}  // namespace ormid
