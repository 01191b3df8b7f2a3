#include "subproblem/ipopt_subproblem.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

#include "IpIpoptApplication.hpp"
#include "IpSolveStatistics.hpp"
#include "IpTNLP.hpp"
#include "core/run_clock.h"
#include "core/sip.h"
#include "kernels/blas_lock.h"
#include "kernels/vector_ops.h"
#include "lower_level/design_matrix.h"
#include "subproblem/linear_subproblem.h"

namespace ormid {

using namespace Ipopt;

namespace {

// Iterations in a row without progress that end a subproblem.
const int STALLED_ITERATIONS = 300;
// Rows whose multiplier is below this share of the largest leave the
// Hessian of the Lagrangian out.
const double NEGLIGIBLE_MULTIPLIER = 1e-6;
// Warm-started subproblems: the barrier parameter to start from, and the
// acceptable iterations in a row that end them.
const double WARM_MU = 1e-4;
const int WARM_ACCEPTABLE_ITERATIONS = 4;


// Values Ipopt can work with: finite, and small enough that their squares
// are (larger ones overflow inside its linear algebra, where it can loop
// without end). Anything else is an evaluation failure, and Ipopt cuts its
// step.
bool usable(long n, const double* v) {
  for (long i = 0; i < n; ++i)
    if (!(std::fabs(v[i]) <= 1e150)) return false;
  return true;
}

SubproblemStatus subproblemStatus(SolverReturn status) {
  switch (status) {
    case SUCCESS:
    case STOP_AT_ACCEPTABLE_POINT:
    case STOP_AT_TINY_STEP:
    case FEASIBLE_POINT_FOUND:
      return SUB_SOLVED;
    case LOCAL_INFEASIBILITY: return SUB_INFEASIBLE;
    case MAXITER_EXCEEDED: return SUB_LIMIT;
    case CPUTIME_EXCEEDED: return SUB_TIME_LIMIT;
    default: return SUB_FAILED;
  }
}

const char* statusText(SolverReturn status) {
  switch (status) {
    case SUCCESS: return "optimal";
    case MAXITER_EXCEEDED: return "iteration limit";
    case CPUTIME_EXCEEDED: return "time limit";
    case STOP_AT_TINY_STEP: return "tiny step";
    case STOP_AT_ACCEPTABLE_POINT: return "acceptable";
    case LOCAL_INFEASIBILITY: return "locally infeasible";
    case USER_REQUESTED_STOP: return "stopped";
    case FEASIBLE_POINT_FOUND: return "feasible point";
    case DIVERGING_ITERATES: return "diverging";
    case RESTORATION_FAILURE: return "restoration failure";
    case ERROR_IN_STEP_COMPUTATION: return "error in step computation";
    case INVALID_NUMBER_DETECTED: return "invalid number";
    case TOO_FEW_DEGREES_OF_FREEDOM: return "too few degrees of freedom";
    case INVALID_OPTION: return "invalid option";
    case OUT_OF_MEMORY: return "out of memory";
    default: return "internal error";
  }
}

// The variables each of `count` constraints depends on, from the
// evaluator's pattern request; every variable where it does not answer.
std::vector<std::vector<int>> jacobianPatterns(SipContext& c, Request code, int count) {
  const int nx = c.problem.nx;
  std::vector<std::vector<int>> vars(count);
  std::vector<double> flags(nx > 0 ? nx : 1);
  for (int j = 0; j < count; ++j) {
    std::fill(flags.begin(), flags.end(), 1.0);
    c.evaluate(code, j, c.x.data(), nullptr, flags.data());
    for (int i = 0; i < nx; ++i)
      if (flags[i] != 0) vars[j].push_back(i);
  }
  return vars;
}

// The lower triangle's entries (i >= k) where the evaluator's Hessian
// pattern allows a second derivative; all of them where it does not answer.
std::vector<std::pair<int, int>> hessianEntries(SipContext& c) {
  const int nx = c.problem.nx;
  std::vector<double> flags((long)nx * nx + 1, 1.0);
  c.evaluate(Request::HessianPattern, 0, c.x.data(), nullptr, flags.data());
  std::vector<std::pair<int, int>> entries;
  for (int i = 0; i < nx; ++i)
    for (int k = 0; k <= i; ++k)
      if (flags[(long)i * nx + k] != 0 || flags[(long)k * nx + i] != 0) entries.push_back({i, k});
  return entries;
}

// Rows: the mx finite constraints, then for each point the infinite ones it
// holds (all mt unless a mask leaves some out). Multipliers come and go in
// the full layout: finite ones, then mt for each point in order.
class Subproblem : public TNLP {
 public:
  Subproblem(SipContext& c, double* x, const PointList& points, const std::vector<double>* lambda0,
             bool exactHessian, const SubproblemScaling* scaling, const std::vector<char>* held)
      : c_(c), x_(x), start_(x, x + c.problem.nx), points_(points), lambda0_(lambda0), scaling_(scaling),
        finiteVars_(jacobianPatterns(c, Request::FinitePattern, c.problem.mx)),
        infiniteVars_(jacobianPatterns(c, Request::InfinitePattern, c.problem.mt)),
        hessianEntries_(exactHessian ? hessianEntries(c) : std::vector<std::pair<int, int>>()),
        constraintsLinear_(exactHessian && constraintsLinearInX(c.problem)) {
    const int mt = c.problem.mt;
    for (int k = 0; k < (int)points.size(); ++k)
      for (int j = 0; j < mt; ++j)
        if (!held || (size_t)(k * mt + j) >= held->size() || (*held)[k * mt + j]) infiniteRows_.push_back({k, j});
  }
  // No second derivative anywhere (asked with exact Hessians): the
  // subproblem is linear in x, its Jacobian the same at every iterate.
  bool linear() const { return hessianEntries_.empty(); }
  // Constraints linear in x (the objective may curve): a constant Jacobian,
  // and no row adds to the Hessian.
  bool constraintsLinear() const { return constraintsLinear_ || linear(); }
  SolverReturn status = UNASSIGNED;
  double objective = 0;
  bool finished = false;
  bool stalled = false;
  std::vector<double> lambda;

