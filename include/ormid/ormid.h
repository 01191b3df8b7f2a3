// Semi-infinite programming from C++ code.
//
// State the problem as an ormid::Problem (sizes, bounds and an evaluator
// with a user-data pointer) or, simpler, as an ormid::Functions record of
// lambdas; pick the method and its settings in an ormid::Options record
// (every keyword of the `ormid` program, with its default, also settable by
// name with ormid::setOption); call ormid::solve. A solve prints nothing
// unless Options::printLevel asks, writes no file, and is self-contained:
// two solves may run in two threads at once.
#pragma once

#include "ormid/export.h"
#include "ormid/options.h"
#include "ormid/problem.h"
#include "ormid/result.h"
#include "ormid/version.h"

namespace ormid {

// Checks the problem and the options, runs the method and certifies its
// point. An input that fails the check gives Status::InvalidInput and says
// what is wrong in the message.
ORMID_API Result solve(const Problem& problem, const Options& options = Options());
ORMID_API Result solve(const Functions& problem, const Options& options = Options());

// What is wrong with the problem or the options (empty when nothing is).
ORMID_API std::string checkInput(const Problem& problem, const Options& options);

}  // namespace ormid
