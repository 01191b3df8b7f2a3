// Scans of T of four or more coordinates: Sobol' points (lower_level/sobol.h)
// and the vertices of T, each point with its nearest neighbours, so that
// discrete maxima are found among scattered points as on a grid.
#pragma once

#include "lower_level/lower_level.h"

namespace ormid {

// Coordinates up to which T is scanned on a regular grid: beyond, a grid of
// 10001 points has fewer than ten values per coordinate and misses whole
// basins of maximisers.
const int GRID_UP_TO = 3;

// Scattered points of the full scan and of the coarse one, for a problem
// with more than GRID_UP_TO coordinates.
long fullScatteredCount(const Problem& p);
long coarseScatteredCount(const Problem& p);

// `count` points of T (the vertices first where they are few beside it),
// with their neighbour graph up to SOBOL_MAX_DIMENSION coordinates; Halton
// points without one beyond.
Scan scatteredScan(const Problem& p, long count);

// Whether scattered point i is no lower than any of its neighbours.
bool aboveNeighbours(const NeighbourGraph& g, const std::vector<double>& values, size_t i);

}  // namespace ormid
