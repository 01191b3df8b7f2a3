// Steps shared by the discretization methods.
#pragma once

#include <vector>

#include "lower_level/point_set.h"
#include "core/sip.h"
#include "subproblem/subproblem.h"

namespace ormid {

enum GridPreparation { GRID_READY, GRID_NO_LEVEL, GRID_UNUSABLE };

// The preparation of the grid methods: GRID_NO_LEVEL (after its message)
// when disc_k asks for no level, GRID_UNUSABLE when T has an infinite bound;
// otherwise h holds the initial spacings.
GridPreparation prepareGridMethod(const SipContext& c, std::vector<double>& h);

// True (with its message) when the first subproblem, on the whole grid of
// spacings h, would be too large for the solver: known before the grid is built.
bool firstGridTooLarge(const SipContext& c, const SubproblemSolver& solver, const std::vector<double>& h);

// How a grid method that could not start ends: no level asked for keeps the
// starting point, anything else has no point.
Result unpreparedEnd(GridPreparation why);

// The start of the regular-grid methods: the spacings h (prepareGridMethod),
// the line "Refinements=k" when asked, the first grid's size check, the
// norm range of T's points and the first grid (buildMethodGrid). Without
// ready, refused is the method's end.
struct GridStart {
  bool ready = false;
  std::vector<double> h;
  NormRange range;
  PointSet fullGrid;
  Result refused;
};
GridStart startRegularGrid(const SipContext& c, const SubproblemSolver& solver, bool announceRefinements);

// How a discretization method ends after its last subproblem.
Result discretizationEnd(const SubproblemResult& last, int levels);

// The end of a method whose finer grid cannot be built: the point of the
// coarser grid is kept.
Result gridLimitEnd(int levels);

// Watches the subproblems of a run: it stops the method at the time limit
// and when a subproblem fails as the one before it did on the same working
// set (solving it again would repeat the failure for ever).
class SubproblemWatch {
 public:
  // True, with the method's end in *end, when the method must stop after
  // the subproblem `last` on `working`.
  bool mustStop(const SipContext& c, const SubproblemResult& last, const PointSet& working, int iterations,
                Result* end);

 private:
  std::string lastFailure_;
};

// The first subproblem of a grid method, on its whole first grid (working
// := fullGrid), at c.x. Returns whether the method goes on; *end says how
// it ended otherwise.
bool solveOnFirstGrid(SipContext& c, SubproblemSolver& solver, const PointSet& fullGrid, PointSet& working,
                      SubproblemWatch& watch, SubproblemResult* last, Result* end);

// Adds to set the points at which an earlier run in this solve left a
// constraint violated (SipContext::foundPoints): a grid finer than the
// violation's peak would be needed to find them again.
void addFoundPoints(const SipContext& c, PointSet& set);

// buildProblemGrid, then addFoundPoints.
bool buildMethodGrid(const SipContext& c, PointSet& set, const double* h);

// The end of a method whose first grid cannot be built: no point, and the
// reason (as printed) for the message.
Result gridRefused(const SipContext& c, const double* h);

// Spacings from disc_h adjusted to nt values (with its messages), or 0.01
// for every coordinate; prints "h=(...)".
std::vector<double> initialSpacings(const SipContext& c);

// Evaluates and stores every infinite constraint at each point of the set.
void evaluateAll(SipContext& c, PointSet& set, const double* x);

// Active scan: evaluates fullGrid at x and inserts each point with an active
// value into active. Returns whether any insertion was new.
bool activeScan(SipContext& c, PointSet& fullGrid, PointSet& active, const double* x);
// The scan of an inner iteration: when it adds nothing, each bucket of
// working gives active its first point that is new there.
void activeScanWithFallback(SipContext& c, PointSet& fullGrid, PointSet& active, const PointSet& working,
                            const double* x);

// Full-grid check: flags every point with an active or violated value;
// returns true when no value is violated without being active.
bool fullGridCheck(SipContext& c, PointSet& fullGrid, PointSet& flagged, const double* x);
// The same test without flagging.
bool gridFeasible(SipContext& c, PointSet& fullGrid, const double* x);

// working := active merged with flagged.
void rebuildWorkingSet(PointSet& working, const PointSet& active, const PointSet& flagged);

// When working is empty, gives it the full-grid point of largest stored value.
void checkT(const SipContext& c, PointSet& working, const PointSet& fullGrid);

// Number of constraints of the subproblem on the set.
int subproblemConstraints(const SipContext& c, const PointSet& working);

// The figures of the summary row: grid sizes, subproblems, constraints per
// subproblem and the objective.
Summary discretizationSummary(const SipContext& c, int firstGridSize, int gridSize, double f);

// A box with an infinite bound cannot be gridded: false, with a message.
bool finiteBox(const SipContext& c);

}  // namespace ormid
