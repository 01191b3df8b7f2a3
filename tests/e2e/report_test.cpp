// The report of a run (report=FILE) as a script reads it, and the picture
// drawn from it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <utility>

#include "harness.h"
#include "literature.h"
#include "nl_writer.h"
#include "solution.h"

namespace {

using nlohmann::json;

struct Report : ::testing::Test {
  TempDir dir;
  json run(const std::string& problem, const std::string& options, RunResult* r) {
    literatureProblem(problem).model.write(dir.file(problem));
    *r = runIn(dir.path(), ormidPath() + " " + problem + " -AMPL report=r.json " + options);
    return json::parse(readFile(dir.file("r.json")));
  }
  RunResult plot(const std::string& output, const std::string& size = "") {
    return runIn(dir.path(), "/usr/bin/python3 " + sourceDir() + "/scripts/plot_report.py " +
                                 (size.empty() ? "" : "--size " + size + " ") + "r.json " + output);
  }
  void everyMethodOnPart(size_t part);
  // Width and height of a PNG file from its header (0, 0 when it is none).
  std::pair<int, int> pngSize(const std::string& name) {
    std::string png = readFile(dir.file(name));
    if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
    auto word = [&](size_t at) {
      return (int)((unsigned char)png[at] << 24 | (unsigned char)png[at + 1] << 16 |
                   (unsigned char)png[at + 2] << 8 | (unsigned char)png[at + 3]);
    };
    return {word(16), word(20)};
  }
};

// Every literature problem with every method (small budgets: the report, not
// the answer, is under test): the report parses and agrees with the .sol and
// the printed statistics. In three parts, each within a sanitized build's
// time limit.
const size_t PARTS = 3;

void Report::everyMethodOnPart(size_t part) {
  const char* methods[] = {"pf_type=p1", "pf_type=p2", "method=penalty_m", "method=intp int_ord=pc",
                           "method=disc_hett disc_nlp=ipopt", "method=disc_halt disc_nlp=ipopt",
                           "method=disc_reem disc_nlp=ipopt", "method=exchange"};
  const std::vector<LiteratureProblem> problems = literatureProblems();
  for (size_t i = part; i < problems.size(); i += PARTS) {
    const LiteratureProblem& p = problems[i];
    const int nt = infiniteVariables(p.model);
    for (const char* method : methods) {
      const std::string m(method);
      if (nt != 1 && m.find("disc") == std::string::npos && m.find("exchange") == std::string::npos)
        continue;
      std::string options = m + " maxitero=3 maxiteri=20 disc_k=1 nlp_maxit=50 exchange_maxit=3 verify=0";
      if (nt > 1) options += nt == 2 ? " disc_h=0.1" : " disc_h=0.25";
      RunResult r;
      json doc = run(p.name, options, &r);
      ASSERT_EQ(r.status, 0) << p.name << " " << m;
      EXPECT_EQ(doc["status"]["code"], r.solveCode) << p.name << " " << m;
      std::vector<double> sol = solPrimals(readFile(dir.file(p.name + ".sol")), (int)p.model.vars.size());
      size_t k = 0;
      for (size_t j = 0; j < p.model.vars.size(); ++j)
        if (p.model.vars[j].name[0] != 't') {
          EXPECT_EQ(doc["x"][k++].get<double>(), sol[j]) << p.name << " " << m;
        }
      const std::pair<const char*, const char*> counters[] = {
          {"objval", "kelv_objval"}, {"contval", "kelv_contval"}, {"contgrd", "kelv_contgrd"},
          {"pfval", "kelv_pfval"}, {"nnlp", "nnlp"}};
      for (const auto& c : counters)
        EXPECT_EQ(doc["counters"][c.first].get<int>(), statistic(r.out, c.second)) << p.name << " " << m;
    }
  }
}

TEST_F(Report, EveryProblemAndMethodAgreesWithTheSolutionAndTheStatistics1) { everyMethodOnPart(0); }
TEST_F(Report, EveryProblemAndMethodAgreesWithTheSolutionAndTheStatistics2) { everyMethodOnPart(1); }
TEST_F(Report, EveryProblemAndMethodAgreesWithTheSolutionAndTheStatistics3) { everyMethodOnPart(2); }

TEST_F(Report, OneInfiniteVariableLineProfileAndPicture) {
  RunResult r;
  json doc = run("oet1", "method=exchange", &r);
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(doc["format"], "ormid-report");
  EXPECT_EQ(doc["version"], 1);
  EXPECT_EQ(doc["model"]["infinite_constraints"], json::array({"tabove", "tbelow"}));
  EXPECT_EQ(doc["model"]["sizes"]["nx"], 3);
  EXPECT_EQ(doc["method"], "exchange");
  EXPECT_EQ(doc["options"], json({{"method", "exchange"}, {"report", "r.json"}}));
  EXPECT_EQ(doc["status"]["code"], r.solveCode);
  std::vector<double> sol = solPrimals(readFile(dir.file("oet1.sol")), 4);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(doc["x"][i].get<double>(), sol[i]);
  ASSERT_EQ(doc["certificate"]["worst"].size(), 2u);
  EXPECT_FALSE(doc["certificate"]["active"].empty());
  // The objective gap, as printed after the residual.
  ASSERT_TRUE(doc["certificate"]["objective_gap"].is_number());
  const size_t at = r.out.find("\nObjective gap: ");
  ASSERT_NE(at, std::string::npos) << r.out;
  const double gap = doc["certificate"]["objective_gap"].get<double>();
  EXPECT_NEAR(std::stod(r.out.substr(at + 16)), gap, 5e-3 * gap + 1e-300);
  ASSERT_EQ(doc["profiles"].size(), 2u);
  const json& profile = doc["profiles"][0];
  EXPECT_EQ(profile["t"][0].size(), 401u);
  EXPECT_EQ(profile["g"].size(), 401u);
  EXPECT_EQ(profile["t"][0][400], 2.0);
  // The largest profile value is the worst point's, to the profile's resolution.
  double largest = -1e300;
  for (const json& g : profile["g"]) largest = std::max(largest, g.get<double>());
  EXPECT_NEAR(largest, doc["certificate"]["worst"][0]["violation"].get<double>(), 1e-4);
  EXPECT_GT(doc["counters"]["nnlp"].get<int>(), 0);
  // The exchange method's subproblems use the model's exact Hessians.
  EXPECT_GT(doc["counters"]["objhes"].get<int>(), 0);
  EXPECT_GT(doc["counters"]["conthes"].get<int>(), 0);

  RunResult png = plot("p.png", "900x400");
  ASSERT_EQ(png.status, 0) << png.err;
  EXPECT_EQ(pngSize("p.png"), std::make_pair(900, 400));
}

TEST_F(Report, TwoInfiniteVariablesGridProfileAndSvg) {
  RunResult r;
  json doc = run("watson7", "method=exchange", &r);
  ASSERT_EQ(r.status, 0);
  const json& profile = doc["profiles"][0];
  EXPECT_EQ(profile["axes"], json::array({0, 1}));
  ASSERT_EQ(profile["g"].size(), 64u);
  EXPECT_EQ(profile["g"][0].size(), 64u);
  RunResult png = plot("p.png", "640x480");
  ASSERT_EQ(png.status, 0) << png.err;
  EXPECT_EQ(pngSize("p.png"), std::make_pair(640, 480));
  RunResult svg = plot("p.svg");
  ASSERT_EQ(svg.status, 0) << svg.err;
  EXPECT_NE(readFile(dir.file("p.svg")).find("<svg"), std::string::npos);
  EXPECT_EQ(plot("p.jpg").status, 2);  // neither PNG nor SVG
  EXPECT_EQ(plot("p.png", "0x480").status, 2);
}

TEST_F(Report, AFailedRunWithoutCertificateIsReportedAndPlotted) {
  nl::Model m;  // log of a negative number at the start: status 500
  nl::Expr x1 = nl::var(m.addVar("x1", -nl::INF, nl::INF, -1.0));
  nl::Expr t = nl::var(m.addVar("t", 0.0, 1.0));
  m.minimize(nl::log(x1) * nl::log(x1));
  m.addCon("tcon", x1 * t, -nl::INF, 10.0);
  m.write(dir.file("p"));
  RunResult r = runIn(dir.path(), ormidPath() + " p -AMPL certificate=0 report=r.json");
  ASSERT_EQ(r.solveCode, 500);
  json doc = json::parse(readFile(dir.file("r.json")));
  EXPECT_EQ(doc["status"]["code"], 500);
  EXPECT_TRUE(doc["certificate"]["stationarity"].is_null());
  EXPECT_TRUE(doc["certificate"]["objective_gap"].is_null());
  EXPECT_EQ(r.out.find("Objective gap"), std::string::npos);
  EXPECT_TRUE(doc["objective"].is_null());
  RunResult png = plot("p.png");
  ASSERT_EQ(png.status, 0) << png.err;
  EXPECT_GT(pngSize("p.png").first, 0);
}

TEST_F(Report, UnwritableReportIsSaidAndTheRunStillEnds) {
  literatureProblem("watson2").model.write(dir.file("p"));
  RunResult r = runIn(dir.path(), ormidPath() + " p -AMPL report=nosuchdir/r.json");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Cannot write the report nosuchdir/r.json\n"), std::string::npos);
  EXPECT_GE(r.solveCode, 0);
}

}  // namespace
