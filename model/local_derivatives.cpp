#include "model/local_derivatives.h"

#include <cmath>

#include "model/node_values.h"

namespace ormid {

bool isChoice(Op op) { return op == Op::Min || op == Op::Max || op == Op::IfThenElse; }
bool isCondition(Op op) { return op >= Op::Less; }
bool isStep(Op op) { return op == Op::Floor || op == Op::Ceil; }

namespace {

// f'(a) and f''(a) of the smooth unary functions, f = f(a).
void unaryPartials(Op op, double a, double f, double* d, double* h) {
  switch (op) {
    case Op::Negate: *d = -1; break;
    case Op::Sqrt: *d = 0.5 / f, *h = -0.25 / (f * a); break;
    case Op::Exp: *d = *h = f; break;
    case Op::Log: *d = 1 / a, *h = -1 / (a * a); break;
    case Op::Log10: *d = 1 / (a * M_LN10), *h = -1 / (a * a * M_LN10); break;
    case Op::Sin: *d = std::cos(a), *h = -f; break;
    case Op::Cos: *d = -std::sin(a), *h = -f; break;
    case Op::Tan: *d = 1 + f * f, *h = 2 * f * (1 + f * f); break;
    case Op::Asin: *d = 1 / std::sqrt(1 - a * a), *h = a * *d * *d * *d; break;
    case Op::Acos: *d = -1 / std::sqrt(1 - a * a), *h = a * *d * *d * *d; break;
    case Op::Atan: *d = 1 / (1 + a * a), *h = -2 * a * *d * *d; break;
    case Op::Sinh: *d = std::cosh(a), *h = f; break;
    case Op::Cosh: *d = std::sinh(a), *h = f; break;
    case Op::Tanh: *d = 1 - f * f, *h = -2 * f * (1 - f * f); break;
    case Op::Asinh: *d = 1 / std::sqrt(a * a + 1), *h = -a * *d * *d * *d; break;
    case Op::Acosh: *d = 1 / std::sqrt(a * a - 1), *h = -a * *d * *d * *d; break;
    case Op::Atanh: *d = 1 / (1 - a * a), *h = 2 * a * *d * *d; break;
    case Op::Abs: *d = a > 0 ? 1 : (a < 0 ? -1 : 0); break;
    default: break;  // steps and conditions: zero
  }
}

// a^b: in a alone when b is a constant, else in both (a > 0 then).
void powerPartials(const double* x, double f, bool constantExponent, LocalPartials& p) {
  const double a = x[0], b = x[1];
  if (b == 0) {
    // a^0 = 1: no partial in a, even at a = 0
  } else if (b == 1) {
    p.d[0] = 1;
  } else if (b == 2) {
    p.d[0] = 2 * a, p.h[0][0] = 2;
  } else {
    p.d[0] = b * std::pow(a, b - 1);
    p.h[0][0] = b * (b - 1) * std::pow(a, b - 2);
  }
  if (constantExponent) return;
  const double ln = std::log(a);
  p.d[1] = f * ln;
  p.h[0][1] = p.h[1][0] = std::pow(a, b - 1) * (1 + b * ln);
  p.h[1][1] = f * ln * ln;
}

}  // namespace

double nodeValue(const ExprNode& n, const double* args) {
  const size_t count = n.args.size();
  switch (n.op) {
    case Op::Constant: return n.value;
    case Op::Sum: {
      double s = 0;
      for (size_t k = 0; k < count; ++k) s += args[k];
      return s;
    }
    case Op::Min:
    case Op::Max:
    case Op::IfThenElse: return count ? args[chosenArgument(n, args)] : NAN;
    default: break;
  }
  if (count == 1) return unaryValue(n.op, args[0]);
  if (count == 2) return binaryValue(n.op, args[0], args[1]);
  return NAN;
}

int chosenArgument(const ExprNode& n, const double* args) {
  if (n.op == Op::IfThenElse) return args[0] != 0 ? 1 : 2;
  int best = 0;
  for (int k = 1; k < (int)n.args.size(); ++k)
    if (n.op == Op::Min ? args[k] < args[best] : args[k] > args[best]) best = k;
  return best;
}

LocalPartials localPartials(Op op, const double* a, double f, bool constantExponent) {
  LocalPartials p;
  switch (op) {
    case Op::Add: p.d[0] = p.d[1] = 1; break;
    case Op::Subtract: p.d[0] = 1, p.d[1] = -1; break;
    case Op::Multiply: p.d[0] = a[1], p.d[1] = a[0], p.h[0][1] = p.h[1][0] = 1; break;
    case Op::Divide: {
      const double r = 1 / a[1];
      p.d[0] = r, p.d[1] = -f * r;
      p.h[0][1] = p.h[1][0] = -r * r;
      p.h[1][1] = 2 * f * r * r;
      break;
    }
    case Op::Power: powerPartials(a, f, constantExponent, p); break;
    case Op::Atan2: {  // atan2(y, x)
      const double y = a[0], x = a[1], r2 = x * x + y * y;
      p.d[0] = x / r2, p.d[1] = -y / r2;
      p.h[0][0] = -2 * x * y / (r2 * r2), p.h[1][1] = -p.h[0][0];
      p.h[0][1] = p.h[1][0] = (y * y - x * x) / (r2 * r2);
      break;
    }
    default: unaryPartials(op, a[0], f, &p.d[0], &p.h[0][0]); break;
  }
  return p;
}

}  // namespace ormid
