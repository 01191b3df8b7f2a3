// A constraint linear in x over a fixed list of points of T: g(x, t_i) =
// c_i + a_i'x exactly, so that once a_i (the gradient in x) and c_i (the
// value at x = 0) are kept, every later scan at another x is one
// matrix-vector product instead of a model evaluation at every point.
#pragma once

#include <memory>
#include <vector>

#include "ormid/ormid.h"

namespace ormid {

class DesignMatrix {
 public:
  // Rows for constraint j at `points`; evaluations counts the model's.
  DesignMatrix(const Problem& p, int j, const std::vector<std::vector<double>>& points, long* evaluations);
  // False where a row could not be evaluated (NaN): scans then go point by point.
  bool usable() const { return usable_; }
  // g_j(x, t_i) for every point, into values.
  void values(const double* x, double* out) const;
  size_t rows() const { return constant_.size(); }

 private:
  int nx_;
  std::vector<double> gradient_;  // rows() x nx, row-major
  std::vector<double> constant_;
  bool usable_ = true;
};

// Whether every constraint (and the objective) is linear in x: the
// evaluator gives exact Hessians and its Hessian pattern is empty.
bool problemLinearInX(const Problem& p);
// Whether every constraint is (the objective may curve): scans may then
// keep design matrices.
bool constraintsLinearInX(const Problem& p);

// The design matrices of a scan, made per constraint when it is scanned
// the third time (a's evaluation costs a few scans: a run with few
// iterations would lose by it); the scans that share this record share
// them.
class DesignMatrices {
 public:
  // Below this many stored values (count x nx x constraints) a scan keeps
  // its matrices: 200 MB.
  static const long MAX_VALUES = 25000000;
  DesignMatrices(const Problem& p, size_t count);
  // The matrix of constraint j (null: not linear, too large, unusable or
  // not yet worth making).
  const DesignMatrix* of(const Problem& p, int j, const std::vector<std::vector<double>>& points,
                         long* evaluations);

 private:
  bool wanted_;
  std::vector<std::unique_ptr<DesignMatrix>> matrices_;
  std::vector<int> uses_;
};

}  // namespace ormid
