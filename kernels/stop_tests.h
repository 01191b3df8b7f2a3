// Relative stop tests of the integral methods' inner and smoothing loops.
#pragma once

#include "core/sip_context.h"

namespace ormid {

bool innerStopTest(const SipContext& c, int n, const double* xPrev, const double* x, const double* g);
bool epsStopTest(const SipContext& c, int n, const double* xEps, const double* x);

}  // namespace ormid
