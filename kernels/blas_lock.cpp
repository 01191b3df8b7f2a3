#include "kernels/blas_lock.h"

namespace ormid {

// A function-local static: the state it guards is the process's.
std::mutex& blasLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace ormid
