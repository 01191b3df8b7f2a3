#include <cstdio>

#include "sip.h"

void nlpUnavailable() {
  printf("\n\nNPSOL not available\nPlease read the user manual about it\n");
  printf("Aborting....\n");
  fflush(stdout);
}
