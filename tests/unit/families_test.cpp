// The benchmark's families of minimax approximations: their models say what
// their descriptions say, their recorded optima are optimal (checked against
// Chebyshev's closed form, the alternation theorem and, where GLPK is
// installed, linear programs and verify_optima itself), and the benchmark
// runner tabulates them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <sstream>

#include "families.h"
#include "harness.h"
#include "solution.h"

#ifdef HAVE_GLPK
#include <glpk.h>
#endif

namespace {

// The model's variable values for coefficients x, deviation z and point t.
std::vector<double> values(const nl::Model& m, const std::vector<double>& x, double z,
                           const std::vector<double>& t) {
  std::vector<double> v;
  v.insert(v.end(), x.begin(), x.end());
  v.push_back(z);
  v.insert(v.end(), t.begin(), t.end());
  EXPECT_EQ(v.size(), m.vars.size());
  return v;
}

TEST(Families, EveryMemberIsAWellFormedMinimaxProgram) {
  std::set<std::string> names;
  int perDimension[4] = {0, 0, 0, 0};
  for (const MinimaxApproximation& a : minimaxApproximations()) {
    SCOPED_TRACE(a.name);
    EXPECT_TRUE(names.insert(a.name).second) << "names are unique";
    ASSERT_GE(a.dim, 1);
    ASSERT_LE(a.dim, 3);
    ++perDimension[a.dim];
    ASSERT_EQ((int)a.weights.size(), a.dim);
    // The basis functions are distinct, so that the program is not degenerate by construction.
    std::set<std::vector<int>> rows(a.frequencies.begin(), a.frequencies.end());
    EXPECT_EQ((int)rows.size(), a.terms());
    for (const std::vector<int>& j : a.frequencies) EXPECT_EQ((int)j.size(), a.dim);
    EXPECT_GT(a.optimum, 0);

    const LiteratureProblem p = minimaxProblem(a);
    const nl::Model& m = p.model;
    EXPECT_EQ(infiniteVariables(m), a.dim);
    ASSERT_EQ((int)m.vars.size(), a.terms() + 1 + a.dim);
    for (int k = 0; k < a.terms(); ++k) {
      EXPECT_EQ(m.vars[k].name, "x[" + std::to_string(k + 1) + "]");
      EXPECT_EQ(m.vars[k].start, 0.0);
    }
    EXPECT_EQ(m.vars[a.terms()].name, "z");
    for (int i = 0; i < a.dim; ++i) {
      const nl::Variable& t = m.vars[a.terms() + 1 + i];
      EXPECT_EQ(t.name[0], 't');
      EXPECT_EQ(t.lower, 0.0);
      EXPECT_DOUBLE_EQ(t.upper, M_PI);
    }
    ASSERT_EQ(m.cons.size(), 2u);
    for (const nl::Constraint& c : m.cons) {
      EXPECT_EQ(c.name[0], 't');
      EXPECT_EQ(c.upper, 0.0);
      EXPECT_FALSE(c.lower > -nl::INF);
    }
    // The start (x = 0, z above max f) is feasible on a grid of T.
    std::vector<double> start;
    for (int k = 0; k <= a.terms(); ++k) start.push_back(m.vars[k].start);
    EXPECT_LT(maxViolation(m, start, a.dim == 1 ? 1001 : a.dim == 2 ? 41 : 11), 0);
  }
  EXPECT_GE(perDimension[1], 7);
  EXPECT_GE(perDimension[2], 3);
  EXPECT_GE(perDimension[3], 2);
}

// The expression graph written to the .nl file computes the description's
// f - sum x_k phi_k: random coefficients and points, both constraints and
// the objective.
TEST(Families, ModelsEvaluateTheirDescriptions) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> coefficient(-1, 1), point(0, M_PI);
  for (const MinimaxApproximation& a : minimaxApproximations()) {
    SCOPED_TRACE(a.name);
    const nl::Model m = minimaxProblem(a).model;
    for (int trial = 0; trial < 5; ++trial) {
      std::vector<double> x(a.terms()), t(a.dim);
      for (double& v : x) v = coefficient(random);
      for (double& v : t) v = point(random);
      const double z = 0.3;
      const std::vector<double> v = values(m, x, z, t);
      const double e = a.error(x, t.data());
      EXPECT_NEAR(nl::evaluate(m.cons[0].body, v), e - z, 1e-12);
      EXPECT_NEAR(nl::evaluate(m.cons[1].body, v), -e - z, 1e-12);
      EXPECT_EQ(nl::evaluate(m.objective, v), z);
    }
  }
}

