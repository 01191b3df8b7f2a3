// Dense Cholesky solve of symmetric systems with floored pivots.
#pragma once

namespace ormid {

// Solves A x = b reading the diagonal and upper triangle of the row-major
// n x n matrix A, which is overwritten. A pivot below floor times the largest
// diagonal entry is replaced by 1e128. singular is set to 1 when a pivot is
// exactly zero or not a number (x is then incomplete), else 0.
void choleskySolve(int n, double* A, const double* b, double* x, double floor, int* singular);

// Factors in place the lower triangle of the row-major n x n matrix M into
// L with M = L L' (the upper triangle is not read). False, with M partly
// overwritten, where a pivot is not above minPivot and 0 (or not a number): M is
// not safely positive definite.
bool choleskyFactor(double* M, int n, double minPivot = 0);
// Solves L L' y = r in place, L from choleskyFactor.
void choleskySolveFactored(const double* L, int n, double* r);

}  // namespace ormid
