// Penalty-type methods: the integral penalty function, its Armijo search
// and the check of the infinite constraints on a grid.
#pragma once

#include "core/sip_context.h"
#include "kernels/quadrature.h"
#include "kernels/quasi_newton.h"
#include "kernels/stop_tests.h"
#include "kernels/vector_ops.h"

namespace ormid {

// Penalty function P(x; miu) = f + miu * sum_j w * I_j, its integrands
// smoothed by eps. With multipliers (lambda not null) term j is weighted by
// lambda_j as well, and cs (mt doubles, may be null) receives each
// constraint's violation measure. tbuf: nt doubles of work space.
double penaltyValue(SipContext& c, int nx, const double* x, double eps, double* tbuf, double miu, double* pt,
                    int wantGrad, double* grad);
double weightedPenaltyValue(SipContext& c, int nx, const double* x, double eps, double* tbuf, double miu,
                            const double* lambda, double* cs, double* pt, int wantGrad,
                            double* grad);
void penaltyGradient(SipContext& c, int nx, const double* x, double eps, double* tbuf, double miu, double* grad,
                     double* P, double* pt);
void weightedPenaltyGradient(SipContext& c, int nx, const double* x, double eps, double* tbuf, double miu,
                             const double* lambda, double* cs, double* grad, double* P,
                             double* pt);

void armijoSearch(SipContext& c, int nx, const double* x, const double* d, double* xNew, const double* g,
                  double miu, double eps);
// Returns the accepted step length (0 when none was found).
double weightedArmijoSearch(SipContext& c, int nx, const double* x, const double* d, double* xNew,
                            const double* g, double miu, double eps, const double* lambda);

// The largest violation of the infinite constraints on a grid of 1001 values
// of the first infinite variable, relative to max(1, |bound|).
double largestViolation(SipContext& c, const double* x);

}  // namespace ormid
