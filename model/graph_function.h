// One function of a model as a compiled expression graph over (x, t):
// variable v < nx is x_v, variable nx + d is t_d. Values by one forward
// sweep; gradients by reverse mode (one sweep back, whatever the number of
// variables); Hessian columns by forward-over-reverse, one tangent sweep
// per column asked for; values at many points of T with the nodes free of
// t evaluated once. The structure comes from the graph: the x it depends
// on and the pairs (x_i, x_k) that may have a second derivative, none for a
// function linear in x.
//
// A. Griewank, A. Walther, "Evaluating Derivatives", 2nd ed., SIAM, 2008,
// ch. 3 (reverse mode) and sec. 5.4 (second-order adjoints).
#pragma once

#include <utility>
#include <vector>

#include "model/local_derivatives.h"
#include "verify/expression.h"

namespace ormid {

class GraphFunction {
 public:
  GraphFunction() = default;
  // g holds only the nodes its root needs, arguments first.
  GraphFunction(Expression g, int nx, int nt);

  // Each returns the value (NaN where it cannot be evaluated); t may be
  // null where the function does not depend on t.
  double value(const double* x, const double* t);
  // grad: nx entries, and nt more when gradT is not null.
  double gradient(const double* x, const double* t, double* gradX, double* gradT);
  // The Hessian's blocks: xx (nx x nx), and where not null tt (nt x nt)
  // and xt (nx x nt, row i column d at i * nt + d).
  double hessian(const double* x, const double* t, double* xx, double* tt, double* xt);
  // Values at count points of T (count * nt values); false where one is NaN.
  bool values(const double* x, int count, const double* t, double* out);

  const Expression& graph() const { return g_; }
  const std::vector<int>& xDependencies() const { return xDeps_; }
  // Pairs i <= k of x with a possible second derivative.
  const std::vector<std::pair<int, int>>& xHessianPairs() const { return xPairs_; }
  bool linearInX() const { return xPairs_.empty(); }

 private:
  Expression g_;
  int nx_ = 0, nt_ = 0;
  std::vector<int> xDeps_;
  std::vector<std::pair<int, int>> xPairs_;
  std::vector<char> dependsOnT_;
  std::vector<char> constantNode_;
  std::vector<int> tNodes_;  // the nodes that depend on t, in order
  // Scratch of the sweeps.
  std::vector<double> val_, adj_, dot_, adjDot_, args_;
  std::vector<LocalPartials> local_;
  std::vector<int> chosen_;

  void analyse();
  double variableValue(int v, const double* x, const double* t) const;
  void evaluateNode(int i, const double* x, const double* t);
  void naryNode(int i);
  double forward(const double* x, const double* t);
  void partials();
  void reverse();
  void hessianColumn(int direction);
  template <class Visit>
  void forEachPartial(int i, Visit visit) const;
};

}  // namespace ormid
