#include "solve/checks.h"

#include <cstdio>

#include "core/sip.h"

namespace ormid {

void checkTBounds(const SipContext& c) {
  const Problem& p = c.problem;
  for (int i = 0; i < p.nt; ++i) {
    if (isMinusInfinity(p.tl[i]))
      c.print(PrintLevel::Summary, "Lower bound of infinite variable %d is -infinity\n"
             "Bounds on infinite variables must be finite\n", i);
    if (isPlusInfinity(p.tu[i]))
      c.print(PrintLevel::Summary, "Upper bound of infinite variable %d is +infinity\n"
             "Bounds on infinite variables must be finite\n", i);
  }
}

void checkSingleT(const SipContext& c) {
  const Problem& p = c.problem;
  if (p.nt != 1) {
    c.print(PrintLevel::Summary, "Number of infinite variables must be one\n");
    c.print(PrintLevel::Summary, "This method should not be used for this problem\n");
  }
  checkTBounds(c);
}

// No rule of pf_int integrates over several variables.
void checkPenaltyShape(const SipContext& c) {
  const Problem& p = c.problem;
  if (p.nt != 1) {
    c.print(PrintLevel::Summary, "Number of infinite variables must be one or select multi\n");
    c.print(PrintLevel::Summary, "  integration by using the pf_int=multint option\n");
    c.print(PrintLevel::Summary, "This method with these parameters should not be used for\n");
    c.print(PrintLevel::Summary, "  this problem\n");
  }
  checkTBounds(c);
}

void checkFreeX(const SipContext& c) {
  const Problem& p = c.problem;
  if (p.mx >= 1) {
    c.print(PrintLevel::Summary, "There should be no finite constraints\n");
    c.print(PrintLevel::Summary, "This method should not be used for this problem\n");
  }
  for (int i = 0; i < p.nx; ++i) {
    if (!isMinusInfinity(p.xl[i]))
      c.print(PrintLevel::Summary, "Lower bound of finite variable %d is finite\n"
             "There should be no finite bounds on finite variables\n", i);
    if (!isPlusInfinity(p.xu[i]))
      c.print(PrintLevel::Summary, "Upper bound of finite variable %d is finite\n"
             "There should be no finite bounds on finite variables\n", i);
  }
}

void checkConstraintType(const SipContext& c) {
  const Problem& p = c.problem;
  for (int j = 0; j < p.mt; ++j) {
    if (!isMinusInfinity(p.ctl[j]))
      c.print(PrintLevel::Summary, "Infinite constraint %d has finite lower bound\n"
             "Infinite constraints must be of lower or equal type\n", j);
    if (isPlusInfinity(p.ctu[j]))
      c.print(PrintLevel::Summary, "Infinite constraint %d has infinite upper bound\n"
             "Infinite constraints must be of lower or equal type\n", j);
  }
}

}  // namespace ormid
