#include "sip.h"
void interiorPointMethod() {}
