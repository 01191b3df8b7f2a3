// The process-wide records of a run.
#include <cstring>

#include "sip.h"

SipOptions sipOptions;
SipStats sipStats;
SipProblem sipProblem;

void zeroStatistics() { memset(&sipStats, 0, sizeof sipStats); }
