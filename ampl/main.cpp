#include <malloc.h>

#include "ampl/run.h"

int main(int argc, char** argv) {
  // The subproblem solver's sparse factorisation allocates its frontal
  // matrices afresh at every iteration; blocks of tens of megabytes would
  // each time be mapped, faulted in page by page and unmapped again (a
  // fifth of a large exchange run). Freed memory stays with the process
  // for reuse instead.
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  return ormid::ormidRun(argc, argv);
}
