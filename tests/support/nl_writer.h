// A small writer of the text ("g" header) .nl format with its .row and .col
// name files, so that test fixtures are readable C++ rather than opaque files.
// Every variable is declared nonlinear; linear terms live in the expression
// graph, which the reader accepts.
#pragma once

#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace nl {

struct Node;
typedef std::shared_ptr<const Node> Expr;

Expr num(double v);
Expr var(int index);
Expr operator+(Expr a, Expr b);
Expr operator-(Expr a, Expr b);
Expr operator*(Expr a, Expr b);
Expr operator/(Expr a, Expr b);
Expr operator-(Expr a);
Expr operator+(Expr a, double b);
Expr operator+(double a, Expr b);
Expr operator-(Expr a, double b);
Expr operator-(double a, Expr b);
Expr operator*(double a, Expr b);
Expr operator*(Expr a, double b);
Expr operator/(Expr a, double b);
Expr operator/(double a, Expr b);
Expr pow(Expr a, Expr b);
Expr pow(Expr a, double b);
Expr sqrt(Expr a);
Expr exp(Expr a);
Expr log(Expr a);
Expr sin(Expr a);
Expr cos(Expr a);
Expr abs(Expr a);
// Call of imported function number `function` (see Model::addFunction).
Expr call(int function, const std::vector<Expr>& args);

const double INF = HUGE_VAL;

// Value of an expression (without function calls) at the given variables.
double evaluate(const Expr& e, const std::vector<double>& values);

struct Variable {
  std::string name;
  double lower = -INF, upper = INF;
  bool hasStart = false;
  double start = 0.0;
};

struct Constraint {
  std::string name;
  Expr body;
  double lower = -INF, upper = INF;
};

struct Model {
  std::vector<Variable> vars;
  std::vector<Constraint> cons;
  std::vector<std::string> functions;
  std::string objectiveName = "f";
  Expr objective;  // none: a model without objective
  bool maximize = false;

  // Returns the variable's index; pass a start value to give it one.
  int addVar(const std::string& name, double lower = -INF, double upper = INF);
  int addVar(const std::string& name, double lower, double upper, double start);
  Expr v(const std::string& name) const;
  void addCon(const std::string& name, Expr body, double lower, double upper);
  int addFunction(const std::string& name);
  void minimize(Expr e, const std::string& name = "f");

  std::string nlText() const;
  std::string rowText() const;
  std::string colText() const;
  // Writes stub.nl and, unless told otherwise, stub.row and stub.col.
  void write(const std::string& stub, bool rowFile = true, bool colFile = true) const;
};

}  // namespace nl
