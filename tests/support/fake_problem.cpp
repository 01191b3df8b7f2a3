#include "fake_problem.h"

FakeProblem::FakeProblem() {
  mt = 1;
  tl = {0.0};
  tu = {1.0};
  f = [](const double*) { return 0.0; };
  gradF = [this](const double*, double* gr) { for (int i = 0; i < nx; ++i) gr[i] = 0; };
  g = [](int, const double*, const double*) { return -1.0; };
  gradG = [this](int, const double*, const double*, double* gx, double* gt) {
    for (int i = 0; i < nx; ++i) gx[i] = 0;
    for (int i = 0; i < nt; ++i) gt[i] = 0;
  };
}

SipContext& FakeProblem::install() {
  x0.resize(nx, 0.0);
  problem_ = problem();
  context_.reset(new SipContext(problem_, options));
  return *context_;
}
