// Families of convex semi-infinite programs on T = [0, 1]^d (d = 4, 5, 6)
// whose single infinite constraint is active at a whole lattice of points:
// m maximisers per coordinate, m^d in all, with a known optimum.
//
// Each member is built backwards from its answer. With
//
//   q_i(s)  = prod_a (s - r_ia) / s_i           (roots r_ia in (0, 1), |q_i| <= 1)
//   G(t)    = -sum_i w_i q_i(t_i)^2 - c (sum_i q_i(t_i))^2
//   phi_k(t) = prod_i cos(pi j_ki t_i)
//
// G <= 0 on T with equality exactly at the lattice points (r_1a_1, ..,
// r_da_d), each a strict, nondegenerate local maximum of G. The program
//
//   minimise 1/2 |x - x0|^2  subject to  g(x, t) = sum_k (x_k - xs_k) phi_k(t) + G(t) <= 0
//
// has g(xs, .) = G, so xs is feasible with every lattice point active. With
// x0 = xs + sum_i lambda_i phi(t_i) and lambda_i > 0 the KKT conditions hold
// at xs; the program is convex, so xs is its solution and the optimal value
// is 1/2 |sum_i lambda_i phi(t_i)|^2. The frequencies start with every j in
// {0 .. m-1}^d, whose values at the lattice form an invertible tensor
// product of Chebyshev-Vandermonde matrices: the active gradients are
// independent and the solution nondegenerate.
#pragma once

#include <string>
#include <vector>

#include "literature.h"
#include "ormid/model.h"

struct LatticeFamily {
  std::string name;
  int dim = 4;      // d
  int perAxis = 2;  // m
  std::vector<std::vector<double>> roots;   // d rows of m maximiser coordinates
  std::vector<double> normalisers;          // s_i
  std::vector<double> weights;              // w_i
  double coupling = 0.5;                    // c
  std::vector<std::vector<int>> frequencies;  // n rows of d
  std::vector<double> solution;  // xs
  std::vector<double> target;    // x0
  std::vector<double> lambda;    // one per lattice point, in lattice order
  double optimum = 0;

  int terms() const { return (int)frequencies.size(); }
  int maximiserCount() const;
  // The lattice points, coordinate 0 varying slowest.
  std::vector<std::vector<double>> maximisers() const;
  double basis(int k, const double* t) const;
  // G(t) = g(xs, t).
  double atSolution(const double* t) const;
  // g(x, t).
  double constraint(const std::vector<double>& x, const double* t) const;
  double objective(const std::vector<double>& x) const;
};

// A member with d coordinates, m maximisers per coordinate and n >= m^d
// variables; its numbers are fixed by `seed`.
LatticeFamily latticeFamily(int dim, int perAxis, int terms, unsigned seed);

// The benchmark's members: lattice4_m2 (16 maximisers, 24 variables),
// lattice4_m3, lattice5_m2, lattice6_m2, ...
const std::vector<LatticeFamily>& latticeFamilies();
const LatticeFamily& latticeFamilyMember(const std::string& name);

// The member as an AMPL model: variables x[1..n] starting at 0, infinite
// variables t1 .. td on [0, 1], objective `distance`, infinite constraint tg <= 0.
LiteratureProblem latticeProblem(const LatticeFamily& f);
std::vector<LiteratureProblem> latticeProblems();

// The member as the library's own formulas (ormid::Model, no AMPL): x, then
// t on [0, 1]^d, the same objective and infinite constraint.
ormid::Model latticeFormulas(const LatticeFamily& f);
