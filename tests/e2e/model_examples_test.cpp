// Models written with ormid::Model against the same problems as AMPL stubs:
// the bundled examples solved in-process to the stub's x, verified as the
// stubs are, and written with writeNl, read back by the `ormid` program and
// solved to the same x.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "ampl/ampl_problem.h"
#include "harness.h"
#include "ormid/model.h"
#include "solution.h"

using namespace ormid;

namespace {

// The finite variables in the order of the stub's .col file.
Model watson2() {
  Model m;
  Expr x1 = m.variable(-HUGE_VAL, HUGE_VAL, -1, "x1"), x2 = m.variable(-HUGE_VAL, HUGE_VAL, 0, "x2");
  Expr t = m.infiniteVariable(0, 1, "t");
  m.minimize(pow(x1, 2.0) / 3 + pow(x2, 2.0) + x1 / 2, "f");
  m.subjectTo(pow(1 - pow(x1, 2.0) * pow(t, 2.0), 2.0) - x1 * pow(t, 2.0) - pow(x2, 2.0) + x2 <= 0, "tcon");
  return m;
}

Model oet1() {
  Model m;
  Expr u = m.variable(-HUGE_VAL, HUGE_VAL, 0, "u");
  std::vector<Expr> x = m.variables(2, -HUGE_VAL, HUGE_VAL, 0, "x");
  Expr t = m.infiniteVariable(0, 2, "t");
  m.minimize(u, "f");
  Expr r = pow(t, 2.0) - x[0] * t - x[1] * exp(t);
  m.subjectTo(r - u <= 0, "tabove");
  m.subjectTo(-r - u <= 0, "tbelow");
  return m;
}

Model ball3() {
  Model m;
  Expr c1 = m.variable(-HUGE_VAL, HUGE_VAL, 0.2, "c1"), c2 = m.variable(-HUGE_VAL, HUGE_VAL, 0.3, "c2");
  Expr c3 = m.variable(-HUGE_VAL, HUGE_VAL, 0.4, "c3"), r = m.variable(-HUGE_VAL, HUGE_VAL, 1, "r");
  std::vector<Expr> t{m.infiniteVariable(0, 1, "t1"), m.infiniteVariable(0, 1, "t2"), m.infiniteVariable(0, 1, "t3")};
  m.minimize(r, "f");
  m.subjectTo(pow(t[0] - c1, 2.0) + pow(t[1] - c2, 2.0) + pow(t[2] - c3, 2.0) - r <= 0, "tcon");
  return m;
}

Options exchange() {
  Options o;
  o.method = Method::Exchange;
  return o;
}

Result stubResult(const std::string& stub, const Options& o) {
  Result r;
  std::string why;
  EXPECT_TRUE(solveStub(stub, o, &r, &why)) << why;
  return r;
}

double largestDifference(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return HUGE_VAL;
  double d = 0;
  for (size_t i = 0; i < a.size(); ++i) d = std::max(d, std::fabs(a[i] - b[i]));
  return d;
}

const std::vector<std::pair<std::string, std::function<Model()>>> EXAMPLES = {
    {"watson2", watson2}, {"oet1", oet1}, {"ball3", ball3}};

}  // namespace

TEST(ModelExamples, SolveToTheStubsPointAndAreVerified) {
  for (const auto& example : EXAMPLES) {
    SCOPED_TRACE(example.first);
    const Result model = example.second().solve(exchange());
    const Result stub = stubResult(sourceDir() + "/examples/" + example.first, exchange());
    EXPECT_EQ(model.status, Status::Solved) << model.message;
    EXPECT_EQ(stub.status, Status::Solved) << stub.message;
    EXPECT_LE(largestDifference(model.x, stub.x), 1e-10);
    ASSERT_FALSE(model.verified.empty());
    for (const VerifiedBound& v : model.verified) {
      EXPECT_TRUE(v.available) << v.reason;
      EXPECT_LE(v.bound, 1e-8);
    }
  }
}

// dravo prints the partition, the values and the derivatives at the start:
// the written stub and the AMPL-written example print the same.
TEST(ModelExamples, WrittenStubsMatchTheExamplesUnderDravo) {
  for (const auto& example : EXAMPLES) {
    SCOPED_TRACE(example.first);
    TempDir dir;
    ASSERT_TRUE(example.second().writeNl(dir.file("p")));
    for (const char* ext : {".nl", ".row", ".col"})
      ASSERT_EQ(runIn(dir.path(), "cp '" + sourceDir() + "/examples/" + example.first + ext + "' example" + ext).status, 0);
    const RunResult written = runIn(dir.path(), dravoPath() + " p"), bundled = runIn(dir.path(), dravoPath() + " example");
    ASSERT_EQ(bundled.status, 0) << bundled.out << bundled.err;
    ASSERT_NE(bundled.out.find("Hessiana"), std::string::npos) << bundled.out;
    EXPECT_EQ(written.out, bundled.out);
  }
}

TEST(ModelExamples, WrittenStubsAreReadAndSolvedByTheProgramToTheSamePoint) {
  for (const auto& example : EXAMPLES) {
    SCOPED_TRACE(example.first);
    TempDir dir;
    const Model m = example.second();
    std::string why;
    ASSERT_TRUE(m.writeNl(dir.file("p"), &why)) << why;
    const RunResult run = runIn(dir.path(), ormidPath() + " p -AMPL method=exchange");
    ASSERT_EQ(run.solveCode, 0) << run.out << run.err;
    const int variables = m.finiteVariables() + m.infiniteVariableCount();
    const std::vector<double> primals = solPrimals(readFile(dir.file("p.sol")), variables);
    const std::vector<double> program(primals.begin(), primals.begin() + m.finiteVariables());
    EXPECT_LE(largestDifference(program, m.solve(exchange()).x), 1e-12);
  }
}

// A model with finite constraints of every kind, maximised, round trip.
TEST(ModelExamples, FiniteConstraintsAndMaximisationSurviveTheRoundTrip) {
  Model m;
  std::vector<Expr> x = m.variables(2, -2, 2, 0.5);
  Expr t = m.infiniteVariable(-1, 1);
  m.maximize(x[0] + 2 * x[1], "gain");
  m.subjectTo(x[0] * x[0] + x[1] * x[1] <= 2);
  m.subjectTo((0.1 <= x[0] - x[1]) <= 3);
  m.subjectTo(x[0] * t + x[1] * t * t <= 1.5);
  const Result direct = m.solve(exchange());
  ASSERT_EQ(direct.status, Status::Solved) << direct.message;
  TempDir dir;
  ASSERT_TRUE(m.writeNl(dir.file("p")));
  EXPECT_EQ(readFile(dir.file("p.row")), "c[1]\nc[2]\ntc[1]\ngain\n");
  const Result read = stubResult(dir.file("p"), exchange());
  EXPECT_EQ(read.status, Status::Solved) << read.message;
  EXPECT_LE(largestDifference(read.x, direct.x), 1e-12);
  EXPECT_NEAR(read.objective, direct.objective, 1e-12);
}
