#include "fixtures.h"

#include <string>

using namespace nl;

Model smallSipModel() {
  Model m;
  Expr x1 = var(m.addVar("x1", -INF, INF, 1.0));
  Expr t = var(m.addVar("t", 0.0, 1.0, 0.5));
  Expr x2 = var(m.addVar("x2", -INF, INF, 2.0));
  m.minimize(x1 * x1 + x2 * x2 + t);
  m.addCon("tcon", x1 * t + x2 * t * t - sin(t), -INF, 0.0);
  m.addCon("c1", x1 * x2, 1.0, INF);
  return m;
}

Model interleavedModel() {
  Model m;
  Expr x1 = var(m.addVar("x1", -INF, INF, 0.7));
  Expr ta = var(m.addVar("ta", -1.0, 1.0, 0.3));
  Expr x2 = var(m.addVar("x2", -2.0, 5.0, -1.2));
  Expr tb = var(m.addVar("tb", 0.0, 2.0, 1.1));
  Expr x3 = var(m.addVar("x3", -INF, 3.0, 0.4));
  m.minimize(x1 * x1 * x2 + exp(x3) + ta * x1);
  m.addCon("c1", x1 * x2 + x3 * x3 * x3, -INF, 4.0);
  m.addCon("tg1", x1 * ta * ta + sin(x2 * tb) - x3 * tb, -INF, 0.5);
  m.addCon("c2", exp(x1 + x2) - x3, 0.0, 10.0);
  m.addCon("tg2", cos(ta * tb) * x2 + x1 * x3 * tb * tb, -INF, 1.0);
  return m;
}

nl::Model peakModel(int nt, double sharpness) {
  nl::Model m;
  nl::Expr x = nl::var(m.addVar("x", 0, 10, 0.5));
  nl::Expr r2 = nl::num(0);
  for (int d = 0; d < nt; ++d) {
    nl::Expr t = nl::var(m.addVar("t" + std::to_string(d), 0, 1, 0));
    r2 = r2 + (t - 0.51234567) * (t - 0.51234567);
  }
  m.addCon("tpeak", x * (0.5 + 0.5 * nl::exp(-(r2 * sharpness))), -nl::INF, 1.0);
  m.minimize(-x);
  return m;
}
