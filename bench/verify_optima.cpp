// Computes the optimal values of the benchmark's families of minimax
// approximations (tests/support/families.h) independently of the solver.
//
// Each member is a linear program in (x, z) over the points of T. For each:
//
// 1. The program on a grid of T (2001 points, 101^2, 21^3) is solved by
//    GLPK's simplex, in residual form: around the current (x, z), held in
//    quadruple precision, the simplex solves for a correction (u, w) in
//      -s phi_p u - w <= (z - s e_p(x)) / scale   (s = +-1, e_p the error
//                                                  f - sum x_k phi_k at p),
//    the residuals computed in quadruple precision and scaled to about one,
//    so that double precision carries optimal values near 1e-8 as well as
//    near 1. Then the simplex in quadruple precision from GLPK's basis
//    (GLPK stops within 1e-9 of the optimum) ends at the exact optimum of
//    the discrete program; its multipliers give the lower bound L (a
//    program on points of T underestimates the optimum).
// 2. Newton's method on the optimality conditions (the active points at the
//    error's maximisers, the error's t-gradient zero there, the
//    multipliers' stationarity), from the discrete solution, in quadruple
//    precision; its points join the program. The error of the resulting x
//    is scanned on the grid and each local maximiser of |error| sharpened
//    by Newton's method in t: the largest is the upper bound U. Maximisers
//    near U join the program too, and the rounds repeat until U and L agree
//    to 1e-13 relative.
// 3. The check: the largest error of the final x on a grid ten times finer
//    (20001 points, 1001^2, 201^3), each local maximiser sharpened as
//    above, must agree with L to 1e-12 relative; for the one-dimensional
//    family L is also compared with Chebyshev's closed form
//    c rho^(n-1) / (a^2 - 1), rho = a - sqrt(a^2 - 1), for the best
//    approximation of 1/(a - s).
//
// verify_optima [name ...]   (default: every member; VERIFY_TRACE=1 in the
// environment prints each round). Prints the bounds and checks per member
// and the constants for families.cpp; exit status 1 when a check fails.
#include <glpk.h>
#include <quadmath.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "families.h"

namespace {

typedef __float128 quad;

const quad PI_Q = M_PIq;

std::string text(quad v, int digits = 20) {
  char buf[80];
  quadmath_snprintf(buf, sizeof buf, "%.*Qe", digits, v);
  return buf;
}

quad qabs(quad v) { return v < 0 ? -v : v; }

int maxFrequency(const MinimaxApproximation& m) {
  int j = 0;
  for (const std::vector<int>& row : m.frequencies)
    for (int v : row) j = std::max(j, v);
  return j;
}

// The error e(x, t) = f(t) - sum x_k phi_k(t) in quadruple precision, with
// its gradient and Hessian in t (d x d, row-major) when asked for.
struct QuadError {
  const MinimaxApproximation& m;
  int d, J;
  explicit QuadError(const MinimaxApproximation& a) : m(a), d(a.dim), J(maxFrequency(a)) {}

  // cos(j t_i) and sin(j t_i) for j = 0 .. J.
  void tables(const quad* t, std::vector<quad>& C, std::vector<quad>& S) const {
    C.assign(d * (J + 1), 0);
    S.assign(d * (J + 1), 0);
    for (int i = 0; i < d; ++i)
      for (int j = 0; j <= J; ++j) {
        C[i * (J + 1) + j] = cosq(j * t[i]);
        S[i * (J + 1) + j] = sinq(j * t[i]);
      }
  }

  quad target(const quad* t) const {
    quad D = m.a, product = m.v;
    for (int i = 0; i < d; ++i) {
      D -= (quad)m.weights[i] * cosq(t[i]);
      product *= cosq(t[i]);
    }
    return (quad)m.c / (D - product);
  }

  // phi_k(t) for every k.
  void basis(const quad* t, std::vector<quad>& phi) const {
    std::vector<quad> C, S;
    tables(t, C, S);
    phi.assign(m.terms(), 1);
    for (int k = 0; k < m.terms(); ++k)
      for (int i = 0; i < d; ++i) phi[k] *= C[i * (J + 1) + m.frequencies[k][i]];
  }

  // phi_k(t) and its t-gradient (dphi[k * d + i]) for every k.
  void basisGradient(const quad* t, std::vector<quad>& phi, std::vector<quad>& dphi) const {
    std::vector<quad> C, S;
    tables(t, C, S);
    phi.assign(m.terms(), 1);
    dphi.assign(m.terms() * d, 1);
    for (int k = 0; k < m.terms(); ++k) {
      const std::vector<int>& j = m.frequencies[k];
      for (int i = 0; i < d; ++i) {
        phi[k] *= C[i * (J + 1) + j[i]];
        for (int l = 0; l < d; ++l)
          dphi[k * d + l] *= l == i ? -j[i] * S[i * (J + 1) + j[i]] : C[i * (J + 1) + j[i]];
      }
    }
  }

