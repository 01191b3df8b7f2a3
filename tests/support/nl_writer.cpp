#include "nl_writer.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace nl {

enum Kind { NUM, VAR, OP, FUNCALL, DEFINED };

struct Node {
  Kind kind;
  int code = 0;  // opcode, variable index or function index
  double value = 0.0;
  std::vector<Expr> args;
};

namespace {

// Opcodes of the .nl format.
enum { OPPLUS = PLUS, OPMINUS = MINUS, OPMULT = MULT, OPDIV = DIV, OPPOW = POW,
       OPUMINUS = UMINUS, OP_sqrt = SQRT, OP_sin = SIN, OP_log = LOG, OP_exp = EXP, OP_cos = COS };

bool isList(int code) { return code == MINLIST || code == MAXLIST || code == SUMLIST; }

Expr op(int code, std::vector<Expr> args) {
  auto n = std::make_shared<Node>();
  n->kind = OP;
  n->code = code;
  n->args = std::move(args);
  return n;
}

std::string number(double v) {
  char buf[40];
  snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

void emit(const Expr& e, int nVars, std::ostringstream& out) {
  switch (e->kind) {
    case DEFINED:
      out << "v" << nVars + e->code << "\n";
      break;
    case NUM:
      out << "n" << number(e->value) << "\n";
      break;
    case VAR:
      out << "v" << e->code << "\n";
      break;
    case OP:
      out << "o" << e->code << "\n";
      if (isList(e->code)) out << e->args.size() << "\n";
      for (const Expr& a : e->args) emit(a, nVars, out);
      break;
    case FUNCALL:
      out << "f" << e->code << " " << e->args.size() << "\n";
      for (const Expr& a : e->args) emit(a, nVars, out);
      break;
  }
}

// The variables e depends on, through defined variables too.
void collectVars(const Expr& e, const std::vector<Defined>& defineds, std::set<int>& vars) {
  if (!e) return;
  if (e->kind == VAR) vars.insert(e->code);
  if (e->kind == DEFINED) {
    const Defined& d = defineds.at(e->code);
    collectVars(d.body, defineds, vars);
    for (const auto& term : d.linear) vars.insert(term.first);
  }
  for (const Expr& a : e->args) collectVars(a, defineds, vars);
}

// Bound codes: 0 range, 1 upper only, 2 lower only, 3 free, 4 fixed/equal.
std::string boundLine(double lo, double hi) {
  bool hasLo = lo > -INF, hasHi = hi < INF;
  if (hasLo && hasHi && lo == hi) return "4 " + number(lo);
  if (hasLo && hasHi) return "0 " + number(lo) + " " + number(hi);
  if (hasHi) return "1 " + number(hi);
  if (hasLo) return "2 " + number(lo);
  return "3";
}

double linearCoefficient(const Constraint& c, int var) {
  double coef = 0;
  for (const auto& term : c.linear)
    if (term.first == var) coef += term.second;
  return coef;
}

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary);
  if (!f) throw std::runtime_error("cannot write " + path);
  f << text;
}

}  // namespace

Expr num(double v) {
  auto n = std::make_shared<Node>();
  n->kind = NUM;
  n->value = v;
  return n;
}

Expr var(int index) {
  auto n = std::make_shared<Node>();
  n->kind = VAR;
  n->code = index;
  return n;
}

