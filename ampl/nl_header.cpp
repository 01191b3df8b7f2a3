#include "ampl/nl_header.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace ormid {

namespace {

// Beyond this many variables, constraints, ... the reader's size
// arithmetic (in int) could overflow; no model this solver takes comes near.
const long MOST = 1L << 26;

// The integers at the start of a header line, up to a comment.
std::vector<long> integers(const std::string& line, size_t most) {
  std::vector<long> v;
  const char* s = line.c_str();
  while (v.size() < most) {
    char* end;
    errno = 0;
    const long x = strtol(s, &end, 10);
    if (end == s || errno || x < INT_MIN || x > INT_MAX) break;
    v.push_back(x);
    s = end;
  }
  return v;
}

class HeaderLines {
 public:
  explicit HeaderLines(const std::string& data) : data_(data) {}

  // The next line's first `most` integers; at least `least` of them.
  bool next(size_t least, size_t most, std::vector<long>& v) {
    ++number_;
    size_t end = data_.find('\n', pos_);
    if (end == std::string::npos) return false;
    v = integers(data_.substr(pos_, end - pos_), most);
    pos_ = end + 1;
    return v.size() >= least;
  }
  int number() const { return number_; }
  size_t end() const { return pos_; }

 private:
  const std::string& data_;
  size_t pos_ = 0;
  int number_ = 0;
};

std::string firstLine(const std::string& data, NlHeader& h) {
  const char letter = data.empty() ? 0 : data[0];
  if (letter != 'g' && letter != 'b')
    return "line 1: not a .nl file in text (g) or binary (b) format";
  h.binary = letter == 'b';
  const std::vector<long> options = integers(data.substr(1, data.find('\n') - 1), 1);
  if (!options.empty() && (options[0] < 0 || options[0] > 9))
    return "line 1: bad option count " + std::to_string(options[0]);
  return "";
}

// The counts that must not be negative and must fit in the file.
std::string counts(const NlHeader& h, size_t size) {
  const long most = std::min<long>(MOST, (long)size);
  const long sized[] = {h.nVar, h.nCon, h.nObj, h.nLcon, h.nFunc, h.nzc, h.nzo, h.defined()};
  for (long n : sized)
    if (n < 0 || n > most)
      return "line 2-10: a count (" + std::to_string(n) + ") the file cannot hold";
  const long parts[] = {h.comb, h.comc, h.como, h.comc1, h.como1, h.nlc, h.nlo, h.nlvc, h.nlvo};
  for (long n : parts)
    if (n < 0) return "line 2-10: a negative count";
  if (h.nVar <= 0) return "line 2: no variables";
  if (h.nlc > h.nCon || h.nlo > h.nObj || h.nlvc > h.nVar || h.nlvo > h.nVar)
    return "line 3-5: more nonlinear constraints, objectives or variables than there are";
  return "";
}

}  // namespace

std::string readNlHeader(const std::string& data, NlHeader& h) {
  std::string fault = firstLine(data, h);
  if (!fault.empty()) return fault;
  HeaderLines lines(data);
  std::vector<long> v;
  lines.next(0, 0, v);
  const auto bad = [&] { return "line " + std::to_string(lines.number()) + ": too few counts"; };
  if (!lines.next(3, 6, v)) return bad();
  h.nVar = v[0], h.nCon = v[1], h.nObj = v[2], h.nLcon = v.size() > 5 ? v[5] : 0;
  if (!lines.next(2, 6, v)) return bad();
  h.nlc = v[0], h.nlo = v[1];
  if (!lines.next(2, 2, v)) return bad();
  if (!lines.next(2, 3, v)) return bad();
  h.nlvc = v[0], h.nlvo = v[1];
  const bool discreteLineHasFive = v.size() == 3;
  if (!lines.next(2, 4, v)) return bad();
  h.nFunc = v[1];
  const long arith = v.size() > 2 ? v[2] : 0;
  if (arith != 0 && arith != 1 && arith != 2)
    return "line 6: unknown arithmetic " + std::to_string(arith);
  if (arith == 2 && !h.binary) return "line 6: byte order given for a text file";
  h.swapped = arith == 2;
  if (!lines.next(discreteLineHasFive ? 5 : 2, 5, v)) return bad();
  if (!lines.next(2, 2, v)) return bad();
  h.nzc = v[0], h.nzo = v[1];
  if (!lines.next(2, 2, v)) return bad();
  if (v[0] < 0 || v[1] < 0) return "line 9: negative name length";
  if (!lines.next(5, 5, v)) return bad();
  h.comb = v[0], h.comc = v[1], h.como = v[2], h.comc1 = v[3], h.como1 = v[4];
  h.end = lines.end();
  return counts(h, data.size());
}

}  // namespace ormid
