// The library inside someone else's program: silent unless asked, output
// through a sink, a callback that can stop a run, a seed that repeats a
// random start, and an input check in front of every method.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/function_problem.h"
#include "harness.h"
#include "ormid/ormid.h"

using namespace ormid;

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

// min (x - 3)^2 subject to x <= 1 + t on [0, 1]: x = 1.
Functions shiftedLine() {
  Functions p;
  p.mt = 1;
  p.x0 = {0.0};
  p.xl = {-10.0}, p.xu = {10.0};
  p.f = [](const double* x) { return (x[0] - 3) * (x[0] - 3); };
  p.gradF = [](const double* x, double* g) { g[0] = 2 * (x[0] - 3); };
  p.g = [](int, const double* x, const double* t) { return x[0] - 1 - t[0]; };
  p.gradG = [](int, const double*, const double*, double* gx, double* gt) {
    gx[0] = 1;
    gt[0] = -1;
  };
  return p;
}

Options withMethod(Method m) {
  Options o;
  o.method = m;
  o.nlpSolver = SubproblemNlp::Ipopt;
  return o;
}

int filesIn(const std::string& dir) {
  int n = 0;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
    closedir(d);
  }
  return n;
}

const Method EVERY_METHOD[] = {Method::Penalty,
                               Method::PenaltyMultiplier,
                               Method::InteriorPoint,
                               Method::GridDiscretization,
                               Method::HaltonDiscretization,
                               Method::EpsilonActiveDiscretization,
                               Method::Exchange};

TEST(Embedding, EveryMethodIsSilentByDefaultAndLeavesNoFile) {
  ScratchWorkingDir dir;
  for (Method m : EVERY_METHOD) {
    CaptureStdout();
    CaptureStderr();
    Result r = solve(shiftedLine(), withMethod(m));
    EXPECT_EQ(GetCapturedStdout(), "") << static_cast<int>(m);
    EXPECT_EQ(GetCapturedStderr(), "") << static_cast<int>(m);
    EXPECT_NEAR(r.x[0], 1.0, 1e-3) << static_cast<int>(m) << r.message;
  }
  EXPECT_EQ(filesIn(dir.file("")), 0);
}

// An exception from the caller's functions never leaves solve: whichever
// method runs (inside Ipopt's callbacks too), the solve ends with an
// evaluation error carrying its message, silently.
TEST(Embedding, AThrowingFunctionEndsEveryMethodWithAnEvaluationError) {
  for (Method m : EVERY_METHOD) {
    for (int throwAt : {1, 25}) {    // the first value of g, and one in mid-run
      Functions p = shiftedLine();
      auto calls = std::make_shared<int>(0);
      p.g = [calls, throwAt](int, const double* x, const double* t) {
        if (++*calls == throwAt) throw std::runtime_error("g broke");
        return x[0] - 1 - t[0];
      };
      CaptureStdout();
      CaptureStderr();
      Result r = solve(p, withMethod(m));
      EXPECT_EQ(GetCapturedStdout(), "") << static_cast<int>(m);
      EXPECT_EQ(GetCapturedStderr(), "") << static_cast<int>(m);
      EXPECT_EQ(r.status, Status::EvaluationError) << static_cast<int>(m) << " at " << throwAt << ": " << r.message;
      EXPECT_EQ(r.message, "g broke (thrown by the evaluator)") << static_cast<int>(m);
      EXPECT_EQ(r.x.size(), 1u) << static_cast<int>(m);
    }
  }
}

TEST(Embedding, AThrowingObjectiveOrCallbackIsAnEvaluationErrorToo) {
  Functions p = shiftedLine();
  p.f = [](const double*) -> double { throw std::logic_error("f broke"); };
  Result r = solve(p, withMethod(Method::Exchange));
  EXPECT_EQ(r.status, Status::EvaluationError);
  EXPECT_EQ(r.message, "f broke (thrown by the evaluator)");
  EXPECT_EQ(r.x, (std::vector<double>{0.0}));  // the start
  Options o = withMethod(Method::Penalty);
  o.iterationCallback = [](const Iteration&) -> IterationAction { throw 7; };
  r = solve(shiftedLine(), o);
  EXPECT_EQ(r.status, Status::EvaluationError);
  EXPECT_EQ(r.message, "an exception that is not a std::exception (thrown by the iteration callback)");
}

