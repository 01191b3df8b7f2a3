#include "ormid/ormid.h"

namespace ormid {

const char* statusWords(Status status) {
  const int code = statusCode(status);
  if (code < 0) return "no solution";
  if (code < 100) return "solved";
  if (code < 200) return "solved?";
  if (code < 300) return "infeasible";
  if (code < 400) return "unbounded";
  if (code < 500) return "limit";
  return "failure";
}

const char* version() { return ORMID_VERSION_STRING; }

}  // namespace ormid
