#include "verify/interval_evaluator.h"

#include "verify/interval_rules.h"
#include "verify/taylor_form.h"

namespace ormid {

namespace {

bool isCondition(Op op) { return op >= Op::Less; }

// Every node's enclosure, arguments first.
bool nodeEnclosures(const Expression& e, const std::vector<Interval>& vars, std::vector<Interval>& value) {
  value.resize(e.nodes.size());
  std::vector<Interval> args;
  for (size_t i = 0; i < e.nodes.size(); ++i) {
    const ExprNode& n = e.nodes[i];
    if (n.op == Op::Constant) {
      value[i] = Interval(n.value);
    } else if (n.op == Op::Variable) {
      if (n.variable < 0 || n.variable >= (int)vars.size()) return false;
      value[i] = vars[n.variable];
    } else if (n.op == Op::Multiply && n.args.size() == 2 && n.args[0] == n.args[1]) {
      value[i] = square(value[n.args[0]]);  // the same node twice: never negative
    } else {
      args.clear();
      for (int a : n.args) args.push_back(value[a]);
      if (!applyRule(n.op, args.data(), (int)args.size(), &value[i])) return false;
    }
  }
  return e.root() >= 0;
}

// Forward-mode interval gradients over the box: node i's gradient is
// grad[i * nd .. i * nd + nd). smooth[i] is false where the gradient does
// not bound the node's slopes (a jump may lie in the box).
struct Gradients {
  int nd;
  std::vector<Interval> grad;
  std::vector<char> smooth;

