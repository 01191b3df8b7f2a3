// Shape checks that the dispatcher runs before a method. They only warn.
#pragma once

#include "core/sip_context.h"

namespace ormid {

void checkTBounds(const SipContext& c);
void checkSingleT(const SipContext& c);
void checkPenaltyShape(const SipContext& c);
void checkFreeX(const SipContext& c);
void checkConstraintType(const SipContext& c);

}  // namespace ormid
