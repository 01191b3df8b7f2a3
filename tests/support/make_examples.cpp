// Writes the bundled examples' .nl, .row and .col files into a directory
// (by default the source tree's examples/).
#include <cstdio>
#include <string>

#include "harness.h"
#include "literature.h"

int main(int argc, char** argv) {
  std::string dir = argc > 1 ? argv[1] : sourceDir() + "/examples";
  for (const LiteratureProblem& p : literatureProblems()) {
    p.model.write(dir + "/" + p.name);
    printf("%s/%s\n", dir.c_str(), p.name.c_str());
  }
  return 0;
}
