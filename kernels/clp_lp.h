// The linear programs of dual_simplex.h solved by COIN-OR Clp's dual
// simplex method (J. J. Forrest, D. Goldfarb, "Steepest-edge simplex
// algorithms for linear programming", Mathematical Programming 57 (1992);
// sparse LU factors with Forrest-Tomlin updates): for programs whose dense
// basis inverse (n^2 values) would cost more than Clp's factors, and for
// those the dense method gives no answer to.
#pragma once

#include <vector>

#include "kernels/dual_simplex.h"

namespace ormid {

// min c'x subject to G x <= h and the box |x_i - centre_i| <= reach_i,
// from the basis `start` (n rows of G, as for dualSimplex) where it has n
// rows; at most maxPivots iterations and maxSeconds of time (<= 0: none).
// An answer that leans on the box is Unbounded, as for dualSimplex.
LpSolution clpSimplex(const LinearProgram& lp, const std::vector<double>& centre,
                      const std::vector<double>& reach, int maxPivots, const std::vector<int>* start = nullptr,
                      double maxSeconds = 0);

}  // namespace ormid
