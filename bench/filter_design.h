// Linear-phase FIR filter designs as semi-infinite programs: the weighted
// Chebyshev (minimax) design of T. W. Parks, J. H. McClellan, Chebyshev
// approximation for nonrecursive digital filters with linear phase, IEEE
// Trans. Circuit Theory 19 (1972) 189-194, and its two-dimensional
// quadrantally symmetric form (J. H. McClellan, The design of two-dimensional
// digital filters by transformations, Proc. 7th Princeton Conf. Information
// Sciences and Systems, 1973).
//
// One dimension, type I (odd length N = 2M + 1, even symmetric): the
// amplitude is H(f) = x_0 + sum_{k=1}^{M} x_k cos(2 pi k f), f in cycles per
// sample. Two dimensions: H(f1, f2) = sum_{k1,k2=0}^{M} x_{k1 k2}
// cos(2 pi k1 f1) cos(2 pi k2 f2). Each band (or rectangle of the plane) is
// the image of T = [0, 1] (or [0, 1]^2) under an affine map, and carries
//
//   minimise delta  s.t.  -delta <= W_b (H(f(t)) - D_b) <= delta  for all t,
//
// as two infinite constraints. Header only, so that the generator and the
// end-to-end test share it without a library of their own.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "nl_writer.h"

namespace filters {

// A band of one dimension, or a rectangle [lo1, hi1] x [lo2, hi2] of two.
struct Band {
  double lo1, hi1, lo2 = 0, hi2 = 0;
  double desired, weight;
};

struct Design {
  std::string name;
  int dim = 1;
  int order = 0;  // M: frequencies 0..M per coordinate
  std::vector<Band> bands;

