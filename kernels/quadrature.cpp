// Adaptive trapezoid and Gauss rules over one variable.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "kernels/quadrature.h"
#include "kernels/vector_ops.h"

namespace ormid {

namespace {

typedef std::vector<double> Vec;

double evaluateAt(const Quadrature& q, double s, double* grad) {
  --q.pointsLeft;
  return q.phi(s, q.wantGrad, grad);
}

void addInto(int n, double* sum, const double* v, double factor) {
  for (int i = 0; i < n; ++i) sum[i] += factor * v[i];
}

// Splitting stops where no interval longer than minLength remains, where
// the midpoint is no longer representable between a and b, and once the
// integral's evaluations are spent.
bool maySplit(const Quadrature& q, double a, double m, double b) {
  return b - a > q.minLength && m > a && m < b && q.pointsLeft > 0;
}

double trapezoidRefine(const Quadrature& q, double a, double b, double fa, double fb,
                       const double* ga, const double* gb, double* violation, double* grad) {
  if (a >= b) return 0.0;
  const double m = (a + b) / 2, L = b - a;
  Vec gm(q.wantGrad ? q.nx : 0);
  double fm = evaluateAt(q, m, gm.data());
  double coarse = L * (fa + fb) / 2;
  double fine = L * (fa + 2 * fm + fb) / 4;
  if (maySplit(q, a, m, b) && std::fabs(fine - coarse) >= q.error) {
    return trapezoidRefine(q, a, m, fa, fm, ga, gm.data(), violation, grad) +
           trapezoidRefine(q, m, b, fm, fb, gm.data(), gb, violation, grad);
  }
  int positive = (fa > 0) + 2 * (fm > 0) + (fb > 0);
  *violation += L * positive / 4;
  if (q.wantGrad) {
    addInto(q.nx, grad, ga, L / 4);
    addInto(q.nx, grad, gm.data(), L / 2);
    addInto(q.nx, grad, gb, L / 4);
  }
  return fine;
}

// Weighted sums of one fixed-rule application.
struct Piece {
  double value = 0, violation = 0;
  Vec grad;
};

Piece gaussPiece(const Quadrature& q, double a, double b) {
  Piece p;
  p.grad.assign(q.wantGrad ? q.nx : 0, 0.0);
  p.value = gaussRule(q, a, b, &p.violation, p.grad.data());
  return p;
}

double gaussRecurse(const Quadrature& q, double a, double b, double* violation, double* grad) {
  const double m = (a + b) / 2;
  Piece whole = gaussPiece(q, a, b);
  Piece left = gaussPiece(q, a, m);
  Piece right = gaussPiece(q, m, b);
  if (maySplit(q, a, m, b) && std::fabs(whole.value - (left.value + right.value)) >= q.error)
    return gaussRecurse(q, a, m, violation, grad) + gaussRecurse(q, m, b, violation, grad);
  *violation += left.violation + right.violation;
  if (q.wantGrad) {
    addInto(q.nx, grad, left.grad.data(), 1.0);
    addInto(q.nx, grad, right.grad.data(), 1.0);
  }
  traceLine(q.pieces, "%f,%f,", a, m);
  return left.value + right.value;
}

void start(const Quadrature& q, double* violation, double* grad) {
  q.pointsLeft = QUADRATURE_MAX_POINTS;
  *violation = 0;
  if (q.wantGrad)
    for (int i = 0; i < q.nx; ++i) grad[i] = 0;
}

}  // namespace

double adaptiveTrapezoid(const Quadrature& q, double* violation, double* grad) {
  start(q, violation, grad);
  if (q.intervals <= 0) return 0.0;
  // Each initial interval costs at least three evaluations.
  const long intervals = std::min<long>(q.intervals, QUADRATURE_MAX_POINTS / 3);
  if (intervals < q.intervals) q.pointsLeft = 0;
  const double h = (q.tu - q.tl) / intervals;
  if (h == 0) return 0.0;
  double integral = 0;
  Vec ga(q.wantGrad ? q.nx : 0), gb(ga.size());
  for (long i = 0; i < intervals; ++i) {
    double a = q.tl + i * h, b = q.tl + (i + 1) * h;
    double fa = evaluateAt(q, a, ga.data());
    double fb = evaluateAt(q, b, gb.data());
    integral += trapezoidRefine(q, a, b, fa, fb, ga.data(), gb.data(), violation, grad);
  }
  return integral;
}

double adaptiveGauss(const Quadrature& q, double* violation, double* grad) {
  start(q, violation, grad);
  double integral = gaussRecurse(q, q.tl, q.tu, violation, grad);
  return integral;
}

}  // namespace ormid
