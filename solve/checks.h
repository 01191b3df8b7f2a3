// Shape checks that the dispatcher runs before a method (they only warn),
// and the note on an answer that broke what its method ignores.
#pragma once

#include "core/sip_context.h"

namespace ormid {

void checkTBounds(const SipContext& c);
void checkSingleT(const SipContext& c);
void checkPenaltyShape(const SipContext& c);
void checkFreeX(const SipContext& c);
void checkConstraintType(const SipContext& c);

// The integral methods ignore finite constraints: where their answer is
// Infeasible because it violates one, the message names it.
void noteIgnoredFiniteConstraint(const SipContext& c, Result& r);

}  // namespace ormid
