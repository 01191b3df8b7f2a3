// The model read by the AMPL Solver Library as the library's problem, and
// a stub solved without the program's output and files.
#pragma once

#include <string>
#include <vector>

#include "ormid/ormid.h"

namespace ormid {

// The partition's bounds and the evaluator over the model, with the
// partition as its data (valid until the partition is released).
Problem amplProblem(const double* x0);

// The model's starting point in x0 (the finite variables); false when the
// model has none (only the first variable's initial value decides).
bool amplStartingPoint(std::vector<double>& x0);

// Reads stub (with its .row and .col files), solves it with options (from
// warm, when given) and writes nothing. False, saying why, when the stub
// cannot be read.
bool solveStub(const std::string& stub, const Options& options, Result* result, std::string* why,
               const WarmStart* warm = nullptr);

}  // namespace ormid
