#include "lower_level/point_set.h"

#include <cmath>

#include "kernels/vector_ops.h"

namespace ormid {

NormRange normRangeOf(const Problem& p, const Trace& outOfRange) {
  const int nt = p.nt;
  const double *tl = p.tl, *tu = p.tu;
  std::vector<double> lo(nt), hi(nt);
  for (int j = 0; j < nt; ++j) {
    if (tl[j] < 0 && tu[j] > 0) {
      lo[j] = 0;
      hi[j] = std::fmax(std::fabs(tl[j]), std::fabs(tu[j]));
    } else if (tl[j] >= 0) {
      lo[j] = tl[j];
      hi[j] = tu[j];
    } else {
      lo[j] = -tu[j];
      hi[j] = -tl[j];
    }
  }
  NormRange r;
  r.normMin = norm2(nt, lo.data());
  r.normMax = norm2(nt, hi.data());
  r.bucketWidth = (r.normMax - r.normMin) / PointSet::BUCKETS;
  r.nt = nt;
  r.mt = p.mt;
  r.outOfRange = outOfRange;
  return r;
}

int PointSet::bucketOf(double norm) const {
  double q = (norm - range_.normMin) / range_.bucketWidth;
  if (!std::isfinite(q) || q < 0) return 0;
  if (q >= BUCKETS) return BUCKETS - 1;
  return (int)q;
}

bool PointSet::inRange(double norm) const {
  if (norm < range_.normMin || norm > range_.normMax) {
    traceLine(range_.outOfRange, "Norm of point out of range\nMin=%f Max=%f val=%f\n", range_.normMin,
              range_.normMax, norm);
    return false;
  }
  return true;
}

GridPoint PointSet::makePoint(const double* t, double norm, const double* g) const {
  GridPoint point;
  point.t.assign(t, t + range_.nt);
  point.norm = norm;
  if (g)
    point.g.assign(g, g + range_.mt);
  else
    point.g.assign(range_.mt, 0.0);
  return point;
}

bool PointSet::insert(const double* t, double norm, const double* g) {
  if (!inRange(norm)) return false;
  buckets_[bucketOf(norm)].push_front(makePoint(t, norm, g));
  ++count_;
  return true;
}

bool PointSet::insertUnique(const double* t, double norm, const double* g) {
  if (!inRange(norm)) return false;
  Bucket& b = buckets_[bucketOf(norm)];
  for (const GridPoint& q : b)
    if (samePoint(range_.nt, q.t.data(), t)) return false;
  b.push_back(makePoint(t, norm, g));
  ++count_;
  return true;
}

void PointSet::clear() {
  for (Bucket& b : buckets_) b.clear();
  count_ = 0;
}

void PointSet::copy(const PointSet& src, PointSet& dst) {
  dst.clear();
  dst.range_ = src.range_;
  src.forEach([&](const GridPoint& p) { dst.insert(p.t.data(), p.norm, p.g.data()); });
}

void PointSet::merge(const PointSet& src, PointSet& dst) {
  src.forEach([&](const GridPoint& p) { dst.insertUnique(p.t.data(), p.norm, p.g.data()); });
}

bool samePoint(int nt, const double* a, const double* b) {
  for (int d = 0; d < nt; ++d)
    if (!(b[d] - POINT_TOLERANCE < a[d] && b[d] + POINT_TOLERANCE > a[d])) return false;
  return true;
}

bool isActive(double v, double lower, double upper, double tol) {
  return std::fabs(v - lower) < tol || std::fabs(v - upper) < tol;
}

bool isViolated(double v, double lower, double upper, double tol) {
  return v + tol <= lower || v - tol >= upper;
}

}  // namespace ormid
