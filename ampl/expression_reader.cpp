// Copies the constraint bodies of a stub into library-side expression
// graphs. The plain reader is given a table of operator codes in place of
// its evaluation functions, so that each node's op field holds the .nl
// operator code (D. M. Gay, "Writing .nl Files", Sandia report
// SAND2005-7907P, 2005, lists the codes and node layouts). Standard headers
// first: the library's headers remap printf, exit and friends.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "ampl/expression_reader.h"

#include "nlp.h"

namespace ormid {

namespace {

// .nl operator codes.
enum Code {
  PLUS = 0, MINUS = 1, MULT = 2, DIV = 3, POW = 5, LESS = 6, MINLIST = 11, MAXLIST = 12,
  FLOOR = 13, CEIL = 14, ABS = 15, UMINUS = 16, OR = 20, AND = 21, LT = 22, LE = 23, EQ = 24,
  GE = 28, GT = 29, NE = 30, NOT = 34, IFNL = 35, TANH = 37, TAN = 38, SQRT = 39, SINH = 40,
  SIN = 41, LOG10 = 42, LOG = 43, EXP = 44, COSH = 45, COS = 46, ATANH = 47, ATAN2 = 48,
  ATAN = 49, ASINH = 50, ASIN = 51, ACOSH = 52, ACOS = 53, SUMLIST = 54, POW_CONST = 76,
  SQUARE = 77, CONST_POW = 78, FUNCALL = 79, NUMBER = 80, VARVAL = 82, CODE_COUNT = 83
};

// Operators whose arguments are the node's L and R (R absent when unary).
const std::map<int, Op>& simpleOps() {
  static const std::map<int, Op> ops = {
      {PLUS, Op::Add}, {MINUS, Op::Subtract}, {MULT, Op::Multiply}, {DIV, Op::Divide},
      {POW, Op::Power}, {POW_CONST, Op::Power}, {CONST_POW, Op::Power}, {FLOOR, Op::Floor},
      {CEIL, Op::Ceil}, {ABS, Op::Abs}, {UMINUS, Op::Negate}, {OR, Op::Or}, {AND, Op::And},
      {LT, Op::Less}, {LE, Op::LessEqual}, {EQ, Op::Equal}, {GE, Op::GreaterEqual},
      {GT, Op::Greater}, {NE, Op::NotEqual}, {NOT, Op::Not}, {TANH, Op::Tanh}, {TAN, Op::Tan},
      {SQRT, Op::Sqrt}, {SINH, Op::Sinh}, {SIN, Op::Sin}, {LOG10, Op::Log10}, {LOG, Op::Log},
      {EXP, Op::Exp}, {COSH, Op::Cosh}, {COS, Op::Cos}, {ATANH, Op::Atanh}, {ATAN2, Op::Atan2},
      {ATAN, Op::Atan}, {ASINH, Op::Asinh}, {ASIN, Op::Asin}, {ACOSH, Op::Acosh},
      {ACOS, Op::Acos}};
  return ops;
}

bool isUnary(int code) {
  return code == FLOOR || code == CEIL || code == ABS || code == UMINUS || code == NOT ||
         (code >= TANH && code <= ACOS && code != ATAN2);
}

std::string operatorName(int code) {
  static const std::map<int, std::string> names = {
      {4, "mod"}, {55, "div"}, {56, "precision"}, {57, "round"}, {58, "trunc"},
      {59, "count"}, {60, "numberof"}, {64, "piecewise-linear term"}, {65, "symbolic if"},
      {70, "and-list"}, {71, "or-list"}, {72, "implication"}, {73, "iff"}, {74, "alldiff"}};
  auto it = names.find(code);
  return it != names.end() ? "operator " + it->second : "operator code " + std::to_string(code);
}

// One constraint's copy: the walk of its tree and the defined variables met.
class Copier {
 public:
  Copier(ASL_fg* a, Expression* out) : asl(a), g(out) {}

  int body(int con) {
    int root = walk(con_de[con].e);
    for (cgrad* c = Cgrad[con]; c; c = c->next)
      if (c->coef != 0) root = g->apply(Op::Add, {root, term(c->coef, (int)c->varno)});
    g->setRoot(root);
    return root;
  }

 private:
  ASL_fg* asl;  // the name the library's macros expect
  Expression* g;
  std::map<int, int> definedNode;  // defined variable -> its node

  int code(const expr* e) const { return (int)(size_t)e->op; }

  int term(double coef, int var) { return g->apply(Op::Multiply, {g->constant(coef), reference(var)}); }

  void unsupported(const std::string& what) {
    if (g->unsupported.empty()) g->unsupported = what;
  }

