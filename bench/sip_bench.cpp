// Runs every method on every bundled literature problem and tabulates the
// final objective, its error against the published optimum, the largest
// constraint violation on a fine grid of T, the evaluation counters and the
// wall time (results.csv, results.md).
//
// Then the families of minimax approximations with verified optima
// (tests/support/families.h: 1-D with 9 to 129 variables, 2-D, 3-D), only
// with the methods for any T that are worth timing there (exchange,
// disc_reem and the ipopt-grid baseline): the penalty and interior point
// methods and disc_hett/disc_halt are far too slow at 129 variables. Their
// tables (families.csv, families.md, and a section of results.md when the
// literature ran too) judge the relative error |f - f*| / |f*|, and time
// the exchange method against the baseline and against one Ipopt solve of
// the finite program on the optimum's active points (its lower limit).
//
// Then the lattice families (tests/support/lattice_families.h: convex
// programs on [0, 1]^4 to [0, 1]^6 whose constraint is active at 16 to 81
// points of a lattice, optimum known in closed form) with the exchange
// method, with and without the verification after the solve (lattice.csv,
// lattice.md).
//
// sip_bench [--out DIR] [--set all|literature|families|lattice] [--problems a,b,...]
//           [--methods a,b,...] [--limit SECONDS] [--stubs DIR]
// --stubs writes the chosen problems' stubs (.nl, .row, .col) to DIR and runs nothing.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "families.h"
#include "harness.h"
#include "lattice_families.h"
#include "literature.h"
#include "solution.h"

