// Discretization methods: their finite subproblems go to the external NLP
// solver, which is not part of this system.
#include "sip.h"

void hettichMethod() { nlpUnavailable(); }
void haltonMethod() { nlpUnavailable(); }
void reemtsenMethod() { nlpUnavailable(); }
