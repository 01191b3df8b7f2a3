// The report of a run (report=FILE) as a script reads it, and the picture
// drawn from it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "harness.h"
#include "literature.h"
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
  RunResult plot(const std::string& output) {
    return runIn(dir.path(), "/usr/bin/python3 " + sourceDir() + "/scripts/plot_report.py r.json " + output);
  }
};

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

  RunResult png = plot("p.png");
  ASSERT_EQ(png.status, 0) << png.err;
  EXPECT_EQ(readFile(dir.file("p.png")).substr(1, 3), "PNG");
}

TEST_F(Report, TwoInfiniteVariablesGridProfileAndSvg) {
  RunResult r;
  json doc = run("watson7", "method=exchange", &r);
  ASSERT_EQ(r.status, 0);
  const json& profile = doc["profiles"][0];
  EXPECT_EQ(profile["axes"], json::array({0, 1}));
  ASSERT_EQ(profile["g"].size(), 64u);
  EXPECT_EQ(profile["g"][0].size(), 64u);
  RunResult svg = plot("p.svg");
  ASSERT_EQ(svg.status, 0) << svg.err;
  EXPECT_NE(readFile(dir.file("p.svg")).find("<svg"), std::string::npos);
  EXPECT_EQ(plot("p.jpg").status, 2);  // neither PNG nor SVG
}

TEST_F(Report, UnwritableReportIsSaidAndTheRunStillEnds) {
  literatureProblem("watson2").model.write(dir.file("p"));
  RunResult r = runIn(dir.path(), ormidPath() + " p -AMPL report=nosuchdir/r.json");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Cannot write the report nosuchdir/r.json\n"), std::string::npos);
  EXPECT_GE(r.solveCode, 0);
}

}  // namespace