namespace {

struct Method {
  std::string name, options;
  bool singleT;  // needs exactly one infinite variable
  bool baseline = false;  // T discretized once and solved once: spacings from the box
  bool families = false;  // run on the families too
};

const std::vector<Method> METHODS = {
    {"penalty-p1", "pf_type=p1", true},
    {"penalty-p2", "pf_type=p2", true},
    {"penalty-p3", "pf_type=p3", true},
    {"penalty_m", "method=penalty_m", true},
    {"intp-d", "method=intp int_ord=d", true},
    {"intp-p", "method=intp int_ord=p", true},
    {"intp-pc", "method=intp int_ord=pc", true},
    {"disc_hett", "method=disc_hett disc_nlp=ipopt", false},
    {"disc_halt", "method=disc_halt disc_nlp=ipopt", false},
    {"disc_reem", "method=disc_reem disc_nlp=ipopt", false, false, true},
    {"exchange", "method=exchange", false, false, true},
    {"ipopt-grid", "method=disc_hett disc_nlp=ipopt disc_k=1", false, true, true},
};

// What a user would do instead of a SIP method: T on one grid (1001 points
// on one infinite variable, 101 x 101 on two, 21^3 on three), one Ipopt solve.
// " disc_h=..." splitting each infinite variable's range into `intervals`.
std::string spacingsOption(const nl::Model& m, int intervals) {
  std::string list;
  for (const nl::Variable& v : m.vars)
    if (v.name[0] == 't') {
      char h[64];
      // A hair below width/intervals, so that rounding cannot lose the last point.
      snprintf(h, sizeof h, "%.17g", (v.upper - v.lower) / intervals * (1 - 1e-12));
      list += (list.empty() ? "" : ",") + std::string(h);
    }
  return " disc_h=" + list;
}

std::string baselineSpacings(const nl::Model& m) {
  const int nt = infiniteVariables(m);
  return spacingsOption(m, nt == 1 ? 1000 : nt == 2 ? 100 : 20);
}

const char* COUNTERS[] = {"kelv_objval", "kelv_objgrd", "kelv_pfval", "kelv_gpfval",
                          "kelv_contval", "kelv_contgrd", "nnlp"};

struct Row {
  std::string problem, method, status;
  int code = -1;  // the solve result code of the .sol file
  double objective = NAN, error = NAN, violation = NAN, seconds = 0;
  double relError = NAN;  // |f - f*| / |f*|
  double reportedViolation = NAN, stationarity = NAN;  // the run's own certificate
  std::vector<int> counters;
  std::vector<double> x;  // the final finite variables
};

// The number after `label` in a solve message, NaN when absent.
double messageNumber(const std::string& message, const std::string& label) {
  size_t at = message.find(label);
  if (at == std::string::npos) return NAN;
  return strtod(message.c_str() + at + label.size(), nullptr);
}

// disc_reem's first grid on a family member: its default spacing 0.01
// would start it with 315^d points on T = [0, pi]^d, more than a subproblem
// may have in two dimensions and than memory allows in three. In two and
// three dimensions the spacing for 20,000 points instead (141 and 27
// values a coordinate); the default in one.
std::string familyStartSpacings(const nl::Model& m) {
  const int nt = infiniteVariables(m);
  if (nt < 2) return "";
  int intervals = 1000;
  while (std::pow(intervals + 1.0, nt) > 20000) --intervals;
  return spacingsOption(m, intervals);
}

Row runOne(const LiteratureProblem& p, const Method& method, int limit, bool family = false) {
  Row row;
  row.problem = p.name;
  row.method = method.name;
  row.status = "ok";
  TempDir dir;
  p.model.write(dir.file(p.name));
  auto start = std::chrono::steady_clock::now();
  std::string options = method.options + (method.baseline ? baselineSpacings(p.model) : "");
  if (family && method.name == "disc_reem") options += familyStartSpacings(p.model);
  RunResult r = runIn(dir.path(), "timeout " + std::to_string(limit) + " " + ormidPath() + " " +
                                      p.name + " -AMPL " + options);
  row.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (r.status == 124) {
    row.status = "time limit";
    return row;
  }
  std::string sol = dir.file(p.name + ".sol");
  if (r.status != 0 || !fileExists(sol)) {
    row.status = "exit " + std::to_string(r.status);
    return row;
  }
  // The final x from the solution file; t positions hold zeros.
  std::vector<double> primal = solPrimals(readFile(sol), (int)p.model.vars.size()), x;
  for (size_t j = 0; j < p.model.vars.size(); ++j)
    if (p.model.vars[j].name[0] != 't') x.push_back(primal[j]);
  row.objective = nl::evaluate(p.model.objective, primal);
  row.error = std::fabs(row.objective - p.optimum) / std::fmax(1.0, std::fabs(p.optimum));
  row.relError = std::fabs(row.objective - p.optimum) / std::fabs(p.optimum);
  row.x = x;
  double onGrid = maxViolation(p.model, x, checkPoints(p.model, 10001, 40401));
  row.violation = std::fmax(0.0, std::fmax(onGrid, finiteViolation(p.model, primal)));
  for (const char* c : COUNTERS) row.counters.push_back(statistic(r.out, c));
  row.code = r.solveCode;
  row.reportedViolation = messageNumber(r.solMessage, "largest violation ");
  row.stationarity = messageNumber(r.solMessage, "stationarity ");
  return row;
}

bool solved(const Row& r, double tol) {
  return r.status == "ok" && r.error <= tol && r.violation <= tol;
}

bool claimedSolved(const Row& r) { return r.status == "ok" && r.code >= 0 && r.code < 100; }

// A claim of success that the independent check contradicts.
bool falseClaim(const Row& r) {
  return claimedSolved(r) && !(r.error <= 1e-4 && r.violation <= 1e-5);
}

std::string number(double v, const char* fmt = "%.3e") {
  if (std::isnan(v)) return "";
  char buf[64];
  snprintf(buf, sizeof buf, fmt, v);
  return buf;
}

bool writeCsv(const std::string& path, const std::vector<Row>& rows) {
  std::ofstream out(path);
  out << "problem,method,status,code,objective,error,violation,reported_violation,stationarity";
  for (const char* c : COUNTERS) out << "," << c;
  out << ",seconds\n";
  for (const Row& r : rows) {
    out << r.problem << "," << r.method << "," << r.status << "," << r.code << ","
        << number(r.objective, "%.10g") << "," << number(r.error) << "," << number(r.violation)
        << "," << number(r.reportedViolation) << "," << number(r.stationarity);
    for (size_t i = 0; i < sizeof COUNTERS / sizeof *COUNTERS; ++i)
      out << "," << (i < r.counters.size() ? std::to_string(r.counters[i]) : "");
    out << "," << number(r.seconds, "%.3f") << "\n";
  }
  return bool(out << std::flush);
}

double median(std::vector<double> v) {
  if (v.empty()) return NAN;
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The literature's tables, then `extra` (the families' section, when they ran).
bool writeMarkdown(const std::string& path, const std::vector<Row>& rows,
                   const std::string& extra) {
  std::ofstream out(path);
  out << "| problem | method | status | code | objective | rel. error | max violation | reported "
         "violation | stationarity |";
  for (const char* c : COUNTERS) out << " " << c << " |";
  out << " seconds |\n|---|---|---|---|---|---|---|---|---|";
  for (size_t i = 0; i < sizeof COUNTERS / sizeof *COUNTERS; ++i) out << "---|";
  out << "---|\n";
  for (const Row& r : rows) {
    out << "| " << r.problem << " | " << r.method << " | " << r.status << " | " << r.code << " | "
        << number(r.objective, "%.8g") << " | " << number(r.error) << " | " << number(r.violation)
        << " | " << number(r.reportedViolation) << " | " << number(r.stationarity) << " |";
    for (size_t i = 0; i < sizeof COUNTERS / sizeof *COUNTERS; ++i)
      out << " " << (i < r.counters.size() ? std::to_string(r.counters[i]) : "") << " |";
    out << " " << number(r.seconds, "%.2f") << " |\n";
  }
  out << "\n| method | runs | solved to 1e-4 | solved to 1e-6 | claimed solved | false claims | "
         "accurate to 1e-7 | of those claimed | median seconds |\n"
         "|---|---|---|---|---|---|---|---|---|\n";
  for (const Method& m : METHODS) {
    int runs = 0, loose = 0, tight = 0, claimed = 0, false_ = 0, accurate = 0, recognised = 0;
    std::vector<double> times;
    for (const Row& r : rows)
      if (r.method == m.name) {
        ++runs;
        loose += solved(r, 1e-4);
        tight += solved(r, 1e-6);
        claimed += claimedSolved(r);
        false_ += falseClaim(r);
        if (solved(r, 1e-7)) ++accurate, recognised += claimedSolved(r);
        times.push_back(r.seconds);
      }
    if (runs)
      out << "| " << m.name << " | " << runs << " | " << loose << " | " << tight << " | " << claimed
          << " | " << false_ << " | " << accurate << " | " << recognised << " | "
          << number(median(times), "%.2f") << " |\n";
  }
  if (!extra.empty()) out << "\n" << extra;
  return bool(out << std::flush);
}

// Names in a filter that match nothing are typing errors, not an empty run.
bool knownNames(const std::vector<std::string>& filter, const std::vector<std::string>& names,
                const char* what) {
  for (const std::string& f : filter)
    if (std::find(names.begin(), names.end(), f) == names.end()) {
      fprintf(stderr, "unknown %s %s\n", what, f.c_str());
      return false;
    }
  return true;
}

// ---- The families ------------------------------------------------------------

// The targets of the families' table.
bool familyAbsolute(const Row& r, double optimum) {
  return r.status == "ok" &&
         std::fabs(r.objective - optimum) <= 1e-8 * std::fmax(1.0, std::fabs(optimum)) &&
         r.violation <= 1e-8;
}
bool familyRelative(const Row& r) {
  return r.status == "ok" && r.relError <= 1e-6 && r.violation <= 1e-8;
}
// Success claimed (code 0-99) more than 1e-4 |f*| from the optimum.
bool familyFalseClaim(const Row& r) { return claimedSolved(r) && !(r.relError <= 1e-4); }

struct ActivePoints {
  std::vector<std::vector<double>> t;
  std::vector<int> sign;  // +1: f - p = z there, -1: p - f = z
  std::vector<double> value;  // sign (f - p) on the grid
};

// The local maximisers of |f - p| at x (coefficients, then z) where the
// optimum's constraints are active: the grid maxima of +-(f - p) on the
// violation check's grid within 10% of the largest (a grid of T can miss a
// peak by a few per cent in three dimensions), each climbed by a compass
// search (steps along the coordinates, halved when none gains, down to
// 1e-10), those that end within 0.1% of the largest kept, the highest of
// those of one sign within 0.01 of each other (the error can be nearly flat
// along a ridge through a maximiser, where the search stops anywhere).
ActivePoints activePoints(const MinimaxApproximation& m, const nl::Model& model,
                          const std::vector<double>& x) {
  const int d = m.dim, points = checkPoints(model, 10001, 40401);
  const double h = FAMILY_T_UPPER / (points - 1);
  size_t total = 1;
  for (int i = 0; i < d; ++i) total *= points;
  std::vector<double> e(total), t(d);
  auto coordinates = [&](size_t p, std::vector<int>& idx) {
    for (int i = 0; i < d; ++i) idx[i] = int(p % points), p /= points;
  };
  std::vector<int> idx(d);
  for (size_t p = 0; p < total; ++p) {
    coordinates(p, idx);
    for (int i = 0; i < d; ++i) t[i] = idx[i] * h;
    e[p] = m.error(x, t.data());
  }
  double top = 0;
  for (double v : e) top = std::fmax(top, std::fabs(v));
  ActivePoints candidates;
  int neighbours = 1;
  for (int i = 0; i < d; ++i) neighbours *= 3;
  for (size_t p = 0; p < total; ++p) {
    const int sign = e[p] > 0 ? 1 : -1;
    if (sign * e[p] < 0.9 * top) continue;
    coordinates(p, idx);
    bool isMax = true;
    for (int o = 0; o < neighbours && isMax; ++o) {
      size_t q = 0, stride = 1;
      bool inside = true;
      for (int i = 0, code = o; i < d; ++i, code /= 3) {
        int v = idx[i] + code % 3 - 1;
        inside = inside && v >= 0 && v < points;
        q += size_t(v) * stride;
        stride *= points;
      }
      if (inside && q != p && sign * e[q] > sign * e[p]) isMax = false;
    }
    if (!isMax) continue;
    // Compass search from the grid point, inside T.
    std::vector<double> at(d);
    for (int i = 0; i < d; ++i) at[i] = idx[i] * h;
    double value = sign * e[p];
    for (double step = h / 2; step > 1e-10;) {
      bool gained = false;
      for (int i = 0; i < d; ++i)
        for (double direction : {-1.0, 1.0}) {
          std::vector<double> trial = at;
          trial[i] = std::fmin(FAMILY_T_UPPER, std::fmax(0.0, trial[i] + direction * step));
          const double v = sign * m.error(x, trial.data());
          if (v > value) value = v, at = trial, gained = true;
        }
      if (!gained) step /= 2;
    }
    candidates.t.push_back(at);
    candidates.sign.push_back(sign);
    candidates.value.push_back(value);
  }
  double best = 0;
  for (double v : candidates.value) best = std::fmax(best, v);
  std::vector<size_t> order(candidates.t.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return candidates.value[a] > candidates.value[b]; });
  ActivePoints out;
  for (size_t i : order) {
    if (candidates.value[i] < (1 - 1e-3) * best) continue;
    bool seen = false;
    for (size_t k = 0; k < out.t.size() && !seen; ++k) {
      double distance = 0;
      for (int c = 0; c < d; ++c)
        distance = std::fmax(distance, std::fabs(out.t[k][c] - candidates.t[i][c]));
      seen = out.sign[k] == candidates.sign[i] && distance <= 1e-2;
    }
    if (seen) continue;
    out.t.push_back(candidates.t[i]);
    out.sign.push_back(candidates.sign[i]);
    out.value.push_back(candidates.value[i]);
  }
  return out;
}

