#include "verify/verify.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "core/run_clock.h"
#include "lower_level/lower_level.h"
#include "verify/branch_and_bound.h"

namespace ormid {

namespace {

// The stop: within this much of the terms' size, or of ten times the
// violation attained.
const double SCALE_TOLERANCE = 1e-9;
const double ATTAINED_FACTOR = 10;
// The stop's size never exceeds this many times max(1, |bound|), so that a
// bound found within it passes feas_tol (1e-6) with room.
const double LARGEST_SCALE = 100;

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

// Why constraint j has no interval model (empty where it has one).
std::string noModel(const Problem& p, int j) {
  if (j < (int)p.intervalUnavailable.size() && !p.intervalUnavailable[j].empty()) return p.intervalUnavailable[j];
  if (!p.evaluateInterval) return "the problem has no interval evaluator";
  return "";
}

Box wholeT(const Problem& p) {
  return Box{std::vector<double>(p.tl, p.tl + p.nt), std::vector<double>(p.tu, p.tu + p.nt)};
}

// The constraint's own scale from the size of its terms (NaN: unknown):
// at most max(1, |bound|).
double ownScaleOf(const Problem& p, int j, double terms) {
  return ownScale(boundSize(p, j), std::isnan(terms) ? HUGE_VAL : terms);
}

}  // namespace

double termScale(const Problem& p, const double* x, int j) {
  if (!noModel(p, j).empty()) return NAN;
  const Box T = wholeT(p);
  double glo, ghi;
  if (!p.evaluateInterval(j, x, T.lower.data(), T.upper.data(), &glo, &ghi, p.data)) return NAN;
  const double size = std::max(std::fabs(glo), std::fabs(ghi));
  return std::isfinite(size) ? size : NAN;
}

double verifiedTolerance(const Problem& p, const Options& o, int j) {
  return o.feasibilityTolerance * std::max(1.0, boundSize(p, j));
}

double verifiedTolerance(const Problem& p, const Options& o, int j, const double* x) {
  return o.feasibilityTolerance * ownScaleOf(p, j, termScale(p, x, j));
}

VerifiedBound verifyConstraint(const Problem& p, const double* x, int j) {
  return verifyConstraint(p, x, j, VerifyBudget());
}

VerifiedBound verifyConstraint(const Problem& p, const double* x, int j, const VerifyBudget& budget) {
  const double start = monotonicSeconds();
  VerifiedBound out;
  out.constraint = j;
  out.reason = noModel(p, j);
  if (!out.reason.empty()) return out;
  out.available = true;
  BoxEnclosure enclose = [&](const Box& b, double* lo, double* hi) {
    double glo, ghi;
    return p.evaluateInterval(j, x, b.lower.data(), b.upper.data(), &glo, &ghi, p.data) &&
           violationEnclosure(p, j, glo, ghi, lo, hi);
  };
  PointViolation at = [&](const std::vector<double>& t) { return pointViolation(p, j, x, t); };
  BoundSearch search;
  const double largest = LARGEST_SCALE * std::max(1.0, boundSize(p, j));
  const double terms = termScale(p, x, j);
  search.tolerance = SCALE_TOLERANCE * (std::isnan(terms) ? largest : std::min(terms, largest));
  search.relative = ATTAINED_FACTOR - 1;
  search.boxBudget = budget.boxes;
  search.secondsBudget = budget.seconds;
  ViolationBound b = boundViolation(wholeT(p), enclose, at, search);
  out.reason = b.reason;
  out.bound = b.upper;
  out.lower = b.where.lower;
  out.upper = b.where.upper;
  out.attained = std::isfinite(b.lower) || b.lower == HUGE_VAL ? b.lower : NAN;
  out.at = b.at;
  out.scale = ownScaleOf(p, j, terms);
  out.boxes = b.boxes;
  out.seconds = monotonicSeconds() - start;
  return out;
}

void verifyPoint(const Problem& p, const Options& o, Result& r) { verifyPoint(p, o, r, VerifyBudget()); }

void verifyPoint(const Problem& p, const Options& o, Result& r, const VerifyBudget& budget) {
  r.verified.clear();
  for (int j = 0; j < p.mt; ++j) r.verified.push_back(verifyConstraint(p, r.x.data(), j, budget));
  if (r.status != Status::Solved) return;
  std::string sampled;
  for (const VerifiedBound& v : r.verified) {
    const int j = v.constraint;
    if (!v.available) {
      sampled += (sampled.empty() ? "" : ", ") + nameOf(p, j) + ": " + v.reason;
      continue;
    }
    if (v.bound <= o.feasibilityTolerance * v.scale) continue;
    // A finite bound that the search could not bring within tolerance, with
    // no point violated beyond what the certificate accepts (feas_tol on
    // max(1, |bound|)): the enclosures are too wide to tell, and the sampled
    // certificate decides, as where there is no interval model.
    if (std::isfinite(v.bound) && !(v.attained > verifiedTolerance(p, o, j))) {
      char text[160];
      snprintf(text, sizeof text, ": bound %.3g after %lld boxes", v.bound, v.boxes);
      sampled += (sampled.empty() ? "" : ", ") + nameOf(p, j) + text;
      continue;
    }
    char text[96];
    snprintf(text, sizeof text, "%.3g", v.bound);
    r.status = Status::Uncertain;
    r.message += "; the verified violation of " + nameOf(p, j) + " may reach " + text + " in " + boxText(v);
    return;
  }
  if (!sampled.empty()) r.message += "; sampled, not verified (" + sampled + ")";
}

}  // namespace ormid
