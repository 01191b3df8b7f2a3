#include "ormid/ormid.h"

const char* statusWords(int status) {
  if (status < 0) return "no solution";
  if (status < 100) return "solved";
  if (status < 200) return "solved?";
  if (status < 300) return "infeasible";
  if (status < 400) return "unbounded";
  if (status < 500) return "limit";
  return "failure";
}
