// The interval type of verified evaluation: Boost.Interval on doubles with a
// rounding policy that leaves the processor in round-to-nearest and rounds
// outwards by itself. The four operations and sqrt are correctly rounded in
// IEEE arithmetic and their rounding error is itself a double (two-sum, a
// fused multiply-add), so its sign says which neighbour encloses the exact
// result; where the error may not be representable the result moves one ulp
// outwards. The math library's transcendental functions are not correctly
// rounded (glibc documents errors of a few ulp), so theirs are widened by
// four ulp each way. Nothing depends on the processor's rounding mode or on
// -frounding-math.
//
// R. E. Moore, R. B. Kearfott, M. J. Cloud, "Introduction to Interval
// Analysis", SIAM, 2009, ch. 3-4 (outward rounding, natural extensions).
#pragma once

#include <algorithm>
#include <cmath>

#include <boost/numeric/interval.hpp>

namespace ormid {

namespace widen {

inline double down(double v, int ulps = 1) {
  for (int i = 0; i < ulps; ++i) v = std::nextafter(v, -HUGE_VAL);
  return v;
}
inline double up(double v, int ulps = 1) {
  for (int i = 0; i < ulps; ++i) v = std::nextafter(v, HUGE_VAL);
  return v;
}
constexpr int TRANSCENDENTAL_ULPS = 4;

}  // namespace widen

// The exact result's side of a rounded sum, product, quotient or square
// root, from the rounding error (two-sum, or a fused multiply-add): the
// directed roundings emulated exactly where the error is representable,
// one ulp outwards where it may not be (overflow, near underflow).
namespace rounding_error {

inline bool unsafe(double x, double y, double r) {
  const double tiny = 1e-290;
  return !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(r) ||
         (r != 0 && std::fabs(r) < tiny) || (r == 0 && x != 0 && y != 0);
}
// exact = r + e (two-sum; e exact when nothing overflows).
inline double ofSum(double x, double y, double r) {
  const double b = r - x;
  return (x - (r - b)) + (y - b);
}

}  // namespace rounding_error

// Boost.Interval's rounding concept, without touching the rounding mode.
struct OutwardRounding {
  typedef OutwardRounding unprotected_rounding;
  void init() {}
  template <class U>
  double conv_down(const U& v) { return v; }
  template <class U>
  double conv_up(const U& v) { return v; }
  // sign > 0: the exact value lies above r.
  static double below(double r, double sign) { return sign < 0 ? widen::down(r) : r; }
  static double above(double r, double sign) { return sign > 0 ? widen::up(r) : r; }
  static double sumSide(double x, double y, double r) {
    const bool finite = std::isfinite(x) && std::isfinite(y) && std::isfinite(r);
    return finite ? rounding_error::ofSum(x, y, r) : NAN;
  }
  // NaN side: unknown, so both ways.
  static double down(double r, double side) { return std::isnan(side) ? widen::down(r) : below(r, side); }
  static double up(double r, double side) { return std::isnan(side) ? widen::up(r) : above(r, side); }
  static double productSide(double x, double y, double r) {
    return rounding_error::unsafe(x, y, r) ? NAN : std::fma(x, y, -r);
  }
  // r - x/y has the sign of (r y - x) y.
  static double quotientSide(double x, double y, double r) {
    if (rounding_error::unsafe(x, y, r) || y == 0) return NAN;
    const double e = std::fma(r, y, -x);
    return e == 0 ? 0.0 : (e > 0) == (y > 0) ? -1.0 : 1.0;
  }
  static double rootSide(double x, double r) {
    if (rounding_error::unsafe(x, 1.0, r)) return NAN;
    return -std::fma(r, r, -x);
  }
  double add_down(double x, double y) { const double r = x + y; return down(r, sumSide(x, y, r)); }
  double add_up(double x, double y) { const double r = x + y; return up(r, sumSide(x, y, r)); }
  double sub_down(double x, double y) { return add_down(x, -y); }
  double sub_up(double x, double y) { return add_up(x, -y); }
  double mul_down(double x, double y) { const double r = x * y; return down(r, productSide(x, y, r)); }
  double mul_up(double x, double y) { const double r = x * y; return up(r, productSide(x, y, r)); }
  double div_down(double x, double y) { const double r = x / y; return down(r, quotientSide(x, y, r)); }
  double div_up(double x, double y) { const double r = x / y; return up(r, quotientSide(x, y, r)); }
  double median(double x, double y) { return 0.5 * x + 0.5 * y; }
  double sqrt_down(double x) { const double r = std::sqrt(x); return std::max(0.0, down(r, rootSide(x, r))); }
  double sqrt_up(double x) { const double r = std::sqrt(x); return up(r, rootSide(x, r)); }
  double int_down(double x) { return std::floor(x); }
  double int_up(double x) { return std::ceil(x); }
  double force_rounding(double x) { return x; }

#define ORMID_TRANSCENDENTAL(f, floorValue, ceilingValue)                                 \
  double f##_down(double x) {                                                             \
    return std::max(floorValue, widen::down(std::f(x), widen::TRANSCENDENTAL_ULPS));      \
  }                                                                                       \
  double f##_up(double x) {                                                               \
    return std::min(ceilingValue, widen::up(std::f(x), widen::TRANSCENDENTAL_ULPS));      \
  }
  ORMID_TRANSCENDENTAL(exp, 0.0, HUGE_VAL)
  ORMID_TRANSCENDENTAL(log, -HUGE_VAL, HUGE_VAL)
  ORMID_TRANSCENDENTAL(sin, -1.0, 1.0)
  ORMID_TRANSCENDENTAL(cos, -1.0, 1.0)
  ORMID_TRANSCENDENTAL(tan, -HUGE_VAL, HUGE_VAL)
  ORMID_TRANSCENDENTAL(asin, -HUGE_VAL, HUGE_VAL)
  ORMID_TRANSCENDENTAL(acos, 0.0, HUGE_VAL)
  ORMID_TRANSCENDENTAL(atan, -HUGE_VAL, HUGE_VAL)
  ORMID_TRANSCENDENTAL(sinh, -HUGE_VAL, HUGE_VAL)
  ORMID_TRANSCENDENTAL(cosh, 1.0, HUGE_VAL)
  ORMID_TRANSCENDENTAL(tanh, -1.0, 1.0)
  ORMID_TRANSCENDENTAL(asinh, -HUGE_VAL, HUGE_VAL)
  ORMID_TRANSCENDENTAL(acosh, 0.0, HUGE_VAL)
  ORMID_TRANSCENDENTAL(atanh, -HUGE_VAL, HUGE_VAL)
#undef ORMID_TRANSCENDENTAL
};

typedef boost::numeric::interval<
    double, boost::numeric::interval_lib::policies<
                OutwardRounding, boost::numeric::interval_lib::checking_base<double>>>
    Interval;

// No NaN ends (an empty result) and lower <= upper.
inline bool isProper(const Interval& v) { return v.lower() <= v.upper(); }

}  // namespace ormid
