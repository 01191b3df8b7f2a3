// One infinite constraint at many points of T: the problem's batched
// evaluator where it has one, else point by point.
#pragma once

#include "ormid/ormid.h"

namespace ormid {

// g_j at count points (t: count * nt values, point after point) into
// values; NaN where g cannot be evaluated. Not counted: the scans that use
// it count their own evaluations.
void infiniteValues(const Problem& p, int j, const double* x, int count, const double* t,
                    double* values);

}  // namespace ormid
