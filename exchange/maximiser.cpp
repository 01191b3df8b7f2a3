#include "exchange/maximiser.h"

#include <algorithm>
#include <cmath>

#include "kernels/cholesky.h"
#include "lower_level/lower_level.h"
#include "lower_level/newton_ascent.h"

namespace ormid {

namespace {

const int NEWTON_STEPS = 25;
// Newton in t may move a maximiser this far (in box widths) in one call: a
// longer way means it jumped to another maximiser.
const double LONGEST_PATH = 0.25;
// A curvature in t below this share of the largest one is a ridge: the
// maximiser is not isolated.
const double RIDGE = 1e-8;

double width(const Problem& p, int d) { return std::max(p.tu[d] - p.tl[d], 1e-300); }

// A slope below this share of the size of g's terms (per box width) is
// flat to rounding: on a bound of T where g is symmetric about it (cosines
// at 0 and pi) the slope and the mixed derivatives g_xt vanish, and the
// maximiser stays on the bound as x moves.
const double FLAT_SLOPE = 1e-10;

// The size of the terms g is made of: |g| + sum |x_i g_x_i|.
double termSize(const ConstraintDerivatives& d, const double* x, int nx) {
  double size = std::fabs(d.value);
  for (int i = 0; i < nx; ++i) size += std::fabs(x[i] * d.gx[i]);
  return size;
}

const double CURVING_UP = 1e-3;

// Coordinates of t that a bound of T holds: at the bound, with the
// violation rising outward, or flat and not curving up inward (where it
// does, the bound holds a minimum across it, not a maximiser). A curvature
// across below CURVING_UP of the largest is taken for flat: where a
// maximiser leaves a face along a ridge, it turns up as the maximiser goes,
// and the face keeps it until then.
std::vector<int> freeCoordinates(const Problem& p, const Vec& t, const Vec& slope, double flat,
                                 const Vec& htt, int side) {
  double largest = 0;
  for (double h : htt) largest = std::max(largest, std::fabs(h));
  std::vector<int> free;
  for (int d = 0; d < p.nt; ++d) {
    const double touch = 1e-13 * width(p, d), level = flat / width(p, d);
    const bool curvesUp = side * htt[d * p.nt + d] > CURVING_UP * largest;
    bool heldBelow = t[d] <= p.tl[d] + touch && (slope[d] < -level || (slope[d] <= level && !curvesUp));
    bool heldAbove = t[d] >= p.tu[d] - touch && (slope[d] > level || (slope[d] >= -level && !curvesUp));
    if (!heldBelow && !heldAbove) free.push_back(d);
  }
  return free;
}

// Cholesky factor of the k x k matrix -side * htt + shift I on the free
// coordinates; false when it is not safely positive definite (a degenerate
// maximiser).
bool negatedCurvature(const Vec& htt, int nt, int side, const std::vector<int>& free, Vec& L,
                      double shift = 0) {
  const int k = (int)free.size();
  L.assign((long)k * k, 0.0);
  double largest = 0;
  for (int a = 0; a < k; ++a) largest = std::max(largest, std::fabs(htt[free[a] * nt + free[a]]));
  for (int a = 0; a < k; ++a)
    for (int b = 0; b <= a; ++b) L[a * k + b] = -side * htt[free[a] * nt + free[b]] + (a == b ? shift : 0.0);
  return choleskyFactor(L.data(), k, RIDGE * largest);
}

// The curvature of a nearly degenerate maximiser, shifted until it is
// safely negative definite (a Levenberg-Marquardt step in t): where a
// maximiser approaches a face of T along which g is flat by symmetry, its
// curvature across the face tends to zero, and the unshifted Newton step
// is undefined. False when even a shift of the largest curvature's size
// does not help (g_tt vanishes: a ridge).
bool shiftedCurvature(const Vec& htt, int nt, int side, const std::vector<int>& free, Vec& L) {
  double largest = 0;
  for (int a : free)
    for (int b : free) largest = std::max(largest, std::fabs(htt[a * nt + b]));
  if (!(largest > 0)) return false;
  for (double shift = RIDGE * largest; shift <= largest; shift *= 10)
    if (negatedCurvature(htt, nt, side, free, L, shift)) return true;
  return false;
}

Vec sideSlope(const ConstraintDerivatives& d, int nt, int side) {
  Vec slope(nt);
  for (int e = 0; e < nt; ++e) slope[e] = side * d.gt[e];
  return slope;
}

// Off a point that is not a maximum: a first step of this share of the
// box, at most CLIMBS times a call.
const double ESCAPE_STEP = 1e-3;
const int CLIMBS = 3;

// Where the curvature in t is not that of a maximum, t is a saddle or a
// slope the first ascent stopped on (a face of T where the violation is
// flat by symmetry, say): a small step along the coordinate that rises most,
// then Newton's method in t, shifted while the curvature is not yet a
// maximum's (gradient steps as short as the first one crawled along a
// ridge: hundreds of evaluations a call). False when nothing rises.
bool climbOff(SipContext& c, const double* x, Maximiser& m) {
  const Problem& p = c.problem;
  long evaluations = 0;
  ViolationFunction v{p, x, m.constraint, &evaluations};
  int side;
  const double here = v.value(m.t.data(), &side);
  Vec best = m.t;
  double top = here;
  for (int e = 0; e < p.nt; ++e)
    for (double sign : {1.0, -1.0}) {
      Vec trial = m.t;
      trial[e] = std::min(p.tu[e], std::max(p.tl[e], trial[e] + sign * ESCAPE_STEP * width(p, e)));
      const double value = v.value(trial.data(), &side);
      if (side == m.side && value > top) top = value, best = trial;
    }
  Vec t = best;
  const double climbed = newtonAscent(v, t, &side);
  c.countInfiniteValues(evaluations);
  if (side != m.side || !(climbed > here)) return false;
  m.t = t;
  return true;
}

}  // namespace

PathStatus followMaximiser(SipContext& c, const double* x, Maximiser& m, std::string* why) {
  const Problem& p = c.problem;
  const int nt = p.nt;
  const Vec start = m.t;
  ConstraintDerivatives d;
  Vec L;
  double previous = HUGE_VAL;
  int climbs = 0;
  for (int it = 0; it < NEWTON_STEPS; ++it) {
    if (!infiniteDerivatives(c, m.constraint, x, m.t.data(), Order::TimeBlocks, d)) {
      *why = "an evaluation failed";
      return PathStatus::Lost;
    }
    const Vec slope = sideSlope(d, nt, m.side);
    std::vector<int> free = freeCoordinates(p, m.t, slope, FLAT_SLOPE * termSize(d, x, p.nx), d.htt, m.side);
    if (!negatedCurvature(d.htt, nt, m.side, free, L)) {
      if (climbs++ < CLIMBS && climbOff(c, x, m)) continue;
      if (!shiftedCurvature(d.htt, nt, m.side, free, L)) {
        *why = "g_tt is singular or not negative definite";
        return PathStatus::Degenerate;
      }
    }
    // (-side g_tt) dt = side g_t on the free coordinates.
    Vec step(free.size());
    for (size_t a = 0; a < free.size(); ++a) step[a] = slope[free[a]];
    choleskySolveFactored(L.data(), (int)free.size(), step.data());
    double moved = 0, travelled = 0;
    for (size_t a = 0; a < free.size(); ++a) {
      const int e = free[a];
      const double before = m.t[e];
      m.t[e] = std::min(p.tu[e], std::max(p.tl[e], m.t[e] + step[a]));
      moved = std::max(moved, std::fabs(m.t[e] - before) / width(p, e));
    }
    for (int e = 0; e < nt; ++e) travelled = std::max(travelled, std::fabs(m.t[e] - start[e]) / width(p, e));
    if (travelled > LONGEST_PATH) {
      *why = "Newton's method in t left the maximiser's neighbourhood";
      return PathStatus::Lost;
    }
    // Steps that stop shrinking have met the rounding of g_t.
    if (moved <= 1e-14 || (moved <= 1e-9 && moved > 0.25 * previous)) return PathStatus::Followed;
    previous = moved;
  }
  *why = "Newton's method in t did not settle";
  return PathStatus::Lost;
}

void ReducedConstraint::addHessian(double weight, double* K, int nx, long stride) const {
  if (weight == 0) return;
  if (!hess.empty())
    for (int i = 0; i < nx; ++i)
      for (int l = 0; l < nx; ++l) K[i * stride + l] += weight * hess[(long)i * nx + l];
  for (int i = 0; i < nx && rank > 0; ++i)
    for (int l = 0; l < nx; ++l) {
      double s = 0;
      for (int a = 0; a < rank; ++a) s += lowRank[(long)i * rank + a] * lowRank[(long)l * rank + a];
      K[i * stride + l] += weight * s;
    }
}

PathStatus reducedConstraint(SipContext& c, const double* x, const Maximiser& m,
                             ReducedConstraint& out) {
  const Problem& p = c.problem;
  const int nx = p.nx, nt = p.nt;
  ConstraintDerivatives d;
  if (!infiniteDerivatives(c, m.constraint, x, m.t.data(), Order::All, d)) return PathStatus::Lost;
  const std::vector<int> free =
      freeCoordinates(p, m.t, sideSlope(d, nt, m.side), FLAT_SLOPE * termSize(d, x, nx), d.htt, m.side);
  Vec L;
  if (!negatedCurvature(d.htt, nt, m.side, free, L) && !shiftedCurvature(d.htt, nt, m.side, free, L))
    return PathStatus::Degenerate;
  const double bound = m.side > 0 ? p.ctu[m.constraint] : p.ctl[m.constraint];
  out.value = m.side * (d.value - bound);
  out.grad.resize(nx);
  for (int i = 0; i < nx; ++i) out.grad[i] = m.side * d.gx[i];
  // side * (hxx - hxt_F htt_FF^-1 htx_F) = side * hxx + W W' with
  // W = hxt_F L^-T, L L' = -side htt_FF: row i of W solves L w = (hxt_F)_i.
  out.hess.clear();
  if (std::any_of(d.hxx.begin(), d.hxx.end(), [](double v) { return v != 0; })) {
    out.hess.resize((long)nx * nx);
    for (long e = 0; e < (long)nx * nx; ++e) out.hess[e] = m.side * d.hxx[e];
  }
  const int k = (int)free.size();
  out.rank = k;
  out.lowRank.assign((long)nx * k, 0.0);
  for (int row = 0; row < nx && k > 0; ++row) {
    double* w = &out.lowRank[(long)row * k];
    for (int a = 0; a < k; ++a) {
      double v = d.hxt[(long)row * nt + free[a]];
      for (int b2 = 0; b2 < a; ++b2) v -= L[(long)a * k + b2] * w[b2];
      w[a] = v / L[(long)a * k + a];
    }
  }
  return PathStatus::Followed;
}

}  // namespace ormid
