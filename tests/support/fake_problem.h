// A problem given by C++ functions in place of an AMPL model, with a solve
// context over it, for tests of the methods and their kernels.
#pragma once

#include <memory>
#include <vector>

#include "core/function_problem.h"
#include "core/sip.h"
#include "solve/methods.h"

using namespace ormid;

struct FakeProblem;

// min -x s.t. x a(t) <= 1 on [0, 1], where a has Gaussian peaks of height 1
// at `low` and `height` at `high`: solved at x = 1 / a(high) for height > 1.
void twoPeaks(FakeProblem& f, double low, double high, double height = 1.5);

struct FakeProblem : Functions {
  // One x, t in [0, 1], one infinite constraint g = -1 <= 0, f = 0.
  FakeProblem();
  Options options;

  // Sizes the bound arrays left empty (free x, c_j and g_j <= 0), starts x at
  // x0 (zeros where not given) and makes a fresh context with the options.
  SipContext& install();
  SipContext& context() { return *context_; }
  std::vector<double>& x() { return context_->x; }  // the method's point

 private:
  std::unique_ptr<FunctionsProblem> problem_;
  std::unique_ptr<SipContext> context_;
};
