// The wall clock of a run: the deadline set from time_limit, checked by the
// methods at each iteration and handed to the subproblem solver.
#pragma once

// Seconds on a monotonic clock.
double monotonicSeconds();

// The deadline of a run starting now with the option time_limit.
double deadlineFromNow(double timeLimit);

// Seconds before the problem's deadline (HUGE_VAL without a limit).
double secondsLeft();
bool timeIsUp();
