// First and second derivatives for the Newton phase: the evaluator's own
// Hessians where it gives them (an AMPL model), central differences of its
// gradients otherwise (a problem stated with lambdas).
#pragma once

#include <vector>

#include "core/sip_context.h"

namespace ormid {

typedef std::vector<double> Vec;

// g_j at (x, t) with its blocks: gx (nx), gt (nt), hxx (nx x nx), htt
// (nt x nt), hxt (entry of x_i, t_d at i * nt + d). False when an
// evaluation fails.
struct ConstraintDerivatives {
  double value = 0;
  Vec gx, gt, hxx, htt, hxt;
};
// First: value and gradients; TimeBlocks: also htt and hxt (central
// differences of the gradient in t, a few digits); All: every block (the
// evaluator's Hessian where it gives one).
enum class Order { First, TimeBlocks, All };
bool infiniteDerivatives(SipContext& c, int j, const double* x, const double* t, Order order,
                         ConstraintDerivatives& d);

// The minimised objective's gradient and Hessian (the context's: the
// model's, negated when it is maximised). False when an evaluation fails.
bool objectiveDerivatives(SipContext& c, const double* x, Vec& grad, Vec& hess);

// Finite constraint k: value, gradient and Hessian.
bool finiteDerivatives(SipContext& c, int k, const double* x, double* value, Vec& grad, Vec& hess);

}  // namespace ormid
