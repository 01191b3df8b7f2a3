// The run sequence of the solver as a user meets it: usage, options, name
// files, the unavailable NLP solver and the library's conventions.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "fixtures.h"
#include "harness.h"
#include "ormid/ormid.h"
#include "solution.h"

using namespace ormid;

namespace {

const std::string NPSOL_STOP =
    "\n\nNPSOL not available\nPlease read the user manual about it\nAborting....\n";

struct DriverTest : ::testing::Test {
  TempDir dir;
  RunResult ormid(const std::string& args, const std::string& env = "") {
    return runIn(dir.path(), ormidPath() + " " + args, env);
  }
};

TEST_F(DriverTest, NoArgumentsPrintsUsage) {
  RunResult r = ormid("");
  EXPECT_EQ(r.out, "Usage: " + ormidPath() + " stub -AMPL\n");
  EXPECT_EQ(r.status, 1);
}

TEST_F(DriverTest, VersionAndKeywordListing) {
  RunResult v = ormid("-v");
  EXPECT_EQ(v.status, 0);
  EXPECT_EQ(v.out.rfind("ORMID v2.1", 0), 0u) << v.out;

  RunResult list = ormid("-=");
  EXPECT_EQ(list.status, 0);
  const char* expected[] = {"armijo", "Constant in Armijo rule", "disc_h", "Initial discretization grid space",
                            "int_maxit", "Maximum number of iterations in interior point",
                            "watchmax", "Maximum number of increase in the merit function (watchdog)"};
  for (const char* s : expected) EXPECT_NE(list.out.find(s), std::string::npos) << s;
  int lines = 0;
  for (char c : list.out) lines += c == '\n';
  EXPECT_EQ(lines, 52);  // one line per keyword, seed, verify and verify_time among them
  EXPECT_NE(list.out.find("seed"), std::string::npos);
  EXPECT_NE(list.out.find("verify_time"), std::string::npos);
}

TEST_F(DriverTest, MissingStubEndsWithStatusOne) {
  RunResult r = ormid("nosuch -AMPL");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("nosuch"), std::string::npos);
  EXPECT_FALSE(fileExists(dir.file("nosuch.sol")));
}

TEST_F(DriverTest, BadOptionValuesEndWithStatusOne) {
  smallSipModel().write(dir.file("p"));
  for (const char* bad : {"method=pen", "disc_k=abc", "armijo=x", "pf_type=p9"}) {
    RunResult r = ormid(std::string("p -AMPL ") + bad);
    EXPECT_EQ(r.status, 1) << bad;
    EXPECT_EQ(r.out.find("Nx="), std::string::npos) << bad;
  }
}

const std::string NAME_FILES_MESSAGE =
    "Semi-Infinite Programming interface needs .row and .col files.\n"
    "In order to provide .row and .col files, in your AMPL session say\n";
const std::string AUXFILES_TAIL = "\toption auxfiles rc;\nbefore saying\n\twrite ...\n";

TEST_F(DriverTest, MissingNameFilesWithoutSolverVariable) {
  smallSipModel().write(dir.file("p"), false, true);
  RunResult r = ormid("p -AMPL");
  EXPECT_EQ(r.out, "ORMID: " + NAME_FILES_MESSAGE + AUXFILES_TAIL);
  EXPECT_EQ(r.status, 1);
  // The model was read: AMPL still gets an answer, a failure.
  EXPECT_EQ(r.solveCode, 504);
  EXPECT_EQ(r.solMessage, "ormid penalty: no solution (504), the model has no .row and .col files\n");
}

TEST_F(DriverTest, MissingColFileWithSolverVariable) {
  smallSipModel().write(dir.file("p"), true, false);
  RunResult r = ormid("p -AMPL", "solver=ormid");
  EXPECT_EQ(r.out, "ORMID: " + NAME_FILES_MESSAGE +
                       "\toption ormid_auxfiles rc;\nbefore saying\n\tsolve;\nor\n" +
                       AUXFILES_TAIL);
  EXPECT_EQ(r.status, 1);
}

