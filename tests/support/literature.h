// Classic semi-infinite test problems with one infinite variable, shared by
// the bundled examples and the end-to-end tests.
#pragma once

#include <string>
#include <vector>

#include "nl_writer.h"

struct LiteratureProblem {
  std::string name;       // stub name under examples/
  std::string source;     // where it was published
  double optimum;         // optimal objective value
  std::vector<double> x;  // optimal x (finite variables, AMPL order)
  nl::Model model;
};

std::vector<LiteratureProblem> literatureProblems();
const LiteratureProblem& literatureProblem(const std::string& name);
