// Non-negative least squares: min ||A z - b|| subject to z >= 0, by the
// active-set method of Lawson and Hanson. A is m x n, column k at A[k*m].
#pragma once

#include <vector>

namespace ormid {

// Returns z (n values) and leaves the residual norm in *residual.
std::vector<double> nonNegativeLeastSquares(const std::vector<double>& A, int m, int n,
                                            const std::vector<double>& b, double* residual);

}  // namespace ormid