// One Ipopt solve (the baseline's options) of the finite program on the
// active points of the most accurate feasible run's x: the time a method
// that knew the active points from the start would still need.
Row runOnActivePoints(const MinimaxApproximation& m, const LiteratureProblem& p,
                      const std::vector<Row>& runs, int limit, int& count) {
  Row row;
  row.problem = p.name;
  row.method = "ipopt-on-active-points";
  row.status = "no x";
  count = 0;
  const Row* best = nullptr;
  for (const Row& r : runs)
    if (r.problem == p.name && r.status == "ok" && r.violation <= 1e-6 &&
        r.x.size() == (size_t)m.terms() + 1 && (!best || r.relError < best->relError))
      best = &r;
  if (!best || !(best->relError <= 1e-3)) return row;
  ActivePoints a = activePoints(m, p.model, best->x);
  count = (int)a.t.size();
  // Fewer active points than variables (the 2-D and 3-D members) fix x only
  // through the error's curvature there: on the points alone the optimal x
  // is not unique (and runs off unless the points are exact). Their
  // neighbours at 0.02 along every coordinate and diagonal (inside T) join
  // them then, as the last grid of a discretization would hold them.
  if (count < m.terms() + 1) {
    const int d = m.dim;
    int offsets = 1;
    for (int i = 0; i < d; ++i) offsets *= 3;
    ActivePoints grown = a;
    for (size_t j = 0; j < a.t.size(); ++j)
      for (int o = 0; o < offsets; ++o) {
        std::vector<double> t = a.t[j];
        bool moved = false;
        for (int i = 0, code = o; i < d; ++i, code /= 3) {
          const double shifted =
              std::fmin(FAMILY_T_UPPER, std::fmax(0.0, t[i] + 0.02 * (code % 3 - 1)));
          moved = moved || shifted != t[i];
          t[i] = shifted;
        }
        if (!moved) continue;
        grown.t.push_back(t);
        grown.sign.push_back(a.sign[j]);
        grown.value.push_back(NAN);
      }
    a = grown;
  }
  // Both constraints at every point: z >= |f - p| there keeps the program
  // bounded (with only the active sign, z could fall without end where the
  // points do not pin p down); the other sign is 2 z inside its bound.
  std::vector<std::vector<double>> points;
  std::vector<int> signs;
  for (const std::vector<double>& t : a.t)
    for (int sign : {1, -1}) {
      points.push_back(t);
      signs.push_back(sign);
    }
  // Ipopt's tolerances are absolute: on an objective of 1e-8 it stops where
  // the error is still 66 % of it. The program's objective is z / f* where
  // f* is below one, so that the solve reaches the optimum as the exchange
  // method must (to 1e-6 of it).
  const double scale = std::fabs(p.optimum) < 1 ? 1 / std::fabs(p.optimum) : 1.0;
  LiteratureProblem q = minimaxOnPoints(m, points, signs, scale);
  TempDir dir;
  q.model.write(dir.file(q.name));
  auto start = std::chrono::steady_clock::now();
  RunResult r = runIn(dir.path(), "timeout " + std::to_string(limit) + " " + ormidPath() + " " +
                                      q.name + " -AMPL method=disc_hett disc_nlp=ipopt disc_k=1");
  row.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const std::string sol = dir.file(q.name + ".sol");
  if (r.status == 124) {
    row.status = "time limit";
    return row;
  }
  if (r.status != 0 || !fileExists(sol)) {
    row.status = "exit " + std::to_string(r.status);
    return row;
  }
  row.status = "ok";
  row.code = r.solveCode;
  std::vector<double> primal = solPrimals(readFile(sol), (int)q.model.vars.size());
  row.objective = primal.empty() ? NAN : primal.back();  // z
  row.relError = std::fabs(row.objective - p.optimum) / std::fabs(p.optimum);
  row.error = row.relError * std::fabs(p.optimum) / std::fmax(1.0, std::fabs(p.optimum));
  row.x = primal;
  return row;
}

