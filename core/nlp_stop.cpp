#include <cstdio>

#include "core/sip.h"

namespace ormid {

void nlpUnavailable(const SipContext& c) {
  c.print(PrintLevel::Summary, "\n\nNPSOL not available\nPlease read the user manual about it\n");
  c.print(PrintLevel::Summary, "Aborting....\n");
}

}  // namespace ormid
