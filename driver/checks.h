// Shape checks that the dispatcher runs before a method. They only warn.
#pragma once

void checkTBounds();
void checkSingleT();
void checkPenaltyShape();
void checkFreeX();
void checkConstraintType();
