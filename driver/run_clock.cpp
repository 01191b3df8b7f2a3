#include "run_clock.h"

#include <chrono>
#include <cmath>

#include "sip.h"

double monotonicSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double deadlineFromNow(double timeLimit) {
  return timeLimit > 0 && std::isfinite(timeLimit) ? monotonicSeconds() + timeLimit : HUGE_VAL;
}

double secondsLeft() {
  const double deadline = sipProblem.deadline;
  return std::isfinite(deadline) ? deadline - monotonicSeconds() : HUGE_VAL;
}

bool timeIsUp() { return secondsLeft() <= 0; }
