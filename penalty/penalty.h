// Penalty-type methods: integrands, adaptive quadrature over T, the integral
// penalty function, quasi-Newton directions and the Armijo search.
#pragma once

#include "sip_context.h"
#include "vector_ops.h"

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

// Penalty function P(x; miu) = f + miu * sum_j w * I_j. With multipliers
// (lambda not null) term j is weighted by lambda_j as well, and cs (mt
// doubles, may be null) receives each constraint's violation measure.
double penaltyValue(SipContext& c, int nx, const double* x, int nt, double* tbuf, double miu, double* pt,
                    int wantGrad, double* grad);
double weightedPenaltyValue(SipContext& c, int nx, const double* x, int nt, double* tbuf, double miu,
                            const double* lambda, double* cs, double* pt, int wantGrad,
                            double* grad);
void penaltyGradient(SipContext& c, int nx, const double* x, int nt, double* tbuf, double miu, double* grad,
                     double* P, double* pt);
void weightedPenaltyGradient(SipContext& c, int nx, const double* x, int nt, double* tbuf, double miu,
                             const double* lambda, double* cs, double* grad, double* P,
                             double* pt);

void resetIdentity(double* H, int n);
// Powell's damping of a BFGS pair: y <- theta y + (1 - theta) B s with the
// theta that keeps s'y >= 0.2 s'Bs; returns theta.
double powellDamping(int n, const double* s, const double* Bs, double* y);
void bfgsUpdate(const SipOptions& o, double* H, int k, int n, const double* x, const double* xPrev, const double* g,
                const double* gPrev);
void quasiNewtonDirection(int n, const double* H, const double* g, double* d);
void scaleDirection(const SipOptions& o, int n, double* d);

void armijoSearch(SipContext& c, int nx, const double* x, const double* d, double* xNew, const double* g,
                  double miu);
// Returns the accepted step length (0 when none was found).
double weightedArmijoSearch(SipContext& c, int nx, const double* x, const double* d, double* xNew,
                            const double* g, double miu, const double* lambda);

// The largest violation of the infinite constraints on a grid of 1001 values
// of the first infinite variable, relative to max(1, |bound|).
double largestViolation(SipContext& c, const double* x);

bool innerStopTest(const SipOptions& o, int n, const double* xPrev, const double* x, const double* g);
bool epsStopTest(const SipOptions& o, int n, const double* xEps, const double* x);

// Integration runs over the first infinite variable; refuses (with a
// message) a problem without one or with an unbounded one.
bool integrationDomainUsable(const SipProblem& p);
