// The finite subproblem of the discretization methods: minimise f subject to
// the finite constraints and the infinite constraints at every point of a
// set, from the current x. The solver leaves its last point in x, returns
// the objective value with how it ended, and keeps the counters nnlp and
// nnlpc.
#pragma once

#include <string>

#include "point_set.h"

enum SubproblemStatus {
  SUB_SOLVED,
  SUB_INFEASIBLE,   // the solver found the set's constraints locally infeasible
  SUB_LIMIT,        // its iteration or time limit
  SUB_TOO_LARGE,    // more constraints than a run solves; x is unchanged
  SUB_FAILED,       // any other failure; x is the solver's last point
  SUB_UNAVAILABLE   // no solver: the run cannot go on
};

struct SubproblemResult {
  double objective = 0;
  SubproblemStatus status = SUB_SOLVED;
  std::string text;  // the solver's own word for how it ended
};

inline SubproblemResult subproblemSolved(double objective) {
  SubproblemResult r;
  r.objective = objective;
  return r;
}

class SubproblemSolver {
 public:
  virtual ~SubproblemSolver() = default;
  virtual SubproblemResult solve(double* x, const PointSet& points) = 0;
};

// The solver the options choose (by default the stop that reports the
// external NLP solver missing).
SubproblemSolver& subproblemSolver();
// Replaces the solver for the rest of the run (null restores the choice of
// the options); used by tests.
void setSubproblemSolver(SubproblemSolver* solver);

SubproblemResult solveSubproblem(double* x, const PointSet& points);
