// The filter benchmark's models (bench/filter_design.h) are the designs they
// claim: their constraint bodies match the weighted error computed here from
// the bands alone, and ormid's answer on them is the minimax design, by the
// alternation theorem checked on a dense grid (verify=0: the rigorous bound
// is not what is tested here, and its time budget would make the status vary).
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "bench/filter_design.h"
#include "harness.h"
#include "solution.h"

namespace {

const double PI = 3.14159265358979323846;

const filters::Design& design(const std::string& name) {
  static const std::vector<filters::Design> all = filters::catalogue();
  for (const filters::Design& d : all)
    if (d.name == name) return d;
  throw std::runtime_error("no design " + name);
}

// The type I amplitude from its definition: 1-D sum a_k cos(2 pi k f);
// 2-D sum a_{k1 k2} cos(2 pi k1 f1) cos(2 pi k2 f2), k1 major.
double amplitude(int dim, int order, const std::vector<double>& a, double f1, double f2) {
  double h = 0;
  if (dim == 1) {
    for (int k = 0; k <= order; ++k) h += a[k] * std::cos(2 * PI * k * f1);
    return h;
  }
  for (int k1 = 0; k1 <= order; ++k1)
    for (int k2 = 0; k2 <= order; ++k2)
      h += a[k1 * (order + 1) + k2] * std::cos(2 * PI * k1 * f1) * std::cos(2 * PI * k2 * f2);
  return h;
}

TEST(FilterModel, ConstraintsAreTheWeightedErrorOverEachBand) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> uniform(0, 1), coefficient(-1, 1);
  for (const char* name : {"lowpass_w10_n31", "bandpass_n31", "lowpass2d_c49_w10"}) {
    SCOPED_TRACE(name);
    const filters::Design& d = design(name);
    const nl::Model m = filters::model(d);
    const int n = d.coefficients();
    ASSERT_EQ(m.vars.size(), size_t(n + 1 + d.dim));
    ASSERT_EQ(m.cons.size(), 2 * d.bands.size());
    for (int j = 0; j < n + 1; ++j) EXPECT_EQ(m.vars[j].name[0], 'x');
    for (int j = n + 1; j < n + 1 + d.dim; ++j) EXPECT_EQ(m.vars[j].name[0], 't');
    for (int trial = 0; trial < 5; ++trial) {
      std::vector<double> values;
      for (int k = 0; k < n; ++k) values.push_back(coefficient(random));
      const double delta = uniform(random);
      values.push_back(delta);
      const double t1 = uniform(random), t2 = uniform(random);
      values.push_back(t1);
      if (d.dim == 2) values.push_back(t2);
      for (size_t b = 0; b < d.bands.size(); ++b) {
        const filters::Band& band = d.bands[b];
        const double f1 = band.lo1 + t1 * (band.hi1 - band.lo1);
        const double f2 = band.lo2 + t2 * (band.hi2 - band.lo2);
        const double error = band.weight * (amplitude(d.dim, d.order, values, f1, f2) - band.desired);
        EXPECT_NEAR(nl::evaluate(m.cons[2 * b].body, values), error - delta, 1e-11);
        EXPECT_NEAR(nl::evaluate(m.cons[2 * b + 1].body, values), -error - delta, 1e-11);
      }
    }
  }
}

struct Extremum {
  double f, error;
};

// Signed local extrema of W (H - D) on a grid of each band, bands in order.
std::vector<Extremum> extrema(const filters::Design& d, const std::vector<double>& a, int points) {
  std::vector<Extremum> out;
  for (const filters::Band& b : d.bands) {
    std::vector<Extremum> grid;
    for (int i = 0; i < points; ++i) {
      const double f = b.lo1 + (b.hi1 - b.lo1) * i / (points - 1);
      grid.push_back({f, b.weight * (amplitude(1, d.order, a, f, 0) - b.desired)});
    }
    for (int i = 0; i < points; ++i) {
      const double here = std::fabs(grid[i].error);
      if ((i == 0 || here >= std::fabs(grid[i - 1].error)) &&
          (i == points - 1 || here >= std::fabs(grid[i + 1].error)))
        out.push_back(grid[i]);
    }
  }
  return out;
}