  bool get_nlp_info(Index& n, Index& m, Index& nnzJac, Index& nnzHes,
                    IndexStyleEnum& style) override {
    const Problem& p = c_.problem;
    n = p.nx;
    m = rows();
    nnzJac = 0;
    for (int r = 0; r < m; ++r) nnzJac += (Index)rowVars(r).size();
    nnzHes = (Index)hessianEntries_.size();
    style = C_STYLE;
    return true;
  }

  bool get_bounds_info(Index n, Number* xl, Number* xu, Index m, Number* gl,
                       Number* gu) override {
    const Problem& p = c_.problem;
    for (int i = 0; i < n; ++i) {
      xl[i] = ipoptBound(subproblemLower(p, scaling_, start_.data(), i));
      xu[i] = ipoptBound(subproblemUpper(p, scaling_, start_.data(), i));
    }
    for (int r = 0; r < m; ++r) {
      bool finite = r < p.mx;
      int j = finite ? r : infiniteRows_[r - p.mx].second;
      gl[r] = ipoptBound(finite ? p.cxl[j] : p.ctl[j]);
      gu[r] = ipoptBound(finite ? p.cxu[j] : p.ctu[j]);
    }
    return true;
  }

  bool get_starting_point(Index n, bool, Number* x, bool initZ, Number* zL, Number* zU, Index m,
                          bool initLambda, Number* lambda0) override {
    for (int i = 0; i < n; ++i) x[i] = x_[i];
    if (initZ)
      for (int i = 0; i < n; ++i) zL[i] = zU[i] = 0;
    if (initLambda)
      for (int r = 0; r < m; ++r) {
        const size_t full = fullRow(r);
        lambda0[r] = lambda0_ && full < lambda0_->size() ? (*lambda0_)[full] : 0;
      }
    return true;
  }

