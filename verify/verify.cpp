#include "verify/verify.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

#include "core/run_clock.h"
#include "verify/branch_and_bound.h"

namespace ormid {

namespace {

double up(double v) { return std::nextafter(v, HUGE_VAL); }

// The violation's enclosure from g's: max(g - upper, lower - g), rounded up.
bool violationEnclosure(const Problem& p, int j, double glo, double ghi, double* lo, double* hi) {
  if (std::isnan(glo) || std::isnan(ghi)) return false;
  const bool hasUpper = !isPlusInfinity(p.ctu[j]), hasLower = !isMinusInfinity(p.ctl[j]);
  *hi = -HUGE_VAL;
  *lo = -HUGE_VAL;
  if (hasUpper) *hi = up(ghi - p.ctu[j]), *lo = glo - p.ctu[j];
  if (hasLower) *hi = std::max(*hi, up(p.ctl[j] - glo)), *lo = std::max(*lo, p.ctl[j] - ghi);
  return true;
}

double pointViolation(const Problem& p, int j, const double* x, const std::vector<double>& t) {
  int error = 0;
  const double g = p.evaluate(Request::InfiniteValue, j, x, t.data(), nullptr, nullptr, nullptr, &error, p.data);
  if (error || std::isnan(g)) return NAN;
  double v = -HUGE_VAL;
  if (!isPlusInfinity(p.ctu[j])) v = g - p.ctu[j];
  if (!isMinusInfinity(p.ctl[j])) v = std::max(v, p.ctl[j] - g);
  return v;
}

std::string nameOf(const Problem& p, int j) {
  return j < (int)p.infiniteNames.size() ? p.infiniteNames[j] : "infinite constraint " + std::to_string(j);
}

std::string boxText(const VerifiedBound& v) {
  std::string text;
  char part[96];
  for (size_t d = 0; d < v.lower.size(); ++d) {
    snprintf(part, sizeof part, "%s[%.6g, %.6g]", d ? " x " : "", v.lower[d], v.upper[d]);
    text += part;
  }
  return text;
}

// The size of a constraint's bounds, 0 for absent ones.
double boundSize(const Problem& p, int j) {
  const double lower = isMinusInfinity(p.ctl[j]) ? 0.0 : std::fabs(p.ctl[j]);
  const double upper = isPlusInfinity(p.ctu[j]) ? 0.0 : std::fabs(p.ctu[j]);
  return std::max(lower, upper);
}

}  // namespace

double verifiedTolerance(const Problem& p, const Options& o, int j) {
  return o.feas_tol * std::max(1.0, boundSize(p, j));
}

VerifiedBound verifyConstraint(const Problem& p, const double* x, int j) {
  const double start = monotonicSeconds();
  VerifiedBound out;
  out.constraint = j;
  if (j < (int)p.intervalUnavailable.size() && !p.intervalUnavailable[j].empty()) {
    out.reason = p.intervalUnavailable[j];
    return out;
  }
  if (!p.evaluateInterval) {
    out.reason = "the problem has no interval evaluator";
    return out;
  }
  Box T{std::vector<double>(p.tl, p.tl + p.nt), std::vector<double>(p.tu, p.tu + p.nt)};
  BoxEnclosure enclose = [&](const Box& b, double* lo, double* hi) {
    double glo, ghi;
    return p.evaluateInterval(j, x, b.lower.data(), b.upper.data(), &glo, &ghi, p.data) &&
           violationEnclosure(p, j, glo, ghi, lo, hi);
  };
  PointViolation at = [&](const std::vector<double>& t) { return pointViolation(p, j, x, t); };
  BoundSearch search;
  search.tolerance = std::max(1e-9, 1e-6 * boundSize(p, j));
  ViolationBound b = boundViolation(T, enclose, at, search);
  out.available = b.available;
  out.reason = b.reason;
  out.bound = b.upper;
  out.lower = b.where.lower;
  out.upper = b.where.upper;
  out.boxes = b.boxes;
  out.seconds = monotonicSeconds() - start;
  return out;
}

void verifyPoint(const Problem& p, const Options& o, Result& r) {
  r.verified.clear();
  for (int j = 0; j < p.mt; ++j) r.verified.push_back(verifyConstraint(p, r.x.data(), j));
  if (r.status != Status::Solved) return;
  for (const VerifiedBound& v : r.verified) {
    const int j = v.constraint;
    if (!v.available) {
      r.status = Status::Uncertain;
      r.message += "; the violation of " + nameOf(p, j) + " is not verified (" + v.reason + ")";
      return;
    }
    if (v.bound > verifiedTolerance(p, o, j)) {
      char text[96];
      snprintf(text, sizeof text, "%.3g", v.bound);
      r.status = Status::Uncertain;
      r.message += "; the verified violation of " + nameOf(p, j) + " may reach " + text + " in " + boxText(v);
      return;
    }
  }
}

}  // namespace ormid
