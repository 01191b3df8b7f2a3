// The lattice families are what they claim: g(xs, .) <= 0 on T, zero with a
// strict maximum at every lattice point, and xs a KKT point with the stated
// multipliers and objective value.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "lattice_families.h"
#include "lower_level/sobol.h"

namespace {

TEST(LatticeFamilies, TheConstraintAtTheSolutionPeaksAtZeroOnEveryLatticePointOnly) {
  for (const LatticeFamily& f : latticeFamilies()) {
    SCOPED_TRACE(f.name);
    ASSERT_GE(f.terms(), f.maximiserCount());
    const std::vector<std::vector<double>> lattice = f.maximisers();
    ASSERT_EQ((int)lattice.size(), f.maximiserCount());
    double largest = -HUGE_VAL;
    for (const std::vector<double>& u : ormid::sobolPoints(f.dim, 4096)) largest = std::max(largest, f.atSolution(u.data()));
    EXPECT_LT(largest, 0);
    std::mt19937 random(3);
    std::normal_distribution<double> step(0, 1e-3);
    for (const std::vector<double>& t : lattice) {
      EXPECT_EQ(f.constraint(f.solution, t.data()), 0.0);
      for (int trial = 0; trial < 20; ++trial) {
        std::vector<double> s = t;
        for (double& v : s) v += step(random);
        EXPECT_LT(f.atSolution(s.data()), 0.0);
      }
    }
  }
}

TEST(LatticeFamilies, TheSolutionIsStationaryWithPositiveMultipliers) {
  for (const LatticeFamily& f : latticeFamilies()) {
    SCOPED_TRACE(f.name);
    const std::vector<std::vector<double>> lattice = f.maximisers();
    double residual = 0, square = 0;
    for (int k = 0; k < f.terms(); ++k) {
      // x - x0 + sum_i lambda_i grad_x g(x, t_i) at xs.
      double r = f.solution[k] - f.target[k];
      for (size_t i = 0; i < lattice.size(); ++i) r += f.lambda[i] * f.basis(k, lattice[i].data());
      residual = std::max(residual, std::fabs(r));
      square += (f.target[k] - f.solution[k]) * (f.target[k] - f.solution[k]);
    }
    EXPECT_LT(residual, 1e-12 * (1 + f.optimum));
    for (double l : f.lambda) EXPECT_GT(l, 0);
    EXPECT_NEAR(f.objective(f.solution), f.optimum, 1e-12 * f.optimum);
    EXPECT_NEAR(0.5 * square, f.optimum, 1e-12 * f.optimum);
  }
}

}  // namespace