// This machine's timings vary by a third from one run to the next: a family
// run under REPEAT_BELOW seconds is made TIMINGS times and its median time
// kept (the ratios and the growth exponent rest on these times).
const double REPEAT_BELOW = 5;
const int TIMINGS = 5;

Row medianTimed(const std::function<Row()>& run) {
  Row r = run();
  if (r.status != "ok" || !(r.seconds < REPEAT_BELOW)) return r;
  std::vector<double> seconds{r.seconds};
  while ((int)seconds.size() < TIMINGS) seconds.push_back(run().seconds);
  std::sort(seconds.begin(), seconds.end());
  r.seconds = seconds[TIMINGS / 2];
  return r;
}

// Least-squares slope of log y against log x.
double logLogSlope(const std::vector<double>& x, const std::vector<double>& y) {
  const size_t n = x.size();
  if (n < 2) return NAN;
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (size_t i = 0; i < n; ++i) {
    const double lx = std::log(x[i]), ly = std::log(y[i]);
    sx += lx, sy += ly, sxx += lx * lx, sxy += lx * ly;
  }
  const double det = n * sxx - sx * sx;
  return det > 0 ? (n * sxy - sx * sy) / det : NAN;
}

struct FamilyProblem {
  const MinimaxApproximation* member;
  Row onPoints;
  int activeCount = 0;
};

