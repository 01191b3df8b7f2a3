// The integral penalty function and its gradient.
#include <cmath>
#include <cstdio>
#include <vector>

#include "penalty.h"
#include "sip.h"

namespace {

Integrand selectedIntegrand() {
  switch (sipOptions.pf_type) {
    case PF_P2: return integrandP2;
    case PF_P1: return integrandP1;
    case PF_P3: return integrandP3;
  }
  printf("Unknown Penalty integral function\n");
  return nullptr;
}

// I_j with its violation measure and x-gradient, by the rule of pf_int.
double integral(Integrand phi, int j, int nx, const double* x, int nt, double* tbuf,
                double miu, int wantGrad, double* violation, double* grad) {
  const SipProblem& p = sipProblem;
  Quadrature q{phi, p.tl[0], p.tu[0], nx, x, nt, tbuf, j, sipOptions.int_n,
               sipOptions.int_error, sipOptions.int_amp, wantGrad, miu};
  *violation = 0;
  if (phi) {
    switch (sipOptions.pf_int) {
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

double weightedPenaltyValue(int nx, const double* x, int nt, double* tbuf, double miu,
                            const double* lambda, double* cs, double* pt, int wantGrad,
                            double* grad) {
  const SipProblem& p = sipProblem;
  ++sipStats.pfval;
  double P = 0;
  *pt = 0;
  if (wantGrad)
    for (int i = 0; i < nx; ++i) grad[i] = 0;
  std::vector<double> gj(nx);
  const double w = sipOptions.pf_type == PF_P2 ? 0.5 : 1.0;
  Integrand phi = p.mt > 0 ? selectedIntegrand() : nullptr;
  for (int j = 0; j < p.mt; ++j) {
    double violation;
    double Ij = integral(phi, j, nx, x, nt, tbuf, miu, wantGrad, &violation, gj.data());
    double weight = w * miu * (lambda ? lambda[j] : 1.0);
    P += weight * Ij;
    *pt += Ij;
    if (cs) cs[j] = Ij;
    if (wantGrad)
      for (int i = 0; i < nx; ++i) grad[i] += weight * gj[i];
  }
  P += p.evaluate(REQ_OBJVAL, 0, x, nullptr, nullptr, nullptr, nullptr, nullptr);
  if (wantGrad) {
    p.evaluate(REQ_OBJGRD, 0, x, nullptr, gj.data(), nullptr, nullptr, nullptr);
    for (int i = 0; i < nx; ++i) grad[i] += gj[i];
  }
  return P;
}

double penaltyValue(int nx, const double* x, int nt, double* tbuf, double miu, double* pt,
                    int wantGrad, double* grad) {
  return weightedPenaltyValue(nx, x, nt, tbuf, miu, nullptr, nullptr, pt, wantGrad, grad);
}

void weightedPenaltyGradient(int nx, const double* x, int nt, double* tbuf, double miu,
                             const double* lambda, double* cs, double* grad, double* P,
                             double* pt) {
  ++sipStats.gpfval;
  *P = weightedPenaltyValue(nx, x, nt, tbuf, miu, lambda, cs, pt, 1, grad);
  printf("Gradient:\n");
  printVector(grad, nx);
}

void penaltyGradient(int nx, const double* x, int nt, double* tbuf, double miu, double* grad,
                     double* P, double* pt) {
  weightedPenaltyGradient(nx, x, nt, tbuf, miu, nullptr, nullptr, grad, P, pt);
}

bool integrationDomainUsable() {
  const SipProblem& p = sipProblem;
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
