// The program's output: every method on a bundled example, a method without
// its solver and a bad keyword, against the recorded output (the seconds of
// the certificate and verification lines masked), and the rows the runs
// append to ./results. The formats are compared byte for byte (every
// character but the digits of real numbers, and integers whole); real
// numbers within the rounding of their printed digits or a relative 1e-6,
// so that the last digits of another CPU's BLAS kernel do not fail them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "harness.h"

namespace {

struct GoldenRun {
  const char* golden;
  const char* stub;
  const char* options;
};

// In this order: the results rows are compared after all runs.
const GoldenRun RUNS[] = {
    {"watson2_pen", "watson2", ""},
    {"watson3_pm", "watson3", "method=penalty_m"},
    {"watson2_ip", "watson2", "method=intp int_merit=m2"},
    {"oet1_hett", "oet1", "method=disc_hett disc_nlp=ipopt"},
    {"oet2_halt", "oet2", "method=disc_halt disc_nlp=ipopt"},
    {"w4a_reem", "watson4a", "method=disc_reem disc_nlp=ipopt"},
    {"ball3_ex", "ball3", "method=exchange"},
    {"sqp", "watson2", "method=sqp"},
    {"bad", "watson2", "method=exchange bogus=1"},
};

// A text as its format (real numbers replaced by their shape: sign and
// digits dropped, decimals and exponent kept) and its real numbers.
struct Reading {
  std::string format;
  std::vector<std::string> reals;
};

bool startsNumber(const std::string& s, size_t i) {
  if (i > 0 && (isalnum((unsigned char)s[i - 1]) || s[i - 1] == '_' || s[i - 1] == '.')) return false;
  if (isdigit((unsigned char)s[i])) return true;
  return s[i] == '-' && i + 1 < s.size() && isdigit((unsigned char)s[i + 1]);
}

// The end of the number at i, and whether it is real (has a point or an exponent).
size_t numberEnd(const std::string& s, size_t i, bool* real) {
  size_t j = i + (s[i] == '-');
  while (j < s.size() && isdigit((unsigned char)s[j])) ++j;
  *real = false;
  if (j + 1 < s.size() && s[j] == '.' && isdigit((unsigned char)s[j + 1])) {
    *real = true;
    for (++j; j < s.size() && isdigit((unsigned char)s[j]);) ++j;
  }
  if (j + 1 < s.size() && (s[j] == 'e' || s[j] == 'E') &&
      (isdigit((unsigned char)s[j + 1]) || ((s[j + 1] == '+' || s[j + 1] == '-') && j + 2 < s.size() &&
                                            isdigit((unsigned char)s[j + 2])))) {
    *real = true;
    for (j += 2; j < s.size() && isdigit((unsigned char)s[j]);) ++j;
  }
  return j;
}

// "R.6" for 12.345678, "R.1e" for -1.0e-07.
std::string shapeOf(const std::string& number) {
  const size_t point = number.find('.'), e = number.find_first_of("eE");
  const size_t end = e == std::string::npos ? number.size() : e;
  const size_t decimals = point == std::string::npos ? 0 : end - point - 1;
  return "R." + std::to_string(decimals) + (e == std::string::npos ? "" : "e");
}

Reading read(const std::string& text) {
  Reading r;
  for (size_t i = 0; i < text.size();) {
    bool real = false;
    const size_t end = startsNumber(text, i) ? numberEnd(text, i, &real) : i + 1;
    const std::string token = text.substr(i, end - i);
    if (real) {
      r.format += shapeOf(token);
      r.reals.push_back(token);
    } else {
      r.format += token;
    }
    i = end;
  }
  return r;
}

// One unit of the last printed digit of a real number.
double lastDigit(const std::string& number) {
  const size_t point = number.find('.'), e = number.find_first_of("eE");
  const size_t end = e == std::string::npos ? number.size() : e;
  const int decimals = point == std::string::npos ? 0 : (int)(end - point - 1);
  const int exponent = e == std::string::npos ? 0 : atoi(number.c_str() + e + 1);
  return std::pow(10.0, exponent - decimals);
}

bool near(const std::string& a, const std::string& b) {
  const double x = strtod(a.c_str(), nullptr), y = strtod(b.c_str(), nullptr);
  if (x == y) return true;
  const double tolerance = std::max({1e-6 * std::max(std::fabs(x), std::fabs(y)),
                                     1.5 * std::max(lastDigit(a), lastDigit(b)), 1e-12});
  return std::fabs(x - y) <= tolerance;
}

// Empty when the texts agree; else what differs first.
std::string difference(const std::string& got, const std::string& want) {
  const Reading g = read(got), w = read(want);
  if (g.format != w.format) {
    size_t at = 0;
    while (at < g.format.size() && at < w.format.size() && g.format[at] == w.format[at]) ++at;
    const size_t from = at > 80 ? at - 80 : 0;
    return "the format differs after:\n" + w.format.substr(from, at - from) + "\nwanted: " +
           w.format.substr(at, 80) + "\ngot:    " + g.format.substr(at, 80);
  }
  for (size_t k = 0; k < g.reals.size(); ++k)
    if (!near(g.reals[k], w.reals[k]))
      return "real number " + std::to_string(k) + ": got " + g.reals[k] + ", wanted " + w.reals[k];
  return "";
}

std::string masked(const std::string& out) {
  static const std::regex seconds("[0-9]+\\.[0-9]{3} s(\n|\\))");
  return std::regex_replace(out, seconds, "T s$1");
}

// Ipopt's last digits follow the BLAS kernel the CPU selects (AVX-512 ones
// round otherwise): the runs use the AVX2 kernel the outputs were recorded
// with, wherever the CPU has it.
std::string blasKernel() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? "OPENBLAS_CORETYPE=Haswell " : "";
}

