// Computes the optimal values of the benchmark's families of minimax
// approximations (tests/support/families.h) independently of the solver.
//
// Each member is a linear program in (x, z) over the points of T. For each:
//
// 1. The program on a grid of T (2001 points, 101^2, 21^3) is solved by
//    GLPK's simplex.
// 2. Exchange rounds: the error f - sum x_k phi_k of the solution is scanned
//    on that grid, each local maximiser of |error| is sharpened by Newton's
//    method in quadruple precision (the error's t-derivatives are
//    analytic), and the maximisers within 1% of the largest join the points.
//    The program on the grown point set is solved again, and so on until the
//    largest error U of the solution and the program's value L agree to
//    1e-13 relative. Since the points lie in T, L <= optimum <= U.
// 3. Double precision cannot carry this for optimal values near 1e-8 (the
//    data of f are about 1 and its rounding 1e-16). Each program is therefore
//    solved in residual form: around the current (x, z), held in quadruple
//    precision, the simplex solves for the correction (u, w) in
//      -s phi_p u - w <= (z - s e_p(x)) / scale  (s = +-1, e_p the error at p
//                                                 in quadruple precision),
//    whose data are the residuals, scaled to about one; the correction is
//    added in quadruple precision and the program solved again around the
//    new point until its value settles (to 1e-16 relative). The simplex
//    solves in turn start from the last basis (the dual simplex: only the
//    right-hand side changes, and new points come in as basic rows).
// 4. The check: the largest error of the final solution on a grid ten times
//    finer (20001 points, 1001^2, 201^3), each local maximiser sharpened as
//    above, must agree with L to 1e-12 relative; for the one-dimensional
//    family L is also compared with the closed form c rho^(n-1) / (a^2 - 1),
//    rho = a - sqrt(a^2 - 1), of Chebyshev's best approximation of
//    1/(a - s).
//
// verify_optima [name ...]   (default: every member). Prints one line per
// member and the constants for families.cpp; exit status 1 when a check fails.
#include <glpk.h>
#include <quadmath.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
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
    quad D = m.a;
    for (int i = 0; i < d; ++i) D -= (quad)m.weights[i] * cosq(t[i]);
    return (quad)m.c / D;
  }

  // phi_k(t) for every k.
  void basis(const quad* t, std::vector<quad>& phi) const {
    std::vector<quad> C, S;
    tables(t, C, S);
    phi.assign(m.terms(), 1);
    for (int k = 0; k < m.terms(); ++k)
      for (int i = 0; i < d; ++i) phi[k] *= C[i * (J + 1) + m.frequencies[k][i]];
  }

  quad value(const std::vector<quad>& x, const quad* t, quad* grad, quad* hess) const {
    std::vector<quad> C, S;
    tables(t, C, S);
    auto c = [&](int i, int j) { return C[i * (J + 1) + j]; };
    auto s = [&](int i, int j) { return S[i * (J + 1) + j]; };
    // f = c / D with D = a - sum w_i cos t_i.
    quad D = m.a;
    for (int i = 0; i < d; ++i) D -= (quad)m.weights[i] * c(i, 1);
    const quad cf = m.c;
    quad e = cf / D;
    if (grad) {
      for (int i = 0; i < d; ++i) {
        quad Di = (quad)m.weights[i] * s(i, 1);  // dD/dt_i
        grad[i] = -cf * Di / (D * D);
        for (int l = 0; l < d; ++l) {
          quad Dl = (quad)m.weights[l] * s(l, 1);
          hess[i * d + l] = 2 * cf * Di * Dl / (D * D * D);
        }
        hess[i * d + i] -= cf * (quad)m.weights[i] * c(i, 1) / (D * D);
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
    // Cholesky of -H on the free coordinates.
    std::vector<quad> L(nf * nf, 0), step(nf, 0);
    bool definite = true;
    for (int a = 0; a < nf && definite; ++a)
      for (int b = 0; b <= a; ++b) {
        quad sum = -H[free[a] * d + free[b]];
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
    if (definite) {
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
    } else {
      quad norm = 0;
      for (int a = 0; a < nf; ++a) norm += g[free[a]] * g[free[a]];
      norm = sqrtq(norm);
      if (norm == 0) break;
      for (int a = 0; a < nf; ++a) step[a] = 1e-3Q * g[free[a]] / norm;
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
// the basis from per-axis tables); the grid's local maxima of |error| above
// half the largest, sharpened in quadruple precision.
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
    long double D = m.a;
    for (int i = 0; i < d; ++i) D -= (long double)m.weights[i] * cosTable[(size_t)idx[i] * (J + 1) + 1];
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
  // Local maxima of s * e among all 3^d - 1 neighbours.
  std::vector<Maximum> out;
  std::vector<int> nb(d);
  for (size_t p = 0; p < total; ++p) {
    if (std::fabs(values[p]) < 0.5 * top) continue;
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

  void add(const std::vector<quad>& t) {
    Point p;
    p.t = t;
    E_.basis(t.data(), p.phi);
    p.f = E_.target(t.data());
    points_.push_back(p);
    const int first = glp_add_rows(lp_, 2);
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
    return endgame(value);
  }

  const std::vector<quad>& x() const { return x_; }
  int solves() const { return solves_; }
  int pivots() const { return pivots_; }
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

  // The primal simplex in quadruple precision on the whole point set, from
  // the simplex's final basis (its rows at their bounds): the vertex and
  // multipliers of the basis solved exactly, a row with a negative
  // multiplier leaves (Bland's rule), the ratio test picks the row that
  // enters. The double-precision simplex stops within its tolerance of
  // 1e-9 of the optimum; this ends at it.
  bool endgame(quad& value) {
    const int m = n_ + 1;
    std::vector<int> basis;
    for (int r = 0; r < 2 * (int)points_.size(); ++r)
      if (glp_get_row_stat(lp_, r + 1) != GLP_BS) basis.push_back(r);
    if ((int)basis.size() != m) {
      fprintf(stderr, "the simplex's basis has %zu rows at a bound, not %d\n", basis.size(), m);
      return false;
    }
    std::vector<quad> A(m * m), y(m), lambda(m), dir(m);
    std::vector<int> perm(m);
    for (int iteration = 0; iteration < 100000; ++iteration) {
      // A_B, row j = a_{basis[j]}; LU with partial pivoting.
      for (int j = 0; j < m; ++j) {
        const Point& p = points_[basis[j] / 2];
        const quad sign = basis[j] % 2 == 0 ? 1 : -1;
        for (int k = 0; k < n_; ++k) A[j * m + k] = -sign * p.phi[k];
        A[j * m + n_] = -1;
      }
      if (!factor(A, perm)) {
        fprintf(stderr, "singular basis in the endgame\n");
        return false;
      }
      std::vector<quad> b(m), c(m, 0);
      for (int j = 0; j < m; ++j) b[j] = rowBound(basis[j]);
      y = solveWith(A, perm, b, false);
      c[n_] = -1;  // A_B^T lambda = -grad(z)
      lambda = solveWith(A, perm, c, true);
      int leave = -1;
      for (int j = 0; j < m; ++j)
        if (lambda[j] < -1e-30Q && (leave < 0 || basis[j] < basis[leave])) leave = j;
      int enter = -1;
      if (leave >= 0) {
        // A primal step: the row leaves its bound, the first row reached
        // enters (slacks below zero count as zero).
        std::vector<quad> e(m, 0);
        e[leave] = -1;
        dir = solveWith(A, perm, e, false);
        quad best = 0;
        for (int r = 0; r < 2 * (int)points_.size(); ++r) {
          if (std::find(basis.begin(), basis.end(), r) != basis.end()) continue;
          const quad slope = rowDot(r, dir);
          if (slope <= 1e-30Q) continue;
          quad slack = rowBound(r) - rowDot(r, y);
          if (slack < 0) slack = 0;
          const quad step = slack / slope;
          if (enter < 0 || step < best) enter = r, best = step;
        }
        if (enter < 0) {
          fprintf(stderr, "unbounded program in the endgame\n");
          return false;
        }
      } else {
        // The multipliers are non-negative: a dual step brings the most
        // violated row to its bound, the basis row whose multiplier reaches
        // zero first leaves.
        quad worst = -1e-31Q;
        for (int r = 0; r < 2 * (int)points_.size(); ++r) {
          const quad slack = rowBound(r) - rowDot(r, y);
          if (slack < worst) worst = slack, enter = r;
        }
        if (enter < 0) break;  // primal and dual feasible: optimal
        std::vector<quad> ar(m);
        const Point& p = points_[enter / 2];
        const quad sign = enter % 2 == 0 ? 1 : -1;
        for (int k = 0; k < n_; ++k) ar[k] = -sign * p.phi[k];
        ar[n_] = -1;
        std::vector<quad> w = solveWith(A, perm, ar, true);
        quad best = 0;
        for (int j = 0; j < m; ++j) {
          if (w[j] <= 1e-30Q) continue;
          const quad ratio = lambda[j] / w[j];
          if (leave < 0 || ratio < best) leave = j, best = ratio;
        }
        if (leave < 0) {
          fprintf(stderr, "infeasible program in the endgame\n");
          return false;
        }
      }
      basis[leave] = enter;
      ++pivots_;
    }
    for (int k = 0; k < n_; ++k) x_[k] = y[k];
    // The multipliers are those of the discrete program's dual, whose
    // objective -b_B . lambda bounds the optimum from below (the points are
    // in T).
    value = 0;
    for (int j = 0; j < m; ++j) value -= lambda[j] * rowBound(basis[j]);
    support_.clear();
    for (int j = 0; j < m; ++j)
      if (lambda[j] > 0)
        support_.push_back({points_[basis[j] / 2].t, basis[j] % 2 == 0 ? 1 : -1, lambda[j]});
    return true;
  }

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
  int solves_ = 0, pivots_ = 0;
};

struct Verified {
  quad lower = 0, upper = 0, check = 0;
  long double fineGrid = 0;
  std::vector<quad> x;
  int rounds = 0, solves = 0;
  size_t points = 0, support = 0;
  bool ok = false;
};

Verified verify(const MinimaxApproximation& m) {
  QuadError E(m);
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
  Verified out;
  for (out.rounds = 1; out.rounds <= 60; ++out.rounds) {
    if (!lp.solve(out.lower)) {
      fprintf(stderr, "%s: the simplex failed\n", m.name.c_str());
      return out;
    }
    std::vector<Maximum> maxima = maximaOnGrid(E, lp.x(), grid);
    out.upper = 0;
    for (const Maximum& mx : maxima) out.upper = std::max(out.upper, mx.value);
    if (out.upper - out.lower <= 1e-13Q * out.upper) break;
    for (const Maximum& mx : maxima)
      if (mx.value >= 0.99Q * out.upper) lp.add(mx.t);
  }
  out.x = lp.x();
  out.support = lp.support().size();
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
  glp_term_out(GLP_OFF);
  bool allOk = true;
  std::vector<std::string> constants;
  for (const MinimaxApproximation& m : minimaxApproximations()) {
    if (!names.empty() && std::find(names.begin(), names.end(), m.name) == names.end()) continue;
    auto start = std::chrono::steady_clock::now();
    Verified v = verify(m);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("%s: n = %d, optimum %s\n", m.name.c_str(), m.terms() + 1, text(v.lower).c_str());
    printf("  largest error of its x %s (rel. gap %.1e), %d rounds, %d simplex solves, %zu points\n",
           text(v.upper).c_str(), (double)((v.upper - v.lower) / v.upper), v.rounds, v.solves,
           v.points);
    // Fewer than n + 1 points with positive multipliers: the optimal x need
    // not be unique.
    printf("  %zu points with positive multipliers (%d variables)%s\n", v.support, m.terms() + 1,
           (int)v.support < m.terms() + 1 ? ": degenerate" : "");
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
