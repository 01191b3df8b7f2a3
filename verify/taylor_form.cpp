#include "verify/taylor_form.h"

#include <cmath>

#include "verify/interval_rules.h"

namespace ormid {

namespace {

// Each node's Taylor coefficients 0..K in the variable, node i's at
// c[i * (K + 1)]. Coefficient 0 is the node's natural enclosure.
struct Series {
  int K;
  std::vector<Interval> c;
  Interval* of(int node) { return &c[(size_t)node * (K + 1)]; }
};

void zero(Interval* c, int K) {
  for (int k = 1; k <= K; ++k) c[k] = Interval(0.0);
}

// c_k for k >= 1 of a * b (c_0 set by the caller). A product of a node
// with itself sums each pair once, its middle term a square.
void product(const Interval* a, const Interval* b, int K, bool same, Interval* c) {
  for (int k = 1; k <= K; ++k) {
    Interval s(0.0);
    if (same) {
      for (int j = 0; 2 * j < k; ++j) s += 2.0 * (a[j] * a[k - j]);
      if (k % 2 == 0) s += square(a[k / 2]);
    } else {
      for (int j = 0; j <= k; ++j) s += a[j] * b[k - j];
    }
    c[k] = s;
  }
}

// a = b c: c_k = (a_k - sum_{j>=1} b_j c_{k-j}) / b_0.
void quotient(const Interval* a, const Interval* b, int K, Interval* c) {
  for (int k = 1; k <= K; ++k) {
    Interval s = a[k];
    for (int j = 1; j <= k; ++j) s -= b[j] * c[k - j];
    c[k] = s / b[0];
  }
}

// c' = d a' with d's coefficient m from dAt(m) (m < k): k c_k = sum_j j a_j d_{k-j}.
template <class D>
void integrate(const Interval* a, int K, Interval* c, D dAt) {
  for (int k = 1; k <= K; ++k) {
    Interval s(0.0);
    for (int j = 1; j <= k; ++j) s += double(j) * (a[j] * dAt(k - j, c));
    c[k] = s / double(k);
  }
}

// d c' = a' with d known: c_k = (a_k - (1/k) sum_{j=1}^{k-1} (k - j) d_j c_{k-j}) / d_0.
void inverseIntegrate(const Interval* a, const Interval* d, int K, Interval* c) {
  for (int k = 1; k <= K; ++k) {
    Interval s(0.0);
    for (int j = 1; j < k; ++j) s += double(k - j) * (d[j] * c[k - j]);
    c[k] = (a[k] - s / double(k)) / d[0];
  }
}

// (c^2)_m for m >= 1 from c's first m + 1 coefficients.
Interval squareCoefficient(const Interval* c, int m) {
  Interval s(0.0);
  for (int j = 0; 2 * j < m; ++j) s += 2.0 * (c[j] * c[m - j]);
  if (m % 2 == 0) s += square(c[m / 2]);
  return s;
}

bool excludesZero(const Interval& v) { return v.lower() > 0 || v.upper() < 0; }

// Sine and cosine together: s' = co a', co' = -s a' (hyperbolic: + s a').
void sineCosine(const Interval* a, int K, bool hyperbolic, Interval* s, Interval* co) {
  for (int k = 1; k <= K; ++k) {
    Interval ss(0.0), cc(0.0);
    for (int j = 1; j <= k; ++j) {
      ss += double(j) * (a[j] * co[k - j]);
      cc += double(j) * (a[j] * s[k - j]);
    }
    s[k] = ss / double(k);
    co[k] = (hyperbolic ? cc : -cc) / double(k);
  }
}

// c = a^p, a_0 away from 0: a c' = p c a', so
// c_k = sum_{j=1}^k (p j - (k - j)) a_j c_{k-j} / (k a_0).
void realPower(const Interval* a, double p, int K, Interval* c) {
  for (int k = 1; k <= K; ++k) {
    Interval s(0.0);
    for (int j = 1; j <= k; ++j) s += (p * j - (k - j)) * (a[j] * c[k - j]);
    c[k] = s / (double(k) * a[0]);
  }
}

// a^p for a whole p >= 0 by repeated products (coefficient 0 from the rule).
void wholePower(const Interval* a, int p, int K, Interval* c) {
  std::vector<Interval> acc(a, a + K + 1), next(K + 1);
  for (int i = 1; i < p; ++i) {
    next[0] = acc[0] * a[0];
    product(acc.data(), a, K, false, next.data());
    acc.swap(next);
  }
  for (int k = 1; k <= K; ++k) c[k] = p == 0 ? Interval(0.0) : acc[k];
}

bool power(const Interval* a, const Interval* b, int K, Interval* c) {
  bool constantExponent = true;
  for (int k = 1; k <= K; ++k) constantExponent = constantExponent && b[k].lower() == 0 && b[k].upper() == 0;
  if (constantExponent && b[0].lower() == b[0].upper()) {
    const double p = b[0].lower();
    const bool whole = p == std::floor(p) && std::fabs(p) <= 64;
    if (whole && p >= 0 && (p <= 4 || !excludesZero(a[0]))) return wholePower(a, (int)p, K, c), true;
    if (!excludesZero(a[0]) || (!whole && a[0].lower() <= 0)) return false;
    realPower(a, p, K, c);
    return true;
  }
  if (!(a[0].lower() > 0)) return false;  // a^b = exp(b log a)
  std::vector<Interval> l(K + 1), m(K + 1);
  l[0] = log(a[0]);
  inverseIntegrate(a, a, K, l.data());
  m[0] = b[0] * l[0];
  product(b, l.data(), K, false, m.data());
  integrate(m.data(), K, c, [](int i, const Interval* cc) { return cc[i]; });
  return true;
}

// Whether a condition or a jump is constant over the box: its value a point.
bool isConstant(const Interval& v) { return v.lower() == v.upper(); }

bool unarySeries(Op op, const Interval* a, int K, Interval* c) {
  switch (op) {
    case Op::Negate:
      for (int k = 1; k <= K; ++k) c[k] = -a[k];
      return true;
    case Op::Exp: integrate(a, K, c, [](int i, const Interval* cc) { return cc[i]; }); return true;
    case Op::Log:
    case Op::Log10: {
      if (!(a[0].lower() > 0)) return false;
      std::vector<Interval> l(K + 1);
      l[0] = log(a[0]);
      inverseIntegrate(a, a, K, l.data());
      const double v = 1.0 / std::log(10.0);
      const Interval scale = op == Op::Log ? Interval(1.0) : Interval(std::nextafter(v, 0.0), std::nextafter(v, 1.0));
      for (int k = 1; k <= K; ++k) c[k] = l[k] * scale;
      return true;
    }
    case Op::Sqrt:
      if (!(c[0].lower() > 0)) return false;
      for (int k = 1; k <= K; ++k) {
        Interval s = a[k];
        for (int j = 1; j < k; ++j) s -= c[j] * c[k - j];
        c[k] = s / (2.0 * c[0]);
      }
      return true;
    case Op::Sin:
    case Op::Cos:
    case Op::Sinh:
    case Op::Cosh: {
      const bool hyperbolic = op == Op::Sinh || op == Op::Cosh;
      std::vector<Interval> s(K + 1), co(K + 1);
      s[0] = hyperbolic ? sinh(a[0]) : sin(a[0]);
      co[0] = hyperbolic ? cosh(a[0]) : cos(a[0]);
      sineCosine(a, K, hyperbolic, s.data(), co.data());
      const std::vector<Interval>& mine = op == Op::Sin || op == Op::Sinh ? s : co;
      for (int k = 1; k <= K; ++k) c[k] = mine[k];
      return true;
    }
    case Op::Tan:
    case Op::Tanh: {  // c' = (1 +- c^2) a'
      const double sign = op == Op::Tan ? 1.0 : -1.0;
      integrate(a, K, c, [sign](int m, const Interval* cc) {
        return m == 0 ? 1.0 + sign * square(cc[0]) : sign * squareCoefficient(cc, m);
      });
      return true;
    }
    case Op::Atan: {  // (1 + a^2) c' = a'
      std::vector<Interval> d(K + 1);
      d[0] = 1.0 + square(a[0]);
      for (int m = 1; m <= K; ++m) d[m] = squareCoefficient(a, m);
      inverseIntegrate(a, d.data(), K, c);
      return true;
    }
    case Op::Abs:
      if (!excludesZero(a[0])) return false;
      for (int k = 1; k <= K; ++k) c[k] = a[0].lower() > 0 ? a[k] : -a[k];
      return true;
    case Op::Floor:
    case Op::Ceil:
    case Op::Not:
      if (!isConstant(c[0])) return false;
      zero(c, K);
      return true;
    default: return false;
  }
}

bool isCondition(Op op) { return op >= Op::Less; }

// The argument of a min or max that is extreme over the whole box, or -1.
int dominant(const ExprNode& n, Series& s) {
  const bool isMax = n.op == Op::Max;
  for (int a : n.args) {
    bool wins = true;
    for (int b : n.args)
      if (b != a) wins = wins && (isMax ? s.of(a)[0].lower() >= s.of(b)[0].upper() : s.of(a)[0].upper() <= s.of(b)[0].lower());
    if (wins) return a;
  }
  return -1;
}

bool nodeSeries(const ExprNode& n, Series& s, Interval* c) {
  const int K = s.K;
  auto arg = [&](int k) { return s.of(n.args[k]); };
  switch (n.op) {
    case Op::Add:
    case Op::Subtract:
      for (int k = 1; k <= K; ++k) c[k] = n.op == Op::Add ? arg(0)[k] + arg(1)[k] : arg(0)[k] - arg(1)[k];
      return true;
    case Op::Sum:
      zero(c, K);
      for (size_t i = 0; i < n.args.size(); ++i)
        for (int k = 1; k <= K; ++k) c[k] += arg((int)i)[k];
      return true;
    case Op::Multiply: product(arg(0), arg(1), K, n.args[0] == n.args[1], c); return true;
    case Op::Divide:
      if (!excludesZero(arg(1)[0])) return false;
      quotient(arg(0), arg(1), K, c);
      return true;
    case Op::Power: return power(arg(0), arg(1), K, c);
    case Op::Min:
    case Op::Max: {
      const int a = dominant(n, s);
      if (a < 0) return false;
      for (int k = 1; k <= K; ++k) c[k] = s.of(a)[k];
      return true;
    }
    case Op::IfThenElse: {
      const Interval& condition = arg(0)[0];
      if (!conditionTrue(condition) && !conditionFalse(condition)) return false;
      const Interval* branch = arg(conditionTrue(condition) ? 1 : 2);
      for (int k = 1; k <= K; ++k) c[k] = branch[k];
      return true;
    }
    default:
      if (isCondition(n.op) && n.op != Op::Not) {
        if (!isConstant(c[0])) return false;
        zero(c, K);
        return true;
      }
      return n.args.size() == 1 && unarySeries(n.op, arg(0), K, c);
  }
}

// Every node's coefficients up to order K, the variable's series X + s.
bool seriesOf(const Expression& e, const std::vector<Interval>& vars, int variable, Series& s) {
  s.c.assign(e.nodes.size() * (s.K + 1), Interval(0.0));
  std::vector<Interval> args;
  for (size_t i = 0; i < e.nodes.size(); ++i) {
    const ExprNode& n = e.nodes[i];
    Interval* c = s.of((int)i);
    if (n.op == Op::Constant) {
      c[0] = Interval(n.value);
      continue;
    }
    if (n.op == Op::Variable) {
      if (n.variable < 0 || n.variable >= (int)vars.size()) return false;
      c[0] = vars[n.variable];
      if (n.variable == variable && s.K >= 1) c[1] = Interval(1.0);
      continue;
    }
    args.clear();
    for (int a : n.args) args.push_back(s.of(a)[0]);
    if (n.op == Op::Multiply && n.args.size() == 2 && n.args[0] == n.args[1]) c[0] = square(args[0]);
    else if (!applyRule(n.op, args.data(), (int)args.size(), c)) return false;
    if (!nodeSeries(n, s, c)) return false;
  }
  return e.root() >= 0;
}

// An upper bound of a s + b s^2 over a in A, b in B, s in S.
double quadraticMax(const Interval& A, const Interval& B, const Interval& S) {
  const Interval b(B.upper());  // b s^2 <= b_max s^2
  auto at = [&](double s) { return (A * Interval(s) + b * square(Interval(s))).upper(); };
  const double ends = std::max(at(S.lower()), at(S.upper()));
  if (B.upper() >= 0) return ends;  // convex in s: the largest value at an end
  const Interval vertex = -A / (2.0 * b);
  if (vertex.lower() > S.upper() || vertex.upper() < S.lower()) return ends;
  return (square(A) / (-4.0 * b)).upper();
}

}  // namespace

bool taylorEnclosure(const Expression& e, const std::vector<Interval>& vars, int variable, int order,
                     Interval* out) {
  if (order < 2 || variable < 0 || variable >= (int)vars.size()) return false;
  const Interval X = vars[variable];
  const double c = median(X);
  std::vector<Interval> centre = vars;
  centre[variable] = Interval(c);
  Series atCentre{order - 1, {}}, overBox{order, {}};
  if (!seriesOf(e, centre, variable, atCentre) || !seriesOf(e, vars, variable, overBox)) return false;
  const Interval* g = atCentre.of(e.root());
  const Interval remainder = overBox.of(e.root())[order];
  const Interval S = X - Interval(c);
  // a s + b s^2 bounded as a whole; the terms from s^3 on one by one.
  const Interval a = g[1], b = order == 2 ? remainder : g[2];
  Interval rest(0.0);
  for (int k = 3; k < order; ++k) rest += g[k] * pow(S, k);
  if (order >= 3) rest += remainder * pow(S, order);
  const Interval quadratic(-quadraticMax(-a, -b, S), quadraticMax(a, b, S));
  const Interval v = g[0] + quadratic + rest;
  if (!isProper(v) || !std::isfinite(v.lower()) || !std::isfinite(v.upper())) return false;
  *out = v;
  return true;
}

}  // namespace ormid
