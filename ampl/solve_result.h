// The solve result code a run writes into its .sol (AMPL's
// solve_result_num). A run that ends without a point still answers: its
// status goes into the failure band, so that a modelling system never waits
// on a solution file that does not come.
#pragma once

#include "ormid/ormid.h"

namespace ormid {

const int SOL_NO_POINT = 503;       // the method ended before it had a point
const int SOL_INVALID_INPUT = 504;  // the model or the options fail the input check
const int SOL_NOT_SOLVED = 505;     // no method ran

inline int solveResultCode(Status status) {
  switch (status) {
    case Status::NoPoint: return SOL_NO_POINT;
    case Status::InvalidInput: return SOL_INVALID_INPUT;
    case Status::NotSolved: return SOL_NOT_SOLVED;
    default: return statusCode(status);
  }
}

}  // namespace ormid
