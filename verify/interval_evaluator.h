// Enclosures of an expression graph over a box: the natural interval
// extension, and the mean-value (centred) form on interval gradients found
// by forward-mode differentiation over the graph,
//
//   g(X) within g(c) + sum_i G_i(X) (X_i - c_i),  c the box's centre,
//
// intersected with the natural extension. The natural extension's excess
// shrinks like the box's width, the centred form's like its square, which
// is what lets branch and bound close in on a maximum.
//
// A. Neumaier, "Interval Methods for Systems of Equations", Cambridge
// University Press, 1990, sec. 2.3 (centred forms); R. E. Moore, R. B.
// Kearfott, M. J. Cloud, "Introduction to Interval Analysis", SIAM, 2009,
// sec. 6.4 (the mean value form).
#pragma once

#include <vector>

#include "verify/expression.h"
#include "verify/interval.h"

namespace ormid {

// The natural extension: each node's rule applied to its arguments'
// enclosures; vars holds one enclosure per model variable. False where
// there is none (see applyRule).
bool naturalEnclosure(const Expression& e, const std::vector<Interval>& vars, Interval* out);

// The natural extension intersected with the centred form, differentiating
// with respect to the variables listed in box (the rest held at their
// enclosures in vars). Where a component of the interval gradient has one
// sign, each end of the enclosure comes from the face of the box where g is
// largest (smallest), enclosed the same way; in one variable, where g is not
// monotone over the box, the Taylor form of order 4 (taylor_form.h) is
// intersected too. Where the graph is not differentiable over the box (a
// condition undecided, a jump), the natural extension alone.
bool boxEnclosure(const Expression& e, const std::vector<Interval>& vars, const std::vector<int>& box,
                  Interval* out);

}  // namespace ormid
