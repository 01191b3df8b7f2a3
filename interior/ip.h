// Interior point method on the integral transcription of the infinite
// constraints: I_j(x) + s_j = 0 with slacks s and multipliers lambda < 0.
//
// What it accepts: infinite constraints g(x, t) <= u over one infinite
// variable with finite bounds (InvalidInput for more than one, NoPoint for
// none or an unbounded one). Finite constraints and finite bounds on x are
// not enforced (the dispatcher warns of them): an answer that violates a
// finite constraint is Infeasible, and its message names the constraint
// the method ignored.
#pragma once

#include <vector>

#include "core/sip_context.h"

namespace ormid {

typedef std::vector<double> Vec;

struct IpIterate {
  Vec x, s, lambda;
};

// Quantities of one evaluation of the barrier Lagrangian.
struct IpEval {
  Vec gradL;  // nx: grad f - J' lambda
  Vec r;      // mt: -(I + s)
  Vec I;      // mt: integrals
  Vec J;      // mt x nx, row j = grad I_j
  Vec gradF;  // nx
  double f = 0, L = 0;
};

// Sizes and scratch shared by the pieces of the method.
struct IpContext {
  SipContext& sip;  // problem, options, counters
  int nx = 0, mt = 0, nt = 0;
  // The smoothing parameter of the integrands and the relaxation tau of the
  // slacks: they start at pf_eps and int_tau and fall level by level.
  double eps = 0, tau = 0;
  Vec t;  // work vector for the quadrature
  int lagrangianEvaluations = 0;
  int meritEvaluations = 0;
  explicit IpContext(SipContext& s);
};

double safeLog(const IpContext& c, double v);

// I_j and, when grad is not null, its x-gradient (nx doubles).
double transcribedIntegral(IpContext& c, const double* x, int j, double* grad);

// Barrier Lagrangian L = f - sum lambda_j (I_j + s_j) - mu sum log(tau + s_j).
void evaluateLagrangian(IpContext& c, const IpIterate& it, double mu, IpEval& e);

// Initial slacks and least-squares multipliers for pass k.
void initialSlacksAndMultipliers(IpContext& c, IpIterate& it, int k);

struct Residuals {
  double rho = 0, sigma = 0;
};
Residuals stoppingResiduals(const IpContext& c, const IpIterate& it, const IpEval& e);

// Newton direction d = [dx | ds | dlambda] by the ordering of int_ord;
// false, after "N is singular", when the system cannot be solved.
bool newtonDirection(const IpContext& c, const IpIterate& it, const IpEval& e, const Vec& B,
                     double mu, Vec& d);
bool dualOrdering(const IpContext& c, const IpIterate& it, const IpEval& e, const Vec& B,
                  double mu, Vec& d);
bool primalOrdering(const IpContext& c, const IpIterate& it, const IpEval& e, const Vec& B,
                    double mu, Vec& d);
bool predictorCorrector(const IpContext& c, const IpIterate& it, const IpEval& e, const Vec& B,
                        Vec& d);

// Largest step in (0, 1] keeping tau + s > 0 and lambda < 0, times 0.95.
double stepBound(const IpContext& c, const IpIterate& it, const Vec& d);


// Merit function with what its slope needs.
struct MeritValue {
  double phi = 0;
  Vec c;       // I + s
  Vec gradF;   // nx
  Vec J;       // mt x nx
  Vec gradX, gradS;
};
double meritValue(IpContext& c, const IpIterate& it, double mu, double beta, bool withDerivatives,
                  MeritValue* m);
// Recomputes the merit gradients of m for another beta.
void meritGradients(const IpContext& c, const IpIterate& it, double mu, double beta, MeritValue& m);
double meritSlope(const IpContext& c, const MeritValue& m, const Vec& d);

// One saved point of the watchdog technique.
struct WatchdogSlot {
  bool saved = false;
  IpIterate point;
  Vec d, B;
  double alpha = 0, beta = 0, phi = 0;
  void push(const IpIterate& it, const Vec& dir, const Vec& hess, double a, double b, double f);
  // Restores the saved point; false (with a message) when nothing is saved.
  bool pop(IpIterate& it, Vec& dir, Vec& hess, double& a, double& b) const;
  bool peek(double* f) const;
  void release();
};

}  // namespace ormid
