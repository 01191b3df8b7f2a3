// Runs every method on every bundled literature problem and tabulates the
// final objective, its error against the published optimum, the largest
// constraint violation on a fine grid of T, the evaluation counters and the
// wall time.
//
// sip_bench [--out DIR] [--problems a,b,...] [--methods a,b,...] [--limit SECONDS]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"
#include "literature.h"
#include "solution.h"

namespace {

struct Method {
  std::string name, options;
  bool singleT;  // needs exactly one infinite variable
  bool baseline = false;  // T discretized once and solved once: spacings from the box
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
    {"disc_reem", "method=disc_reem disc_nlp=ipopt", false},
    {"exchange", "method=exchange", false},
    {"ipopt-grid", "method=disc_hett disc_nlp=ipopt disc_k=1", false, true},
};

// What a user would do instead of a SIP method: T on one grid (1001 points
// on one infinite variable, 101 x 101 on two, 21^3 on three), one Ipopt solve.
std::string baselineSpacings(const nl::Model& m) {
  const int nt = infiniteVariables(m);
  const int intervals = nt == 1 ? 1000 : nt == 2 ? 100 : 20;
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

const char* COUNTERS[] = {"kelv_objval", "kelv_objgrd", "kelv_pfval", "kelv_gpfval",
                          "kelv_contval", "kelv_contgrd", "nnlp"};

struct Row {
  std::string problem, method, status;
  int code = -1;  // the solve result code of the .sol file
  double objective = NAN, error = NAN, violation = NAN, seconds = 0;
  double reportedViolation = NAN, stationarity = NAN;  // the run's own certificate
  std::vector<int> counters;
};

// The number after `label` in a solve message, NaN when absent.
double messageNumber(const std::string& message, const std::string& label) {
  size_t at = message.find(label);
  if (at == std::string::npos) return NAN;
  return strtod(message.c_str() + at + label.size(), nullptr);
}

std::vector<std::string> split(const std::string& list) {
  std::vector<std::string> out;
  std::stringstream in(list);
  for (std::string item; std::getline(in, item, ',');)
    if (!item.empty()) out.push_back(item);
  return out;
}

bool wanted(const std::vector<std::string>& filter, const std::string& name) {
  if (filter.empty()) return true;
  for (const std::string& f : filter)
    if (f == name) return true;
  return false;
}

Row runOne(const LiteratureProblem& p, const Method& method, int limit) {
  Row row;
  row.problem = p.name;
  row.method = method.name;
  row.status = "ok";
  TempDir dir;
  p.model.write(dir.file(p.name));
  auto start = std::chrono::steady_clock::now();
  std::string options = method.options + (method.baseline ? baselineSpacings(p.model) : "");
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

bool writeMarkdown(const std::string& path, const std::vector<Row>& rows) {
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

}  // namespace

int main(int argc, char** argv) {
  std::string outDir = sourceDir() + "/bench";
  std::vector<std::string> problems, methods;
  int limit = 120;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string flag = argv[i], value = argv[i + 1];
    if (flag == "--out") outDir = value;
    else if (flag == "--problems") problems = split(value);
    else if (flag == "--methods") methods = split(value);
    else if (flag == "--limit") limit = atoi(value.c_str());
    else {
      fprintf(stderr, "unknown flag %s\n", flag.c_str());
      return 2;
    }
  }
  const std::vector<LiteratureProblem> all = literatureProblems();
  std::vector<std::string> problemNames, methodNames;
  for (const LiteratureProblem& p : all) problemNames.push_back(p.name);
  for (const Method& m : METHODS) methodNames.push_back(m.name);
  if (!knownNames(problems, problemNames, "problem") || !knownNames(methods, methodNames, "method"))
    return 2;
  if (limit <= 0) {  // timeout 0 would mean no limit at all
    fprintf(stderr, "the time limit must be a positive number of seconds\n");
    return 2;
  }
  std::error_code ec;
  std::filesystem::create_directories(outDir, ec);
  if (ec) {
    fprintf(stderr, "cannot create %s: %s\n", outDir.c_str(), ec.message().c_str());
    return 1;
  }
  std::vector<Row> rows;
  for (const LiteratureProblem& p : all) {
    if (!wanted(problems, p.name)) continue;
    for (const Method& m : METHODS) {
      if (!wanted(methods, m.name) || (m.singleT && infiniteVariables(p.model) != 1)) continue;
      Row r = runOne(p, m, limit);
      fprintf(stderr, "%-11s %-10s %-10s code=%-3d f=%-14s err=%-10s viol=%-10s %.2fs%s\n",
              r.problem.c_str(), r.method.c_str(), r.status.c_str(), r.code,
              number(r.objective, "%.8g").c_str(), number(r.error).c_str(),
              number(r.violation).c_str(), r.seconds, falseClaim(r) ? " FALSE CLAIM" : "");
      rows.push_back(r);
    }
  }
  const std::string csv = outDir + "/results.csv", md = outDir + "/results.md";
  if (!writeCsv(csv, rows) || !writeMarkdown(md, rows)) {
    fprintf(stderr, "cannot write %s and %s\n", csv.c_str(), md.c_str());
    return 1;
  }
  return 0;
}
