// The integral penalty method: raise miu while the penalty terms show
// infeasibility, then tighten the smoothing parameter.
#include "penalty.h"
#include "penalty_driver.h"
#include "sip.h"

SipResult penaltyMethod(SipContext& c) {
  if (!integrationDomainUsable(c.problem)) return sipResult(STATUS_NO_POINT, "T cannot be integrated");
  PenaltyRun r(c, false);
  return runPenaltyLoops(r, nullptr, true, false, nullptr);
}
