#include "verify/expression.h"

#include <utility>

namespace ormid {

int Expression::constant(double v) {
  ExprNode n;
  n.value = v;
  nodes.push_back(n);
  return root();
}

int Expression::variable(int index) {
  ExprNode n;
  n.op = Op::Variable;
  n.variable = index;
  nodes.push_back(n);
  return root();
}

int Expression::apply(Op op, std::vector<int> args) {
  ExprNode n;
  n.op = op;
  n.args = std::move(args);
  nodes.push_back(std::move(n));
  return root();
}

}  // namespace ormid
