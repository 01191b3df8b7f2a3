#include "run.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <cmath>
#include <string>

#include "ampl_model.h"
#include "partition.h"
#include "sip.h"
#include "violation.h"

namespace {

void missingNameFiles() {
  printf("%s\n%s\n", "Semi-Infinite Programming interface needs .row and .col files.",
         "In order to provide .row and .col files, in your AMPL session say");
  const char* solver = getenv("solver");
  if (solver)
    printf("\toption %s_auxfiles rc;\n%s", solver, "before saying\n\tsolve;\nor\n");
  printf("\toption auxfiles rc;\nbefore saying\n\twrite ...\n");
}

void printStatistics() {
  const SipStats& s = sipStats;
  printf("Some statistics\n");
  printf("kelv_objval=%d\n", s.objval);
  printf("kelv_objgrd=%d\n", s.objgrd);
  printf("kelv_conval=%d\n", s.conval);
  printf("kelv_jacval=%d\n", s.jacval);
  printf("kelv_pfval=%d\n", s.pfval);
  printf("kelv_gpfval=%d\n", s.gpfval);
  printf("kelv_conxval=%d\n", s.conxval);
  printf("kelv_contval=%d\n", s.contval);
  printf("kelv_conxgrd=%d\n", s.conxgrd);
  printf("kelv_contgrd=%d\n", s.contgrd);
  printf("nnlpc/nnlp=%f\n", (double)s.nnlpc / (double)(s.nnlp - 1));
  printf("nnlp=%d\n", s.nnlp);
}

// The driver's own evaluations (the start check, the final scan) are not the
// method's work: the printed counters leave them out.
class UncountedEvaluations {
 public:
  UncountedEvaluations() : saved_(sipStats) {}
  ~UncountedEvaluations() { sipStats = saved_; }

 private:
  SipStats saved_;
};

bool evaluates(int code, int k, const double* x, int n) {
  std::vector<double> grad(n > 0 ? n : 1);
  int error = 0;
  sipEvaluate(code, k, x, nullptr, grad.data(), nullptr, nullptr, &error);
  return error == 0;
}

// The objective and the finite constraints, values and gradients, at the
// starting point; an empty string when all evaluate, else the failing one.
std::string failingAtStart(const double* x) {
  UncountedEvaluations uncounted;
  const SipPartition& p = sipPartition;
  if (!evaluates(REQ_OBJVAL, 0, x, p.nx) || !evaluates(REQ_OBJGRD, 0, x, p.nx))
    return std::string("objective ") + amplObjectiveName();
  for (int k = 0; k < p.mx; ++k)
    if (!evaluates(REQ_CONXVAL, k, x, p.nx) || !evaluates(REQ_CONXGRD, k, x, p.nx))
      return std::string("constraint ") + amplConName(p.cxIndex[k]);
  return "";
}

const char* methodWord(int method) {
  switch (method) {
    case METHOD_DISC_HETT: return "disc_hett";
    case METHOD_DISC_HALT: return "disc_halt";
    case METHOD_DISC_REEM: return "disc_reem";
    case METHOD_PENALTY: return "penalty";
    case METHOD_PENALTY_M: return "penalty_m";
    case METHOD_SQP: return "sqp";
    case METHOD_INTP: return "intp";
    default: return "unknown";
  }
}

// A method's "solved" stands only when the point holds the constraints to
// 1e-6 (relative to the bound); slightly beyond is uncertain, far beyond
// is an infeasible point.
const double FEASIBILITY_TOLERANCE = 1e-6;
const double UNCERTAIN_TOLERANCE = 1e-3;

void judge(SipResult& r, const Violation& v, double objective) {
  if (r.status != STATUS_SOLVED) return;
  if (!std::isfinite(objective)) {
    r = sipResult(STATUS_BREAKDOWN, "the objective is not finite at the final point", r.iterations);
  } else if (v.scaled > UNCERTAIN_TOLERANCE) {
    r = sipResult(STATUS_INFEASIBLE, "the method stopped at a point that violates the constraints",
                  r.iterations);
  } else if (v.scaled > FEASIBILITY_TOLERANCE) {
    r = sipResult(STATUS_UNCERTAIN, "stop test met; constraints violated beyond 1e-6", r.iterations);
  }
}

// One line: how the run ended, in the solution file and on standard output.
std::string endingLine(const SipResult& r, double objective, const Violation& v) {
  char line[512];
  snprintf(line, sizeof line, "ormid %s: %s (%d), %s; objective %.10g; largest violation %.3g",
           methodWord(sipOptions.method), statusWords(r.status), r.status, r.message.c_str(),
           objective, v.absolute);
  return line;
}

// Only the first variable's initial value decides whether there is a guess.
bool haveInitialGuess() {
  const char* have = amplHaveX0();
  return amplX0() != nullptr && (have == nullptr || have[0] != 0);
}

}  // namespace

void openStubOrExit(const char* stub) {
  if (!amplRead(stub)) {
    printf("Can't read problem\n");
    exit(1);
  }
  if (!amplHasNameFiles(stub)) {
    missingNameFiles();
    exit(1);
  }
}

namespace {

// Writes the solution file for the method's point and prints the ending.
void finishRun(SipResult result, const double* x, double* full) {
  double objective;
  Violation v;
  {
    UncountedEvaluations uncounted;
    objective = modelObjective(sipEvaluate(REQ_OBJVAL, 0, x, nullptr, nullptr, nullptr, nullptr, nullptr));
    v = largestViolation(sipProblem, x);
  }
  judge(result, v, objective);
  std::string line = endingLine(result, objective, v);
  std::vector<double> zeroT(sipPartition.nt, 0.0);
  scatterXT(x, zeroT.data(), full);
  amplWriteSol((line + "\n").c_str(), full, result.status);
  printStatistics();
  printf("%s\n", line.c_str());
}

}  // namespace

int ormidRun(int argc, char** argv) {
  if (argc < 2) {
    printf("Usage: %s stub -AMPL\n", argv[0]);
    return 1;
  }
  amplAlloc();
  setOptionDefaults();
  char* stub = amplGetStops(argv);
  if (!stub) {
    printf("Usage: %s stub -AMPL\n", argv[0]);
    return 1;
  }
  openStubOrExit(stub);
  buildPartition();
  zeroStatistics();

  const SipPartition& p = sipPartition;
  std::vector<double> x0(p.nx, 0.0);
  double* full = amplX0();
  int haveGuess = haveInitialGuess() ? 1 : 0;
  if (haveGuess)
    gatherX(full, x0.data());
  else
    full = amplFreshX0();

  SipResult result = dispatch(p.nx, p.xu.data(), p.xl.data(), p.nt, p.tu.data(), p.tl.data(),
                              p.mx, p.cxu.data(), p.cxl.data(), p.mt, p.ctu.data(), p.ctl.data(),
                              x0.data(), haveGuess, sipEvaluate, amplObjectiveSense(),
                              failingAtStart);
  if (result.hasPoint()) finishRun(result, x0.data(), full);
  releasePartition();
  amplFree();
  return result.hasPoint() ? 0 : 1;
}
