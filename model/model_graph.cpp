#include "model/model_graph.h"

#include <cmath>
#include <map>

namespace ormid {

void ModelGraph::grow(int node, bool t) {
  if (node >= (int)tDependent_.size()) tDependent_.resize(node + 1, 0);
  tDependent_[node] = tDependent_[node] || t;
}

int ModelGraph::addVariable(bool infinite, double lower, double upper, double start, const std::string& name) {
  ModelVariable v;
  v.infinite = infinite, v.lower = lower, v.upper = upper, v.start = start, v.name = name;
  v.position = infinite ? nt++ : nx++;
  variables.push_back(v);
  const int node = pool.variable((int)variables.size() - 1);
  grow(node, infinite);
  return node;
}

int ModelGraph::constant(double v) {
  const int node = pool.constant(v);
  grow(node, false);
  return node;
}

int ModelGraph::make(Op op, std::vector<int> args) {
  bool t = false;
  for (int a : args) t = t || dependsOnT(a);
  const int node = pool.apply(op, std::move(args));
  grow(node, t);
  return node;
}

// The nodes root reaches, in the pool's order (arguments first), copied
// into a graph of their own.
Expression ModelGraph::functionGraph(int root) const {
  Expression g;
  if (root < 0) return g;
  std::vector<char> needed(root + 1, 0);
  needed[root] = 1;
  for (int i = root; i >= 0; --i)
    if (needed[i])
      for (int a : pool.nodes[i].args) needed[a] = 1;
  std::vector<int> copy(root + 1, -1);
  for (int i = 0; i <= root; ++i) {
    if (!needed[i]) continue;
    const ExprNode& n = pool.nodes[i];
    if (n.op == Op::Constant) {
      copy[i] = g.constant(n.value);
    } else if (n.op == Op::Variable) {
      const ModelVariable& v = variables[n.variable];
      copy[i] = g.variable(v.infinite ? nx + v.position : v.position);
    } else {
      std::vector<int> args;
      for (int a : n.args) args.push_back(copy[a]);
      copy[i] = g.apply(n.op, std::move(args));
    }
  }
  g.setRoot(copy[root]);
  return g;
}

std::string ModelGraph::check() const {
  if (objective.root >= 0 && dependsOnT(objective.root))
    return "the objective depends on an infinite variable";
  for (const ModelVariable& v : variables)
    if (v.infinite && !(std::isfinite(v.lower) && std::isfinite(v.upper) && v.lower <= v.upper))
      return "infinite variable " + v.name + " needs finite bounds, lower <= upper";
  bool anyInfinite = false;
  for (const ModelFunction& c : constraints) anyInfinite = anyInfinite || c.infinite;
  if (nt > 0 && !anyInfinite) return "the model has infinite variables but no infinite constraint";
  return "";
}

GraphModel ModelGraph::graphModel() const {
  GraphModel m;
  m.nx = nx, m.nt = nt;
  m.x0.resize(nx), m.xl.resize(nx), m.xu.resize(nx), m.tl.resize(nt), m.tu.resize(nt);
  for (const ModelVariable& v : variables) {
    if (v.infinite) {
      m.tl[v.position] = v.lower, m.tu[v.position] = v.upper;
    } else {
      m.x0[v.position] = v.start, m.xl[v.position] = v.lower, m.xu[v.position] = v.upper;
    }
  }
  m.hasObjective = objective.root >= 0;
  if (m.hasObjective) m.objective = functionGraph(objective.root);
  m.sense = sense;
  m.objectiveName = objectiveName();
  for (int k = 0; k < (int)constraints.size(); ++k) {
    const ModelFunction& c = constraints[k];
    (c.infinite ? m.infinite : m.finite).push_back(functionGraph(c.root));
    (c.infinite ? m.ctl : m.cxl).push_back(c.lower);
    (c.infinite ? m.ctu : m.cxu).push_back(c.upper);
    (c.infinite ? m.infiniteNames : m.finiteNames).push_back(constraintName(k));
  }
  return m;
}

namespace {

// Infinite names begin with t, finite ones do not (the program's rule).
std::string classed(const std::string& name, bool infinite) {
  const bool startsWithT = !name.empty() && name[0] == 't';
  if (infinite) return startsWithT ? name : "t_" + name;
  return startsWithT ? "_" + name : name;
}

}  // namespace

std::string ModelGraph::variableName(int v) const {
  const ModelVariable& var = variables[v];
  if (!var.name.empty()) return classed(var.name, var.infinite);
  return (var.infinite ? "t[" : "x[") + std::to_string(var.position + 1) + "]";
}

std::string ModelGraph::constraintName(int k) const {
  const ModelFunction& c = constraints[k];
  if (!c.name.empty()) return classed(c.name, c.infinite);
  int position = 0;
  for (int j = 0; j < k; ++j) position += constraints[j].infinite == c.infinite;
  return (c.infinite ? "tc[" : "c[") + std::to_string(position + 1) + "]";
}

std::string ModelGraph::objectiveName() const {
  return objective.name.empty() ? "f" : classed(objective.name, false);
}

}  // namespace ormid
