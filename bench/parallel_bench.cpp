// Two solves in two threads against the same two one after the other, on
// problems stated as ormid::Model formulas: the lattice programs
// (tests/support/lattice_families.h) by the exchange method, whose scans and
// climbs of T are most of the run, and minimax approximations
// (tests/support/families.h) by disc_reem with Ipopt on its grids, where
// Ipopt's subproblems (one at a time in a process: kernels/blas_lock.h)
// are most of it. Each round
// times the pair in series and in two threads, in alternating order so that
// drift in the machine's load falls on both; the medians over the rounds,
// their ratio, the cores each phase had (the process's CPU time over its
// wall time: one in series and two in threads on a machine to itself) and
// whether every threaded answer is bit for bit the serial one are printed
// as a table; each round's figures go to standard error.
//
// parallel_bench [--rounds N] [--pairs a+b,c+d,...]
//   (a member: lattice4_m2, ... for the exchange method, minimax_n8, ... for disc_reem)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "families.h"
#include "harness.h"
#include "lattice_families.h"
#include "ormid/model.h"
#include "ormid/ormid.h"

namespace {

// min z subject to |f(t) - sum_k x_k phi_k(t)| <= z over [0, pi]^d.
ormid::Model minimaxModel(const MinimaxApproximation& f) {
  ormid::Model m;
  std::vector<ormid::Expr> x = m.variables(f.terms());
  ormid::Expr z = m.variable(-HUGE_VAL, HUGE_VAL, 1.1 * f.targetMax());
  std::vector<ormid::Expr> t =
      m.infiniteVariables(std::vector<std::pair<double, double>>(f.dim, {0.0, FAMILY_T_UPPER}));
  ormid::Expr denominator = f.a, product = f.v;
  for (int i = 0; i < f.dim; ++i) {
    denominator -= f.weights[i] * ormid::cos(t[i]);
    product *= ormid::cos(t[i]);
  }
  std::vector<ormid::Expr> terms;
  for (int k = 0; k < f.terms(); ++k) {
    ormid::Expr term = x[k];
    for (int i = 0; i < f.dim; ++i)
      if (f.frequencies[k][i]) term = term * ormid::cos(f.frequencies[k][i] * t[i]);
    terms.push_back(term);
  }
  const ormid::Expr error = f.c / (denominator - product) - ormid::sum(terms);
  m.minimize(z);
  m.subjectTo(error - z <= 0);
  m.subjectTo(-error - z <= 0);
  return m;
}

struct Member {
  ormid::Model model;
  ormid::Method method;
};

Member member(const std::string& name) {
  if (name.rfind("lattice", 0) == 0) return {latticeFormulas(latticeFamilyMember(name)), ormid::Method::Exchange};
  return {minimaxModel(minimaxApproximation(name)), ormid::Method::EpsilonActiveDiscretization};
}

double seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Job {
  const ormid::Model* model;
  ormid::Options options;
  ormid::Result result;
  void run() { result = model->solve(options); }
};

double processSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + 1e-9 * t.tv_nsec;
}

// The wall time; *cores receives the CPU time over it (below one in series,
// or two in threads, where other processes took a share of the machine).
double serial(std::vector<Job>& jobs, double* cores) {
  const double start = seconds(), cpu = processSeconds();
  for (Job& j : jobs) j.run();
  const double wall = seconds() - start;
  *cores = (processSeconds() - cpu) / wall;
  return wall;
}

double threaded(std::vector<Job>& jobs, double* cores) {
  const double start = seconds(), cpu = processSeconds();
  std::vector<std::thread> threads;
  for (Job& j : jobs) threads.emplace_back([&j] { j.run(); });
  for (std::thread& t : threads) t.join();
  const double wall = seconds() - start;
  *cores = (processSeconds() - cpu) / wall;
  return wall;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

bool sameAnswers(const std::vector<Job>& a, const std::vector<Job>& b) {
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].result.status != b[i].result.status || a[i].result.x != b[i].result.x ||
        a[i].result.stats.subproblems != b[i].result.stats.subproblems)
      return false;
  return true;
}

struct Row {
  std::string pair, statuses;
  double serial = 0, threaded = 0, serialCores = 0, threadedCores = 0;
  bool same = true;
};

Row measure(const std::string& pair, int rounds) {
  std::vector<Member> members;
  for (const std::string& name : {pair.substr(0, pair.find('+')), pair.substr(pair.find('+') + 1)})
    members.push_back(member(name));
  std::vector<Job> one, two;
  for (const Member& m : members) {
    ormid::Options o;
    o.method = m.method;
    o.nlpSolver = ormid::SubproblemNlp::Ipopt;
    o.verify = false;  // its search runs for a share of the solve's own time
    one.push_back(Job{&m.model, o, {}});
    two.push_back(Job{&m.model, o, {}});
  }
  Row row;
  row.pair = pair;
  std::vector<double> inSeries(rounds), inThreads(rounds), serialCores(rounds), threadedCores(rounds);
  for (int r = 0; r < rounds; ++r) {
    if (r % 2) {
      inThreads[r] = threaded(two, &threadedCores[r]);
      inSeries[r] = serial(one, &serialCores[r]);
    } else {
      inSeries[r] = serial(one, &serialCores[r]);
      inThreads[r] = threaded(two, &threadedCores[r]);
    }
    row.same = row.same && sameAnswers(one, two);
    fprintf(stderr, "%s round %d: in series %.3f s (%.2f cores), in threads %.3f s (%.2f cores)\n", pair.c_str(), r,
            inSeries[r], serialCores[r], inThreads[r], threadedCores[r]);
  }
  for (const Job& j : one)
    row.statuses += (row.statuses.empty() ? "" : "+") + std::to_string(ormid::statusCode(j.result.status));
  row.serial = median(inSeries);
  row.threaded = median(inThreads);
  row.serialCores = median(serialCores);
  row.threadedCores = median(threadedCores);
  return row;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 9;
  std::string pairs = "lattice4_m2+lattice4_m2,lattice4_m2+lattice5_m2,lattice5_m2+lattice5_m2";
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!strcmp(argv[i], "--rounds")) rounds = std::max(1, atoi(argv[i + 1]));
    else if (!strcmp(argv[i], "--pairs")) pairs = argv[i + 1];
  }
  printf("%u hardware threads, %d rounds, medians\n\n", std::thread::hardware_concurrency(), rounds);
  printf("| pair | status | in series (s) | in two threads (s) | ratio | cores used in series | in threads | same answers |\n");
  printf("|---|---|---|---|---|---|---|---|\n");
  for (const std::string& pair : splitList(pairs)) {
    const Row r = measure(pair, rounds);
    printf("| %s | %s | %.3f | %.3f | %.2f | %.2f | %.2f | %s |\n", r.pair.c_str(), r.statuses.c_str(), r.serial,
           r.threaded, r.threaded / r.serial, r.serialCores, r.threadedCores, r.same ? "yes" : "no");
    fflush(stdout);
  }
  return 0;
}