  quad value(const std::vector<quad>& x, const quad* t, quad* grad, quad* hess) const {
    std::vector<quad> C, S;
    tables(t, C, S);
    auto c = [&](int i, int j) { return C[i * (J + 1) + j]; };
    auto s = [&](int i, int j) { return S[i * (J + 1) + j]; };
    // f = c / D with D = a - sum w_i cos t_i - v prod cos t_i; its
    // derivatives from those of D: f_i = -c D_i / D^2,
    // f_il = 2 c D_i D_l / D^3 - c D_il / D^2.
    auto productBut = [&](int i, int l) {  // prod of cos t_r over r != i, l
      quad p = 1;
      for (int r = 0; r < d; ++r)
        if (r != i && r != l) p *= c(r, 1);
      return p;
    };
    const quad v = m.v;
    quad D = m.a - v * productBut(-1, -1);
    for (int i = 0; i < d; ++i) D -= (quad)m.weights[i] * c(i, 1);
    const quad cf = m.c;
    quad e = cf / D;
    if (grad) {
      std::vector<quad> Di(d);
      for (int i = 0; i < d; ++i) Di[i] = ((quad)m.weights[i] + v * productBut(i, -1)) * s(i, 1);
      for (int i = 0; i < d; ++i) {
        grad[i] = -cf * Di[i] / (D * D);
        for (int l = 0; l < d; ++l) {
          const quad Dil = i == l ? ((quad)m.weights[i] + v * productBut(i, -1)) * c(i, 1)
                                  : -v * s(i, 1) * s(l, 1) * productBut(i, l);
          hess[i * d + l] = 2 * cf * Di[i] * Di[l] / (D * D * D) - cf * Dil / (D * D);
        }
      }
    }
    for (int k = 0; k < m.terms(); ++k) {
      const std::vector<int>& j = m.frequencies[k];
      quad phi = 1;
      for (int i = 0; i < d; ++i) phi *= c(i, j[i]);
      e -= x[k] * phi;
      if (!grad) continue;
      for (int i = 0; i < d; ++i) {
        // The partial derivatives of prod_l cos(j_l t_l).
        quad others = 1;
        for (int l = 0; l < d; ++l)
          if (l != i) others *= c(l, j[l]);
        grad[i] += x[k] * j[i] * s(i, j[i]) * others;
        hess[i * d + i] += x[k] * j[i] * j[i] * c(i, j[i]) * others;
        for (int l = 0; l < d; ++l) {
          if (l == i) continue;
          quad rest = 1;
          for (int r = 0; r < d; ++r)
            if (r != i && r != l) rest *= c(r, j[r]);
          hess[i * d + l] -= x[k] * (quad)(j[i] * j[l]) * s(i, j[i]) * s(l, j[l]) * rest;
        }
      }
    }
    return e;
  }
};

// The analytic t-derivatives against central differences (step 1e-12 in
// quadruple precision: errors about 1e-24 times the third derivative, which
// is at most about (1 + sum |x_k|) (1 + J)^3) at a few points, with x = 0
// and with coefficients of both signs.
bool derivativesAgree(const QuadError& E) {
  const int d = E.d;
  for (int trial = 0; trial < 4; ++trial) {
    std::vector<quad> x(E.m.terms()), t(d), g(d), H(d * d), gp(d), Hp(d * d), gm(d), Hm(d * d);
    for (int k = 0; k < (int)x.size(); ++k) x[k] = trial == 0 ? 0 : 0.3Q * cosq(7 * k + trial);
    for (int i = 0; i < d; ++i) t[i] = 0.4Q + 0.9Q * i + 0.3Q * trial;
    E.value(x, t.data(), g.data(), H.data());
    const quad step = 1e-12Q;
    quad size = 1;
    for (quad xk : x) size += qabs(xk);
    const quad tolerance = 1e-20Q * size * (1 + E.J) * (1 + E.J) * (1 + E.J);
    for (int i = 0; i < d; ++i) {
      std::vector<quad> tp = t, tm = t;
      tp[i] += step, tm[i] -= step;
      const quad vp = E.value(x, tp.data(), gp.data(), Hp.data());
      const quad vm = E.value(x, tm.data(), gm.data(), Hm.data());
      if (qabs((vp - vm) / (2 * step) - g[i]) > tolerance) return false;
      for (int l = 0; l < d; ++l)
        if (qabs((gp[l] - gm[l]) / (2 * step) - H[l * d + i]) > tolerance) return false;
    }
  }
  return true;
}

// Local maximiser of sign * e(x, .) on [0, pi]^d from `t` by projected
// Newton steps (steepest ascent where the Hessian is not negative definite),
// each accepted only if it does not lower the value. Returns the value.
quad sharpen(const QuadError& E, const std::vector<quad>& x, int sign, std::vector<quad>& t) {
  const int d = E.d;
  std::vector<quad> g(d), H(d * d), tn(d), gn(d), Hn(d * d);
  quad v = sign * E.value(x, t.data(), g.data(), H.data());
  for (int it = 0; it < 100; ++it) {
    for (int i = 0; i < d; ++i) g[i] *= sign;
    for (int i = 0; i < d * d; ++i) H[i] *= sign;
    // Coordinates held at a bound the gradient pushes against.
    std::vector<int> free;
    for (int i = 0; i < d; ++i)
      if (!((t[i] <= 0 && g[i] <= 0) || (t[i] >= PI_Q && g[i] >= 0))) free.push_back(i);
    if (free.empty()) break;
    const int nf = (int)free.size();
    // Newton's step on the free coordinates: Cholesky of -H + mu I, the
    // shift mu zero where -H is positive definite, else raised until it is.
    quad hnorm = 0;
    for (int a = 0; a < nf; ++a)
      for (int b = 0; b < nf; ++b) hnorm = std::max(hnorm, qabs(H[free[a] * d + free[b]]));
    std::vector<quad> L(nf * nf, 0), step(nf, 0);
    bool definite = false;
    for (quad mu = 0; !definite && mu <= 1e6Q * (hnorm + 1);
         mu = mu == 0 ? 1e-12Q * (hnorm + 1) : mu * 10) {
      definite = true;
      for (int a = 0; a < nf && definite; ++a)
        for (int b = 0; b <= a; ++b) {
          quad sum = -H[free[a] * d + free[b]] + (a == b ? mu : 0);
          for (int k = 0; k < b; ++k) sum -= L[a * nf + k] * L[b * nf + k];
          if (a == b) {
            if (sum <= 0) {
              definite = false;
              break;
            }
            L[a * nf + a] = sqrtq(sum);
          } else {
            L[a * nf + b] = sum / L[b * nf + b];
          }
        }
    }
    if (!definite) break;
    std::vector<quad> y(nf);
    for (int a = 0; a < nf; ++a) {
      quad sum = g[free[a]];
      for (int k = 0; k < a; ++k) sum -= L[a * nf + k] * y[k];
      y[a] = sum / L[a * nf + a];
    }
    for (int a = nf - 1; a >= 0; --a) {
      quad sum = y[a];
      for (int k = a + 1; k < nf; ++k) sum -= L[k * nf + a] * step[k];
      step[a] = sum / L[a * nf + a];
    }
    quad length = 0;
    for (int a = 0; a < nf; ++a) length = std::max(length, qabs(step[a]));
    if (length < 1e-32Q) break;
    // At most 0.1 per coordinate: the start is a grid maximum already.
    quad alpha = length > 0.1Q ? 0.1Q / length : 1;
    bool moved = false;
    for (int tries = 0; tries < 60; ++tries, alpha /= 2) {
      tn = t;
      for (int a = 0; a < nf; ++a)
        tn[free[a]] = std::min(PI_Q, std::max((quad)0, t[free[a]] + alpha * step[a]));
      quad vn = sign * E.value(x, tn.data(), gn.data(), Hn.data());
      if (vn >= v) {
        moved = tn != t;
        t = tn, v = vn, g = gn, H = Hn;
        break;
      }
    }
    if (!moved) break;
  }
  return v;
}

struct Maximum {
  std::vector<quad> t;
  int sign;
  quad value;
};

// The error of x on a grid of `points` values per coordinate (long double,
// the basis from per-axis tables); the grid's local maxima of |error| near
// the largest, sharpened in quadruple precision.
std::vector<Maximum> maximaOnGrid(const QuadError& E, const std::vector<quad>& x, int points,
                                  long double* gridMax = nullptr) {
  const MinimaxApproximation& m = E.m;
  const int d = m.dim, J = E.J, n = m.terms();
  const long double h = (long double)M_PIl / (points - 1);
  // Per-axis tables of cos(j t) at the grid's values, and f's cosines.
  std::vector<long double> cosTable((size_t)points * (J + 1));
  for (int g = 0; g < points; ++g)
    for (int j = 0; j <= J; ++j) cosTable[(size_t)g * (J + 1) + j] = cosl(j * (g * h));
  std::vector<long double> xl(n);
  for (int k = 0; k < n; ++k) xl[k] = (long double)x[k];
  size_t total = 1;
  for (int i = 0; i < d; ++i) total *= points;
  std::vector<double> values(total);
  std::vector<int> idx(d);
  for (size_t p = 0; p < total; ++p) {
    size_t r = p;
    for (int i = 0; i < d; ++i) idx[i] = r % points, r /= points;
    long double D = m.a, product = m.v;
    for (int i = 0; i < d; ++i) {
      const long double cosine = cosTable[(size_t)idx[i] * (J + 1) + 1];
      D -= (long double)m.weights[i] * cosine;
      product *= cosine;
    }
    D -= product;
    long double e = (long double)m.c / D;
    for (int k = 0; k < n; ++k) {
      long double phi = xl[k];
      for (int i = 0; i < d; ++i) phi *= cosTable[(size_t)idx[i] * (J + 1) + m.frequencies[k][i]];
      e -= phi;
    }
    values[p] = (double)e;
  }
  double top = 0;
  for (double v : values) top = std::max(top, std::fabs(v));
  if (gridMax) *gridMax = top;
  // Local maxima of s * e among all 3^d - 1 neighbours, sharpened where
  // their value is within a margin of the largest that covers what the grid
  // can miss: the error's curvature is about its size times J^2 (J the
  // highest frequency), so a peak stands at most about (J h)^2 / 2 of the
  // largest error above its grid values; the margin is sixteen times that.
  const double margin = std::min(0.5, 8 * (double)((J * h) * (J * h)));
  std::vector<Maximum> out;
  std::vector<int> nb(d);
  for (size_t p = 0; p < total; ++p) {
    if (std::fabs(values[p]) < (1 - margin) * top) continue;
    const int sign = values[p] > 0 ? 1 : -1;
    size_t r = p;
    for (int i = 0; i < d; ++i) idx[i] = r % points, r /= points;
    bool isMax = true;
    int offsets = 1;
    for (int i = 0; i < d; ++i) offsets *= 3;
    for (int o = 0; o < offsets && isMax; ++o) {
      int code = o;
      size_t q = 0, stride = 1;
      bool inside = true, same = true;
      for (int i = 0; i < d; ++i) {
        int delta = code % 3 - 1;
        code /= 3;
        same = same && delta == 0;
        int v = idx[i] + delta;
        if (v < 0 || v >= points) inside = false;
        q += (size_t)v * stride;
        stride *= points;
      }
      if (!inside || same) continue;
      if (sign * values[q] > sign * values[p]) isMax = false;
    }
    if (!isMax) continue;
    Maximum mx;
    mx.sign = sign;
    mx.t.resize(d);
    for (int i = 0; i < d; ++i) mx.t[i] = (quad)idx[i] * PI_Q / (points - 1);
    mx.value = sharpen(E, x, sign, mx.t);
    out.push_back(mx);
  }
  if (getenv("VERIFY_TRACE"))
    fprintf(stderr, "%d points a coordinate: %zu maxima\n", points, out.size());
  return out;
}

// The discrete program on a growing point set, in residual form (see the
// head of the file), in one GLPK problem kept between solves.
class DiscreteProgram {
 public:
  explicit DiscreteProgram(const QuadError& E) : E_(E), n_(E.m.terms()) {
    lp_ = glp_create_prob();
    glp_set_obj_dir(lp_, GLP_MIN);
    glp_add_cols(lp_, n_ + 1);
    for (int j = 1; j <= n_ + 1; ++j) glp_set_col_bnds(lp_, j, GLP_FR, 0, 0);
    glp_set_obj_coef(lp_, n_ + 1, 1.0);
    x_.assign(n_, 0);
  }
  ~DiscreteProgram() { glp_delete_prob(lp_); }

