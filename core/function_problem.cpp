// A problem stated by lambdas: the evaluator answers from the record's
// functions, which it finds behind the user-data pointer.
#include <cmath>
#include <vector>

#include "core/function_problem.h"
#include "core/sip.h"

namespace ormid {

namespace {

double functionsEvaluate(Request code, int n, const double* x, const double* t, double* out1,
                         double* out2, double*, int* nerror, void* data) {
  const Functions& p = *static_cast<const Functions*>(data);
  double v = 0.0;
  // A function the problem needs but was not given is an evaluation error.
  const bool missing = ((code == Request::FiniteValue || code == Request::FiniteGradient) && !(p.c && p.gradC)) ||
                       ((code == Request::InfiniteValue || code == Request::InfiniteGradient) && !(p.g && p.gradG));
  if (missing) {
    if (nerror) *nerror = 1;
    return NAN;
  }
  switch (code) {
    case Request::ObjectiveValue: v = p.f ? p.f(x) : 0.0; break;
    case Request::ObjectiveGradient:
      if (p.gradF) p.gradF(x, out1);
      else for (int i = 0; i < p.nx; ++i) out1[i] = 0;
      break;
    case Request::FiniteValue: v = p.c(n, x); break;
    case Request::FiniteGradient: p.gradC(n, x, out1); break;
    case Request::InfiniteValue: v = p.g(n, x, t); break;
    case Request::InfiniteGradient: {
      std::vector<double> gt(p.nt > 0 ? p.nt : 1);
      p.gradG(n, x, t, out1, out2 ? out2 : gt.data());
      break;
    }
    default: break;  // no Hessians: the methods approximate them
  }
  if (nerror) *nerror = std::isnan(v) ? 1 : 0;
  return v;
}

bool functionsBatch(int n, int count, const double* x, const double* t, double* values,
                    void* data) {
  const Functions& p = *static_cast<const Functions*>(data);
  p.gBatch(n, count, x, t, values);
  bool all = true;
  for (int k = 0; k < count; ++k) all = all && !std::isnan(values[k]);
  return all;
}

bool functionsInterval(int n, const double* x, const double* tLower, const double* tUpper,
                       double* lower, double* upper, void* data) {
  const Functions& p = *static_cast<const Functions*>(data);
  return p.gInterval(n, x, tLower, tUpper, lower, upper);
}

void fillTo(std::vector<double>& v, size_t n, double value) {
  if (v.size() < n) v.resize(n, value);
}

}  // namespace

FunctionsProblem::FunctionsProblem(const Functions& f)
    : xl(f.xl), xu(f.xu), tl(f.tl), tu(f.tu), cxl(f.cxl), cxu(f.cxu), ctl(f.ctl), ctu(f.ctu) {
  fillTo(xl, f.nx, -HUGE_VAL);
  fillTo(xu, f.nx, HUGE_VAL);
  fillTo(tl, f.nt, 0.0);
  fillTo(tu, f.nt, 1.0);
  fillTo(cxl, f.mx, -HUGE_VAL);
  fillTo(cxu, f.mx, 0.0);
  fillTo(ctl, f.mt, -HUGE_VAL);
  fillTo(ctu, f.mt, 0.0);
  problem.nx = f.nx, problem.nt = f.nt, problem.mx = f.mx, problem.mt = f.mt;
  problem.x0 = f.x0.empty() ? nullptr : f.x0.data();
  problem.xl = xl.data(), problem.xu = xu.data(), problem.tl = tl.data(), problem.tu = tu.data();
  problem.cxl = cxl.data(), problem.cxu = cxu.data(), problem.ctl = ctl.data(), problem.ctu = ctu.data();
  problem.evaluate = functionsEvaluate;
  if (f.gBatch) problem.evaluateBatch = functionsBatch;
  if (f.gInterval) problem.evaluateInterval = functionsInterval;
  problem.data = const_cast<Functions*>(&f);
  problem.sense = f.maximize ? -1 : 1;
}

}  // namespace ormid
