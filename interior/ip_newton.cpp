// The Newton (KKT) system of the barrier problem in three orderings.
// Linearised conditions, with w = tau + s:
//   B dx - J' dlambda = -(grad f - J' lambda)
//   I + s + J dx + ds = 0
//   w dlambda + lambda ds = -(w lambda + mu)
#include <algorithm>
#include <cstdio>

#include "kernels/cholesky.h"
#include "kernels/vector_ops.h"
#include "interior/ip.h"
#include "core/sip.h"

namespace ormid {

namespace {

struct Blocks {
  const IpContext& c;
  const IpIterate& it;
  const IpEval& e;
  double w(int j) const { return c.tau + it.s[j]; }
  double J(int j, int i) const { return e.J[(long)j * c.nx + i]; }
  double feasibility(int j) const { return e.I[j] + it.s[j]; }
  double* dx(Vec& d) const { return d.data(); }
  double* ds(Vec& d) const { return d.data() + c.nx; }
  double* dl(Vec& d) const { return d.data() + c.nx + c.mt; }
};

bool singularSystem(const IpContext& c) {
  c.sip.print(PrintLevel::Summary, "N is singular\n");
  return false;
}

bool solveOrReport(const IpContext& c, int n, const Vec& matrix, const Vec& rhs, double* x) {
  Vec A = matrix;
  int singular = 0;
  choleskySolve(n, A.data(), rhs.data(), x, c.sip.options.choleskyFloor, &singular);
  return singular ? singularSystem(c) : true;
}

// N = B - J' diag(lambda / w) J
Vec dualMatrix(const Blocks& b, const Vec& B) {
  const int nx = b.c.nx;
  Vec N = B;
  for (int j = 0; j < b.c.mt; ++j) {
    double weight = b.it.lambda[j] / b.w(j);
    for (int i = 0; i < nx; ++i)
      for (int k = 0; k < nx; ++k) N[(long)i * nx + k] -= b.J(j, i) * weight * b.J(j, k);
  }
  return N;
}

// h_i = -grad f_i + sum_j J_ji / w_j * (lambda_j (I_j + s_j) - target_j)
Vec dualRhs(const Blocks& b, const Vec& target) {
  Vec h(b.c.nx);
  for (int i = 0; i < b.c.nx; ++i) {
    h[i] = -b.e.gradF[i];
    for (int j = 0; j < b.c.mt; ++j)
      h[i] += b.J(j, i) / b.w(j) * (b.it.lambda[j] * b.feasibility(j) - target[j]);
  }
  return h;
}

// ds = -(I + s) - J dx; dlambda = -(lambda ds + w lambda + target) / w
void recoverSlacksAndMultipliers(const Blocks& b, const Vec& target, Vec& d) {
  for (int j = 0; j < b.c.mt; ++j) {
    double Jdx = 0;
    for (int i = 0; i < b.c.nx; ++i) Jdx += b.J(j, i) * b.dx(d)[i];
    b.ds(d)[j] = -b.feasibility(j) - Jdx;
    b.dl(d)[j] = -(b.it.lambda[j] * b.ds(d)[j] + b.w(j) * b.it.lambda[j] + target[j]) / b.w(j);
  }
}

double residual(int n, const Vec& N, const double* x, const Vec& h) {
  double sum = 0;
  for (int i = 0; i < n; ++i) {
    double v = -h[i];
    for (int k = 0; k < n; ++k) v += N[(long)i * n + k] * x[k];
    sum += v * v;
  }
  return sum;
}

}  // namespace

bool dualOrdering(const IpContext& c, const IpIterate& it, const IpEval& e, const Vec& B,
                  double mu, Vec& d) {
  Blocks b{c, it, e};
  d.assign(c.nx + 2 * c.mt, 0.0);
  Vec target(c.mt, mu);
  Vec N = dualMatrix(b, B), h = dualRhs(b, target);
  c.sip.print(PrintLevel::Details, "N:\n");
  c.sip.printMatrix(PrintLevel::Details, N.data(), c.nx, c.nx);
  c.sip.print(PrintLevel::Details, "Ind:\n");
  c.sip.printVector(PrintLevel::Details, h.data(), c.nx);
  Vec A = N;
  int singular = 0;
  choleskySolve(c.nx, A.data(), h.data(), b.dx(d), c.sip.options.choleskyFloor, &singular);
  c.sip.print(PrintLevel::Details, "Residual=%.20f\n", residual(c.nx, N, b.dx(d), h));
  if (singular) return singularSystem(c);
  recoverSlacksAndMultipliers(b, target, d);
  return true;
}

bool primalOrdering(const IpContext& c, const IpIterate& it, const IpEval& e, const Vec& B,
                    double mu, Vec& d) {
  Blocks b{c, it, e};
  const int nx = c.nx, mt = c.mt;
  d.assign(nx + 2 * mt, 0.0);
  Vec a(nx), BJt((long)nx * mt, 0.0), Ba(nx, 0.0);
  for (int i = 0; i < nx; ++i) a[i] = -e.gradL[i];
  for (int i = 0; i < nx; ++i)
    for (int k = 0; k < nx; ++k) {
      Ba[i] += B[(long)i * nx + k] * a[k];
      for (int j = 0; j < mt; ++j) BJt[(long)i * mt + j] += B[(long)i * nx + k] * b.J(j, k);
    }
  // M = J B J' - diag(w / lambda); rhs_j = c_j / lambda_j - (I_j + s_j) - (J B a)_j
  Vec M((long)mt * mt, 0.0), rhs(mt), cj(mt);
  for (int j = 0; j < mt; ++j) {
    for (int l = 0; l < mt; ++l)
      for (int i = 0; i < nx; ++i) M[(long)j * mt + l] += b.J(j, i) * BJt[(long)i * mt + l];
    M[(long)j * mt + j] -= b.w(j) / it.lambda[j];
    cj[j] = b.w(j) * it.lambda[j] + mu;
    double JBa = 0;
    for (int i = 0; i < nx; ++i) JBa += b.J(j, i) * Ba[i];
    rhs[j] = cj[j] / it.lambda[j] - b.feasibility(j) - JBa;
  }
  if (!solveOrReport(c, mt, M, rhs, b.dl(d))) return false;
  for (int j = 0; j < mt; ++j) b.ds(d)[j] = -(b.w(j) * b.dl(d)[j] + cj[j]) / it.lambda[j];
  Vec v = a;
  for (int i = 0; i < nx; ++i)
    for (int j = 0; j < mt; ++j) v[i] += b.J(j, i) * b.dl(d)[j];
  for (int i = 0; i < nx; ++i) {
    b.dx(d)[i] = 0;
    for (int k = 0; k < nx; ++k) b.dx(d)[i] += B[(long)i * nx + k] * v[k];
  }
  return true;
}

double stepBound(const IpContext& c, const IpIterate& it, const Vec& d) {
  const double tau = c.tau;
  double alpha = 1 / 0.95;
  for (int j = 0; j < c.mt; ++j) {
    double dl = d[c.nx + c.mt + j], ds = d[c.nx + j];
    if (dl > 0) alpha = std::min(alpha, -it.lambda[j] / dl);
    if (ds < 0) alpha = std::min(alpha, -(tau + it.s[j]) / ds);
  }
  if (alpha < 0) alpha = 0;
  return 0.95 * alpha;
}

bool predictorCorrector(const IpContext& c, const IpIterate& it, const IpEval& e, const Vec& B,
                        Vec& d) {
  Blocks b{c, it, e};
  d.assign(c.nx + 2 * c.mt, 0.0);
  Vec target(c.mt, 0.0);
  const Vec N = dualMatrix(b, B);
  if (!solveOrReport(c, c.nx, N, dualRhs(b, target), b.dx(d))) return false;
  recoverSlacksAndMultipliers(b, target, d);
  for (int pass = 0; pass < c.sip.options.correctorSteps; ++pass) {
    double alpha = stepBound(c, it, d), F = 0;
    for (int j = 0; j < c.mt; ++j)
      F -= (it.lambda[j] + alpha * b.dl(d)[j]) * (b.w(j) + alpha * b.ds(d)[j]);
    if (c.mt > 0) F /= c.mt;
    // The second-order term of the previous direction joins the target.
    for (int j = 0; j < c.mt; ++j) target[j] = F + b.ds(d)[j] * b.dl(d)[j];
    if (!solveOrReport(c, c.nx, N, dualRhs(b, target), b.dx(d))) return false;
    recoverSlacksAndMultipliers(b, target, d);
  }
  return true;
}

bool newtonDirection(const IpContext& c, const IpIterate& it, const IpEval& e, const Vec& B,
                     double mu, Vec& d) {
  switch (c.sip.options.kktOrdering) {
    case KktOrdering::Primal: return primalOrdering(c, it, e, B, mu, d);
    case KktOrdering::PredictorCorrector: return predictorCorrector(c, it, e, B, d);
    default: return dualOrdering(c, it, e, B, mu, d);
  }
}

}  // namespace ormid
