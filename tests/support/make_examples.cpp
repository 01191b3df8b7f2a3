// Writes the bundled examples' .nl, .row and .col files into a directory
// (by default the source tree's examples/); with a second argument
// `families`, the benchmark's families with verified optima instead.
#include <cstdio>
#include <string>

#include "harness.h"
#include "families.h"
#include "literature.h"

int main(int argc, char** argv) {
  std::string dir = argc > 1 ? argv[1] : sourceDir() + "/examples";
  const bool families = argc > 2 && std::string(argv[2]) == "families";
  for (const LiteratureProblem& p : families ? familyProblems() : literatureProblems()) {
    p.model.write(dir + "/" + p.name);
    printf("%s/%s\n", dir.c_str(), p.name.c_str());
  }
  return 0;
}
