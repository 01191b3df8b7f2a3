#include "core/run_clock.h"

#include <chrono>
#include <cmath>

#include "core/sip_context.h"

namespace ormid {

double monotonicSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double deadlineFromNow(double timeLimit) {
  return timeLimit > 0 && std::isfinite(timeLimit) ? monotonicSeconds() + timeLimit : HUGE_VAL;
}

double secondsLeft(const SipContext& c) {
  return std::isfinite(c.deadline) ? c.deadline - monotonicSeconds() : HUGE_VAL;
}

bool timeIsUp(const SipContext& c) { return c.interrupted || secondsLeft(c) <= 0; }

}  // namespace ormid
