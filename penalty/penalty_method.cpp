// The integral penalty method: raise miu while the penalty terms show
// infeasibility, then tighten the smoothing parameter.
#include <cstdlib>

#include "penalty.h"
#include "penalty_driver.h"
#include "sip.h"

void penaltyMethod() {
  if (!integrationDomainUsable()) exit(1);
  PenaltyRun r(false);
  for (r.j = 0; r.j < sipOptions.maxitero; ++r.j) {
    innerLoop(r);
    if (outerStep(r, true, false)) break;
  }
  finishPenaltyRun(r, nullptr);
}