void copyExample(const TempDir& dir, const std::string& stub) {
  for (const char* ext : {".nl", ".row", ".col"}) {
    RunResult r = runIn(dir.path(), "cp '" + sourceDir() + "/examples/" + stub + ext + "' .");
    ASSERT_EQ(r.status, 0) << stub << ext;
  }
}

TEST(GoldenOutput, TheProgramPrintsWhatItAlwaysPrinted) {
  TempDir dir;
  const std::string golden = sourceDir() + "/tests/golden/";
  for (const GoldenRun& run : RUNS) {
    copyExample(dir, run.stub);
    RunResult r = runIn(dir.path(), "'" + ormidPath() + "' " + run.stub + " -AMPL 2>&1",
                        blasKernel() + "ormid_options='" + run.options + "'");
    EXPECT_EQ(difference(masked(r.out), readFile(golden + run.golden + ".out")), "") << run.golden;
  }
  EXPECT_EQ(difference(readFile(dir.file("results")), readFile(golden + "results.out")), "");
}

// The comparison passes rounding noise and catches what a reader would see.
TEST(GoldenOutput, TheComparisonToleratesLastDigitsOnlyAndKeepsTheFormat) {
  const std::string want = "x1=2 X: -1.0000000000 0.2684870617 \n & 39 & 1.944665e-01 & 1.0e-06 & 8.4e-17 \\\\\n";
  EXPECT_EQ(difference(want, want), "");
  EXPECT_EQ(difference("x1=2 X: -1.0000000001 0.2684870618 \n & 39 & 1.944666e-01 & 1.0e-06 & 1.2e-16 \\\\\n",
                       want), "");
  EXPECT_EQ(difference("x1=2 X: -0.9999999999 0.2684870617 \n & 39 & 1.944665e-01 & 1.0e-06 & 8.4e-17 \\\\\n",
                       want), "");  // another width, the same number
  EXPECT_NE(difference("x1=2 X: -1.0000000000 0.2684870617 \n & 39 & 1.944665e-01 & 1.0e-07 & 8.4e-17 \\\\\n",
                       want), "");  // a tenth of the value
  EXPECT_NE(difference("x1=2 X: -1.0000000000 0.2684870617 \n & 40 & 1.944665e-01 & 1.0e-06 & 8.4e-17 \\\\\n",
                       want), "");  // integers are whole
  EXPECT_NE(difference("x1=2 X: -1.00000000 0.2684870617 \n & 39 & 1.944665e-01 & 1.0e-06 & 8.4e-17 \\\\\n",
                       want), "");  // fewer decimals
  EXPECT_NE(difference("x1=2 X: -1.0000000000 0.2684870617 \n & 39 & 1.944665e-01 & 1.0e-06 & 8.4e-17\\\\\n",
                       want), "");  // a space
  EXPECT_NE(difference("x2=2 X: -1.0000000000 0.2684870617 \n & 39 & 1.944665e-01 & 1.0e-06 & 8.4e-17 \\\\\n",
                       want), "");  // a name
}

}  // namespace
