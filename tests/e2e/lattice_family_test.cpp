// The exchange method on a member of the lattice families: 16 maximisers on
// an irregular lattice of [0, 1]^4, every one active at the solution, which
// is known in closed form. The scan of four coordinates must find them all.
#include <gtest/gtest.h>

#include <cmath>

#include "lattice_families.h"
#include "model_run.h"

namespace {

TEST(LatticeFamily, ExchangeSolvesTheFourDimensionalMemberToItsKnownOptimum) {
  const LatticeFamily& f = latticeFamilyMember("lattice4_m2");
  const LiteratureProblem p = latticeProblem(f);
  ModelRun run;
  const RunResult r = run.ormid(p.model, "method=exchange");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.solveCode, 0) << r.solMessage;
  const std::vector<double> values = run.sol(p.model);
  ASSERT_EQ((int)values.size(), f.terms() + f.dim);
  const std::vector<double> x(values.begin(), values.begin() + f.terms());
  EXPECT_NEAR(f.objective(x), f.optimum, 1e-8 * std::max(1.0, f.optimum));
  for (int k = 0; k < f.terms(); ++k) EXPECT_NEAR(x[k], f.solution[k], 1e-6) << "x[" << k + 1 << "]";
  EXPECT_NE(r.out.find("Active points: 16"), std::string::npos) << r.out;
}

}  // namespace
