#include "fake_problem.h"

#include <cmath>

namespace {

FakeProblem* current = nullptr;

double fakeEvaluate(int code, int n, const double* x, const double* t, double* out1,
                    double* out2, double*, int*) {
  FakeProblem& p = *current;
  switch (code) {
    case REQ_OBJVAL: ++sipStats.objval; return p.f(x);
    case REQ_OBJGRD: ++sipStats.objgrd; p.gradF(x, out1); return 0.0;
    case REQ_CONTVAL: ++sipStats.contval; return p.g(n, x, t);
    case REQ_CONXVAL: ++sipStats.conxval; return p.c(n, x);
    case REQ_CONXGRD: ++sipStats.conxgrd; p.gradC(n, x, out1); return 0.0;
    case REQ_CONTGRD:
      ++sipStats.contgrd;
      p.gradG(n, x, t, out1, out2);
      return 0.0;
  }
  return 0.0;
}

}  // namespace

FakeProblem::FakeProblem() {
  f = [](const double*) { return 0.0; };
  gradF = [this](const double*, double* gr) { for (int i = 0; i < nx; ++i) gr[i] = 0; };
  g = [](int, const double*, const double*) { return -1.0; };
  gradG = [this](int, const double*, const double*, double* gx, double* gt) {
    for (int i = 0; i < nx; ++i) gx[i] = 0;
    for (int i = 0; i < nt; ++i) gt[i] = 0;
  };
}

FakeProblem::~FakeProblem() {
  if (current == this) current = nullptr;
}

void FakeProblem::install() {
  x0.resize(nx, 0.0);
  if (xl.empty()) xl.assign(nx, -HUGE_VAL);
  if (xu.empty()) xu.assign(nx, HUGE_VAL);
  if (ctl.empty()) ctl.assign(mt, -HUGE_VAL);
  ctu.resize(mt, 0.0);
  if (cxl.empty()) cxl.assign(mx, -HUGE_VAL);
  cxu.resize(mx, 0.0);
  current = this;
  SipProblem& s = sipProblem;
  s.nx = nx, s.nt = nt, s.mx = mx, s.mt = mt;
  s.x0 = x0.data();
  s.xl = xl.data(), s.xu = xu.data(), s.tl = tl.data(), s.tu = tu.data();
  s.cxl = cxl.data(), s.cxu = cxu.data(), s.ctl = ctl.data(), s.ctu = ctu.data();
  s.evaluate = fakeEvaluate;
  zeroStatistics();
}
