// Shape checks that the dispatcher runs before a method. They only warn.
#pragma once

#include "ormid/ormid.h"

void checkTBounds(const SipProblem& p);
void checkSingleT(const SipProblem& p);
void checkPenaltyShape(const SipProblem& p, const SipOptions& o);
void checkFreeX(const SipProblem& p);
void checkConstraintType(const SipProblem& p);
