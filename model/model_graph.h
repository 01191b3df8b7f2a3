// What stands behind an ormid::Model: one hash-consed graph holding every
// expression of the model, its variables (finite or coordinates of T) with
// bounds, starts and names, its objective and constraints; and its
// translation into the library's form, each function's graph alone, over
// the (x, t) numbering.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "model/model_problem.h"
#include "verify/expression.h"

namespace ormid {

struct ModelVariable {
  bool infinite = false;
  double lower = -HUGE_VAL, upper = HUGE_VAL, start = 0.0;
  std::string name;
  int position = 0;  // among the finite (infinite) variables
};

struct ModelFunction {
  int root = -1;
  double lower = -HUGE_VAL, upper = HUGE_VAL;
  std::string name;
  bool infinite = false;
};

class ModelGraph {
 public:
  Expression pool;  // every node of the model; its variable numbers index `variables`
  std::vector<ModelVariable> variables;
  std::vector<ModelFunction> constraints;
  ModelFunction objective;  // root -1: none
  int sense = 1;
  int nx = 0, nt = 0;

  int addVariable(bool infinite, double lower, double upper, double start, const std::string& name);
  // Nodes made through these know whether they reach an infinite variable.
  int constant(double v);
  int make(Op op, std::vector<int> args);
  bool dependsOnT(int node) const { return node >= 0 && tDependent_[node]; }
  // The graph of the node alone, variables renumbered to (x, t).
  Expression functionGraph(int root) const;
  // The library's form of the model; empty `why` where it can be solved.
  GraphModel graphModel() const;
  std::string check() const;

  // Names as the .row/.col files give them: unique, and beginning with t
  // exactly for the infinite ones.
  std::string variableName(int v) const;
  std::string constraintName(int k) const;
  std::string objectiveName() const;

 private:
  std::vector<char> tDependent_;  // by pool node
  void grow(int node, bool dependsOnT);
};

}  // namespace ormid
