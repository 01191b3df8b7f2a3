#include "fake_problem.h"

#include <cmath>

using namespace ormid;

// The tests read what the methods print: everything is printed.
FakeProblem::FakeProblem() {
  options.printLevel = PrintLevel::Details;
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
  problem_.reset(new FunctionsProblem(*this));
  context_.reset(new SipContext(problem_->problem, options));
  return *context_;
}

void twoPeaks(FakeProblem& f, double low, double high, double height) {
  auto a = [low, high, height](double t) {
    return std::exp(-50 * (t - low) * (t - low)) + height * std::exp(-50 * (t - high) * (t - high));
  };
  auto slope = [low, high, height](double t) {
    return -100 * (t - low) * std::exp(-50 * (t - low) * (t - low)) -
           100 * height * (t - high) * std::exp(-50 * (t - high) * (t - high));
  };
  f.f = [](const double* x) { return -x[0]; };
  f.gradF = [](const double*, double* g) { g[0] = -1; };
  f.g = [a](int, const double* x, const double* t) { return x[0] * a(t[0]) - 1; };
  f.gradG = [a, slope](int, const double* x, const double* t, double* gx, double* gt) {
    gx[0] = a(t[0]);
    gt[0] = x[0] * slope(t[0]);
  };
}
