// The penalty multiplier method: penalty term j is weighted by a multiplier
// lambda_j (starting at 1) that grows with the constraint's violation
// measure Cs_j after every inner loop.
#include <cstdio>

#include "penalty/penalty.h"
#include "penalty/penalty_driver.h"
#include "core/sip.h"

namespace ormid {

namespace {

// For p3, Cs_j = 1 + I_j/|T| is the mean factor exp(v+) over T, so the
// multiplicative update keeps lambda_j where the constraint holds; for p1
// and p2, Cs_j = I_j and lambda_j grows additively.
void updateMultipliers(PenaltyRun& r) {
  const Problem& p = r.c.problem;
  const bool multiplicative = r.c.options.penaltyType == PenaltyType::Exponential;
  const double length = p.nt > 0 ? p.tu[0] - p.tl[0] : 0.0;
  for (int j = 0; j < p.mt; ++j) {
    if (multiplicative) r.cs[j] = 1.0 + (length > 0 ? r.cs[j] / length : 0.0);
    r.c.print(PrintLevel::Details, "Cs[%d]=%f  Lag[%d]=%f\n", j, r.cs[j], j, r.lambda[j]);
  }
  for (int j = 0; j < p.mt; ++j)
    r.lambda[j] = multiplicative ? r.lambda[j] * r.cs[j] : r.lambda[j] + r.miu * r.cs[j];
  for (int j = 0; j < p.mt; ++j) r.c.print(PrintLevel::Details, "Lag[%d]=%f\n", j, r.lambda[j]);
}

}  // namespace

Result penaltyMultiplierMethod(SipContext& c) {
  const std::string refusal = integralShapeRefusal(c.problem);
  if (!refusal.empty()) return sipResult(Status::InvalidInput, "the penalty multiplier method " + refusal);
  if (!integrationDomainUsable(c)) return sipResult(Status::NoPoint, "T cannot be integrated");
  PenaltyRun r(c, true);
  return runPenaltyLoops(r, updateMultipliers, false, "Lagrange multipliers:\n");
}

}  // namespace ormid
