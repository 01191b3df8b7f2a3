// Dense linear systems of the Newton phase: LU factorisation with partial
// pivoting (Golub & Van Loan, "Matrix Computations", algorithm 3.4.1).
#pragma once

#include <vector>

namespace ormid {

// Solves A x = b for a row-major n x n matrix A (overwritten by its
// factors); b becomes x. Rows are equilibrated first. False when a row is
// zero or a pivot is below `relativeFloor` times the largest entry: the
// system is singular for our purpose.
bool luSolve(int n, std::vector<double>& A, std::vector<double>& b, double relativeFloor = 1e-14);

}  // namespace ormid
