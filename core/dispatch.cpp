// Runs the method chosen by the option method on a solve's context.
#include <cstdio>

#include "core/checks.h"
#include "core/sip.h"

namespace ormid {

namespace {

void checksForLocalMethods(const SipContext& c) {
  checkSingleT(c);
  checkFreeX(c);
  checkConstraintType(c);
}

Result runMethod(SipContext& c) {
  switch (c.options.method) {
    case Method::DiscHett:
      checkTBounds(c);
      return hettichMethod(c);
    case Method::DiscHalt:
      checkTBounds(c);
      return haltonMethod(c);
    case Method::DiscReem:
      checkTBounds(c);
      return reemtsenMethod(c);
    case Method::Penalty:
      checkPenaltyShape(c);
      checkFreeX(c);
      checkConstraintType(c);
      return penaltyMethod(c);
    case Method::PenaltyM:
      checksForLocalMethods(c);
      return penaltyMultiplierMethod(c);
    case Method::Sqp:
      checksForLocalMethods(c);
      nlpUnavailable(c);
      return sipResult(Status::NoPoint, "no NLP solver");
    case Method::Intp:
      checksForLocalMethods(c);
      return interiorPointMethod(c);
    case Method::Exchange:
      checkTBounds(c);
      return exchangeMethod(c);
    default:
      c.print(PrintLevel::Details, "Invalid Method\n");
      return sipResult(Status::NoPoint, "invalid method");
  }
}

}  // namespace

Result dispatch(SipContext& c) {
  const Problem& p = c.problem;
  if (!p.x0 && p.nx > 0) {  // with no x there is nothing to guess
    c.print(PrintLevel::Details, "Without Initial Guess\n");
    Result guess = initialGuess(c);
    if (!guess.hasPoint()) return guess;
    c.printVector(PrintLevel::Details, c.x.data(), p.nx);
  }
  std::string failing = failingAtStart(p, c.x.data());
  if (!failing.empty()) {
    c.print(PrintLevel::Details, "Error evaluating %s at the starting point\n", failing.c_str());
    return sipResult(Status::EvaluationError, "cannot evaluate " + failing + " at the starting point");
  }
  c.print(PrintLevel::Details, "Nx=%d\t Nt=%d\n", p.nx, p.nt);
  return runMethod(c);
}

}  // namespace ormid