Expr operator+(Expr a, Expr b) { return op(OPPLUS, {a, b}); }
Expr operator-(Expr a, Expr b) { return op(OPMINUS, {a, b}); }
Expr operator*(Expr a, Expr b) { return op(OPMULT, {a, b}); }
Expr operator/(Expr a, Expr b) { return op(OPDIV, {a, b}); }
Expr operator-(Expr a) { return op(OPUMINUS, {a}); }
Expr operator+(Expr a, double b) { return a + num(b); }
Expr operator+(double a, Expr b) { return num(a) + b; }
Expr operator-(Expr a, double b) { return a - num(b); }
Expr operator-(double a, Expr b) { return num(a) - b; }
Expr operator*(double a, Expr b) { return num(a) * b; }
Expr operator*(Expr a, double b) { return a * num(b); }
Expr operator/(Expr a, double b) { return a / num(b); }
Expr operator/(double a, Expr b) { return num(a) / b; }
Expr pow(Expr a, Expr b) { return op(OPPOW, {a, b}); }
// Small whole exponents become products: the reader's general power
// cannot differentiate a zero base.
Expr pow(Expr a, double b) {
  if (b >= 1 && b <= 8 && b == std::floor(b)) {
    Expr p = a;
    for (int i = 1; i < (int)b; ++i) p = p * a;
    return p;
  }
  return op(OPPOW, {a, num(b)});
}
Expr sqrt(Expr a) { return op(OP_sqrt, {a}); }
Expr exp(Expr a) { return op(OP_exp, {a}); }
Expr log(Expr a) { return op(OP_log, {a}); }
Expr sin(Expr a) { return op(OP_sin, {a}); }
Expr cos(Expr a) { return op(OP_cos, {a}); }
Expr abs(Expr a) { return op(ABS, {a}); }
Expr apply(Opcode code, const std::vector<Expr>& args) { return op(code, args); }

Expr defined(int k) {
  auto n = std::make_shared<Node>();
  n->kind = DEFINED;
  n->code = k;
  return n;
}

Expr call(int function, const std::vector<Expr>& args) {
  auto n = std::make_shared<Node>();
  n->kind = FUNCALL;
  n->code = function;
  n->args = args;
  return n;
}

double evaluate(const Expr& e, const std::vector<double>& values) {
  auto arg = [&](int i) { return evaluate(e->args[i], values); };
  switch (e->kind) {
    case NUM: return e->value;
    case VAR: return values.at(e->code);
    case FUNCALL: throw std::runtime_error("cannot evaluate an imported function");
    case DEFINED: throw std::runtime_error("cannot evaluate a defined variable alone");
    case OP: break;
  }
  switch (e->code) {
    case OPPLUS: return arg(0) + arg(1);
    case OPMINUS: return arg(0) - arg(1);
    case OPMULT: return arg(0) * arg(1);
    case OPDIV: return arg(0) / arg(1);
    case OPPOW: return std::pow(arg(0), arg(1));
    case ABS: return std::fabs(arg(0));
    case OPUMINUS: return -arg(0);
    case OP_sqrt: return std::sqrt(arg(0));
    case OP_sin: return std::sin(arg(0));
    case OP_log: return std::log(arg(0));
    case OP_exp: return std::exp(arg(0));
    case OP_cos: return std::cos(arg(0));
  }
  throw std::runtime_error("unknown opcode");
}

int Model::addVar(const std::string& name, double lower, double upper) {
  vars.push_back({name, lower, upper, false, 0.0});
  return (int)vars.size() - 1;
}

int Model::addVar(const std::string& name, double lower, double upper, double start) {
  vars.push_back({name, lower, upper, true, start});
  return (int)vars.size() - 1;
}

Expr Model::v(const std::string& name) const {
  for (size_t i = 0; i < vars.size(); ++i)
    if (vars[i].name == name) return var((int)i);
  throw std::runtime_error("no variable " + name);
}

void Model::addCon(const std::string& name, Expr body, double lower, double upper) {
  cons.push_back({name, body, lower, upper, {}});
}

int Model::addFunction(const std::string& name) {
  functions.push_back(name);
  return (int)functions.size() - 1;
}

int Model::addDefined(Expr body, const std::vector<std::pair<int, double>>& linear) {
  defineds.push_back({body, linear});
  return (int)defineds.size() - 1;
}

void Model::minimize(Expr e, const std::string& name) {
  objective = e;
  objectiveName = name;
  maximize = false;
}

