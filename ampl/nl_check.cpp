#include "ampl/nl_check.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ampl/nl_cursor.h"
#include "ampl/nl_header.h"

namespace ormid {

namespace {

// Operator kinds by code: 1 unary, 2 binary, 3 min/max list, 4 piecewise
// linear, 5 three arguments (if), 6 sum list (3 or more), 11 counted list;
// 0 for codes the format does not use. Codes above 75 are the reader's own.
const int OPERATOR_KINDS[76] = {
    2,  2,  2, 2, 2, 2, 2, 0, 0, 0, 0, 3, 3, 1, 1,  1, 1, 0, 0, 0,   //  0-19
    2,  2,  2, 2, 2, 0, 0, 0, 2, 2, 2, 0, 0, 0, 1,  5, 0, 1, 1, 1,   // 20-39
    1,  1,  1, 1, 1, 1, 1, 1, 2, 1, 1, 1, 1, 1, 6,  2, 2, 2, 2, 11,  // 40-59
    11, 11, 2, 2, 4, 5, 2, 2, 2, 2, 6, 6, 5, 2, 11, 11};             // 60-75

class Checker {
 public:
  Checker(const std::string& data, const NlHeader& h)
      : h_(h),
        c_(data, h.end, h.binary, h.swapped),
        con_(h.nCon),
        obj_(h.nObj),
        lcon_(h.nLcon),
        defined_(h.defined()),
        function_(h.nFunc),
        jacobianRow_(h.nCon),
        column_(h.nVar, 0) {}

  std::string run() {
    for (int kind = next(); kind >= 0 && fault_.empty(); kind = next()) segment(kind);
    if (fault_.empty()) complete();
    return fault_;
  }

 private:
  // The next kind letter; messages name the item it opens.
  int next() {
    mark_ = c_.position();
    return c_.kind();
  }

  bool fail(const std::string& what) {
    if (fault_.empty()) fault_ = c_.where(mark_) + ": " + what;
    return false;
  }

  bool record(const char* fmt, const char* what) {
    mark_ = c_.position();
    return c_.read(fmt, f_) || fail(std::string("expected ") + what);
  }

  // A count that the rest of the file must be able to hold.
  bool count(long n, long most, const char* what) {
    if (n < 0 || n > most || (size_t)n > c_.remaining())
      return fail(std::string("bad ") + what + " " + std::to_string(n));
    return true;
  }

  bool index(long i, long n, const char* what) {
    return (i >= 0 && i < n) || fail(std::string(what) + " " + std::to_string(i) + " out of range");
  }

  bool once(std::vector<char>& seen, long i, const char* what) {
    if (!index(i, (long)seen.size(), what)) return false;
    if (seen[i]) return fail(std::string(what) + " " + std::to_string(i) + " given twice");
    seen[i] = 1;
    return true;
  }

  // A constraint's or objective's segment: its number (once), its expression.
  void body(const char* fmt, std::vector<char>& seen, const char* what) {
    if (record(fmt, what) && once(seen, f_[0].integer, what)) expression();
  }

  void segment(int kind) {
    switch (kind) {
      case 'C': body("d", con_, "constraint"); break;
      case 'O': body("dd", obj_, "objective"); break;
      case 'L': body("d", lcon_, "logical constraint"); break;
      case 'V': definedVariable(); break;
      case 'F': function(); break;
      case 'S': suffix(); break;
      case 'x': startValues(h_.nVar, "variable"); break;
      case 'd': startValues(h_.nCon, "constraint"); break;
      case 'r': bounds(h_.nCon, 5); break;
      case 'b': bounds(h_.nVar, 4); break;
      case 'k':
      case 'K': columnStarts(kind == 'k'); break;
      case 'J': gradient(true); break;
      case 'G': gradient(false); break;
      default: fail("unknown segment '" + printable(kind) + "'");
    }
  }

  static std::string printable(int c) {
    char text[8];
    snprintf(text, sizeof text, c > 32 && c < 127 ? "%c" : "\\x%02x", c);
    return text;
  }

  // A variable an expression or a linear part may use: a model variable, or
  // a defined variable whose segment came before.
  bool variable(long v) {
    if (v >= 0 && v < h_.nVar) return true;
    const long k = v - h_.nVar;
    if (k >= 0 && k < (long)defined_.size() && defined_[k]) return true;
    return fail("variable " + std::to_string(v) + " out of range or not yet defined");
  }

