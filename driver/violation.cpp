#include "violation.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "discretize/grid.h"

namespace {

void record(Violation& v, double value, double lower, double upper) {
  double miss = 0, bound = 0;
  if (!std::isfinite(value)) {
    miss = HUGE_VAL;
  } else if (!isMinusInfinity(lower) && value < lower) {
    miss = lower - value;
    bound = lower;
  } else if (!isPlusInfinity(upper) && value > upper) {
    miss = value - upper;
    bound = upper;
  }
  v.absolute = std::max(v.absolute, miss);
  v.scaled = std::max(v.scaled, miss / std::max(1.0, std::fabs(bound)));
}

// A coordinate with an infinite bound is sampled at its finite bound (or 0).
double sampleValue(double lower, double upper, int i, int count) {
  bool lowOk = !isMinusInfinity(lower), upOk = !isPlusInfinity(upper);
  if (lowOk && upOk && std::isfinite(upper - lower))
    return count > 1 ? lower + (upper - lower) * i / (count - 1) : lower;
  return lowOk ? lower : upOk ? upper : 0.0;
}

void infiniteAt(const SipProblem& p, const double* x, const double* t, Violation& v) {
  for (int j = 0; j < p.mt; ++j)
    record(v, p.evaluate(REQ_CONTVAL, j, x, t, nullptr, nullptr, nullptr, nullptr, p.data), p.ctl[j],
           p.ctu[j]);
}

void gridSample(const SipProblem& p, const double* x, int perCoordinate, Violation& v) {
  std::vector<int> index(p.nt, 0);
  std::vector<double> t(p.nt);
  for (;;) {
    for (int d = 0; d < p.nt; ++d) t[d] = sampleValue(p.tl[d], p.tu[d], index[d], perCoordinate);
    infiniteAt(p, x, t.data(), v);
    int d = 0;
    while (d < p.nt && ++index[d] == perCoordinate) index[d++] = 0;
    if (d == p.nt) return;
  }
}

void haltonSample(const SipProblem& p, const double* x, Violation& v) {
  std::vector<double> t(p.nt);
  for (long n = 0; n < VIOLATION_SAMPLE; ++n) {
    for (int d = 0; d < p.nt; ++d) {
      double lo = sampleValue(p.tl[d], p.tu[d], 0, 2), hi = sampleValue(p.tl[d], p.tu[d], 1, 2);
      t[d] = lo + radicalInverse(haltonBase(d), n) * (hi - lo);
    }
    infiniteAt(p, x, t.data(), v);
  }
}

bool emptyBox(const SipProblem& p) {
  for (int d = 0; d < p.nt; ++d)
    if (p.tl[d] > p.tu[d]) return true;
  return false;
}

}  // namespace

Violation largestViolation(const SipProblem& p, const double* x) {
  Violation v;
  for (int i = 0; i < p.nx; ++i) record(v, x[i], p.xl[i], p.xu[i]);
  for (int k = 0; k < p.mx; ++k)
    record(v, p.evaluate(REQ_CONXVAL, k, x, nullptr, nullptr, nullptr, nullptr, nullptr, p.data),
           p.cxl[k], p.cxu[k]);
  if (p.mt == 0 || emptyBox(p)) return v;
  if (p.nt == 0) {
    infiniteAt(p, x, nullptr, v);
    return v;
  }
  int perCoordinate = (int)std::floor(std::pow((double)VIOLATION_SAMPLE, 1.0 / p.nt) + 1e-9);
  if (perCoordinate >= 2)
    gridSample(p, x, perCoordinate, v);
  else
    haltonSample(p, x, v);
  return v;
}