// The integral methods integrate over one infinite variable: more are
// refused before any work, with the reason. Finite constraints they ignore:
// an answer that violates one says so.
TEST(Embedding, TheIntegralMethodsRefuseShapesTheyCannotHandle) {
  const std::pair<Method, std::string> methods[] = {{Method::Penalty, "the penalty method "},
                                                    {Method::PenaltyMultiplier, "the penalty multiplier method "},
                                                    {Method::InteriorPoint, "the interior point method "}};
  for (const auto& m : methods) {
    Functions finite = shiftedLine();  // x = 1 without the finite constraint x <= 0.5
    finite.mx = 1;
    finite.c = [](int, const double* x) { return x[0] - 0.5; };
    finite.gradC = [](int, const double*, double* g) { g[0] = 1; };
    Result r = solve(finite, withMethod(m.first));
    EXPECT_EQ(r.status, Status::Infeasible) << m.second << r.message;
    EXPECT_NE(r.message.find("; the method ignores finite constraints, and constraint 0 is violated"), std::string::npos)
        << m.second << r.message;
    finite.c = [](int, const double* x) { return x[0] - 2; };  // inactive: no note
    r = solve(finite, withMethod(m.first));
    EXPECT_EQ(r.message.find("ignores"), std::string::npos) << m.second << r.message;
    Functions plane = shiftedLine();
    plane.nt = 2;
    r = solve(plane, withMethod(m.first));
    EXPECT_EQ(r.status, Status::InvalidInput) << m.second << r.message;
    EXPECT_EQ(r.stats.objectiveValues + r.stats.infiniteConstraintValues, 0) << m.second;
    EXPECT_EQ(r.message, m.second + "integrates over one infinite variable (the problem has 2)");
    // Without infinite constraints there is nothing to integrate: any T will do.
    plane.mt = 0;
    r = solve(plane, withMethod(m.first));
    EXPECT_NEAR(r.x[0], 3.0, 1e-3) << m.second << r.message;
  }
}

TEST(Embedding, TheLogSinkReceivesWholeLinesAtTheChosenLevel) {
  std::vector<std::string> iterations, details;
  Options o = withMethod(Method::Exchange);
  o.printLevel = PrintLevel::Iterations;
  o.log = [&](const std::string& text) { iterations.push_back(text); };
  CaptureStdout();
  solve(shiftedLine(), o);
  o.printLevel = PrintLevel::Details;
  o.log = [&](const std::string& text) { details.push_back(text); };
  solve(shiftedLine(), o);
  EXPECT_EQ(GetCapturedStdout(), "");
  ASSERT_FALSE(iterations.empty());
  for (const std::string& text : iterations) EXPECT_EQ(text.back(), '\n') << text;
  EXPECT_NE(iterations[0].find("Iter\tPoints"), std::string::npos) << iterations[0];
  EXPECT_GE(details.size(), iterations.size());
}

TEST(Embedding, ACallbackThatStopsEndsTheRunInterruptedWithItsPoint) {
  for (Method m : {Method::Penalty, Method::InteriorPoint, Method::GridDiscretization, Method::Exchange}) {
    Options o = withMethod(m);
    std::vector<Iteration> seen;
    o.iterationCallback = [&](const Iteration& it) {
      seen.push_back(it);
      return IterationAction::Stop;
    };
    Result r = solve(shiftedLine(), o);
    ASSERT_EQ(seen.size(), 1u) << static_cast<int>(m);
    EXPECT_EQ(seen[0].method, m);
    EXPECT_EQ(seen[0].nx, 1);
    EXPECT_TRUE(std::isfinite(seen[0].objective));
    EXPECT_EQ(r.status, Status::Interrupted) << static_cast<int>(m) << ": " << r.message;
    EXPECT_EQ(r.message, "stopped by the iteration callback");
    ASSERT_TRUE(r.hasPoint());
    EXPECT_EQ(r.x.size(), 1u);
    EXPECT_STREQ(r.statusText(), "limit");
  }
  // A callback that goes on changes nothing.
  Options o = withMethod(Method::Exchange);
  int calls = 0;
  o.iterationCallback = [&](const Iteration&) {
    ++calls;
    return IterationAction::Continue;
  };
  Result r = solve(shiftedLine(), o);
  EXPECT_GT(calls, 0);
  EXPECT_EQ(r.status, Status::Solved) << r.message;
}

TEST(Embedding, ASeedRepeatsTheRandomStart) {
  // Every point is optimal: the random start is the answer.
  Functions p;
  p.nx = 3, p.mt = 1;
  p.xl = {0, 0, 0}, p.xu = {1, 1, 1};
  p.f = [](const double*) { return 0.0; };
  p.gradF = [](const double*, double* g) { g[0] = g[1] = g[2] = 0; };
  p.g = [](int, const double*, const double*) { return -1.0; };
  p.gradG = [](int, const double*, const double*, double* gx, double* gt) {
    gx[0] = gx[1] = gx[2] = 0;
    gt[0] = 0;
  };
  Options o = withMethod(Method::Penalty);
  o.randomSeed = 12345;
  Result a = solve(p, o), b = solve(p, o);
  o.randomSeed = 54321;
  Result c = solve(p, o);
  ASSERT_TRUE(a.hasPoint() && c.hasPoint()) << a.message << c.message;
  EXPECT_EQ(a.x, b.x);
  EXPECT_NE(a.x, c.x);
}

