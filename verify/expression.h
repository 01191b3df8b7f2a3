// A function's expression graph, free of any modelling library: a list of
// nodes in which every node's arguments come before it, the last node being
// the function. Shared subexpressions (a model's defined variables) appear
// once and are referred to by index.
#pragma once

#include <string>
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

  int constant(double v);
  int variable(int index);
  int apply(Op op, std::vector<int> args);
  int root() const { return (int)nodes.size() - 1; }
};

}  // namespace ormid
