// The BLAS this build links, Debian's serial OpenBLAS (libopenblas0-serial
// 0.3.21), is not safe to call from two threads at once: dgemv, dgemm,
// dtrsm and dsyrk called concurrently on separate data return wrong
// results now and then (about one call in 10^4 in a stress test, wrong by
// the size of the entries themselves; docs/library.md). The library calls
// BLAS in three places, each of which holds this process-wide lock: the
// design matrices' products, Clp's simplex (its dense LU is LAPACK's) and
// Ipopt's subproblems (Ipopt and MUMPS call BLAS all through a solve;
// MUMPS also keeps process-wide state of its own).
#pragma once

#include <mutex>

namespace ormid {

std::mutex& blasLock();

}  // namespace ormid
