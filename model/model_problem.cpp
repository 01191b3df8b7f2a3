#include "model/model_problem.h"

#include <algorithm>
#include <cmath>

#include "verify/interval_evaluator.h"

namespace ormid {

namespace {

double graphEvaluate(Request code, int n, const double* x, const double* t, double* out1, double* out2,
                     double* out3, int* nerror, void* data) {
  double v = static_cast<GraphProblem*>(data)->evaluate(code, n, x, t, out1, out2, out3);
  if (nerror) *nerror = std::isfinite(v) ? 0 : 1;
  return std::isfinite(v) ? v : NAN;
}

bool graphBatch(int n, int count, const double* x, const double* t, double* values, void* data) {
  return static_cast<GraphProblem*>(data)->batch(n, count, x, t, values);
}

bool graphInterval(int n, const double* x, const double* tLower, const double* tUpper, double* lower,
                   double* upper, void* data) {
  return static_cast<GraphProblem*>(data)->enclose(n, x, tLower, tUpper, lower, upper);
}

// A derivative that is not finite is an evaluation error, as a value is.
double checked(double v, const double* out, long count) {
  for (long i = 0; out && i < count; ++i)
    if (!std::isfinite(out[i])) return NAN;
  return v;
}

}  // namespace

GraphProblem::GraphProblem(GraphModel model) : m_(std::move(model)) {
  if (m_.hasObjective) objective_ = GraphFunction(m_.objective, m_.nx, m_.nt);
  for (const Expression& e : m_.finite) finite_.emplace_back(e, m_.nx, m_.nt);
  for (const Expression& e : m_.infinite) infinite_.emplace_back(e, m_.nx, m_.nt);
  Problem& p = problem_;
  p.nx = m_.nx, p.nt = m_.nt, p.mx = (int)finite_.size(), p.mt = (int)infinite_.size();
  p.x0 = m_.x0.data();
  p.xl = m_.xl.data(), p.xu = m_.xu.data(), p.tl = m_.tl.data(), p.tu = m_.tu.data();
  p.cxl = m_.cxl.data(), p.cxu = m_.cxu.data(), p.ctl = m_.ctl.data(), p.ctu = m_.ctu.data();
  p.evaluate = graphEvaluate;
  p.evaluateBatch = graphBatch;
  p.evaluateInterval = graphInterval;
  p.intervalUnavailable.assign(p.mt, "");
  p.data = this;
  p.sense = m_.sense;
  p.hessians = true;
  p.objectiveName = m_.objectiveName;
  p.finiteNames = m_.finiteNames;
  p.infiniteNames = m_.infiniteNames;
}

void GraphProblem::dependencies(const GraphFunction* f, double* flags) const {
  std::fill(flags, flags + m_.nx, 0.0);
  if (f)
    for (int i : f->xDependencies()) flags[i] = 1.0;
}

void GraphProblem::hessianPattern(double* flags, bool objective) const {
  std::fill(flags, flags + (size_t)m_.nx * m_.nx, 0.0);
  auto mark = [&](const GraphFunction& f) {
    for (const auto& e : f.xHessianPairs())
      flags[(size_t)e.first * m_.nx + e.second] = flags[(size_t)e.second * m_.nx + e.first] = 1.0;
  };
  if (objective && m_.hasObjective) mark(objective_);
  for (const GraphFunction& f : finite_) mark(f);
  for (const GraphFunction& f : infinite_) mark(f);
}

double GraphProblem::evaluate(Request code, int n, const double* x, const double* t, double* out1,
                              double* out2, double* out3) {
  const int nx = m_.nx, nt = m_.nt;
  const long xx = (long)nx * nx;
  GraphFunction* f = nullptr;
  switch (code) {
    case Request::ObjectiveValue: return m_.hasObjective ? objective_.value(x, nullptr) : 0.0;
    case Request::ObjectiveGradient:
      if (!m_.hasObjective) return std::fill(out1, out1 + nx, 0.0), 0.0;
      return checked(objective_.gradient(x, nullptr, out1, nullptr), out1, nx);
    case Request::ObjectiveHessian:
      if (!m_.hasObjective) return std::fill(out1, out1 + xx, 0.0), 0.0;
      return checked(objective_.hessian(x, nullptr, out1, nullptr, nullptr), out1, xx);
    case Request::ConstraintValues: {
      double ok = 0;
      for (int k = 0; k < (int)finite_.size(); ++k) ok += 0 * (out1[k] = finite_[k].value(x, nullptr));
      for (int k = 0; k < (int)infinite_.size(); ++k) ok += 0 * (out2[k] = infinite_[k].value(x, t));
      return ok;  // NaN where any is
    }
    case Request::Jacobians: {
      const int mx = (int)finite_.size(), mt = (int)infinite_.size();
      std::vector<double> gx(nx), gt(nt);
      double ok = 0;
      for (int k = 0; k < mx; ++k) {
        ok += 0 * checked(finite_[k].gradient(x, nullptr, gx.data(), nullptr), gx.data(), nx);
        for (int i = 0; i < nx; ++i) out1[i * mx + k] = gx[i];
      }
      for (int k = 0; k < mt; ++k) {
        ok += 0 * checked(infinite_[k].gradient(x, t, gx.data(), gt.data()), gx.data(), nx);
        for (int d = 0; d < nt; ++d) out2[d * mt + k] = gt[d];
        for (int i = 0; i < nx; ++i) out3[i * mt + k] = gx[i];
      }
      return ok;
    }
    case Request::FiniteValue: return (f = finite(n)) ? f->value(x, nullptr) : NAN;
    case Request::InfiniteValue: return (f = infinite(n)) ? f->value(x, t) : NAN;
    case Request::FiniteGradient:
      return (f = finite(n)) ? checked(f->gradient(x, nullptr, out1, nullptr), out1, nx) : NAN;
    case Request::InfiniteGradient:
      return (f = infinite(n)) ? checked(checked(f->gradient(x, t, out1, out2), out1, nx), out2, out2 ? nt : 0)
                               : NAN;
    case Request::FiniteHessian:
      return (f = finite(n)) ? checked(f->hessian(x, nullptr, out1, nullptr, nullptr), out1, xx) : NAN;
    case Request::InfiniteHessian:
      return (f = infinite(n)) ? checked(f->hessian(x, t, out1, out2, out3), out1, xx) : NAN;
    case Request::FinitePattern:
      if (out1) dependencies(finite(n), out1);
      return 0.0;
    case Request::InfinitePattern:
      if (out1) dependencies(infinite(n), out1);
      return 0.0;
    case Request::HessianPattern:
      if (out1) hessianPattern(out1, true);
      return 0.0;
    case Request::ConstraintHessianPattern:
      if (out1) hessianPattern(out1, false);
      return 0.0;
  }
  return 0.0;
}

bool GraphProblem::batch(int n, int count, const double* x, const double* t, double* values) {
  GraphFunction* f = infinite(n);
  if (!f) {
    std::fill(values, values + count, NAN);
    return false;
  }
  return f->values(x, count, t, values);
}

// g_n with x fixed over the box of T: the verification's enclosure of the
// graph, in the variables of T.
bool GraphProblem::enclose(int n, const double* x, const double* tLower, const double* tUpper, double* lower,
                           double* upper) {
  GraphFunction* f = infinite(n);
  if (!f) return false;
  std::vector<Interval> vars(m_.nx + m_.nt);
  std::vector<int> box(m_.nt);
  for (int i = 0; i < m_.nx; ++i) vars[i] = Interval(x[i]);
  for (int d = 0; d < m_.nt; ++d) {
    if (!(tLower[d] <= tUpper[d])) return false;
    vars[m_.nx + d] = Interval(tLower[d], tUpper[d]);
    box[d] = m_.nx + d;
  }
  Interval g;
  if (!boxEnclosure(f->graph(), vars, box, &g)) return false;
  *lower = g.lower();
  *upper = g.upper();
  return true;
}

}  // namespace ormid
