// The settings of a solve: the method, its parameters grouped by method,
// the output level and the callbacks, each settable by the `ormid`
// program's keyword too (setOption). A solve only reads them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ormid/export.h"

namespace ormid {

// The method of a solve (the `ormid` program's word in brackets).
enum class Method {
  Penalty,                      // [penalty] integral penalty function, quasi-Newton inner loops
  PenaltyMultiplier,            // [penalty_m] integral penalty, one multiplier per infinite constraint
  InteriorPoint,                // [intp] primal-dual interior point on the integral transcription
  GridDiscretization,           // [disc_hett] regular grids of T refined level by level
  HaltonDiscretization,         // [disc_halt] grids of Halton points grown batch by batch
  EpsilonActiveDiscretization,  // [disc_reem] regular grids, subproblems on their epsilon-active points
  Exchange                      // [exchange] exchange of points, then Newton steps on the reduced problem
};
// The penalty methods' integrand phi(v) of a violation v; smoothed over
// [-eps, eps] where it has a kink.
enum class PenaltyType {
  Linear,      // [p1] max(0, v)
  Quadratic,   // [p2] max(0, v)^2
  Exponential  // [p3] exp(max(0, v)) - 1
};
// The penalty methods' adaptive rule for the integrals over T: a piece is
// halved while halving changes its estimate.
enum class QuadratureRule {
  Trapezoid,  // [trapzoid] the trapezoid rule, from quadratureNodes intervals of T
  Gaussian    // [gaussian] a Gauss rule of quadratureNodes points, from T whole
};
// The interior point method's barrier parameter mu, from the average
// complementarity product avg = mean of -lambda_j (tau + s_j).
enum class BarrierUpdate {
  Proportional,       // [f1] mu = barrierFraction * avg
  // [f2] mu = barrierFraction * omega^3 * avg, omega = min(0.05 (1 - xi) / xi, 2)
  // with xi the smallest product over avg.
  CentralityWeighted
};
// The interior point method's merit function in its line search.
enum class MeritFunction {
  Default,             // the method's own: AugmentedLagrangian (the penalty methods search by Armijo's rule)
  L2,                  // [m1] the L2 merit function
  AugmentedLagrangian  // [m2] the augmented Lagrangian
};
// How the interior point method solves its Newton (KKT) system.
enum class KktOrdering {
  Primal,             // [p] reduced to the multipliers' step (mt x mt), with the inverse BFGS matrix
  Dual,               // [d] reduced to the step of x (nx x nx)
  PredictorCorrector  // [pc] the dual ordering, then correctorSteps corrector solves
};
// The solver of the finite subproblems of the discretization methods and
// of the initial guess.
enum class SubproblemNlp {
  None,  // [none] those methods stop with a message
  Ipopt  // [ipopt] Ipopt, with a limited-memory Hessian
};

// How much a solve prints: nothing, its warnings and endings, a line per
// iteration, or everything (the `ormid` program's level: vectors, matrices,
// line searches).
enum class PrintLevel { Silent = 0, Summary = 1, Iterations = 2, Details = 3 };

// The figures of one iteration, handed to the iteration callback.
struct Iteration {
  Method method = Method::Exchange;
  const char* phase = "";  // "outer", "exchange", "newton", ...
  int iteration = 0;
  double objective = 0;   // the model's objective at x (NaN where not known)
  double violation = 0;   // the method's own measure of infeasibility (NaN where not known)
  const double* x = nullptr;
  int nx = 0;
};
enum class IterationAction { Continue, Stop };

// The settings of a solve, grouped by the methods that read them. Each
// comment gives the `ormid` program's keyword in brackets, then what the
// field is, its unit and range. A change of x is relative to ||x|| once
// ||x|| exceeds generalTolerance, absolute below.
struct Options {
  // ---- Every method
  Method method = Method::Penalty;  // [method]
  double timeLimit = 0.0;           // [time_limit] wall-clock seconds of the solve; 0 or less: none
  // [seed] seeds the random start of a problem without x0: 0 from the
  // clock, any other value repeats the run.
  unsigned randomSeed = 0;

