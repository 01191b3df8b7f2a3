#include "verify/interval_rules.h"

#include <cmath>

namespace ormid {

namespace {

using boost::numeric::interval_lib::pi;
using boost::numeric::interval_lib::pi_half;

const Interval UNKNOWN(0.0, 1.0), TRUE(1.0, 1.0), FALSE(0.0, 0.0);

bool isFinite(const Interval& v) { return std::isfinite(v.lower()) && std::isfinite(v.upper()); }
bool isPoint(const Interval& v) { return v.lower() == v.upper(); }
bool holdsZero(const Interval& v) { return v.lower() <= 0 && v.upper() >= 0; }

Interval truth(bool isTrue, bool isFalse) { return isTrue ? TRUE : isFalse ? FALSE : UNKNOWN; }

// 1/ln(10), enclosed.
Interval inverseLn10() {
  const double v = 1.0 / std::log(10.0);
  return Interval(widen::down(v, 2), widen::up(v, 2));
}

// a^p for a constant p that is not a whole number: x^p is monotone on
// x >= 0, so the ends are the powers of the ends.
bool constantPower(const Interval& a, double p, Interval* out) {
  if (a.lower() < 0 || (p < 0 && a.lower() <= 0)) return false;
  if (p == 0.5) {
    *out = sqrt(a);
    return true;
  }
  double lo = std::pow(a.lower(), p), hi = std::pow(a.upper(), p);
  if (p < 0) std::swap(lo, hi);
  *out = Interval(std::max(0.0, widen::down(lo, widen::TRANSCENDENTAL_ULPS)),
                  widen::up(hi, widen::TRANSCENDENTAL_ULPS));
  return true;
}

bool power(const Interval& a, const Interval& b, Interval* out) {
  if (isPoint(b)) {
    const double p = b.lower();
    if (p == std::floor(p) && std::fabs(p) <= 1 << 30) {
      if (p < 0 && holdsZero(a)) return false;
      *out = pow(a, (int)p);
      return true;
    }
    return constantPower(a, p, out);
  }
  if (a.lower() < 0 || (a.lower() == 0 && b.lower() <= 0)) return false;
  *out = exp(b * log(a));
  return true;
}

// atan2 is continuous off the negative x axis; across it (or at the
// origin) the whole range is the enclosure.
Interval atan2Rule(const Interval& y, const Interval& x) {
  if (x.lower() > 0) return atan(y / x);
  if (y.lower() > 0) return pi_half<Interval>() - atan(x / y);
  if (y.upper() < 0) return -pi_half<Interval>() - atan(x / y);
  return Interval(-pi<Interval>().upper(), pi<Interval>().upper());
}

bool offTheCut(const Interval& y, const Interval& x) {
  return x.lower() > 0 || y.lower() > 0 || y.upper() < 0;
}

Interval extremum(bool isMax, const Interval* args, int n) {
  Interval v = args[0];
  for (int k = 1; k < n; ++k) v = isMax ? max(v, args[k]) : min(v, args[k]);
  return v;
}

Interval floorRule(const Interval& a) { return Interval(std::floor(a.lower()), std::floor(a.upper())); }
Interval ceilRule(const Interval& a) { return Interval(std::ceil(a.lower()), std::ceil(a.upper())); }

Interval ifThenElse(const Interval& c, const Interval& then, const Interval& otherwise) {
  if (conditionTrue(c)) return then;
  if (conditionFalse(c)) return otherwise;
  return hull(then, otherwise);
}

Interval compare(Op op, const Interval& a, const Interval& b) {
  switch (op) {
    case Op::Less: return truth(a.upper() < b.lower(), a.lower() >= b.upper());
    case Op::LessEqual: return truth(a.upper() <= b.lower(), a.lower() > b.upper());
    case Op::Greater: return truth(a.lower() > b.upper(), a.upper() <= b.lower());
    case Op::GreaterEqual: return truth(a.lower() >= b.upper(), a.upper() < b.lower());
    case Op::Equal:
    case Op::NotEqual: {
      const bool same = isPoint(a) && isPoint(b) && a.lower() == b.lower();
      const bool apart = a.upper() < b.lower() || b.upper() < a.lower();
      return op == Op::Equal ? truth(same, apart) : truth(apart, same);
    }
    case Op::And:
      return truth(conditionTrue(a) && conditionTrue(b), conditionFalse(a) || conditionFalse(b));
    case Op::Or:
      return truth(conditionTrue(a) || conditionTrue(b), conditionFalse(a) && conditionFalse(b));
    default: return UNKNOWN;
  }
}

// Operators defined on part of the line: false outside.
bool inDomain(Op op, const Interval& a) {
  switch (op) {
    case Op::Sqrt: return a.lower() >= 0;
    case Op::Log:
    case Op::Log10: return a.lower() > 0;
    case Op::Asin:
    case Op::Acos: return a.lower() >= -1 && a.upper() <= 1;
    case Op::Acosh: return a.lower() >= 1;
    case Op::Atanh: return a.lower() > -1 && a.upper() < 1;
    default: return true;
  }
}

Interval unary(Op op, const Interval& a) {
  switch (op) {
    case Op::Negate: return -a;
    case Op::Sqrt: return sqrt(a);
    case Op::Exp: return exp(a);
    case Op::Log: return log(a);
    case Op::Log10: return log(a) * inverseLn10();
    case Op::Sin: return sin(a);
    case Op::Cos: return cos(a);
    case Op::Tan: return tan(a);
    case Op::Asin: return asin(a);
    case Op::Acos: return acos(a);
    case Op::Atan: return atan(a);
    case Op::Sinh: return sinh(a);
    case Op::Cosh: return cosh(a);
    case Op::Tanh: return tanh(a);
    case Op::Asinh: return asinh(a);
    case Op::Acosh: return acosh(a);
    case Op::Atanh: return atanh(a);
    case Op::Abs: return abs(a);
    case Op::Floor: return floorRule(a);
    case Op::Ceil: return ceilRule(a);
    case Op::Not: return truth(conditionFalse(a), conditionTrue(a));
    default: return Interval::empty();
  }
}

Interval sum(const Interval* args, int n) {
  Interval v(0.0);
  for (int k = 0; k < n; ++k) v += args[k];
  return v;
}

bool binary(Op op, const Interval& a, const Interval& b, Interval* out) {
  switch (op) {
    case Op::Add: *out = a + b; return true;
    case Op::Subtract: *out = a - b; return true;
    case Op::Multiply: *out = a * b; return true;
    case Op::Divide:
      if (holdsZero(b)) return false;
      *out = a / b;
      return true;
    case Op::Power: return power(a, b, out);
    case Op::Atan2: *out = atan2Rule(a, b); return true;
    default: *out = compare(op, a, b); return true;
  }
}

}  // namespace

bool conditionTrue(const Interval& c) { return !holdsZero(c); }
bool conditionFalse(const Interval& c) { return c.lower() == 0 && c.upper() == 0; }

bool applyRule(Op op, const Interval* args, int n, Interval* out) {
  for (int k = 0; k < n; ++k)
    if (!isProper(args[k])) return false;
  switch (op) {
    case Op::Sum: *out = sum(args, n); break;
    case Op::Min:
    case Op::Max:
      if (n == 0) return false;
      *out = extremum(op == Op::Max, args, n);
      break;
    case Op::IfThenElse: *out = ifThenElse(args[0], args[1], args[2]); break;
    default:
      if (n == 1) {
        if (!inDomain(op, args[0])) return false;
        *out = unary(op, args[0]);
      } else if (n == 2) {
        if (!binary(op, args[0], args[1], out)) return false;
      } else {
        return false;
      }
  }
  return isProper(*out) && isFinite(*out);
}

namespace {

bool unaryPartial(Op op, const Interval& a, const Interval& value, Interval* d) {
  switch (op) {
    case Op::Negate: *d = Interval(-1.0); return true;
    case Op::Sqrt:
      if (value.lower() <= 0) return false;
      *d = 0.5 / value;
      return true;
    case Op::Exp: *d = value; return true;
    case Op::Log: *d = 1.0 / a; return true;
    case Op::Log10: *d = inverseLn10() / a; return true;
    case Op::Sin: *d = cos(a); return true;
    case Op::Cos: *d = -sin(a); return true;
    case Op::Tan: *d = 1.0 + square(value); return true;
    case Op::Asin:
    case Op::Acos: {
      const Interval r = 1.0 - square(a);
      if (r.lower() <= 0) return false;
      *d = (op == Op::Asin ? 1.0 : -1.0) / sqrt(r);
      return true;
    }
    case Op::Atan: *d = 1.0 / (1.0 + square(a)); return true;
    case Op::Sinh: *d = cosh(a); return true;
    case Op::Cosh: *d = sinh(a); return true;
    case Op::Tanh: *d = 1.0 - square(value); return true;
    case Op::Asinh: *d = 1.0 / sqrt(square(a) + 1.0); return true;
    case Op::Acosh:
      if (a.lower() <= 1) return false;
      *d = 1.0 / sqrt(square(a) - 1.0);
      return true;
    case Op::Atanh: *d = 1.0 / (1.0 - square(a)); return true;
    case Op::Abs:
      *d = a.lower() >= 0 ? Interval(1.0) : a.upper() <= 0 ? Interval(-1.0) : Interval(-1.0, 1.0);
      return true;
    case Op::Floor:  // constant between whole numbers, a jump at one
      *d = Interval(0.0);
      return std::floor(a.lower()) == std::floor(a.upper());
    case Op::Ceil:
      *d = Interval(0.0);
      return std::ceil(a.lower()) == std::ceil(a.upper());
    default: return false;
  }
}

bool powerPartials(const Interval& a, const Interval& b, const Interval& value, Interval* d) {
  d[1] = Interval(0.0);  // a constant exponent contributes nothing
  if (isPoint(b)) {
    const double p = b.lower();
    if (p == 0) {
      d[0] = Interval(0.0);
      return true;
    }
    Interval lowered;
    if (!power(a, Interval(p - 1), &lowered)) return false;
    d[0] = p * lowered;
    return true;
  }
  if (a.lower() <= 0) return false;
  d[0] = b * exp((b - 1.0) * log(a));
  d[1] = value * log(a);
  return true;
}

bool binaryPartials(Op op, const Interval& a, const Interval& b, const Interval& value, Interval* d) {
  switch (op) {
    case Op::Add: d[0] = d[1] = Interval(1.0); return true;
    case Op::Subtract: d[0] = Interval(1.0), d[1] = Interval(-1.0); return true;
    case Op::Multiply: d[0] = b, d[1] = a; return true;
    case Op::Divide: d[0] = 1.0 / b, d[1] = -value / b; return true;
    case Op::Power: return powerPartials(a, b, value, d);
    case Op::Atan2: {  // atan2(y, x): d/dy = x / r, d/dx = -y / r
      if (!offTheCut(a, b)) return false;
      const Interval r = square(a) + square(b);
      d[0] = b / r, d[1] = -a / r;
      return true;
    }
    default: return false;
  }
}

}  // namespace

bool partialDerivatives(Op op, const Interval* args, int n, const Interval& value,
                        Interval* partials) {
  bool ok;
  if (op == Op::Sum) {
    for (int k = 0; k < n; ++k) partials[k] = Interval(1.0);
    return true;
  }
  if (n == 1)
    ok = unaryPartial(op, args[0], value, partials);
  else if (n == 2)
    ok = binaryPartials(op, args[0], args[1], value, partials);
  else
    ok = false;
  for (int k = 0; ok && k < n; ++k) ok = isProper(partials[k]) && isFinite(partials[k]);
  return ok;
}

}  // namespace ormid
