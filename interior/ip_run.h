// State of one run of the interior point method.
#pragma once

#include "interior/ip.h"

namespace ormid {

struct IpRun {
  explicit IpRun(SipContext& s) : c(s) {}
  IpContext c;
  IpIterate it, prevIt;
  IpIterate lastGood;  // the last iterate where the Lagrangian could be evaluated
  IpEval e, prevE;
  Vec B, d;
  double mu = 0, beta = 0;
  Residuals res;
  WatchdogSlot watch;
  int increases = 0;  // consecutive merit increases accepted by the watchdog
  int total = 0;
};

// Line search from prevIt along d; the accepted point becomes it.
bool lineSearch(IpRun& r, bool first);

}  // namespace ormid