TEST_F(DriverTest, HeaderWithoutNamesCountsAsMissingNameFiles) {
  nl::Model m = smallSipModel();
  m.write(dir.file("p"));
  // Zero name lengths in the header: the library then never reads the files.
  std::string text = m.nlText();
  size_t at = text.find(" 4 2\t# max name lengths");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 4, " 0 0");
  FILE* f = fopen(dir.file("p.nl").c_str(), "w");
  fputs(text.c_str(), f);
  fclose(f);
  RunResult r = ormid("p -AMPL");
  EXPECT_EQ(r.out, "ORMID: " + NAME_FILES_MESSAGE + AUXFILES_TAIL);
  EXPECT_EQ(r.status, 1);
}

TEST_F(DriverTest, SqpStopsAfterChecksWithoutSolution) {
  smallSipModel().write(dir.file("p"));
  RunResult r = ormid("p -AMPL method=sqp");
  EXPECT_EQ(r.out,
            "ORMID: SQP method selected\n"
            "Nx=2\t Nt=1\n"
            "There should be no finite constraints\n"
            "This method should not be used for this problem\n" + NPSOL_STOP);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.solveCode, 503);
  EXPECT_EQ(r.solMessage, "ormid sqp: no solution (503), no NLP solver\n");
  // No point: the starting values go back (t as AMPL gave it).
  EXPECT_EQ(solPrimals(readFile(dir.file("p.sol")), 3), (std::vector<double>{1, 0, 2}));
}

TEST_F(DriverTest, OptionEchoesInOrderFromCommandLineAndEnvironment) {
  smallSipModel().write(dir.file("p"));
  RunResult r = ormid("p -AMPL disc_k=4 armijo=0.5 int_ord=primal disc_h=0.1,0.2, method=sqp",
                      "ormid_options='pf_type=p1 maxitero=50'");
  EXPECT_EQ(r.out.substr(0, r.out.find("Nx=")),
            "ORMID: Penalty function 1\nmaxitero=50\ndisc_k=4\nPrimal ordering\n"
            "Expecting double value and obtained nothing\nSQP method selected\n");
  EXPECT_EQ(r.status, 1);
}

TEST_F(DriverTest, DiscHListOverLimitIsBadValue) {
  smallSipModel().write(dir.file("p"));
  std::string list = "0.5";
  for (int i = 1; i < 257; ++i) list += ",0.5";
  RunResult r = ormid("p -AMPL method=sqp disc_h=" + list);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.find("Nx="), std::string::npos);
  list.resize(list.size() - 4);  // 256 values are accepted
  r = ormid("p -AMPL method=sqp disc_h=" + list);
  EXPECT_NE(r.out.find("Nx=2"), std::string::npos);
}

TEST_F(DriverTest, ShapeChecksWarnAboutBoundsAndConstraintTypes) {
  nl::Model m;
  nl::Expr x = nl::var(m.addVar("x", 0.0, 1.0, 0.5));
  nl::Expr t1 = nl::var(m.addVar("t1", -nl::INF, 1.0, 0.0));
  nl::Expr t2 = nl::var(m.addVar("t2", 0.0, nl::INF, 0.0));
  m.minimize(x * x);
  m.addCon("tlow", x * t1 + t2, -1.0, 2.0);
  m.addCon("tfree", x * t2, 0.0, nl::INF);
  m.write(dir.file("p"));
  RunResult r = ormid("p -AMPL method=sqp");
  EXPECT_EQ(r.out,
            "ORMID: SQP method selected\n"
            "Nx=1\t Nt=2\n"
            "Number of infinite variables must be one\n"
            "This method should not be used for this problem\n"
            "Lower bound of infinite variable 0 is -infinity\n"
            "Bounds on infinite variables must be finite\n"
            "Upper bound of infinite variable 1 is +infinity\n"
            "Bounds on infinite variables must be finite\n"
            "Lower bound of finite variable 0 is finite\n"
            "There should be no finite bounds on finite variables\n"
            "Upper bound of finite variable 0 is finite\n"
            "There should be no finite bounds on finite variables\n"
            "Infinite constraint 0 has finite lower bound\n"
            "Infinite constraints must be of lower or equal type\n"
            "Infinite constraint 1 has finite lower bound\n"
            "Infinite constraints must be of lower or equal type\n"
            "Infinite constraint 1 has infinite upper bound\n"
            "Infinite constraints must be of lower or equal type\n" + NPSOL_STOP);
}

