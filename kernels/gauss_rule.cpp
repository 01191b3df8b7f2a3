// Fixed Gauss-Legendre rules with 6, 8 and 16 points on [-1, 1].
#include <cstdio>
#include <vector>

#include "kernels/quadrature.h"
#include "kernels/vector_ops.h"

namespace ormid {

namespace {

const double nodes6[6] = {-0.93246951420315205, -0.66120938646626448, -0.23861918608319693,
                          0.23861918608319693,  0.66120938646626448,  0.93246951420315205};
const double weights6[6] = {0.17132449237916975, 0.36076157304813894, 0.46791393457269137,
                            0.46791393457269137, 0.36076157304813894, 0.17132449237916975};
const double nodes8[8] = {-0.96028985649753618, -0.79666647741362673, -0.52553240991632899,
                          -0.18343464249564978, 0.18343464249564978,  0.52553240991632899,
                          0.79666647741362673,  0.96028985649753618};
const double weights8[8] = {0.10122853629037669, 0.22238103445337434, 0.31370664587788705,
                            0.36268378337836177, 0.36268378337836177, 0.31370664587788705,
                            0.22238103445337434, 0.10122853629037669};
const double nodes16[16] = {
    -0.98940093499164994, -0.9445750230732326,   -0.86563120238783176, -0.755404408355003,
    -0.61787624440264377, -0.45801677765722737,  -0.28160355077925892, -0.095012509837637454,
    0.095012509837637454, 0.28160355077925892,   0.45801677765722737,  0.61787624440264377,
    0.755404408355003,    0.86563120238783176,   0.9445750230732326,   0.98940093499164994};
const double weights16[16] = {
    0.027152459411754037, 0.062253523938647706, 0.095158511682492591, 0.12462897125553403,
    0.14959598881657676,  0.16915651939500262,  0.18260341504492361,  0.18945061045506859,
    0.18945061045506859,  0.18260341504492361,  0.16915651939500262,  0.14959598881657676,
    0.12462897125553403,  0.095158511682492591, 0.062253523938647706, 0.027152459411754037};

void selectRule(const Trace& invalidRule, int n, const double** nodes, const double** weights, int* points) {
  switch (n) {
    case 6:
      *nodes = nodes6, *weights = weights6, *points = 6;
      return;
    case 8:
      *nodes = nodes8, *weights = weights8, *points = 8;
      return;
    case 16:
      break;
    default:
      traceLine(invalidRule, "Invalid number of points in gaussian formula\nUsing 16 points\n");
  }
  *nodes = nodes16, *weights = weights16, *points = 16;
}

}  // namespace

double gaussRule(const Quadrature& q, double a, double b, double* violation, double* grad) {
  const double *nodes, *weights;
  int points;
  selectRule(q.invalidRule, q.intervals, &nodes, &weights, &points);
  const double r = (b - a) / 2, mid = (a + b) / 2;
  std::vector<double> g(q.wantGrad ? q.nx : 0);
  double integral = 0;
  *violation = 0;
  if (q.wantGrad)
    for (int i = 0; i < q.nx; ++i) grad[i] = 0;
  for (int k = 0; k < points; ++k) {
    --q.pointsLeft;
    double f = q.phi(r * nodes[k] + mid, q.wantGrad, g.data());
    integral += weights[k] * r * f;
    *violation += weights[k] * r * (r * f > 0 ? 1 : 0);
    if (q.wantGrad)
      for (int i = 0; i < q.nx; ++i) grad[i] += weights[k] * r * g[i];
  }
  return integral;
}

}  // namespace ormid
