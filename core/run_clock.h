// The wall clock of a solve: the deadline set from time_limit, checked by the
// methods at each iteration and handed to the subproblem solver.
#pragma once

namespace ormid {

struct SipContext;

// Seconds on a monotonic clock.
double monotonicSeconds();

// The deadline of a solve starting now with Options::timeLimit.
double deadlineFromNow(double timeLimit);

// Seconds before the context's deadline (HUGE_VAL without a limit).
double secondsLeft(const SipContext& c);
// Also true once the iteration callback has asked to stop.
bool timeIsUp(const SipContext& c);

}  // namespace ormid
