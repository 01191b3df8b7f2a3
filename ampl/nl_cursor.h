// Reads the items of a .nl file, in its text ('g') or binary ('b') encoding,
// the way the library's reader takes them: a kind letter, then a record of
// integers, reals and names. In text a record is the rest of the current
// line (a comment may follow its fields); in binary it is the fields' bytes.
#pragma once

#include <cstddef>
#include <string>

namespace ormid {

struct NlField {
  long integer = 0;
  double real = 0;
  std::string name;
};

class NlCursor {
 public:
  // data from byte start (after the header); swapped: binary numbers in the
  // other byte order.
  NlCursor(const std::string& data, size_t start, bool binary, bool swapped);

  // The next kind letter (segment or expression node); -1 at the end.
  int kind();
  // A record with the fields of fmt: 'd' an int, 'f' a real, 'h' a short
  // (binary), 's' a name of at most 127 characters. False when a field is
  // missing or out of the int range. In text, the rest of the line goes.
  bool read(const char* fmt, NlField* fields);
  // A string constant's length and characters ("h5:abcde").
  bool hollerith();

  size_t remaining() const { return data_.size() - pos_; }
  size_t position() const { return pos_; }
  // A position for messages: "line N" or "byte N".
  std::string where(size_t position) const;

 private:
  bool textField(char type, const std::string& record, size_t& at, NlField& field);
  bool binaryField(char type, NlField& field);
  bool bytes(void* out, size_t n);

  const std::string& data_;
  size_t pos_;
  bool binary_, swapped_;
};

}  // namespace ormid
