// Newton's method in t from a point that projected ascent has brought near
// a local maximum of a constraint's violation. Gradient ascent crawls along
// the flat directions of an ill-conditioned maximum and stops short of it by
// more than a solution's active tolerance; a few Newton steps place it to
// rounding, so that starts on one maximum meet and its value is exact.
#pragma once

#include <vector>

#include "lower_level/lower_level.h"

namespace ormid {

// Moves t (in place) while the violation does not fall, holding the
// coordinates that a bound of T holds against the slope; where the
// curvature on the free coordinates is not that of a maximum the step is
// shifted towards the gradient. Returns the value at t (NaN where it
// cannot be evaluated) and its side in *side.
double newtonAscent(const ViolationFunction& v, std::vector<double>& t, int* side);

}  // namespace ormid
