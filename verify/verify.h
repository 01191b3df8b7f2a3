// Verified feasibility: a rigorous bound on each infinite constraint's
// violation over T at the final point, and what it does to the status.
#pragma once

#include "ormid/ormid.h"

namespace ormid {

// What one constraint's search may spend: boxes of T and wall-clock seconds.
struct VerifyBudget {
  long boxes = 60000;
  double seconds = 0.1;
};

// A rigorous bound on constraint j's violation over T at x (the box where
// it is attained) and the largest violation met at a point, or why there is
// no interval model of it. The search stops once the bound is within 1e-9
// of the size of g's terms over T (termScale) or within ten times the
// violation attained; past its budget the bound is kept as it is and the
// reason says so.
VerifiedBound verifyConstraint(const Problem& p, const double* x, int j);
VerifiedBound verifyConstraint(const Problem& p, const double* x, int j, const VerifyBudget& budget);

// The size of g_j's terms over T at x: the largest magnitude of g's
// enclosure over the whole of T (its natural extension spreads over the sum
// of its terms' ranges). NaN where there is no finite enclosure.
double termScale(const Problem& p, const double* x, int j);

// The largest verified violation that a solved answer may keep: feas_tol
// on the constraint's own scale, max(1, |bound|) or less where its terms at
// x are smaller (ownScale with termScale for the magnitude). Without x, the
// largest it can be: feas_tol * max(1, |bound|).
double verifiedTolerance(const Problem& p, const Options& o, int j);
double verifiedTolerance(const Problem& p, const Options& o, int j, const double* x);

// Fills r.verified; with the status Solved, an infinite bound, or one above
// its tolerance where the search met a point violated beyond what the
// certificate accepts (feas_tol on max(1, |bound|)), makes it
// Uncertain, the message naming the constraint and the box. A constraint
// without an interval model, or whose bound the budget left above its
// tolerance with no point violated beyond it, leaves the status as it is:
// the message says it was sampled, not verified, and why.
// With a budget per constraint (a caller that knows the solve's time can
// keep verification's share of it bounded); without, VerifyBudget's.
void verifyPoint(const Problem& p, const Options& o, Result& r);
void verifyPoint(const Problem& p, const Options& o, Result& r, const VerifyBudget& budget);

}  // namespace ormid
