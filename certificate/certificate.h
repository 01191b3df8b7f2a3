// The certificate of a point: the largest violation over T of each
// infinite constraint (with its t), the active points with non-negative
// multipliers fitted to the stationarity condition, the objective gap those
// multipliers leave, and the status that follows from them.
#pragma once

#include <cmath>
#include <vector>

#include "core/scan_memo.h"
#include "ormid/ormid.h"

namespace ormid {

struct Certificate {
  double absolute = 0;  // largest violation: bounds of x, finite and infinite constraints
  double scaled = 0;    // the same with each divided by max(1, |bound|)
  std::vector<Point> worst, active;
  // Every violated local maximum found, its violation divided by
  // max(1, |bound|) as in `scaled`.
  std::vector<Point> violated;
  double stationarity = NAN;
  // sum multiplier * |g - bound| over the fit's rows, divided by the
  // objective's size max(|f|, 1e-8 ||grad f|| max(1, ||x||_inf)); NaN
  // where the fit is not stationary.
  double objectiveGap = NAN;
  long evaluations = 0;
};

// gradientScale is the size of the objective's gradient where the solve
// started: the stationarity residual is relative to the larger of it and
// the gradient at x, so that objectives of any size are judged alike.
// optTol is the residual (and gap) the fit aims for: below it the search
// for active points stops widening. Scans of T that the method kept in
// memo at x are not made again.
Certificate certify(const Problem& p, const double* x, double gradientScale,
                    double optTol = 1e-6, ScanMemo* memo = nullptr);

// ||grad f|| at x (0 when it cannot be evaluated).
double objectiveGradientNorm(const Problem& p, const double* x);

// Decides the status of a method's result (0-299) from its certificate;
// limits and failures stay as the method reports them.
void judge(Result& r, const Certificate& c, const Options& o);

}  // namespace ormid
