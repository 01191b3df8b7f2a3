#include "core/real_list.h"

#include <cstdlib>

namespace ormid {

size_t realListLength(const char* text, bool* danglingComma) {
  *danglingComma = false;
  char* end;
  strtod(text, &end);
  if (end == text) return 0;
  while (*end == ',') {
    const char* next = end + 1;
    char* after;
    strtod(next, &after);
    if (after == next) {
      *danglingComma = true;
      break;
    }
    end = after;
  }
  return (size_t)(end - text);
}

std::vector<double> realListValues(const char* text, size_t length) {
  std::vector<double> values;
  const char* at = text;
  char* end;
  while (at < text + length) {
    values.push_back(strtod(at, &end));
    at = end + 1;  // past the comma
  }
  return values;
}

}  // namespace ormid
