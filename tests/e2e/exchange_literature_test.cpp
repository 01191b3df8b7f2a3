// The exchange method on every problem of the literature set, as a user runs
// it: solved (0), at the published optimum to 1e-6 max(1, |f*|) (the
// published values carry five to eight digits). (The pole
// of oet4's rational g sits just outside T at the optimum; a climb that
// misjudges the curvature near it sends the run along the pole instead.)
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "harness.h"
#include "literature.h"

namespace {

class ExchangeLiterature : public ::testing::TestWithParam<std::string> {};

TEST_P(ExchangeLiterature, IsSolvedAtThePublishedOptimum) {
  const LiteratureProblem& p = literatureProblem(GetParam());
  TempDir dir;
  p.model.write(dir.file(p.name));
  RunResult r = runIn(dir.path(), ormidPath() + " " + p.name + " -AMPL method=exchange");
  const std::string tail = r.out.substr(r.out.size() > 1500 ? r.out.size() - 1500 : 0);
  ASSERT_EQ(r.status, 0) << tail;
  EXPECT_EQ(r.solveCode, 0) << r.solMessage;
  const size_t at = r.solMessage.find("; objective ");
  ASSERT_NE(at, std::string::npos) << r.solMessage;
  const double f = std::stod(r.solMessage.substr(at + 12));
  EXPECT_NEAR(f, p.optimum, 1e-6 * std::max(1.0, std::fabs(p.optimum))) << r.solMessage;
}

std::vector<std::string> names() {
  std::vector<std::string> out;
  for (const LiteratureProblem& p : literatureProblems()) out.push_back(p.name);
  return out;
}

INSTANTIATE_TEST_SUITE_P(Literature, ExchangeLiterature, ::testing::ValuesIn(names()),
                         [](const auto& info) { return info.param; });

}  // namespace