// Sign changes + 1 among the extrema at least `level` in size.
int alternations(const std::vector<Extremum>& peaks, double level) {
  int count = 0;
  double previous = 0;
  for (const Extremum& p : peaks) {
    if (std::fabs(p.error) < level) continue;
    if (count == 0 || p.error * previous < 0) ++count;
    previous = p.error;
  }
  return count;
}

// The exchange method's answer to a design, run with `options`: solved, its
// delta the largest error on a grid of `points` per band to `excess`
// (relative) and no larger than needed, attained with alternating signs at
// M + 2 frequencies to `level`.
void expectEquioscillation(const char* name, const std::string& options, int points, double excess,
                           double level) {
  SCOPED_TRACE(name);
  const filters::Design& d = design(name);
  const nl::Model m = filters::model(d);
  TempDir dir;
  m.write(dir.file(name));
  RunResult r = runIn(dir.path(), ormidPath() + " " + name + " -AMPL method=exchange verify=0 " + options);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  ASSERT_GE(r.solveCode, 0);
  ASSERT_LT(r.solveCode, 100) << r.solMessage;
  std::vector<double> primal = solPrimals(readFile(dir.file(std::string(name) + ".sol")), (int)m.vars.size());
  const double delta = primal[d.coefficients()];
  const std::vector<Extremum> peaks = extrema(d, primal, points);
  double largest = 0;
  for (const Extremum& p : peaks) largest = std::fmax(largest, std::fabs(p.error));
  EXPECT_LE(largest, delta * (1 + excess));
  EXPECT_GE(largest, delta * (1 - 1e-5));
  EXPECT_GE(alternations(peaks, largest * (1 - level)), d.order + 2);
}

// Cosines up to degree M form a Haar system on [0, 1/2]: an answer whose
// largest error is attained with alternating signs at M + 2 frequencies is
// the unique minimax design (the alternation theorem).
TEST(FilterModel, ExchangeAnswerEquioscillatesAtTheDenseMaximum) {
  for (const char* name : {"lowpass_n21", "lowpass_w10_n31"}) expectEquioscillation(name, "", 20001, 1e-9, 1e-4);
}

// From about 200 taps the cosines on bands with gaps are so badly
// conditioned (1e14 on this design's bands) that the simplex's vertices in
// the model's own coefficients were wrong by 1e-2 to 1 between the working
// set's points; and the error of 2e-8, made of terms of size one, is known
// to about 1e-15 only, which the exchange phase chased for ever. Now the
// run is solved within a few exchange steps, nearly equioscillating: by de
// la Vallee Poussin's theorem delta is then within 1e-3 of the optimum.
TEST(FilterModel, AnIllConditionedBandpassIsSolvedAtANearlyEquioscillatingPoint) {
  expectEquioscillation("bandpass_n201", "exchange_maxit=12", 40001, 1e-6, 1e-3);
}

// A 2-D design's optimum is not unique: the simplex's vertices on a face of
// optimal points took turns at its far corners, each broken anew between
// the working set's points (the value settled by the 20th subproblem, the
// violation between 1e-3 and 0.3 until the iteration limit). Keeping to the
// face's point nearest to the last iterate, the run ends within a few
// dozen subproblems at a point whose delta bounds its error on a dense grid.
TEST(FilterModel, ATwoDimensionalDesignWithAnOptimalFaceEnds) {
  const char* name = "lowpass2d_c49";
  const filters::Design& d = design(name);
  const nl::Model m = filters::model(d);
  TempDir dir;
  m.write(dir.file(name));
  RunResult r = runIn(dir.path(), ormidPath() + " " + name + " -AMPL method=exchange verify=0 exchange_maxit=40");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  ASSERT_GE(r.solveCode, 0);
  ASSERT_LT(r.solveCode, 200) << r.solMessage;
  std::vector<double> primal = solPrimals(readFile(dir.file(std::string(name) + ".sol")), (int)m.vars.size());
  const double delta = primal[d.coefficients()];
  const int points = 201;
  double largest = 0;
  for (size_t b = 0; b < d.bands.size(); ++b)
    for (int i = 0; i < points; ++i)
      for (int k = 0; k < points; ++k) {
        const double t[2] = {i / (points - 1.0), k / (points - 1.0)};
        largest = std::fmax(largest, std::fabs(filters::weightedError(d, primal, (int)b, t)));
      }
  EXPECT_LE(largest, delta * (1 + 1e-6));
  EXPECT_GE(largest, delta * (1 - 1e-3));
}

}  // namespace
