#include "checks.h"

#include <cstdio>

#include "sip.h"

void checkTBounds(const SipProblem& p) {
  for (int i = 0; i < p.nt; ++i) {
    if (isMinusInfinity(p.tl[i]))
      printf("Lower bound of infinite variable %d is -infinity\n"
             "Bounds on infinite variables must be finite\n", i);
    if (isPlusInfinity(p.tu[i]))
      printf("Upper bound of infinite variable %d is +infinity\n"
             "Bounds on infinite variables must be finite\n", i);
  }
}

void checkSingleT(const SipProblem& p) {
  if (p.nt != 1) {
    printf("Number of infinite variables must be one\n");
    printf("This method should not be used for this problem\n");
  }
  checkTBounds(p);
}

// No word of pf_int selects multiple integration (code 4), so for nt != 1
// the lines always appear.
void checkPenaltyShape(const SipProblem& p, const SipOptions& o) {
  const int multipleIntegration = 4;
  if (p.nt != 1 && o.pf_int != multipleIntegration) {
    printf("Number of infinite variables must be one or select multi\n");
    printf("  integration by using the pf_int=multint option\n");
    printf("This method with these parameters should not be used for\n");
    printf("  this problem\n");
  }
  checkTBounds(p);
}

void checkFreeX(const SipProblem& p) {
  if (p.mx >= 1) {
    printf("There should be no finite constraints\n");
    printf("This method should not be used for this problem\n");
  }
  for (int i = 0; i < p.nx; ++i) {
    if (!isMinusInfinity(p.xl[i]))
      printf("Lower bound of finite variable %d is finite\n"
             "There should be no finite bounds on finite variables\n", i);
    if (!isPlusInfinity(p.xu[i]))
      printf("Upper bound of finite variable %d is finite\n"
             "There should be no finite bounds on finite variables\n", i);
  }
}

void checkConstraintType(const SipProblem& p) {
  for (int j = 0; j < p.mt; ++j) {
    if (!isMinusInfinity(p.ctl[j]))
      printf("Infinite constraint %d has finite lower bound\n"
             "Infinite constraints must be of lower or equal type\n", j);
    if (isPlusInfinity(p.ctu[j]))
      printf("Infinite constraint %d has infinite upper bound\n"
             "Infinite constraints must be of lower or equal type\n", j);
  }
}