TEST_F(DriverTest, StatisticsBlockAndSolutionOfARunThatSolvesNothing) {
  smallSipModel().write(dir.file("p"));
  RunResult r = ormid("p -AMPL method=disc_hett disc_k=0 verify=0");
  // f = 1 + 4 at x = (1, 2); x1*x2 >= 1 holds; tcon at t = 1 is 1 + 2 - sin 1 > 0. The gradient
  // of f, (2, 4), and the constraint's, (t, t^2), point the same way: no multiplier cancels it.
  const std::string ending = "ormid disc_hett: limit (400), disc_k asks for no level: the starting "
                             "point; objective 5; largest violation 2.15853; stationarity 1\n";
  const size_t cost = r.out.find("Certificate: ");
  ASSERT_NE(cost, std::string::npos) << r.out;
  EXPECT_EQ(r.out.substr(0, cost),
            "ORMID: Discretization method selected Hettich version\ndisc_k=0\nverify=0\nNx=2\t Nt=1\n"
            "Number of mesh refines less or equal to zero\n"
            "Some statistics\nkelv_objval=0\nkelv_objgrd=0\nkelv_conval=0\nkelv_jacval=0\n"
            "kelv_pfval=0\nkelv_gpfval=0\nkelv_conxval=0\nkelv_contval=0\nkelv_conxgrd=0\n"
            "kelv_contgrd=0\nnnlpc/nnlp=-0.000000\nnnlp=0\n"
            "Largest violation of tcon: 2.16 at t = (1)\nActive points: 0\nStationarity residual: 1\n");
  const size_t end = r.out.find('\n', cost) + 1;
  EXPECT_TRUE(std::regex_match(r.out.substr(cost, end - cost),
                               std::regex("Certificate: [0-9]+ evaluations, [0-9]+\\.[0-9]{3} s\n")));
  EXPECT_EQ(r.out.substr(end), ending);
  EXPECT_EQ(r.status, 0);
  // x unchanged, t written as 0
  EXPECT_EQ(solPrimals(readFile(dir.file("p.sol")), 3), (std::vector<double>{1, 0, 2}));
  EXPECT_EQ(r.solveCode, statusCode(Status::IterationLimit));
  EXPECT_EQ(r.solMessage, ending);
}

TEST_F(DriverTest, FirstVariableWithoutStartMeansNoInitialGuess) {
  nl::Model m;
  nl::Expr x1 = nl::var(m.addVar("x1"));
  nl::Expr x2 = nl::var(m.addVar("x2", -nl::INF, nl::INF, 3.0));
  nl::Expr t = nl::var(m.addVar("t", 0.0, 1.0, 0.0));
  m.minimize(x1 * x1 + x2 * x2);
  m.addCon("tcon", x1 + x2 * t, -nl::INF, 1.0);
  m.write(dir.file("p"));
  RunResult r = ormid("p -AMPL");
  EXPECT_EQ(r.out, "ORMID: Without Initial Guess\n" + NPSOL_STOP);
  EXPECT_EQ(r.status, 1);
  // The guess needs the NLP solver: no point, a failure answer with the
  // start the run drew (t written as 0).
  EXPECT_GE(r.solveCode, 500);
  EXPECT_LE(r.solveCode, 599);
  EXPECT_EQ(solPrimals(readFile(dir.file("p.sol")), 3)[2], 0.0);
}

}  // namespace
