// The finite subproblem of the discretization methods: minimise f subject to
// the finite constraints and the infinite constraints at every point of a
// set, from the current x. The solver leaves its last point in x, returns
// the objective value with how it ended, and keeps the counters
// Stats::subproblems and Stats::subproblemIterations.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "lower_level/point_set.h"
#include "core/sip_context.h"

namespace ormid {

enum SubproblemStatus {
  SUB_SOLVED,
  SUB_INFEASIBLE,   // the solver found the set's constraints locally infeasible
  SUB_LIMIT,        // its iteration limit
  SUB_TIME_LIMIT,   // the run's time limit
  SUB_TOO_LARGE,    // more constraints than a run solves; x is unchanged
  SUB_FAILED,       // any other failure; x is the solver's last point
  SUB_UNAVAILABLE   // no solver: the run cannot go on
};

struct SubproblemResult {
  double objective = 0;
  SubproblemStatus status = SUB_SOLVED;
  std::string text;  // the solver's own word for how it ended
  // Multipliers of the rows (finite constraints, then each point's infinite
  // ones) where the solver gives them; empty otherwise.
  std::vector<double> lambda;
};

typedef std::vector<std::vector<double>> PointList;

// Scales that put a subproblem's tolerances on the problem's own scale: the
// objective is multiplied by `objective` (at least by what its gradient
// asks), each point's infinite constraint j by infinite[j] (empty: 1); a
// last subproblem asks for a tighter tolerance.
struct SubproblemScaling {
  double objective = 1.0;
  std::vector<double> infinite;
  double tolerance = 0;  // the solver's own stop tolerance on that scale (0: its default)
  // A trust region: |x_i - start_i| <= stepBound[i] beside x's own bounds
  // (empty: none).
  std::vector<double> stepBound;
  // Where the optimum is a face (a linear subproblem's), its point nearest
  // to the start rather than a corner.
  bool nearestOnFace = false;
};

// x_i's bounds in a subproblem from start: the problem's, narrowed to the
// trust region of scaling where it has one.
double subproblemLower(const Problem& p, const SubproblemScaling* scaling, const double* start, int i);
double subproblemUpper(const Problem& p, const SubproblemScaling* scaling, const double* start, int i);

inline SubproblemResult subproblemSolved(double objective) {
  SubproblemResult r;
  r.objective = objective;
  return r;
}

class SubproblemSolver {
 public:
  virtual ~SubproblemSolver() = default;
  virtual SubproblemResult solve(SipContext& c, double* x, const PointSet& points) = 0;
  // The same on a list of points in this order, warm-started from the row
  // multipliers lambda0 (null: a cold start) where the solver can, scaled
  // where the solver can. held (null: all) marks the infinite rows (point k,
  // constraint j at k * mt + j) the subproblem holds; a solver may hold more.
  virtual SubproblemResult solveOn(SipContext& c, double* x, const PointList& points,
                                   const std::vector<double>* lambda0,
                                   const SubproblemScaling* scaling = nullptr,
                                   const std::vector<char>* held = nullptr);
  // True (with a message) when a subproblem on this many points is more
  // than the solver takes: known before the points are built.
  virtual bool tooLarge(const SipContext&, long) const { return false; }
};

// The solver a method runs on: the one its caller passes, else the one the
// options choose (Ipopt when disc_nlp asks for it, with divergenceBound as
// IpoptSubproblemSolver takes it; else a solver that reports the NLP
// solver missing), held here.
class MethodSolver {
 public:
  MethodSolver(const Options& o, SubproblemSolver* given, double divergenceBound = 0);
  SubproblemSolver& operator*() const { return given_ ? *given_ : *own_; }
  SubproblemSolver* operator->() const { return &**this; }

 private:
  SubproblemSolver* given_;
  std::unique_ptr<SubproblemSolver> own_;
};

}  // namespace ormid