  // ---- The certificate and the verification of the final point
  bool certify = true;  // [certificate] certify the final point; false: the method's status stands
  // [feas_tol] largest violation of a solved point, relative to each
  // constraint's scale.
  double feasibilityTolerance = 1e-6;
  // [opt_tol] largest relative stationarity residual and objective gap of a
  // solved point.
  double optimalityTolerance = 1e-6;
  // [verify] after the certificate, a rigorous bound on each infinite
  // constraint's violation over T by the problem's interval evaluator;
  // status 0 then needs every bound within feasibilityTolerance on the
  // constraint's own scale. Where a constraint has no enclosure (no
  // interval evaluator, an imported function) the sampled certificate
  // decides and the message says so.
  bool verify = true;
  // [verify_time] seconds each infinite constraint's bound may take; 0 or
  // less: the solve's seconds per infinite constraint, within 0.1 to 1.
  double verifySeconds = 0.0;

  // ---- The penalty methods (Penalty, PenaltyMultiplier)
  PenaltyType penaltyType = PenaltyType::Exponential;         // [pf_type] the integrand
  double initialPenalty = 1.0;    // [miu0] penalty parameter miu at the start (> 0)
  double penaltyIncrease = 10.0;  // [miuf] factor miu grows by while x is infeasible (> 1; at most 1e8)
  QuadratureRule quadratureRule = QuadratureRule::Trapezoid;  // [pf_int] rule of the integrals
  int maxInnerIterations = 400;   // [maxiteri] quasi-Newton steps of one inner loop
  double innerTolerance = 1e-4;   // [pf_preci] a full step that changes x by at most this ends an inner loop
  double armijoConstant = 0.1;    // [armijo] sufficient decrease of the Armijo search, in (0, 1)

  // ---- The integral methods (the penalty methods and InteriorPoint)
  double initialSmoothing = 1e-4;    // [pf_eps, int_eps] smoothing eps of the integrands at first (units of g)
  double smoothingTolerance = 1e-4;  // [pf_preco] a change of x since the last eps within this ends the method
  // [maxitero, int_maxit] the penalty methods' outer iterations; the
  // interior point method's Newton iterations over all its levels.
  int maxOuterIterations = 400;
  // [int_n] initial intervals of the trapezoid rule; points of the Gauss
  // rule (6, 8 or 16).
  int quadratureNodes = 20;
  // [int_error] a piece is halved while two estimates of its integral
  // differ by this (absolute).
  double quadratureTolerance = 1e-8;
  double quadratureMinWidth = 0.01;  // [int_amp] pieces no wider than this (units of t) are not halved
  double bfgsSkip = 1e-8;            // [bfgsskip] no BFGS update when |s'y| is not above this
  bool dampedBfgs = true;            // [damped] Powell's damping of the BFGS pairs
  bool bfgsRestart = false;          // [reset] the inverse Hessian returns to the identity every nx steps too
  // [scale] the search direction's length kept within [directionLengthMin,
  // directionLengthMax].
  bool limitDirection = false;

  // ---- The interior point method (InteriorPoint)
  KktOrdering kktOrdering = KktOrdering::Dual;           // [int_ord]
  int correctorSteps = 1;                                // [int_corr] corrector solves of PredictorCorrector
  MeritFunction meritFunction = MeritFunction::Default;  // [int_merit]
  // [int_prec] a level converges once the primal and dual residuals are
  // within it; a shorter Newton step ends the level.
  double interiorTolerance = 1e-3;
  BarrierUpdate barrierUpdate = BarrierUpdate::Proportional;  // [updtb]
  // [delta] share of the average complementarity product the barrier
  // parameter aims at, in (0, 1].
  double barrierFraction = 0.1;
  // [int_epsfactor] factor eps and tau shrink by once a level converges,
  // in (0, 1).
  double smoothingReduction = 0.1;
  double smoothingFloor = 1e-8;  // [int_epslimit] the method ends once eps falls below this
  // [int_tau] relaxation tau of the barrier log(tau + s); the method itself
  // starts tau at initialSmoothing / 100.
  double slackRelaxation = 1e-4;
  // [theta] least starting slack of the first level (times
  // smoothingReduction^k at level k).
  double initialSlackFloor = 1.0;
  bool watchdog = false;       // [watchdog] the line search may accept increases of the merit function
  int watchdogIncreases = 3;   // [watchmax] increases in a row the watchdog allows

