#include "lower_level/scattered_scan.h"

#include <algorithm>
#include <cmath>

#include "lower_level/grid.h"
#include "lower_level/sobol.h"

namespace ormid {

namespace {

// A maximiser's basin gets points when the scan has many per variable (a
// solution has at most about as many active maximisers as variables) and
// per orthant of T (a lattice of two maximisers a coordinate has 2^nt).
// Measured on lattices of 16 to 81 maximisers in four to six coordinates:
// 128 points per orthant found every one, 64 all but two of 64.
const long FULL_MINIMUM = 8192, FULL_PER_VARIABLE = 128, FULL_PER_ORTHANT = 256;
const long COARSE_MINIMUM = 4096, COARSE_PER_VARIABLE = 64, COARSE_PER_ORTHANT = 128;
const long MAXIMUM = 131072;
// Orthants counted up to this many coordinates: beyond, the scan would
// outgrow its neighbour search.
const int ORTHANT_COORDINATES = 6;
// The vertices join the scan while they are at most this share of it.
const long VERTEX_SHARE = 8;

long clampCount(long n, long lo, long hi) { return std::max(lo, std::min(hi, n)); }

// The bounds a coordinate's unit value is mapped onto: an infinite bound
// gives way to the finite one (or 0).
void unitRange(const Problem& p, int d, double* lo, double* hi) {
  const bool lower = !isMinusInfinity(p.tl[d]), upper = !isPlusInfinity(p.tu[d]);
  if (lower && upper && std::isfinite(p.tu[d] - p.tl[d])) {
    *lo = p.tl[d], *hi = p.tu[d];
    return;
  }
  *lo = *hi = lower ? p.tl[d] : upper ? p.tu[d] : 0.0;
}

std::vector<std::vector<double>> unitVertices(int nt) {
  std::vector<std::vector<double>> vertices;
  for (long mask = 0; mask < (1L << nt); ++mask) {
    std::vector<double> u(nt);
    for (int d = 0; d < nt; ++d) u[d] = (mask >> d) & 1 ? 1.0 : 0.0;
    vertices.push_back(u);
  }
  return vertices;
}

// Points in units of the box: the vertices where few, then Sobol' points
// (the origin, a vertex, skipped when the vertices are in).
std::vector<std::vector<double>> unitPoints(int nt, long count) {
  std::vector<std::vector<double>> units;
  const bool vertices = nt < 62 && (1L << nt) * VERTEX_SHARE <= count;
  if (vertices) units = unitVertices(nt);
  const long skip = vertices ? 1 : 0;
  std::vector<std::vector<double>> sobol = sobolPoints(nt, count - (long)units.size() + skip);
  units.insert(units.end(), sobol.begin() + skip, sobol.end());
  return units;
}

// Few neighbours: with 2 nt + 4 a lattice's maximiser is lost where the
// best point of its basin sits beside a higher one of the next basin; with
// nt + 3 none is, for twice the discrete maxima to climb from.
int neighbourCount(int nt) { return nt + 3; }

}  // namespace

long fullScatteredCount(const Problem& p) {
  const long orthants = 1L << std::min(p.nt, ORTHANT_COORDINATES);
  return clampCount(std::max(FULL_PER_VARIABLE * (p.nx + 1), FULL_PER_ORTHANT * orthants), FULL_MINIMUM,
                    MAXIMUM);
}

long coarseScatteredCount(const Problem& p) {
  const long orthants = 1L << std::min(p.nt, ORTHANT_COORDINATES);
  return clampCount(std::max(COARSE_PER_VARIABLE * (p.nx + 1), COARSE_PER_ORTHANT * orthants),
                    COARSE_MINIMUM, fullScatteredCount(p) / 2);
}

Scan scatteredScan(const Problem& p, long count) {
  Scan scan;
  const int nt = p.nt;
  std::vector<double> lo(nt), hi(nt), t(nt);
  for (int d = 0; d < nt; ++d) unitRange(p, d, &lo[d], &hi[d]);
  if (nt > SOBOL_MAX_DIMENSION) {
    for (long n = 0; n < count; ++n) {
      for (int d = 0; d < nt; ++d) t[d] = lo[d] + radicalInverse(haltonBase(d), n) * (hi[d] - lo[d]);
      scan.points.push_back(t);
    }
    return scan;
  }
  const std::vector<std::vector<double>> units = unitPoints(nt, count);
  scan.points.reserve(units.size());
  for (const std::vector<double>& u : units) {
    for (int d = 0; d < nt; ++d) t[d] = lo[d] + u[d] * (hi[d] - lo[d]);
    scan.points.push_back(t);
  }
  scan.neighbours = std::make_shared<const NeighbourGraph>(nearestNeighbours(units, neighbourCount(nt)));
  return scan;
}

bool aboveNeighbours(const NeighbourGraph& g, const std::vector<double>& values, size_t i) {
  for (size_t k = g.start[i]; k < g.start[i + 1]; ++k)
    if (values[g.list[k]] > values[i]) return false;
  return true;
}

}  // namespace ormid