// max x subject to x sin(5 pi t) <= 1 on [0, 1]: the random start's coarse
// grid (t = 0, 0.2, ..., 1) sees none of the constraint, so its subproblem is
// unbounded. It ends at the divergence bound, and the method goes on from
// the draw to x = 1.
TEST(Embedding, AnUnboundedCoarseSubproblemEndsAtTheBoundAndTheRunGoesOn) {
  Functions p;
  p.mt = 1;
  p.maximize = true;
  p.f = [](const double* x) { return x[0]; };
  p.gradF = [](const double*, double* g) { g[0] = 1; };
  p.g = [](int, const double* x, const double* t) { return x[0] * std::sin(5 * M_PI * t[0]) - 1; };
  p.gradG = [](int, const double* x, const double* t, double* gx, double* gt) {
    gx[0] = std::sin(5 * M_PI * t[0]);
    gt[0] = 5 * M_PI * x[0] * std::cos(5 * M_PI * t[0]);
  };
  Options o = withMethod(Method::Exchange);
  o.randomSeed = 7;
  o.printLevel = PrintLevel::Iterations;
  std::string log;
  o.log = [&](const std::string& text) { log += text; };
  Result r = solve(p, o);
  EXPECT_NE(log.find("Ipopt: diverging"), std::string::npos) << log;
  EXPECT_EQ(r.status, Status::Solved) << r.message;
  EXPECT_NEAR(r.x[0], 1.0, 1e-8);
}

TEST(Embedding, TheInputCheckRefusesWhatAMethodWouldMisread) {
  const Functions f = shiftedLine();
  const FunctionsProblem fine(f);
  EXPECT_EQ(checkInput(fine.problem, Options()), "");

  Problem noEvaluator = fine.problem;
  noEvaluator.evaluate = nullptr;
  Problem noBounds = fine.problem;
  noBounds.xl = nullptr;
  const double emptyLower[] = {1.0}, emptyUpper[] = {0.0};
  Problem emptyBox = fine.problem;
  emptyBox.tl = emptyLower, emptyBox.tu = emptyUpper;
  const double nan[] = {NAN};
  Problem nanStart = fine.problem;
  nanStart.x0 = nan;
  Problem negative = fine.problem;
  negative.mt = -1;
  struct Case {
    const Problem& problem;
    const char* says;
  } cases[] = {{noEvaluator, "no evaluator"},
               {noBounds, "bounds of x are missing"},
               {emptyBox, "lower bound of t 0 is above its upper bound"},
               {nanStart, "x0[0] is not finite"},
               {negative, "a size is negative"}};
  for (const Case& c : cases) {
    CaptureStdout();
    Result r = solve(c.problem, withMethod(Method::Exchange));
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(r.status, Status::InvalidInput) << c.says;
    EXPECT_NE(r.message.find(c.says), std::string::npos) << r.message;
    EXPECT_FALSE(r.hasPoint());
  }
  Options unknown;
  unknown.method = static_cast<Method>(7);
  EXPECT_EQ(solve(fine.problem, unknown).status, Status::InvalidInput);
  Functions shortStart = shiftedLine();
  shortStart.nx = 2;
  EXPECT_EQ(solve(shortStart).status, Status::InvalidInput);
}

// sqp needs an external NLP solver, which the library does not have: a
// caller who names it learns why, and the options stay as they were.
TEST(Embedding, TheLibraryRefusesSqpWithTheReason) {
  Options o = withMethod(Method::Exchange);
  std::string why;
  EXPECT_FALSE(setOption(o, "method", "sqp", &why));
  EXPECT_EQ(o.method, Method::Exchange);
  EXPECT_EQ(why, "method sqp needs an external NLP solver, which the library does not have (the ormid "
                 "program takes the word and stops)");
  EXPECT_TRUE(setOption(o, "method", "penalty_m", &why));
  EXPECT_EQ(o.method, Method::PenaltyMultiplier);
}

TEST(Embedding, AResultIsNotSolvedUntilAMethodSaysSoAndTheVersionIsTheHeaders) {
  Result r;
  EXPECT_EQ(r.status, Status::NotSolved);
  EXPECT_FALSE(r.hasPoint());
  EXPECT_STREQ(r.statusText(), "no solution");
  EXPECT_EQ(r.stats.objectiveValues, 0);
  EXPECT_STREQ(version(), ORMID_VERSION_STRING);
  EXPECT_EQ(std::to_string(versionMajor) + "." + std::to_string(versionMinor) + "." +
                std::to_string(versionPatch),
            version());
}

}  // namespace
