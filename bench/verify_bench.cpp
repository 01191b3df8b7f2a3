// The cost and tightness of verify=1 on the bundled examples: each stub is
// solved by the exchange method with verify, and each infinite constraint's
// verified bound U is set against the largest violation found by sampling
// T densely at the final point (a grid, then a pattern search from its best
// points): U must not lie below it (that would be a bug), and counts as
// tight when U - sampled <= 1e-6 max(1, |bound|). Writes verify.csv and
// verify.md.
//
// verify_bench [--out DIR]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ampl/ampl_model.h"
#include "ampl/ampl_problem.h"
#include "ampl/interval_problem.h"
#include "ampl/partition.h"
#include "harness.h"
#include "ormid/ormid.h"

using namespace ormid;

namespace {

struct Row {
  std::string problem, constraint;
  int nt;
  bool available;
  double bound, sampled, seconds;
  long boxes;
  double scale;
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

// About a million grid points, then the best 8 refined.
double sampledMaximum(const Problem& p, int j, const double* x) {
  const int perSide = p.nt == 1 ? 1000000 : p.nt == 2 ? 1000 : 100;
  std::vector<std::pair<double, std::vector<double>>> best;
  std::vector<int> index(p.nt, 0);
  std::vector<double> t(p.nt);
  while (true) {
    for (int d = 0; d < p.nt; ++d) t[d] = p.tl[d] + (p.tu[d] - p.tl[d]) * index[d] / perSide;
    best.push_back({violation(p, j, x, t), t});
    if (best.size() > 64) {
      std::partial_sort(best.begin(), best.begin() + 8, best.end(),
                        [](const auto& a, const auto& b) { return a.first > b.first; });
      best.resize(8);
    }
    int d = 0;
    while (d < p.nt && ++index[d] > perSide) index[d++] = 0;
    if (d == p.nt) break;
  }
  double top = -HUGE_VAL;
  for (const auto& b : best) top = std::max(top, refine(p, j, x, b.second, 1.0 / perSide));
  return top;
}

double boundScale(const Problem& p, int j) {
  const double lower = isMinusInfinity(p.ctl[j]) ? 0.0 : std::fabs(p.ctl[j]);
  const double upper = isPlusInfinity(p.ctu[j]) ? 0.0 : std::fabs(p.ctu[j]);
  return std::max(1.0, std::max(lower, upper));
}

void runStub(const std::string& name, std::vector<Row>& rows) {
  const std::string stub = sourceDir() + "/examples/" + name;
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
  o.verify = true;
  o.print_level = PrintLevel::Silent;
  const Result r = solve(p, o);
  for (const VerifiedBound& v : r.verified) {
    const int j = v.constraint;
    rows.push_back({name, p.infiniteNames[j], p.nt, v.available, v.bound,
                    sampledMaximum(p, j, r.x.data()), v.seconds, (long)v.boxes, boundScale(p, j)});
  }
  releaseIntervalModel();
  releasePartition();
  amplFree();
}

double median(std::vector<double> v) {
  if (v.empty()) return NAN;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : 0.5 * (v[v.size() / 2 - 1] + v[v.size() / 2]);
}

void write(const std::string& dir, const std::vector<Row>& rows) {
  std::ofstream csv(dir + "/verify.csv"), md(dir + "/verify.md");
  csv << "problem,constraint,nt,available,bound,sampled,gap,tight,boxes,seconds\n";
  md << "| problem | constraint | nt | bound U | sampled max | U - sampled | tight | boxes | seconds |\n"
     << "|---|---|---|---|---|---|---|---|---|\n";
  std::vector<double> seconds;
  int tight = 0;
  char line[512];
  for (const Row& r : rows) {
    const double gap = r.bound - r.sampled;
    const bool isTight = r.available && gap >= 0 && gap <= 1e-6 * r.scale;
    tight += isTight;
    seconds.push_back(r.seconds);
    snprintf(line, sizeof line, "%s,%s,%d,%d,%.10g,%.10g,%.3g,%d,%ld,%.4f\n", r.problem.c_str(),
             r.constraint.c_str(), r.nt, (int)r.available, r.bound, r.sampled, gap, (int)isTight, r.boxes,
             r.seconds);
    csv << line;
    char bound[32] = "n/a";
    if (r.available) snprintf(bound, sizeof bound, "%.6e", r.bound);
    snprintf(line, sizeof line, "| %s | %s | %d | %s | %.6e | %.2e | %s | %ld | %.4f |\n", r.problem.c_str(),
             r.constraint.c_str(), r.nt, bound, r.sampled, gap, isTight ? "yes" : gap < 0 ? "BELOW" : "no",
             r.boxes, r.seconds);
    md << line;
  }
  snprintf(line, sizeof line, "\n%d constraints: median %.4f s, largest %.4f s; tight on %d (%.0f %%).\n",
           (int)rows.size(), median(seconds), seconds.empty() ? NAN : *std::max_element(seconds.begin(), seconds.end()),
           tight, rows.empty() ? 0.0 : 100.0 * tight / rows.size());
  md << line;
  printf("%s", line);
}

}  // namespace

int main(int argc, char** argv) {
  std::string out = ".";
  for (int i = 1; i + 1 < argc; i += 2)
    if (std::string(argv[i]) == "--out") out = argv[i + 1];
  std::vector<std::string> names;
  for (const auto& f : std::filesystem::directory_iterator(sourceDir() + "/examples"))
    if (f.path().extension() == ".nl") names.push_back(f.path().stem().string());
  std::sort(names.begin(), names.end());
  std::vector<Row> rows;
  for (const std::string& name : names) {
    runStub(name, rows);
    fprintf(stderr, "%s done\n", name.c_str());
  }
  write(out, rows);
  return 0;
}
