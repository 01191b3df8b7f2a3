// Chief header of the solver's internals: the public types and the context
// of a solve, as every method sees them.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "ormid/ormid.h"
#include "core/sip_context.h"

namespace ormid {

inline Result sipResult(Status status, const std::string& message, int iterations = 0) {
  Result r;
  r.status = status;
  r.message = message;
  r.iterations = iterations;
  return r;
}

// Stands for the external NLP solver: prints its message; the caller ends
// the run with status 1.
void nlpUnavailable(const SipContext& c);

}  // namespace ormid
