// A small writer of the text ("g" header) .nl format with its .row and .col
// name files, so that test fixtures are readable C++ rather than opaque files.
// Every variable is declared nonlinear; linear terms live in the expression
// graph, which the reader accepts.
#pragma once

#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <utility>
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
// Any operator of the format by its .nl code (see nl_writer.cpp's list),
// with as many arguments as it takes; the n-ary ones (min, max, sum) any.
enum Opcode {
  PLUS = 0, MINUS = 1, MULT = 2, DIV = 3, POW = 5, LESS = 6, MINLIST = 11, MAXLIST = 12,
  FLOOR = 13, CEIL = 14, ABS = 15, UMINUS = 16, OR = 20, AND = 21, LT = 22, LE = 23, EQ = 24,
  GE = 28, GT = 29, NE = 30, NOT = 34, IF = 35, TANH = 37, TAN = 38, SQRT = 39, SINH = 40,
  SIN = 41, LOG10 = 42, LOG = 43, EXP = 44, COSH = 45, COS = 46, ATANH = 47, ATAN2 = 48,
  ATAN = 49, ASINH = 50, ASIN = 51, ACOSH = 52, ACOS = 53, SUMLIST = 54, ROUND = 57
};
Expr apply(Opcode code, const std::vector<Expr>& args);
// Defined variable k of the model (see Model::addDefined).
Expr defined(int k);
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
  std::vector<std::pair<int, double>> linear;  // terms coefficient * variable, besides body
};

// A defined variable: body plus linear terms, referred to by defined(k).
struct Defined {
  Expr body;
  std::vector<std::pair<int, double>> linear;
};

struct Model {
  std::vector<Variable> vars;
  std::vector<Constraint> cons;
  std::vector<std::string> functions;
  std::vector<Defined> defineds;  // written before the constraints, numbered after the variables
  std::string objectiveName = "f";
  Expr objective;  // none: a model without objective
  bool maximize = false;

  // Returns the variable's index; pass a start value to give it one.
  int addVar(const std::string& name, double lower = -INF, double upper = INF);
  int addVar(const std::string& name, double lower, double upper, double start);
  Expr v(const std::string& name) const;
  void addCon(const std::string& name, Expr body, double lower, double upper);
  int addFunction(const std::string& name);
  // Returns k for defined(k); its body may use earlier defined variables.
  int addDefined(Expr body, const std::vector<std::pair<int, double>>& linear = {});
  void minimize(Expr e, const std::string& name = "f");

  std::string nlText() const;
  std::string rowText() const;
  std::string colText() const;
  // Writes stub.nl and, unless told otherwise, stub.row and stub.col.
  void write(const std::string& stub, bool rowFile = true, bool colFile = true) const;
};

}  // namespace nl
