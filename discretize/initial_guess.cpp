// Starting point for a model without one: random values in [0, 1], then one
// finite subproblem on a coarse grid of T.
#include <cstdlib>
#include <ctime>

#include "sip.h"

void initialGuess(double* x0) {
  srand((unsigned)time(nullptr));
  for (int i = 0; i < sipProblem.nx; ++i) x0[i] = rand() / 32767.0;
  nlpUnavailable();
}
