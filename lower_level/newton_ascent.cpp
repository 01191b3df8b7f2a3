#include "lower_level/newton_ascent.h"

#include <algorithm>
#include <cmath>

#include "kernels/cholesky.h"

namespace ormid {

namespace {

typedef std::vector<double> Vec;

const int NEWTON_STEPS = 50;
const double LONGEST_STEP = 0.05;
const int HALVINGS = 20;
// Steps below this many box widths have met the rounding of the gradient.
const double SETTLED = 1e-14;
// Steps below this many box widths change the value by less than its
// rounding (a maximum's curvature times the step squared).
const double NOISE_STEP = 1e-10;

double unit(const Problem& p, int d) {
  const double w = p.tu[d] - p.tl[d];
  return std::isfinite(w) && w > 0 ? w : 1.0;
}

// The Hessian in t of the violation (signed by its side), by differences of
// the t-gradient: the evaluator's Hessian is the full (nx + nt)^2 block, nx^2
// times the work where x is long, and the step needs only a few digits of
// it. Central differences (2 nt gradients) where T has one or two
// coordinates; from FORWARD_FROM on, where they are most of a climb's cost,
// forward ones from the slope at t (nt gradients, about eight digits).
// Central ones stay where they are cheap: near a pole of g a forward
// difference misjudges the curvature, and the climb then runs elsewhere.
const int FORWARD_FROM = 3;

bool timeHessian(const ViolationFunction& v, const Vec& t, const Vec& slope, int side, Vec& htt) {
  const Problem& p = v.p;
  const int nt = p.nt, nx = std::max(p.nx, 1);
  const bool forward = nt >= FORWARD_FROM;
  htt.assign((size_t)nt * nt, 0.0);
  int error = 0;
  Vec point = t, gx(nx), plus(nt), minus(nt);
  for (int d = 0; d < nt; ++d) {
    if (forward) {
      double h = 2e-7 * std::max(1.0, std::fabs(t[d]));
      if (!isPlusInfinity(p.tu[d]) && t[d] + h > p.tu[d]) h = -h;  // backward at the upper bound
      point[d] = t[d] + h;
      p.evaluate(Request::InfiniteGradient, v.j, v.x, point.data(), gx.data(), plus.data(), nullptr, &error, p.data);
      *v.evaluations += 1;
      for (int e = 0; e < nt; ++e) htt[(size_t)e * nt + d] = (side * plus[e] - slope[e]) / h;
    } else {
      const double h = 6e-6 * std::max(1.0, std::fabs(t[d]));
      const double centre = stencilCentre(t[d], h, p.tl[d], p.tu[d]);
      point[d] = centre + h;
      p.evaluate(Request::InfiniteGradient, v.j, v.x, point.data(), gx.data(), plus.data(), nullptr, &error, p.data);
      point[d] = centre - h;
      p.evaluate(Request::InfiniteGradient, v.j, v.x, point.data(), gx.data(), minus.data(), nullptr, &error, p.data);
      *v.evaluations += 2;
      for (int e = 0; e < nt; ++e) htt[(size_t)e * nt + d] = side * (plus[e] - minus[e]) / (2 * h);
    }
    point[d] = t[d];
  }
  for (int a = 0; a < nt; ++a)
    for (int b = 0; b < a; ++b)
      htt[(size_t)a * nt + b] = htt[(size_t)b * nt + a] =
          0.5 * (htt[(size_t)a * nt + b] + htt[(size_t)b * nt + a]);
  return !error;
}

// Coordinates that no bound of T holds: off the bounds, or on one with the
// violation falling outward.
std::vector<int> freeCoordinates(const Problem& p, const Vec& t, const Vec& slope) {
  std::vector<int> free;
  for (int d = 0; d < p.nt; ++d) {
    const double touch = 1e-13 * unit(p, d);
    const bool below = !isMinusInfinity(p.tl[d]) && t[d] <= p.tl[d] + touch && slope[d] < 0;
    const bool above = !isPlusInfinity(p.tu[d]) && t[d] >= p.tu[d] - touch && slope[d] > 0;
    if (!below && !above) free.push_back(d);
  }
  return free;
}

// Solves (-H + shift D^-2) s = g on the free coordinates, D the box widths:
// Newton's step where -H is positive definite there, and with the least
// shift (tenfold steps) that makes it so elsewhere: from a saddle or the
// side of a ridge the step turns towards the gradient, shorter.
bool ascentStep(const Problem& p, const Vec& H, const std::vector<int>& free, const Vec& g,
                Vec& step) {
  const int nt = p.nt, k = (int)free.size();
  double largest = 0;
  for (int a = 0; a < k; ++a)
    largest = std::max(largest, std::fabs(H[(size_t)free[a] * nt + free[a]]) * unit(p, free[a]) *
                                    unit(p, free[a]));
  Vec L;
  bool factored = false;
  for (double shift = 0; !factored && shift <= 1e8 * largest;
       shift = shift > 0 ? 10 * shift : 1e-10 * largest) {
    L.assign((size_t)k * k, 0.0);
    for (int a = 0; a < k; ++a)
      for (int b = 0; b <= a; ++b) L[a * k + b] = -H[(size_t)free[a] * nt + free[b]];
    for (int a = 0; a < k; ++a) L[a * k + a] += shift / (unit(p, free[a]) * unit(p, free[a]));
    factored = choleskyFactor(L.data(), k);
    if (!(largest > 0)) break;
  }
  if (!factored) return false;
  Vec y(k);
  for (int a = 0; a < k; ++a) y[a] = g[free[a]];
  choleskySolveFactored(L.data(), k, y.data());
  step.assign(g.size(), 0.0);
  for (int a = 0; a < k; ++a) step[free[a]] = y[a];
  return true;
}

// A step longer than LONGEST_STEP box widths is shortened to it: the
// polish stays near the maximum the ascent found.
void limitLength(const Problem& p, Vec& step) {
  double length = 0;
  for (int d = 0; d < p.nt; ++d) length = std::max(length, std::fabs(step[d]) / unit(p, d));
  if (length > LONGEST_STEP)
    for (double& s : step) s *= LONGEST_STEP / length;
}

void clampToBox(const Problem& p, Vec& t) {
  for (int d = 0; d < p.nt; ++d) {
    if (!isMinusInfinity(p.tl[d])) t[d] = std::max(t[d], p.tl[d]);
    if (!isPlusInfinity(p.tu[d])) t[d] = std::min(t[d], p.tu[d]);
  }
}

}  // namespace

double newtonAscent(const ViolationFunction& v, Vec& t, int* side) {
  const Problem& p = v.p;
  const int nt = p.nt;
  Vec slope(nt), H, step, trial(nt);
  double f = v.valueAndGradient(t.data(), slope.data(), side);
  for (int it = 0; it < NEWTON_STEPS && std::isfinite(f); ++it) {
    if (!timeHessian(v, t, slope, *side, H)) break;
    if (!ascentStep(p, H, freeCoordinates(p, t, slope), slope, step)) break;
    limitLength(p, step);
    bool moved = false;
    double length = 0;
    for (int halving = 0; halving < HALVINGS && !moved; ++halving) {
      for (int d = 0; d < nt; ++d) trial[d] = t[d] + step[d];
      clampToBox(p, trial);
      length = 0;
      for (int d = 0; d < nt; ++d) length = std::max(length, std::fabs(trial[d] - t[d]) / unit(p, d));
      // A shorter step than NOISE_STEP that the value refused did so for
      // its rounding: halving it further only spends evaluations.
      if (!(length > 0) || (halving > 0 && length <= NOISE_STEP)) break;
      int trialSide;
      const double ft = v.value(trial.data(), &trialSide);
      if (trialSide == *side && ft >= f) {
        t = trial;
        f = v.valueAndGradient(t.data(), slope.data(), side);
        moved = true;
      }
      for (double& s : step) s *= 0.5;
    }
    if (!moved || length <= SETTLED) break;
  }
  return f;
}

}  // namespace ormid
