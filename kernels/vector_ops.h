#pragma once

namespace ormid {

double dot(int n, const double* a, const double* b);
// Euclidean norm: square root of the sum of squares.
double norm2(int n, const double* v);
// True when no entry is infinite or NaN (a failed evaluation leaves NaN).
bool allFinite(int n, const double* v);

}  // namespace ormid
