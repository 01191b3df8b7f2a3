#include "core/sip_context.h"

#include <cmath>
#include <cstdio>

#include "core/run_clock.h"
#include "core/sip.h"
#include "kernels/vector_ops.h"

namespace ormid {

SipContext::SipContext(const Problem& p, const Options& o)
    : problem(p),
      options(o),
      x(p.x0 ? std::vector<double>(p.x0, p.x0 + p.nx) : std::vector<double>(p.nx, 0.0)),
      deadline(deadlineFromNow(o.timeLimit)) {}

namespace {

// The counter of each request; derivative requests of a class count too.
long long* counterOf(Stats& s, Request code) {
  switch (code) {
    case Request::ObjectiveValue: return &s.objectiveValues;
    case Request::ObjectiveGradient: return &s.objectiveGradients;
    case Request::ObjectiveHessian: return &s.objectiveHessians;
    case Request::ConstraintValues: return &s.constraintValues;
    case Request::Jacobians: return &s.jacobians;
    case Request::FiniteValue: return &s.finiteConstraintValues;
    case Request::InfiniteValue: return &s.infiniteConstraintValues;
    case Request::FiniteGradient: return &s.finiteConstraintGradients;
    case Request::InfiniteGradient: return &s.infiniteConstraintGradients;
    case Request::FiniteHessian: return &s.finiteConstraintHessians;
    case Request::InfiniteHessian: return &s.infiniteConstraintHessians;
    default: return nullptr;
  }
}

// The methods minimise: a maximised objective reaches them negated, and
// scaled as the context says.
void scaleObjective(Request code, int nx, double factor, double& value, double* out1) {
  long count = code == Request::ObjectiveGradient ? nx : code == Request::ObjectiveHessian ? (long)nx * nx : 0;
  if (code == Request::ObjectiveValue) value *= factor;
  for (long i = 0; out1 && i < count; ++i) out1[i] *= factor;
}

const double SMALL_GRADIENT = 1e-2;

}  // namespace

double SipContext::evaluate(Request code, int n, const double* xv, const double* t, double* out1,
                            double* out2, double* out3, int* nerror) {
  if (long long* counter = counterOf(stats, code)) ++*counter;
  int error = 0;
  double v = problem.evaluate(code, n, xv, t, out1, out2, out3, &error, problem.data);
  if (error) v = NAN;
  if (nerror) *nerror = error;
  const double factor = objectiveFactor();
  if (factor != 1.0) scaleObjective(code, problem.nx, factor, v, out1);
  return v;
}

// The larger of |f| and |grad f| at x measures the objective's size: near an
// unconstrained minimiser the gradient alone would vanish.
void SipContext::scaleSmallObjective() {
  objectiveScale = 1.0;
  std::vector<double> g(problem.nx, 0.0);
  if (problem.nx > 0) evaluate(Request::ObjectiveGradient, 0, x.data(), nullptr, g.data());
  const double size = std::fmax(norm2(problem.nx, g.data()), std::fabs(evaluate(Request::ObjectiveValue, 0, x.data())));
  if (size > 0 && size < SMALL_GRADIENT) {
    objectiveScale = std::fmin(1.0 / size, LARGEST_SCALE);
    print(PrintLevel::Summary, "Objective scaled by %g\n", objectiveScale);
  }
}

}  // namespace ormid
