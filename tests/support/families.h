// Families of semi-infinite programs of growing size whose optimal values are
// known to many digits, for judging accuracy and speed on larger problems and
// on tiny optimal values (the benchmark's second table).
//
// Every member is a minimax (Chebyshev) approximation on T = [0, pi]^d:
//
//   minimise z  subject to  -z <= f(t) - sum_k x_k phi_k(t) <= z  for all t in T,
//   f(t) = c / (a - sum_i w_i cos t_i - v prod_i cos t_i),  phi_k(t) = prod_i cos(j_ki t_i),
//
// a linear program in (x, z) over infinitely many constraints, so that its
// optimum can be verified by linear programming (bench/verify_optima). With
// s_i = cos t_i the basis is the Chebyshev polynomials T_j(s_i), which keeps
// it well conditioned at any degree. In one dimension the optimal error
// equioscillates at n + 1 points (the constraints are active at n + 1
// isolated points); in two and three its largest values are taken at fewer
// isolated points than there are variables, the optimal x being fixed by
// the second-order conditions there as well (verify_optima's Newton step).
#pragma once

#include <string>
#include <vector>

#include "literature.h"

struct MinimaxApproximation {
  std::string name;
  std::string source;
  int dim = 1;                  // infinite variables t (d = 1) or t1 .. td
  double a = 2, c = 1;          // f(t) = c / (a - sum_i w_i cos t_i - v prod_i cos t_i)
  std::vector<double> weights;  // w_i, one per coordinate
  double v = 0;                 // the product's weight (0 in one dimension)
  std::vector<std::vector<int>> frequencies;  // j_ki: one row of d per coefficient x_k
  double optimum = 0;                         // the verified optimal value (bench/verify_optima)
  std::vector<double> x;                      // optimal coefficients where recorded (else empty)

  int terms() const { return (int)frequencies.size(); }
  // The approximated function and the k-th basis function at t (d values).
  double target(const double* t) const;
  double basis(int k, const double* t) const;
  // f - sum x_k phi_k at t.
  double error(const std::vector<double>& coefficients, const double* t) const;
  // The largest value of f on T (at t = 0): the starting z is above it.
  double targetMax() const;
};

// The upper end of every coordinate of T (the lower is 0).
extern const double FAMILY_T_UPPER;

// Every member: the one-dimensional family (minimax_nN, N coefficients),
// then the two- and three-dimensional ones (minimax2_dD, minimax3_dD, total
// degree D).
const std::vector<MinimaxApproximation>& minimaxApproximations();
const MinimaxApproximation& minimaxApproximation(const std::string& name);

// The member as an AMPL model: variables x[1..n] (starting at 0) and z
// (starting above max |f|, so that the start is feasible), the infinite
// variable t (or t1 .. td) on [0, pi], the constraints tup: f - p - z <= 0
// and tlo: p - f - z <= 0.
LiteratureProblem minimaxProblem(const MinimaxApproximation& m);
std::vector<LiteratureProblem> familyProblems();

// The finite program on given points t_i of T (no infinite variable): the
// same x and z, and per point the constraint up_i: f(t_i) - p(t_i) - z <= 0
// (sign +1) or lo_i: p(t_i) - f(t_i) - z <= 0 (sign -1) with the t_i
// substituted as numbers. On the optimum's active points its solution is the
// optimum: the benchmark times one Ipopt solve of it. The objective is
// z * objectiveScale (z / f* puts a tiny optimum on the solver's scale).
LiteratureProblem minimaxOnPoints(const MinimaxApproximation& m,
                                  const std::vector<std::vector<double>>& points,
                                  const std::vector<int>& signs, double objectiveScale = 1);
