// What one node of an expression graph contributes to values and
// derivatives: its value from its arguments' values, and its first and
// second partial derivatives in its (at most two) arguments. The n-ary
// nodes (sum, min, max, if-then-else) pass one argument through, or add.
#pragma once

#include "verify/expression.h"

namespace ormid {

// The value of node n, its arguments' values given in argument order.
double nodeValue(const ExprNode& n, const double* args);

// First partials d[j] and second partials h[j][k] of a unary or binary node
// in its arguments, at the arguments' values a and the node's value f.
// The exponent of a power that is a constant node has no partial
// (constantExponent).
struct LocalPartials {
  double d[2] = {0, 0};
  double h[2][2] = {{0, 0}, {0, 0}};
};
LocalPartials localPartials(Op op, const double* a, double f, bool constantExponent);

// The argument an n-ary choice follows at these values (min, max,
// if-then-else), as a position in n.args.
int chosenArgument(const ExprNode& n, const double* args);

bool isChoice(Op op);     // min, max, if-then-else
bool isCondition(Op op);  // comparisons and logic: 1 or 0, derivatives zero
bool isStep(Op op);       // floor and ceil: derivatives zero

}  // namespace ormid