  int taps() const { return 2 * order + 1; }  // the impulse response's length per coordinate
  int coefficients() const { return dim == 1 ? order + 1 : (order + 1) * (order + 1); }
};

const double TWO_PI = 6.283185307179586476925286766559;

// H at f (f[0], and f[1] in two dimensions), coefficients in model order.
inline double amplitude(const Design& d, const std::vector<double>& x, const double* f) {
  const int n = d.order + 1;
  if (d.dim == 1) {
    double h = 0;
    for (int k = 0; k < n; ++k) h += x[k] * std::cos(TWO_PI * k * f[0]);
    return h;
  }
  double h = 0;
  for (int k1 = 0; k1 < n; ++k1) {
    double inner = 0;
    for (int k2 = 0; k2 < n; ++k2) inner += x[k1 * n + k2] * std::cos(TWO_PI * k2 * f[1]);
    h += std::cos(TWO_PI * k1 * f[0]) * inner;
  }
  return h;
}

// The frequency a point t of T (dim values) stands for in band b.
inline void frequencyAt(const Band& b, int dim, const double* t, double* f) {
  f[0] = b.lo1 + t[0] * (b.hi1 - b.lo1);
  f[1] = dim == 2 ? b.lo2 + t[1] * (b.hi2 - b.lo2) : 0.0;
}

// W (H - D) in band b at the point t of T.
inline double weightedError(const Design& d, const std::vector<double>& x, int band,
                            const double* t) {
  const Band& b = d.bands[band];
  double f[2];
  frequencyAt(b, d.dim, t, f);
  return b.weight * (amplitude(d, x, f) - b.desired);
}

// Sums a list pairwise, so that the expression's depth grows with log n.
inline nl::Expr balancedSum(const std::vector<nl::Expr>& terms, size_t from, size_t to) {
  if (to - from == 1) return terms[from];
  size_t mid = from + (to - from) / 2;
  return balancedSum(terms, from, mid) + balancedSum(terms, mid, to);
}

// cos(2 pi k f) with f = lo + t (hi - lo), as an expression of t.
inline nl::Expr cosineTerm(int k, double lo, double hi, const nl::Expr& t) {
  return nl::cos(TWO_PI * k * lo + (TWO_PI * k * (hi - lo)) * t);
}

// H over band b as an expression of the coefficients and t (one or two).
inline nl::Expr amplitudeExpr(const Design& d, const Band& b, const std::vector<nl::Expr>& x,
                              const std::vector<nl::Expr>& t) {
  const int n = d.order + 1;
  std::vector<nl::Expr> terms;
  if (d.dim == 1) {
    terms.push_back(x[0]);
    for (int k = 1; k < n; ++k) terms.push_back(x[k] * cosineTerm(k, b.lo1, b.hi1, t[0]));
    return balancedSum(terms, 0, terms.size());
  }
  // Separable: sum_k1 cos(k1 f1) (sum_k2 x_{k1 k2} cos(k2 f2)), each cosine once.
  std::vector<nl::Expr> cos2{nl::num(1.0)};
  for (int k = 1; k < n; ++k) cos2.push_back(cosineTerm(k, b.lo2, b.hi2, t[1]));
  for (int k1 = 0; k1 < n; ++k1) {
    std::vector<nl::Expr> inner{x[k1 * n]};
    for (int k2 = 1; k2 < n; ++k2) inner.push_back(x[k1 * n + k2] * cos2[k2]);
    nl::Expr row = balancedSum(inner, 0, inner.size());
    terms.push_back(k1 == 0 ? row : cosineTerm(k1, b.lo1, b.hi1, t[0]) * row);
  }
  return balancedSum(terms, 0, terms.size());
}

// The design as an AMPL model: x[1] .. x[n] (starting at zero), x_delta
// (starting above the largest W |D|, so that the start is feasible), the
// infinite variable t (or t1, t2) on [0, 1], and per band b the infinite
// constraints tb<b>_up: W (H - D) - delta <= 0 and tb<b>_lo: -W (H - D) - delta <= 0.
inline nl::Model model(const Design& d) {
  nl::Model m;
  std::vector<nl::Expr> x;
  for (int k = 1; k <= d.coefficients(); ++k)
    x.push_back(nl::var(m.addVar("x[" + std::to_string(k) + "]", -nl::INF, nl::INF, 0.0)));
  double start = 0;
  for (const Band& b : d.bands) start = std::fmax(start, b.weight * std::fabs(b.desired));
  nl::Expr delta = nl::var(m.addVar("x_delta", -nl::INF, nl::INF, 1.25 * start));
  std::vector<nl::Expr> t;
  for (int i = 1; i <= d.dim; ++i)
    t.push_back(nl::var(m.addVar(d.dim == 1 ? "t" : "t" + std::to_string(i), 0.0, 1.0, 0.0)));
  m.minimize(delta, "deviation");
  for (size_t i = 0; i < d.bands.size(); ++i) {
    const Band& b = d.bands[i];
    nl::Expr error = b.weight * (amplitudeExpr(d, b, x, t) - b.desired);
    const std::string name = "tb" + std::to_string(i + 1);
    m.addCon(name + "_up", error - delta, -nl::INF, 0.0);
    m.addCon(name + "_lo", -error - delta, -nl::INF, 0.0);
  }
  return m;
}

// --- the catalogue ---------------------------------------------------------

// 1-D from band edges (pairs), desired values and weights per band.
inline Design oneDimensional(const std::string& kind, int taps, const std::vector<double>& edges,
                             const std::vector<double>& desired,
                             const std::vector<double>& weights) {
  Design d;
  d.name = kind + "_n" + std::to_string(taps);
  d.dim = 1;
  d.order = (taps - 1) / 2;
  for (size_t b = 0; b < desired.size(); ++b)
    d.bands.push_back({edges[2 * b], edges[2 * b + 1], 0, 0, desired[b], weights[b]});
  return d;
}

// Quadrantally symmetric 2-D lowpass: passband [0, fp]^2, stopband the rest
// of [0, 1/2]^2 outside [0, fs]^2 as two rectangles.
inline Design lowpass2d(int coefficientsPerAxis, double stopWeight) {
  const double fp = 0.2, fs = 0.3;
  Design d;
  d.name = "lowpass2d_c" + std::to_string(coefficientsPerAxis * coefficientsPerAxis) +
           (stopWeight != 1 ? "_w" + std::to_string((int)stopWeight) : "");
  d.dim = 2;
  d.order = coefficientsPerAxis - 1;
  d.bands = {{0, fp, 0, fp, 1, 1}, {fs, 0.5, 0, 0.5, 0, stopWeight}, {0, fs, fs, 0.5, 0, stopWeight}};
  return d;
}

inline std::vector<Design> catalogue() {
  std::vector<Design> all;
  // Lowpass: passband [0, 0.2], stopband [0.25, 0.5].
  for (int n : {21, 41, 101, 201, 401})
    all.push_back(oneDimensional("lowpass", n, {0, 0.2, 0.25, 0.5}, {1, 0}, {1, 1}));
  // The stopband ten times as important.
  for (int n : {31, 101})
    all.push_back(oneDimensional("lowpass_w10", n, {0, 0.2, 0.25, 0.5}, {1, 0}, {1, 10}));
  for (int n : {31, 101, 201})
    all.push_back(oneDimensional("bandpass", n, {0, 0.1, 0.15, 0.3, 0.35, 0.5}, {0, 1, 0},
                                 {3, 1, 3}));
  for (int n : {51, 151, 301})
    all.push_back(oneDimensional("multiband", n,
                                 {0, 0.08, 0.12, 0.2, 0.24, 0.3, 0.34, 0.4, 0.44, 0.5},
                                 {1, 0, 1, 0, 1}, {1, 2, 1, 2, 1}));
  for (int c : {5, 7, 9, 11, 13}) all.push_back(lowpass2d(c, 1));
  all.push_back(lowpass2d(7, 10));
  return all;
}

}  // namespace filters
