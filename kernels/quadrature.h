// Integrals over the first infinite variable: the penalty integrands, the
// adaptive trapezoid and Gauss rules, and the check of the domain.
#pragma once

#include "core/sip_context.h"

namespace ormid {

// phi(x, t, j, wantGrad, grad, miu): penalty integrand of infinite constraint
// j at the point t; writes d(phi)/dx into grad when wantGrad is 1.
typedef double (*Integrand)(SipContext& c, const double* x, const double* t, int j,
                            int wantGrad, double* grad, double miu);

double integrandP1(SipContext& c, const double* x, const double* t, int j, int wantGrad,
                   double* grad, double miu);
double integrandP2(SipContext& c, const double* x, const double* t, int j, int wantGrad,
                   double* grad, double miu);
double integrandP3(SipContext& c, const double* x, const double* t, int j, int wantGrad,
                   double* grad, double miu);
double integrandSmoothedRoot(SipContext& c, const double* x, const double* t, int j,
                             int wantGrad, double* grad, double miu);

// Evaluations one integral may spend; an integral that would need more is
// cut short (its estimate stands) and counted in the statistic quadcut.
const long QUADRATURE_MAX_POINTS = 100000;

// One integral over [tl, tu] of the first infinite variable.
struct Quadrature {
  Integrand phi;
  double tl, tu;
  int nx;
  const double* x;
  int nt;
  double* t;  // work vector; t[0] is the node
  int j;
  int intervals;  // int_n (points of the Gauss rule)
  double error;   // int_error
  double minLength;  // int_amp
  int wantGrad;
  double miu;
  SipContext* c;  // evaluations are counted there, and so are integrals cut short
  mutable long pointsLeft = QUADRATURE_MAX_POINTS;
};

// Return the integral; add the violation measure into *violation and the
// x-gradient into grad (nx doubles, cleared first) when wantGrad.
double adaptiveTrapezoid(const Quadrature& q, double* violation, double* grad);
double adaptiveGauss(const Quadrature& q, double* violation, double* grad);
// The fixed n-point Gauss-Legendre rule on [a, b] (n = 6, 8 or 16).
double gaussRule(const Quadrature& q, double a, double b, double* violation, double* grad);

// Integration runs over the first infinite variable; refuses (with a
// message) a problem without one or with an unbounded one.
bool integrationDomainUsable(const SipContext& c);

}  // namespace ormid
