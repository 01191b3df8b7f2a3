// Quasi-Newton updates of an inverse Hessian and the directions from it.
#pragma once

#include "core/sip_context.h"

namespace ormid {

void resetIdentity(double* H, int n);
// Powell's damping of a BFGS pair: y <- theta y + (1 - theta) B s with the
// theta that keeps s'y >= 0.2 s'Bs; returns theta.
double powellDamping(int n, const double* s, const double* Bs, double* y);
void bfgsUpdate(const SipContext& c, double* H, int k, int n, const double* x, const double* xPrev, const double* g,
                const double* gPrev);
void quasiNewtonDirection(int n, const double* H, const double* g, double* d);
void scaleDirection(const SipContext& c, int n, double* d);

}  // namespace ormid