// The finite program on points holds one constraint per point, with the
// point's values substituted, and no infinite variable.
TEST(Families, ProgramOnPointsSubstitutesThePoints) {
  const MinimaxApproximation& a = minimaxApproximation("minimax2_d3");
  const std::vector<std::vector<double>> points = {{0.0, 0.5}, {1.0, 3.0}, {M_PI, M_PI}};
  const std::vector<int> signs = {1, -1, 1};
  const nl::Model m = minimaxOnPoints(a, points, signs).model;
  EXPECT_EQ(infiniteVariables(m), 0);
  ASSERT_EQ(m.cons.size(), 3u);
  EXPECT_EQ(m.cons[0].name, "up_1");
  EXPECT_EQ(m.cons[1].name, "lo_2");
  std::vector<double> x(a.terms());
  for (int k = 0; k < a.terms(); ++k) x[k] = 0.1 * (k % 5) - 0.2;
  std::vector<double> v = x;
  v.push_back(0.25);
  for (size_t i = 0; i < points.size(); ++i)
    EXPECT_NEAR(nl::evaluate(m.cons[i].body, v), signs[i] * a.error(x, points[i].data()) - 0.25,
                1e-13);
}

// Chebyshev: the best approximation of c / (a - s) on [-1, 1] by polynomials
// of degree m errs by c rho^m / (a^2 - 1), rho = a - sqrt(a^2 - 1). The
// one-dimensional family is that with s = cos t and m = n - 1.
TEST(Families, OneDimensionalOptimaAreChebyshevsClosedForm) {
  int members = 0;
  double largest = 0, smallest = 1;
  for (const MinimaxApproximation& a : minimaxApproximations()) {
    if (a.dim != 1) continue;
    ++members;
    const long double A = a.a, rho = A - std::sqrt(A * A - 1);
    const long double closed = a.c * std::pow(rho, (long double)(a.terms() - 1)) / (A * A - 1);
    EXPECT_NEAR(a.optimum / (double)closed, 1.0, 1e-12) << a.name;
    largest = std::max(largest, a.optimum);
    smallest = std::min(smallest, a.optimum);
  }
  EXPECT_GE(members, 7);
  // The family spans optimal values from about 1e-1 to about 1e-8.
  EXPECT_GT(largest, 0.1);
  EXPECT_LT(smallest, 1e-7);
}

// The largest of |f - p| near each local maximiser of a grid's values: the
// vertex of the parabola through three points, evaluated.
struct Extremum {
  double t, error;
};
std::vector<Extremum> extremaOnGrid(const MinimaxApproximation& a, const std::vector<double>& x,
                                    int points) {
  std::vector<double> e(points);
  const double h = M_PI / (points - 1);
  for (int i = 0; i < points; ++i) {
    const double t = i * h;
    e[i] = a.error(x, &t);
  }
  std::vector<Extremum> out;
  for (int i = 0; i < points; ++i) {
    const double left = i > 0 ? std::fabs(e[i - 1]) : 0,
                 right = i + 1 < points ? std::fabs(e[i + 1]) : 0;
    if (std::fabs(e[i]) < left || std::fabs(e[i]) < right) continue;
    double t = i * h;
    if (i > 0 && i + 1 < points) {
      const double curvature = e[i - 1] - 2 * e[i] + e[i + 1];
      if (curvature != 0) t += std::clamp(0.5 * (e[i - 1] - e[i + 1]) / curvature, -0.5, 0.5) * h;
    }
    out.push_back({t, a.error(x, &t)});
  }
  return out;
}

