// Semi-infinite programming from C++ code.
//
//   minimise f(x) subject to  xl <= x <= xu,
//                             cxl <= c(x) <= cxu           (mx finite constraints)
//                             ctl <= g(x, t) <= ctu  for every t in [tl, tu]
//                                                          (mt infinite constraints)
//
// State the problem as a SipProblem (sizes, bounds and an evaluator with a
// user-data pointer) or, simpler, as a SipFunctions record of lambdas; pick
// the method and its settings in a SipOptions record (every keyword of the
// `ormid` program, with its default); call ormid::solve. Each call is self-
// contained: two solves may run in two threads at once.
#pragma once

#include <cmath>
#include <functional>
#include <string>
#include <vector>

// ---- The evaluator ----------------------------------------------------------

// Request codes. Values come back as the return value, derivatives in the
// output arrays; a block of m functions by k variables holds the entry of
// function j, variable i at i*m + j.
enum EvalRequest {
  REQ_OBJVAL = 1,   // f(x)
  REQ_OBJGRD = 2,   // out1 = grad f (nx)
  REQ_OBJHES = 3,   // out1 = Hessian of f (nx x nx)
  REQ_CONVAL = 4,   // out1 = c(x) (mx), out2 = g(x, t) (mt)
  REQ_JACVAL = 5,   // out1 = dc/dx, out2 = dg/dt, out3 = dg/dx
  REQ_CONXVAL = 6,  // c_n(x)
  REQ_CONTVAL = 7,  // g_n(x, t)
  REQ_CONXGRD = 8,  // out1 = grad c_n (nx)
  REQ_CONTGRD = 9,  // out1 = d g_n / dx (nx), out2 = d g_n / dt (nt, may be null)
  REQ_CONXHES = 10, // out1 = Hessian of c_n in x
  REQ_CONTHES = 11, // out1 = xx, out2 = tt, out3 = xt blocks of the Hessian of g_n
  // Sparsity, asked once a subproblem: out1 = nx flags, nonzero where c_n
  // (g_n) may depend on x_i. An evaluator that does not answer leaves out1
  // as it is (all ones: dense).
  REQ_CONXPAT = 12,
  REQ_CONTPAT = 13
};

// evaluate(code, n, x, t, out1, out2, out3, nerror, data): n is the
// constraint's index, data the problem's user data. A function that cannot
// be evaluated at the point sets *nerror (when not null) to a nonzero value
// and returns NaN.
typedef double (*SipEvaluator)(int code, int n, const double* x, const double* t,
                               double* out1, double* out2, double* out3, int* nerror,
                               void* data);

// Bounds beyond +-2146435072 (or infinite) count as absent.
const double SIP_INFINITY_BOUND = 2146435072.0;
inline bool isMinusInfinity(double lower) { return lower <= -SIP_INFINITY_BOUND; }
inline bool isPlusInfinity(double upper) { return upper >= SIP_INFINITY_BOUND; }

struct SipProblem {
  int nx = 0, nt = 0, mx = 0, mt = 0;
  const double* x0 = nullptr;  // starting point; null: drawn at random (needs disc_nlp=ipopt)
  const double *xl = nullptr, *xu = nullptr;
  const double *tl = nullptr, *tu = nullptr;
  const double *cxl = nullptr, *cxu = nullptr;
  const double *ctl = nullptr, *ctu = nullptr;
  SipEvaluator evaluate = nullptr;
  void* data = nullptr;
  int sense = 1;  // -1: maximise f (the evaluator answers with the model's own f)
  bool hessians = false;  // the evaluator answers REQ_OBJHES, REQ_CONXHES and REQ_CONTHES at x
  // Names for messages: the objective, the finite and the infinite
  // constraints (may be empty).
  std::string objectiveName = "objective";
  std::vector<std::string> finiteNames, infiniteNames;
};

// ---- Options ----------------------------------------------------------------

enum SolverMethod {
  METHOD_DISC_HETT = 0,
  METHOD_DISC_HALT = 1,
  METHOD_DISC_REEM = 2,
  METHOD_PENALTY = 3,
  METHOD_PENALTY_M = 5,
  METHOD_SQP = 10,
  METHOD_INTP = 13,
  METHOD_EXCHANGE = 20
};
enum PenaltyType { PF_P2 = 1, PF_P1 = 5, PF_P3 = 6 };
enum QuadratureRule { PF_INT_TRAPZOID = 2, PF_INT_GAUSSIAN = 3 };
enum BarrierUpdate { UPDTB_F1 = 1, UPDTB_F2 = 2 };
enum MeritFunction { MERIT_NONE = 0, MERIT_M1 = 5, MERIT_M2 = 6 };
enum KktOrdering { ORD_PRIMAL = 0, ORD_DUAL = 1, ORD_PC = 2 };
enum SubproblemNlp { DISC_NLP_NONE = 0, DISC_NLP_IPOPT = 1 };

