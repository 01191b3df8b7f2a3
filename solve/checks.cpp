#include "solve/checks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

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

namespace {

bool ignoresFiniteConstraints(Method m) {
  return m == Method::Penalty || m == Method::PenaltyMultiplier || m == Method::InteriorPoint;
}

// The first finite constraint that x violates beyond feas_tol on the scale
// max(1, |bound|) (evaluated directly: not the method's work); -1 for none.
int violatedFiniteConstraint(const SipContext& c, const double* x) {
  const Problem& p = c.problem;
  for (int k = 0; k < p.mx; ++k) {
    int error = 0;
    const double v = p.evaluate(Request::FiniteValue, k, x, nullptr, nullptr, nullptr, nullptr, &error, p.data);
    if (error || std::isnan(v)) return k;
    const double below = p.cxl[k] - v, above = v - p.cxu[k];
    if (below > c.options.feasibilityTolerance * std::max(1.0, std::fabs(p.cxl[k])) ||
        above > c.options.feasibilityTolerance * std::max(1.0, std::fabs(p.cxu[k])))
      return k;
  }
  return -1;
}

}  // namespace

void noteIgnoredFiniteConstraint(const SipContext& c, Result& r) {
  const Problem& p = c.problem;
  if (r.status != Status::Infeasible || p.mx == 0 || !ignoresFiniteConstraints(c.options.method)) return;
  if ((int)r.x.size() != p.nx) return;
  const int k = violatedFiniteConstraint(c, r.x.data());
  if (k < 0) return;
  const std::string name = k < (int)p.finiteNames.size() ? p.finiteNames[k] : std::to_string(k);
  r.message += "; the method ignores finite constraints, and constraint " + name + " is violated";
}

}  // namespace ormid