  Interval* of(int node) { return &grad[(size_t)node * nd]; }
};

// min/max(a_k(x)) - min/max(a_k(c)) lies between two of the differences
// a_k(x) - a_k(c), of arguments that may be extreme over the box: the hull
// of their gradients bounds the slopes.
void extremumGradient(const ExprNode& n, const std::vector<Interval>& value, int node, Gradients& d) {
  const bool isMax = n.op == Op::Max;
  double threshold = isMax ? -HUGE_VAL : HUGE_VAL;
  for (int a : n.args)
    threshold = isMax ? std::max(threshold, value[a].lower()) : std::min(threshold, value[a].upper());
  bool first = true;
  d.smooth[node] = true;
  for (int a : n.args) {
    const bool candidate = isMax ? value[a].upper() >= threshold : value[a].lower() <= threshold;
    if (!candidate) continue;
    d.smooth[node] = d.smooth[node] && d.smooth[a];
    for (int k = 0; k < d.nd; ++k) d.of(node)[k] = first ? d.of(a)[k] : hull(d.of(node)[k], d.of(a)[k]);
    first = false;
  }
}

void chainRule(const ExprNode& n, const std::vector<Interval>& value, int node, Gradients& d) {
  std::vector<Interval> args, partials(n.args.size());
  for (int a : n.args) args.push_back(value[a]);
  d.smooth[node] = partialDerivatives(n.op, args.data(), (int)args.size(), value[node], partials.data());
  for (size_t j = 0; d.smooth[node] && j < n.args.size(); ++j) {
    const int a = n.args[j];
    d.smooth[node] = d.smooth[a];
    for (int k = 0; k < d.nd; ++k) d.of(node)[k] += partials[j] * d.of(a)[k];
  }
}

void nodeGradient(const Expression& e, const std::vector<Interval>& value, const std::vector<int>& direction,
                  int node, Gradients& d) {
  const ExprNode& n = e.nodes[node];
  d.smooth[node] = true;
  switch (n.op) {
    case Op::Constant: return;
    case Op::Variable:
      if (direction[n.variable] >= 0) d.of(node)[direction[n.variable]] = Interval(1.0);
      return;
    case Op::Min:
    case Op::Max: extremumGradient(n, value, node, d); return;
    case Op::IfThenElse: {
      const Interval& c = value[n.args[0]];
      const bool decided = conditionTrue(c) || conditionFalse(c);
      const int branch = conditionTrue(c) ? n.args[1] : n.args[2];
      d.smooth[node] = decided && d.smooth[branch];
      for (int k = 0; decided && k < d.nd; ++k) d.of(node)[k] = d.of(branch)[k];
      return;
    }
    default:
      if (isCondition(n.op)) {  // constant where decided, a jump where not
        const Interval& c = value[node];
        d.smooth[node] = conditionTrue(c) || conditionFalse(c);
        return;
      }
      chainRule(n, value, node, d);
  }
}

bool rootGradient(const Expression& e, const std::vector<Interval>& value, const std::vector<int>& box,
                  int variables, std::vector<Interval>* gradient) {
  std::vector<int> direction(variables, -1);
  for (size_t k = 0; k < box.size(); ++k) direction[box[k]] = (int)k;
  Gradients d{(int)box.size(), std::vector<Interval>(e.nodes.size() * box.size(), Interval(0.0)),
              std::vector<char>(e.nodes.size(), 0)};
  for (size_t i = 0; i < e.nodes.size(); ++i) nodeGradient(e, value, direction, (int)i, d);
  if (!d.smooth[e.root()]) return false;
  gradient->assign(d.of(e.root()), d.of(e.root()) + d.nd);
  return true;
}

}  // namespace

bool naturalEnclosure(const Expression& e, const std::vector<Interval>& vars, Interval* out) {
  std::vector<Interval> value;
  if (!nodeEnclosures(e, vars, value)) return false;
  *out = value[e.root()];
  return true;
}

namespace {

// The order of the Taylor form in one variable: its excess shrinks like
// w^5, the centred form's like w^2.
const int TAYLOR_ORDER = 4;

void tighten(const Interval& other, Interval* out) {
  if (isProper(other) && overlap(other, *out)) *out = intersect(other, *out);
}

bool enclosureOver(const Expression& e, const std::vector<Interval>& vars, const std::vector<int>& box,
                   Interval* out);

// Where g's gradient has one sign in some coordinates over the box, its
// largest value lies on the face where those coordinates are at the end
// the sign points to, its smallest on the opposite face: each end of the
// enclosure comes from the face's (lower-dimensional) enclosure.
bool monotoneFaces(const Expression& e, const std::vector<Interval>& vars, const std::vector<int>& box,
                   const std::vector<Interval>& gradient, Interval* out) {
  bool any = false;
  for (const Interval& d : gradient) any = any || d.lower() >= 0 || d.upper() <= 0;
  if (!any) return false;
  for (int side : {1, -1}) {
    std::vector<Interval> face = vars;
    std::vector<int> free;
    for (size_t k = 0; k < box.size(); ++k) {
      const Interval& t = vars[box[k]];
      const Interval& d = gradient[k];
      if (d.lower() >= 0 || d.upper() <= 0) {
        const bool rising = d.lower() >= 0;
        face[box[k]] = Interval(rising == (side > 0) ? t.upper() : t.lower());
      } else {
        free.push_back(box[k]);
      }
    }
    Interval f;
    if (!enclosureOver(e, face, free, &f)) continue;
    if (side > 0 && f.upper() < out->upper() && f.upper() >= out->lower()) *out = Interval(out->lower(), f.upper());
    if (side < 0 && f.lower() > out->lower() && f.lower() <= out->upper()) *out = Interval(f.lower(), out->upper());
  }
  return true;
}

bool enclosureOver(const Expression& e, const std::vector<Interval>& vars, const std::vector<int>& box,
                   Interval* out) {
  std::vector<Interval> value;
  if (!nodeEnclosures(e, vars, value)) return false;
  *out = value[e.root()];
  if (box.empty()) return true;
  std::vector<Interval> gradient;
  const bool smooth = rootGradient(e, value, box, (int)vars.size(), &gradient);
  if (smooth) {
    // g(c) through the same rules on point intervals, so that it too encloses.
    std::vector<Interval> centre = vars;
    for (int v : box) centre[v] = Interval(median(vars[v]));
    Interval centred;
    if (naturalEnclosure(e, centre, &centred)) {
      for (size_t k = 0; k < box.size(); ++k) centred += gradient[k] * (vars[box[k]] - centre[box[k]]);
      tighten(centred, out);
    }
    if (monotoneFaces(e, vars, box, gradient, out)) return true;
  }
  Interval taylor;
  if (box.size() == 1 && taylorEnclosure(e, vars, box[0], TAYLOR_ORDER, &taylor)) tighten(taylor, out);
  return true;
}

}  // namespace

bool boxEnclosure(const Expression& e, const std::vector<Interval>& vars, const std::vector<int>& box,
                  Interval* out) {
  return enclosureOver(e, vars, box, out);
}

}  // namespace ormid
