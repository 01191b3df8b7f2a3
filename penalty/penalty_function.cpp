// The integral penalty function and its gradient.
#include <cmath>
#include <cstdio>
#include <vector>

#include "penalty/penalty.h"
#include "core/sip.h"

namespace ormid {

namespace {

Integrand selectedIntegrand(const SipContext& c) {
  switch (c.options.pf_type) {
    case PenaltyType::P2: return integrandP2;
    case PenaltyType::P1: return integrandP1;
    case PenaltyType::P3: return integrandP3;
  }
  c.print(PrintLevel::Details, "Unknown Penalty integral function\n");
  return nullptr;
}

// I_j with its violation measure and x-gradient, by the rule of pf_int.
double integral(SipContext& c, Integrand phi, int j, int nx, const double* x, int nt,
                double* tbuf, double miu, int wantGrad, double* violation, double* grad) {
  const Problem& p = c.problem;
  const Options& o = c.options;
  Quadrature q{phi, p.tl[0], p.tu[0], nx, x, nt, tbuf, j, o.int_n, o.int_error, o.int_amp,
               wantGrad, miu, &c};
  *violation = 0;
  if (phi) {
    switch (o.pf_int) {
      case QuadratureRule::Trapezoid: return adaptiveTrapezoid(q, violation, grad);
      case QuadratureRule::Gaussian: return adaptiveGauss(q, violation, grad);
    }
    c.print(PrintLevel::Details, "Unknown integral function\n");
  }
  if (wantGrad)
    for (int i = 0; i < nx; ++i) grad[i] = 0;
  return 0.0;
}

}  // namespace

double weightedPenaltyValue(SipContext& c, int nx, const double* x, int nt, double* tbuf,
                            double miu, const double* lambda, double* cs, double* pt,
                            int wantGrad, double* grad) {
  const Problem& p = c.problem;
  ++c.stats.pfval;
  double P = 0;
  *pt = 0;
  if (wantGrad)
    for (int i = 0; i < nx; ++i) grad[i] = 0;
  std::vector<double> gj(nx);
  const double w = c.options.pf_type == PenaltyType::P2 ? 0.5 : 1.0;
  Integrand phi = p.mt > 0 ? selectedIntegrand(c) : nullptr;
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
  P += c.evaluate(Request::ObjectiveValue, 0, x);
  if (wantGrad) {
    c.evaluate(Request::ObjectiveGradient, 0, x, nullptr, gj.data());
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
  c.print(PrintLevel::Details, "Gradient:\n");
  c.printVector(PrintLevel::Details, grad, nx);
}

void penaltyGradient(SipContext& c, int nx, const double* x, int nt, double* tbuf, double miu,
                     double* grad, double* P, double* pt) {
  weightedPenaltyGradient(c, nx, x, nt, tbuf, miu, nullptr, nullptr, grad, P, pt);
}

}  // namespace ormid
