// Classic semi-infinite test problems from the literature, shared by the
// bundled examples, the end-to-end tests and the benchmark.
#pragma once

#include <string>
#include <vector>

#include "nl_writer.h"

struct LiteratureProblem {
  std::string name;       // stub name under examples/
  std::string source;     // where it was published
  double optimum;         // optimal objective value (published, or computed on fine grids)
  std::vector<double> x;  // optimal x (finite variables, AMPL order)
  nl::Model model;
};

std::vector<LiteratureProblem> literatureProblems();
const LiteratureProblem& literatureProblem(const std::string& name);
