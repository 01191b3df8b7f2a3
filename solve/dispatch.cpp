// Runs the method chosen by the option method on a solve's context.
#include <cstdio>

#include "solve/dispatch.h"

#include "solve/checks.h"
#include "solve/methods.h"

namespace ormid {

namespace {

void checksForLocalMethods(const SipContext& c) {
  checkSingleT(c);
  checkFreeX(c);
  checkConstraintType(c);
}

// The shape checks the method needs: they only warn.
void checkShape(const SipContext& c) {
  switch (c.options.method) {
    case Method::GridDiscretization:
    case Method::HaltonDiscretization:
    case Method::EpsilonActiveDiscretization:
    case Method::Exchange: checkTBounds(c); return;
    case Method::Penalty:
      checkPenaltyShape(c);
      checkFreeX(c);
      checkConstraintType(c);
      return;
    case Method::PenaltyMultiplier:
    case Method::InteriorPoint: checksForLocalMethods(c); return;
    default: return;
  }
}

Result runMethod(SipContext& c) {
  switch (c.options.method) {
    case Method::GridDiscretization: return hettichMethod(c);
    case Method::HaltonDiscretization: return haltonMethod(c);
    case Method::EpsilonActiveDiscretization: return reemtsenMethod(c);
    case Method::Penalty: return penaltyMethod(c);
    case Method::PenaltyMultiplier: return penaltyMultiplierMethod(c);
    case Method::InteriorPoint: return interiorPointMethod(c);
    case Method::Exchange: return exchangeMethod(c);
    default:
      c.print(PrintLevel::Details, "Invalid Method\n");
      return sipResult(Status::NoPoint, "invalid method");
  }
}

}  // namespace

Result dispatch(SipContext& c) {
  return dispatch(c, [](SipContext& started) {
    checkShape(started);
    return runMethod(started);
  });
}

Result dispatch(SipContext& c, const MethodRun& method) {
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
  return method(c);
}

Result rerun(SipContext& c) { return runMethod(c); }

}  // namespace ormid
