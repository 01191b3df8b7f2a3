// The library from C++ code: problems stated by lambdas, and two solves at
// once in two threads giving exactly what each gives alone.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "harness.h"
#include "ormid/ormid.h"

using namespace ormid;

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// The best uniform approximation of t^2 by x1 t on [0, 1]: min x2 subject to
// |t^2 - x1 t| <= x2, as two infinite constraints.
Functions chebyshev() {
  Functions p;
  p.nx = 2, p.nt = 1, p.mt = 2;
  p.x0 = {0.0, 1.0};
  p.f = [](const double* x) { return x[1]; };
  p.gradF = [](const double*, double* g) { g[0] = 0, g[1] = 1; };
  p.g = [](int j, const double* x, const double* t) {
    double r = t[0] * t[0] - x[0] * t[0];
    return (j == 0 ? r : -r) - x[1];
  };
  p.gradG = [](int j, const double* x, const double* t, double* gx, double* gt) {
    double s = j == 0 ? 1 : -1;
    gx[0] = -s * t[0], gx[1] = -1;
    gt[0] = s * (2 * t[0] - x[0]);
  };
  return p;
}

// max -(x - 2)^2 subject to x <= t + 1 on [0, 1]: x = 1, f = -1.
Functions bounded() {
  Functions p;
  p.nx = 1, p.nt = 1, p.mt = 1;
  p.x0 = {0.0};
  p.maximize = true;
  p.f = [](const double* x) { return -(x[0] - 2) * (x[0] - 2); };
  p.gradF = [](const double* x, double* g) { g[0] = -2 * (x[0] - 2); };
  p.g = [](int, const double* x, const double* t) { return x[0] - t[0] - 1; };
  p.gradG = [](int, const double*, const double*, double* gx, double* gt) {
    gx[0] = 1, gt[0] = -1;
  };
  return p;
}

// min |x - (2, 2)|^2 subject to t x0^2 + (1 - t) x1^2 <= 1 on [0, 1]: x =
// (1, 1). Quadratic in x, so that every method's subproblems go to Ipopt.
Functions corner() {
  Functions p;
  p.nx = 2, p.nt = 1, p.mt = 1;
  p.x0 = {0.5, 0.0};
  p.f = [](const double* x) { return (x[0] - 2) * (x[0] - 2) + (x[1] - 2) * (x[1] - 2); };
  p.gradF = [](const double* x, double* g) { g[0] = 2 * (x[0] - 2), g[1] = 2 * (x[1] - 2); };
  p.g = [](int, const double* x, const double* t) { return t[0] * x[0] * x[0] + (1 - t[0]) * x[1] * x[1] - 1; };
  p.gradG = [](int, const double* x, const double* t, double* gx, double* gt) {
    gx[0] = 2 * t[0] * x[0], gx[1] = 2 * (1 - t[0]) * x[1];
    gt[0] = x[0] * x[0] - x[1] * x[1];
  };
  return p;
}

struct Case {
  Functions functions;
  Options options;
  Result result;
  void run() { result = ormid::solve(functions, options); }
};

TEST(Library, LambdaProblemsReachTheirOptima) {
  ScratchWorkingDir dir;  // the methods append to ./results
  Case a{chebyshev(), Options(), {}};
  a.options.method = Method::EpsilonActiveDiscretization;
  a.options.nlpSolver = SubproblemNlp::Ipopt;
  Case b{bounded(), Options(), {}};
  CaptureStdout();
  a.run();
  b.run();
  GetCapturedStdout();
  // The best uniform approximation of t^2 by x1 t on [0, 1]: x1 = 2(sqrt 2 - 1).
  EXPECT_LT(statusCode(a.result.status), 200) << a.result.message;
  EXPECT_NEAR(a.result.x[0], 2 * (std::sqrt(2.0) - 1), 1e-3);
  EXPECT_NEAR(a.result.objective, 3 - 2 * std::sqrt(2.0), 1e-3);
  EXPECT_LT(statusCode(b.result.status), 200) << b.result.message;
  EXPECT_NEAR(b.result.x[0], 1.0, 1e-3);
  EXPECT_NEAR(b.result.objective, -1.0, 1e-3);  // the model's own objective
  EXPECT_GT(b.result.stats.penaltyValues, 0);
}

// The exchange method's Newton phase on lambdas: second derivatives from
// differences of the gradients, still to full precision.
TEST(Library, TheNewtonPhaseWorksWithoutHessians) {
  ScratchWorkingDir dir;
  Case a{chebyshev(), Options(), {}};
  a.options.method = Method::Exchange;
  CaptureStdout();
  a.run();
  GetCapturedStdout();
  EXPECT_EQ(a.result.status, Status::Solved) << a.result.message;
  EXPECT_NE(a.result.message.find("Newton phase converged"), std::string::npos) << a.result.message;
  EXPECT_NEAR(a.result.x[0], 2 * (std::sqrt(2.0) - 1), 1e-12);
  EXPECT_NEAR(a.result.objective, 3 - 2 * std::sqrt(2.0), 1e-12);
}

