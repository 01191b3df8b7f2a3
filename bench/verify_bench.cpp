// The cost and tightness of verification (on by default) on the literature
// set (the bundled examples) and the families of minimax approximations:
// each problem is solved by the exchange method with verify off and on
// (runs under a second three times, the median kept), and each infinite
// constraint's verified bound U at the final point is set against the
// largest violation found by sampling T densely there (a grid, then a
// pattern search from its best points). U must not lie below it (that
// would be a bug); it counts as tight when within 1e-9 of the constraint's
// scale (the size of its terms over T, verify's termScale) or within ten
// times the sampled violation. Writes verify.csv and verify.md.
//
// verify_bench [--out DIR] [--set all|literature|families] [--problems a,b,...]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ampl/ampl_model.h"
#include "ampl/ampl_problem.h"
#include "ampl/interval_problem.h"
#include "ampl/partition.h"
#include "core/run_clock.h"
#include "families.h"
#include "harness.h"
#include "literature.h"
#include "ormid/ormid.h"
#include "verify/verify.h"

using namespace ormid;

namespace {

struct Row {
  std::string problem, constraint;
  int nt = 0;
  bool available = false;
  double bound = NAN, attained = NAN, sampled = NAN, scale = NAN;
  double seconds = 0;  // this constraint's search at the final point
  long boxes = 0;
  double solveOff = NAN, solveOn = NAN;  // the problem's solve, verify off and on
  std::string reason;

