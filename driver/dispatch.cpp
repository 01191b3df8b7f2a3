// Stores the problem record and runs the method chosen by the option method.
#include <cstdio>

#include "checks.h"
#include "sip.h"

namespace {

void storeProblem(int nx, const double* xu, const double* xl, int nt, const double* tu,
                  const double* tl, int mx, const double* cxu, const double* cxl, int mt,
                  const double* ctu, const double* ctl, double* x0, SipEvaluator evaluate) {
  SipProblem& p = sipProblem;
  p.nx = nx;
  p.nt = nt;
  p.mx = mx;
  p.mt = mt;
  p.x0 = x0;
  p.xl = xl;
  p.xu = xu;
  p.tl = tl;
  p.tu = tu;
  p.cxl = cxl;
  p.cxu = cxu;
  p.ctl = ctl;
  p.ctu = ctu;
  p.evaluate = evaluate;
}

void checksForLocalMethods() {
  checkSingleT();
  checkFreeX();
  checkConstraintType();
}

}  // namespace

void dispatch(int nx, const double* xu, const double* xl, int nt, const double* tu,
              const double* tl, int mx, const double* cxu, const double* cxl, int mt,
              const double* ctu, const double* ctl, double* x0, int haveGuess,
              SipEvaluator evaluate) {
  storeProblem(nx, xu, xl, nt, tu, tl, mx, cxu, cxl, mt, ctu, ctl, x0, evaluate);
  if (!haveGuess) {
    printf("Without Initial Guess\n");
    initialGuess(x0);
    printVector(x0, nx);
  }
  printf("Nx=%d\t Nt=%d\n", nx, nt);
  switch (sipOptions.method) {
    case METHOD_DISC_HETT:
      checkTBounds();
      hettichMethod();
      break;
    case METHOD_DISC_HALT:
      checkTBounds();
      haltonMethod();
      break;
    case METHOD_DISC_REEM:
      checkTBounds();
      reemtsenMethod();
      break;
    case METHOD_PENALTY:
      checkPenaltyShape();
      checkFreeX();
      checkConstraintType();
      penaltyMethod();
      break;
    case METHOD_PENALTY_M:
      checksForLocalMethods();
      penaltyMultiplierMethod();
      break;
    case METHOD_SQP:
      checksForLocalMethods();
      nlpUnavailable();
    case METHOD_INTP:
      checksForLocalMethods();
      interiorPointMethod();
      break;
    default:
      printf("Invalid Method\n");
  }
}
