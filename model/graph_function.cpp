#include "model/graph_function.h"

#include "model/node_values.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace ormid {

namespace {

typedef std::vector<int> Set;  // sorted variable indices

Set united(const Set& a, const Set& b) {
  Set u;
  std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(u));
  return u;
}

void addPairs(const Set& a, const Set& b, std::set<std::pair<int, int>>& pairs) {
  for (int i : a)
    for (int k : b) pairs.insert({std::min(i, k), std::max(i, k)});
}

// Linear operations and pieces of linear ones add no second derivative of
// their own; their arguments' stay.
bool addsNoCurvature(Op op) {
  return op == Op::Add || op == Op::Subtract || op == Op::Negate || op == Op::Sum || op == Op::Abs ||
         isChoice(op) || isCondition(op) || isStep(op);
}

}  // namespace

GraphFunction::GraphFunction(Expression g, int nx, int nt) : g_(std::move(g)), nx_(nx), nt_(nt) {
  const size_t n = g_.nodes.size();
  val_.assign(n, 0.0);
  local_.assign(n, LocalPartials());
  chosen_.assign(n, 0);
  analyse();
}

// Which nodes depend on t, which x each depends on, and where second
// derivatives in x may arise.
void GraphFunction::analyse() {
  const size_t n = g_.nodes.size();
  dependsOnT_.assign(n, 0);
  constantNode_.assign(n, 0);
  std::vector<Set> deps(n);
  std::set<std::pair<int, int>> pairs;
  for (size_t i = 0; i < n; ++i) {
    const ExprNode& node = g_.nodes[i];
    constantNode_[i] = node.op == Op::Constant;
    if (node.op == Op::Variable) {
      if (node.variable < nx_) deps[i] = {node.variable};
      else dependsOnT_[i] = 1;
      continue;
    }
    for (int a : node.args) {
      dependsOnT_[i] = dependsOnT_[i] || dependsOnT_[a];
      deps[i] = united(deps[i], deps[a]);
    }
    if (addsNoCurvature(node.op) || node.args.empty()) continue;
    const Set& a = deps[node.args[0]];
    const Set& b = node.args.size() > 1 ? deps[node.args[1]] : Set();
    if (node.op == Op::Multiply) {
      addPairs(a, b, pairs);
    } else if (node.op == Op::Divide) {
      addPairs(a, b, pairs), addPairs(b, b, pairs);
    } else if (node.op == Op::Power && constantNode_[node.args[1]]) {
      const double e = g_.nodes[node.args[1]].value;
      if (e != 0 && e != 1) addPairs(a, a, pairs);
    } else {
      addPairs(deps[i], deps[i], pairs);
    }
  }
  for (size_t i = 0; i < n; ++i)
    if (dependsOnT_[i]) tNodes_.push_back((int)i);
  if (g_.root() >= 0) xDeps_ = deps[g_.root()];
  xPairs_.assign(pairs.begin(), pairs.end());
}

double GraphFunction::variableValue(int v, const double* x, const double* t) const {
  if (v < nx_) return x[v];
  return t ? t[v - nx_] : 0.0;
}

void GraphFunction::evaluateNode(int i, const double* x, const double* t) {
  const ExprNode& node = g_.nodes[i];
  const std::vector<int>& a = node.args;
  if (node.op == Op::Variable) {
    val_[i] = variableValue(node.variable, x, t);
  } else if (node.op == Op::Sum || isChoice(node.op)) {
    naryNode(i);
  } else if (a.size() == 1) {
    val_[i] = unaryValue(node.op, val_[a[0]]);
  } else if (a.size() == 2) {
    val_[i] = binaryValue(node.op, val_[a[0]], val_[a[1]]);
  } else {
    naryNode(i);
  }
}

void GraphFunction::naryNode(int i) {
  const ExprNode& node = g_.nodes[i];
  args_.resize(node.args.size());
  for (size_t k = 0; k < node.args.size(); ++k) args_[k] = val_[node.args[k]];
  val_[i] = nodeValue(node, args_.data());
}

double GraphFunction::forward(const double* x, const double* t) {
  if (g_.root() < 0) return 0.0;
  for (int i = 0; i <= g_.root(); ++i) evaluateNode(i, x, t);
  return val_[g_.root()];
}

double GraphFunction::value(const double* x, const double* t) { return forward(x, t); }

// Every node's partials in its arguments at the values of the last sweep;
// a constant argument has none (its partial may be infinite or NaN, as the
// exponent's of a power at a negative base).
void GraphFunction::partials() {
  for (int i = 0; i <= g_.root(); ++i) {
    const ExprNode& node = g_.nodes[i];
    if (node.args.empty() || node.op == Op::Sum) continue;
    if (isChoice(node.op)) {
      args_.resize(node.args.size());
      for (size_t k = 0; k < node.args.size(); ++k) args_[k] = val_[node.args[k]];
      chosen_[i] = chosenArgument(node, args_.data());
      continue;
    }
    if (node.args.size() > 2) continue;
    const double a[2] = {val_[node.args[0]], node.args.size() > 1 ? val_[node.args[1]] : 0.0};
    const bool constantExponent = node.op == Op::Power && constantNode_[node.args[1]];
    LocalPartials p = localPartials(node.op, a, val_[i], constantExponent);
    for (size_t j = 0; j < node.args.size(); ++j) {
      if (!constantNode_[node.args[j]]) continue;
      p.d[j] = 0;
      for (int k = 0; k < 2; ++k) p.h[j][k] = p.h[k][j] = 0;
    }
    local_[i] = p;
  }
}

