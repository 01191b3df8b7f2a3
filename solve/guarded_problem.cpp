#include "solve/guarded_problem.h"

#include <exception>
#include <stdexcept>
#include <utility>

namespace ormid {

namespace {

// Calls f on the guard's behalf: an exception is kept and thrown on.
template <typename F>
auto guarded(GuardedProblem& g, const char* callback, F&& f) -> decltype(f()) {
  g.rethrowIfThrew();
  try {
    return f();
  } catch (const std::exception& e) {
    g.keep(e.what(), callback);
    throw;
  } catch (...) {
    g.keep("an exception that is not a std::exception", callback);
    throw;
  }
}

GuardedProblem& guardOf(void* data) { return *static_cast<GuardedProblem*>(data); }

double evaluateGuarded(Request request, int n, const double* x, const double* t, double* out1,
                       double* out2, double* out3, int* nerror, void* data) {
  GuardedProblem& g = guardOf(data);
  const Problem& u = g.user();
  return guarded(g, "evaluator",
                 [&] { return u.evaluate(request, n, x, t, out1, out2, out3, nerror, u.data); });
}

bool batchGuarded(int n, int count, const double* x, const double* t, double* values, void* data) {
  GuardedProblem& g = guardOf(data);
  const Problem& u = g.user();
  return guarded(g, "batched evaluator", [&] { return u.evaluateBatch(n, count, x, t, values, u.data); });
}

bool intervalGuarded(int n, const double* x, const double* tLower, const double* tUpper, double* lower,
                     double* upper, void* data) {
  GuardedProblem& g = guardOf(data);
  const Problem& u = g.user();
  return guarded(g, "interval evaluator",
                 [&] { return u.evaluateInterval(n, x, tLower, tUpper, lower, upper, u.data); });
}

}  // namespace

GuardedProblem::GuardedProblem(const Problem& user, const Options& options)
    : user_(user), problem_(user), options_(options) {
  problem_.data = this;
  if (user.evaluate) problem_.evaluate = evaluateGuarded;
  if (user.evaluateBatch) problem_.evaluateBatch = batchGuarded;
  if (user.evaluateInterval) problem_.evaluateInterval = intervalGuarded;
  if (options.iterationCallback)
    options_.iterationCallback = [this, callback = options.iterationCallback](const Iteration& it) {
      return guarded(*this, "iteration callback", [&] { return callback(it); });
    };
  if (options.log)
    options_.log = [this, log = options.log](const std::string& text) {
      guarded(*this, "log sink", [&] { log(text); });
    };
}

void GuardedProblem::keep(const char* what, const char* callback) {
  if (threw_) return;
  threw_ = true;
  thrown_ = std::string(what) + " (thrown by the " + callback + ")";
}

void GuardedProblem::rethrowIfThrew() const {
  if (threw_) throw std::runtime_error(thrown_);
}

}  // namespace ormid
