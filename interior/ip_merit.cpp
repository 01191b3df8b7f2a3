// Merit functions of the line search: m1 (L2) and m2 (augmented Lagrangian).
#include "interior/ip.h"
#include "kernels/vector_ops.h"
#include "core/sip.h"

namespace ormid {

namespace {

bool augmented(const IpContext& c) { return c.sip.options.meritFunction != MeritFunction::L2; }

}  // namespace

double meritValue(IpContext& c, const IpIterate& it, double mu, double beta, bool withDerivatives,
                  MeritValue* m) {
  const double tau = c.tau;
  MeritValue local;
  MeritValue& v = m ? *m : local;
  v.c.assign(c.mt, 0.0);
  v.J.assign((long)c.mt * c.nx, 0.0);
  double phi = 0;
  for (int j = 0; j < c.mt; ++j) {
    double* row = withDerivatives ? &v.J[(long)j * c.nx] : nullptr;
    v.c[j] = transcribedIntegral(c, it.x.data(), j, row) + it.s[j];
    phi += -mu * safeLog(c, tau + it.s[j]) + beta / 2 * v.c[j] * v.c[j];
    if (augmented(c)) phi -= it.lambda[j] * v.c[j];
  }
  phi += c.sip.evaluate(Request::ObjectiveValue, 0, it.x.data());
  if (withDerivatives) {
    v.gradF.assign(c.nx, 0.0);
    c.sip.evaluate(Request::ObjectiveGradient, 0, it.x.data(), nullptr, v.gradF.data());
    meritGradients(c, it, mu, beta, v);
  }
  v.phi = phi;
  ++c.meritEvaluations;
  return phi;
}

void meritGradients(const IpContext& c, const IpIterate& it, double mu, double beta, MeritValue& m) {
  const double tau = c.tau;
  m.gradX = m.gradF;
  m.gradS.assign(c.mt, 0.0);
  for (int j = 0; j < c.mt; ++j) {
    double weight = beta * m.c[j] - (augmented(c) ? it.lambda[j] : 0.0);
    for (int i = 0; i < c.nx; ++i) m.gradX[i] += weight * m.J[(long)j * c.nx + i];
    m.gradS[j] = -mu / (tau + it.s[j]) - (augmented(c) ? it.lambda[j] : 0.0) + beta * m.c[j];
  }
}

double meritSlope(const IpContext& c, const MeritValue& m, const Vec& d) {
  double D = 0;
  for (int i = 0; i < c.nx; ++i) D += m.gradX[i] * d[i];
  for (int j = 0; j < c.mt; ++j) {
    D += m.gradS[j] * d[c.nx + j];
    if (augmented(c)) D -= m.c[j] * d[c.nx + c.mt + j];
  }
  return D;
}

}  // namespace ormid