const Row* find(const std::vector<Row>& rows, const std::string& problem,
                const std::string& method) {
  for (const Row& r : rows)
    if (r.problem == problem && r.method == method) return &r;
  return nullptr;
}

bool writeFamiliesCsv(const std::string& path, const std::vector<Row>& rows,
                      const std::vector<FamilyProblem>& problems) {
  std::ofstream out(path);
  out << "problem,variables,optimum,method,status,code,objective,rel_error,violation,"
         "reported_violation,stationarity,nnlp,seconds\n";
  auto line = [&](const Row& r, const MinimaxApproximation& m) {
    out << r.problem << "," << m.terms() + 1 << "," << number(m.optimum, "%.17g") << ","
        << r.method << "," << r.status << "," << r.code << "," << number(r.objective, "%.17g")
        << "," << number(r.relError) << "," << number(r.violation) << ","
        << number(r.reportedViolation) << "," << number(r.stationarity) << ","
        << (r.counters.size() > 6 ? std::to_string(r.counters[6]) : "") << ","
        << number(r.seconds, "%.3f") << "\n";
  };
  for (const FamilyProblem& f : problems) {
    for (const Row& r : rows)
      if (r.problem == f.member->name) line(r, *f.member);
    line(f.onPoints, *f.member);
  }
  return bool(out << std::flush);
}

const char* mark(bool holds) { return holds ? "yes" : "no"; }

// A solve on the active points that ended without a limit or failure: its
// time is a limit the exchange method is held to.
bool limitSolved(const Row& r) { return r.status == "ok" && r.code >= 0 && r.code < 200; }

