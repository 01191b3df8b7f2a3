// The outer and inner loops shared by the penalty method and the penalty
// multiplier method.
#pragma once

#include <vector>

struct PenaltyRun {
  typedef std::vector<double> Vec;
  int nx = 0, nt = 0;
  Vec x, xPrev, g, gPrev, d, xEps, t, H;
  Vec lambda, cs;  // multipliers and violation measures; empty for the plain method
  double miu = 0, P = 0, Pprev = 0, pt = 0;
  int j = 0, totalInner = 0, epsDecreases = 0;

  explicit PenaltyRun(bool withMultipliers);
  const double* weights() const { return lambda.empty() ? nullptr : lambda.data(); }
};

// Minimises P for the current miu and eps; adds the inner iterations to the total.
void innerLoop(PenaltyRun& r);

// The outer step after an inner loop; returns true when the outer loop ends.
// stopOnP2 ends at the first feasible outer iteration for the p2 penalty;
// scaleTau divides int_tau with pf_eps.
bool outerStep(PenaltyRun& r, bool stopOnP2, bool scaleTau);

// Prints x and P, the two gradients, and appends the results line.
void finishPenaltyRun(PenaltyRun& r, const char* multipliersLabel);
