// A dense linear program with few variables and many inequalities, solved
// by the dual simplex method in its active-set form: a basis of n
// inequalities holds x at a vertex whose multipliers are non-negative, and
// each pivot brings in the most violated inequality (C. E. Lemke, "The dual
// method of solving the linear programming problem", Naval Research
// Logistics Quarterly 1 (1954); R. Fletcher, "Practical Methods of
// Optimization", 2nd ed., Wiley 1987, section 8.4). A free variable starts
// against an artificial bound far from the start point; an answer that
// still leans on one is unbounded for our purpose.
#pragma once

#include <functional>
#include <vector>

namespace ormid {

// min c'x subject to G x <= h: G is m x n, row-major.
struct LinearProgram {
  int n = 0;
  std::vector<double> c, G, h;
  int rows() const { return n > 0 ? (int)(h.size()) : 0; }
};

enum class LpStatus { Optimal, Infeasible, Unbounded, PivotLimit, Singular };

struct LpSolution {
  LpStatus status = LpStatus::Singular;
  std::vector<double> x;       // n: the last vertex
  std::vector<double> lambda;  // m: the inequalities' multipliers (>= 0), c + G' lambda = 0
  std::vector<int> basis;      // the n rows of G that hold the vertex (where none is a box bound)
  int pivots = 0;
};

// From `start` (n rows of G, the last program's optimal basis: adding rows
// keeps it dual feasible) where it is a basis whose multipliers are
// non-negative, else from the vertex of the box |x_i - centre_i| <= reach_i
// that minimises c'x; at most maxPivots pivots, and none once `stop` (when
// given, asked every few pivots) says so: PivotLimit then.
LpSolution dualSimplex(const LinearProgram& lp, const std::vector<double>& centre,
                       const std::vector<double>& reach, int maxPivots,
                       const std::vector<int>* start = nullptr,
                       const std::function<bool()>& stop = nullptr);

}  // namespace ormid
