#include "sip_context.h"

#include <cmath>
#include <cstdio>

#include "run_clock.h"
#include "vector_ops.h"

SipContext::SipContext(const SipProblem& p, const SipOptions& o)
    : problem(p),
      options(o),
      x(p.x0 ? std::vector<double>(p.x0, p.x0 + p.nx) : std::vector<double>(p.nx, 0.0)),
      deadline(deadlineFromNow(o.time_limit)),
      pfEps(o.pf_eps),
      intTau(o.int_tau) {}

namespace {

// The counter of each request; derivative requests of a class count too.
int* counterOf(SipStats& s, int code) {
  switch (code) {
    case REQ_OBJVAL: return &s.objval;
    case REQ_OBJGRD: return &s.objgrd;
    case REQ_OBJHES: return &s.objhes;
    case REQ_CONVAL: return &s.conval;
    case REQ_JACVAL: return &s.jacval;
    case REQ_CONXVAL: return &s.conxval;
    case REQ_CONTVAL: return &s.contval;
    case REQ_CONXGRD: return &s.conxgrd;
    case REQ_CONTGRD: return &s.contgrd;
    case REQ_CONXHES: return &s.conxhes;
    case REQ_CONTHES: return &s.conthes;
    default: return nullptr;
  }
}

// The methods minimise: a maximised objective reaches them negated, and
// scaled as the context says.
void scaleObjective(int code, int nx, double factor, double& value, double* out1) {
  long count = code == REQ_OBJGRD ? nx : code == REQ_OBJHES ? (long)nx * nx : 0;
  if (code == REQ_OBJVAL) value *= factor;
  for (long i = 0; out1 && i < count; ++i) out1[i] *= factor;
}

const double SMALL_GRADIENT = 1e-2;
const double LARGEST_SCALE = 1e8;  // a start at a stationary point is no measure

}  // namespace

double SipContext::evaluate(int code, int n, const double* xv, const double* t, double* out1,
                            double* out2, double* out3, int* nerror) {
  if (int* counter = counterOf(stats, code)) ++*counter;
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
  if (problem.nx > 0) evaluate(REQ_OBJGRD, 0, x.data(), nullptr, g.data());
  const double size = std::fmax(norm2(problem.nx, g.data()), std::fabs(evaluate(REQ_OBJVAL, 0, x.data())));
  if (size > 0 && size < SMALL_GRADIENT) {
    objectiveScale = std::fmin(1.0 / size, LARGEST_SCALE);
    printf("Objective scaled by %g\n", objectiveScale);
  }
}
