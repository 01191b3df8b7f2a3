// How a method ended: a status in the bands of AMPL's solve-result codes,
// a short message, and what it knows of its final point (left in x0).
#pragma once

#include <cmath>
#include <string>

enum SipStatus {
  // The run ended before it had any point: no solution file, exit status 1.
  STATUS_NO_POINT = -1,
  STATUS_SOLVED = 0,
  // The method's stop test held, but the point violates a constraint by
  // more than the feasibility tolerance.
  STATUS_UNCERTAIN = 100,
  STATUS_INFEASIBLE = 200,
  STATUS_ITERATION_LIMIT = 400,
  STATUS_TIME_LIMIT = 401,
  STATUS_SIZE_LIMIT = 402,
  STATUS_QUADRATURE_LIMIT = 403,
  STATUS_EVALUATION_ERROR = 500,
  STATUS_BREAKDOWN = 501,
  STATUS_SUBPROBLEM_FAILURE = 502
};

struct SipResult {
  int status = STATUS_SOLVED;
  std::string message;
  double objective = NAN;  // the minimised objective at the final point
  int iterations = 0;

  bool hasPoint() const { return status >= 0; }
};

inline SipResult sipResult(int status, const std::string& message, int iterations = 0) {
  SipResult r;
  r.status = status;
  r.message = message;
  r.iterations = iterations;
  return r;
}

// The band's words: "solved", "solved?", "infeasible", "limit", "failure".
const char* statusWords(int status);