// The recorded x of the smallest member: its error stays within the optimum
// on a dense grid and equioscillates at n + 1 points (de la Vallee Poussin:
// then no x does better), so the recorded optimum is the optimal value.
TEST(Families, SmallestMembersRecordedSolutionEquioscillates) {
  const MinimaxApproximation& a = minimaxApproximation("minimax_n8");
  ASSERT_EQ((int)a.x.size(), a.terms());
  std::vector<Extremum> extrema = extremaOnGrid(a, a.x, 20001);
  double largest = 0;
  for (const Extremum& e : extrema) largest = std::max(largest, std::fabs(e.error));
  EXPECT_LE(largest, a.optimum * (1 + 1e-10));
  // Alternating signs, each within 1e-10 of the optimum.
  std::vector<Extremum> alternation;
  for (const Extremum& e : extrema) {
    if (std::fabs(e.error) < a.optimum * (1 - 1e-10)) continue;
    if (!alternation.empty() && (alternation.back().error > 0) == (e.error > 0)) continue;
    alternation.push_back(e);
  }
  EXPECT_EQ((int)alternation.size(), a.terms() + 1);
}

#ifdef HAVE_GLPK
// min z s.t. -z <= f(t_i) - sum x_k phi_k(t_i) <= z on the given points
// (dim values each, one after the other); returns z and sets x.
double gridProgram(const MinimaxApproximation& a, const std::vector<double>& ts,
                   std::vector<double>& x) {
  const int n = a.terms();
  glp_prob* lp = glp_create_prob();
  glp_set_obj_dir(lp, GLP_MIN);
  glp_add_cols(lp, n + 1);
  for (int j = 1; j <= n + 1; ++j) glp_set_col_bnds(lp, j, GLP_FR, 0, 0);
  glp_set_obj_coef(lp, n + 1, 1);
  std::vector<int> ind(n + 2);
  std::vector<double> val(n + 2);
  for (size_t i = 0; i < ts.size(); i += a.dim) {
    const double* t = &ts[i];
    const int row = glp_add_rows(lp, 2);
    for (int s = 0; s < 2; ++s) {
      const double sign = s == 0 ? 1 : -1;
      // sign (f - p) <= z  as  -sign p - z <= -sign f
      for (int k = 0; k < n; ++k) ind[k + 1] = k + 1, val[k + 1] = -sign * a.basis(k, t);
      ind[n + 1] = n + 1, val[n + 1] = -1;
      glp_set_mat_row(lp, row + s, n + 1, ind.data(), val.data());
      glp_set_row_bnds(lp, row + s, GLP_UP, 0, -sign * a.target(t));
    }
  }
  glp_smcp parm;
  glp_init_smcp(&parm);
  parm.msg_lev = GLP_MSG_OFF;
  parm.tol_bnd = 1e-11;
  parm.tol_dj = 1e-11;
  EXPECT_EQ(glp_simplex(lp, &parm), 0);
  EXPECT_EQ(glp_get_status(lp), GLP_OPT);
  x.resize(n);
  for (int k = 0; k < n; ++k) x[k] = glp_get_col_prim(lp, k + 1);
  const double z = glp_get_obj_val(lp);
  glp_delete_prob(lp);
  return z;
}

// A linear program on a grid of T, refined at the error's extrema, brackets
// the recorded optimum: its value is below (its points lie in T), the
// largest error of its x above; the bracket closes to 1e-9.
TEST(Families, SmallestMembersOptimumMatchesALinearProgram) {
  const MinimaxApproximation& a = minimaxApproximation("minimax_n8");
  std::vector<double> ts;
  for (int i = 0; i <= 400; ++i) ts.push_back(M_PI * i / 400);
  double lower = 0, upper = 0;
  for (int round = 0; round < 4 && !(upper - lower <= 1e-10 * upper && round > 0); ++round) {
    std::vector<double> x;
    lower = gridProgram(a, ts, x);
    upper = 0;
    for (const Extremum& e : extremaOnGrid(a, x, 20001)) {
      upper = std::max(upper, std::fabs(e.error));
      ts.push_back(e.t);
    }
  }
  // The simplex's value is optimal to its tolerances only.
  EXPECT_LE(lower, a.optimum * (1 + 1e-10));
  EXPECT_GE(upper, a.optimum * (1 - 1e-12));
  EXPECT_LE(upper - lower, 1e-9 * a.optimum);
}

