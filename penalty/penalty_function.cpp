// The integral penalty function and its gradient.
#include <cmath>
#include <cstdio>
#include <vector>

#include "kernels/penalty_shapes.h"
#include "penalty/penalty.h"
#include "core/sip.h"

namespace ormid {

namespace {

// The integrand's shape by pf_type; false (with a message) for none known.
bool selectedShape(const SipContext& c, PenaltyShape* shape) {
  switch (c.options.penaltyType) {
    case PenaltyType::Quadratic: *shape = PenaltyShape::P2; return true;
    case PenaltyType::Linear: *shape = PenaltyShape::P1; return true;
    case PenaltyType::Exponential: *shape = PenaltyShape::P3; return true;
  }
  c.print(PrintLevel::Details, "Unknown Penalty integral function\n");
  return false;
}

Quadrature penaltyQuadrature(SipContext& c, PenaltyShape shape, double eps, int j, int nx,
                             const double* x, double* tbuf, int wantGrad) {
  const Problem& p = c.problem;
  const Options& o = c.options;
  Quadrature q;
  q.phi = [&c, shape, eps, j, nx, x, tbuf](double s, int want, double* g) {
    tbuf[0] = s;
    const double v = infiniteViolation(c, x, tbuf, j, want ? g : nullptr);
    return penaltyShape(shape, v, eps, nx, want ? g : nullptr);
  };
  q.tl = p.tl[0], q.tu = p.tu[0], q.nx = nx;
  q.intervals = o.quadratureNodes, q.error = o.quadratureTolerance, q.minLength = o.quadratureMinWidth;
  q.wantGrad = wantGrad;
  q.pieces = c.trace(PrintLevel::Details);
  q.invalidRule = c.trace(PrintLevel::Summary);
  return q;
}

double ruleIntegral(SipContext& c, const Quadrature& q, double* violation, double* grad) {
  switch (c.options.quadratureRule) {
    case QuadratureRule::Trapezoid: return adaptiveTrapezoid(q, violation, grad);
    case QuadratureRule::Gaussian: return adaptiveGauss(q, violation, grad);
  }
  c.print(PrintLevel::Details, "Unknown integral function\n");
  *violation = 0;
  if (q.wantGrad)
    for (int i = 0; i < q.nx; ++i) grad[i] = 0;
  return 0.0;
}

// I_j with its violation measure and x-gradient, by the rule of pf_int.
double integral(SipContext& c, const PenaltyShape* shape, double eps, int j, int nx, const double* x,
                double* tbuf, int wantGrad, double* violation, double* grad) {
  *violation = 0;
  if (shape) {
    const Quadrature q = penaltyQuadrature(c, *shape, eps, j, nx, x, tbuf, wantGrad);
    const double I = ruleIntegral(c, q, violation, grad);
    if (cutShort(q)) ++c.stats.quadratureCuts;
    return I;
  }
  if (wantGrad)
    for (int i = 0; i < nx; ++i) grad[i] = 0;
  return 0.0;
}

}  // namespace

double weightedPenaltyValue(SipContext& c, int nx, const double* x, double eps, double* tbuf,
                            double miu, const double* lambda, double* cs, double* pt,
                            int wantGrad, double* grad) {
  const Problem& p = c.problem;
  ++c.stats.penaltyValues;
  double P = 0;
  *pt = 0;
  if (wantGrad)
    for (int i = 0; i < nx; ++i) grad[i] = 0;
  std::vector<double> gj(nx);
  const double w = c.options.penaltyType == PenaltyType::Quadratic ? 0.5 : 1.0;
  PenaltyShape shape;
  const PenaltyShape* known = p.mt > 0 && selectedShape(c, &shape) ? &shape : nullptr;
  for (int j = 0; j < p.mt; ++j) {
    double violation;
    double Ij = integral(c, known, eps, j, nx, x, tbuf, wantGrad, &violation, gj.data());
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

double penaltyValue(SipContext& c, int nx, const double* x, double eps, double* tbuf, double miu,
                    double* pt, int wantGrad, double* grad) {
  return weightedPenaltyValue(c, nx, x, eps, tbuf, miu, nullptr, nullptr, pt, wantGrad, grad);
}

void weightedPenaltyGradient(SipContext& c, int nx, const double* x, double eps, double* tbuf,
                             double miu, const double* lambda, double* cs, double* grad,
                             double* P, double* pt) {
  ++c.stats.penaltyGradients;
  *P = weightedPenaltyValue(c, nx, x, eps, tbuf, miu, lambda, cs, pt, 1, grad);
  c.print(PrintLevel::Details, "Gradient:\n");
  c.printVector(PrintLevel::Details, grad, nx);
}

void penaltyGradient(SipContext& c, int nx, const double* x, double eps, double* tbuf, double miu,
                     double* grad, double* P, double* pt) {
  weightedPenaltyGradient(c, nx, x, eps, tbuf, miu, nullptr, nullptr, grad, P, pt);
}

}  // namespace ormid
