// The largest violation of a point: bounds of x, finite constraints at x and
// infinite constraints on a sample of T. It is what the run reports and
// what keeps a method's "solved" honest.
#pragma once

#include "sip.h"

struct Violation {
  double absolute = 0;  // largest amount by which a bound is missed
  double scaled = 0;    // the same, each divided by max(1, |bound|)
};

// Points of T sampled at most: a grid of 10001 values on one coordinate,
// 100 x 100 on two, 21^3 on three, ...; Halton points beyond that.
const int VIOLATION_SAMPLE = 10001;

// Evaluations that fail count as infinite violations.
Violation largestViolation(const SipProblem& p, const double* x);
