// Stores the problem record and runs the method chosen by the option method.
#include <cstdio>

#include "checks.h"
#include "run_clock.h"
#include "sip.h"

namespace {

void storeProblem(int nx, const double* xu, const double* xl, int nt, const double* tu,
                  const double* tl, int mx, const double* cxu, const double* cxl, int mt,
                  const double* ctu, const double* ctl, double* x0, SipEvaluator evaluate,
                  int sense) {
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
  p.sense = sense;
  p.deadline = deadlineFromNow(sipOptions.time_limit);
}

void checksForLocalMethods() {
  checkSingleT();
  checkFreeX();
  checkConstraintType();
}

SipResult runMethod(int method) {
  switch (method) {
    case METHOD_DISC_HETT:
      checkTBounds();
      return hettichMethod();
    case METHOD_DISC_HALT:
      checkTBounds();
      return haltonMethod();
    case METHOD_DISC_REEM:
      checkTBounds();
      return reemtsenMethod();
    case METHOD_PENALTY:
      checkPenaltyShape();
      checkFreeX();
      checkConstraintType();
      return penaltyMethod();
    case METHOD_PENALTY_M:
      checksForLocalMethods();
      return penaltyMultiplierMethod();
    case METHOD_SQP:
      checksForLocalMethods();
      nlpUnavailable();
      return sipResult(STATUS_NO_POINT, "no NLP solver");
    case METHOD_INTP:
      checksForLocalMethods();
      return interiorPointMethod();
    default:
      printf("Invalid Method\n");
      return sipResult(STATUS_NO_POINT, "invalid method");
  }
}

}  // namespace

SipResult dispatch(int nx, const double* xu, const double* xl, int nt, const double* tu,
                   const double* tl, int mx, const double* cxu, const double* cxl, int mt,
                   const double* ctu, const double* ctl, double* x0, int haveGuess,
                   SipEvaluator evaluate, int sense, StartCheck startCheck) {
  storeProblem(nx, xu, xl, nt, tu, tl, mx, cxu, cxl, mt, ctu, ctl, x0, evaluate, sense);
  if (!haveGuess) {
    printf("Without Initial Guess\n");
    SipResult guess = initialGuess(x0);
    if (!guess.hasPoint()) return guess;
    printVector(x0, nx);
  }
  std::string failing = startCheck ? startCheck(x0) : "";
  if (!failing.empty()) {
    printf("Error evaluating %s at the starting point\n", failing.c_str());
    return sipResult(STATUS_EVALUATION_ERROR, "cannot evaluate " + failing + " at the starting point");
  }
  printf("Nx=%d\t Nt=%d\n", nx, nt);
  return runMethod(sipOptions.method);
}
