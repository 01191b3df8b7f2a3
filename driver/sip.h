// Chief header of the solver: the problem as the methods see it, the
// evaluation callback, and the process-wide records (options, statistics,
// problem). Nothing here depends on the AMPL Solver Library's headers.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "sip_result.h"

enum SolverMethod {
  METHOD_DISC_HETT = 0,
  METHOD_DISC_HALT = 1,
  METHOD_DISC_REEM = 2,
  METHOD_PENALTY = 3,
  METHOD_PENALTY_M = 5,
  METHOD_SQP = 10,
  METHOD_INTP = 13
};

// Request codes of the evaluation callback.
enum EvalRequest {
  REQ_OBJVAL = 1,
  REQ_OBJGRD = 2,
  REQ_OBJHES = 3,
  REQ_CONVAL = 4,
  REQ_JACVAL = 5,
  REQ_CONXVAL = 6,
  REQ_CONTVAL = 7,
  REQ_CONXGRD = 8,
  REQ_CONTGRD = 9,
  REQ_CONXHES = 10,
  REQ_CONTHES = 11
};

// evaluate(code, n, x, t, out1, out2, out3, nerror). Derivative blocks of m
// functions by k variables hold the entry of function j, variable i at i*m+j.
typedef double (*SipEvaluator)(int code, int n, const double* x, const double* t,
                               double* out1, double* out2, double* out3, int* nerror);

struct SipProblem {
  int nx = 0, nt = 0, mx = 0, mt = 0;
  double* x0 = nullptr;  // starting point, then the method's result
  const double *xl = nullptr, *xu = nullptr;
  const double *tl = nullptr, *tu = nullptr;
  const double *cxl = nullptr, *cxu = nullptr;
  const double *ctl = nullptr, *ctu = nullptr;
  SipEvaluator evaluate = nullptr;
  // -1 when the model maximises: evaluate() hands the methods -f to minimise.
  int sense = 1;
  // When the run must end, on the monotonic clock of run_clock.h.
  double deadline = HUGE_VAL;
};

// Codes stored by the enumerated options.
enum PenaltyType { PF_P2 = 1, PF_P1 = 5, PF_P3 = 6 };
enum QuadratureRule { PF_INT_TRAPZOID = 2, PF_INT_GAUSSIAN = 3 };
enum BarrierUpdate { UPDTB_F1 = 1, UPDTB_F2 = 2 };
enum MeritFunction { MERIT_NONE = 0, MERIT_M1 = 5, MERIT_M2 = 6 };
enum KktOrdering { ORD_PRIMAL = 0, ORD_DUAL = 1, ORD_PC = 2 };
enum SubproblemNlp { DISC_NLP_NONE = 0, DISC_NLP_IPOPT = 1 };

const int DISC_H_MAX_VALUES = 256;

// One variable per option keyword, named by its keyword. int_maxit shares
// maxitero and int_eps shares pf_eps. int_merit doubles as the penalty
// method's line-search selection code.
struct SipOptions {
  double armijo, bfgsskip;
  int damped;
  double delta, disc_dist, disc_eps;
  std::vector<double> disc_h;
  int disc_h_mx, disc_ha_mx, disc_inner, disc_k, disc_nlp, dual_ini;
  double int_amp;
  int int_corr;
  double int_epsfactor, int_epslimit, int_error;
  int int_merit, int_n, int_ord;
  double int_prec, int_tau;
  int maxiteri, maxitero;  // maxitero is also int_maxit
  int method;
  double miu0, miuf;
  int nlp_maxit;
  double pf_eps;  // also int_eps
  int pf_int;
  double pf_preci, pf_preco;
  int pf_type, reset, scale;
  double theta;
  double time_limit;  // seconds of wall clock; 0 or less: none
  int updtb, watchdog, watchmax;

  // Settings without keyword.
  double generalTolerance;
  double scaleUpper, scaleLower;
  double choleskyFloor;
};

struct SipStats {
  int objval, objgrd, objhes, conval, jacval;
  int conxval, contval, conxgrd, contgrd, conxhes, conthes;
  int pfval, gpfval, nnlpc, nnlp;
  int quadcut;  // integrals cut short at QUADRATURE_MAX_POINTS; not printed
};

extern SipOptions sipOptions;
extern SipStats sipStats;
extern SipProblem sipProblem;

void setOptionDefaults();

// The model's own objective from the value the methods minimise.
double modelObjective(double minimised);
void zeroStatistics();

// Infinite bounds: the library's infinities lie beyond 2^31 - 2^20.
const double SIP_INFINITY_BOUND = 2146435072.0;
inline bool isMinusInfinity(double lower) { return lower <= -SIP_INFINITY_BOUND; }
inline bool isPlusInfinity(double upper) { return upper >= SIP_INFINITY_BOUND; }

void printVector(const double* v, int n);
void printMatrix(const double* a, int rows, int cols);

// Stands for the external NLP solver: prints its message; the caller ends
// the run with status 1.
void nlpUnavailable();

// Names the function that cannot be evaluated at x (empty when all can).
typedef std::string (*StartCheck)(const double* x);

// Stores the problem and runs the chosen method; x0 receives its point. A
// start check that names a function ends the run at the starting point.
SipResult dispatch(int nx, const double* xu, const double* xl, int nt, const double* tu,
                   const double* tl, int mx, const double* cxu, const double* cxl, int mt,
                   const double* ctu, const double* ctl, double* x0, int haveGuess,
                   SipEvaluator evaluate, int sense = 1, StartCheck startCheck = nullptr);

// The evaluation callback over the AMPL problem read by the driver.
double sipEvaluate(int code, int n, const double* x, const double* t, double* out1,
                   double* out2, double* out3, int* nerror);

// Method entry points: each leaves its point in sipProblem.x0 and says how
// it ended.
SipResult penaltyMethod();
SipResult penaltyMultiplierMethod();
SipResult interiorPointMethod();
SipResult hettichMethod();
SipResult haltonMethod();
SipResult reemtsenMethod();
// Random start improved by one subproblem; STATUS_NO_POINT when there is no
// subproblem solver.
SipResult initialGuess(double* x0);
