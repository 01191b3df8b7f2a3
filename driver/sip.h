// Chief header of the solver's internals: the public types, the context of
// a solve, the method entry points and the AMPL driver's process-wide
// records (its options and the counters it prints). Nothing here depends on
// the AMPL Solver Library's headers.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "ormid/ormid.h"
#include "sip_context.h"

const int DISC_H_MAX_VALUES = 256;

inline SipResult sipResult(int status, const std::string& message, int iterations = 0) {
  SipResult r;
  r.status = status;
  r.message = message;
  r.iterations = iterations;
  return r;
}

// The AMPL driver's records: the keyword handlers store into sipOptions and
// the statistics block prints sipStats.
extern SipOptions sipOptions;
extern SipStats sipStats;

void setOptionDefaults();
void zeroStatistics();

void printVector(const double* v, int n);
void printMatrix(const double* a, int rows, int cols);

// Stands for the external NLP solver: prints its message; the caller ends
// the run with status 1.
void nlpUnavailable();

// Runs the chosen method on the context: the initial guess when there is
// no starting point, the start check, the shape checks, the method. The
// context's x receives the method's point.
SipResult dispatch(SipContext& c);

// Names the objective or finite constraint that cannot be evaluated at x
// (empty when all can).
std::string failingAtStart(const SipProblem& p, const double* x);

// The evaluation callback over the AMPL problem read by the driver; data is
// the driver's SipPartition.
double sipEvaluate(int code, int n, const double* x, const double* t, double* out1,
                   double* out2, double* out3, int* nerror, void* data);

// Method entry points: each moves c.x and says how it ended.
SipResult penaltyMethod(SipContext& c);
SipResult penaltyMultiplierMethod(SipContext& c);
SipResult interiorPointMethod(SipContext& c);
SipResult hettichMethod(SipContext& c);
SipResult haltonMethod(SipContext& c);
SipResult reemtsenMethod(SipContext& c);
SipResult exchangeMethod(SipContext& c);
// Random start in c.x improved by one subproblem; STATUS_NO_POINT when there
// is no subproblem solver.
SipResult initialGuess(SipContext& c);