  // Each point's infinite constraints on their own scale (the objective's
  // factor goes through obj_scaling_factor).
  bool get_scaling_parameters(Number& objScaling, bool& useXScaling, Index, Number*,
                              bool& useGScaling, Index m, Number* gScaling) override {
    const Problem& p = c_.problem;
    objScaling = 1.0;
    useXScaling = false;
    useGScaling = scaling_ && !scaling_->infinite.empty();
    if (!useGScaling) return true;
    for (int r = 0; r < m; ++r) {
      const int j = r < p.mx ? 0 : infiniteRows_[r - p.mx].second;
      gScaling[r] = r < p.mx || j >= (int)scaling_->infinite.size() ? 1.0 : scaling_->infinite[j];
    }
    return true;
  }

  // A failed evaluation leaves NaN; returning false makes Ipopt cut its step.
  bool eval_f(Index, const Number* x, bool, Number& f) override {
    f = c_.evaluate(Request::ObjectiveValue, 0, x);
    return usable(1, &f);
  }

  bool eval_grad_f(Index n, const Number* x, bool, Number* g) override {
    c_.evaluate(Request::ObjectiveGradient, 0, x, nullptr, g);
    return usable(n, g);
  }

  bool eval_g(Index n, const Number* x, bool, Index m, Number* g) override {
    if (constraintsLinear_ && rowsAreLinear(n, x, m, g)) return usable(m, g);
    const Problem& p = c_.problem;
    for (int r = 0; r < m; ++r) {
      if (r < p.mx) {
        g[r] = c_.evaluate(Request::FiniteValue, r, x);
      } else {
        const int k = infiniteRows_[r - p.mx].first, j = infiniteRows_[r - p.mx].second;
        g[r] = c_.evaluate(Request::InfiniteValue, j, x, points_[k].data());
      }
    }
    if (!usable(m, g)) return false;
    if (constraintsLinear_) base_.assign(x, x + n), baseValues_.assign(g, g + m);
    return true;
  }

  // Each row holds the entries its constraint's pattern allows: a model whose
  // constraints each see a few variables keeps a sparse Jacobian.
  bool eval_jac_g(Index n, const Number* x, bool, Index m, Index, Index* iRow, Index* jCol,
                  Number* values) override {
    const Problem& p = c_.problem;
    long e = 0;
    if (!values) {
      for (int r = 0; r < m; ++r)
        for (int i : rowVars(r)) iRow[e] = r, jCol[e] = i, ++e;
      return true;
    }
    std::vector<double> gt(p.nt > 0 ? p.nt : 1), row(n > 0 ? n : 1);
    for (int r = 0; r < m; ++r) {
      if (r < p.mx) {
        c_.evaluate(Request::FiniteGradient, r, x, nullptr, row.data());
      } else {
        const int k = infiniteRows_[r - p.mx].first, j = infiniteRows_[r - p.mx].second;
        c_.evaluate(Request::InfiniteGradient, j, x, points_[k].data(), row.data(), gt.data());
      }
      for (int i : rowVars(r)) values[e++] = row[i];
    }
    if (!usable(e, values)) return false;
    if (constraintsLinear_) jacobian_.assign(values, values + e);
    return true;
  }