  // Adds the point's two rows. With `unique` (the points added in rounds),
  // not if the point is there already, and in place of a point added
  // before within 1e-7 of it: two nearly equal rows in one basis would
  // make its factors too inaccurate for the endgame's exact tests.
  void add(const std::vector<quad>& t, bool unique = false) {
    int replace = -1;
    if (unique)
      for (size_t i = 0; i < points_.size(); ++i) {
        quad distance = 0;
        for (size_t c = 0; c < t.size(); ++c)
          distance = std::max(distance, qabs(points_[i].t[c] - t[c]));
        if (distance <= 1e-24Q) return;
        if (distance <= 1e-7Q && i >= initial_) replace = (int)i;
      }
    else
      initial_ = points_.size() + 1;
    Point p;
    p.t = t;
    E_.basis(t.data(), p.phi);
    p.f = E_.target(t.data());
    int first;
    if (replace >= 0) {
      points_[replace] = p;
      first = 2 * replace + 1;
    } else {
      points_.push_back(p);
      first = glp_add_rows(lp_, 2);
    }
    std::vector<int> ind(n_ + 2);
    std::vector<double> val(n_ + 2);
    for (int s = 0; s < 2; ++s) {
      const double sign = s == 0 ? 1 : -1;
      for (int k = 0; k < n_; ++k) ind[k + 1] = k + 1, val[k + 1] = -sign * (double)p.phi[k];
      ind[n_ + 1] = n_ + 1, val[n_ + 1] = -1;
      glp_set_mat_row(lp_, first + s, n_ + 1, ind.data(), val.data());
    }
  }

