#include "run.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ampl_model.h"
#include "partition.h"
#include "sip.h"

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

  dispatch(p.nx, p.xu.data(), p.xl.data(), p.nt, p.tu.data(), p.tl.data(), p.mx,
           p.cxu.data(), p.cxl.data(), p.mt, p.ctu.data(), p.ctl.data(), x0.data(),
           haveGuess, sipEvaluate);

  std::vector<double> zeroT(p.nt, 0.0);
  scatterXT(x0.data(), zeroT.data(), full);
  amplWriteSol("End\n", full);
  printStatistics();
  releasePartition();
  amplFree();
  return 0;
}
