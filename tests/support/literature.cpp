#include "literature.h"

#include <stdexcept>

using namespace nl;

namespace {

const char* WATSON =
    "G. A. Watson, Numerical experiments with globally convergent methods for "
    "semi-infinite programming problems, in: A. V. Fiacco, K. O. Kortanek (eds.), "
    "Semi-Infinite Programming and Applications, Lecture Notes in Economics and "
    "Mathematical Systems 215, Springer, 1983, pp. 193-205";

LiteratureProblem watson2() {
  LiteratureProblem p{"watson2", std::string(WATSON) + ", problem 2", 0.194466,
                      {-0.75, -0.618034}, Model()};
  Model& m = p.model;
  Expr x1 = var(m.addVar("x1", -INF, INF, -1.0));
  Expr x2 = var(m.addVar("x2", -INF, INF, 0.0));
  Expr t = var(m.addVar("t", 0.0, 1.0, 0.0));
  m.minimize(x1 * x1 / 3.0 + x2 * x2 + x1 / 2.0);
  m.addCon("tcon", pow(1.0 - x1 * x1 * t * t, 2.0) - x1 * t * t - x2 * x2 + x2, -INF, 0.0);
  return p;
}

LiteratureProblem watson3() {
  LiteratureProblem p{"watson3", std::string(WATSON) + ", problem 3", 5.334687,
                     {-0.213313, -1.361450, 1.853547}, Model()};
  Model& m = p.model;
  Expr x1 = var(m.addVar("x1", -INF, INF, 1.0));
  Expr x2 = var(m.addVar("x2", -INF, INF, 1.0));
  Expr x3 = var(m.addVar("x3", -INF, INF, 1.0));
  Expr t = var(m.addVar("t", 0.0, 1.0, 0.0));
  m.minimize(x1 * x1 + x2 * x2 + x3 * x3);
  m.addCon("tcon", x1 + x2 * exp(x3 * t) + exp(2.0 * t) - 2.0 * sin(4.0 * t), -INF, 0.0);
  return p;
}

// min sum x_i / i  s.t.  g(t) <= sum x_i t^(i-1) on [0, 1]: one-sided
// polynomial approximation from above.
LiteratureProblem polynomialFromAbove(const std::string& name, const std::string& source,
                                      double optimum, std::vector<double> x, Expr (*g)(Expr)) {
  const int n = (int)x.size();
  LiteratureProblem p{name, source, optimum, x, Model()};
  Model& m = p.model;
  std::vector<Expr> xs;
  for (int i = 1; i <= n; ++i)
    xs.push_back(var(m.addVar("x[" + std::to_string(i) + "]", -INF, INF, 1.0)));
  Expr t = var(m.addVar("t", 0.0, 1.0, 0.0));
  Expr objective = xs[0];
  Expr poly = xs[0];
  for (int i = 1; i < n; ++i) {
    objective = objective + xs[i] / double(i + 1);
    poly = poly + xs[i] * pow(t, double(i));
  }
  m.minimize(objective);
  m.addCon("tcon", g(t) - poly, -INF, 0.0);
  return p;
}

Expr tangent(Expr t) { return sin(t) / cos(t); }

LiteratureProblem watson5() {
  LiteratureProblem p{"watson5", std::string(WATSON) + ", problem 5", 4.301184,
                      {1.006611, -0.126949, -0.379663}, Model()};
  Model& m = p.model;
  Expr x1 = var(m.addVar("x1", -INF, INF, 1.0));
  Expr x2 = var(m.addVar("x2", -INF, INF, 0.5));
  Expr x3 = var(m.addVar("x3", -INF, INF, 0.0));
  Expr t = var(m.addVar("t", 0.0, 1.0, 0.0));
  m.minimize(exp(x1) + exp(x2) + exp(x3));
  m.addCon("tcon", 1.0 / (1.0 + t * t) - x1 - x2 * t - x3 * t * t, -INF, 0.0);
  return p;
}

// The objective is the Freudenstein-Roth function.
LiteratureProblem watson6() {
  LiteratureProblem p{"watson6", std::string(WATSON) + ", problem 6", 97.158852,
                      {0.719961, -1.450487}, Model()};
  Model& m = p.model;
  Expr x1 = var(m.addVar("x1", -INF, INF, 1.0));
  Expr x2 = var(m.addVar("x2", -INF, INF, -1.0));
  Expr t = var(m.addVar("t", 0.0, 1.0, 0.0));
  Expr a = x1 - 2.0 * x2 + 5.0 * x2 * x2 - x2 * x2 * x2 - 13.0;
  Expr b = x1 - 14.0 * x2 + x2 * x2 + x2 * x2 * x2 - 29.0;
  m.minimize(a * a + b * b);
  m.addCon("tcon", x1 * x1 + 2.0 * x2 * t * t + exp(x1 + x2) - exp(t), -INF, 0.0);
  return p;
}

LiteratureProblem watson7() {
  LiteratureProblem p{"watson7", std::string(WATSON) + ", problem 7", 1.0, {-1.0, 0.0, 0.0},
                      Model()};
  Model& m = p.model;
  Expr x1 = var(m.addVar("x[1]", -INF, INF, 1.0));
  Expr x2 = var(m.addVar("x[2]", -INF, INF, 1.0));
  Expr x3 = var(m.addVar("x[3]", -INF, INF, 1.0));
  Expr t1 = var(m.addVar("t1", 0.0, 1.0, 0.0));
  Expr t2 = var(m.addVar("t2", 0.0, 1.0, 0.0));
  m.minimize(x1 * x1 + x2 * x2 + x3 * x3);
  m.addCon("tcon", x1 * (t1 + t2 * t2 + 1.0) + x2 * (t1 * t2 - t2 * t2) +
                       x3 * (t1 * t2 + t2 * t2 + t2) + 1.0,
           -INF, 0.0);
  return p;
}

// Quadratic polynomial from above on [0, 1]^2: min the integral of p over
// the square, with the coefficient of x4 read as 1/3 by the symmetry of x4
// and x6 (as in the optimal value Watson reports).
LiteratureProblem watson8() {
  LiteratureProblem p{"watson8", std::string(WATSON) + ", problem 8", 2.435643,
                      {2.553276, -4.062236, -4.062236, 4.227241, 4.505769, 4.227241}, Model()};
  Model& m = p.model;
  std::vector<Expr> x;
  for (int i = 1; i <= 6; ++i) x.push_back(var(m.addVar("x[" + std::to_string(i) + "]", -INF, INF, 1.0)));
  Expr t1 = var(m.addVar("t1", 0.0, 1.0, 0.0));
  Expr t2 = var(m.addVar("t2", 0.0, 1.0, 0.0));
  m.minimize(x[0] + x[1] / 2.0 + x[2] / 2.0 + x[3] / 3.0 + x[4] / 4.0 + x[5] / 3.0);
  m.addCon("tcon", exp(t1 * t1 + t2 * t2) - x[0] - x[1] * t1 - x[2] * t2 - x[3] * t1 * t1 -
                       x[4] * t1 * t2 - x[5] * t2 * t2,
           -INF, 0.0);
  return p;
}

// Optimal x is not unique (x4 and x6 trade off); the one recorded is one of them.
LiteratureProblem watson9() {
  LiteratureProblem p{"watson9", std::string(WATSON) + ", problem 9", -12.0,
                      {3.0, 0.0, 0.0, 0.0, 0.0, 0.0}, Model()};
  Model& m = p.model;
  std::vector<Expr> x;
  for (int i = 1; i <= 6; ++i) x.push_back(var(m.addVar("x[" + std::to_string(i) + "]", -INF, INF, 0.0)));
  Expr t1 = var(m.addVar("t1", -1.0, 1.0, 0.0));
  Expr t2 = var(m.addVar("t2", -1.0, 1.0, 0.0));
  m.minimize(-4.0 * x[0] - 2.0 / 3.0 * (x[3] + x[5]));
  Expr d = t1 * t1 - t2 * t2;
  m.addCon("tcon", x[0] + x[1] * t1 + x[2] * t2 + x[3] * t1 * t1 + x[4] * t1 * t2 +
                       x[5] * t2 * t2 - 3.0 - d * d,
           -INF, 0.0);
  return p;
}

const char* POWELL =
    "M. J. D. Powell, Log barrier methods for semi-infinite programming calculations, "
    "Numerical Analysis Report DAMTP 1992/NA11, University of Cambridge, 1992";

const double PI = 3.14159265358979323846;

// Powell's problems 1 and 2: min x2 s.t. the tangents to the unit circle, at
// the angle 2 pi t / tu, keep x on their inner side: the feasible set is the
// unit disc, so x* = (0, -1). Problem 2 adds the finite constraint x1 >= -1.
LiteratureProblem powellCircle(int number, double tu, bool bounded) {
  LiteratureProblem p{"powell" + std::to_string(number),
                      std::string(POWELL) + ", problem " + std::to_string(number), -1.0,
                      {0.0, -1.0}, Model()};
  Model& m = p.model;
  Expr x1 = var(m.addVar("x[1]", -INF, INF, 0.8));
  Expr x2 = var(m.addVar("x[2]", -INF, INF, 0.5));
  Expr t = var(m.addVar("t", 0.0, tu, 0.0));
  Expr angle = 2.0 * PI / tu * t;
  m.minimize(x2);
  if (bounded) m.addCon("xbound", x1, -1.0, INF);
  m.addCon("tcon", -x1 * cos(angle) - x2 * sin(angle) - 1.0, -INF, 0.0);
  return p;
}

// Powell's problems 3 and 4: the linear function x1 + x2 xi + x3 eta stays
// below xi^2 eta, within x4, on a curve; x starts at (-0.1, 0, 0, 1.2).
std::vector<Expr> oneSidedVariables(Model& m) {
  std::vector<Expr> x;
  const double start[] = {-0.1, 0.0, 0.0, 1.2};
  for (int i = 1; i <= 4; ++i)
    x.push_back(var(m.addVar("x[" + std::to_string(i) + "]", -INF, INF, start[i - 1])));
  return x;
}

void oneSidedConstraints(Model& m, const std::vector<Expr>& x, Expr xi, Expr eta) {
  Expr residual = xi * xi * eta - x[0] - xi * x[1] - eta * x[2];
  m.minimize(x[3]);
  m.addCon("tlow", residual - x[3], -INF, 0.0);
  m.addCon("thigh", -residual, -INF, 0.0);
}

// Problem 3 asks for the boundary of the unit square. The residual is linear
// in eta and convex in xi, so its extremes over the whole square lie on the
// boundary: the constraints over T = [0, 1]^2 define the same feasible set.
// x* = (-c, c, 1 - c, c) with c = 4 - 2 sqrt 3.
LiteratureProblem powell3() {
  LiteratureProblem p{"powell3", std::string(POWELL) + ", problem 3", 0.5358984,
                      {-0.5358984, 0.5358984, 0.4641016, 0.5358984}, Model()};
  std::vector<Expr> x = oneSidedVariables(p.model);
  Expr xi = var(p.model.addVar("t1", 0.0, 1.0, 0.0));
  Expr eta = var(p.model.addVar("t2", 0.0, 1.0, 0.0));
  oneSidedConstraints(p.model, x, xi, eta);
  return p;
}

// Problem 4: the half circle (xi, eta) = (1/2, 1/2) - sqrt(1/2) (cos a, sin a),
// a = pi/4 - 2 pi t.
LiteratureProblem powell4() {
  LiteratureProblem p{"powell4", std::string(POWELL) + ", problem 4", 0.2729447,
                      {0.0, 0.8564126, -0.1293573, 0.2729447}, Model()};
  std::vector<Expr> x = oneSidedVariables(p.model);
  Expr t = var(p.model.addVar("t", 0.0, 0.5, 0.0));
  Expr a = PI / 4.0 - 2.0 * PI * t;
  oneSidedConstraints(p.model, x, 0.5 - std::sqrt(0.5) * cos(a), 0.5 - std::sqrt(0.5) * sin(a));
  return p;
}

// min u s.t. (2t^2 - 1) x + t (1 - t) (1 - x) <= u on [0, 1].
LiteratureProblem polakTits() {
  LiteratureProblem p{"polak_tits",
                      "E. Polak, A. L. Tits, A recursive quadratic programming algorithm for "
                      "semi-infinite optimization problems, Applied Mathematics and "
                      "Optimization 8 (1982) 325-349",
                      0.1783946, {0.1783946, 0.1484199}, Model()};
  Model& m = p.model;
  Expr u = var(m.addVar("u", -INF, INF, 0.0));
  Expr x = var(m.addVar("x", -INF, INF, 0.0));
  Expr t = var(m.addVar("t", 0.0, 1.0, 0.0));
  m.minimize(u);
  m.addCon("tcon", (2.0 * t * t - 1.0) * x + t * (1.0 - t) * (1.0 - x) - u, -INF, 0.0);
  return p;
}

const char* OETTERSHAGEN =
    "K. Oettershagen, Ein superlinear konvergenter Algorithmus zur Loesung "
    "semi-infiniter Optimierungsprobleme, Ph.D. thesis, Universitaet Bonn, 1982";

// Chebyshev approximation: min u s.t. |r(x, t)| <= u on [tl, tu], with the
// error r as two infinite constraints; (u, x) starts at zero. `optimal`
// holds (u, x).
LiteratureProblem chebyshev(const std::string& name, const std::string& source,
                            std::vector<double> optimal, double tl, double tu,
                            Expr (*error)(const std::vector<Expr>&, Expr)) {
  LiteratureProblem p{name, source, optimal[0], optimal, Model()};
  Model& m = p.model;
  Expr u = var(m.addVar("u", -INF, INF, 0.0));
  std::vector<Expr> xs;
  for (size_t i = 1; i < optimal.size(); ++i)
    xs.push_back(var(m.addVar("x[" + std::to_string(i) + "]", -INF, INF, 0.0)));
  Expr t = var(m.addVar("t", tl, tu, tl));
  Expr r = error(xs, t);
  m.minimize(u);
  m.addCon("tabove", r - u, -INF, 0.0);
  m.addCon("tbelow", -r - u, -INF, 0.0);
  return p;
}

Expr oet1Error(const std::vector<Expr>& x, Expr t) { return t * t - x[0] * t - x[1] * exp(t); }
Expr oet2Error(const std::vector<Expr>& x, Expr t) {
  return 1.0 / (1.0 + t) - x[0] * exp(x[1] * t);
}
Expr oet3Error(const std::vector<Expr>& x, Expr t) {
  return sin(t) - x[0] - x[1] * t - x[2] * t * t;
}
Expr oet4Error(const std::vector<Expr>& x, Expr t) {
  return exp(t) - (x[0] + x[1] * t) / (1.0 + x[2] * t);
}

// min sum x_j^2/(2j) + x_j/j s.t. sum x_j t^(j-1) >= sin t on [0, 1]: a
// semi-infinite quadratic program with n = 20.
LiteratureProblem kortanekNo() {
  const int n = 20;
  LiteratureProblem p{"kortanek_no",
                      "K. O. Kortanek, H. No, A central cutting plane algorithm for convex "
                      "semi-infinite programming problems, SIAM Journal on Optimization 3 "
                      "(1993) 901-918, problem with b(t) = sin t and n = 20",
                      0.5757979,
                      {0.17959448, 0.40445561, 0.31549750, 0.16632719, 0.04299474,
                       -0.03597187, -0.07583917, -0.08773906, -0.08212520, -0.06697187,
                       -0.04775719, -0.02798113, -0.00973556, 0.00582815, 0.01815906,
                       0.02707510, 0.03261204, 0.03492806, 0.03424487, 0.03081235},
                      Model()};
  Model& m = p.model;
  std::vector<Expr> x;
  for (int j = 1; j <= n; ++j)
    x.push_back(var(m.addVar("x[" + std::to_string(j) + "]", -INF, INF, 2.0)));
  Expr t = var(m.addVar("t", 0.0, 1.0, 0.0));
  Expr objective = x[0] * x[0] / 2.0 + x[0];
  Expr poly = x[0];
  for (int j = 2; j <= n; ++j) {
    objective = objective + x[j - 1] * x[j - 1] / (2.0 * j) + x[j - 1] / double(j);
    poly = poly + x[j - 1] * pow(t, double(j - 1));
  }
  m.minimize(objective);
  m.addCon("tcon", sin(t) - poly, -INF, 0.0);
  return p;
}

// The smallest ball containing the unit cube, as a semi-infinite program in
// three infinite variables: its centre (1/2, 1/2, 1/2), its squared radius
// 3/4, touching at the eight corners.
LiteratureProblem ball3() {
  LiteratureProblem p{"ball3", "constructed: the smallest ball containing the unit cube", 0.75,
                      {0.5, 0.5, 0.5, 0.75}, Model()};
  Model& m = p.model;
  Expr c1 = var(m.addVar("c1", -INF, INF, 0.2));
  Expr c2 = var(m.addVar("c2", -INF, INF, 0.3));
  Expr c3 = var(m.addVar("c3", -INF, INF, 0.4));
  Expr r = var(m.addVar("r", -INF, INF, 1.0));
  Expr t1 = var(m.addVar("t1", 0.0, 1.0, 0.0));
  Expr t2 = var(m.addVar("t2", 0.0, 1.0, 0.0));
  Expr t3 = var(m.addVar("t3", 0.0, 1.0, 0.0));
  m.minimize(r);
  m.addCon("tcon", (t1 - c1) * (t1 - c1) + (t2 - c2) * (t2 - c2) + (t3 - c3) * (t3 - c3) - r,
           -INF, 0.0);
  return p;
}

}  // namespace

