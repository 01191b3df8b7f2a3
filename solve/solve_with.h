// A solve with a method of the caller's: for a program's own method that
// the library does not have.
#pragma once

#include "solve/dispatch.h"

namespace ormid {

// The library's solve (input check, initial guess, start check, and the
// certificate and verification of a point) with method in place of the
// options' one; no found point goes back to it.
Result solveWith(const Problem& problem, const Options& options, const MethodRun& method);

}  // namespace ormid