// visit(position, argument, partial) for each argument node i's value
// depends on smoothly.
template <class Visit>
void GraphFunction::forEachPartial(int i, Visit visit) const {
  const ExprNode& node = g_.nodes[i];
  if (node.op == Op::Sum) {
    for (size_t j = 0; j < node.args.size(); ++j) visit((int)j, node.args[j], 1.0);
  } else if (isChoice(node.op)) {
    visit(chosen_[i], node.args[chosen_[i]], 1.0);
  } else if (!isCondition(node.op) && !isStep(node.op) && node.args.size() <= 2) {
    for (size_t j = 0; j < node.args.size(); ++j)
      if (!constantNode_[node.args[j]]) visit((int)j, node.args[j], local_[i].d[j]);
  }
}

void GraphFunction::reverse() {
  adj_.assign(g_.nodes.size(), 0.0);
  adj_[g_.root()] = 1.0;
  for (int i = g_.root(); i >= 0; --i) {
    const double a = adj_[i];
    if (a == 0) continue;
    forEachPartial(i, [&](int, int arg, double d) { adj_[arg] += a * d; });
  }
}

double GraphFunction::gradient(const double* x, const double* t, double* gradX, double* gradT) {
  std::fill(gradX, gradX + nx_, 0.0);
  if (gradT) std::fill(gradT, gradT + nt_, 0.0);
  const double f = forward(x, t);
  if (g_.root() < 0) return f;
  partials();
  reverse();
  for (int i = 0; i <= g_.root(); ++i) {
    const ExprNode& node = g_.nodes[i];
    if (node.op != Op::Variable) continue;
    if (node.variable < nx_) gradX[node.variable] += adj_[i];
    else if (gradT) gradT[node.variable - nx_] += adj_[i];
  }
  return f;
}

// Column `direction` of the Hessian: a tangent sweep seeded at that
// variable, then the adjoints' tangents back (adj_ holds the adjoints).
void GraphFunction::hessianColumn(int direction) {
  const size_t n = g_.nodes.size();
  dot_.assign(n, 0.0);
  adjDot_.assign(n, 0.0);
  for (int i = 0; i <= g_.root(); ++i) {
    const ExprNode& node = g_.nodes[i];
    if (node.op == Op::Variable) {
      dot_[i] = node.variable == direction ? 1.0 : 0.0;
      continue;
    }
    double s = 0;
    forEachPartial(i, [&](int, int arg, double d) { s += d * dot_[arg]; });
    dot_[i] = s;
  }
  for (int i = g_.root(); i >= 0; --i) {
    const double a = adj_[i], ad = adjDot_[i];
    const ExprNode& node = g_.nodes[i];
    const bool curved = node.args.size() <= 2 && !isChoice(node.op) && node.op != Op::Sum && a != 0;
    forEachPartial(i, [&](int j, int arg, double d) {
      double second = 0;
      if (curved)
        for (size_t k = 0; k < node.args.size(); ++k) second += local_[i].h[j][k] * dot_[node.args[k]];
      adjDot_[arg] += ad * d + a * second;
    });
  }
}

double GraphFunction::hessian(const double* x, const double* t, double* xx, double* tt, double* xt) {
  std::fill(xx, xx + (size_t)nx_ * nx_, 0.0);
  if (tt) std::fill(tt, tt + (size_t)nt_ * nt_, 0.0);
  if (xt) std::fill(xt, xt + (size_t)nx_ * nt_, 0.0);
  const double f = forward(x, t);
  if (g_.root() < 0) return f;
  partials();
  reverse();
  std::vector<int> directions(xDeps_);
  if (tt || xt)
    for (int d = 0; d < nt_; ++d) directions.push_back(nx_ + d);
  for (int dir : directions) {
    hessianColumn(dir);
    for (int i = 0; i <= g_.root(); ++i) {
      const ExprNode& node = g_.nodes[i];
      if (node.op != Op::Variable || adjDot_[i] == 0) continue;
      const int v = node.variable;
      const double h = adjDot_[i];
      if (dir < nx_ && v < nx_) xx[(size_t)v * nx_ + dir] += h;
      else if (dir >= nx_ && v >= nx_ && tt) tt[(size_t)(v - nx_) * nt_ + dir - nx_] += h;
      else if (dir >= nx_ && v < nx_ && xt) xt[(size_t)v * nt_ + dir - nx_] += h;
    }
  }
  return f;
}

bool GraphFunction::values(const double* x, int count, const double* t, double* out) {
  bool all = true;
  for (int k = 0; k < count; ++k) {
    const double* tk = t + (size_t)k * nt_;
    if (k == 0) {
      out[k] = forward(x, tk);
    } else {  // the nodes free of t keep their values
      for (int i : tNodes_) evaluateNode(i, x, tk);
      out[k] = g_.root() >= 0 ? val_[g_.root()] : 0.0;
    }
    all = all && !std::isnan(out[k]);
  }
  return all;
}

}  // namespace ormid
