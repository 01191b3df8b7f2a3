// The integral penalty method: raise miu while the penalty terms show
// infeasibility, then tighten the smoothing parameter.
#include "penalty/penalty.h"
#include "penalty/penalty_driver.h"
#include "core/sip.h"

namespace ormid {

Result penaltyMethod(SipContext& c) {
  const std::string refusal = integralShapeRefusal(c.problem);
  if (!refusal.empty()) return sipResult(Status::InvalidInput, "the penalty method " + refusal);
  if (!integrationDomainUsable(c)) return sipResult(Status::NoPoint, "T cannot be integrated");
  PenaltyRun r(c, false);
  return runPenaltyLoops(r, nullptr, true, nullptr);
}

}  // namespace ormid
