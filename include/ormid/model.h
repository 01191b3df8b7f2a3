// A problem written as formulas: variables, infinite variables over the box
// T, and expressions built from them with the usual operators and
// functions. The library compiles the expressions into graphs: derivatives
// and Hessians are exact (reverse mode), the scans of T evaluate many points
// at once, and verify bounds the infinite constraints over T by interval
// arithmetic on the same graphs.
//
//   ormid::Model m;
//   ormid::Expr x1 = m.variable(), x2 = m.variable();
//   ormid::Expr t = m.infiniteVariable(0, 1);
//   m.minimize(x2);
//   m.subjectTo(t * t - x1 * t - x2 <= 0);   // infinite: t appears
//   m.subjectTo(x1 - t * t - x2 <= 0);
//   ormid::Result r = m.solve(options);      // r.x: the variables in order
//   m.writeNl("stub");                       // stub.nl, .row, .col for `ormid`
//
// Expressions of one model share one graph; equal subexpressions are one
// node. A model and its expressions may be copied; the copies share the graph.
#pragma once

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ormid/export.h"
#include "ormid/options.h"
#include "ormid/ormid.h"
#include "ormid/result.h"

namespace ormid {

class ModelGraph;

// A number, a variable or a formula of a model's variables.
class ORMID_API Expr {
 public:
  Expr(double value = 0.0);  // a constant, of no model until combined
  Expr(std::shared_ptr<ModelGraph> graph, int node);

  bool isConstant() const { return !graph_; }
  double constantValue() const { return value_; }
  const std::shared_ptr<ModelGraph>& graph() const { return graph_; }
  int node() const { return node_; }

 private:
  std::shared_ptr<ModelGraph> graph_;
  int node_ = -1;
  double value_ = 0.0;
};

ORMID_API Expr operator+(const Expr& a, const Expr& b);
ORMID_API Expr operator-(const Expr& a, const Expr& b);
ORMID_API Expr operator*(const Expr& a, const Expr& b);
ORMID_API Expr operator/(const Expr& a, const Expr& b);
ORMID_API Expr operator-(const Expr& a);
ORMID_API Expr& operator+=(Expr& a, const Expr& b);
ORMID_API Expr& operator-=(Expr& a, const Expr& b);
ORMID_API Expr& operator*=(Expr& a, const Expr& b);
// Powers, exponentials and logarithms (log is the natural one).
ORMID_API Expr pow(const Expr& a, const Expr& b);
ORMID_API Expr sqrt(const Expr& a), exp(const Expr& a), log(const Expr& a), log10(const Expr& a);
// Circular functions in radians and their inverses; atan2(y, x) is the
// angle of the point (x, y).
ORMID_API Expr sin(const Expr& a), cos(const Expr& a), tan(const Expr& a);
ORMID_API Expr asin(const Expr& a), acos(const Expr& a), atan(const Expr& a);
ORMID_API Expr atan2(const Expr& y, const Expr& x);
// Hyperbolic functions and their inverses.
ORMID_API Expr sinh(const Expr& a), cosh(const Expr& a), tanh(const Expr& a);
ORMID_API Expr asinh(const Expr& a), acosh(const Expr& a), atanh(const Expr& a);
ORMID_API Expr abs(const Expr& a);
ORMID_API Expr min(const Expr& a, const Expr& b), max(const Expr& a, const Expr& b);
// One n-ary sum node: cheaper to build and to evaluate than a chain of +.
ORMID_API Expr sum(const std::vector<Expr>& terms);
// sum_i a_i * b_i, one n-ary sum of products.
ORMID_API Expr dot(const std::vector<Expr>& a, const std::vector<Expr>& b);

// lower <= body <= upper (either side infinite for none).
struct ORMID_API ModelConstraint {
  Expr body;
  double lower = -HUGE_VAL, upper = HUGE_VAL;
};
// e <= c, c <= e, e == c; between two expressions, their difference
// against 0. (lb <= e) <= ub gives both sides.
ORMID_API ModelConstraint operator<=(const Expr& a, const Expr& b);
ORMID_API ModelConstraint operator>=(const Expr& a, const Expr& b);
ORMID_API ModelConstraint operator==(const Expr& a, const Expr& b);
ORMID_API ModelConstraint operator<=(const ModelConstraint& c, double upper);
ORMID_API ModelConstraint operator>=(const ModelConstraint& c, double lower);

class ORMID_API Model {
 public:
  Model();

  // A finite variable with bounds (infinite for none) and start.
  Expr variable(double lower = -HUGE_VAL, double upper = HUGE_VAL, double start = 0.0,
                const std::string& name = "");
  std::vector<Expr> variables(int count, double lower = -HUGE_VAL, double upper = HUGE_VAL,
                              double start = 0.0, const std::string& name = "");
  // A coordinate of T: lower <= t <= upper, both finite.
  Expr infiniteVariable(double lower, double upper, const std::string& name = "");
  std::vector<Expr> infiniteVariables(const std::vector<std::pair<double, double>>& box);

  // The objective, of the finite variables alone (none: a feasibility problem).
  void minimize(const Expr& objective, const std::string& name = "");
  void maximize(const Expr& objective, const std::string& name = "");
  // Infinite where an infinite variable appears in the body, else finite.
  void subjectTo(const ModelConstraint& constraint, const std::string& name = "");

  int finiteVariables() const;
  int infiniteVariableCount() const;
  int finiteConstraints() const;
  int infiniteConstraints() const;

  // Solves with the library (Result::x holds the finite variables in the
  // order they were made). A model the library cannot take (an objective
  // with t in it, an expression of another model, an empty T) gives
  // Status::InvalidInput saying why.
  Result solve(const Options& options = Options()) const;
  // From a warm start: the answer of a nearby model (ormid::WarmStart).
  Result solve(const Options& options, const WarmStart& warm) const;
  // Writes stub.nl (text), stub.row and stub.col, which the `ormid` program
  // reads; false, saying why in *why, where a file cannot be written.
  bool writeNl(const std::string& stub, std::string* why = nullptr) const;
  // What is wrong with the model (empty when nothing is).
  std::string check() const;
  // e at the finite variables x (as Result::x holds them) and the infinite
  // ones t (needed where e depends on them); NaN where it has no value.
  double value(const Expr& e, const std::vector<double>& x, const std::vector<double>& t = {}) const;

  const std::shared_ptr<ModelGraph>& graph() const { return graph_; }

 private:
  std::shared_ptr<ModelGraph> graph_;
};

}  // namespace ormid
