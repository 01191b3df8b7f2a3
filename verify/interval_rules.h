// The interval rule of each operator of an expression graph, and the
// enclosures of its partial derivatives that the mean-value form needs.
#pragma once

#include "verify/expression.h"
#include "verify/interval.h"

namespace ormid {

// op over the argument enclosures args[0..n): false where the operator is
// not defined somewhere in them (log of an interval reaching 0, a division
// by an interval holding 0, ...) or where its result is unbounded.
bool applyRule(Op op, const Interval* args, int n, Interval* out);

// A condition's enclosure (1 true, 0 false): decided when it is [1, 1] or
// [0, 0]; held by the node of an IfThenElse.
bool conditionTrue(const Interval& c);
bool conditionFalse(const Interval& c);

// Enclosures of d op / d args[k] over args (each finite), for the operators
// other than Constant, Variable, Min, Max, IfThenElse and the conditions.
// False where op is not differentiable there (abs at 0 counts as
// differentiable with [-1, 1]: it is Lipschitz) or a partial is unbounded.
bool partialDerivatives(Op op, const Interval* args, int n, const Interval& value,
                        Interval* partials);

}  // namespace ormid
