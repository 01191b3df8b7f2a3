// The integral transcription: integrals of the smoothed violation, the
// barrier Lagrangian, initial slacks and multipliers, stopping residuals.
#include <cmath>
#include <cstdio>

#include "kernels/cholesky.h"
#include "kernels/vector_ops.h"
#include "interior/ip.h"
#include "kernels/penalty_shapes.h"
#include "kernels/quadrature.h"
#include "core/sip.h"

namespace ormid {

IpContext::IpContext(SipContext& s) : sip(s) {
  const Problem& p = s.problem;
  nx = p.nx;
  mt = p.mt;
  nt = p.nt;
  eps = s.options.initialSmoothing;
  tau = s.options.slackRelaxation;
  t.assign(nt > 0 ? nt : 1, 0.0);
}

double safeLog(const IpContext& c, double v) {
  if (v > 0) return std::log(v);
  c.sip.print(PrintLevel::Summary, "Log of a negative or zero value %f, returning %f\n", v, -1e20);
  return -1e20;
}

double transcribedIntegral(IpContext& c, const double* x, int j, double* grad) {
  const Problem& p = c.sip.problem;
  const Options& o = c.sip.options;
  Vec scratch(grad ? 0 : c.nx);
  Quadrature q;
  q.phi = [&c, x, j](double s, int wantGrad, double* g) {
    c.t[0] = s;
    const double v = infiniteViolation(c.sip, x, c.t.data(), j, wantGrad ? g : nullptr);
    return penaltyShape(PenaltyShape::SmoothedRoot, v, c.eps, c.nx, wantGrad ? g : nullptr);
  };
  q.tl = p.tl[0], q.tu = p.tu[0], q.nx = c.nx;
  q.intervals = o.quadratureNodes, q.error = o.quadratureTolerance, q.minLength = o.quadratureMinWidth;
  q.wantGrad = grad ? 1 : 0;
  q.pieces = c.sip.trace(PrintLevel::Details);
  q.invalidRule = c.sip.trace(PrintLevel::Summary);
  double violation;
  const double integral = adaptiveTrapezoid(q, &violation, grad ? grad : scratch.data());
  if (cutShort(q)) ++c.sip.stats.quadratureCuts;
  return integral;
}

namespace {

double objective(IpContext& c, const double* x) { return c.sip.evaluate(Request::ObjectiveValue, 0, x); }

void objectiveGradient(IpContext& c, const double* x, double* g) {
  c.sip.evaluate(Request::ObjectiveGradient, 0, x, nullptr, g);
}

}  // namespace

void evaluateLagrangian(IpContext& c, const IpIterate& it, double mu, IpEval& e) {
  const double tau = c.tau;
  e.I.assign(c.mt, 0.0);
  e.r.assign(c.mt, 0.0);
  e.J.assign((long)c.mt * c.nx, 0.0);
  double constraintTerm = 0, barrier = 0;
  for (int j = 0; j < c.mt; ++j) {
    e.I[j] = transcribedIntegral(c, it.x.data(), j, &e.J[(long)j * c.nx]);
    constraintTerm += it.lambda[j] * (e.I[j] + it.s[j]);
    barrier += safeLog(c, tau + it.s[j]);
    e.r[j] = -e.I[j] - it.s[j];
  }
  e.f = objective(c, it.x.data());
  e.L = e.f - constraintTerm - mu * barrier;
  e.gradF.assign(c.nx, 0.0);
  objectiveGradient(c, it.x.data(), e.gradF.data());
  e.gradL = e.gradF;
  for (int j = 0; j < c.mt; ++j)
    for (int i = 0; i < c.nx; ++i) e.gradL[i] -= it.lambda[j] * e.J[(long)j * c.nx + i];
  ++c.lagrangianEvaluations;
}

namespace {

const double MULTIPLIER_BOUND = 1e3;  // relative to max(1, |grad f|)

}  // namespace

void initialSlacksAndMultipliers(IpContext& c, IpIterate& it, int k) {
  const Options& o = c.sip.options;
  const double floorSlack = o.initialSlackFloor * std::pow(o.smoothingReduction, k);
  Vec A((long)c.mt * c.nx, 0.0);
  it.s.assign(c.mt, 0.0);
  it.lambda.assign(c.mt, -1.0);
  for (int j = 0; j < c.mt; ++j) {
    double Ij = transcribedIntegral(c, it.x.data(), j, &A[(long)j * c.nx]);
    it.s[j] = floorSlack > Ij ? floorSlack : Ij;
  }
  Vec gradF(c.nx, 0.0), AAt((long)c.mt * c.mt, 0.0), Ag(c.mt, 0.0);
  objectiveGradient(c, it.x.data(), gradF.data());
  for (int j = 0; j < c.mt; ++j) {
    for (int i = 0; i < c.nx; ++i) Ag[j] += A[(long)j * c.nx + i] * gradF[i];
    for (int l = 0; l < c.mt; ++l)
      for (int i = 0; i < c.nx; ++i)
        AAt[(long)j * c.mt + l] += A[(long)j * c.nx + i] * A[(long)l * c.nx + i];
  }
  int singular = 0;
  choleskySolve(c.mt, AAt.data(), Ag.data(), it.lambda.data(), o.choleskyFloor, &singular);
  // Where the integrals barely move with x (a strictly feasible start), the
  // least-squares multipliers blow up (-5.9e8 seen): they are bounded.
  const double bound = -MULTIPLIER_BOUND * std::fmax(1.0, norm2(c.nx, gradF.data()));
  for (int j = 0; j < c.mt; ++j) {
    if (singular || !(it.lambda[j] < 0)) it.lambda[j] = -1.0;
    if (it.lambda[j] < bound) it.lambda[j] = bound;
  }
}

Residuals stoppingResiduals(const IpContext& c, const IpIterate& it, const IpEval& e) {
  Residuals r;
  for (int j = 0; j < c.mt; ++j) r.rho += (e.I[j] + it.s[j]) * (e.I[j] + it.s[j]);
  for (int i = 0; i < c.nx; ++i) {
    double v = -e.gradF[i];
    for (int j = 0; j < c.mt; ++j) v += e.J[(long)j * c.nx + i] * it.lambda[j];
    r.sigma += v * v;
  }
  r.rho = std::sqrt(r.rho);
  r.sigma = std::sqrt(r.sigma);
  c.sip.print(PrintLevel::Details, "||rho||=%f\n", r.rho);
  c.sip.print(PrintLevel::Details, "||sigma||=%f\n", r.sigma);
  return r;
}

}  // namespace ormid
