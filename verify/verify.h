// Verified feasibility: a rigorous bound on each infinite constraint's
// violation over T at the final point, and what it does to the status.
#pragma once

#include "ormid/ormid.h"

namespace ormid {

// A rigorous bound on constraint j's violation over T at x (the box where
// it is attained), or why there is none.
VerifiedBound verifyConstraint(const Problem& p, const double* x, int j);

// The largest verified violation that a solved answer may keep: feas_tol
// on the constraint's scale max(1, |bound|).
double verifiedTolerance(const Problem& p, const Options& o, int j);

// Fills r.verified; with the status Solved, a bound above feas_tol (on the
// constraint's scale max(1, |bound|)) or a bound not available makes it
// Uncertain, the message naming the constraint (and the box).
void verifyPoint(const Problem& p, const Options& o, Result& r);

}  // namespace ormid