void writeFamiliesMarkdown(std::ostream& out, const std::vector<Row>& rows,
                           const std::vector<FamilyProblem>& problems) {
  out << "## Families with verified optima\n\n"
         "Minimax approximations (tests/support/families.h; optima from bench/verify_optima). "
         "Targets per run: **A** |f - f\\*| <= 1e-8 max(1, |f\\*|) and violation <= 1e-8 (on "
         "the independent grid); **R** |f - f\\*| <= 1e-6 |f\\*| and violation <= 1e-8; **C** "
         "code 0 (no member is degenerate); **F** no claim of success (code 0-99) more "
         "than 1e-4 |f\\*| away. For the exchange method also **T** time <= 3 x one Ipopt solve "
         "on the optimum's active points and **B** time <= a tenth of ipopt-grid's. A run "
         "under five seconds is timed five times, and the median kept.\n\n"
         "| problem | vars | f* | method | status | code | objective | rel. error | violation | "
         "seconds | A | R | C | F | T | B |\n"
         "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n";
  for (const FamilyProblem& f : problems) {
    const MinimaxApproximation& m = *f.member;
    const Row* baseline = find(rows, m.name, "ipopt-grid");
    for (const Row& r : rows) {
      if (r.problem != m.name) continue;
      const bool exchange = r.method == "exchange";
      // verify_optima finds n + 1 points with positive multipliers for every
      // member: none is degenerate, so every run should end with code 0.
      std::string C = mark(r.code == 0);
      std::string T = "", B = "";
      if (exchange && limitSolved(f.onPoints))
        T = mark(r.status == "ok" && r.seconds <= 3 * f.onPoints.seconds);
      if (exchange && baseline && baseline->status != "exit")
        B = mark(r.status == "ok" && r.seconds <= 0.1 * baseline->seconds);
      out << "| " << m.name << " | " << m.terms() + 1 << " | " << number(m.optimum, "%.6e")
          << " | " << r.method << " | " << r.status << " | " << r.code << " | "
          << number(r.objective, "%.12g") << " | " << number(r.relError, "%.1e") << " | "
          << number(r.violation, "%.1e") << " | " << number(r.seconds, "%.2f") << " | "
          << mark(familyAbsolute(r, m.optimum)) << " | " << mark(familyRelative(r)) << " | " << C
          << " | " << mark(!familyFalseClaim(r)) << " | " << T << " | " << B << " |\n";
    }
  }
  out << "\nOne Ipopt solve (the baseline's options) of the finite program on the optimum's active "
         "points (both constraints at each), found at the most accurate run's x (the error's "
         "maximisers within 0.1% of the largest; with their neighbours at 0.02 where they are "
         "fewer than the variables): the time a method that knew them from the start would still "
         "spend. Its objective is z / f\\* where f\\* is below one (Ipopt's tolerances are "
         "absolute: on z alone it stopped 66 % above the smallest optimum); its relative error "
         "says how near the solve came.\n\n"
         "| problem | vars | active points | one Ipopt: s | its rel. error | exchange s | "
         "ipopt-grid s | exchange / one Ipopt | exchange / ipopt-grid |\n"
         "|---|---|---|---|---|---|---|---|---|\n";
  std::vector<double> baselineRatios, limitRatios;
  for (const FamilyProblem& f : problems) {
    const MinimaxApproximation& m = *f.member;
    const Row* ex = find(rows, m.name, "exchange");
    const Row* base = find(rows, m.name, "ipopt-grid");
    const bool limitOk = limitSolved(f.onPoints);
    double toLimit = ex && limitOk ? ex->seconds / f.onPoints.seconds : NAN;
    double toBase = ex && base ? ex->seconds / base->seconds : NAN;
    if (!std::isnan(toLimit)) limitRatios.push_back(toLimit);
    if (!std::isnan(toBase)) baselineRatios.push_back(toBase);
    out << "| " << m.name << " | " << m.terms() + 1 << " | " << f.activeCount << " | "
        << (limitOk ? number(f.onPoints.seconds, "%.2f")
            : f.onPoints.status == "ok" ? "code " + std::to_string(f.onPoints.code)
            : f.onPoints.status)
        << " | "
        << number(f.onPoints.relError, "%.1e") << " | " << (ex ? number(ex->seconds, "%.2f") : "")
        << " | " << (base ? number(base->seconds, "%.2f") : "") << " | "
        << number(toLimit, "%.2f") << " | " << number(toBase, "%.3f") << " |\n";
  }
  out << "\n| method | runs | A | R | code 0 | false claims | median seconds | time exponent along "
         "the 1-D family |\n|---|---|---|---|---|---|---|---|\n";
  for (const Method& method : METHODS) {
    if (!method.families) continue;
    int runs = 0, a = 0, rel = 0, zero = 0, falseClaims = 0;
    std::vector<double> times, sizes, oneDTimes;
    for (const FamilyProblem& f : problems) {
      const Row* r = find(rows, f.member->name, method.name);
      if (!r) continue;
      ++runs;
      a += familyAbsolute(*r, f.member->optimum);
      rel += familyRelative(*r);
      zero += r->code == 0;
      falseClaims += familyFalseClaim(*r);
      times.push_back(r->seconds);
      if (f.member->dim == 1 && r->status == "ok") {
        sizes.push_back(f.member->terms());
        oneDTimes.push_back(r->seconds);
      }
    }
    if (!runs) continue;
    out << "| " << method.name << " | " << runs << " | " << a << " | " << rel << " | " << zero
        << " | " << falseClaims << " | " << number(median(times), "%.2f") << " | "
        << number(logLogSlope(sizes, oneDTimes), "%.2f") << " |\n";
  }
  // The exchange method's targets over the whole family.
  std::vector<double> sizes, times;
  for (const FamilyProblem& f : problems) {
    const Row* ex = find(rows, f.member->name, "exchange");
    if (ex && ex->status == "ok" && f.member->dim == 1) {
      sizes.push_back(f.member->terms());
      times.push_back(ex->seconds);
    }
  }
  const double exponent = logLogSlope(sizes, times), toBase = median(baselineRatios),
               toLimit = median(limitRatios);
  auto verdict = [](double value, double target) {
    return std::isnan(value) ? "not measured" : value <= target ? "holds" : "fails";
  };
  out << "\nThe exchange method: median time / ipopt-grid's " << number(toBase, "%.3f")
      << " (target <= 0.1: " << verdict(toBase, 0.1) << "); median time / one Ipopt solve on "
      << "the active points " << number(toLimit, "%.2f") << " (target <= 3: "
      << verdict(toLimit, 3) << "); time exponent along the 1-D family "
      << number(exponent, "%.2f") << " (least squares of log seconds on log n, n = 8 .. 128 "
      << "coefficients; target <= 1.2: " << verdict(exponent, 1.2) << ").\n";
}

