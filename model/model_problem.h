// A problem stated as expression graphs (objective, finite and infinite
// constraints over (x, t)) as the library's Problem: the evaluator answers
// every request from the graphs, with exact derivatives and Hessians, the
// dependency and Hessian patterns read off the graphs (a constraint linear
// in x adds nothing to the Hessian pattern), values over many points of T
// at once and interval enclosures over boxes of T for verify.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/graph_function.h"
#include "ormid/problem.h"

namespace ormid {

struct GraphModel {
  int nx = 0, nt = 0;
  std::vector<double> x0, xl, xu, tl, tu;
  bool hasObjective = false;
  Expression objective;  // over (x, t) numbering: x_i is i, t_d is nx + d
  std::vector<Expression> finite, infinite;
  std::vector<double> cxl, cxu, ctl, ctu;
  int sense = 1;
  std::string objectiveName = "objective";
  std::vector<std::string> finiteNames, infiniteNames;
};

// Owns the compiled functions the Problem's evaluator points at; the
// Problem is valid while this lives.
class GraphProblem {
 public:
  explicit GraphProblem(GraphModel model);
  const Problem& problem() const { return problem_; }

  // For the evaluator callbacks.
  double evaluate(Request code, int n, const double* x, const double* t, double* out1, double* out2,
                  double* out3);
  bool batch(int n, int count, const double* x, const double* t, double* values);
  bool enclose(int n, const double* x, const double* tLower, const double* tUpper, double* lower, double* upper);

 private:
  GraphModel m_;
  GraphFunction objective_;
  std::vector<GraphFunction> finite_, infinite_;
  Problem problem_;

  GraphFunction* finite(int n) { return n >= 0 && n < (int)finite_.size() ? &finite_[n] : nullptr; }
  GraphFunction* infinite(int n) { return n >= 0 && n < (int)infinite_.size() ? &infinite_[n] : nullptr; }
  // The objective's and the constraints' second derivatives in x (objective
  // false: the constraints' alone).
  void hessianPattern(double* flags, bool objective) const;
  void dependencies(const GraphFunction* f, double* flags) const;
};

}  // namespace ormid
