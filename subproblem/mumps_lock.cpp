#include "subproblem/mumps_lock.h"

#include <dlfcn.h>

#include <atomic>

#include "dmumps_c.h"

namespace ormid {

namespace {

// Function-local statics: the state is the process's, as MUMPS's is.
std::mutex& mumpsCallLock() {
  static std::mutex lock;
  return lock;
}

std::atomic<bool>& callsPassTheLock() {
  static std::atomic<bool> seen(false);
  return seen;
}

typedef void (*MumpsEntry)(DMUMPS_STRUC_C*);

// MUMPS's own dmumps_c: the next definition after this one.
MumpsEntry mumpsEntry() {
  static const MumpsEntry entry = reinterpret_cast<MumpsEntry>(dlsym(RTLD_NEXT, "dmumps_c"));
  return entry;
}

// INFO(1) and INFOG(1) below zero: MUMPS's way of failing a call, which
// Ipopt reports as an error in its step computation.
const int NO_MUMPS = -999;

}  // namespace

std::unique_lock<std::mutex> ipoptSolveLock() {
  static std::mutex wholeSolve;
  if (callsPassTheLock().load()) return std::unique_lock<std::mutex>();
  return std::unique_lock<std::mutex>(wholeSolve);
}

}  // namespace ormid

// Exported (default visibility; cmake/ormid.map) so that the dynamic linker
// binds Ipopt's calls here before MUMPS's library.
extern "C" __attribute__((visibility("default"))) void dmumps_c(DMUMPS_STRUC_C* id) {
  using namespace ormid;
  const MumpsEntry entry = mumpsEntry();
  if (!entry) {
    id->info[0] = id->infog[0] = NO_MUMPS;
    return;
  }
  std::lock_guard<std::mutex> lock(mumpsCallLock());
  callsPassTheLock().store(true);
  entry(id);
}
