// Bounded fuzzing of ormid and dravo: small models drawn from fixed seeds,
// with hostile expressions (overflow, division by zero, logs and roots of
// negative numbers), boxes T that are empty, degenerate, huge or unbounded,
// and hostile option values; and the bundled examples, in text and binary
// form, with bytes flipped, header counts replaced or the file cut short.
// Every run must end by itself within its limit, with status 0 or 1 and no
// sanitizer report; every run of ormid that read its model leaves a
// solution file (with a failure code when the status is 1), and a model
// that cannot be read leaves none. A model without starting values makes the
// solver draw its own start from the clock, so those runs do not repeat
// exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "harness.h"
#include "nl_binary.h"
#include "nl_writer.h"
#include "solution.h"

namespace {

using namespace nl;

// Seconds a single run may take before it counts as a hang: an unoptimised
// sanitized build runs ten times slower, and the suite shares two cores.
#ifdef __SANITIZE_ADDRESS__
const int RUN_LIMIT = 60;
#else
const int RUN_LIMIT = 20;
#endif

std::string show(double v) {
  char buf[32];
  snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

// An expression and how it reads, for the failure messages.
struct Term {
  Expr e;
  std::string s;
};

Term operator+(const Term& a, const Term& b) { return {a.e + b.e, "(" + a.s + " + " + b.s + ")"}; }
Term operator-(const Term& a, const Term& b) { return {a.e - b.e, "(" + a.s + " - " + b.s + ")"}; }
Term operator*(const Term& a, const Term& b) { return {a.e * b.e, a.s + "*" + b.s}; }
Term operator/(const Term& a, const Term& b) { return {a.e / b.e, a.s + "/(" + b.s + ")"}; }
Term constant(double v) { return {num(v), show(v)}; }
Term apply(Expr (*f)(Expr), const char* name, const Term& a) {
  return {f(a.e), std::string(name) + "(" + a.s + ")"};
}
Term power(const Term& a, double k) { return {pow(a.e, k), "(" + a.s + ")^" + show(k)}; }

class Random {
 public:
  explicit Random(unsigned seed) : rng_(seed) {}
  int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
  template <class T>
  T pick(const std::vector<T>& v) { return v[below((int)v.size())]; }
  template <class T>
  void shuffle(std::vector<T>& v) { std::shuffle(v.begin(), v.end(), rng_); }

 private:
  std::mt19937 rng_;
};

struct Case {
  std::string family;
  unsigned seed = 0;
  Model model;
  std::string description;
  std::string options;
  bool dravo = false;
};

// How hostile a family's models are.
struct ModelShape {
  int minInfinite = 0, maxInfinite = 3;  // how many infinite variables
  double oddBox = 0.35;        // chance that a box T is empty, degenerate, huge or unbounded
  double hostile = 0.15;       // chance per expression node of a failing subexpression
  double startless = 0.15;     // chance that the first variable has no start
  double finiteCon = 0.3;      // chance of a finite constraint
  double objectiveTerm = 0.6;  // chance of a random term beside the sum of squares
};

class ModelMaker {
 public:
  ModelMaker(Random& r, const ModelShape& shape) : r_(r), shape_(shape) {}

  // A model with its description, for instance "min (x1*x1 + exp(x1)); x1 in
  // [-inf, inf] start 0.5; t1 in [1, 0] start 1; tcon1: -inf <= ... <= 0; ".
  std::pair<Model, std::string> make() {
    Model m;
    std::string d = variables(m);
    Term f = sumOfSquares();
    if (r_.chance(shape_.objectiveTerm)) f = f + expr(2, r_.chance(0.1));
    m.minimize(f.e);
    m.maximize = r_.chance(0.2);
    d = (m.maximize ? "max " : "min ") + f.s + "; " + d;

    const int mt = t_.empty() ? r_.below(2) : 1 + r_.below(2);
    for (int j = 1; j <= mt; ++j) {
      Term g = expr(3, true);
      if (!t_.empty() && r_.chance(0.6)) g = g + r_.pick(t_) * r_.pick(x_);
      double lo = -INF, hi = r_.pick<double>({-1, 0, 0.5, 10});
      if (r_.chance(0.1)) lo = -5;  // a range: not of the lower-or-equal type
      if (r_.chance(0.05)) hi = INF;
      addCon(m, d, "tcon" + std::to_string(j), g, lo, hi);
    }
    if (r_.chance(shape_.finiteCon)) {
      double lo = r_.pick<double>({-INF, -1, 0, 1}), hi = r_.pick<double>({INF, 1, 2, 0});
      addCon(m, d, "c1", expr(2, false), lo, hi);
    }
    return {m, d};
  }

 private:
  // One to three finite and the shape's number of infinite variables, in a
  // random interleaving; the description of their bounds and starts.
  std::string variables(Model& m) {
    const int nx = 1 + r_.below(3);
    const int nt = shape_.minInfinite + r_.below(shape_.maxInfinite - shape_.minInfinite + 1);
    const bool startless = r_.chance(shape_.startless);
    std::vector<char> infinite(nx, false);
    infinite.insert(infinite.end(), nt, true);
    r_.shuffle(infinite);
    std::string d;
    for (size_t k = 0; k < infinite.size(); ++k) {
      const bool withStart = !(startless && (k == 0 || r_.chance(0.5)));
      std::vector<Term>& terms = infinite[k] ? t_ : x_;
      std::string name = (infinite[k] ? "t" : "x") + std::to_string(terms.size() + 1);
      double lo, hi;
      infinite[k] ? box(lo, hi) : xBounds(lo, hi);
      double start = r_.pick<double>({-2.5, -1, -0.3, 0, 0.2, 0.5, 1, 1.5, 3});
      if (infinite[k]) start = std::isfinite(lo) ? lo : std::isfinite(hi) ? hi : 0.0;
      int i = withStart ? m.addVar(name, lo, hi, start) : m.addVar(name, lo, hi);
      terms.push_back({var(i), name});
      d += name + " in [" + show(lo) + ", " + show(hi) + "]" +
           (withStart ? " start " + show(start) : "") + "; ";
    }
    return d;
  }

  void box(double& lo, double& hi) {
    lo = 0, hi = 1;
    if (r_.chance(0.5 * (1 - shape_.oddBox))) lo = -1, hi = 2;
    if (!r_.chance(shape_.oddBox)) return;
    switch (r_.below(5)) {
      case 0: lo = 1, hi = 0; break;       // empty
      case 1: lo = hi = 0.5; break;        // degenerate
      case 2: lo = -1e6, hi = 1e6; break;  // huge
      case 3: lo = -INF; break;            // unbounded below
      default: hi = INF; break;            // unbounded above
    }
  }

  void xBounds(double& lo, double& hi) {
    lo = -INF, hi = INF;
    if (r_.chance(0.8)) return;
    switch (r_.below(3)) {
      case 0: lo = -5, hi = 5; break;
      case 1: lo = hi = 1; break;
      default: lo = 2, hi = -2; break;  // empty
    }
  }

  Term sumOfSquares() {
    Term s = x_[0] * x_[0];
    for (size_t i = 1; i < x_.size(); ++i) s = s + x_[i] * x_[i];
    return s;
  }

  Term leaf(bool withT) {
    if (r_.chance(0.7)) return withT && !t_.empty() && r_.chance(0.5) ? r_.pick(t_) : r_.pick(x_);
    return constant(r_.pick<double>({0, 1, -1, 0.5, 2, 3.7, -2.5, 1e3}));
  }

  Term expr(int depth, bool withT) {
    if (depth == 0 || r_.chance(0.25)) return leaf(withT);
    Term a = expr(depth - 1, withT);
    if (r_.chance(shape_.hostile)) return failing(a);
    switch (r_.below(11)) {
      case 0: return a + expr(depth - 1, withT);
      case 1: return a - expr(depth - 1, withT);
      case 2: return a * expr(depth - 1, withT);
      case 3: return a / expr(depth - 1, withT);
      case 4: return apply(exp, "exp", a);
      case 5: return apply(log, "log", a);
      case 6: return apply(sqrt, "sqrt", a);
      case 7: return apply(sin, "sin", a);
      case 8: return apply(cos, "cos", a);
      case 9: return apply(abs, "abs", a);
      default: return power(a, r_.pick<double>({2, 3, 0.5, -1, -2, 1.5}));
    }
  }

  // Subexpressions that fail somewhere or everywhere.
  Term failing(const Term& a) {
    switch (r_.below(7)) {
      case 0: return apply(exp, "exp", constant(800) * a);      // overflow for a > 0.9
      case 1: return apply(exp, "exp", constant(710) + a * a);  // overflow everywhere
      case 2: return a / constant(0);                           // division by zero
      case 3: return a / (a - a);                               // 0/0 and x/0
      case 4: return apply(log, "log", constant(-1) - a * a);   // log of a negative
      case 5: return apply(sqrt, "sqrt", constant(-1) - apply(abs, "abs", a));  // likewise
      default: return power(a, -1.5);                           // pole and negative base
    }
  }

  void addCon(Model& m, std::string& d, const std::string& name, const Term& body, double lo,
              double hi) {
    m.addCon(name, body.e, lo, hi);
    d += name + ": " + show(lo) + " <= " + body.s + " <= " + show(hi) + "; ";
  }

  Random& r_;
  ModelShape shape_;
  std::vector<Term> x_, t_;
};

// Numeric keywords with values that are zero, negative, huge or not numbers.
// Iteration counts never get huge values: those runs are long by request.
// Sizes (points, intervals) get them rarely: the methods cap them.
struct Keyword {
  const char* name;
  enum { REAL, INT, ITERATIONS, SIZE, LIST } kind;
};
const std::vector<Keyword> KEYWORDS = {
    {"armijo", Keyword::REAL},         {"bfgsskip", Keyword::REAL},
    {"damped", Keyword::INT},          {"delta", Keyword::REAL},
    {"disc_dist", Keyword::REAL},      {"disc_eps", Keyword::REAL},
    {"disc_h", Keyword::LIST},         {"disc_h_mx", Keyword::SIZE},
    {"disc_ha_mx", Keyword::SIZE},     {"disc_inner", Keyword::ITERATIONS},
    {"disc_k", Keyword::ITERATIONS},   {"dual_ini", Keyword::INT},
    {"int_amp", Keyword::REAL},        {"int_corr", Keyword::ITERATIONS},
    {"int_eps", Keyword::REAL},        {"int_epsfactor", Keyword::REAL},
    {"int_epslimit", Keyword::REAL},   {"int_error", Keyword::REAL},
    {"int_maxit", Keyword::ITERATIONS}, {"int_n", Keyword::SIZE},
    {"int_prec", Keyword::REAL},       {"int_tau", Keyword::REAL},
    {"maxiteri", Keyword::ITERATIONS}, {"maxitero", Keyword::ITERATIONS},
    {"miu0", Keyword::REAL},           {"miuf", Keyword::REAL},
    {"nlp_maxit", Keyword::ITERATIONS}, {"pf_eps", Keyword::REAL},
    {"pf_preci", Keyword::REAL},       {"pf_preco", Keyword::REAL},
    {"reset", Keyword::INT},           {"scale", Keyword::INT},
    {"theta", Keyword::REAL},          {"time_limit", Keyword::REAL},
    {"watchdog", Keyword::INT},        {"watchmax", Keyword::INT},
};

std::string hostileValue(Random& r, const Keyword& k) {
  switch (k.kind) {
    case Keyword::REAL:
      return r.pick<std::string>({"0", "-1", "-1e300", "1e300", "1e-300", "nan", "inf", "-inf"});
    case Keyword::INT:
      return r.pick<std::string>({"0", "-1", "-2147483648", "2147483647", "4294967297", "7"});
    case Keyword::SIZE:
      if (r.chance(0.2)) return r.pick<std::string>({"2147483647", "4294967297", "100000"});
      return r.pick<std::string>({"0", "-1", "-2147483648", "1"});
    case Keyword::ITERATIONS:
      return r.pick<std::string>({"0", "-1", "-2147483648", "1"});
    case Keyword::LIST:
      return r.pick<std::string>({"0", "-0.1", "nan", "1e-9", "0.5,0", "1e300", "0.3,-1,0.1"});
  }
  return "0";
}

const std::vector<std::string> METHODS = {"penalty",   "penalty_m", "intp",
                                          "disc_hett", "disc_halt", "disc_reem"};

// Small budgets that keep a run short (coarser grids when T has more than
// one coordinate), the method's own enumerated choices, then `hostile`
// numeric keywords with hostile values.
std::string makeOptions(Random& r, const std::string& method, int hostile, int nt) {
  std::string o = "method=" + method;
  o += " maxitero=" + r.pick<std::string>({"1", "3", "10", "30"});
  o += " maxiteri=" + r.pick<std::string>({"1", "5", "20", "60"});
  if (nt <= 1) {
    o += " disc_k=" + r.pick<std::string>({"0", "1", "2", "3"});
    o += " disc_h=" + r.pick<std::string>({"0.05", "0.1", "0.25", "0.5"});
  } else {
    o += " disc_k=" + r.pick<std::string>({"0", "1", "2"});
    o += " disc_h=" + r.pick<std::string>({"0.25", "0.5"});
  }
  o += " nlp_maxit=" + r.pick<std::string>({"5", "30", "100"});
  if (r.chance(0.8)) o += " disc_inner=" + r.pick<std::string>({"3", "10", "30"});
  if (r.chance(0.85)) o += " disc_nlp=ipopt";
  if (method == "penalty" || method == "penalty_m") {
    o += " pf_type=" + r.pick<std::string>({"p1", "p2", "p3"});
    o += " pf_int=" + r.pick<std::string>({"gaussian", "trapzoid"});
  } else if (method == "intp") {
    o += " int_ord=" + r.pick<std::string>({"d", "p", "pc"});
    o += " int_merit=" + r.pick<std::string>({"m1", "m2"});
    o += " updtb=" + r.pick<std::string>({"f1", "f2"});
    o += " watchdog=" + r.pick<std::string>({"0", "1"});
  }
  for (int i = 0; i < hostile; ++i) {
    const Keyword& k = KEYWORDS[r.below((int)KEYWORDS.size())];
    o += std::string(" ") + k.name + "=" + hostileValue(r, k);
  }
  return o;
}

bool contains(const std::string& text, const std::string& what) {
  return text.find(what) != std::string::npos;
}

// What is wrong with one run (empty when nothing), judged by its status,
// its standard error and, for ormid, whether it left a solution file.
std::string fault(const RunResult& r, bool solver) {
  if (r.status == 124 || r.status == 137)
    return "passed its " + std::to_string(RUN_LIMIT) + " s limit (hang)";
  if (r.status != 0 && r.status != 1)
    return "exit status " + std::to_string(r.status) + " (-1 or 128+n: a signal)";
  for (const char* report : {"runtime error:", "AddressSanitizer", "LeakSanitizer"})
    if (contains(r.err, report)) return "sanitizer report: " + r.err.substr(0, 3000);
  if (!solver) return "";
  if (r.status == 0 && r.solveCode < 0) return "exit status 0 without a solution file";
  // Past the options, the run reads the model: then it answers in a .sol,
  // unless the model could not be read at all.
  const bool unreadable = contains(r.out, "Can't read problem");
  const bool optionsRefused = contains(r.out, "Unknown keyword") || contains(r.out, "Bad value") ||
                              contains(r.out, "Expecting ");
  const bool read = !unreadable && !optionsRefused;
  if (unreadable && r.solveCode >= 0) return "a solution file for a model it could not read";
  if (r.status == 1 && read && (r.solveCode < 500 || r.solveCode > 599))
    return "exit status 1 after reading the model without a failure code in a solution file (" +
           std::to_string(r.solveCode) + ")";
  if (r.status == 1 && !read && !unreadable && r.solveCode >= 0)
    return "exit status 1 with a solution file before reading the model";
  // Evaluation errors come back to the methods as NaN; the library's own
  // error exit must never end a run.
  if (r.status == 1 && contains(r.err, "can't evaluate"))
    return "the library ended the run on an evaluation error: " + r.err.substr(0, 500);
  return "";
}

// The command under a time limit. A run killed at its limit may leave a
// half-written solution file: it goes, so that the status tells what happened.
std::string limited(const std::string& command) {
  return "sh -c 'timeout -s KILL " + std::to_string(RUN_LIMIT) + " " + command +
         "; s=$?; [ $s -lt 124 ] || rm -f p.sol; exit $s'";
}

std::string runCase(const Case& c) {
  TempDir dir;
  c.model.write(dir.file("p"));
  std::vector<std::pair<std::string, bool>> commands = {
      {ormidPath() + " p -AMPL " + c.options, true}};
  if (c.dravo) commands.push_back({dravoPath() + " p", false});
  for (const auto& command : commands) {
    std::string what;
    try {
      what = fault(runIn(dir.path(), limited(command.first)), command.second);
    } catch (const std::exception& e) {
      what = std::string("harness threw: ") + e.what();
    }
    if (what.empty()) continue;
    // The model's files are kept for rerunning the command by hand.
    const std::string kept = "/tmp/ormid-fuzz-" + c.family + "-" + std::to_string(c.seed);
    const std::string copy = "rm -rf '" + kept + "' && cp -r '" + dir.path() + "' '" + kept + "'";
    if (system(copy.c_str()) != 0) fprintf(stderr, "could not keep %s\n", kept.c_str());
    return c.family + " seed " + std::to_string(c.seed) + "\n  model: " + c.description +
           "\n  command (files kept in " + kept + "): " + command.first + "\n  " + what;
  }
  return "";
}

// Runs the cases on a few threads; each case has its own directory.
void runAll(const std::vector<Case>& cases) {
  std::vector<std::string> faults(cases.size());
  std::atomic<size_t> next(0);
  auto worker = [&] {
    for (size_t i = next++; i < cases.size(); i = next++) faults[i] = runCase(cases[i]);
  };
  const unsigned n = std::max(2u, std::min(4u, std::thread::hardware_concurrency()));
  std::vector<std::thread> threads;
  for (unsigned i = 0; i < n; ++i) threads.emplace_back(worker);
  for (std::thread& t : threads) t.join();
  for (const std::string& f : faults) EXPECT_TRUE(f.empty()) << f;
}

// `count` cases from seeds first, first + 1, ...: each with one of
// `methods`, minHostile to maxHostile hostile option values and, with
// chance `dravo`, a run of dravo too.
std::vector<Case> makeCases(const std::string& family, unsigned first, int count,
                            const ModelShape& shape, const std::vector<std::string>& methods,
                            int minHostile, int maxHostile, double dravo) {
  std::vector<Case> cases;
  for (unsigned seed = first; seed < first + count; ++seed) {
    Random r(seed);
    Case c;
    c.family = family;
    c.seed = seed;
    std::tie(c.model, c.description) = ModelMaker(r, shape).make();
    const int hostile = minHostile + r.below(maxHostile - minHostile + 1);
    c.options = makeOptions(r, r.pick(methods), hostile, infiniteVariables(c.model));
    // A start drawn from the clock would make the printed command unrepeatable.
    c.options += " seed=" + std::to_string(seed);
    c.dravo = r.chance(dravo);
    cases.push_back(c);
  }
  return cases;
}

// The bundled examples' files, text and binary, each cut, flipped or with
// a header count replaced; the .row and .col files stay whole.
struct CorruptCase {
  std::string example, nl, description;
  bool binary = false;
};

const char* const EXAMPLES[] = {"watson2", "watson7", "oet1", "ball3", "powell1", "kortanek_no"};

// Counts that make a reader allocate beyond reason or index past its arrays.
const std::vector<std::string> HOSTILE_COUNTS = {"2147483647", "999999999", "-5", "100000", "0",
                                                 "4294967296", "7"};

std::string replaceHeaderCount(Random& r, const std::string& nl, std::string& what) {
  size_t start = nl.find('\n') + 1;
  for (int line = r.below(9); line > 0; --line) start = nl.find('\n', start) + 1;
  const size_t end = nl.find('#', start);
  std::vector<size_t> numbers;
  for (size_t i = start; i < end; ++i)
    if (isdigit((unsigned char)nl[i]) && nl[i - 1] == ' ') numbers.push_back(i);
  if (numbers.empty()) return nl;
  const size_t at = r.pick(numbers);
  const size_t length = nl.find_first_not_of("0123456789", at) - at;
  const std::string count = r.pick(HOSTILE_COUNTS);
  what = "count at byte " + std::to_string(at) + " replaced by " + count;
  return nl.substr(0, at) + count + nl.substr(at + length);
}

std::string corrupt(Random& r, std::string nl, std::string& what) {
  switch (r.below(4)) {
    case 0: return replaceHeaderCount(r, nl, what);
    case 1: {
      const size_t at = r.below((int)nl.size());
      nl.resize(at);
      what = "cut at byte " + std::to_string(at);
      return nl;
    }
    default:
      for (int flips = 1 + r.below(3); flips > 0; --flips) {
        const size_t at = r.below((int)nl.size());
        const int value = r.chance(0.5) ? (unsigned char)nl[at] ^ (1 << r.below(8)) : r.below(256);
        what += "byte " + std::to_string(at) + " := " + std::to_string(value) + "; ";
        nl[at] = (char)value;
      }
      return nl;
  }
}

std::vector<CorruptCase> corruptCases(unsigned first, int count, bool binary) {
  std::vector<CorruptCase> cases;
  for (unsigned seed = first; seed < first + count; ++seed) {
    Random r(seed);
    CorruptCase c;
    c.example = EXAMPLES[r.below(sizeof EXAMPLES / sizeof *EXAMPLES)];
    std::string nl = readFile(sourceDir() + "/examples/" + c.example + ".nl");
    if (binary) nl = binaryNl(nl);
    std::string what;
    c.nl = corrupt(r, nl, what);
    c.binary = binary;
    c.description = c.example + (binary ? " (binary) seed " : " seed ") + std::to_string(seed) +
                    ": " + what;
    cases.push_back(c);
  }
  return cases;
}

// A short budget: the corrupted files that still read solve a nearby model.
const char* const CORRUPT_OPTIONS = " -AMPL maxitero=2 maxiteri=5 nlp_maxit=10 time_limit=5 verify=0";

// The solve result code of a binary .sol: its last record, framed by its
// length (8) on both sides, holds the objective number and the code (-1
// when the file has no such record).
int binarySolCode(const std::string& sol) {
  const size_t n = sol.size();
  int32_t frame[4];
  if (n < sizeof frame) return -1;
  memcpy(frame, sol.data() + n - sizeof frame, sizeof frame);
  return frame[0] == 8 && frame[3] == 8 ? frame[2] : -1;
}

// A .sol follows the model's encoding; a binary one is moved aside from the
// harness (which reads text ones) and read here.
RunResult runKeepingBinarySol(const std::string& dir, const std::string& command) {
  std::string inner = command + "; s=$?; [ -f p.sol ] && mv p.sol p.bsol; exit $s";
  for (size_t at = inner.find('$'); at != std::string::npos; at = inner.find('$', at + 2))
    inner.insert(at, "\\");
  RunResult r = runIn(dir, "sh -c \"" + inner + "\"");
  if (fileExists(dir + "/p.bsol")) r.solveCode = binarySolCode(readFile(dir + "/p.bsol"));
  return r;
}

std::string runCorrupt(const CorruptCase& c) {
  TempDir dir;
  const std::string example = sourceDir() + "/examples/" + c.example;
  FILE* f = fopen(dir.file("p.nl").c_str(), "wb");
  fwrite(c.nl.data(), 1, c.nl.size(), f);
  fclose(f);
  runIn(dir.path(), "cp '" + example + ".row' p.row && cp '" + example + ".col' p.col");
  for (const auto& command : std::vector<std::pair<std::string, bool>>{
           {limited(ormidPath() + " p" + CORRUPT_OPTIONS), true},
           {limited(dravoPath() + " p"), false}}) {
    std::string what;
    try {
      const RunResult r = c.binary ? runKeepingBinarySol(dir.path(), command.first)
                                   : runIn(dir.path(), command.first);
      what = fault(r, command.second);
      if (what.empty() && contains(r.out, "Can't read problem") && r.err.empty())
        what = "refused without saying why";
    } catch (const std::exception& e) {
      what = std::string("harness threw: ") + e.what();
    }
    if (!what.empty()) return c.description + "\n  " + command.first + "\n  " + what;
  }
  return "";
}

void runAllCorrupt(const std::vector<CorruptCase>& cases) {
  std::vector<std::string> faults(cases.size());
  std::atomic<size_t> next(0);
  auto worker = [&] {
    for (size_t i = next++; i < cases.size(); i = next++) faults[i] = runCorrupt(cases[i]);
  };
  std::vector<std::thread> threads;
  for (int i = 0; i < 2; ++i) threads.emplace_back(worker);
  for (std::thread& t : threads) t.join();
  for (const std::string& f : faults) EXPECT_TRUE(f.empty()) << f;
}

TEST(Fuzz, CorruptedTextFilesEndCleanly) { runAllCorrupt(corruptCases(5000, 40, false)); }

TEST(Fuzz, CorruptedBinaryFilesEndCleanly) { runAllCorrupt(corruptCases(6000, 40, true)); }

TEST(Fuzz, IntegralMethodsOnHostileModels) {
  ModelShape shape;
  shape.maxInfinite = 2;
  runAll(makeCases("integral", 1000, 60, shape, {"penalty", "penalty_m", "intp"}, 0, 1, 0.3));
}

TEST(Fuzz, DiscretizationMethodsOnHostileModels) {
  ModelShape shape;
  runAll(makeCases("discretization", 2000, 60, shape, {"disc_hett", "disc_halt", "disc_reem"},
                   0, 1, 0.3));
}

TEST(Fuzz, HostileOptionValues) {
  ModelShape shape;
  shape.minInfinite = shape.maxInfinite = 1;
  shape.oddBox = 0.1;
  shape.hostile = 0;
  shape.objectiveTerm = 0.3;
  shape.finiteCon = 0.1;
  runAll(makeCases("options", 3000, 60, shape, METHODS, 2, 4, 0));
}

TEST(Fuzz, StartlessModelsAndDravo) {
  ModelShape shape;
  shape.startless = 1;
  shape.hostile = 0.25;
  runAll(makeCases("startless", 4000, 20, shape, METHODS, 0, 1, 1));
}

}  // namespace
