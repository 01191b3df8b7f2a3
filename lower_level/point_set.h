// Sets of points of T, bucketed by Euclidean norm, with the classification
// of constraint values used by the discretization methods.
#pragma once

#include <array>
#include <list>
#include <vector>

#include "kernels/trace.h"
#include "ormid/ormid.h"

namespace ormid {

struct GridPoint {
  std::vector<double> t;  // nt coordinates
  double norm = 0;
  std::vector<double> g;  // mt constraint values, as last evaluated
};

// The norm range shared by every set of a run, with the sizes of its points.
struct NormRange {
  double normMin = 0, normMax = 0, bucketWidth = 0;
  int nt = 0, mt = 0;  // coordinates and constraint values of each point
  Trace outOfRange;    // told of a point whose norm is out of range (may be empty)
};

// Range of ||t|| over the problem's box [tl, tu].
NormRange normRangeOf(const Problem& p, const Trace& outOfRange = Trace());

const double POINT_TOLERANCE = 1e-6;

class PointSet {
 public:
  static const int BUCKETS = 100;
  typedef std::list<GridPoint> Bucket;

  explicit PointSet(const NormRange& range = NormRange()) : range_(range) {}

  // Stores a copy at the head of its bucket (g null: zeros). False when the
  // norm is out of range (reported to the range's outOfRange).
  bool insert(const double* t, double norm, const double* g);
  // Appends at the tail unless the bucket holds the same point already.
  bool insertUnique(const double* t, double norm, const double* g);
  void clear();
  // dst := src, inserting src's points one by one (bucket order reverses).
  static void copy(const PointSet& src, PointSet& dst);
  // insertUnique of every point of src into dst.
  static void merge(const PointSet& src, PointSet& dst);

  int count() const { return count_; }
  const NormRange& range() const { return range_; }
  int bucketOf(double norm) const;
  const Bucket& bucket(int k) const { return buckets_[k]; }
  Bucket& bucket(int k) { return buckets_[k]; }

  // Traversal order: buckets 0 to 99, each from its head.
  template <class F> void forEach(F f) const {
    for (const Bucket& b : buckets_)
      for (const GridPoint& p : b) f(p);
  }
  template <class F> void forEach(F f) {
    for (Bucket& b : buckets_)
      for (GridPoint& p : b) f(p);
  }

 private:
  bool inRange(double norm) const;
  GridPoint makePoint(const double* t, double norm, const double* g) const;

  NormRange range_;
  std::array<Bucket, BUCKETS> buckets_;
  int count_ = 0;
};

bool samePoint(int nt, const double* a, const double* b);

// Against the bounds [lower, upper] of an infinite constraint, with the
// tolerance tol.
bool isActive(double v, double lower, double upper, double tol);
bool isViolated(double v, double lower, double upper, double tol);

}  // namespace ormid
