// A scratch directory where a test writes one model as p.nl, p.row, p.col
// and runs ormid on it.
#pragma once

#include <string>
#include <vector>

#include "harness.h"
#include "nl_writer.h"
#include "solution.h"

struct ModelRun {
  TempDir dir;
  RunResult ormid(const nl::Model& m, const std::string& options) {
    m.write(dir.file("p"));
    return runIn(dir.path(), ormidPath() + " p -AMPL " + options);
  }
  // The primal values of the .sol the last run wrote.
  std::vector<double> sol(const nl::Model& m) {
    return solPrimals(readFile(dir.file("p.sol")), (int)m.vars.size());
  }
};
