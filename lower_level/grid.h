// Point generators over the box T: regular grids and Halton points.
#pragma once

#include <string>
#include <vector>

#include "core/sip_context.h"
#include "lower_level/point_set.h"

namespace ormid {

// Values of coordinate d on a grid of spacing h: tl + i*h <= tu, i = 0, 1, ...
// Returns -1 when the spacing cannot make a finite grid.
long gridValues(double tl, double tu, double h);

// Largest point set a method builds: about 2 GB of points, well below what
// exhausts memory, and far below what overflows an int.
const int MAX_GRID_POINTS = 20000000;

// What keeps the spacings from making a finite grid of at most
// MAX_GRID_POINTS points (a line of text), or empty.
std::string gridProblem(int nt, const double* tl, const double* tu, const double* h);

// Clears set and fills it with the regular grid (coordinate 0 outermost).
void buildRegularGrid(PointSet& set, int nt, const double* tl, const double* tu,
                      const double* h);

// Builds the problem's grid; false (after printing what gridProblem says,
// with set untouched) when it cannot be built.
bool buildProblemGrid(const SipContext& c, PointSet& set, const double* h);

double radicalInverse(int base, long n);
int haltonBase(int coordinate);

// Run-wide generator of Halton points over the problem's box.
struct HaltonSequence {
  long counter = 0;
  void next(int nt, const double* tl, const double* tu, double* t);
  // Adds min(perBatch, total - set.count()) points; nothing once total is reached.
  void addBatch(const Problem& p, PointSet& set, int total, int perBatch);
};

}  // namespace ormid
