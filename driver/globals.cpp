// The AMPL driver's process-wide records: the options its keyword handlers
// fill and the counters its statistics block prints.
#include <cstring>

#include "sip.h"

SipOptions sipOptions;
SipStats sipStats;

void zeroStatistics() { memset(&sipStats, 0, sizeof sipStats); }