// One field per keyword of the `ormid` program (`ormid -=` describes them),
// with its default. int_maxit is maxitero and int_eps is pf_eps.
struct SipOptions {
  double armijo = 0.1, bfgsskip = 1e-8;
  int damped = 1;
  double delta = 0.1, disc_dist = 0.2, disc_eps = 0.01;
  std::vector<double> disc_h;  // empty: 0.01 for every coordinate
  int disc_h_mx = 0, disc_ha_mx = 0, disc_inner = 100, disc_k = 3;
  int disc_nlp = DISC_NLP_NONE, dual_ini = 1;
  int exchange_maxit = 100;
  // The exchange method's second phase: Newton steps on the problem reduced
  // to the local maximisers of its constraints (0: the exchange phase alone).
  int exchange_reduce = 1;
  double int_amp = 0.01;
  int int_corr = 1;
  double int_epsfactor = 0.1, int_epslimit = 1e-8, int_error = 1e-8;
  // The interior point method's merit function; MERIT_NONE (the penalty
  // methods' Armijo search) there means the L2 one with a warning. The AMPL
  // driver's method=intp chooses MERIT_M2, as a library caller should.
  int int_merit = MERIT_NONE, int_n = 20, int_ord = ORD_DUAL;
  double int_prec = 0.001, int_tau = 1e-4;
  int maxiteri = 400, maxitero = 400;
  int method = METHOD_PENALTY;
  double miu0 = 1.0, miuf = 10.0;
  int nlp_maxit = 3000;
  double pf_eps = 1e-4;
  int pf_int = PF_INT_TRAPZOID;
  double pf_preci = 1e-4, pf_preco = 1e-4;
  int pf_type = PF_P3, reset = 0, scale = 0;
  double theta = 1.0;
  double time_limit = 0.0;  // seconds of wall clock; 0 or less: none
  // The certificate of the final point: feasibility and optimality
  // tolerances (relative), and 0 to switch it off (the method's own status).
  double feas_tol = 1e-6, opt_tol = 1e-6;
  int certificate = 1;
  std::string report;  // the ormid program's JSON report file; the library ignores it
  int updtb = UPDTB_F1, watchdog = 0, watchmax = 3;

  // Settings without keyword.
  double generalTolerance = 1e-6;
  double scaleUpper = 100.0, scaleLower = 0.01;
  double choleskyFloor = 1e-12;
};

// ---- The result -------------------------------------------------------------

// Evaluations requested by the method, by request, and its own counts.
struct SipStats {
  int objval, objgrd, objhes, conval, jacval;
  int conxval, contval, conxgrd, contgrd, conxhes, conthes;
  int pfval, gpfval, nnlpc, nnlp;
  int quadcut;  // integrals cut short
};

// Status codes in the bands of AMPL's solve results.
enum SipStatus {
  STATUS_NO_POINT = -1,  // ended before it had any point (x is the start, if any)
  STATUS_SOLVED = 0,
  STATUS_UNCERTAIN = 100,  // stop test met, constraints violated by more than 1e-6
  STATUS_INFEASIBLE = 200,
  STATUS_ITERATION_LIMIT = 400,
  STATUS_TIME_LIMIT = 401,
  STATUS_SIZE_LIMIT = 402,
  STATUS_QUADRATURE_LIMIT = 403,
  STATUS_EVALUATION_ERROR = 500,
  STATUS_BREAKDOWN = 501,
  STATUS_SUBPROBLEM_FAILURE = 502
};

// "solved", "solved?", "infeasible", "limit", "failure" or "no solution".
const char* statusWords(int status);

// A point of T for an infinite constraint: its worst violation there, and
// (for an active point) the multiplier fitted to it.
struct SipPoint {
  int constraint = 0;
  std::vector<double> t;
  double violation = 0;   // g - upper or lower - g (negative inside)
  double multiplier = 0;
};

struct SipResult {
  int status = STATUS_SOLVED;
  std::string message;
  std::vector<double> x;
  double objective = NAN;     // the model's objective at x
  double maxViolation = NAN;  // largest violation found at x (bounds, c, g over T)
  // The certificate: each infinite constraint's worst point, the active
  // points with their multipliers, and the relative stationarity residual
  // ||grad f + sum multiplier * grad of active constraint||, divided by the
  // larger of ||grad f|| at x and at the starting point.
  std::vector<SipPoint> worst, active;
  double stationarity = NAN;
  // How far the multipliers place the optimum from the objective:
  // sum multiplier * |g - bound| over the active points and constraints,
  // divided by the objective's own size (see the certificate).
  double objectiveGap = NAN;
  long certificateEvaluations = 0;
  double certificateSeconds = 0;
  int iterations = 0;
  SipStats stats{};
  double seconds = 0;

  bool hasPoint() const { return status >= 0; }
  const char* statusText() const { return statusWords(status); }
};

// ---- Problems from lambdas --------------------------------------------------

// Fill the sizes, bounds (empty: free x, c_j <= 0, g_j <= 0), x0 and the
// functions; problem() gives the SipProblem, valid while this record lives.
struct SipFunctions {
  typedef std::vector<double> Vec;
  int nx = 1, nt = 1, mx = 0, mt = 0;
  Vec x0, xl, xu, tl, tu, cxl, cxu, ctl, ctu;
  std::function<double(const double* x)> f;
  std::function<void(const double* x, double* grad)> gradF;
  std::function<double(int j, const double* x)> c;
  std::function<void(int j, const double* x, double* grad)> gradC;
  std::function<double(int j, const double* x, const double* t)> g;
  std::function<void(int j, const double* x, const double* t, double* gx, double* gt)> gradG;
  bool maximize = false;

  SipProblem problem();
};

namespace ormid {

SipResult solve(const SipProblem& problem, const SipOptions& options = SipOptions());

}  // namespace ormid
