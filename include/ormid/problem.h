// The problem: sizes, bounds and an evaluator over a user-data pointer, or a
// record of lambdas.
//
//   minimise f(x) subject to  xl <= x <= xu,
//                             cxl <= c(x) <= cxu           (mx finite constraints)
//                             ctl <= g(x, t) <= ctu  for every t in [tl, tu]
//                                                          (mt infinite constraints)
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace ormid {

// What the evaluator is asked for. Values come back as the return value,
// derivatives in the output arrays; a block of m functions by k variables
// holds the entry of function j, variable i at i*m + j.
enum class Request {
  ObjectiveValue = 1,           // f(x)
  ObjectiveGradient = 2,        // out1 = grad f (nx)
  ObjectiveHessian = 3,         // out1 = Hessian of f (nx x nx)
  ConstraintValues = 4,         // out1 = c(x) (mx), out2 = g(x, t) (mt)
  Jacobians = 5,                // out1 = dc/dx, out2 = dg/dt, out3 = dg/dx
  FiniteValue = 6,              // c_n(x)
  InfiniteValue = 7,            // g_n(x, t)
  FiniteGradient = 8,           // out1 = grad c_n (nx)
  InfiniteGradient = 9,         // out1 = d g_n / dx (nx), out2 = d g_n / dt (nt, may be null)
  FiniteHessian = 10,           // out1 = Hessian of c_n in x
  InfiniteHessian = 11,         // out1 = xx, out2 = tt, out3 = xt blocks of the Hessian of g_n
  // Sparsity, asked once a subproblem: out1 = nx flags, nonzero where c_n
  // (g_n) may depend on x_i. An evaluator that does not answer leaves out1
  // as it is (all ones: dense).
  FinitePattern = 12,
  InfinitePattern = 13,
  // out1 = nx x nx flags, nonzero where the objective or some constraint
  // (finite, or infinite at any t) may have a second derivative in x_i and
  // x_k. Asked once a subproblem; all ones (dense) where not answered. All
  // zeros let a subproblem skip the Hessian requests altogether.
  HessianPattern = 14,
  // out1 = nx x nx flags as for HessianPattern, over the constraints alone
  // (finite and infinite, the objective left out); all ones where not
  // answered. All zeros: every constraint is linear in x at every t, so
  // scans can keep each constraint's design matrix and subproblems skip
  // the rows' Hessians.
  ConstraintHessianPattern = 15
};

// evaluate(request, n, x, t, out1, out2, out3, nerror, data): n is the
// constraint's index, data the problem's user data. A function that cannot
// be evaluated at the point sets *nerror (when not null) to a nonzero value
// and returns NaN.
typedef double (*Evaluator)(Request request, int n, const double* x, const double* t,
                            double* out1, double* out2, double* out3, int* nerror, void* data);

// The batched request: g_n at count points of T in one call. t holds
// count * nt values, point after point; values receives count values, NaN
// where g cannot be evaluated. Returns false when some value could not be.
typedef bool (*BatchEvaluator)(int n, int count, const double* x, const double* t,
                               double* values, void* data);

// A rigorous enclosure of g_n(x, t) over the box tLower <= t <= tUpper of
// T: lower <= g <= upper there, rounded outwards. False where there is none.
typedef bool (*IntervalEvaluator)(int n, const double* x, const double* tLower,
                                  const double* tUpper, double* lower, double* upper, void* data);

// Bounds beyond +-2146435072 (or infinite) count as absent.
constexpr double INFINITY_BOUND = 2146435072.0;
inline bool isMinusInfinity(double lower) { return lower <= -INFINITY_BOUND; }
inline bool isPlusInfinity(double upper) { return upper >= INFINITY_BOUND; }

// Every array has the size its count says and must outlive the solve.
struct Problem {
  int nx = 0, nt = 0, mx = 0, mt = 0;
  const double* x0 = nullptr;  // starting point; null: drawn at random (needs Options::nlpSolver Ipopt)
  const double *xl = nullptr, *xu = nullptr;
  const double *tl = nullptr, *tu = nullptr;
  const double *cxl = nullptr, *cxu = nullptr;
  const double *ctl = nullptr, *ctu = nullptr;
  Evaluator evaluate = nullptr;
  // Optional: without it the scans of T ask evaluate point by point.
  BatchEvaluator evaluateBatch = nullptr;
  // Optional: what verify bounds the violation over T with.
  IntervalEvaluator evaluateInterval = nullptr;
  // Optional, per infinite constraint: why evaluateInterval has no
  // enclosure of it at all (empty where it has one).
  std::vector<std::string> intervalUnavailable;
  void* data = nullptr;
  int sense = 1;  // -1: maximise f (the evaluator answers with the model's own f)
  bool hessians = false;  // the evaluator answers the three Hessian requests
  // Names for messages: the objective, the finite and the infinite
  // constraints (may be empty).
  std::string objectiveName = "objective";
  std::vector<std::string> finiteNames, infiniteNames;
};

// A problem stated by lambdas. Empty bounds mean free x, c_j <= 0, g_j <= 0
// and T = [0, 1]^nt; empty x0 a random start. Functions the problem needs
// but lacks make evaluation errors; Hessians are approximated.
struct Functions {
  typedef std::vector<double> Vec;
  int nx = 1, nt = 1, mx = 0, mt = 0;
  Vec x0, xl, xu, tl, tu, cxl, cxu, ctl, ctu;
  std::function<double(const double* x)> f;
  std::function<void(const double* x, double* grad)> gradF;
  std::function<double(int j, const double* x)> c;
  std::function<void(int j, const double* x, double* grad)> gradC;
  std::function<double(int j, const double* x, const double* t)> g;
  std::function<void(int j, const double* x, const double* t, double* gx, double* gt)> gradG;
  // Optional: g_j at count points of T (count * nt values) into values.
  std::function<void(int j, int count, const double* x, const double* t, double* values)> gBatch;
  // Optional: a rigorous enclosure [lower, upper] of g_j(x, .) over a box of T.
  std::function<bool(int j, const double* x, const double* tLower, const double* tUpper,
                     double* lower, double* upper)>
      gInterval;
  bool maximize = false;
};

}  // namespace ormid