std::string Model::nlText() const {
  const int n = (int)vars.size(), m = (int)cons.size();
  int ranges = 0, equalities = 0;
  for (const Constraint& c : cons) {
    if (c.lower > -INF && c.upper < INF) (c.lower == c.upper ? equalities : ranges)++;
  }
  std::vector<std::set<int>> conVars(m);
  int nzc = 0;
  for (int i = 0; i < m; ++i) {
    collectVars(cons[i].body, defineds, conVars[i]);
    for (const auto& term : cons[i].linear) conVars[i].insert(term.first);
    nzc += (int)conVars[i].size();
  }
  std::set<int> objVars;
  collectVars(objective, defineds, objVars);
  size_t maxRow = objective ? objectiveName.size() : 0, maxCol = 0;
  for (const Constraint& c : cons) maxRow = std::max(maxRow, c.name.size());
  for (const Variable& v : vars) maxCol = std::max(maxCol, v.name.size());
  const int nlvc = m > 0 ? n : 0, nlvo = objective ? n : 0, nlvb = std::min(nlvc, nlvo);

  std::ostringstream out;
  out << "g3 1 1 0\t# problem stub\n";
  const int objectives = objective ? 1 : 0;
  out << " " << n << " " << m << " " << objectives << " " << ranges << " " << equalities
      << " 0\t# vars, constraints, objectives, ranges, eqns\n";
  out << " " << m << " " << objectives << "\t# nonlinear constraints, objectives\n";
  out << " 0 0\t# network constraints: nonlinear, linear\n";
  out << " " << nlvc << " " << nlvo << " " << nlvb
      << "\t# nonlinear vars in constraints, objectives, both\n";
  out << " 0 " << functions.size() << " 0 1\t# linear network variables; functions; arith, flags\n";
  out << " 0 0 0 0 0\t# discrete variables: binary, integer, nonlinear (b,c,o)\n";
  out << " " << nzc << " " << objVars.size() << "\t# nonzeros in Jacobian, gradients\n";
  out << " " << maxRow << " " << maxCol << "\t# max name lengths: constraints, variables\n";
  out << " " << defineds.size() << " 0 0 0 0\t# common exprs: b,c,o,c1,o1\n";
  for (size_t f = 0; f < functions.size(); ++f)
    out << "F" << f << " 0 -1 " << functions[f] << "\n";
  for (size_t k = 0; k < defineds.size(); ++k) {
    out << "V" << n + k << " " << defineds[k].linear.size() << " 0\n";
    for (const auto& term : defineds[k].linear) out << term.first << " " << number(term.second) << "\n";
    emit(defineds[k].body ? defineds[k].body : num(0.0), n, out);
  }
  for (int i = 0; i < m; ++i) {
    out << "C" << i << "\n";
    emit(cons[i].body ? cons[i].body : num(0.0), n, out);
  }
  if (objective) {
    out << "O0 " << (maximize ? 1 : 0) << "\n";
    emit(objective, n, out);
  }

  int starts = 0;
  for (const Variable& v : vars) starts += v.hasStart;
  if (starts) {
    out << "x" << starts << "\n";
    for (int j = 0; j < n; ++j)
      if (vars[j].hasStart) out << j << " " << number(vars[j].start) << "\n";
  }
  if (m > 0) {
    out << "r\n";
    for (const Constraint& c : cons) out << boundLine(c.lower, c.upper) << "\n";
  }
  out << "b\n";
  for (const Variable& v : vars) out << boundLine(v.lower, v.upper) << "\n";
  if (m > 0) {
    out << "k" << n - 1 << "\n";
    int cumulative = 0;
    for (int j = 0; j + 1 < n; ++j) {
      for (int i = 0; i < m; ++i) cumulative += (int)conVars[i].count(j);
      out << cumulative << "\n";
    }
    for (int i = 0; i < m; ++i) {
      if (conVars[i].empty()) continue;
      out << "J" << i << " " << conVars[i].size() << "\n";
      for (int j : conVars[i]) out << j << " " << number(linearCoefficient(cons[i], j)) << "\n";
    }
  }
  if (!objVars.empty()) {
    out << "G0 " << objVars.size() << "\n";
    for (int j : objVars) out << j << " 0\n";
  }
  return out.str();
}

std::string Model::rowText() const {
  std::string s;
  for (const Constraint& c : cons) s += c.name + "\n";
  return objective ? s + objectiveName + "\n" : s;
}

std::string Model::colText() const {
  std::string s;
  for (const Variable& v : vars) s += v.name + "\n";
  return s;
}

void Model::write(const std::string& stub, bool rowFile, bool colFile) const {
  writeFile(stub + ".nl", nlText());
  if (rowFile) writeFile(stub + ".row", rowText());
  if (colFile) writeFile(stub + ".col", colText());
}

}  // namespace nl
