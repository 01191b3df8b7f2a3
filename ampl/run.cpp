#include "ampl/run.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ampl/ampl_model.h"
#include "ampl/ampl_problem.h"
#include "ampl/interval_problem.h"
#include "ampl/program_options.h"
#include "ampl/partition.h"
#include "ampl/report.h"
#include "ampl/results_file.h"
#include "ampl/solve_result.h"
#include "ampl/sqp.h"
#include "core/run_clock.h"
#include "core/sip.h"

namespace ormid {

namespace {

void missingNameFiles() {
  printf("%s\n%s\n", "Semi-Infinite Programming interface needs .row and .col files.",
         "In order to provide .row and .col files, in your AMPL session say");
  const char* solver = getenv("solver");
  if (solver)
    printf("\toption %s_auxfiles rc;\n%s", solver, "before saying\n\tsolve;\nor\n");
  printf("\toption auxfiles rc;\nbefore saying\n\twrite ...\n");
}

// The counters in the program's %d format (saturated beyond int).
int shown(long long v) { return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : (int)v; }

void printStatistics(const Stats& s) {
  printf("Some statistics\n");
  printf("kelv_objval=%d\n", shown(s.objectiveValues));
  printf("kelv_objgrd=%d\n", shown(s.objectiveGradients));
  printf("kelv_conval=%d\n", shown(s.constraintValues));
  printf("kelv_jacval=%d\n", shown(s.jacobians));
  printf("kelv_pfval=%d\n", shown(s.penaltyValues));
  printf("kelv_gpfval=%d\n", shown(s.penaltyGradients));
  printf("kelv_conxval=%d\n", shown(s.finiteConstraintValues));
  printf("kelv_contval=%d\n", shown(s.infiniteConstraintValues));
  printf("kelv_conxgrd=%d\n", shown(s.finiteConstraintGradients));
  printf("kelv_contgrd=%d\n", shown(s.infiniteConstraintGradients));
  printf("nnlpc/nnlp=%f\n", (double)s.subproblemIterations / (double)(s.subproblems - 1));
  printf("nnlp=%d\n", shown(s.subproblems));
}

// One line: how the run ended, in the solution file and on standard output.
// With verify, the largest verified bound (or that one is missing).
std::string verifiedText(const Result& r) {
  if (r.verified.empty()) return "";
  double largest = -HUGE_VAL;
  for (const VerifiedBound& v : r.verified) {
    if (!v.available) return "; verified violation: not available";
    largest = std::max(largest, v.bound);
  }
  char text[64];
  snprintf(text, sizeof text, "; verified violation <= %.6g", largest);
  return text;
}

std::string endingLine(const ProgramOptions& o, const Result& r) {
  char line[1024];
  snprintf(line, sizeof line,
           "ormid %s: %s (%d), %s; objective %.10g; largest violation %.6g; stationarity %.3g%s",
           methodWord(o).c_str(), statusWords(r.status), statusCode(r.status), r.message.c_str(),
           r.objective, r.maxViolation, r.stationarity, verifiedText(r).c_str());
  return line;
}

void printPoint(const Point& q) {
  printf("(");
  for (size_t d = 0; d < q.t.size(); ++d) printf(d ? ", %.10g" : "%.10g", q.t[d]);
  printf(")");
}

// The certificate after the statistics: each infinite constraint's worst
// point, the active points with their multipliers, the residual and the
// objective gap.
void printCertificate(const Result& r) {
  if (std::isnan(r.stationarity)) return;
  for (const Point& q : r.worst) {
    printf("Largest violation of %s: %.3g at t = ", amplConName(sipPartition.ctIndex[q.constraint]),
           q.violation);
    printPoint(q);
    printf("\n");
  }
  printf("Active points: %d\n", (int)r.active.size());
  for (const Point& q : r.active) {
    printf("%s at t = ", amplConName(sipPartition.ctIndex[q.constraint]));
    printPoint(q);
    printf(": multiplier %.6g\n", q.multiplier);
  }
  printf("Stationarity residual: %.3g\n", r.stationarity);
  if (!std::isnan(r.objectiveGap)) printf("Objective gap: %.3g (relative)\n", r.objectiveGap);
  printf("Certificate: %ld evaluations, %.3f s\n", (long)r.certificateEvaluations, r.certificateSeconds);
  for (const VerifiedBound& v : r.verified) {
    const char* name = amplConName(sipPartition.ctIndex[v.constraint]);
    if (v.available)
      printf("Verified bound of %s: violation <= %.6g over T (%lld boxes, %.3f s)\n", name, v.bound,
             v.boxes, v.seconds);
    else
      printf("Verified bound of %s: not available (%s)\n", name, v.reason.c_str());
  }
}


}  // namespace

StubOpening openStub(const char* stub) {
  std::string fault;
  if (!amplRead(stub, false, &fault)) {
    if (!fault.empty()) fprintf(stderr, "%s\n", fault.c_str());
    printf("Can't read problem\n");
    return StubOpening::Unreadable;
  }
  if (!amplHasNameFiles(stub)) {
    missingNameFiles();
    return StubOpening::NoNameFiles;
  }
  return StubOpening::Read;
}

namespace {

// Writes the solution file for the method's point and prints the ending.
void finishRun(const ProgramOptions& o, const Result& result, double* full) {
  std::string line = endingLine(o, result);
  std::vector<double> zeroT(sipPartition.nt, 0.0);
  scatterXT(result.x.data(), zeroT.data(), full);
  amplWriteSol((line + "\n").c_str(), full, statusCode(result.status));
  printStatistics(result.stats);
  printCertificate(result);
  printf("%s\n", line.c_str());
}

// A run that read the stub but has no point to give still writes its .sol:
// the start it would have used (or AMPL's x0, or zeros) with a failure code
// and why.
void writeRefusal(const ProgramOptions& o, Status status, const std::string& why, double* full) {
  char line[1024];
  snprintf(line, sizeof line, "ormid %s: %s (%d), %s\n", methodWord(o).c_str(),
           statusWords(status), solveResultCode(status), why.c_str());
  amplWriteSol(line, full, solveResultCode(status), true);
}

void refuseRun(const ProgramOptions& o, const Result& result, double* full) {
  if ((int)result.x.size() == sipPartition.nx) {
    std::vector<double> zeroT(sipPartition.nt, 0.0);
    scatterXT(result.x.data(), zeroT.data(), full);
  }
  writeRefusal(o, result.status, result.message.empty() ? "no point" : result.message, full);
}

}  // namespace

void printUsage(const char* program) { printf("Usage: %s stub -AMPL\n", program); }

bool startProgram(int argc, char** argv) {
  if (argc < 2) {
    printUsage(argv[0]);
    return false;
  }
  amplAlloc();
  return true;
}

int ormidRun(int argc, char** argv) {
  if (!startProgram(argc, argv)) return 1;
  ProgramOptions options;
  options.library.printLevel = PrintLevel::Details;
  char* stub = amplGetStops(argv, options);
  if (!stub) {
    printUsage(argv[0]);
    return 1;
  }
  switch (openStub(stub)) {
    case StubOpening::Read: break;
    case StubOpening::Unreadable: amplFree(); return 1;
    case StubOpening::NoNameFiles:
      writeRefusal(options, Status::InvalidInput, "the model has no .row and .col files",
                   amplX0() ? amplX0() : amplFreshX0());
      amplFree();
      return 1;
  }
  buildPartition();

  std::vector<double> x0;
  const bool haveGuess = amplStartingPoint(x0);
  double* full = haveGuess ? amplX0() : amplFreshX0();

  const double start = monotonicSeconds();
  Problem problem = amplProblem(haveGuess ? x0.data() : nullptr);
  if (options.library.verify) attachIntervalModel(problem, stub);
  Result result = options.sqp ? sqpStop(problem, options.library) : ormid::solve(problem, options.library);
  if (result.status == Status::InvalidInput) printf("Invalid input: %s\n", result.message.c_str());
  appendSummaryRow(result.summary);
  if (result.hasPoint())
    finishRun(options, result, full);
  else
    refuseRun(options, result, full);
  if (result.hasPoint() && !options.report.empty())
    writeReport(options, stub, problem, result, monotonicSeconds() - start);
  releaseIntervalModel();
  releasePartition();
  amplFree();
  return result.hasPoint() ? 0 : 1;
}

}  // namespace ormid
