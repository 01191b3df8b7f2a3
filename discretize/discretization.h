// Steps shared by the discretization methods.
#pragma once

#include <vector>

#include "point_set.h"

// The preparation of the grid methods: false (after its message) when
// disc_k asks for no level; otherwise h holds the initial spacings.
bool prepareGridMethod(std::vector<double>& h);

// Spacings from disc_h adjusted to nt values (with its messages), or 0.01
// for every coordinate; prints "h=(...)".
std::vector<double> initialSpacings();

// Evaluates and stores every infinite constraint at each point of the set.
void evaluateAll(PointSet& set, const double* x);

// Active scan: evaluates fullGrid at x and inserts each point with an active
// value into active. Returns whether any insertion was new.
bool activeScan(PointSet& fullGrid, PointSet& active, const double* x);
// The scan of an inner iteration: when it adds nothing, each bucket of
// working gives active its first point that is new there.
void activeScanWithFallback(PointSet& fullGrid, PointSet& active, const PointSet& working,
                            const double* x);

// Full-grid check: flags every point with an active or violated value;
// returns true when no value is violated without being active.
bool fullGridCheck(PointSet& fullGrid, PointSet& flagged, const double* x);
// The same test without flagging.
bool gridFeasible(PointSet& fullGrid, const double* x);

// working := active merged with flagged.
void rebuildWorkingSet(PointSet& working, const PointSet& active, const PointSet& flagged);

// When working is empty, gives it the full-grid point of largest stored value.
void checkT(PointSet& working, const PointSet& fullGrid);

// Number of constraints of the subproblem on the set.
int subproblemConstraints(const PointSet& working);

// " & first & current & nnlpc/(nnlp-1) & nnlp & f" into ./results.
void appendDiscretizationResults(int firstGridSize, int gridSize, double f);

// A box with an infinite bound cannot be gridded: ends the run with a message.
void requireFiniteBox();
