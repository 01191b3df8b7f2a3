// The interface test program on small models: partition, values and
// derivatives at the starting point with their labels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "fixtures.h"
#include "harness.h"

namespace {

std::string vec(std::initializer_list<double> v) {
  std::string s;
  char buf[64];
  for (double d : v) {
    snprintf(buf, sizeof buf, "%.10lf ", d);
    s += buf;
  }
  return s + "\n";
}

std::string fmt(const char* f, double v) {
  char buf[128];
  snprintf(buf, sizeof buf, f, v);
  return buf;
}

struct DravoTest : ::testing::Test {
  TempDir dir;
  RunResult dravo(const std::string& args) { return runIn(dir.path(), dravoPath() + " " + args); }
};

TEST_F(DravoTest, NoArgumentPrintsUsage) {
  RunResult r = dravo("");
  EXPECT_EQ(r.out, "Usage: " + dravoPath() + " stub -AMPL\n");
  EXPECT_EQ(r.status, 1);
}

TEST_F(DravoTest, PrintsPartitionValuesAndDerivatives) {
  smallSipModel().write(dir.file("p"));
  RunResult r = dravo("p");
  // x = (1, 2), t = 0.5: f = x1^2 + x2^2 + t at t = 0; g = x1 t + x2 t^2 - sin t.
  const double x1 = 1, x2 = 2, t = 0.5;
  const double g = x1 * t + x2 * t * t - std::sin(t);
  const double gt = x1 + 2 * x2 * t - std::cos(t);
  std::string expected = "Existem 3 variaveis\nX0\n" + vec({1, 0.5, 2}) + "X=\n" + vec({1, 2}) +
                         "T=\n" + vec({0.5}) + "X+T=" + vec({1, 0.5, 2}) +
                         fmt("Objective val is %lf\n", x1 * x1 + x2 * x2) +
                         "Gradiente da f. objectivo\n" + vec({2 * x1, 2 * x2}) +
                         "Hessiana da funcao objectivo\n" + vec({2, 0}) + vec({0, 2}) +
                         "Vector Restricoes X\n" + vec({x1 * x2}) + "Vector Restricoes T\n" +
                         vec({g}) + fmt("Valor da primeira restricao t %lf\n", g) +
                         "Jacobiano de X\n" + vec({x2, x1}) + vec({0, 0}) + "Jacobiano de T\n" +
                         vec({gt}) + "Gradiente da primeira restricao t componente x\n" +
                         vec({t, t * t}) + "Gradiente da primeira restricao t componente t\n" +
                         vec({gt}) + "Hessiana da primeira restricao X\n" + vec({0, 1}) +
                         vec({1, 0}) + "Hessiana da primeira restricao t em ordem a X\n" +
                         vec({0, 0}) + vec({0, 0}) +
                         "Hessiana da primeira restricao t em ordem a T\n" +
                         vec({2 * x2 + std::sin(t)}) + "Solver Called\nEnd\n\n";
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.status, 0);
}

TEST_F(DravoTest, WithoutStartingPointStopsAfterPartition) {
  nl::Model m;
  nl::Expr x = nl::var(m.addVar("x"));
  nl::Expr t = nl::var(m.addVar("t", 0.0, 1.0));
  m.minimize(x * x);
  m.addCon("tcon", x * t, -nl::INF, 1.0);
  m.write(dir.file("p"));
  RunResult r = dravo("p");
  EXPECT_EQ(r.out, "Existem 2 variaveis\nSem ponto inicial\n");
  EXPECT_EQ(r.status, 1);
}

TEST_F(DravoTest, EmptyClassesAreSkippedWithANote) {
  nl::Model m;
  nl::Expr x = nl::var(m.addVar("x", -nl::INF, nl::INF, 3.0));
  m.minimize(x * x * x);
  m.write(dir.file("p"));
  RunResult r = dravo("p");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Objective val is 27.000000\n"), std::string::npos);
  EXPECT_NE(r.out.find("Nao existem restricoes t: pedido 7 ignorado\n"), std::string::npos);
  EXPECT_NE(r.out.find("Nao existem restricoes x: pedido 10 ignorado\n"), std::string::npos);
  EXPECT_NE(r.out.find("Nao existem restricoes t: pedido 11 ignorado\n"), std::string::npos);
  EXPECT_NE(r.out.find("Solver Called\n"), std::string::npos);
}

TEST_F(DravoTest, ModelWithoutObjectiveHasZeroObjective) {
  nl::Model m = smallSipModel();
  m.objective = nullptr;
  m.write(dir.file("p"));
  RunResult r = dravo("p");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Objective val is 0.000000\nGradiente da f. objectivo\n"
                       "0.0000000000 0.0000000000 \nHessiana da funcao objectivo\n"
                       "0.0000000000 0.0000000000 \n0.0000000000 0.0000000000 \n"),
            std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Vector Restricoes X\n2.0000000000 \n"), std::string::npos);
}

TEST_F(DravoTest, MissingNameFilesEndWithStatusOne) {
  smallSipModel().write(dir.file("p"), true, false);
  RunResult r = dravo("p");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.rfind("Semi-Infinite Programming interface needs .row and .col files.\n", 0),
            0u);
}

}  // namespace