  void definedVariable() {
    if (!record("ddd", "a defined variable's number, linear terms and kind")) return;
    const long v = f_[0].integer, terms = f_[1].integer;
    if (!index(v - h_.nVar, (long)defined_.size(), "defined variable") ||
        !count(terms, h_.nVar + (long)defined_.size(), "linear term count"))
      return;
    for (long t = 0; t < terms; ++t)
      if (!record("df", "a linear term") || !variable(f_[0].integer)) return;
    if (expression()) once(defined_, v - h_.nVar, "defined variable");
  }

  void function() {
    if (!record("ddds", "a function's number, type, argument count and name")) return;
    if (once(function_, f_[0].integer, "function") && (f_[1].integer & ~1L))
      fail("bad function type " + std::to_string(f_[1].integer));
  }

  void suffix() {
    if (!record("dds", "a suffix's kind, count and name")) return;
    const long kind = f_[0].integer, n = f_[1].integer;
    if (kind < 0 || kind > 7) {
      fail("bad suffix kind " + std::to_string(kind));
      return;
    }
    const long sizes[4] = {h_.nVar, h_.nCon, h_.nObj, 1};
    const long size = sizes[kind & 3];
    if (n <= 0) {
      fail("bad suffix value count " + std::to_string(n));
      return;
    }
    if (!count(n, size, "suffix value count")) return;
    for (long i = 0; i < n; ++i)
      if (!record(kind & 4 ? "df" : "dd", "a suffix value") ||
          !index(f_[0].integer, size, "suffix entry"))
        return;
  }

  void startValues(long size, const char* what) {
    if (!record("d", "a count") || !count(f_[0].integer, size, "start value count")) return;
    for (long i = f_[0].integer; i > 0; --i)
      if (!record("df", "a start value") || !index(f_[0].integer, size, what)) return;
  }

  void bounds(long n, int largestType) {
    if (!c_.read("", f_)) return (void)fail("bad bounds segment");
    for (long i = 0; i < n; ++i) {
      const int type = next() - '0';
      bool ok = true;
      switch (type < 0 || type > largestType ? -1 : type) {
        case 0: ok = record("ff", "two bounds"); break;
        case 1:
        case 2:
        case 4: ok = record("f", "a bound"); break;
        case 3: ok = c_.read("", f_); break;
        case 5:
          ok = record("dd", "a complementarity") &&
               index(f_[1].integer - 1, h_.nVar, "complementary variable");
          break;
        default: ok = fail("bad bound type");
      }
      if (!ok) return;
    }
  }

  void columnStarts(bool cumulative) {
    if (!record("d", "a column count")) return;
    if (f_[0].integer != h_.nVar - 1)
      return (void)fail("column count is not the variables less one");
    long start = 0;
    starts_.assign(1, 0);
    for (long j = 1; j < h_.nVar; ++j) {
      if (!record("d", "a column start")) return;
      const long next = cumulative ? f_[0].integer : start + f_[0].integer;
      if (next < start || next > h_.nzc) return (void)fail("bad column start");
      starts_.push_back(start = next);
    }
    starts_.push_back(h_.nzc);
  }

  void gradient(bool jacobian) {
    if (!record("dd", "a row number and entry count")) return;
    const long row = f_[0].integer, n = f_[1].integer;
    if (jacobian ? !once(jacobianRow_, row, "Jacobian row") : !index(row, h_.nObj, "gradient"))
      return;
    if (jacobian && starts_.empty()) return (void)fail("Jacobian entries before the column starts");
    if (n <= 0) return (void)fail("bad entry count " + std::to_string(n));
    if (!count(n, h_.nVar, "entry count")) return;
    for (long i = 0; i < n; ++i) {
      if (!record("df", "an entry") || !index(f_[0].integer, h_.nVar, "variable")) return;
      if (jacobian) ++column_[f_[0].integer];
    }
  }

