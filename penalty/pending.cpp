#include "sip.h"
void penaltyMethod() {}
void penaltyMultiplierMethod() {}
