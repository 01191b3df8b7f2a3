#include "ampl/nl_cursor.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace ormid {

NlCursor::NlCursor(const std::string& data, size_t start, bool binary, bool swapped)
    : data_(data), pos_(start), binary_(binary), swapped_(swapped) {}

std::string NlCursor::where(size_t position) const {
  if (binary_) return "byte " + std::to_string(position);
  const long lines = std::count(data_.begin(), data_.begin() + position, '\n');
  return "line " + std::to_string(lines + 1);
}

int NlCursor::kind() {
  if (pos_ >= data_.size()) return -1;
  return (unsigned char)data_[pos_++];
}

bool NlCursor::bytes(void* out, size_t n) {
  if (remaining() < n) return false;
  unsigned char* b = (unsigned char*)out;
  memcpy(b, data_.data() + pos_, n);
  if (swapped_) std::reverse(b, b + n);
  pos_ += n;
  return true;
}

bool NlCursor::binaryField(char type, NlField& field) {
  int32_t i;
  int16_t h;
  switch (type) {
    case 'd':
      if (!bytes(&i, sizeof i)) return false;
      field.integer = i;
      return true;
    case 'h':
      if (!bytes(&h, sizeof h)) return false;
      field.integer = h;
      return true;
    case 'f': return bytes(&field.real, sizeof field.real);
    case 's':
      if (!bytes(&i, sizeof i) || i < 0 || i >= 128 || remaining() < (size_t)i) return false;
      field.name.assign(data_, pos_, i);
      pos_ += i;
      return true;
  }
  return false;
}

// As the library's text scanner: spaces before a field, an optional minus
// and digits for an integer, what strtod takes for a real.
bool NlCursor::textField(char type, const std::string& record, size_t& at, NlField& field) {
  while (at < record.size() && record[at] == ' ') ++at;
  const char* start = record.c_str() + at;
  char* end = nullptr;
  if (type == 'f') {
    field.real = strtod(start, &end);
  } else if (type == 's') {
    size_t n = 0;
    while (n < 127 && start[n] && start[n] != ' ' && start[n] != '\t') ++n;
    if (n == 0) return false;
    field.name.assign(start, n);
    at += n;
    return true;
  } else {
    const char* digits = *start == '-' ? start + 1 : start;
    if (*digits < '0' || *digits > '9') return false;
    errno = 0;
    field.integer = strtol(start, &end, 10);
    if (errno || field.integer < INT_MIN || field.integer > INT_MAX) return false;
  }
  if (end == start) return false;
  at += end - start;
  return true;
}

bool NlCursor::read(const char* fmt, NlField* fields) {
  if (binary_) {
    for (int k = 0; fmt[k]; ++k)
      if (!binaryField(fmt[k], fields[k])) return false;
    return true;
  }
  size_t end = data_.find('\n', pos_);
  if (end == std::string::npos) end = data_.size();
  // Text stops at a NUL byte, as a C string would.
  const std::string record(data_.c_str() + pos_, strnlen(data_.c_str() + pos_, end - pos_));
  size_t at = 0;
  for (int k = 0; fmt[k]; ++k)
    if (!textField(fmt[k], record, at, fields[k])) return false;
  pos_ = std::min(end + 1, data_.size());
  return true;
}

bool NlCursor::hollerith() {
  NlField length;
  if (binary_) {
    if (!binaryField('d', length) || length.integer < 0) return false;
    if (remaining() < (size_t)length.integer) return false;
    pos_ += length.integer;
    return true;
  }
  size_t colon = data_.find(':', pos_);
  if (colon == std::string::npos || colon - pos_ > 12) return false;
  const std::string digits = data_.substr(pos_, colon - pos_);
  size_t at = 0;
  if (!textField('d', digits, at, length) || at != digits.size() || length.integer < 0)
    return false;
  pos_ = colon + 1;
  if (remaining() < (size_t)length.integer) return false;
  pos_ += length.integer;
  size_t end = data_.find('\n', pos_);
  pos_ = end == std::string::npos ? data_.size() : end + 1;
  return true;
}

}  // namespace ormid