// The smallest two-dimensional member, coarsely: the program on a 41 x 41
// grid is below the recorded optimum, the largest error of its x on a
// 401 x 401 grid above, and they are within 1e-3 of each other.
TEST(Families, SmallestTwoDimensionalOptimumIsBracketedByAGridProgram) {
  const MinimaxApproximation& a = minimaxApproximation("minimax2_d2");
  std::vector<double> ts;
  for (int i = 0; i <= 40; ++i)
    for (int j = 0; j <= 40; ++j) ts.insert(ts.end(), {M_PI * i / 40, M_PI * j / 40});
  std::vector<double> x;
  const double lower = gridProgram(a, ts, x);
  double upper = 0;
  for (int i = 0; i <= 400; ++i)
    for (int j = 0; j <= 400; ++j) {
      const double t[2] = {M_PI * i / 400, M_PI * j / 400};
      upper = std::max(upper, std::fabs(a.error(x, t)));
    }
  EXPECT_LE(lower, a.optimum * (1 + 1e-10));
  EXPECT_GE(upper, a.optimum);
  EXPECT_LE(upper - lower, 1e-3 * a.optimum);
}
#endif

std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream in(line);
  for (std::string f; std::getline(in, f, ',');) out.push_back(f);
  return out;
}

// sip_bench on one member with the exchange method: the families' tables
// only (no literature table is written over), the run's row with its
// relative error, and one Ipopt solve on the member's n + 1 alternation
// points, whose program has the member's optimum.
TEST(Families, BenchmarkRunnerTabulatesAMember) {
  TempDir dir;
  RunResult r = runIn(dir.path(), std::string(FAMILIES_SIP_BENCH) + " --out " + dir.path() +
                                      " --set families --problems minimax_n8 --methods exchange"
                                      " --limit 60");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fileExists(dir.file("results.csv")));
  std::stringstream csv(readFile(dir.file("families.csv")));
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(csv, line);) rows.push_back(fields(line));
  ASSERT_EQ(rows.size(), 3u);  // the header, the run, the one Ipopt solve
  EXPECT_EQ(rows[0][7], "rel_error");
  const double optimum = minimaxApproximation("minimax_n8").optimum;
  for (size_t i = 1; i < rows.size(); ++i) {
    ASSERT_GE(rows[i].size(), 13u);
    EXPECT_EQ(rows[i][0], "minimax_n8");
    EXPECT_EQ(rows[i][1], "9");
    EXPECT_EQ(strtod(rows[i][2].c_str(), nullptr), optimum);
    EXPECT_EQ(rows[i][4], "ok");
    const double objective = strtod(rows[i][6].c_str(), nullptr);
    const double relative = std::fabs(objective - optimum) / optimum;
    EXPECT_NEAR(strtod(rows[i][7].c_str(), nullptr), relative, 1e-3 * relative + 1e-300);
  }
  EXPECT_EQ(rows[1][3], "exchange");
  EXPECT_EQ(rows[2][3], "ipopt-on-active-points");
  EXPECT_LT(strtod(rows[2][7].c_str(), nullptr), 1e-6);
  const std::string md = readFile(dir.file("families.md"));
  EXPECT_NE(md.find("| minimax_n8 | 9 | 9 |"), std::string::npos) << md;  // 9 active points
}

#ifdef FAMILIES_VERIFY_OPTIMA
// verify_optima, run afresh on the smallest member, verifies it and prints
// the optimum recorded in families.cpp (the larger ones take seconds).
TEST(Families, VerifyOptimaReproducesTheRecordedOptima) {
  TempDir dir;
  RunResult r = runIn(dir.path(), std::string(FAMILIES_VERIFY_OPTIMA) + " minimax_n8");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(occurrences(r.out, "  verified, "), 1) << r.out;
  const size_t table = r.out.find("constants:");
  ASSERT_NE(table, std::string::npos);
  const size_t at = r.out.find("minimax_n8 ", table);
  ASSERT_NE(at, std::string::npos);
  const double printed = strtod(r.out.c_str() + at + strlen("minimax_n8 "), nullptr);
  EXPECT_NEAR(printed / minimaxApproximation("minimax_n8").optimum, 1.0, 1e-15);
}
#endif

}  // namespace