std::vector<LiteratureProblem> literatureProblems() {
  std::vector<LiteratureProblem> all;
  all.push_back(watson2());
  all.push_back(watson3());
  std::string w(WATSON);
  all.push_back(polynomialFromAbove("watson4a", w + ", problem 4 with n = 3", 0.649042,
                                    {0.088959, 0.423600, 1.044849}, tangent));
  all.push_back(polynomialFromAbove("watson4b", w + ", problem 4 with n = 6", 0.616085,
                                    {0.0, 1.023404, -0.241829, 1.225285, -1.392588, 0.943136},
                                    tangent));
  all.push_back(polynomialFromAbove(
      "watson4c", w + ", problem 4 with n = 8", 0.615653,
      {0.0, 1.003029, -0.055369, 0.721269, -1.332553, 2.548243, -2.240971, 0.913760}, tangent));
  all.push_back(watson5());
  all.push_back(watson6());
  all.push_back(watson7());
  all.push_back(watson8());
  all.push_back(watson9());
  all.push_back(powellCircle(1, 1.0, false));
  all.push_back(powellCircle(2, 0.5, true));
  all.push_back(powell3());
  all.push_back(powell4());
  all.push_back(polakTits());
  std::string o(OETTERSHAGEN);
  all.push_back(chebyshev("oet1", o + ", problem 1", {0.5382453, 0.1841785, 0.4186459}, 0.0, 2.0,
                          oet1Error));
  all.push_back(chebyshev("oet2", o + ", problem 2", {0.0871596, 1.0528554, -1.1941667}, -0.5,
                          0.5, oet2Error));
  all.push_back(chebyshev("oet3", o + ", problem 3", {0.0045051, -0.0045051, 1.0840149, -0.2335338},
                          0.0, 1.0, oet3Error));
  all.push_back(chebyshev("oet4", o + ", problem 4", {0.0042955, 0.9957045, 0.6682068, -0.3888470},
                          0.0, 1.0, oet4Error));
  all.push_back(kortanekNo());
  all.push_back(ball3());
  return all;
}

const LiteratureProblem& literatureProblem(const std::string& name) {
  static const std::vector<LiteratureProblem> all = literatureProblems();
  for (const LiteratureProblem& p : all)
    if (p.name == name) return p;
  throw std::runtime_error("no literature problem " + name);
}
