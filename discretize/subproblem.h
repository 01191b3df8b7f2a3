// The finite subproblem of the discretization methods: minimise f subject to
// the finite constraints and the infinite constraints at every point of a
// set, from the current x. The solver leaves its solution in x, returns the
// objective value and keeps the counters nnlp and nnlpc.
#pragma once

#include "point_set.h"

class SubproblemSolver {
 public:
  virtual ~SubproblemSolver() = default;
  virtual double solve(double* x, const PointSet& points) = 0;
};

// The solver the options choose (by default the stop that reports the
// external NLP solver missing).
SubproblemSolver& subproblemSolver();
// Replaces the solver for the rest of the run (null restores the choice of
// the options); used by tests.
void setSubproblemSolver(SubproblemSolver* solver);

double solveSubproblem(double* x, const PointSet& points);