  size_t size() const { return points_.size(); }

  // The largest of s e_p(x) over the points: the discrete objective at x.
  quad objective() const {
    quad z = -1e300Q;
    for (const Point& p : points_) z = std::max(z, qabs(residual(p)));
    return z;
  }

  // Solves the program: the simplex in double precision around the current
  // x until its value and the objective at its point agree, then the exact
  // endgame in quadruple precision from its basis. Returns the value (false
  // on a failure).
  bool solve(quad& value) {
    for (int pass = 0; pass < 6; ++pass) {
      const quad z = objective();
      const quad scale = z > 0 ? z : 1;
      for (size_t i = 0; i < points_.size(); ++i) {
        const quad e = residual(points_[i]);
        glp_set_row_bnds(lp_, 2 * (int)i + 1, GLP_UP, 0, (double)((z - e) / scale));
        glp_set_row_bnds(lp_, 2 * (int)i + 2, GLP_UP, 0, (double)((z + e) / scale));
      }
      glp_smcp parm;
      glp_init_smcp(&parm);
      parm.msg_lev = GLP_MSG_OFF;
      parm.meth = GLP_DUALP;
      parm.tol_bnd = 1e-9;
      parm.tol_dj = 1e-9;
      int rc = glp_simplex(lp_, &parm);
      if (rc != 0 || glp_get_status(lp_) != GLP_OPT) {
        glp_adv_basis(lp_, 0);
        rc = glp_simplex(lp_, &parm);
        if (rc != 0 || glp_get_status(lp_) != GLP_OPT) return false;
      }
      ++solves_;
      for (int k = 0; k < n_; ++k) x_[k] += scale * (quad)glp_get_col_prim(lp_, k + 1);
      const quad lpValue = z + scale * (quad)glp_get_col_prim(lp_, n_ + 1);
      value = objective();
      if (qabs(value - lpValue) <= 1e-15Q * value) break;
    }
    exact_ = endgame(value);
    if (!exact_) {
      // No exact optimum (and no lower bound) this time: GLPK's point and
      // multipliers (-duals of the rows) still start Newton's method.
      support_.clear();
      for (int r = 0; r < 2 * (int)points_.size(); ++r) {
        const double multiplier = -glp_get_row_dual(lp_, r + 1);
        if (multiplier > 1e-10)
          support_.push_back({points_[r / 2].t, r % 2 == 0 ? 1 : -1, (quad)multiplier});
      }
    }
    return true;
  }

  // Whether the last solve's value is the discrete program's exact optimum.
  bool exact() const { return exact_; }

  const std::vector<quad>& x() const { return x_; }
  int solves() const { return solves_; }
  // The points whose rows have positive multipliers at the optimum, with
  // their signs and multipliers (which sum to one).
  struct Support {
    std::vector<quad> t;
    int sign;
    quad multiplier;
  };
  const std::vector<Support>& support() const { return support_; }

 private:
  // Row r = 2 i + s of the program: a_r . (x, z) <= b_r with
  // a_r = (-sign phi_i, -1), b_r = -sign f_i (sign = +1 for s = 0).
  quad rowDot(int r, const std::vector<quad>& y) const {
    const Point& p = points_[r / 2];
    const quad sign = r % 2 == 0 ? 1 : -1;
    quad v = -y[n_];
    for (int k = 0; k < n_; ++k) v -= sign * p.phi[k] * y[k];
    return v;
  }
  quad rowBound(int r) const { return (r % 2 == 0 ? -1 : 1) * points_[r / 2].f; }

