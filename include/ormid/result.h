// How a solve ended: its status and message, its point, the certificate of
// that point and the counters.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "ormid/export.h"

namespace ormid {

// Codes in the bands of AMPL's solve results (the .sol's solve_result_num);
// negative ones leave no point.
enum class Status {
  InvalidInput = -3,  // the problem or the options fail the input check, or the method cannot take the problem's shape
  NotSolved = -2,     // no method has run
  NoPoint = -1,       // ended before it had any point (x is the start, if any)
  Solved = 0,
  Uncertain = 100,    // stop test met, but the certificate does not show it solved
  Infeasible = 200,
  IterationLimit = 400,
  TimeLimit = 401,
  SizeLimit = 402,
  QuadratureLimit = 403,
  Interrupted = 404,  // the iteration callback asked to stop
  EvaluationError = 500,
  Breakdown = 501,
  SubproblemFailure = 502
};

// "solved", "solved?", "infeasible", "limit", "failure" or "no solution".
ORMID_API const char* statusWords(Status status);
inline int statusCode(Status status) { return static_cast<int>(status); }

// How often the method asked the problem's evaluator for each quantity (a
// request each; a batched scan of T counts each of its points), and the
// method's own counts. The certificate counts its evaluations apart
// (Result::certificateEvaluations).
struct Stats {
  long long objectiveValues = 0;              // f(x)
  long long objectiveGradients = 0;           // grad f(x)
  long long objectiveHessians = 0;            // Hessians of f
  long long constraintValues = 0;             // c(x) and g(x, t), all constraints at once
  long long jacobians = 0;                    // the Jacobians of c and g at once
  long long finiteConstraintValues = 0;       // c_i(x), one constraint
  long long infiniteConstraintValues = 0;     // g_j(x, t), one constraint at one t
  long long finiteConstraintGradients = 0;    // grad c_i(x)
  long long infiniteConstraintGradients = 0;  // the x- and t-gradients of g_j at one t
  long long finiteConstraintHessians = 0;     // Hessians of c_i
  long long infiniteConstraintHessians = 0;   // Hessians of g_j at one t
  long long penaltyValues = 0;                // the penalty methods' penalty function values
  long long penaltyGradients = 0;             // and its gradients
  // Finite subproblems solved, and their Ipopt iterations or simplex pivots
  // in all (the discretization methods count the iterations from their
  // second subproblem on).
  long long subproblems = 0, subproblemIterations = 0;
  long long quadratureCuts = 0;               // integrals cut short at their limit of evaluations
};

// A point of T for an infinite constraint: its worst violation there, and
// (for an active point) the multiplier fitted to it.
struct Point {
  int constraint = 0;
  std::vector<double> t;
  double violation = 0;   // g - upper or lower - g (negative inside)
  double multiplier = 0;
};

// The closing figures of the methods that have a summary row (the `ormid`
// program appends it to ./results).
enum class SummaryKind { None, Penalty, InteriorPoint, Discretization };
struct Summary {
  SummaryKind kind = SummaryKind::None;
  // Penalty: inner and outer iterations, penalty values and gradients.
  // Interior point: iterations and merit evaluations.
  // Discretization: first and last grid sizes, subproblems.
  std::vector<long long> counts;
  // Penalty: objective, penalty parameter, smoothing parameter.
  // Interior point: objective, primal and dual residuals, barrier and
  // smoothing parameters. Discretization: iterations per subproblem after
  // the first, objective.
  std::vector<double> values;
};

// The rigorous bound of one infinite constraint's violation over T.
struct VerifiedBound {
  int constraint = 0;
  bool available = false;
  std::string reason;               // why there is no bound
  double bound = NAN;               // no violation over T exceeds it
  std::vector<double> lower, upper; // the box of T where it is attained
  // The largest violation met at a point of T during the search, and that
  // point (empty when no point could be evaluated): a point to try where
  // the bound is above tolerance.
  double attained = NAN;
  std::vector<double> at;
  // The constraint's own scale at x (the size of its terms, at most
  // max(1, |bound|)): a solved answer keeps a bound up to
  // Options::feasibilityTolerance times it.
  double scale = NAN;
  long long boxes = 0;
  double seconds = 0;
};

struct Result {
  Status status = Status::NotSolved;
  std::string message;
  std::vector<double> x;
  double objective = NAN;     // the model's objective at x
  double maxViolation = NAN;  // largest violation found at x (bounds, c, g over T)
  // The certificate: each infinite constraint's worst point, the active
  // points with their multipliers, and the relative stationarity residual
  // ||grad f + sum multiplier * grad of active constraint||, divided by the
  // larger of ||grad f|| at x and at the starting point.
  std::vector<Point> worst, active;
  double stationarity = NAN;
  // How far the multipliers place the optimum from the objective:
  // sum multiplier * |g - bound| over the active points and constraints,
  // divided by the objective's own size.
  double objectiveGap = NAN;
  std::vector<VerifiedBound> verified;  // with Options::verify
  long long certificateEvaluations = 0;
  double certificateSeconds = 0;
  int iterations = 0;
  Stats stats;
  Summary summary;
  double seconds = 0;

  bool hasPoint() const { return statusCode(status) >= 0; }
  const char* statusText() const { return statusWords(status); }
};

}  // namespace ormid
