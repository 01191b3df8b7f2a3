// A problem given by C++ functions in place of an AMPL model, installed as
// the process-wide problem record for tests of the methods.
#pragma once

#include <functional>
#include <vector>

#include "sip.h"

struct FakeProblem {
  typedef std::vector<double> Vec;
  int nx = 1, nt = 1, mx = 0, mt = 1;
  Vec x0, xl, xu, tl{0.0}, tu{1.0}, cxl, cxu, ctl, ctu;
  std::function<double(const double* x)> f;
  std::function<void(const double* x, double* g)> gradF;
  // Infinite constraint j at (x, t) and its gradients in x and t.
  std::function<double(int j, const double* x, const double* t)> g;
  std::function<void(int j, const double* x, const double* t, double* gx, double* gt)> gradG;
  // Finite constraint j and its gradient.
  std::function<double(int j, const double* x)> c;
  std::function<void(int j, const double* x, double* gx)> gradC;

  FakeProblem();
  ~FakeProblem();
  // Sizes the bound arrays left empty (free x, c_j and g_j <= 0) and
  // installs the record.
  void install();
};
