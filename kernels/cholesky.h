// Dense Cholesky solve of symmetric systems with floored pivots.
#pragma once

namespace ormid {

// Solves A x = b reading the diagonal and upper triangle of the row-major
// n x n matrix A, which is overwritten. A pivot below floor times the largest
// diagonal entry is replaced by 1e128. singular is set to 1 when a pivot is
// exactly zero or not a number (x is then incomplete), else 0.
void choleskySolve(int n, double* A, const double* b, double* x, double floor, int* singular);

}  // namespace ormid
