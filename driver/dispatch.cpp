// Runs the method chosen by the option method on a solve's context.
#include <cstdio>

#include "checks.h"
#include "sip.h"

namespace {

void checksForLocalMethods(const SipContext& c) {
  checkSingleT(c.problem);
  checkFreeX(c.problem);
  checkConstraintType(c.problem);
}

SipResult runMethod(SipContext& c) {
  switch (c.options.method) {
    case METHOD_DISC_HETT:
      checkTBounds(c.problem);
      return hettichMethod(c);
    case METHOD_DISC_HALT:
      checkTBounds(c.problem);
      return haltonMethod(c);
    case METHOD_DISC_REEM:
      checkTBounds(c.problem);
      return reemtsenMethod(c);
    case METHOD_PENALTY:
      checkPenaltyShape(c.problem, c.options);
      checkFreeX(c.problem);
      checkConstraintType(c.problem);
      return penaltyMethod(c);
    case METHOD_PENALTY_M:
      checksForLocalMethods(c);
      return penaltyMultiplierMethod(c);
    case METHOD_SQP:
      checksForLocalMethods(c);
      nlpUnavailable();
      return sipResult(STATUS_NO_POINT, "no NLP solver");
    case METHOD_INTP:
      checksForLocalMethods(c);
      return interiorPointMethod(c);
    case METHOD_EXCHANGE:
      checkTBounds(c.problem);
      return exchangeMethod(c);
    default:
      printf("Invalid Method\n");
      return sipResult(STATUS_NO_POINT, "invalid method");
  }
}

}  // namespace

SipResult dispatch(SipContext& c) {
  const SipProblem& p = c.problem;
  if (!p.x0 && p.nx > 0) {  // with no x there is nothing to guess
    printf("Without Initial Guess\n");
    SipResult guess = initialGuess(c);
    if (!guess.hasPoint()) return guess;
    printVector(c.x.data(), p.nx);
  }
  std::string failing = failingAtStart(p, c.x.data());
  if (!failing.empty()) {
    printf("Error evaluating %s at the starting point\n", failing.c_str());
    return sipResult(STATUS_EVALUATION_ERROR, "cannot evaluate " + failing + " at the starting point");
  }
  printf("Nx=%d\t Nt=%d\n", p.nx, p.nt);
  return runMethod(c);
}
