// The values of the unary and binary nodes, inline: the sweeps' inner loop.
#pragma once

#include <cmath>

#include "verify/expression.h"

namespace ormid {

inline double condition(bool b) { return b ? 1.0 : 0.0; }

inline double unaryValue(Op op, double a) {
  switch (op) {
    case Op::Negate: return -a;
    case Op::Sqrt: return std::sqrt(a);
    case Op::Exp: return std::exp(a);
    case Op::Log: return std::log(a);
    case Op::Log10: return std::log10(a);
    case Op::Sin: return std::sin(a);
    case Op::Cos: return std::cos(a);
    case Op::Tan: return std::tan(a);
    case Op::Asin: return std::asin(a);
    case Op::Acos: return std::acos(a);
    case Op::Atan: return std::atan(a);
    case Op::Sinh: return std::sinh(a);
    case Op::Cosh: return std::cosh(a);
    case Op::Tanh: return std::tanh(a);
    case Op::Asinh: return std::asinh(a);
    case Op::Acosh: return std::acosh(a);
    case Op::Atanh: return std::atanh(a);
    case Op::Abs: return std::fabs(a);
    case Op::Floor: return std::floor(a);
    case Op::Ceil: return std::ceil(a);
    case Op::Not: return condition(a == 0);
    default: return NAN;
  }
}

inline double binaryValue(Op op, double a, double b) {
  switch (op) {
    case Op::Add: return a + b;
    case Op::Subtract: return a - b;
    case Op::Multiply: return a * b;
    case Op::Divide: return a / b;
    case Op::Power: return b == 2 ? a * a : std::pow(a, b);
    case Op::Atan2: return std::atan2(a, b);
    case Op::Less: return condition(a < b);
    case Op::LessEqual: return condition(a <= b);
    case Op::Equal: return condition(a == b);
    case Op::GreaterEqual: return condition(a >= b);
    case Op::Greater: return condition(a > b);
    case Op::NotEqual: return condition(a != b);
    case Op::And: return condition(a != 0 && b != 0);
    case Op::Or: return condition(a != 0 || b != 0);
    default: return NAN;
  }
}

}  // namespace ormid