  // The simplex in quadruple precision on the whole point set, from the
  // double-precision simplex's final basis (its rows at their bounds),
  // which is optimal to that simplex's tolerance of 1e-9 only: the vertex
  // and multipliers of each basis solved exactly. First the primal simplex
  // on the program whose right-hand sides are raised just enough for the
  // start to be feasible, until every multiplier is non-negative; then the
  // dual simplex on the true right-hand sides, which keeps the multipliers
  // non-negative, until no row is violated. Both take the most negative
  // multiplier or the most violated row, and change to Bland's rule (the
  // lowest row index among the candidates and the ties), which cannot
  // cycle, after 50 pivots without progress.
  bool endgame(quad& value) {
    const int m = n_ + 1, rows = 2 * (int)points_.size();
    std::vector<int> basis;
    for (int r = 0; r < rows; ++r)
      if (glp_get_row_stat(lp_, r + 1) != GLP_BS) basis.push_back(r);
    if ((int)basis.size() != m) {
      fprintf(stderr, "the simplex's basis has %zu rows at a bound, not %d\n", basis.size(), m);
      return false;
    }
    std::vector<quad> A(m * m), y(m), lambda(m);
    std::vector<int> perm(m);
    std::vector<char> inBasis(rows, 0);
    for (int r : basis) inBasis[r] = 1;
    // Factors A_B (row j = a_{basis[j]}) and solves for the vertex y
    // (A_B y = b_B + shift_B) and the multipliers (A_B^T lambda = -grad z).
    auto solveBasis = [&](const std::vector<quad>& shift) {
      for (int j = 0; j < m; ++j) {
        const Point& p = points_[basis[j] / 2];
        const quad sign = basis[j] % 2 == 0 ? 1 : -1;
        for (int k = 0; k < n_; ++k) A[j * m + k] = -sign * p.phi[k];
        A[j * m + n_] = -1;
      }
      if (!factor(A, perm)) return false;
      std::vector<quad> b(m), c(m, 0);
      for (int j = 0; j < m; ++j) b[j] = rowBound(basis[j]) + shift[basis[j]];
      y = solveWith(A, perm, b, false);
      c[n_] = -1;
      lambda = solveWith(A, perm, c, true);
      return true;
    };
    auto pivot = [&](int leave, int enter) {
      inBasis[basis[leave]] = 0;
      inBasis[enter] = 1;
      basis[leave] = enter;
    };
    const int limit = 10 * m + 200;
    // Phase one: the shifted program.
    std::vector<quad> shift(rows, 0);
    if (!solveBasis(shift)) return singular();
    for (int r = 0; r < rows; ++r)
      if (!inBasis[r]) shift[r] = std::max((quad)0, rowDot(r, y) - rowBound(r));
    int iteration = 0, idle = 0;
    quad objective = 1e300Q;
    for (;; ++iteration) {
      if (iteration > limit) return stalled();
      if (!solveBasis(shift)) return singular();
      idle = y[n_] < objective ? 0 : idle + 1;
      objective = std::min(objective, y[n_]);
      const bool bland = idle > 50;
      int leave = -1;
      for (int j = 0; j < m; ++j)
        if (lambda[j] < -1e-27Q &&
            (leave < 0 || (bland ? basis[j] < basis[leave] : lambda[j] < lambda[leave])))
          leave = j;
      if (leave < 0) break;

      // The row leaves its bound; the first row reached enters.
      std::vector<quad> e(m, 0);
      e[leave] = -1;
      const std::vector<quad> dir = solveWith(A, perm, e, false);
      int enter = -1;
      quad best = 0;
      for (int r = 0; r < rows; ++r) {
        if (inBasis[r]) continue;
        const quad slope = rowDot(r, dir);
        if (slope <= 1e-30Q) continue;
        quad slack = rowBound(r) + shift[r] - rowDot(r, y);
        if (slack < 0) slack = 0;
        const quad step = slack / slope;
        if (enter < 0 || step < best) enter = r, best = step;
      }
      if (enter < 0) return false;  // unbounded: not at a solution
      pivot(leave, enter);
    }
    // Phase two: the true program.
    std::fill(shift.begin(), shift.end(), (quad)0);
    idle = 0;
    objective = -1e300Q;
    for (;; ++iteration) {
      if (iteration > 2 * limit) return stalled();
      if (!solveBasis(shift)) return singular();
      idle = y[n_] > objective ? 0 : idle + 1;
      objective = std::max(objective, y[n_]);
      const bool bland = idle > 50;
      int enter = -1;
      quad worst = -1e-27Q;
      for (int r = 0; r < rows && !(bland && enter >= 0); ++r) {
        if (inBasis[r]) continue;
        const quad slack = rowBound(r) - rowDot(r, y);
        if (slack < worst) worst = bland ? worst : slack, enter = r;
      }
      if (enter < 0) break;  // primal and dual feasible: optimal

      // The row comes to its bound; the basis row whose multiplier reaches
      // zero first leaves.
      std::vector<quad> ar(m);
      const Point& p = points_[enter / 2];
      const quad sign = enter % 2 == 0 ? 1 : -1;
      for (int k = 0; k < n_; ++k) ar[k] = -sign * p.phi[k];
      ar[n_] = -1;
      const std::vector<quad> w = solveWith(A, perm, ar, true);
      int leave = -1;
      quad best = 0;
      for (int j = 0; j < m; ++j) {
        if (w[j] <= 1e-30Q) continue;
        const quad ratio = std::max((quad)0, lambda[j]) / w[j];
        if (leave < 0 || ratio < best || (ratio == best && basis[j] < basis[leave]))
          leave = j, best = ratio;
      }
      if (leave < 0) return false;  // infeasible: not at a solution
      pivot(leave, enter);
    }
    if (getenv("VERIFY_TRACE")) fprintf(stderr, "  endgame: %d pivots\n", iteration);
    for (int j = 0; j < m; ++j)
      if (lambda[j] < -1e-26Q) return false;
    for (int k = 0; k < n_; ++k) x_[k] = y[k];
    // The multipliers are those of the discrete program's dual, whose
    // objective -b_B . lambda bounds the optimum from below (the points are
    // in T); rounding-level negatives count as zero.
    value = 0;
    support_.clear();
    for (int j = 0; j < m; ++j) {
      if (lambda[j] <= 0) continue;
      value -= lambda[j] * rowBound(basis[j]);
      support_.push_back({points_[basis[j] / 2].t, basis[j] % 2 == 0 ? 1 : -1, lambda[j]});
    }
    return true;
  }

  bool singular() const {
    if (getenv("VERIFY_TRACE")) fprintf(stderr, "  singular basis in the endgame\n");
    return false;
  }
  bool stalled() const {
    if (getenv("VERIFY_TRACE"))
      fprintf(stderr, "  the endgame takes more than %d pivots\n", 20 * (n_ + 1) + 400);
    return false;
  }

 public:
  // In-place LU with partial pivoting of the m x m row-major matrix.
  static bool factor(std::vector<quad>& A, std::vector<int>& perm) {
    const int m = (int)perm.size();
    for (int i = 0; i < m; ++i) perm[i] = i;
    for (int k = 0; k < m; ++k) {
      int p = k;
      for (int i = k + 1; i < m; ++i)
        if (qabs(A[i * m + k]) > qabs(A[p * m + k])) p = i;
      if (A[p * m + k] == 0) return false;
      if (p != k) {
        for (int j = 0; j < m; ++j) std::swap(A[k * m + j], A[p * m + j]);
        std::swap(perm[k], perm[p]);
      }
      for (int i = k + 1; i < m; ++i) {
        const quad l = A[i * m + k] / A[k * m + k];
        A[i * m + k] = l;
        for (int j = k + 1; j < m; ++j) A[i * m + j] -= l * A[k * m + j];
      }
    }
    return true;
  }

