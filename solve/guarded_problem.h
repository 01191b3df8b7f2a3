// The library's boundary for exceptions. The methods see the caller's
// problem and callbacks through guards: the first exception any of them
// throws is kept, and every later call throws again at once, so the method
// ends wherever it stands (Ipopt swallows exceptions in its callbacks; the
// kept message does not get lost there). The solve then reports an
// evaluation error carrying the exception's message, whichever method ran.
#pragma once

#include <string>

#include "ormid/ormid.h"

namespace ormid {

class GuardedProblem {
 public:
  GuardedProblem(const Problem& user, const Options& options);
  GuardedProblem(const GuardedProblem&) = delete;
  GuardedProblem& operator=(const GuardedProblem&) = delete;

  const Problem& problem() const { return problem_; }
  const Options& options() const { return options_; }

  bool threw() const { return threw_; }
  // "<what> thrown by the <callback>": the first exception's account.
  const std::string& thrownMessage() const { return thrown_; }
  // Keeps the first exception's message; later ones change nothing.
  void keep(const char* what, const char* callback);
  // Throws the kept exception again (when there is one).
  void rethrowIfThrew() const;

  const Problem& user() const { return user_; }

 private:
  const Problem& user_;
  Problem problem_;
  Options options_;
  bool threw_ = false;
  std::string thrown_;
};

}  // namespace ormid