  // The lower triangle of obj_factor * H_f + sum_r lambda_r H_r, row by row.
  bool eval_h(Index n, const Number* x, bool, Number objFactor, Index m, const Number* lambda, bool,
              Index, Index* iRow, Index* jCol, Number* values) override {
    if (!values) {
      for (size_t e = 0; e < hessianEntries_.size(); ++e)
        iRow[e] = hessianEntries_[e].first, jCol[e] = hessianEntries_[e].second;
      return true;
    }
    // A model without second derivatives in x (linear in x at every t)
    // asks for none.
    if (hessianEntries_.empty()) return true;
    const Problem& p = c_.problem;
    std::vector<double> sum((long)n * n, 0.0), h((long)n * n), htt(p.nt * p.nt + 1), hxt(n * p.nt + 1);
    auto add = [&](double weight) {
      for (long e = 0; e < (long)n * n; ++e) sum[e] += weight * h[e];
    };
    if (objFactor != 0) {
      c_.evaluate(Request::ObjectiveHessian, 0, x, nullptr, h.data());
      add(objFactor);
    }
    if (constraintsLinear_) m = 0;
    // An interior point method gives every row a multiplier; rows whose
    // multiplier is negligible next to the largest add nothing the step
    // can see, and each costs a Hessian evaluation.
    double largest = 0;
    for (int r = 0; r < m; ++r) largest = std::max(largest, std::fabs(lambda[r]));
    for (int r = 0; r < m; ++r) {
      if (!(std::fabs(lambda[r]) > NEGLIGIBLE_MULTIPLIER * largest)) continue;
      if (r < p.mx) {
        c_.evaluate(Request::FiniteHessian, r, x, nullptr, h.data());
      } else {
        const int k = infiniteRows_[r - p.mx].first, j = infiniteRows_[r - p.mx].second;
        c_.evaluate(Request::InfiniteHessian, j, x, points_[k].data(), h.data(), htt.data(), hxt.data());
      }
      add(lambda[r]);
    }
    for (size_t e = 0; e < hessianEntries_.size(); ++e)
      values[e] = sum[(long)hessianEntries_[e].first * n + hessianEntries_[e].second];
    return usable((long)hessianEntries_.size(), values);
  }

  // Ipopt's own clock counts the whole process's CPU time: the run's wall
  // clock is checked here, once an iteration. An iteration that lowers
  // neither the objective nor the larger infeasibility is no progress; many
  // in a row (Ipopt stuck at a pole of the objective, say) end the solve.
  bool intermediate_callback(AlgorithmMode, Index iter, Number objective, Number primal,
                             Number dual, Number, Number, Number, Number, Number, Index,
                             const IpoptData*, IpoptCalculatedQuantities*) override {
    const double error = std::max(primal, dual);
    if (iter == 0 || objective < progressObjective_ - 1e-12 * std::max(1.0, std::fabs(progressObjective_)) ||
        error < 0.5 * progressError_) {
      progressObjective_ = std::min(objective, iter == 0 ? objective : progressObjective_);
      progressError_ = std::min(error, iter == 0 ? error : progressError_);
      progressIteration_ = iter;
    }
    if (iter - progressIteration_ > STALLED_ITERATIONS) stalled = true;
    return !stalled && !timeIsUp(c_);
  }

  void finalize_solution(SolverReturn s, Index n, const Number* x, const Number*, const Number*,
                         Index m, const Number*, const Number* rowMultipliers, Number obj,
                         const IpoptData*, IpoptCalculatedQuantities*) override {
    lambda.assign(c_.problem.mx + (size_t)c_.problem.mt * points_.size(), 0.0);
    for (int r = 0; r < m; ++r) lambda[fullRow(r)] = rowMultipliers[r];
    status = s;
    objective = obj;
    finished = true;
    for (int i = 0; i < n; ++i) x_[i] = x[i];
  }

 private:
  int rows() const { return c_.problem.mx + (int)infiniteRows_.size(); }
  // Row r's place in the full layout.
  size_t fullRow(int r) const {
    const Problem& p = c_.problem;
    if (r < p.mx) return r;
    const std::pair<int, int>& kj = infiniteRows_[r - p.mx];
    return p.mx + (size_t)kj.first * p.mt + kj.second;
  }
  SipContext& c_;
  double* x_;
  const std::vector<double> start_;  // where the trust region is centred
  PointList points_;
  const std::vector<double>* lambda0_;
  const SubproblemScaling* scaling_;
  double progressObjective_ = HUGE_VAL, progressError_ = HUGE_VAL;
  Index progressIteration_ = 0;
  // The variables each finite and each infinite constraint depends on.
  std::vector<std::vector<int>> finiteVars_, infiniteVars_;
  std::vector<std::pair<int, int>> hessianEntries_;  // the lower triangle's, in Ipopt's order
  bool constraintsLinear_;
  // Rows linear in x: their values at one point and the Jacobian give them
  // everywhere, g(x) = g(base) + J (x - base), without the model.
  std::vector<double> jacobian_, base_, baseValues_;