  // Solves A v = rhs (or A^T v = rhs) with P A = L U from factor.
  static std::vector<quad> solveWith(const std::vector<quad>& LU, const std::vector<int>& perm,
                                     const std::vector<quad>& rhs, bool transposed) {
    const int m = (int)perm.size();
    std::vector<quad> v(m);
    if (!transposed) {
      for (int i = 0; i < m; ++i) {
        quad s = rhs[perm[i]];
        for (int j = 0; j < i; ++j) s -= LU[i * m + j] * v[j];
        v[i] = s;
      }
      for (int i = m - 1; i >= 0; --i) {
        quad s = v[i];
        for (int j = i + 1; j < m; ++j) s -= LU[i * m + j] * v[j];
        v[i] = s / LU[i * m + i];
      }
      return v;
    }
    // A^T = U^T L^T P: solve U^T w = rhs, L^T u = w, then v = P^T u.
    std::vector<quad> w(m), u(m);
    for (int i = 0; i < m; ++i) {
      quad s = rhs[i];
      for (int j = 0; j < i; ++j) s -= LU[j * m + i] * w[j];
      w[i] = s / LU[i * m + i];
    }
    for (int i = m - 1; i >= 0; --i) {
      quad s = w[i];
      for (int j = i + 1; j < m; ++j) s -= LU[j * m + i] * u[j];
      u[i] = s;
    }
    for (int i = 0; i < m; ++i) v[perm[i]] = u[i];
    return v;
  }

