// A kernel's account of what it did, a piece of text at a time, for its
// caller to show or drop: the kernels print nothing themselves. An empty
// trace costs nothing (the text is not even formatted).
#pragma once

#include <cstdarg>
#include <cstdio>
#include <functional>

namespace ormid {

using Trace = std::function<void(const char* text)>;

inline void traceLine(const Trace& trace, const char* format, ...) __attribute__((format(printf, 2, 3)));
inline void traceLine(const Trace& trace, const char* format, ...) {
  if (!trace) return;
  char text[256];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  trace(text);
}

}  // namespace ormid