  // A variable or, past n_var, a defined variable (expanded once).
  int reference(int var) {
    if (var < n_var) return g->variable(var);
    auto it = definedNode.find(var);
    if (it != definedNode.end()) return it->second;
    const int k = var - n_var;
    const bool first = k < ncom0;
    expr* e = first ? cexps[k].e : cexps1[k - ncom0].e;
    const int nlin = first ? cexps[k].nlin : cexps1[k - ncom0].nlin;
    linpart* L = first ? cexps[k].L : cexps1[k - ncom0].L;
    int node = walk(e);
    for (int i = 0; i < nlin; ++i) node = g->apply(Op::Add, {node, term(L[i].fac, linearIndex(L[i].v))});
    definedNode[var] = node;
    return node;
  }

  // The reader keeps a linear term's variable as a pointer into var_e (to
  // the entry or its value); an index where it kept that.
  int linearIndex(const uirp& v) const {
    const char* base = (const char*)var_e;
    const char* p = (const char*)v.vp;
    const long count = n_var + ncom0 + ncom1;
    if (p >= base && p < base + count * (long)sizeof(expr_v)) return (int)((p - base) / (long)sizeof(expr_v));
    return v.i;
  }

  // A node of var_e is a variable reference whatever its op field says.
  bool isVariable(const expr* e, int* index) const {
    const expr_v* v = (const expr_v*)e;
    const long count = n_var + ncom0 + ncom1;
    if (v >= var_e && v < var_e + count) {
      *index = (int)(v - var_e);
      return true;
    }
    if (code(e) == VARVAL) {
      *index = e->a;
      return true;
    }
    return false;
  }

  int walk(expr* e) {
    if (!e) return g->constant(0.0);
    int index;
    if (isVariable(e, &index)) return reference(index);
    const int c = code(e);
    if (c == NUMBER || e->op == f_OPNUM) return g->constant(((expr_n*)e)->v);
    auto simple = simpleOps().find(c);
    if (simple != simpleOps().end()) {
      std::vector<int> args{walk(e->L.e)};
      if (!isUnary(c)) args.push_back(walk(e->R.e));
      return g->apply(simple->second, args);
    }
    switch (c) {
      case SQUARE: return g->apply(Op::Power, {walk(e->L.e), g->constant(2.0)});
      case LESS: {  // a less b = max(a - b, 0)
        int difference = g->apply(Op::Subtract, {walk(e->L.e), walk(e->R.e)});
        return g->apply(Op::Max, {difference, g->constant(0.0)});
      }
      case SUMLIST: return list(Op::Sum, e->L.ep, e->R.ep);
      case MINLIST:
      case MAXLIST: return extremum(c == MINLIST ? Op::Min : Op::Max, (expr_va*)e);
      case IFNL: {
        expr_if* f = (expr_if*)e;
        return g->apply(Op::IfThenElse, {walk(f->e), walk(f->T), walk(f->F)});
      }
      case FUNCALL: unsupported(std::string("imported function ") + ((expr_f*)e)->fi->name); break;
      default: unsupported(operatorName(c)); break;
    }
    return g->constant(0.0);
  }

  int list(Op op, expr** begin, expr** end) {
    std::vector<int> args;
    for (expr** p = begin; p < end; ++p) args.push_back(walk(*p));
    return g->apply(op, args);
  }

  int extremum(Op op, expr_va* e) {
    std::vector<int> args;
    for (de* d = e->L.d; d->e; ++d) args.push_back(walk(d->e));
    return g->apply(op, args);
  }
};

std::vector<efunc*> codeTable() {
  std::vector<efunc*> table(CODE_COUNT);
  for (int i = 0; i < CODE_COUNT; ++i) table[i] = (efunc*)(size_t)i;
  return table;
}

}  // namespace

bool readConstraintExpressions(const char* stub, std::vector<Expression>* out, std::string* why) {
  ASL* program = cur_ASL;
  ASL_fg* asl = (ASL_fg*)ASL_alloc(ASL_read_fg);
  std::vector<efunc*> codes = codeTable();
  return_nofile = 1;
  FILE* nl = jac0dim((char*)stub, (ftnlen)strlen(stub));
  bool read = nl != nullptr;
  if (read) {
    asl->I.r_ops_ = codes.data();
    want_derivs = 0;
    fg_read(nl, 0);
    out->assign(n_con, Expression());
    for (int i = 0; i < n_con; ++i) Copier(asl, &(*out)[i]).body(i);
  } else {
    *why = std::string("cannot read ") + stub;
  }
  ASL* mine = (ASL*)asl;
  ASL_free(&mine);
  set_cur_ASL(program);
  return read;
}

}  // namespace ormid