  bool rowsAreLinear(Index n, const Number* x, Index m, Number* g) {
    if (jacobian_.empty() || baseValues_.size() != (size_t)m || base_.size() != (size_t)n) return false;
    long e = 0;
    for (int r = 0; r < m; ++r) {
      double v = baseValues_[r];
      for (int i : rowVars(r)) v += jacobian_[e++] * (x[i] - base_[i]);
      g[r] = v;
    }
    return true;
  }
  std::vector<std::pair<int, int>> infiniteRows_;    // (point, constraint) of each infinite row

  const std::vector<int>& rowVars(int r) const {
    const Problem& p = c_.problem;
    return r < p.mx ? finiteVars_[r] : infiniteVars_[infiniteRows_[r - p.mx].second];
  }
};

// Ipopt's tolerances are absolute: an objective whose gradient is small at
// the start (an objective near 1e-6, say) is scaled up to a gradient of
// about 1, so that its optimum is not within tolerance everywhere.
double objectiveScaling(SipContext& c, const double* x) {
  std::vector<double> g(c.problem.nx > 0 ? c.problem.nx : 1, 0.0);
  c.evaluate(Request::ObjectiveGradient, 0, x, nullptr, g.data());
  double largest = 0;
  for (int i = 0; i < c.problem.nx; ++i) largest = std::max(largest, std::fabs(g[i]));
  if (!(largest > 0) || !(largest < 1) || !std::isfinite(largest)) return 1.0;
  return std::min(1.0 / largest, LARGEST_SCALE);
}

SmartPtr<IpoptApplication> quietApplication(const SipContext& c, bool warm, bool exact, bool constantJacobian,
                                            bool linear, bool workingSet, double objectiveScale,
                                            const SubproblemScaling* scaling) {
  SmartPtr<IpoptApplication> app = IpoptApplicationFactory();
  SmartPtr<OptionsList> o = app->Options();
  o->SetStringValue("sb", "yes");
  o->SetIntegerValue("print_level", 0);
  o->SetIntegerValue("max_iter", std::max(0, c.options.maxNlpIterations));
  // Ipopt's clock is the process's CPU time, which other threads' solves
  // advance too: its limit is a backstop that cannot come before the wall
  // clock's, which intermediate_callback checks.
  double left = secondsLeft(c);
  if (std::isfinite(left))
    o->SetNumericValue("max_cpu_time", std::max(left, 1e-3) * std::max(1u, std::thread::hardware_concurrency()));
  o->SetStringValue("hessian_approximation", exact ? "exact" : "limited-memory");
  if (constantJacobian) {
    // Ipopt evaluates the Jacobian once a solve (each costs a gradient of
    // every row: a tenth of the run at 129 variables).
    o->SetStringValue("jac_c_constant", "yes");
    o->SetStringValue("jac_d_constant", "yes");
  }
  if (linear) o->SetStringValue("hessian_constant", "yes");
  o->SetNumericValue("obj_scaling_factor", objectiveScale);
  if (scaling && !scaling->infinite.empty()) o->SetStringValue("nlp_scaling_method", "user-scaling");
  if (scaling && scaling->tolerance > 0) o->SetNumericValue("tol", scaling->tolerance);
  o->SetNumericValue("bound_relax_factor", 0.0);
  o->SetIntegerValue("mumps_pivot_order", 6);
  // The exchange method's working sets: hundreds of dense rows, on which the
  // maximum-matching permutation and scaling of each matrix cost a third of
  // the factorisation (Ipopt's own scaling and inertia correction keep the
  // pivots sound). The discretisations keep the default.
  if (workingSet) o->SetIntegerValue("mumps_permuting_scaling", 0);
  if (warm) {
    o->SetStringValue("warm_start_init_point", "yes");
    o->SetNumericValue("warm_start_bound_push", 1e-9);
    o->SetNumericValue("warm_start_mult_bound_push", 1e-9);
    // From the last solution a barrier as large as a cold start's (0.1)
    // first pushes the iterates away from it.
    o->SetNumericValue("mu_init", WARM_MU);
    // On a working set of hundreds of points the scaled dual infeasibility
    // can stall at its rounding level just above tol; Ipopt then spends
    // acceptable_iter more iterations before it takes the acceptable point.
    // The exchange phase needs no more (its last subproblem, solved to a
    // tolerance of its own, keeps the default).
    if (!(scaling && scaling->tolerance > 0)) o->SetIntegerValue("acceptable_iter", WARM_ACCEPTABLE_ITERATIONS);
  }
  return app;
}

}  // namespace

const double IPOPT_INFINITY = 1e19;

double ipoptBound(double bound) {
  if (isMinusInfinity(bound)) return -IPOPT_INFINITY;
  if (isPlusInfinity(bound)) return IPOPT_INFINITY;
  return bound;
}

namespace {

// A result that leaves x as it was.
SubproblemResult notSolved(SipContext& c, const double* x, SubproblemStatus status,
                           const char* text) {
  SubproblemResult r;
  r.objective = c.evaluate(Request::ObjectiveValue, 0, x);
  r.status = status;
  r.text = text;
  c.print(PrintLevel::Iterations, "Ipopt: %s, 0 iterations, objective %.10e\n", text, c.modelObjective(r.objective));
  return r;
}

}  // namespace

bool subproblemTooLarge(const SipContext& c, long points) {
  const Problem& p = c.problem;
  long rows = p.mx + (long)p.mt * points;
  if (rows <= SUBPROBLEM_MAX_ROWS && rows * p.nx <= SUBPROBLEM_MAX_JACOBIAN) return false;
  c.print(PrintLevel::Summary, "A subproblem with %ld constraints in %d variables is more than a run solves\n", rows,
         p.nx);
  return true;
}

SubproblemResult IpoptSubproblemSolver::solve(SipContext& c, double* x, const PointSet& points) {
  if (subproblemTooLarge(c, points.count())) return notSolved(c, x, SUB_TOO_LARGE, "too large");
  PointList list;
  points.forEach([&](const GridPoint& p) { list.push_back(p.t); });
  return solveOn(c, x, list, nullptr);
}

namespace {

bool everyVariableFixed(const Problem& p) {
  for (int i = 0; i < p.nx; ++i)
    if (!(p.xl[i] == p.xu[i])) return false;
  return true;
}

bool within(double v, double lower, double upper) {
  const double tol = 1e-8;
  if (!std::isfinite(v)) return false;
  if (!isMinusInfinity(lower) && v < lower - tol * std::max(1.0, std::fabs(lower))) return false;
  return isPlusInfinity(upper) || v <= upper + tol * std::max(1.0, std::fabs(upper));
}

// Nothing to optimise (Ipopt is not called without a free variable): the
// fixed point is the answer, feasible or not.
SubproblemResult fixedPoint(SipContext& c, double* x, const PointList& points) {
  const Problem& p = c.problem;
  for (int i = 0; i < p.nx; ++i) x[i] = p.xl[i];
  bool feasible = true, defined = true;
  for (int k = 0; k < p.mx; ++k) {
    double v = c.evaluate(Request::FiniteValue, k, x);
    defined = defined && std::isfinite(v);
    feasible = feasible && within(v, p.cxl[k], p.cxu[k]);
  }
  for (const std::vector<double>& t : points)
    for (int j = 0; j < p.mt; ++j) {
      double v = c.evaluate(Request::InfiniteValue, j, x, t.data());
      defined = defined && std::isfinite(v);
      feasible = feasible && within(v, p.ctl[j], p.ctu[j]);
    }
  SubproblemStatus status = !defined ? SUB_FAILED : feasible ? SUB_SOLVED : SUB_INFEASIBLE;
  return notSolved(c, x, status, !defined ? "invalid number" : feasible ? "fixed" : "fixed, infeasible");
}

}  // namespace

SubproblemResult IpoptSubproblemSolver::solveOn(SipContext& c, double* x, const PointList& points,
                                                const std::vector<double>* lambda0,
                                                const SubproblemScaling* scaling,
                                                const std::vector<char>* held) {
  if (subproblemTooLarge(c, (long)points.size())) return notSolved(c, x, SUB_TOO_LARGE, "too large");
  if (timeIsUp(c)) return notSolved(c, x, SUB_TIME_LIMIT, "time limit");
  if (everyVariableFixed(c.problem)) return fixedPoint(c, x, points);
  // A linear program: the simplex's vertex.
  // Whether the problem is linear in x is asked once a solver: the pattern
  // has nx^2 entries.
  if (exactHessian_ && linearProgram_ < 0) linearProgram_ = problemLinearInX(c.problem);
  if (exactHessian_ && linearProgram_ == 1) return solveLinearSubproblem(c, x, points, held, lambda0, scaling);
  // Ipopt and MUMPS call BLAS all through a solve: one Ipopt subproblem at
  // a time in a process (kernels/blas_lock.h). The time left is counted
  // once the turn has come.
  const std::lock_guard<std::mutex> turn(blasLock());
  if (timeIsUp(c)) return notSolved(c, x, SUB_TIME_LIMIT, "time limit");
  const bool exact = exactHessian_ && c.problem.hessians;
  SmartPtr<Subproblem> problem = new Subproblem(c, x, points, lambda0, exact, scaling, held);
  double objectiveScale = objectiveScaling(c, x);
  if (scaling) objectiveScale = std::max(objectiveScale, scaling->objective);
  int iterations = 0;
  try {
    SmartPtr<IpoptApplication> app =
        quietApplication(c, lambda0 != nullptr, exact, exact && problem->constraintsLinear(),
                         exact && problem->linear(), exactHessian_,
                         objectiveScale, scaling);
    if (divergenceBound_ > 0) app->Options()->SetNumericValue("diverging_iterates_tol", divergenceBound_);
    // An empty file name: a stray ipopt.opt in the working directory is not read.
    if (app->Initialize("") != Solve_Succeeded) {
      c.print(PrintLevel::Summary, "Ipopt could not be initialised\n");
    } else {
      app->OptimizeTNLP(GetRawPtr(problem));
      if (IsValid(app->Statistics())) iterations = app->Statistics()->IterationCount();
    }
  } catch (...) {
    c.print(PrintLevel::Summary, "Ipopt stopped with an exception\n");
  }
  ++c.stats.subproblems;
  c.stats.subproblemIterations += iterations;
  SubproblemResult r;
  r.objective = problem->finished ? problem->objective
                                  : c.evaluate(Request::ObjectiveValue, 0, x);
  r.status = problem->finished ? subproblemStatus(problem->status) : SUB_FAILED;
  r.text = problem->finished ? statusText(problem->status) : "no solution";
  if (problem->finished && problem->status == USER_REQUESTED_STOP && timeIsUp(c))
    r.status = SUB_TIME_LIMIT, r.text = statusText(CPUTIME_EXCEEDED);
  if (problem->stalled && r.status != SUB_TIME_LIMIT) r.status = SUB_FAILED, r.text = "no progress";
  r.lambda = problem->lambda;
  c.print(PrintLevel::Iterations, "Ipopt: %s, %d iterations, objective %.10e\n", r.text.c_str(), iterations,
         c.modelObjective(r.objective));
  return r;
}

}  // namespace ormid