// The lattice families: the exchange method's runs against the closed-form
// optimum, |f - f*| <= 1e-8 max(1, |f*|), code 0, within 10 seconds.
const std::vector<Method> LATTICE_METHODS = {
    {"exchange", "method=exchange", false},
    {"exchange verify=0", "method=exchange verify=0", false},
};

bool writeLatticeMarkdown(const std::string& path, const std::vector<Row>& rows) {
  std::ofstream out(path);
  out << "## Lattices of maximisers\n\n"
         "Convex programs on [0, 1]^d whose infinite constraint is active at m^d lattice points "
         "(tests/support/lattice_families.h; optimum in closed form). Target: code 0, "
         "|f - f\\*| <= 1e-8 max(1, |f\\*|), within 10 s.\n\n"
         "| problem | vars | maximisers | f* | method | status | code | objective | error | "
         "violation | seconds | target |\n|---|---|---|---|---|---|---|---|---|---|---|---|\n";
  for (const Row& r : rows) {
    const LatticeFamily& f = latticeFamilyMember(r.problem);
    const bool met = r.status == "ok" && r.code == 0 && r.error <= 1e-8 && r.seconds <= 10;
    out << "| " << r.problem << " | " << f.terms() << " | " << f.maximiserCount() << " | "
        << number(f.optimum, "%.10g") << " | " << r.method << " | " << r.status << " | " << r.code
        << " | " << number(r.objective, "%.12g") << " | " << number(r.error, "%.1e") << " | "
        << number(r.violation, "%.1e") << " | " << number(r.seconds, "%.2f") << " | "
        << (met ? "yes" : "no") << " |\n";
  }
  return bool(out << std::flush);
}

