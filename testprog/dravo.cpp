// Prints a model's SIP partition with values and derivatives at its starting
// point, so that a modeller can check what the solver will be given.
#include <cstdio>
#include <vector>

#include "ampl/ampl_model.h"
#include "ampl/partition.h"
#include "ampl/run.h"

using namespace ormid;

namespace {

typedef std::vector<double> Vec;

double request(Request code, int n, const Vec& x, const Vec& t, double* o1, double* o2 = nullptr,
               double* o3 = nullptr) {
  int errorSlot = -1;  // the library ends the run on an evaluation error, with its message
  return sipEvaluate(code, n, x.data(), t.data(), o1, o2, o3, &errorSlot, &sipPartition);
}

void printVector(const double* v, int n) {
  for (int i = 0; i < n; ++i) printf("%.10lf ", v[i]);
  printf("\n");
}

void printMatrix(const double* a, int rows, int cols) {
  for (int i = 0; i < rows; ++i) printVector(a + (long)i * cols, cols);
}

void labelled(const char* label, const double* v, int n) {
  printf("%s", label);
  printVector(v, n);
}

void skipped(const char* cls, Request code) {
  printf("Nao existem restricoes %s: pedido %d ignorado\n", cls, (int)code);
}

void printObjective(const Vec& x, const Vec& t) {
  const SipPartition& p = sipPartition;
  printf("Objective val is %lf\n", request(Request::ObjectiveValue, 0, x, t, nullptr));
  Vec g(p.nx, 0.0);
  request(Request::ObjectiveGradient, 0, x, t, g.data());
  labelled("Gradiente da f. objectivo\n", g.data(), p.nx);
  Vec h((long)p.nx * p.nx, 0.0);
  request(Request::ObjectiveHessian, 0, x, t, h.data());
  printf("Hessiana da funcao objectivo\n");
  printMatrix(h.data(), p.nx, p.nx);
}

void printConstraints(const Vec& x, const Vec& t) {
  const SipPartition& p = sipPartition;
  Vec cx(p.mx, 0.0), ct(p.mt, 0.0);
  request(Request::ConstraintValues, 0, x, t, cx.data(), ct.data());
  labelled("Vector Restricoes X\n", cx.data(), p.mx);
  labelled("Vector Restricoes T\n", ct.data(), p.mt);
  if (p.mt > 0)
    printf("Valor da primeira restricao t %lf\n", request(Request::InfiniteValue, 0, x, t, nullptr));
  else
    skipped("t", Request::InfiniteValue);

  // Request 5 fills only mx rows of the finite block; the rest show zeros.
  Vec jx((long)p.nCon * p.nx, 0.0), jt((long)p.mt * p.nt, 0.0), jtx((long)p.mt * p.nx, 0.0);
  request(Request::Jacobians, 0, x, t, jx.data(), jt.data(), jtx.data());
  printf("Jacobiano de X\n");
  printMatrix(jx.data(), p.nCon, p.nx);
  printf("Jacobiano de T\n");
  printMatrix(jt.data(), p.mt, p.nt);
}

void printFirstConstraintDerivatives(const Vec& x, const Vec& t) {
  const SipPartition& p = sipPartition;
  Vec gx(p.nx, 0.0), gt(p.nt, 0.0);
  if (p.mt > 0) {
    request(Request::InfiniteGradient, 0, x, t, gx.data(), gt.data());
    labelled("Gradiente da primeira restricao t componente x\n", gx.data(), p.nx);
    labelled("Gradiente da primeira restricao t componente t\n", gt.data(), p.nt);
  } else {
    skipped("t", Request::InfiniteGradient);
  }
  Vec hxx((long)p.nx * p.nx, 0.0);
  if (p.mx > 0) {
    request(Request::FiniteHessian, 0, x, t, hxx.data());
    printf("Hessiana da primeira restricao X\n");
    printMatrix(hxx.data(), p.nx, p.nx);
  } else {
    skipped("x", Request::FiniteHessian);
  }
  if (p.mt > 0) {
    Vec htt((long)p.nt * p.nt, 0.0), hxt((long)p.nx * p.nt, 0.0);
    request(Request::InfiniteHessian, 0, x, t, hxx.data(), htt.data(), hxt.data());
    printf("Hessiana da primeira restricao t em ordem a X\n");
    printMatrix(hxx.data(), p.nx, p.nx);
    printf("Hessiana da primeira restricao t em ordem a T\n");
    printMatrix(htt.data(), p.nt, p.nt);
  } else {
    skipped("t", Request::InfiniteHessian);
  }
}

void evaluateAtStart(double* full) {
  const SipPartition& p = sipPartition;
  Vec x(p.nx), t(p.nt);
  gatherX(full, x.data());
  gatherT(full, t.data());
  labelled("X=\n", x.data(), p.nx);
  labelled("T=\n", t.data(), p.nt);
  Vec merged(p.nVar, 0.0);
  scatterXT(x.data(), t.data(), merged.data());
  labelled("X+T=", merged.data(), p.nVar);
  printObjective(x, t);
  printConstraints(x, t);
  printFirstConstraintDerivatives(x, t);
  printf("Solver Called\n");
  amplWriteSol("End\n", full, -1);  // no solve result: dravo solves nothing
}

}  // namespace

int main(int argc, char** argv) {
  if (!startProgram(argc, argv)) return 1;
  if (openStub(argv[1]) != StubOpening::Read) {
    amplFree();
    return 1;
  }
  int n = amplVarCount();
  printf("Existem %d variaveis\n", n);
  double* full = amplX0();
  if (full) {
    printf("X0\n");
    printVector(full, n);
  } else {
    printf("Sem ponto inicial\n");
  }
  buildPartition();
  int status = 1;
  if (full) {
    evaluateAtStart(full);
    status = 0;
  }
  releasePartition();
  amplFree();
  return status;
}