  // ---- The discretization methods (GridDiscretization,
  // HaltonDiscretization, EpsilonActiveDiscretization)
  // [disc_h] spacing of the first grid in each coordinate of T (units of
  // t); empty: 0.01 each; a short list repeats its last value.
  std::vector<double> gridSpacing;
  // [disc_k] grid levels (> 0): the spacing halves for the second, then
  // shrinks by 3 a level.
  int gridLevels = 3;
  int maxSubproblemsPerLevel = 100;  // [disc_inner] subproblems on a level while its grid is infeasible
  // [disc_eps] EpsilonActive: band of the active points, relative to |f|;
  // it shrinks by 3^nt a level.
  double activeBand = 0.01;
  int haltonPoints = 0;  // [disc_h_mx] Halton points in all
  // [disc_ha_mx] Halton points added a level. Either count not positive, or
  // the batch above the total: 1000 nt points in batches of 100 nt.
  int haltonBatch = 0;
  double neighbourDistance = 0.2;  // [disc_dist] kept for the keyword; no method reads it
  bool resetDuals = true;          // [dual_ini] kept for the keyword; no method reads it

  // ---- Finite subproblems
  // [disc_nlp] of the discretization methods and the initial guess (the
  // exchange method always uses Ipopt).
  SubproblemNlp nlpSolver = SubproblemNlp::None;
  int maxNlpIterations = 3000;  // [nlp_maxit] Ipopt iterations of each subproblem, whichever method

  // ---- The exchange method (Exchange)
  int maxExchangeIterations = 100;  // [exchange_maxit] iterations (subproblems) of the exchange phase
  // [exchange_reduce] the second phase: Newton steps on the problem reduced
  // to the local maximisers of its constraints (false: the exchange phase
  // alone).
  bool reducedNewton = true;

  // ---- Settings without keyword
  // Tolerance of the active and violated points of a grid (absolute, units
  // of g), of the penalty terms that count as infeasible, and the size of x
  // above which the integral methods' stop tests are relative.
  double generalTolerance = 1e-6;
  double directionLengthMax = 100.0, directionLengthMin = 0.01;  // with limitDirection (units of x)
  // The interior point method's Cholesky solves: a pivot below this times
  // the largest diagonal entry is replaced by 1e128.
  double choleskyFloor = 1e-12;

  // ---- Output: silent unless asked. Each message goes whole (with its
  // line ends) to log, or to standard output when log is empty.
  PrintLevel printLevel = PrintLevel::Silent;
  std::function<void(const std::string& text)> log;
  // Called once an iteration by every method; Stop ends the solve with
  // Status::Interrupted and the best point so far.
  std::function<IterationAction(const Iteration&)> iterationCallback;
};

// ---- Options by keyword -----------------------------------------------------

enum class KeywordKind {
  Integer,  // a whole number
  Switch,   // a whole number: 0 is off, any other on
  Real,
  List,     // reals separated by commas (disc_h)
  Word,     // one of the keyword's words
  Text      // up to the first blank (the ormid program's report)
};
struct KeywordWord {
  const char* word;
  const char* description;
};
struct Keyword {
  const char* name;
  KeywordKind kind;
  const char* description;
  std::vector<KeywordWord> words;  // for KeywordKind::Word
};

// Every keyword, sorted by name.
ORMID_API const std::vector<Keyword>& keywords();

// Sets the option of a keyword from its text, as the `ormid` program reads
// it ("1e-8", "exchange", "0.1,0.05"). Returns false, leaving options as they
// were and saying why in *error, for an unknown keyword or a bad value.
ORMID_API bool setOption(Options& options, const std::string& keyword, const std::string& value,
                         std::string* error = nullptr);

// The value of a keyword's option as text (words for enumerated keywords,
// all the digits of reals); empty for an unknown keyword.
ORMID_API std::string optionText(const Options& options, const std::string& keyword);

}  // namespace ormid
