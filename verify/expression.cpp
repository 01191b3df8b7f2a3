#include "verify/expression.h"

#include <cmath>
#include <utility>

namespace ormid {

int Expression::intern(ExprNode n) {
  Key key{(int)n.op, n.value, n.variable, n.args};
  if (!std::isnan(n.value)) {  // NaN keys would not order
    auto it = made.find(key);
    if (it != made.end()) return top = it->second;
  }
  nodes.push_back(std::move(n));
  top = (int)nodes.size() - 1;
  if (!std::isnan(nodes.back().value)) made[key] = top;
  return top;
}

int Expression::constant(double v) {
  ExprNode n;
  n.value = v;
  return intern(std::move(n));
}

int Expression::variable(int index) {
  ExprNode n;
  n.op = Op::Variable;
  n.variable = index;
  return intern(std::move(n));
}

int Expression::apply(Op op, std::vector<int> args) {
  ExprNode n;
  n.op = op;
  n.args = std::move(args);
  return intern(std::move(n));
}

}  // namespace ormid
