// Runs that end without a point still answer AMPL: a .sol with a failure
// code, the reason as its message and the start as its values. Files the
// reader cannot take are refused with what is wrong, by both programs, and
// leave no .sol.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"
#include "literature.h"
#include "model_run.h"
#include "nl_binary.h"
#include "nl_writer.h"
#include "solution.h"

namespace {

using namespace nl;

struct Refusal : ::testing::Test, ModelRun {};

// A two-dimensional T of [1, 100]^2: the default spacing makes a grid of
// about 98 million points.
Model wideBoxModel() {
  Model m;
  Expr x1 = var(m.addVar("x1", -INF, INF, 0.5));
  Expr x2 = var(m.addVar("x2", -INF, INF, -0.25));
  Expr t1 = var(m.addVar("t1", 1.0, 100.0));
  Expr t2 = var(m.addVar("t2", 1.0, 100.0));
  m.minimize(x1 * x1 + x2 * x2);
  m.addCon("tcon", x1 * t1 + x2 * t2 - 1.0, -INF, 0.0);
  return m;
}

TEST_F(Refusal, GridTooLargeWritesAFailureSolWithTheStart) {
  const Model m = wideBoxModel();
  for (const char* method : {"disc_hett", "disc_reem"}) {
    RunResult r = ormid(m, std::string("method=") + method + " disc_nlp=ipopt disc_h=0.01");
    EXPECT_EQ(r.status, 1) << method << r.out.substr(0, 2000);
    EXPECT_GE(r.solveCode, 500) << method << r.solMessage;
    EXPECT_LE(r.solveCode, 599) << method << r.solMessage;
    EXPECT_NE(r.solMessage.find(std::string("ormid ") + method + ": "), std::string::npos) << r.solMessage;
    EXPECT_NE(r.solMessage.find("grid"), std::string::npos) << method << ": " << r.solMessage;
    const std::vector<double> x = sol(m);
    EXPECT_EQ(x[0], 0.5) << method;
    EXPECT_EQ(x[1], -0.25) << method;
  }
}

TEST_F(Refusal, InvalidInputAndMissingNameFilesWriteTheirOwnCode) {
  Model m;
  Expr x = var(m.addVar("x", -INF, INF, 2.0));
  Expr t = var(m.addVar("t", 0.0, INF));  // the penalty method cannot integrate over [0, inf)
  m.minimize(x * x);
  m.addCon("tcon", x - t, -INF, 0.0);
  RunResult r = ormid(m, "");
  EXPECT_EQ(r.status, 1);
  EXPECT_GE(r.solveCode, 500) << r.solMessage;
  EXPECT_LE(r.solveCode, 599) << r.solMessage;
  EXPECT_EQ(sol(m)[0], 2.0);

  const Model w = wideBoxModel();
  w.write(dir.file("q"), false, false);
  r = runIn(dir.path(), ormidPath() + " q -AMPL");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("needs .row and .col files"), std::string::npos) << r.out;
  EXPECT_EQ(r.solveCode, 504) << r.solMessage;
  EXPECT_NE(r.solMessage.find(".row and .col"), std::string::npos) << r.solMessage;
  std::vector<double> x0 = solPrimals(readFile(dir.file("q.sol")), 4);
  EXPECT_EQ(x0[0], 0.5);
  EXPECT_EQ(x0[1], -0.25);
}

// A bundled example's text with one piece replaced.
std::string edited(const std::string& text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  if (at == std::string::npos) throw std::runtime_error("no " + from);
  return text.substr(0, at) + to + text.substr(at + from.size());
}

void writeBytes(const std::string& path, const std::string& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

TEST(MalformedFile, EachFaultIsNamedAndNeitherProgramReadsOn) {
  const std::string watson2 = readFile(sourceDir() + "/examples/watson2.nl");
  struct Fault {
    std::string nl, says;
  };
  const std::vector<Fault> faults = {
      {edited(watson2, "\nC0\no0\n", "\nC0\no99\n"), "line 12: unknown operator 99"},
      {edited(watson2, "\nC0\no0\n", "\nC0\no76\n"), "unknown operator 76"},
      {edited(watson2, " 3 1 1 0 0 0\t", " 2147483647 1 1 0 0 0\t"), "the file cannot hold"},
      {edited(watson2, " 3 2\t# nonzeros", " 999999 2\t# nonzeros"), "the file cannot hold"},
      {edited(watson2, "\nv2\n", "\nv7\n"), "variable 7 out of range"},
      {edited(watson2, "\nC0\no0\n", "\nC0\nf0 1\n"), "function 0 out of range"},
      {edited(watson2, "\nJ0 3\n0 ", "\nJ0 3\n9 "), "variable 9 out of range"},
      {edited(watson2, "\nk2\n", "\nk2\n7\n"), "bad column start"},
      {watson2.substr(0, watson2.find("\nr\n")) + "\no54\n", "unknown segment 'o'"},
      {watson2.substr(0, watson2.find("\nO0")) + "\n", "objective 0 is missing"},
  };
  TempDir dir;
  const std::string example = sourceDir() + "/examples/watson2";
  runIn(dir.path(), "cp '" + example + ".row' p.row && cp '" + example + ".col' p.col");
  for (const Fault& f : faults) {
    writeBytes(dir.file("p.nl"), f.nl);
    for (const std::string& program : {ormidPath() + " p -AMPL", dravoPath() + " p"}) {
      RunResult r = runIn(dir.path(), program);
      EXPECT_EQ(r.status, 1) << f.says << ": " << program;
      EXPECT_NE(r.err.find("p.nl: "), std::string::npos) << r.err;
      EXPECT_NE(r.err.find(f.says), std::string::npos) << f.says << " / " << r.err;
      EXPECT_NE(r.out.find("Can't read problem\n"), std::string::npos) << r.out;
      EXPECT_EQ(r.solveCode, -1) << program;
    }
  }
}

TEST(MalformedFile, BinaryFormOfEveryExampleReadsAsTheText) {
  TempDir dir;
  for (const LiteratureProblem& p : literatureProblems()) {
    p.model.write(dir.file("t"));
    p.model.write(dir.file("b"));
    writeBytes(dir.file("b.nl"), binaryNl(p.model.nlText()));
    RunResult text = runIn(dir.path(), dravoPath() + " t");
    RunResult binary = runIn(dir.path(), dravoPath() + " b");
    ASSERT_EQ(text.status, 0) << p.name << text.err;
    EXPECT_EQ(binary.status, 0) << p.name << binary.err;
    EXPECT_EQ(binary.out, text.out) << p.name;
  }
}

}  // namespace
