// Relative stop tests of the integral methods' inner and smoothing loops.
#pragma once

#include "kernels/trace.h"

namespace ormid {

// The inner loop ends once the gradient is tiny or the step's size
// relative to x (absolute while ||x|| <= precision) is within precision.
bool innerStopTest(int n, const double* xPrev, const double* x, const double* g, double precision,
                   const Trace& trace = Trace());
// The smoothing loop ends once x moved by at most precision since the last
// eps (relative to x once ||x|| exceeds floor).
bool epsStopTest(int n, const double* xEps, const double* x, double floor, double precision,
                 const Trace& trace = Trace());

}  // namespace ormid
