// A function's expression graph, free of any modelling library: a list of
// nodes in which every node's arguments come before it. Equal nodes are
// made once (hash-consing), so a shared subexpression (a model's defined
// variable, or the same term written twice) is one node: x * x then is a
// square, for which interval arithmetic knows the sign.
#pragma once

#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace ormid {

enum class Op {
  Constant,
  Variable,  // the model's variable `variable`
  Add,
  Subtract,
  Multiply,
  Divide,
  Negate,
  Power,  // a^b, the exponent constant or not
  Sqrt,
  Exp,
  Log,
  Log10,
  Sin,
  Cos,
  Tan,
  Asin,
  Acos,
  Atan,
  Atan2,  // atan2(y, x)
  Sinh,
  Cosh,
  Tanh,
  Asinh,
  Acosh,
  Atanh,
  Abs,
  Floor,
  Ceil,
  Sum,  // n-ary
  Min,  // n-ary
  Max,  // n-ary
  IfThenElse,  // condition, then, else
  // Conditions: 1 true, 0 false.
  Less,
  LessEqual,
  Equal,
  GreaterEqual,
  Greater,
  NotEqual,
  And,
  Or,
  Not
};

struct ExprNode {
  Op op = Op::Constant;
  double value = 0;   // Constant
  int variable = -1;  // Variable
  std::vector<int> args;
};

struct Expression {
  std::vector<ExprNode> nodes;
  // Non-empty when the function holds something without an interval rule
  // (an imported function, say): what it is, for messages.
  std::string unsupported;

  // Each returns the node's index, and makes it the function's value.
  int constant(double v);
  int variable(int index);
  int apply(Op op, std::vector<int> args);
  // The function's node: the one last built or asked for.
  int root() const { return top; }
  void setRoot(int node) { top = node; }

 private:
  typedef std::tuple<int, double, int, std::vector<int>> Key;
  std::map<Key, int> made;
  int top = -1;
  int intern(ExprNode n);
};

}  // namespace ormid
