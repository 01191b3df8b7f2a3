// Everything one solve works with: the problem, the options (read only),
// the counters, the point the method moves and the values the methods
// change as they run. Every method and kernel takes it explicitly.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "core/scan_memo.h"
#include "kernels/trace.h"
#include "ormid/ormid.h"

namespace ormid {

struct SipContext {
  SipContext(const Problem& problem, const Options& options);

  const Problem& problem;
  const Options& options;
  Stats stats{};
  std::vector<double> x;  // the starting point, then the method's point
  double deadline;        // on the clock of run_clock.h

  // The objective reaches the methods multiplied by this factor (and by
  // the sense); the integral methods raise it for small objectives.
  double objectiveScale = 1.0;

  // The last scans of T at the method's point, for the certificate.
  ScanMemo scans;

  // Points of T at which an earlier run of the method in this solve left
  // an infinite constraint violated (found by the certificate or by the
  // verification): the methods that work on points of T start with them.
  std::vector<Point> foundPoints;
  // Points of T from a warm start (the answer of a nearby problem): the
  // exchange method's working set starts with them.
  std::vector<Point> seedPoints;

  // Values of the infinite constraints asked of the problem directly (the
  // scans and ascents of T), counted in stats.infiniteConstraintValues.
  void countInfiniteValues(long evaluations) {
    stats.infiniteConstraintValues += (int)std::min<long>(evaluations, 1L << 30);
  }

  // One request to the problem's evaluator, counted in stats.
  double evaluate(Request code, int n, const double* x, const double* t = nullptr,
                  double* out1 = nullptr, double* out2 = nullptr, double* out3 = nullptr,
                  int* nerror = nullptr);

  // The model's own objective (or gradient entry) from the value the methods minimise.
  double modelObjective(double minimised) const { return minimised / objectiveFactor(); }

  // The integral methods' tests and constants are absolute and calibrated
  // for objectives of order one: an objective whose value and gradient at x
  // are both below 1e-2 in size is scaled up to size one (at most by 1e8),
  // with a line "Objective scaled by %g".
  void scaleSmallObjective();

  // Output at a level: shown when the options' print level reaches it, sent
  // to their log sink line by line (or written to standard output).
  bool prints(PrintLevel level) const { return options.printLevel >= level; }
  void print(PrintLevel level, const char* format, ...) const
      __attribute__((format(printf, 3, 4)));
  // v as "%.10lf " values on one line; a matrix row by row.
  void printVector(PrintLevel level, const double* v, int n) const;
  void printMatrix(PrintLevel level, const double* a, int rows, int cols) const;
  // label, then v on a line of its own.
  void printLabelled(PrintLevel level, const char* label, const std::vector<double>& v) const;
  // A kernel's trace shown at this level: empty (nothing formatted) when
  // the level is not shown.
  Trace trace(PrintLevel level) const;
  // Hands the rest of an unfinished line to the log sink.
  void flushLog() const;

  // Hands an iteration to the options' callback, when there is one, with
  // the model's objective at xv (evaluated for it, not counted). When the
  // callback asks to stop, the run ends as at a time limit, with the status
  // Interrupted.
  void iterationDone(const char* phase, int iteration, const double* xv, double violation) const;
  mutable bool interrupted = false;

  // What the evaluator's objective is multiplied by: -1 for any negative
  // sense (a maximised objective), times objectiveScale.
  double objectiveFactor() const { return (problem.sense < 0 ? -1.0 : 1.0) * objectiveScale; }

 private:
  mutable std::string pendingLog_;  // the start of a line not yet sent to the sink
};

}  // namespace ormid
