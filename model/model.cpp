// ormid::Model and its expressions over the model's graph.
#include "ormid/model.h"

#include <stdexcept>

#include "model/local_derivatives.h"
#include "model/model_graph.h"
#include "model/nl_output.h"
#include "ormid/ormid.h"

namespace ormid {

Expr::Expr(double value) : value_(value) {}
Expr::Expr(std::shared_ptr<ModelGraph> graph, int node) : graph_(std::move(graph)), node_(node) {}

namespace {

// The graph the operands share; expressions of two models do not combine.
std::shared_ptr<ModelGraph> sharedGraph(const std::vector<const Expr*>& operands) {
  std::shared_ptr<ModelGraph> g;
  for (const Expr* e : operands) {
    if (e->isConstant()) continue;
    if (g && e->graph() != g) throw std::invalid_argument("expressions of two different models");
    g = e->graph();
  }
  return g;
}

int nodeOf(ModelGraph& g, const Expr& e) { return e.isConstant() ? g.constant(e.constantValue()) : e.node(); }

// op over the operands: a number where they all are, else a node.
Expr combine(Op op, const std::vector<const Expr*>& operands) {
  std::shared_ptr<ModelGraph> g = sharedGraph(operands);
  if (!g) {
    ExprNode n;
    n.op = op;
    std::vector<double> values;
    for (const Expr* e : operands) {
      values.push_back(e->constantValue());
      n.args.push_back(0);
    }
    return Expr(nodeValue(n, values.data()));
  }
  std::vector<int> args;
  for (const Expr* e : operands) args.push_back(nodeOf(*g, *e));
  return Expr(g, g->make(op, std::move(args)));
}

Expr unary(Op op, const Expr& a) { return combine(op, {&a}); }

bool is(const Expr& e, double v) { return e.isConstant() && e.constantValue() == v; }

ModelConstraint constraint(const Expr& body, double lower, double upper) {
  ModelConstraint c;
  c.body = body, c.lower = lower, c.upper = upper;
  return c;
}

}  // namespace

Expr operator+(const Expr& a, const Expr& b) {
  if (is(a, 0)) return b;
  if (is(b, 0)) return a;
  return combine(Op::Add, {&a, &b});
}
Expr operator-(const Expr& a, const Expr& b) {
  if (is(b, 0)) return a;
  return combine(Op::Subtract, {&a, &b});
}
Expr operator*(const Expr& a, const Expr& b) {
  if (is(a, 1)) return b;
  if (is(b, 1)) return a;
  return combine(Op::Multiply, {&a, &b});
}
Expr operator/(const Expr& a, const Expr& b) {
  if (is(b, 1)) return a;
  return combine(Op::Divide, {&a, &b});
}
Expr operator-(const Expr& a) { return unary(Op::Negate, a); }
Expr& operator+=(Expr& a, const Expr& b) { return a = a + b; }
Expr& operator-=(Expr& a, const Expr& b) { return a = a - b; }
Expr& operator*=(Expr& a, const Expr& b) { return a = a * b; }
Expr pow(const Expr& a, const Expr& b) {
  if (is(b, 1)) return a;
  if (is(b, 0)) return Expr(1.0);
  return combine(Op::Power, {&a, &b});
}
// The elementary functions of one expression, a node each.
#define UNARY_FUNCTION(name, op) \
  Expr name(const Expr& a) { return unary(Op::op, a); }
UNARY_FUNCTION(sqrt, Sqrt) UNARY_FUNCTION(exp, Exp) UNARY_FUNCTION(log, Log) UNARY_FUNCTION(log10, Log10)
UNARY_FUNCTION(sin, Sin) UNARY_FUNCTION(cos, Cos) UNARY_FUNCTION(tan, Tan)
UNARY_FUNCTION(asin, Asin) UNARY_FUNCTION(acos, Acos) UNARY_FUNCTION(atan, Atan)
UNARY_FUNCTION(sinh, Sinh) UNARY_FUNCTION(cosh, Cosh) UNARY_FUNCTION(tanh, Tanh)
UNARY_FUNCTION(asinh, Asinh) UNARY_FUNCTION(acosh, Acosh) UNARY_FUNCTION(atanh, Atanh)
UNARY_FUNCTION(abs, Abs)
#undef UNARY_FUNCTION
Expr atan2(const Expr& y, const Expr& x) { return combine(Op::Atan2, {&y, &x}); }
Expr min(const Expr& a, const Expr& b) { return combine(Op::Min, {&a, &b}); }
Expr max(const Expr& a, const Expr& b) { return combine(Op::Max, {&a, &b}); }

Expr sum(const std::vector<Expr>& terms) {
  std::vector<const Expr*> operands;
  double constant = 0;
  for (const Expr& e : terms) {
    if (e.isConstant()) constant += e.constantValue();
    else operands.push_back(&e);
  }
  const Expr c(constant);
  if (operands.empty()) return c;
  if (constant != 0) operands.push_back(&c);
  if (operands.size() == 1) return *operands[0];
  return combine(Op::Sum, operands);
}

Expr dot(const std::vector<Expr>& a, const std::vector<Expr>& b) {
  if (a.size() != b.size()) throw std::invalid_argument("dot of vectors of different lengths");
  std::vector<Expr> products;
  products.reserve(a.size());
  for (size_t i = 0; i < a.size(); ++i) products.push_back(a[i] * b[i]);
  return sum(products);
}

ModelConstraint operator<=(const Expr& a, const Expr& b) {
  if (b.isConstant()) return constraint(a, -HUGE_VAL, b.constantValue());
  if (a.isConstant()) return constraint(b, a.constantValue(), HUGE_VAL);
  return constraint(a - b, -HUGE_VAL, 0.0);
}
ModelConstraint operator>=(const Expr& a, const Expr& b) { return b <= a; }
ModelConstraint operator==(const Expr& a, const Expr& b) {
  if (b.isConstant()) return constraint(a, b.constantValue(), b.constantValue());
  if (a.isConstant()) return constraint(b, a.constantValue(), a.constantValue());
  return constraint(a - b, 0.0, 0.0);
}
ModelConstraint operator<=(const ModelConstraint& c, double upper) {
  return constraint(c.body, c.lower, std::min(c.upper, upper));
}
ModelConstraint operator>=(const ModelConstraint& c, double lower) {
  return constraint(c.body, std::max(c.lower, lower), c.upper);
}

Model::Model() : graph_(std::make_shared<ModelGraph>()) {}

Expr Model::variable(double lower, double upper, double start, const std::string& name) {
  return Expr(graph_, graph_->addVariable(false, lower, upper, start, name));
}

std::vector<Expr> Model::variables(int count, double lower, double upper, double start, const std::string& name) {
  std::vector<Expr> v;
  for (int i = 0; i < count; ++i)
    v.push_back(variable(lower, upper, start, name.empty() ? "" : name + "[" + std::to_string(i + 1) + "]"));
  return v;
}

Expr Model::infiniteVariable(double lower, double upper, const std::string& name) {
  return Expr(graph_, graph_->addVariable(true, lower, upper, 0.0, name));
}

std::vector<Expr> Model::infiniteVariables(const std::vector<std::pair<double, double>>& box) {
  std::vector<Expr> v;
  for (const auto& side : box) v.push_back(infiniteVariable(side.first, side.second));
  return v;
}

namespace {

// The node of e in g: a constant becomes one.
int ownNode(const std::shared_ptr<ModelGraph>& g, const Expr& e) {
  if (!e.isConstant() && e.graph() != g) throw std::invalid_argument("an expression of another model");
  return nodeOf(*g, e);
}

}  // namespace

void Model::minimize(const Expr& objective, const std::string& name) {
  graph_->objective.root = ownNode(graph_, objective);
  graph_->objective.name = name;
  graph_->sense = 1;
}

void Model::maximize(const Expr& objective, const std::string& name) {
  minimize(objective, name);
  graph_->sense = -1;
}

void Model::subjectTo(const ModelConstraint& constraint, const std::string& name) {
  ModelFunction c;
  c.root = ownNode(graph_, constraint.body);
  c.lower = constraint.lower, c.upper = constraint.upper, c.name = name;
  c.infinite = graph_->dependsOnT(c.root);
  graph_->constraints.push_back(c);
}

int Model::finiteVariables() const { return graph_->nx; }
int Model::infiniteVariableCount() const { return graph_->nt; }
int Model::finiteConstraints() const {
  int n = 0;
  for (const ModelFunction& c : graph_->constraints) n += !c.infinite;
  return n;
}
int Model::infiniteConstraints() const { return (int)graph_->constraints.size() - finiteConstraints(); }

std::string Model::check() const { return graph_->check(); }

double Model::value(const Expr& e, const std::vector<double>& x, const std::vector<double>& t) const {
  if (e.isConstant()) return e.constantValue();
  const int root = ownNode(graph_, e);
  if ((int)x.size() != graph_->nx || ((int)t.size() != graph_->nt && graph_->dependsOnT(root)))
    throw std::invalid_argument("value: x (t) must hold one value per finite (infinite) variable");
  GraphFunction f(graph_->functionGraph(root), graph_->nx, graph_->nt);
  return f.value(x.data(), t.empty() ? nullptr : t.data());
}

namespace {

Result solveModel(const Model& m, const Options& options, const WarmStart* warm) {
  const std::string issue = m.check();
  if (!issue.empty()) {
    Result r;
    r.status = Status::InvalidInput;
    r.message = issue;
    return r;
  }
  GraphProblem problem(m.graph()->graphModel());
  return warm ? ormid::solve(problem.problem(), options, *warm) : ormid::solve(problem.problem(), options);
}

}  // namespace

Result Model::solve(const Options& options) const { return solveModel(*this, options, nullptr); }

Result Model::solve(const Options& options, const WarmStart& warm) const { return solveModel(*this, options, &warm); }

bool Model::writeNl(const std::string& stub, std::string* why) const {
  const std::string issue = check();
  if (!issue.empty()) {
    if (why) *why = issue;
    return false;
  }
  return writeNlFiles(*graph_, stub, why);
}

}  // namespace ormid