TEST(Library, TwoSolvesInTwoThreadsGiveWhatEachGivesAlone) {
  ScratchWorkingDir dir;
  std::vector<Case> alone(3), together(3);
  for (std::vector<Case>* cases : {&alone, &together}) {
    (*cases)[0] = Case{chebyshev(), Options(), {}};
    (*cases)[0].options.method = Method::InteriorPoint;
    (*cases)[1] = Case{bounded(), Options(), {}};
    (*cases)[1].options.penaltyType = PenaltyType::Linear;
    (*cases)[2] = Case{chebyshev(), Options(), {}};
    (*cases)[2].options.method = Method::GridDiscretization;
    (*cases)[2].options.nlpSolver = SubproblemNlp::Ipopt;
  }
  CaptureStdout();
  for (Case& c : alone) c.run();
  std::vector<std::thread> threads;
  for (Case& c : together) threads.emplace_back([&c] { c.run(); });
  for (std::thread& t : threads) t.join();
  GetCapturedStdout();
  for (size_t i = 0; i < alone.size(); ++i) {
    EXPECT_EQ(together[i].result.status, alone[i].result.status) << i;
    EXPECT_EQ(together[i].result.x, alone[i].result.x) << i;
    EXPECT_EQ(together[i].result.stats.infiniteConstraintValues, alone[i].result.stats.infiniteConstraintValues)
        << i;
    EXPECT_EQ(together[i].result.iterations, alone[i].result.iterations) << i;
  }
  // The options are read, never written.
  EXPECT_EQ(together[0].options.initialSmoothing, Options().initialSmoothing);
  EXPECT_EQ(together[0].options.slackRelaxation, Options().slackRelaxation);
}

// Solves with Ipopt subproblems in several threads at once: the subproblems
// take turns (kernels/blas_lock.h; two at once abort in MUMPS, and
// OpenBLAS's race moves their answers), the rest runs in parallel, and each
// thread's answers are bit for bit those of the same solves one after the
// other.
TEST(Library, IpoptSubproblemsInThreadsGiveWhatEachGivesAlone) {
  ScratchWorkingDir dir;
  const int repeats = 6;  // each thread's solves overlap the others' many times
  std::vector<Case> cases(3);
  cases[0] = Case{corner(), Options(), {}};
  cases[0].options.method = Method::Exchange;
  cases[1] = Case{chebyshev(), Options(), {}};
  cases[1].options.method = Method::EpsilonActiveDiscretization;
  cases[1].options.nlpSolver = SubproblemNlp::Ipopt;
  cases[2] = Case{corner(), Options(), {}};
  cases[2].options.method = Method::HaltonDiscretization;
  cases[2].options.nlpSolver = SubproblemNlp::Ipopt;
  for (Case& c : cases) c.options.verify = false;  // its search is budgeted by the clock
  std::vector<Result> alone;
  for (Case& c : cases) {
    c.run();
    alone.push_back(c.result);
    ASSERT_GT(c.result.stats.subproblems, 0) << "no Ipopt subproblem";
  }
  std::vector<std::vector<Result>> together(cases.size());
  std::vector<std::thread> threads;
  for (size_t i = 0; i < cases.size(); ++i)
    threads.emplace_back([&, i] {
      Case c = cases[i];
      for (int k = 0; k < repeats; ++k) {
        c.run();
        together[i].push_back(c.result);
      }
    });
  for (std::thread& t : threads) t.join();
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(alone[i].status, Status::Solved) << i << ": " << alone[i].message;
    for (const Result& r : together[i]) {
      EXPECT_EQ(r.status, alone[i].status) << i << ": " << r.message;
      EXPECT_EQ(r.message, alone[i].message) << i;
      EXPECT_EQ(r.x, alone[i].x) << i;
      EXPECT_EQ(r.stats.subproblems, alone[i].stats.subproblems) << i;
      EXPECT_EQ(r.stats.subproblemIterations, alone[i].stats.subproblemIterations) << i;
    }
  }
}

}  // namespace

namespace {

// A constraint counted in mt without its functions is an evaluation error,
// not a crash.
TEST(Library, AMissingFunctionIsAnEvaluationError) {
  ScratchWorkingDir dir;
  Functions p;
  p.mt = 1;  // no g, no gradG
  p.x0 = {0.0};
  CaptureStdout();
  Result r = ormid::solve(p);
  GetCapturedStdout();
  EXPECT_EQ(r.status, Status::EvaluationError) << r.message;
}

}  // namespace

namespace {

// Every variable infinite: no x to solve for, and still a certificate.
TEST(Library, AProblemWithoutFiniteVariablesIsCertifiedByEveryKindOfMethod) {
  ScratchWorkingDir dir;
  Functions p;
  p.nx = 0, p.mt = 1;
  p.g = [](int, const double*, const double* t) { return t[0] * t[0] - 2; };
  p.gradG = [](int, const double*, const double* t, double*, double* gt) { gt[0] = 2 * t[0]; };
  for (Method method : {Method::Penalty, Method::Exchange, Method::EpsilonActiveDiscretization}) {
    Options o;
    o.method = method;
    o.nlpSolver = SubproblemNlp::Ipopt;
    CaptureStdout();
    Result r = ormid::solve(p, o);
    GetCapturedStdout();
    EXPECT_EQ(r.status, Status::Solved) << static_cast<int>(method) << ": " << r.message;
    EXPECT_EQ(r.maxViolation, 0.0) << static_cast<int>(method);
  }
}

}  // namespace
