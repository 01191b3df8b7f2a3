#include <cstdio>

#include "sip.h"

void printVector(const double* v, int n) {
  for (int i = 0; i < n; ++i) printf("%.10lf ", v[i]);
  printf("\n");
}

void printMatrix(const double* a, int rows, int cols) {
  for (int i = 0; i < rows; ++i) printVector(a + (long)i * cols, cols);
}
