// The integral penalty function and its gradient.
#include <cmath>
#include <cstdio>
#include <vector>

#include "penalty.h"
#include "sip.h"

namespace {

Integrand selectedIntegrand(int pfType) {
  switch (pfType) {
    case PF_P2: return integrandP2;
    case PF_P1: return integrandP1;
    case PF_P3: return integrandP3;
  }
  printf("Unknown Penalty integral function\n");
  return nullptr;
}

// I_j with its violation measure and x-gradient, by the rule of pf_int.
double integral(SipContext& c, Integrand phi, int j, int nx, const double* x, int nt,
                double* tbuf, double miu, int wantGrad, double* violation, double* grad) {
  const SipProblem& p = c.problem;
  const SipOptions& o = c.options;
  Quadrature q{phi, p.tl[0], p.tu[0], nx, x, nt, tbuf, j, o.int_n, o.int_error, o.int_amp,
               wantGrad, miu, &c};
  *violation = 0;
  if (phi) {
    switch (o.pf_int) {
      case PF_INT_TRAPZOID: return adaptiveTrapezoid(q, violation, grad);
      case PF_INT_GAUSSIAN: return adaptiveGauss(q, violation, grad);
    }
    printf("Unknown integral function\n");
  }
  if (wantGrad)
    for (int i = 0; i < nx; ++i) grad[i] = 0;
  return 0.0;
}

}  // namespace

double weightedPenaltyValue(SipContext& c, int nx, const double* x, int nt, double* tbuf,
                            double miu, const double* lambda, double* cs, double* pt,
                            int wantGrad, double* grad) {
  const SipProblem& p = c.problem;
  ++c.stats.pfval;
  double P = 0;
  *pt = 0;
  if (wantGrad)
    for (int i = 0; i < nx; ++i) grad[i] = 0;
  std::vector<double> gj(nx);
  const double w = c.options.pf_type == PF_P2 ? 0.5 : 1.0;
  Integrand phi = p.mt > 0 ? selectedIntegrand(c.options.pf_type) : nullptr;
  for (int j = 0; j < p.mt; ++j) {
    double violation;
    double Ij = integral(c, phi, j, nx, x, nt, tbuf, miu, wantGrad, &violation, gj.data());
    double weight = w * miu * (lambda ? lambda[j] : 1.0);
    P += weight * Ij;
    *pt += Ij;
    if (cs) cs[j] = Ij;
    if (wantGrad)
      for (int i = 0; i < nx; ++i) grad[i] += weight * gj[i];
  }
  P += c.evaluate(REQ_OBJVAL, 0, x);
  if (wantGrad) {
    c.evaluate(REQ_OBJGRD, 0, x, nullptr, gj.data());
    for (int i = 0; i < nx; ++i) grad[i] += gj[i];
  }
  return P;
}

double penaltyValue(SipContext& c, int nx, const double* x, int nt, double* tbuf, double miu,
                    double* pt, int wantGrad, double* grad) {
  return weightedPenaltyValue(c, nx, x, nt, tbuf, miu, nullptr, nullptr, pt, wantGrad, grad);
}

void weightedPenaltyGradient(SipContext& c, int nx, const double* x, int nt, double* tbuf,
                             double miu, const double* lambda, double* cs, double* grad,
                             double* P, double* pt) {
  ++c.stats.gpfval;
  *P = weightedPenaltyValue(c, nx, x, nt, tbuf, miu, lambda, cs, pt, 1, grad);
  printf("Gradient:\n");
  printVector(grad, nx);
}

void penaltyGradient(SipContext& c, int nx, const double* x, int nt, double* tbuf, double miu,
                     double* grad, double* P, double* pt) {
  weightedPenaltyGradient(c, nx, x, nt, tbuf, miu, nullptr, nullptr, grad, P, pt);
}

bool integrationDomainUsable(const SipProblem& p) {
  if (p.mt == 0) return true;
  if (p.nt == 0) {
    printf("There is no infinite variable to integrate over: the run ends\n");
    return false;
  }
  if (isMinusInfinity(p.tl[0]) || isPlusInfinity(p.tu[0]) || !std::isfinite(p.tu[0] - p.tl[0])) {
    printf("Cannot integrate over an unbounded infinite variable: the run ends\n");
    return false;
  }
  return true;
}
