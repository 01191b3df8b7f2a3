// Backtracking search with the Armijo sufficient-decrease test on P(x; miu).
#include <cstdio>
#include <vector>

#include "penalty/penalty.h"
#include "core/sip.h"

namespace ormid {

double weightedArmijoSearch(SipContext& c, int nx, const double* x, const double* d,
                            double* xNew, const double* g, double miu, double eps, const double* lambda) {
  const int nt = c.problem.nt;
  std::vector<double> t(nt > 0 ? nt : 1, 0.0);
  double pt;
  double phi0 = weightedPenaltyValue(c, nx, x, eps, t.data(), miu, lambda, nullptr, &pt, 0, nullptr);
  c.print(PrintLevel::Details, "phi0=%f pt=%f\n", phi0, pt);
  const double gd = dot(nx, g, d), dn = norm2(nx, d);
  double alpha = 1;
  for (;;) {
    for (int i = 0; i < nx; ++i) xNew[i] = x[i] + alpha * d[i];
    double phi = weightedPenaltyValue(c, nx, xNew, eps, t.data(), miu, lambda, nullptr, &pt, 0, nullptr);
    c.print(PrintLevel::Details, "alpha=%f phiomega=%f pt=%f\n", alpha, phi, pt);
    if (phi0 - phi >= -c.options.armijoConstant * alpha * gd) {
      c.print(PrintLevel::Details, "Step=%f\n", alpha);
      return alpha;
    }
    alpha /= 2;
    if (!(alpha * dn > 1e-8)) break;
  }
  alpha = 0;
  for (int i = 0; i < nx; ++i) xNew[i] = x[i];
  c.print(PrintLevel::Details, "Step zero %.20f\n", alpha);
  return alpha;
}

void armijoSearch(SipContext& c, int nx, const double* x, const double* d, double* xNew,
                  const double* g, double miu, double eps) {
  weightedArmijoSearch(c, nx, x, d, xNew, g, miu, eps, nullptr);
}

}  // namespace ormid
