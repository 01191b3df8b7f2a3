// A solve's output: at the level the options choose, to their log sink or
// to standard output; and the iteration callback.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "core/sip_context.h"

namespace ormid {

namespace {

std::string formatted(const char* format, va_list args) {
  va_list again;
  va_copy(again, args);
  char small[512];
  const int n = vsnprintf(small, sizeof small, format, args);
  std::string text;
  if (n >= 0 && n < (int)sizeof small) {
    text.assign(small, n);
  } else if (n >= 0) {
    text.resize(n + 1);
    vsnprintf(&text[0], text.size(), format, again);
    text.resize(n);
  }
  va_end(again);
  return text;
}

}  // namespace

void SipContext::print(PrintLevel level, const char* format, ...) const {
  if (!prints(level)) return;
  va_list args;
  va_start(args, format);
  std::string text = formatted(format, args);
  va_end(args);
  if (!options.log) {
    fputs(text.c_str(), stdout);
    return;
  }
  pendingLog_ += text;
  const size_t end = pendingLog_.rfind('\n');
  if (end == std::string::npos) return;
  options.log(pendingLog_.substr(0, end + 1));
  pendingLog_.erase(0, end + 1);
}

void SipContext::flushLog() const {
  if (options.log && !pendingLog_.empty()) options.log(pendingLog_);
  pendingLog_.clear();
}

Trace SipContext::trace(PrintLevel level) const {
  if (!prints(level)) return Trace();
  return [this, level](const char* text) { print(level, "%s", text); };
}

void SipContext::printVector(PrintLevel level, const double* v, int n) const {
  if (!prints(level)) return;
  for (int i = 0; i < n; ++i) print(level, "%.10lf ", v[i]);
  print(level, "\n");
}

void SipContext::printMatrix(PrintLevel level, const double* a, int rows, int cols) const {
  for (int i = 0; i < rows; ++i) printVector(level, a + (long)i * cols, cols);
}

void SipContext::printLabelled(PrintLevel level, const char* label,
                               const std::vector<double>& v) const {
  print(level, "%s", label);
  printVector(level, v.data(), (int)v.size());
}

void SipContext::iterationDone(const char* phase, int iteration, const double* xv,
                               double violation) const {
  if (!options.iterationCallback || interrupted) return;
  int error = 0;
  const double f = problem.evaluate(Request::ObjectiveValue, 0, xv, nullptr, nullptr, nullptr,
                                    nullptr, &error, problem.data);
  Iteration it;
  it.method = options.method;
  it.phase = phase;
  it.iteration = iteration;
  it.objective = error ? NAN : f;
  it.violation = violation;
  it.x = xv;
  it.nx = problem.nx;
  interrupted = options.iterationCallback(it) == IterationAction::Stop;
}

}  // namespace ormid