  double gap() const { return bound - sampled; }
  bool tight() const {
    return available && gap() >= 0 && (gap() <= 1e-9 * scale || (sampled > 0 && bound <= 10 * sampled));
  }
};

double violation(const Problem& p, int j, const double* x, const std::vector<double>& t) {
  int error = 0;
  const double g = p.evaluate(Request::InfiniteValue, j, x, t.data(), nullptr, nullptr, nullptr, &error, p.data);
  if (error || std::isnan(g)) return -HUGE_VAL;
  double v = -HUGE_VAL;
  if (!isPlusInfinity(p.ctu[j])) v = g - p.ctu[j];
  if (!isMinusInfinity(p.ctl[j])) v = std::max(v, p.ctl[j] - g);
  return v;
}

// Pattern search from t, steps halving down to 1e-13 of T's sides.
double refine(const Problem& p, int j, const double* x, std::vector<double> t, double step) {
  double best = violation(p, j, x, t);
  while (step > 1e-13) {
    bool moved = false;
    for (int d = 0; d < p.nt; ++d)
      for (double s : {-step, step}) {
        std::vector<double> q = t;
        q[d] = std::min(p.tu[d], std::max(p.tl[d], q[d] + s * (p.tu[d] - p.tl[d])));
        const double v = violation(p, j, x, q);
        if (v > best) best = v, t = q, moved = true;
      }
    if (!moved) step *= 0.5;
  }
  return best;
}

// About 200,000 grid points, then the best 16 refined.
double sampledMaximum(const Problem& p, int j, const double* x) {
  const int perSide = p.nt == 1 ? 200000 : p.nt == 2 ? 450 : 60;
  std::vector<std::pair<double, std::vector<double>>> best;
  std::vector<int> index(p.nt, 0);
  std::vector<double> t(p.nt);
  auto byValue = [](const auto& a, const auto& b) { return a.first > b.first; };
  while (true) {
    for (int d = 0; d < p.nt; ++d) t[d] = p.tl[d] + (p.tu[d] - p.tl[d]) * index[d] / perSide;
    best.push_back({violation(p, j, x, t), t});
    if (best.size() > 128) {
      std::partial_sort(best.begin(), best.begin() + 16, best.end(), byValue);
      best.resize(16);
    }
    int d = 0;
    while (d < p.nt && ++index[d] > perSide) index[d++] = 0;
    if (d == p.nt) break;
  }
  double top = -HUGE_VAL;
  for (const auto& b : best) top = std::max(top, refine(p, j, x, b.second, 1.0 / perSide));
  return top;
}

double median(std::vector<double> v) {
  if (v.empty()) return NAN;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : 0.5 * (v[v.size() / 2 - 1] + v[v.size() / 2]);
}

// The solve's median wall time (three runs when the first is under a
// second) and its last result.
double timedSolve(const Problem& p, const Options& o, Result* r) {
  std::vector<double> times;
  do {
    const double start = monotonicSeconds();
    *r = solve(p, o);
    times.push_back(monotonicSeconds() - start);
  } while (times.size() < 3 && times[0] < 1.0);
  return median(times);
}

void runProblem(const LiteratureProblem& lp, std::vector<Row>& rows) {
  TempDir dir;
  const std::string stub = dir.file(lp.name);
  lp.model.write(stub);
  amplAlloc();
  if (!amplRead(stub.c_str(), true)) {
    amplFree();
    return;
  }
  buildPartition();
  std::vector<double> x0;
  const bool haveGuess = amplStartingPoint(x0);
  if (!haveGuess) amplFreshX0();
  Problem p = amplProblem(haveGuess ? x0.data() : nullptr);
  attachIntervalModel(p, stub.c_str());
  Options o;
  o.method = Method::Exchange;
  o.printLevel = PrintLevel::Silent;
  o.verify = false;
  Result r;
  const double off = timedSolve(p, o, &r);
  o.verify = true;
  const double on = timedSolve(p, o, &r);
  for (const VerifiedBound& v : r.verified) {
    const int j = v.constraint;
    Row row;
    row.problem = lp.name;
    row.constraint = p.infiniteNames[j];
    row.nt = p.nt;
    row.available = v.available;
    row.bound = v.bound;
    row.attained = v.attained;
    row.sampled = sampledMaximum(p, j, r.x.data());
    row.scale = termScale(p, r.x.data(), j);
    row.seconds = v.seconds;
    row.boxes = (long)v.boxes;
    row.solveOff = off;
    row.solveOn = on;
    row.reason = v.reason;
    rows.push_back(row);
  }
  releaseIntervalModel();
  releasePartition();
  amplFree();
}

std::string csvLine(const Row& r) {
  char line[640];
  snprintf(line, sizeof line, "%s,%s,%d,%d,%.10g,%.10g,%.10g,%.3g,%.3g,%d,%ld,%.4f,%.4f,%.4f,%.3f,\"%s\"\n",
           r.problem.c_str(), r.constraint.c_str(), r.nt, (int)r.available, r.bound, r.attained, r.sampled,
           r.gap(), r.scale, (int)r.tight(), r.boxes, r.seconds, r.solveOff, r.solveOn, r.solveOn / r.solveOff,
           r.reason.c_str());
  return line;
}

std::string mdLine(const Row& r) {
  char bound[32] = "n/a", line[640];
  if (r.available) snprintf(bound, sizeof bound, "%.3e", r.bound);
  snprintf(line, sizeof line, "| %s | %s | %d | %s | %.3e | %.3e | %.2e | %s | %ld | %.4f | %.3f | %.3f | %.2f |\n",
           r.problem.c_str(), r.constraint.c_str(), r.nt, bound, r.attained, r.sampled, r.scale,
           r.tight() ? "yes" : r.gap() < 0 ? "BELOW" : "no", r.boxes, r.seconds, r.solveOff, r.solveOn,
           r.solveOn / r.solveOff);
  return line;
}

// The per-problem ratios of solve time with verify to without.
std::vector<double> ratios(const std::vector<Row>& rows) {
  std::vector<double> out;
  for (size_t i = 0; i < rows.size(); ++i)
    if (i == 0 || rows[i].problem != rows[i - 1].problem) out.push_back(rows[i].solveOn / rows[i].solveOff);
  return out;
}

void write(const std::string& dir, const std::vector<Row>& rows) {
  std::ofstream csv(dir + "/verify.csv"), md(dir + "/verify.md");
  csv << "problem,constraint,nt,available,bound,attained,sampled,gap,scale,tight,boxes,seconds,"
         "solve_off,solve_on,ratio,reason\n";
  md << "Solved by the exchange method, verify off and on; the bound U of each infinite constraint at the "
        "final point against the largest violation sampled on a dense grid of T refined by pattern search. "
        "Tight: U within 1e-9 of the scale (the size of the constraint's terms over T) or within ten times "
        "the sampled violation. Seconds: this constraint's search at the final point; off/on: the whole "
        "solve.\n\n"
     << "| problem | constraint | nt | bound U | attained | sampled max | scale | tight | boxes | seconds | "
        "solve off | solve on | on/off |\n"
     << "|---|---|---|---|---|---|---|---|---|---|---|---|---|\n";
  int tight = 0, below = 0;
  for (const Row& r : rows) {
    csv << csvLine(r);
    md << mdLine(r);
    tight += r.tight();
    below += r.available && r.gap() < 0;
  }
  const std::vector<double> q = ratios(rows);
  char line[512];
  snprintf(line, sizeof line,
           "\n%d constraints of %d problems: tight on %d (%.0f %%), below the sampled maximum on %d; "
           "solve time with verify / without: median %.2f, largest %.2f.\n",
           (int)rows.size(), (int)q.size(), tight, rows.empty() ? 0.0 : 100.0 * tight / rows.size(), below,
           median(q), q.empty() ? NAN : *std::max_element(q.begin(), q.end()));
  md << line;
  printf("%s", line);
}

}  // namespace

int main(int argc, char** argv) {
  std::string out = ".", set = "all";
  std::vector<std::string> only;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    if (key == "--out") out = argv[i + 1];
    if (key == "--set") set = argv[i + 1];
    if (key == "--problems") only = splitList(argv[i + 1]);
  }
  std::vector<LiteratureProblem> problems;
  if (set != "families") problems = literatureProblems();
  if (set != "literature")
    for (const LiteratureProblem& p : familyProblems()) problems.push_back(p);
  std::vector<Row> rows;
  for (const LiteratureProblem& p : problems) {
    if (!only.empty() && std::find(only.begin(), only.end(), p.name) == only.end()) continue;
    runProblem(p, rows);
    fprintf(stderr, "%s done\n", p.name.c_str());
  }
  write(out, rows);
  return 0;
}
