// method=sqp: a method that needs an external NLP solver, which this system
// does not contain. The program keeps its word and its stop.
#pragma once

#include "ormid/ormid.h"

namespace ormid {

// The library's solve up to the method (initial guess, start check, the
// shape checks of a method on one infinite variable), then the stop:
// Status::NoPoint, "no NLP solver".
Result sqpStop(const Problem& problem, const Options& options);

}  // namespace ormid
