#include "ampl/sqp.h"

#include "core/sip.h"
#include "solve/checks.h"
#include "solve/solve_with.h"

namespace ormid {

Result sqpStop(const Problem& problem, const Options& options) {
  return solveWith(problem, options, [](SipContext& c) {
    checkSingleT(c);
    checkFreeX(c);
    checkConstraintType(c);
    nlpUnavailable(c);
    return sipResult(Status::NoPoint, "no NLP solver");
  });
}

}  // namespace ormid
