// The Taylor form of order K in one variable t over an interval X with
// centre c:
//
//   g(c + s) within sum_{k<K} g_k(c) s^k + G_K(X) s^K,   s in X - c,
//
// the g_k(c) Taylor coefficients at the centre (thin intervals) and G_K(X)
// the K-th coefficient enclosed over the whole of X (the Lagrange form of
// the remainder). The coefficients come from Taylor arithmetic on the
// expression graph, each operator's recurrence evaluated in interval
// arithmetic. Its excess over the range shrinks like w^(K+1) where the
// centred form's shrinks like w^2; where g is a sum of many oscillating
// terms that nearly cancel (a minimax error) the centred form's interval
// derivative is wider than the range by orders of magnitude, and the
// higher-order form is what lets the search close in at all.
//
// A. Griewank, A. Walther, "Evaluating Derivatives", 2nd ed., SIAM, 2008,
// ch. 13 (Taylor arithmetic); K. Makino, M. Berz, "Taylor models and other
// validated functional inclusion methods", Int. J. Pure Appl. Math. 4
// (2003) 379-456 (Taylor forms with an interval remainder).
#pragma once

#include <vector>

#include "verify/expression.h"
#include "verify/interval.h"

namespace ormid {

// The enclosure of g over vars (vars[variable] the interval X, the others
// held at their enclosures) by the Taylor form of the given order. False
// where some operator has no Taylor rule over X (a jump, a condition
// undecided, min/max, an argument at a singularity).
bool taylorEnclosure(const Expression& e, const std::vector<Interval>& vars, int variable, int order,
                     Interval* out);

}  // namespace ormid