  bool plTerm() {
    if (!record("d", "a breakpoint count") || f_[0].integer < 2 ||
        !count(f_[0].integer, c_.remaining(), "breakpoint count"))
      return fail("bad piecewise-linear term");
    for (long j = 2 * f_[0].integer - 1; j > 0; --j) {
      const int kind = next();
      if (kind != 'n' && kind != 's' && kind != 'l') return fail("bad breakpoint");
      if (!record(kind == 'n' ? "f" : kind == 's' && h_.binary ? "h" : "d", "a breakpoint"))
        return false;
    }
    // The term's argument is a variable: the reader reads its value there.
    return (next() == 'v' && record("d", "a variable") && variable(f_[0].integer)) ||
           fail("a piecewise-linear term's argument must be a variable");
  }

  // How many arguments operator op takes (reading its count); -1 on a fault.
  long arguments(long op) {
    const int kind = op >= 0 && op < 76 ? OPERATOR_KINDS[op] : 0;
    switch (kind) {
      case 1: return 1;
      case 2: return 2;
      case 5: return 3;
      case 4: return plTerm() ? 0 : -1;
      case 3:
      case 6:
      case 11: {
        const long least = kind == 6 ? 3 : 1;
        if (!record("d", "an argument count")) return -1;
        const long n = f_[0].integer;
        if (n < least || !count(n, c_.remaining(), "argument count"))
          return fail("bad argument count"), -1;
        return n;
      }
    }
    fail("unknown operator " + std::to_string(op));
    return -1;
  }

  // One expression, its nodes in prefix order (no recursion: the depth is
  // the file's).
  bool expression() {
    for (long pending = 1; pending > 0; --pending) {
      const int kind = next();
      long more = 0;
      switch (kind) {
        case 'n':
          if (!record("f", "a number")) return false;
          break;
        case 's':
          if (!record(h_.binary ? "h" : "d", "a short integer")) return false;
          break;
        case 'l':
          if (!record("d", "an integer")) return false;
          break;
        case 'v':
          if (!record("d", "a variable") || !variable(f_[0].integer)) return false;
          break;
        case 'h':
          if (!c_.hollerith()) return fail("bad string");
          break;
        case 'f':
          if (!record("dd", "a function number and argument count")) return false;
          if (!index(f_[0].integer, h_.nFunc, "function") ||
              !count(f_[1].integer, c_.remaining(), "argument count"))
            return false;
          if (!function_[f_[0].integer]) return fail("function used before its declaration");
          more = f_[1].integer;
          break;
        case 'o':
          if (!record("d", "an operator")) return false;
          if ((more = arguments(f_[0].integer)) < 0) return false;
          break;
        case -1: return fail("the file ends inside an expression");
        default: return fail("unknown expression item '" + printable(kind) + "'");
      }
      pending += more;
      if ((size_t)pending > c_.remaining() + 1) return fail("more arguments than the file holds");
    }
    return true;
  }

  template <class Seen>
  bool allGiven(const Seen& seen, const char* what) {
    for (size_t i = 0; i < seen.size(); ++i)
      if (!seen[i]) return fail(std::string(what) + " " + std::to_string(i) + " is missing");
    return true;
  }

  void complete() {
    if (!allGiven(con_, "constraint") || !allGiven(obj_, "objective") ||
        !allGiven(lcon_, "logical constraint") || !allGiven(defined_, "defined variable"))
      return;
    // The reader places each column's entries from its start: a column with
    // more entries than its start allows would overrun the next.
    if (starts_.empty()) return;
    for (long j = 0; j < h_.nVar; ++j)
      if (column_[j] != starts_[j + 1] - starts_[j])
        return (void)fail("Jacobian column " + std::to_string(j) + " disagrees with its start");
  }

  const NlHeader& h_;
  NlCursor c_;
  NlField f_[4];
  std::vector<char> con_, obj_, lcon_, defined_, function_, jacobianRow_;
  std::vector<long> column_, starts_;
  size_t mark_ = 0;
  std::string fault_;
};

}  // namespace

std::string nlFault(const std::string& contents) {
  NlHeader header;
  std::string fault = readNlHeader(contents, header);
  if (!fault.empty()) return fault;
  return Checker(contents, header).run();
}

std::string nlPath(const std::string& stub) {
  std::vector<std::string> candidates = {stub + ".nl"};
  if (stub.size() > 3 && stub.compare(stub.size() - 3, 3, ".nl") == 0) candidates.push_back(stub);
  for (const std::string& path : candidates) {
    if (FILE* f = fopen(path.c_str(), "rb")) {
      fclose(f);
      return path;
    }
  }
  return "";
}

}  // namespace ormid