// Each chosen problem's stub in dir, for runs by hand.
int writeStubs(const std::string& dir, const std::vector<const std::vector<LiteratureProblem>*>& sets,
               const std::vector<std::string>& problems) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  for (const auto* set : sets)
    for (const LiteratureProblem& p : *set)
      if (selected(problems, p.name)) p.model.write(dir + "/" + p.name);
  return ec ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string outDir = sourceDir() + "/bench", set = "all", stubDir;
  std::vector<std::string> problems, methods;
  int limit = 120;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string flag = argv[i], value = argv[i + 1];
    if (flag == "--out") outDir = value;
    else if (flag == "--set") set = value;
    else if (flag == "--problems") problems = splitList(value);
    else if (flag == "--methods") methods = splitList(value);
    else if (flag == "--limit") limit = atoi(value.c_str());
    else if (flag == "--stubs") stubDir = value;
    else {
      fprintf(stderr, "unknown flag %s\n", flag.c_str());
      return 2;
    }
  }
  if (set != "all" && set != "literature" && set != "families" && set != "lattice") {
    fprintf(stderr, "unknown set %s (all, literature, families or lattice)\n", set.c_str());
    return 2;
  }
  const std::vector<LiteratureProblem> literature = literatureProblems();
  const std::vector<LiteratureProblem> family = familyProblems();
  const std::vector<LiteratureProblem> lattice = latticeProblems();
  std::vector<std::string> problemNames, methodNames;
  for (const LiteratureProblem& p : literature) problemNames.push_back(p.name);
  for (const LiteratureProblem& p : family) problemNames.push_back(p.name);
  for (const LiteratureProblem& p : lattice) problemNames.push_back(p.name);
  for (const Method& m : METHODS) methodNames.push_back(m.name);
  if (!knownNames(problems, problemNames, "problem") || !knownNames(methods, methodNames, "method"))
    return 2;
  if (limit <= 0) {  // timeout 0 would mean no limit at all
    fprintf(stderr, "the time limit must be a positive number of seconds\n");
    return 2;
  }
  if (!stubDir.empty()) return writeStubs(stubDir, {&literature, &family, &lattice}, problems);
  std::error_code ec;
  std::filesystem::create_directories(outDir, ec);
  if (ec) {
    fprintf(stderr, "cannot create %s: %s\n", outDir.c_str(), ec.message().c_str());
    return 1;
  }
  auto progress = [](const Row& r, bool falseClaimed) {
    fprintf(stderr, "%-11s %-10s %-10s code=%-3d f=%-14s err=%-10s viol=%-10s %.2fs%s\n",
            r.problem.c_str(), r.method.c_str(), r.status.c_str(), r.code,
            number(r.objective, "%.8g").c_str(), number(r.error).c_str(),
            number(r.violation).c_str(), r.seconds, falseClaimed ? " FALSE CLAIM" : "");
  };
  std::vector<Row> rows;
  if (set == "all" || set == "literature")
    for (const LiteratureProblem& p : literature) {
      if (!selected(problems, p.name)) continue;
      for (const Method& m : METHODS) {
        if (!selected(methods, m.name) || (m.singleT && infiniteVariables(p.model) != 1)) continue;
        Row r = runOne(p, m, limit);
        progress(r, falseClaim(r));
        rows.push_back(r);
      }
    }
  // The families: the error column of the progress line is |f - f*| / |f*|.
  std::vector<Row> familyRows;
  std::vector<FamilyProblem> familyRuns;
  if (set == "all" || set == "families")
    for (const LiteratureProblem& p : family) {
      if (!selected(problems, p.name)) continue;
      bool any = false;
      for (const Method& m : METHODS) {
        if (!m.families || !selected(methods, m.name)) continue;
        Row r = medianTimed([&] { return runOne(p, m, limit, true); });
        r.error = r.relError;
        progress(r, familyFalseClaim(r));
        familyRows.push_back(r);
        any = true;
      }
      if (!any) continue;
      FamilyProblem f{&minimaxApproximation(p.name), Row(), 0};
      f.onPoints = medianTimed(
          [&] { return runOnActivePoints(*f.member, p, familyRows, limit, f.activeCount); });
      f.onPoints.error = f.onPoints.relError;
      progress(f.onPoints, false);
      familyRuns.push_back(f);
    }
  std::vector<Row> latticeRows;
  if (set == "all" || set == "lattice")
    for (const LiteratureProblem& p : lattice) {
      if (!selected(problems, p.name)) continue;
      for (const Method& m : LATTICE_METHODS) {
        if (!methods.empty() && !selected(methods, "exchange")) continue;
        Row r = runOne(p, m, limit);
        progress(r, falseClaim(r));
        latticeRows.push_back(r);
      }
    }
  if (!latticeRows.empty()) {
    const std::string csv = outDir + "/lattice.csv", md = outDir + "/lattice.md";
    if (!writeCsv(csv, latticeRows) || !writeLatticeMarkdown(md, latticeRows)) {
      fprintf(stderr, "cannot write %s and %s\n", csv.c_str(), md.c_str());
      return 1;
    }
  }
  std::ostringstream familiesText;
  if (!familyRuns.empty()) writeFamiliesMarkdown(familiesText, familyRows, familyRuns);
  if (!rows.empty() || (familyRuns.empty() && latticeRows.empty())) {
    const std::string csv = outDir + "/results.csv", md = outDir + "/results.md";
    if (!writeCsv(csv, rows) || !writeMarkdown(md, rows, familiesText.str())) {
      fprintf(stderr, "cannot write %s and %s\n", csv.c_str(), md.c_str());
      return 1;
    }
  }
  if (!familyRuns.empty()) {
    const std::string csv = outDir + "/families.csv", md = outDir + "/families.md";
    std::ofstream mdOut(md);
    mdOut << familiesText.str();
    if (!writeFamiliesCsv(csv, familyRows, familyRuns) || !(mdOut << std::flush)) {
      fprintf(stderr, "cannot write %s and %s\n", csv.c_str(), md.c_str());
      return 1;
    }
  }
  return 0;
}
