// Models that import the spline functions, evaluated by dravo and solved by
// ormid with the library loaded through AMPLFUNC.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "harness.h"
#include "solution.h"

namespace {

using namespace nl;

// min x s.t. cspline(t; knots i/7, values sin(3 i/7)) - x <= 0, and a
// cubic Bernstein bspline with coefficients 1, 2, 0, 3 in the objective.
Model splineModel(bool objectiveSpline) {
  Model m;
  int bs = m.addFunction("bspline"), cs = m.addFunction("cspline");
  Expr x = var(m.addVar("x", -INF, INF, 0.3));
  Expr t = var(m.addVar("t", 0, 1, 0.5));
  std::vector<Expr> c = {t, num(8)};
  for (int i = 0; i < 8; ++i) c.push_back(num(i / 7.0));
  for (int i = 0; i < 8; ++i) c.push_back(num(std::sin(3 * i / 7.0)));
  std::vector<Expr> b = {x, num(4), num(4), num(1), num(2), num(0), num(3)};
  for (double k : {0, 0, 0, 0, 1, 1, 1, 1}) b.push_back(num(k));
  m.minimize(objectiveSpline ? call(bs, b) : x);
  m.addCon("tcon", call(cs, c) - x, -INF, 0);
  return m;
}

TEST(SplinesEndToEnd, DravoEvaluatesImportedFunctions) {
  TempDir dir;
  splineModel(true).write(dir.file("s"));
  RunResult r = runIn(dir.path(), dravoPath() + " s", "AMPLFUNC=" + splinesPath());
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("Objective val is 1.306000\n"), std::string::npos);
  EXPECT_NE(r.out.find("Gradiente da f. objectivo\n-0.2400000000 \n"), std::string::npos);
  EXPECT_NE(r.out.find("Hessiana da funcao objectivo\n-3.6000000000 \n"), std::string::npos);
}

TEST(SplinesEndToEnd, OrmidSolvesACsplineConstraint) {
  TempDir dir;
  splineModel(false).write(dir.file("s"));
  RunResult r = runIn(dir.path(), ormidPath() + " s -AMPL", "AMPLFUNC=" + splinesPath());
  ASSERT_EQ(r.status, 0) << r.err;
  double x = vectorAfter(r.out, "Solution found\n").at(0);
  // the interpolant of sin(3t) peaks near t = pi/6 just below 1
  EXPECT_NEAR(x, 0.99985, 5e-4);
}

TEST(SplinesEndToEnd, WithoutTheLibraryTheReaderReportsIt) {
  TempDir dir;
  splineModel(true).write(dir.file("s"));
  for (const std::string& program : {dravoPath() + " s", ormidPath() + " s -AMPL"}) {
    RunResult r = runIn(dir.path(), program);
    EXPECT_GT(r.status, 0);  // an exit status, not a signal
    EXPECT_NE((r.out + r.err).find("bspline"), std::string::npos) << program;
    EXPECT_FALSE(fileExists(dir.file("s.sol")));
  }
}

}  // namespace
