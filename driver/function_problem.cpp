// A problem stated by lambdas: the evaluator answers from the record's
// functions, which it finds behind the user-data pointer.
#include <cmath>
#include <vector>

#include "ormid/ormid.h"

namespace {

double functionsEvaluate(int code, int n, const double* x, const double* t, double* out1,
                         double* out2, double*, int* nerror, void* data) {
  const SipFunctions& p = *static_cast<const SipFunctions*>(data);
  double v = 0.0;
  // A function the problem needs but was not given is an evaluation error.
  const bool missing = ((code == REQ_CONXVAL || code == REQ_CONXGRD) && !(p.c && p.gradC)) ||
                       ((code == REQ_CONTVAL || code == REQ_CONTGRD) && !(p.g && p.gradG));
  if (missing) {
    if (nerror) *nerror = 1;
    return NAN;
  }
  switch (code) {
    case REQ_OBJVAL: v = p.f ? p.f(x) : 0.0; break;
    case REQ_OBJGRD:
      if (p.gradF) p.gradF(x, out1);
      else for (int i = 0; i < p.nx; ++i) out1[i] = 0;
      break;
    case REQ_CONXVAL: v = p.c(n, x); break;
    case REQ_CONXGRD: p.gradC(n, x, out1); break;
    case REQ_CONTVAL: v = p.g(n, x, t); break;
    case REQ_CONTGRD: {
      std::vector<double> gt(p.nt > 0 ? p.nt : 1);
      p.gradG(n, x, t, out1, out2 ? out2 : gt.data());
      break;
    }
    default: break;  // no Hessians: the methods approximate them
  }
  if (nerror) *nerror = std::isnan(v) ? 1 : 0;
  return v;
}

void fillTo(std::vector<double>& v, size_t n, double value) {
  if (v.size() < n) v.resize(n, value);
}

}  // namespace

SipProblem SipFunctions::problem() {
  fillTo(xl, nx, -HUGE_VAL);
  fillTo(xu, nx, HUGE_VAL);
  fillTo(tl, nt, 0.0);
  fillTo(tu, nt, 1.0);
  fillTo(cxl, mx, -HUGE_VAL);
  fillTo(cxu, mx, 0.0);
  fillTo(ctl, mt, -HUGE_VAL);
  fillTo(ctu, mt, 0.0);
  SipProblem p;
  p.nx = nx, p.nt = nt, p.mx = mx, p.mt = mt;
  p.x0 = x0.empty() ? nullptr : x0.data();
  p.xl = xl.data(), p.xu = xu.data(), p.tl = tl.data(), p.tu = tu.data();
  p.cxl = cxl.data(), p.cxu = cxu.data(), p.ctl = ctl.data(), p.ctu = ctu.data();
  p.evaluate = functionsEvaluate;
  p.data = this;
  p.sense = maximize ? -1 : 1;
  return p;
}
