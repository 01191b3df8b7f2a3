#include "nl_binary.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace {

class Converter {
 public:
  explicit Converter(const std::string& text) : in_(text) {}

  std::string run() {
    std::string line;
    for (int i = 0; i < 10; ++i) {
      if (!std::getline(in_, line)) throw std::runtime_error("short header");
      if (i == 0) line[0] = 'b';
      out_ += line + "\n";
      if (i == 1) std::istringstream(line) >> nVar_ >> nCon_;
    }
    while (std::getline(in_, line)) segment(line);
    return out_;
  }

 private:
  void put(const void* p, size_t n) { out_.append((const char*)p, n); }
  void integer(long v) {
    int32_t i = (int32_t)v;
    put(&i, sizeof i);
  }
  void real(double v) { put(&v, sizeof v); }
  void text(const std::string& s) {
    integer((long)s.size());
    out_ += s;
  }

  // The fields of the rest of a line: d an integer, f a real, s a name.
  void fields(const std::string& rest, const char* fmt, std::vector<double>* values = nullptr) {
    std::istringstream in(rest);
    for (const char* f = fmt; *f; ++f) {
      if (*f == 's') {
        std::string name;
        in >> name;
        text(name);
        continue;
      }
      double v;
      if (!(in >> v)) throw std::runtime_error("short line: " + rest);
      if (*f == 'd')
        integer((long)v);
      else
        real(v);
      if (values) values->push_back(v);
    }
  }

  std::string next() {
    std::string line;
    if (!std::getline(in_, line)) throw std::runtime_error("file ends early");
    return line;
  }

  void entries(long n, const char* fmt) {
    for (long i = 0; i < n; ++i) fields(next(), fmt);
  }

  void bounds(long n) {
    for (long i = 0; i < n; ++i) {
      const std::string line = next();
      out_ += line[0];
      const char* fmts[] = {"ff", "f", "f", "", "f", "dd"};
      fields(line.substr(1), fmts[line[0] - '0']);
    }
  }

  void segment(const std::string& line) {
    const char kind = line[0];
    const std::string rest = line.substr(1);
    std::vector<double> v;
    out_ += kind;
    switch (kind) {
      case 'C':
      case 'L':
        fields(rest, "d");
        expression();
        break;
      case 'O':
        fields(rest, "dd");
        expression();
        break;
      case 'V':
        fields(rest, "ddd", &v);
        entries((long)v[1], "df");
        expression();
        break;
      case 'F': fields(rest, "ddds"); break;
      case 'S':
        fields(rest, "dd", &v);
        fields(rest.substr(rest.find(' ', rest.find(' ') + 1)), "s");
        entries((long)v[1], (long)v[0] & 4 ? "df" : "dd");
        break;
      case 'x':
      case 'd':
        fields(rest, "d", &v);
        entries((long)v[0], "df");
        break;
      case 'r': bounds(nCon_); break;
      case 'b': bounds(nVar_); break;
      case 'k':
        fields(rest, "d", &v);
        entries((long)v[0], "d");
        break;
      case 'J':
      case 'G':
        fields(rest, "dd", &v);
        entries((long)v[1], "df");
        break;
      default: throw std::runtime_error("unknown segment: " + line);
    }
  }

  void expression() {
    for (long pending = 1; pending > 0; --pending) {
      const std::string line = next();
      const char kind = line[0];
      const std::string rest = line.substr(1);
      std::vector<double> v;
      out_ += kind;
      switch (kind) {
        case 'n': fields(rest, "f"); break;
        case 'v': fields(rest, "d"); break;
        case 'f':
          fields(rest, "dd", &v);
          pending += (long)v[1];
          break;
        case 'h': text(rest.substr(rest.find(':') + 1)); break;
        case 'o':
          fields(rest, "d", &v);
          pending += arguments((long)v[0]);
          break;
        default: throw std::runtime_error("unknown expression item: " + line);
      }
    }
  }

  long arguments(long op) {
    static const std::vector<long> three = {35, 65, 72},
                                   unary = {13, 14, 15, 16, 34, 37, 38, 39, 40, 41, 42,
                                            43, 44, 45, 46, 47, 49, 50, 51, 52, 53};
    static const std::vector<long> counted = {11, 12, 54, 59, 60, 61, 70, 71, 74, 75};
    for (long c : three)
      if (op == c) return 3;
    for (long c : unary)
      if (op == c) return 1;
    for (long c : counted)
      if (op == c) {
        std::vector<double> v;
        fields(next(), "d", &v);
        return (long)v[0];
      }
    return 2;
  }

  std::istringstream in_;
  std::string out_;
  long nVar_ = 0, nCon_ = 0;
};

}  // namespace

std::string binaryNl(const std::string& text) { return Converter(text).run(); }
