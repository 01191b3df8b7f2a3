// A local maximiser t_j(x) of the violation side * (g_i(x, t) - bound) over
// the box T, followed as x moves, and the reduced constraint it defines:
// G_j(x) = side * (g_i(x, t_j(x)) - bound). Where t_j is nondegenerate (the
// Hessian in the coordinates of t that no bound of T holds is negative
// definite), G_j has gradient side * g_x(x, t_j) and Hessian
// side * (g_xx - g_xt g_tt^-1 g_tx) over those coordinates.
#pragma once

#include <string>
#include <vector>

#include "exchange/derivatives.h"

namespace ormid {

struct Maximiser {
  int constraint = 0;
  int side = 1;  // +1: against the upper bound, -1: the lower one
  Vec t;
};

enum class PathStatus {
  Followed,    // t is a nondegenerate local maximiser at x
  Degenerate,  // g_tt is singular or not negative definite on the free coordinates
  Lost         // an evaluation failed, or Newton's method wandered off
};

// Newton's method in t from m.t at x, projected on T: coordinates pressed
// against a bound of T by the gradient are held there. `why` says what went
// wrong.
PathStatus followMaximiser(SipContext& c, const double* x, Maximiser& m, std::string* why);

// The Hessian is kept as hess + lowRank lowRank': hess (nx x nx) only where
// it is not zero (a constraint linear in x has none), lowRank (nx x rank,
// row-major) the curvature that the maximiser's move in t adds. Nothing of
// size nx^2 is kept per maximiser of a problem linear in x.
struct ReducedConstraint {
  double value = 0;  // side * (g - bound): <= 0 where the constraint holds
  Vec grad;          // nx
  Vec hess;          // nx x nx, or empty: zero
  Vec lowRank;       // nx x rank
  int rank = 0;

  // K += weight * Hessian on the leading nx x nx block of K (rows `stride` apart).
  void addHessian(double weight, double* K, int nx, long stride) const;
};

// G_j and its derivatives at x, with m.t a maximiser that followMaximiser
// has just placed.
PathStatus reducedConstraint(SipContext& c, const double* x, const Maximiser& m,
                             ReducedConstraint& out);

}  // namespace ormid