 private:
  struct Point {
    std::vector<quad> t, phi;
    quad f;
  };
  quad residual(const Point& p) const {
    quad e = p.f;
    for (int k = 0; k < n_; ++k) e -= x_[k] * p.phi[k];
    return e;
  }
  const QuadError& E_;
  int n_;
  glp_prob* lp_;
  std::vector<Point> points_;
  std::vector<quad> x_;
  std::vector<Support> support_;
  size_t initial_ = 0;  // the points before the first added in a round
  bool exact_ = false;
  int solves_ = 0;
};

// Newton's method on the optimum's optimality conditions, from the
// program's solution and the points carrying its multipliers, each taken to
// the nearest sharpened maximiser of the error of its sign (`maxima`;
// multipliers of points taken to the same one added): with points t_j,
// signs s_j, multipliers l_j and x, z unknown,
//   s_j e(x, t_j) = z,  grad_t e(x, t_j) = 0 in every coordinate of t_j
//   strictly inside (0, pi) (at 0 and pi it vanishes by symmetry),
//   sum_j l_j s_j phi_k(t_j) = 0 for every k,  sum_j l_j = 1:
// a square system however many points there are, solved with damped steps
// in quadruple precision. Its points, added to the program, close the gap
// at once where adding the error's maximisers alone (a cutting plane
// method) closes it linearly. False when Newton's method stalls or leaves
// the multipliers' signs: the round goes on without it.
// Newton's iteration on the conditions above for the given points (x, z,
// t, l updated); returns the residual's size at the end.
quad newtonSolve(const QuadError& E, std::vector<quad>& x, quad& zOut,
                 std::vector<std::vector<quad>>& t, const std::vector<int>& signs,
                 std::vector<quad>& lambda) {
  const int n = E.m.terms(), d = E.d;
  const int points_ = (int)t.size();
  std::vector<std::vector<int>> freeOf(points_);
  int tUnknowns = 0;
  for (int j = 0; j < points_; ++j) {
    for (int i = 0; i < d; ++i)
      if (t[j][i] > 1e-20Q && t[j][i] < PI_Q - 1e-20Q) freeOf[j].push_back(i);
    tUnknowns += (int)freeOf[j].size();
  }
  // Unknowns: x (n), z, the free coordinates (tUnknowns), the multipliers.
  // Equations: the values (points_), the gradients (tUnknowns), the
  // stationarity in x (n) and in z.
  const int m = n + 1 + tUnknowns + points_;
  const int tColumn = n + 1, lColumn = n + 1 + tUnknowns;
  quad z = 0;
  for (int j = 0; j < points_; ++j)
    z = std::max(z, signs[j] * E.value(x, t[j].data(), nullptr, nullptr));
  std::vector<quad> g(d), H(d * d), phi, dphi;
  auto residual = [&](const std::vector<quad>& xs, quad zs,
                      const std::vector<std::vector<quad>>& ts, const std::vector<quad>& ls,
                      std::vector<quad>& F, std::vector<quad>* J) {
    F.assign(m, 0);
    if (J) J->assign((size_t)m * m, 0);
    const int gradientRow = points_, stationRow = points_ + tUnknowns;
    int offset = 0;
    for (int j = 0; j < points_; ++j) {
      const quad sign = signs[j];
      const quad e = E.value(xs, ts[j].data(), g.data(), H.data());
      E.basisGradient(ts[j].data(), phi, dphi);
      const std::vector<int>& free = freeOf[j];
      F[j] = sign * e - zs;
      for (size_t a = 0; a < free.size(); ++a) F[gradientRow + offset + a] = g[free[a]];
      for (int k = 0; k < n; ++k) F[stationRow + k] += ls[j] * sign * phi[k];
      F[stationRow + n] += ls[j];
      if (J) {
        std::vector<quad>& A = *J;
        auto at = [&](int row, int column) -> quad& { return A[(size_t)row * m + column]; };
        for (int k = 0; k < n; ++k) at(j, k) = -sign * phi[k];
        at(j, n) = -1;
        for (size_t a = 0; a < free.size(); ++a) {
          const int row = gradientRow + offset + (int)a, column = tColumn + offset + (int)a;
          at(j, column) = sign * g[free[a]];
          for (int k = 0; k < n; ++k) at(row, k) = -dphi[k * d + free[a]];
          for (size_t b = 0; b < free.size(); ++b)
            at(row, tColumn + offset + (int)b) = H[free[a] * d + free[b]];
          for (int k = 0; k < n; ++k)
            at(stationRow + k, column) = ls[j] * sign * dphi[k * d + free[a]];
        }
        for (int k = 0; k < n; ++k) at(stationRow + k, lColumn + j) = sign * phi[k];
        at(stationRow + n, lColumn + j) = 1;
      }
      offset += (int)free.size();
    }
    F[stationRow + n] -= 1;
  };
  auto norm = [](const std::vector<quad>& F) {
    quad s = 0;
    for (quad v : F) s = std::max(s, qabs(v));
    return s;
  };
  const bool trace = getenv("VERIFY_TRACE") != nullptr;
  std::vector<quad> F, J, Fn;
  std::vector<int> perm(m);
  residual(x, z, t, lambda, F, &J);
  quad size = norm(F);
  for (int iteration = 0; iteration < 40 && size > 1e-32Q; ++iteration) {
    if (trace)
      fprintf(stderr, "  Newton %d on %d points: residual %s\n", iteration, points_,
              text(size, 3).c_str());
    if (!DiscreteProgram::factor(J, perm)) return false;
    std::vector<quad> minusF(m);
    for (int i = 0; i < m; ++i) minusF[i] = -F[i];
    const std::vector<quad> step = DiscreteProgram::solveWith(J, perm, minusF, false);
    bool accepted = false;
    for (quad alpha = 1; alpha > 1e-6Q && !accepted; alpha /= 2) {
      std::vector<quad> xn = x, ln = lambda;
      for (int k = 0; k < n; ++k) xn[k] += alpha * step[k];
      const quad zn = z + alpha * step[n];
      std::vector<std::vector<quad>> tn = t;
      bool inside = true;
      for (int j = 0, column = tColumn; j < points_; ++j) {
        for (int i : freeOf[j]) {
          tn[j][i] += alpha * step[column++];
          inside = inside && tn[j][i] > 0 && tn[j][i] < PI_Q;
        }
        ln[j] += alpha * step[lColumn + j];
      }
      if (!inside) continue;
      residual(xn, zn, tn, ln, Fn, nullptr);
      if (norm(Fn) < size) {
        x = xn, z = zn, t = tn, lambda = ln;
        accepted = true;
      }
    }
    if (!accepted) break;  // at rounding level, or stalled (judged below)
    residual(x, z, t, lambda, F, &J);
    size = norm(F);
  }
  if (trace)
    fprintf(stderr, "  Newton on %d points ends at residual %s\n", points_, text(size, 3).c_str());
  zOut = z;
  return size;
}

bool newtonOnSupport(const QuadError& E, std::vector<quad>& x,
                     const std::vector<DiscreteProgram::Support>& support,
                     const std::vector<Maximum>& maxima, quad lower,
                     std::vector<std::vector<quad>>& points, quad& certificate) {
  const std::vector<quad> start = x;
  const int d = E.d;
  // The support's points at their nearest maximisers.
  std::vector<std::vector<quad>> t;
  std::vector<int> signs, taken(maxima.size(), -1);
  std::vector<quad> lambda;
  for (const DiscreteProgram::Support& s : support) {
    int nearest = -1;
    quad best = 0;
    for (size_t q = 0; q < maxima.size(); ++q) {
      if (maxima[q].sign != s.sign) continue;
      quad distance = 0;
      for (int i = 0; i < d; ++i) distance = std::max(distance, qabs(maxima[q].t[i] - s.t[i]));
      if (nearest < 0 || distance < best) nearest = (int)q, best = distance;
    }
    if (nearest < 0) return false;
    if (taken[nearest] >= 0) {
      lambda[taken[nearest]] += s.multiplier;
      continue;
    }
    taken[nearest] = (int)t.size();
    t.push_back(maxima[nearest].t);
    signs.push_back(s.sign);
    lambda.push_back(s.multiplier);
  }
  // Points whose multiplier ends at zero or below are not active: the
  // smallest goes and Newton's method starts again from the program's x.
  // A solution below the program's value (a lower bound) has lost an
  // active point: none is taken.
  while (!t.empty()) {
    std::vector<quad> xs = start, ls = lambda;
    std::vector<std::vector<quad>> ts = t;
    quad z = 0;
    const quad size = newtonSolve(E, xs, z, ts, signs, ls);
    size_t smallest = 0;
    for (size_t j = 1; j < ls.size(); ++j)
      if (ls[j] < ls[smallest]) smallest = j;
    if (size <= 1e-28Q && z < lower * (1 - 1e-12Q)) return false;
    if (size <= 1e-28Q && ls[smallest] > 0) {
      x = xs;
      points = ts;
      // The multipliers are non-negative, sum to one and (to the residual)
      // make sum_j l_j s_j phi(t_j) vanish: for every x, the largest of
      // s_j e(x, t_j) is at least sum_j l_j s_j f(t_j), a lower bound.
      certificate = 0;
      for (size_t j = 0; j < ts.size(); ++j)
        certificate += ls[j] * signs[j] * E.target(ts[j].data());
      return true;
    }
    t.erase(t.begin() + smallest);
    signs.erase(signs.begin() + smallest);
    lambda.erase(lambda.begin() + smallest);
  }
  return false;
}

struct Verified {
  quad lower = 0, upper = 0, check = 0;
  long double fineGrid = 0;
  std::vector<quad> x;
  int rounds = 0, solves = 0, newton = 0;
  size_t points = 0, maximisers = 0;
  bool ok = false;
};

Verified verify(const MinimaxApproximation& m) {
  QuadError E(m);
  Verified out;
  if (!derivativesAgree(E)) {
    fprintf(stderr, "%s: the error's t-derivatives disagree with differences\n", m.name.c_str());
    return out;
  }
  const int d = m.dim;
  const int grid = d == 1 ? 2001 : d == 2 ? 101 : 21;
  DiscreteProgram lp(E);
  std::vector<int> idx(d);
  size_t total = 1;
  for (int i = 0; i < d; ++i) total *= grid;
  for (size_t p = 0; p < total; ++p) {
    size_t r = p;
    std::vector<quad> t(d);
    for (int i = 0; i < d; ++i) t[i] = (quad)(r % grid) * PI_Q / (grid - 1), r /= grid;
    lp.add(t);
  }
  size_t lastMaximisers = 0;
  for (out.rounds = 1; out.rounds <= 60; ++out.rounds) {
    // The lower bound: the discrete program's exact optimum, or the
    // multipliers of Newton's solution (-1: none this round).
    quad value = 0;
    if (!lp.solve(value)) {
      fprintf(stderr, "%s: the simplex failed\n", m.name.c_str());
      return out;
    }
    out.lower = lp.exact() ? value : -1;
    // The program's x, or Newton's where it converges: the program's optimal
    // x need not be unique (with fewer than n + 1 maximisers), Newton's x is
    // the optimum's.
    std::vector<std::vector<quad>> sharp;
    quad certificate = 0;
    out.x = lp.x();
    if (newtonOnSupport(E, out.x, lp.support(), maximaOnGrid(E, out.x, grid),
                        std::max(out.lower, (quad)0), sharp, certificate)) {
      for (const std::vector<quad>& t : sharp) lp.add(t, true);
      lastMaximisers = sharp.size();
      out.lower = std::max(out.lower, certificate);
      if (!lp.solve(value)) {
        fprintf(stderr, "%s: the simplex failed\n", m.name.c_str());
        return out;
      }
      if (lp.exact()) out.lower = std::max(out.lower, value);
      ++out.newton;
    }
    std::vector<Maximum> maxima = maximaOnGrid(E, out.x, grid);
    out.upper = 0;
    for (const Maximum& mx : maxima) out.upper = std::max(out.upper, mx.value);
    if (getenv("VERIFY_TRACE")) {
      fprintf(stderr, "round %d: L %s U %s\n", out.rounds, text(out.lower).c_str(),
              text(out.upper).c_str());
      for (const Maximum& mx : maxima)
        if (mx.value >= 0.99Q * out.upper)
          fprintf(stderr, "   %+d %s %s %s\n", mx.sign, text(mx.t[0], 8).c_str(),
                  text(mx.t[d - 1], 8).c_str(), text(mx.value, 18).c_str());
    }
    if (out.upper - out.lower <= 1e-13Q * out.upper) break;
    for (const Maximum& mx : maxima)
      if (mx.value >= 0.99Q * out.upper) lp.add(mx.t, true);
  }
  out.maximisers = lastMaximisers;
  out.solves = lp.solves();
  out.points = lp.size();
  // The check on a grid ten times finer.
  std::vector<Maximum> fine = maximaOnGrid(E, out.x, 10 * (grid - 1) + 1, &out.fineGrid);
  for (const Maximum& mx : fine) out.check = std::max(out.check, mx.value);
  out.ok = out.upper - out.lower <= 1e-13Q * out.upper &&
           qabs(out.check - out.lower) <= 1e-12Q * out.lower &&
           (quad)out.fineGrid <= out.lower * (1 + 1e-12Q);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> names(argv + 1, argv + argc);
  for (const std::string& name : names) {
    bool known = false;
    for (const MinimaxApproximation& m : minimaxApproximations()) known = known || m.name == name;
    if (!known) {
      fprintf(stderr, "no family member %s\n", name.c_str());
      return 2;
    }
  }
  glp_term_out(GLP_OFF);
  bool allOk = true;
  std::vector<std::string> constants;
  for (const MinimaxApproximation& m : minimaxApproximations()) {
    if (!names.empty() && std::find(names.begin(), names.end(), m.name) == names.end()) continue;
    auto start = std::chrono::steady_clock::now();
    Verified v = verify(m);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("%s: n = %d, optimum %s\n", m.name.c_str(), m.terms() + 1, text(v.lower).c_str());
    printf(
        "  largest error of its x %s (rel. gap %.1e), %d rounds (%d with Newton's points), "
        "%d simplex solves, %zu points\n",
        text(v.upper).c_str(), (double)((v.upper - v.lower) / v.upper), v.rounds, v.newton,
        v.solves, v.points);
    // Fewer than n + 1 maximisers: a program on points of T has no unique
    // optimal x (the optimum's second-order conditions pin it down).
    printf("  %zu maximisers carry the multipliers (%d variables)%s\n", v.maximisers, m.terms() + 1,
           (int)v.maximisers < m.terms() + 1 ? ": fewer than n + 1" : "");
    printf("  check on the 10x finer grid: sharpened %s (rel. %.1e), grid alone %.17Le\n",
           text(v.check).c_str(), (double)(qabs(v.check - v.lower) / v.lower), v.fineGrid);
    if (m.dim == 1) {
      const quad a = m.a, c = m.c;
      const quad rho = a - sqrtq(a * a - 1);
      const quad closed = c * powq(rho, m.terms() - 1) / (a * a - 1);
      const double rel = (double)(qabs(closed - v.lower) / closed);
      printf("  closed form %s (rel. %.1e)\n", text(closed).c_str(), rel);
      if (rel > 1e-12) v.ok = false;
    }
    if (m.terms() <= 12) {
      printf("  x =");
      for (quad xk : v.x) printf(" %s", text(xk, 16).c_str());
      printf("\n");
    }
    printf("  %s, %.1f s\n", v.ok ? "verified" : "NOT VERIFIED", seconds);
    fflush(stdout);
    allOk = allOk && v.ok;
    char line[160];
    snprintf(line, sizeof line, "%s %.17g", m.name.c_str(), (double)v.lower);
    constants.push_back(line);
  }
  printf("\nconstants:\n");
  for (const std::string& c : constants) printf("  %s\n", c.c_str());
  return allOk ? 0 : 1;
}
