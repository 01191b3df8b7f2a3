#include "model/nl_output.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "model/model_graph.h"

namespace ormid {

namespace {

// The format's operator codes; the n-ary ones give their count first.
int opcode(Op op) {
  static const std::map<Op, int> codes = {
      {Op::Add, 0}, {Op::Subtract, 1}, {Op::Multiply, 2}, {Op::Divide, 3}, {Op::Power, 5},
      {Op::Min, 11}, {Op::Max, 12}, {Op::Floor, 13}, {Op::Ceil, 14}, {Op::Abs, 15}, {Op::Negate, 16},
      {Op::Or, 20}, {Op::And, 21}, {Op::Less, 22}, {Op::LessEqual, 23}, {Op::Equal, 24},
      {Op::GreaterEqual, 28}, {Op::Greater, 29}, {Op::NotEqual, 30}, {Op::Not, 34},
      {Op::IfThenElse, 35}, {Op::Tanh, 37}, {Op::Tan, 38}, {Op::Sqrt, 39}, {Op::Sinh, 40},
      {Op::Sin, 41}, {Op::Log10, 42}, {Op::Log, 43}, {Op::Exp, 44}, {Op::Cosh, 45}, {Op::Cos, 46},
      {Op::Atanh, 47}, {Op::Atan2, 48}, {Op::Atan, 49}, {Op::Asinh, 50}, {Op::Asin, 51},
      {Op::Acosh, 52}, {Op::Acos, 53}, {Op::Sum, 54}};
  return codes.at(op);
}

bool isList(Op op) { return op == Op::Sum || op == Op::Min || op == Op::Max; }

std::string number(double v) {
  char text[40];
  snprintf(text, sizeof text, "%.17g", v);
  return text;
}

// The tree under root in prefix order (operator, then its arguments), by an
// explicit stack: a long chain of sums is as deep as it is long.
void emit(const Expression& pool, int root, std::ostringstream& out) {
  std::vector<int> pending{root};
  while (!pending.empty()) {
    const ExprNode& n = pool.nodes[pending.back()];
    pending.pop_back();
    if (n.op == Op::Constant) {
      out << "n" << number(n.value) << "\n";
    } else if (n.op == Op::Variable) {
      out << "v" << n.variable << "\n";
    } else {
      out << "o" << opcode(n.op) << "\n";
      if (isList(n.op)) out << n.args.size() << "\n";
      pending.insert(pending.end(), n.args.rbegin(), n.args.rend());
    }
  }
}

std::set<int> variablesOf(const Expression& pool, int root) {
  std::set<int> vars;
  if (root < 0) return vars;
  std::vector<char> needed(root + 1, 0);
  needed[root] = 1;
  for (int i = root; i >= 0; --i) {
    if (!needed[i]) continue;
    if (pool.nodes[i].op == Op::Variable) vars.insert(pool.nodes[i].variable);
    for (int a : pool.nodes[i].args) needed[a] = 1;
  }
  return vars;
}

// 0 range, 1 upper only, 2 lower only, 3 free, 4 equal.
std::string boundLine(double lower, double upper) {
  const bool hasLower = lower > -HUGE_VAL, hasUpper = upper < HUGE_VAL;
  if (hasLower && hasUpper && lower == upper) return "4 " + number(lower);
  if (hasLower && hasUpper) return "0 " + number(lower) + " " + number(upper);
  if (hasUpper) return "1 " + number(upper);
  if (hasLower) return "2 " + number(lower);
  return "3";
}

void header(const ModelGraph& g, const std::vector<std::set<int>>& conVars, size_t objectiveVars,
            std::ostringstream& out) {
  const int n = (int)g.variables.size(), m = (int)g.constraints.size();
  const int objectives = g.objective.root >= 0 ? 1 : 0;
  int ranges = 0, equalities = 0, nonzeros = 0;
  for (const ModelFunction& c : g.constraints)
    if (c.lower > -HUGE_VAL && c.upper < HUGE_VAL) (c.lower == c.upper ? equalities : ranges)++;
  for (const std::set<int>& s : conVars) nonzeros += (int)s.size();
  size_t row = objectives ? g.objectiveName().size() : 0, col = 0;
  for (int k = 0; k < m; ++k) row = std::max(row, g.constraintName(k).size());
  for (int v = 0; v < n; ++v) col = std::max(col, g.variableName(v).size());
  const int nlvc = m > 0 ? n : 0, nlvo = objectives ? n : 0;
  out << "g3 1 1 0\t# problem written by ormid::Model\n";
  out << " " << n << " " << m << " " << objectives << " " << ranges << " " << equalities
      << " 0\t# vars, constraints, objectives, ranges, eqns\n";
  out << " " << m << " " << objectives << "\t# nonlinear constraints, objectives\n";
  out << " 0 0\t# network constraints: nonlinear, linear\n";
  out << " " << nlvc << " " << nlvo << " " << std::min(nlvc, nlvo)
      << "\t# nonlinear vars in constraints, objectives, both\n";
  out << " 0 0 0 1\t# linear network variables; functions; arith, flags\n";
  out << " 0 0 0 0 0\t# discrete variables: binary, integer, nonlinear (b,c,o)\n";
  out << " " << nonzeros << " " << objectiveVars << "\t# nonzeros in Jacobian, gradients\n";
  out << " " << row << " " << col << "\t# max name lengths: constraints, variables\n";
  out << " 0 0 0 0 0\t# common exprs: b,c,o,c1,o1\n";
}

void columnSegments(const ModelGraph& g, const std::vector<std::set<int>>& conVars, std::ostringstream& out) {
  const int n = (int)g.variables.size(), m = (int)g.constraints.size();
  out << "k" << n - 1 << "\n";
  std::vector<int> perVariable(n, 0);
  for (const std::set<int>& s : conVars)
    for (int v : s) ++perVariable[v];
  int cumulative = 0;
  for (int v = 0; v + 1 < n; ++v) out << (cumulative += perVariable[v]) << "\n";
  for (int k = 0; k < m; ++k) {
    if (conVars[k].empty()) continue;
    out << "J" << k << " " << conVars[k].size() << "\n";
    for (int v : conVars[k]) out << v << " 0\n";
  }
}

bool writeFile(const std::string& path, const std::string& text, std::string* why) {
  std::ofstream f(path, std::ios::binary);
  if (f) f << text;
  if (f) return true;
  if (why) *why = "cannot write " + path;
  return false;
}

}  // namespace

std::string nlText(const ModelGraph& g) {
  const int n = (int)g.variables.size(), m = (int)g.constraints.size();
  std::vector<std::set<int>> conVars;
  for (const ModelFunction& c : g.constraints) conVars.push_back(variablesOf(g.pool, c.root));
  const std::set<int> objectiveVars = variablesOf(g.pool, g.objective.root);
  std::ostringstream out;
  header(g, conVars, objectiveVars.size(), out);
  for (int k = 0; k < m; ++k) {
    out << "C" << k << "\n";
    emit(g.pool, g.constraints[k].root, out);
  }
  if (g.objective.root >= 0) {
    out << "O0 " << (g.sense < 0 ? 1 : 0) << "\n";
    emit(g.pool, g.objective.root, out);
  }
  out << "x" << n << "\n";
  for (int v = 0; v < n; ++v) {
    const ModelVariable& var = g.variables[v];
    out << v << " " << number(var.infinite ? var.lower : var.start) << "\n";
  }
  if (m > 0) {
    out << "r\n";
    for (const ModelFunction& c : g.constraints) out << boundLine(c.lower, c.upper) << "\n";
  }
  out << "b\n";
  for (const ModelVariable& v : g.variables) out << boundLine(v.lower, v.upper) << "\n";
  if (m > 0 && n > 0) columnSegments(g, conVars, out);
  if (!objectiveVars.empty()) {
    out << "G0 " << objectiveVars.size() << "\n";
    for (int v : objectiveVars) out << v << " 0\n";
  }
  return out.str();
}

std::string rowText(const ModelGraph& g) {
  std::string s;
  for (int k = 0; k < (int)g.constraints.size(); ++k) s += g.constraintName(k) + "\n";
  return g.objective.root >= 0 ? s + g.objectiveName() + "\n" : s;
}

std::string colText(const ModelGraph& g) {
  std::string s;
  for (int v = 0; v < (int)g.variables.size(); ++v) s += g.variableName(v) + "\n";
  return s;
}

bool writeNlFiles(const ModelGraph& g, const std::string& stub, std::string* why) {
  return writeFile(stub + ".nl", nlText(g), why) && writeFile(stub + ".row", rowText(g), why) &&
         writeFile(stub + ".col", colText(g), why);
}

}  // namespace ormid
