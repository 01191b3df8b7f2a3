// MUMPS, the linear solver of Debian's Ipopt, keeps process-wide state in
// Fortran modules (the load balancer's arrays of DMUMPS_LOAD, set up and
// freed by every factorisation; the buffers of DMUMPS_BUF; the analysis's
// mapping and the out-of-core modules; the table of instances): two of its
// calls at once in two threads corrupt it (a second factorisation finds the
// first one's arrays allocated, or freed: "Attempt to DEALLOCATE unallocated
// 'load_flops'"). Ipopt enters MUMPS through dmumps_c alone, which this
// library defines over MUMPS's own (mumps_lock.cpp): every call holds one
// process-wide lock, and the rest of an Ipopt solve (evaluations, its own
// linear algebra) runs in parallel with other solves.
#pragma once

#include <mutex>

namespace ormid {

// To be held across a whole Ipopt solve: the process-wide lock until some
// call of Ipopt into MUMPS has been seen to pass through the lock of
// dmumps_c (where another dmumps_c is found first, such as a program
// defining its own, they would not), no lock from then on.
std::unique_lock<std::mutex> ipoptSolveLock();

}  // namespace ormid
