// A problem stated by lambdas as a Problem: the record's bounds with the
// defaults filled in, and an evaluator that answers from its functions.
#pragma once

#include <vector>

#include "ormid/ormid.h"

namespace ormid {

// Valid while the Functions record it was made from lives.
struct FunctionsProblem {
  explicit FunctionsProblem(const Functions& f);
  std::vector<double> xl, xu, tl, tu, cxl, cxu, ctl, ctu;
  Problem problem;
};

}  // namespace ormid
