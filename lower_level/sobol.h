// Sobol' points in the unit cube with the direction numbers of S. Joe and
// F. Y. Kuo, Constructing Sobol sequences with better two-dimensional
// projections, SIAM J. Sci. Comput. 30 (2008) 2635-2654 (their table
// new-joe-kuo-6.21201, first coordinates), after I. M. Sobol', On the
// distribution of points in a cube and the approximate evaluation of
// integrals, USSR Comput. Math. Math. Phys. 7 (1967) 86-112.
#pragma once

#include <vector>

namespace ormid {

// Coordinates with direction numbers.
const int SOBOL_MAX_DIMENSION = 21;

// The first `count` points of the sequence in `dim` <= SOBOL_MAX_DIMENSION
// coordinates, in Gray-code order (the first 2^k are the same set as in
// the natural order), one row of dim values in [0, 1) each; the first is
// the origin.
std::vector<std::vector<double>> sobolPoints(int dim, long count);

}  // namespace ormid
