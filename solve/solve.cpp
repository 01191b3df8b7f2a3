// The library's entry point: one solve in a context of its own, and the
// certificate of its point.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/function_problem.h"
#include "core/run_clock.h"
#include "core/sip.h"
#include "solve/checks.h"
#include "solve/dispatch.h"
#include "solve/guarded_problem.h"
#include "solve/solve_with.h"
#include "certificate/certificate.h"
#include "lower_level/lower_level.h"
#include "verify/verify.h"

namespace ormid {

namespace {

// A request straight to the problem's evaluator: the checks of a solve are
// not the method's work and are not counted.
bool evaluates(const Problem& p, Request code, int k, const double* x) {
  std::vector<double> grad(p.nx > 0 ? p.nx : 1);
  int error = 0;
  double v = p.evaluate(code, k, x, nullptr, grad.data(), nullptr, nullptr, &error, p.data);
  return error == 0 && !std::isnan(v);
}

}  // namespace

std::string failingAtStart(const Problem& p, const double* x) {
  if (!evaluates(p, Request::ObjectiveValue, 0, x) || !evaluates(p, Request::ObjectiveGradient, 0, x))
    return "objective " + p.objectiveName;
  for (int k = 0; k < p.mx; ++k)
    if (!evaluates(p, Request::FiniteValue, k, x) || !evaluates(p, Request::FiniteGradient, k, x))
      return "constraint " + (k < (int)p.finiteNames.size() ? p.finiteNames[k] : std::to_string(k));
  return "";
}

namespace {

// Verification's share of a run: each constraint's search may take as long
// as the solve took per constraint, within these limits.
const double LEAST_VERIFY_SECONDS = 0.1, MOST_VERIFY_SECONDS = 1.0;

VerifyBudget verifyBudget(const Problem& p, const Options& o, double solveSeconds) {
  VerifyBudget b;
  b.seconds = o.verifySeconds > 0
                  ? o.verifySeconds
                  : std::min(MOST_VERIFY_SECONDS, std::max(LEAST_VERIFY_SECONDS, solveSeconds / std::max(1, p.mt)));
  b.boxes = 1000000;  // the time is the budget
  return b;
}

// What the solve knows of its final point: the model's objective there and,
// unless switched off, its certificate and verified bounds, which decide
// the status. Returns the certificate.
Certificate describePoint(SipContext& c, double gradientScale, double solveSeconds, Result& r) {
  const Problem& p = c.problem;
  r.x = c.x;
  int error = 0;
  double f = p.evaluate(Request::ObjectiveValue, 0, r.x.data(), nullptr, nullptr, nullptr, nullptr, &error,
                        p.data);
  r.objective = error ? NAN : f;
  Certificate cert;
  if (!c.options.certify) return cert;
  const double start = monotonicSeconds();
  cert = certify(p, r.x.data(), gradientScale, c.options.optimalityTolerance, &c.scans);
  r.maxViolation = cert.absolute;
  r.worst = cert.worst;
  r.active = cert.active;
  r.stationarity = cert.stationarity;
  r.objectiveGap = cert.objectiveGap;
  r.certificateEvaluations = cert.evaluations;
  r.certificateSeconds = monotonicSeconds() - start;
  judge(r, cert, c.options);
  if (c.options.verify) verifyPoint(p, c.options, r, verifyBudget(p, c.options, solveSeconds));
  return cert;
}

// The methods that work on points of T: a violated point found at their
// answer joins their points, and they go on from that answer.
bool takesFoundPoints(Method m) {
  return m == Method::Exchange || m == Method::GridDiscretization || m == Method::HaltonDiscretization ||
         m == Method::EpsilonActiveDiscretization;
}

// How many times a solve hands found points back to its method.
const int FOUND_POINT_ROUNDS = 8;
// A point lies where one tried before does within this share of T's width
// in every coordinate: the method had it and could not do better.
const double SAME_POINT = 1e-4;

bool triedBefore(const SipContext& c, const Point& q) {
  const Problem& p = c.problem;
  for (const Point& old : c.foundPoints) {
    if (old.constraint != q.constraint || old.t.size() != q.t.size()) continue;
    bool same = true;
    for (int d = 0; same && d < p.nt; ++d)
      same = std::fabs(old.t[d] - q.t[d]) <= SAME_POINT * std::max(p.tu[d] - p.tl[d], 1e-300);
    if (same) return true;
  }
  return false;
}

// The local maximum of constraint j's violation nearest t (climbed with
// steps of at most `width` box widths), as a point with its violation on
// the scale max(1, |bound|).
Point climbedPoint(SipContext& c, int j, const std::vector<double>& t, double width) {
  long evaluations = 0;
  const LocalMaximum m = climbFrom(ViolationFunction{c.problem, c.x.data(), j, &evaluations}, t, width);
  c.countInfiniteValues(evaluations);
  Point q;
  q.constraint = j;
  q.t = m.t;
  q.violation = std::isnan(m.violation) ? HUGE_VAL : m.violation / boundScale(boundOfSide(c.problem, j, m.side));
  return q;
}

// Where a verified bound is above its tolerance: the point at which the
// search met the largest violation (or the centre of the box attaining the
// bound), climbed to its local maximum.
Point verifiedPoint(SipContext& c, const VerifiedBound& v) {
  const Problem& p = c.problem;
  std::vector<double> t = v.at;
  double width = 0;
  for (int d = 0; d < p.nt && d < (int)v.lower.size(); ++d)
    width = std::max(width, (v.upper[d] - v.lower[d]) / std::max(p.tu[d] - p.tl[d], 1e-300));
  if ((int)t.size() != p.nt) {
    t.assign(p.nt, 0.0);
    for (int d = 0; d < p.nt && d < (int)v.lower.size(); ++d) t[d] = 0.5 * (v.lower[d] + v.upper[d]);
  }
  return climbedPoint(c, v.constraint, t, std::max(width, 1e-12));
}

// The violated points of T that the certificate and the verification found
// at r.x and that the method has not had yet, on the certificate's scale.
std::vector<Point> untriedPoints(SipContext& c, const Certificate& cert, const Result& r) {
  const Problem& p = c.problem;
  const double tolerance = c.options.feasibilityTolerance;
  std::vector<Point> found;
  auto take = [&](const Point& q) {
    if (q.violation > tolerance && (int)q.t.size() == p.nt && !triedBefore(c, q)) found.push_back(q);
  };
  for (const Point& q : cert.violated) take(q);
  for (const VerifiedBound& v : r.verified)
    if (v.available && !(v.bound <= c.options.feasibilityTolerance * v.scale)) take(verifiedPoint(c, v));
  return found;
}

// A coordinate of x that grew beyond this many times its starting size (at
// least one): a subproblem ran off, or the problem is unbounded. Never "solved".
const double RUNAWAY_GROWTH = 1e8;

void reportRunaway(const Problem& p, Result& r) {
  for (int i = 0; i < p.nx && i < (int)r.x.size(); ++i) {
    const double start = p.x0 ? std::max(1.0, std::fabs(p.x0[i])) : 1.0;
    if (!(std::fabs(r.x[i]) > RUNAWAY_GROWTH * start)) continue;
    char text[160];
    snprintf(text, sizeof text, "; x[%d] = %.3g grew beyond %.0e times its starting size", i, r.x[i],
             RUNAWAY_GROWTH);
    if (r.status == Status::Solved) r.status = Status::Uncertain;
    r.message += text;
    return;
  }
}

// The method (the caller's, when given), then the certificate and
// verification of its point; a violated point they find goes back to the
// options' method (a few rounds).
Result solveWithFoundPoints(SipContext& c, double start, const MethodRun* own) {
  // The objective's scale, from its gradient at the start (when given).
  const double gradientScale = c.problem.x0 ? objectiveGradientNorm(c.problem, c.problem.x0) : 0.0;
  Result r = own ? dispatch(c, *own) : dispatch(c);
  int iterations = 0;
  for (int round = 0;; ++round) {
    if (c.interrupted && (r.status == Status::TimeLimit || r.status == Status::SubproblemFailure)) {
      r.status = Status::Interrupted;
      r.message = "stopped by the iteration callback";
    }
    iterations += r.iterations;
    r.iterations = iterations;
    if (!r.hasPoint()) {
      r.x = c.x;
      break;
    }
    const Certificate cert = describePoint(c, gradientScale, monotonicSeconds() - start, r);
    if (statusCode(r.status) >= 300 || own || !takesFoundPoints(c.options.method)) break;
    std::vector<Point> found = untriedPoints(c, cert, r);
    if (found.empty()) break;
    if (round == FOUND_POINT_ROUNDS || timeIsUp(c) || c.interrupted) {
      r.status = timeIsUp(c) ? Status::TimeLimit : Status::Uncertain;
      r.message += "; a violated point of T found at the answer is untried";
      break;
    }
    c.print(PrintLevel::Iterations, "%d violated point%s of T found at the answer: the method goes on with %s\n",
            (int)found.size(), found.size() > 1 ? "s" : "", found.size() > 1 ? "them" : "it");
    for (const Point& q : found) {
      c.foundPoints.push_back(q);
      c.scans.hint(q.constraint, q.t);  // the certificate climbs from it too
    }
    Result next = rerun(c);
    if (!next.hasPoint()) {  // the answer in hand stays
      c.x = r.x;
      r.message += "; going on from it: " + next.message;
      break;
    }
    r = next;
  }
  return r;
}

// An exception that none of the caller's callbacks threw: the library's own.
Result internalError(const SipContext& c, const char* what) {
  Result r = sipResult(Status::Breakdown, std::string("internal error: ") + what);
  r.x = c.x;
  return r;
}

// The input check's refusal, with the start as x.
Result refused(const Problem& problem, const std::string& issue) {
  Result r = sipResult(Status::InvalidInput, issue);
  if (problem.x0 && problem.nx > 0) r.x.assign(problem.x0, problem.x0 + problem.nx);
  return r;
}

bool allFinite(const std::vector<double>& v) {
  for (double e : v)
    if (!std::isfinite(e)) return false;
  return true;
}

// What makes a warm start unfit for the problem (empty when nothing does).
std::string warmStartIssue(const Problem& p, const WarmStart& warm) {
  if ((int)warm.x.size() != p.nx)
    return "the warm start has " + std::to_string(warm.x.size()) + " values of x for " + std::to_string(p.nx) +
           " variables";
  if (!allFinite(warm.x)) return "a value of the warm start's x is not finite";
  for (const Point& q : warm.points) {
    if (q.constraint < 0 || q.constraint >= p.mt)
      return "a point of the warm start is for infinite constraint " + std::to_string(q.constraint) +
             "; the problem has " + std::to_string(p.mt);
    if ((int)q.t.size() != p.nt)
      return "a point of the warm start has " + std::to_string(q.t.size()) + " coordinates of t where T has " +
             std::to_string(p.nt);
    if (!allFinite(q.t)) return "a point of the warm start has a coordinate of t that is not finite";
  }
  return "";
}

// The warm start's points, each moved onto its nearest point of T.
std::vector<Point> seedPoints(const Problem& p, const WarmStart& warm) {
  std::vector<Point> seeds = warm.points;
  for (Point& q : seeds)
    for (int d = 0; d < p.nt; ++d) q.t[d] = std::min(std::max(q.t[d], p.tl[d]), p.tu[d]);
  return seeds;
}

// One solve in a context of its own, by the options' method or the caller's,
// from the warm start's x and points of T where one is given.
Result guardedSolve(const Problem& problem, const Options& options, const MethodRun* own, const WarmStart* warm) {
  const double start = monotonicSeconds();
  std::string issue = checkInput(problem, options);
  if (issue.empty() && warm) issue = warmStartIssue(problem, *warm);
  if (!issue.empty()) return refused(problem, issue);
  Problem started = problem;
  if (warm && problem.nx > 0) started.x0 = warm->x.data();
  // Nothing leaves the library by an exception: what the caller's callbacks
  // throw ends the solve as an evaluation error with its message.
  GuardedProblem guard(started, options);
  SipContext c(guard.problem(), guard.options());
  if (warm) c.seedPoints = seedPoints(problem, *warm);
  Result r;
  try {
    r = solveWithFoundPoints(c, start, own);
    if (r.hasPoint()) {
      noteIgnoredFiniteConstraint(c, r);
      reportRunaway(started, r);
    }
    c.flushLog();
  } catch (const std::exception& e) {
    r = internalError(c, e.what());
  } catch (...) {
    r = internalError(c, "an exception that is not a std::exception");
  }
  if (guard.threw()) {
    r.status = Status::EvaluationError;
    r.message = guard.thrownMessage();
    if (r.x.empty()) r.x = c.x;
  }
  r.stats = c.stats;
  r.seconds = monotonicSeconds() - start;
  return r;
}

}  // namespace

Result solve(const Problem& problem, const Options& options) {
  return guardedSolve(problem, options, nullptr, nullptr);
}

Result solve(const Problem& problem, const Options& options, const WarmStart& warm) {
  return guardedSolve(problem, options, nullptr, &warm);
}

Result solveWith(const Problem& problem, const Options& options, const MethodRun& method) {
  return guardedSolve(problem, options, &method, nullptr);
}

namespace {

// The lambdas' problem, or why there is none.
std::string functionsIssue(const Functions& f) {
  if ((int)f.x0.size() != f.nx && !f.x0.empty())
    return "x0 has " + std::to_string(f.x0.size()) + " values for " + std::to_string(f.nx) + " variables";
  return "";
}

}  // namespace

Result solve(const Functions& f, const Options& options) {
  const std::string issue = functionsIssue(f);
  if (!issue.empty()) return sipResult(Status::InvalidInput, issue);
  const FunctionsProblem p(f);
  return solve(p.problem, options);
}

Result solve(const Functions& f, const Options& options, const WarmStart& warm) {
  const std::string issue = functionsIssue(f);
  if (!issue.empty()) return sipResult(Status::InvalidInput, issue);
  const FunctionsProblem p(f);
  return solve(p.problem, options, warm);
}

}  // namespace ormid
