// The evaluation callback over the AMPL model: scatter (x, t) into AMPL
// order, call the library, gather the wanted entries back into the split
// form. The partition comes in as the callback's user data.
#include <algorithm>
#include <cmath>
#include <vector>

#include "ampl/ampl_model.h"
#include "ampl/partition.h"
#include "core/sip.h"

namespace ormid {

namespace {

typedef std::vector<double> Vec;

// AMPL index of member n of a class; member 0 stands in for an index out of
// range, -1 means the class is empty.
int memberIndex(const std::vector<int>& members, int n) {
  if (members.empty()) return -1;
  if (n < 0 || n >= (int)members.size()) return members[0];
  return members[n];
}

Vec fullPoint(const SipPartition& p, const double* x, const double* t) {
  Vec full(p.nVar, 0.0);
  Vec zeros(p.nt, 0.0);
  scatterXT(p, x, t ? t : zeros.data(), full.data());
  return full;
}

// A model without objective (a feasibility problem) has f = 0.
bool hasObjective() { return amplObjectiveCount() > 0; }

double objectiveValue(const SipPartition& p, const double* x, int* nerror) {
  Vec full = fullPoint(p, x, nullptr);
  double f = hasObjective() ? amplObjval(full.data(), nerror) : 0.0;
  return f;
}

// The library checks derivative errors (sqrt'(0), say) only after a value
// at the same point; a gradient at a new point would end the process on
// them. So each derivative request evaluates the value first and stops
// there when it fails.
void objectiveGradient(const SipPartition& p, const double* x, double* gx, int* nerror) {
  Vec full = fullPoint(p, x, nullptr);
  Vec g(p.nVar, 0.0);
  if (hasObjective()) {
    amplObjval(full.data(), nerror);
    if (*nerror > 0) return;
    amplObjgrd(full.data(), g.data(), nerror);
  }
  gatherX(p, g.data(), gx);
}

// x-x (and, when asked, t-t and mixed) blocks of a full Hessian.
void hessianBlocks(const SipPartition& p, const Vec& h, double* hxx, double* htt, double* hxt) {
  const int n = p.nVar;
  for (int i = 0; i < p.nx; ++i)
    for (int j = 0; j < p.nx; ++j) hxx[i * p.nx + j] = h[(long)p.xIndex[i] * n + p.xIndex[j]];
  if (htt)
    for (int i = 0; i < p.nt; ++i)
      for (int j = 0; j < p.nt; ++j)
        htt[i * p.nt + j] = h[(long)p.tIndex[i] * n + p.tIndex[j]];
  if (hxt)
    for (int i = 0; i < p.nx; ++i)
      for (int j = 0; j < p.nt; ++j)
        hxt[i * p.nt + j] = h[(long)p.xIndex[i] * n + p.tIndex[j]];
}

// Hessians are taken where the values were last evaluated; with x given
// the values are evaluated there first, and a failure stops the request
// (the library's Hessian would otherwise meet the error unguarded).
void objectiveHessian(const SipPartition& p, const double* x, double* hxx, int* nerror) {
  const int n = p.nVar;
  Vec h((long)n * n, 0.0);
  if (hasObjective()) {
    if (x) amplObjval(fullPoint(p, x, nullptr).data(), nerror);
    if (*nerror > 0) return;
    if (!amplFullhes(h.data(), n, 0, nullptr, nullptr, *nerror >= 0)) {
      *nerror = 1;
      return;
    }
  }
  hessianBlocks(p, h, hxx, nullptr, nullptr);
}

void constraintValues(const SipPartition& p, const double* x, const double* t, double* cx,
                      double* ct, int* nerror) {
  Vec full = fullPoint(p, x, t);
  Vec c(p.nCon, 0.0);
  amplConval(full.data(), c.data(), nerror);
  for (int k = 0; k < p.mx; ++k) cx[k] = c[p.cxIndex[k]];
  for (int k = 0; k < p.mt; ++k) ct[k] = c[p.ctIndex[k]];
}

void jacobianBlocks(const SipPartition& p, const double* x, const double* t, double* cxx,
                    double* gtt, double* gtx, int* nerror) {
  const int m = p.nCon;
  Vec full = fullPoint(p, x, t);
  Vec jac((long)m * p.nVar, 0.0), c(m, 0.0);
  amplConval(full.data(), c.data(), nerror);
  if (*nerror > 0) return;
  amplJacval(full.data(), jac.data(), nerror);
  auto at = [&](int con, int var) { return jac[con + (long)m * var]; };
  for (int i = 0; i < p.nx; ++i)
    for (int j = 0; j < p.mx; ++j) cxx[i * p.mx + j] = at(p.cxIndex[j], p.xIndex[i]);
  for (int i = 0; i < p.nt; ++i)
    for (int j = 0; j < p.mt; ++j) gtt[i * p.mt + j] = at(p.ctIndex[j], p.tIndex[i]);
  for (int i = 0; i < p.nx; ++i)
    for (int j = 0; j < p.mt; ++j) gtx[i * p.mt + j] = at(p.ctIndex[j], p.xIndex[i]);
}

double constraintValue(const SipPartition& p, int con, const double* x, const double* t, int* nerror) {
  Vec full = fullPoint(p, x, t);
  return amplConival(con, full.data(), nerror);
}

void constraintGradient(const SipPartition& p, int con, const double* x, const double* t, double* gx, double* gt,
                        int* nerror) {
  Vec full = fullPoint(p, x, t);
  Vec g(p.nVar, 0.0);  // the library writes only the entries it uses
  amplConival(con, full.data(), nerror);
  if (*nerror > 0) return;
  amplCongrd(con, full.data(), g.data(), nerror);
  gatherX(p, g.data(), gx);
  if (gt) gatherT(p, g.data(), gt);
}

void constraintHessian(const SipPartition& p, int con, const double* x, const double* t,
                       double* hxx, double* htt, double* hxt, int* nerror) {
  const int n = p.nVar;
  Vec h((long)n * n, 0.0);
  Vec y(p.nCon, 0.0);
  if (x) amplConval(fullPoint(p, x, t).data(), y.data(), nerror);
  if (*nerror > 0) return;
  std::fill(y.begin(), y.end(), 0.0);
  y[con] = 1.0;
  if (!amplFullhes(h.data(), n, -1, nullptr, y.data(), *nerror >= 0)) {
    *nerror = 1;
    return;
  }
  hessianBlocks(p, h, hxx, htt, hxt);
}

// Flags over x: 1 where AMPL constraint con depends on the variable.
void constraintPattern(const SipPartition& p, int con, double* flags) {
  std::vector<int> position(p.nVar, -1);
  for (int i = 0; i < p.nx; ++i) position[p.xIndex[i]] = i;
  std::fill(flags, flags + p.nx, 0.0);
  for (int var : amplConstraintVariables(con))
    if (var >= 0 && var < p.nVar && position[var] >= 0) flags[position[var]] = 1.0;
}

void hessianPattern(const SipPartition& p, const std::vector<std::pair<int, int>>& pairs, double* flags) {
  std::fill(flags, flags + (long)p.nx * p.nx, 0.0);
  for (const std::pair<int, int>& e : pairs)
    flags[(long)e.first * p.nx + e.second] = flags[(long)e.second * p.nx + e.first] = 1.0;
}

double request(const SipPartition& p, Request code, int n, const double* x, const double* t, double* out1, double* out2,
               double* out3, int* nerror) {
  int con;
  switch (code) {
    case Request::ObjectiveValue:
      return objectiveValue(p, x, nerror);
    case Request::ObjectiveGradient:
      objectiveGradient(p, x, out1, nerror);
      return 0.0;
    case Request::ObjectiveHessian:
      objectiveHessian(p, x, out1, nerror);
      return 0.0;
    case Request::ConstraintValues:
      constraintValues(p, x, t, out1, out2, nerror);
      return 0.0;
    case Request::Jacobians:
      jacobianBlocks(p, x, t, out1, out2, out3, nerror);
      return 0.0;
    case Request::FiniteValue: {
      if ((con = memberIndex(p.cxIndex, n)) < 0) return 0.0;
      double v = constraintValue(p, con, x, nullptr, nerror);
      return v;
    }
    case Request::InfiniteValue: {
      if ((con = memberIndex(p.ctIndex, n)) < 0) return 0.0;
      double v = constraintValue(p, con, x, t, nerror);
      return v;
    }
    case Request::FiniteGradient:
      if ((con = memberIndex(p.cxIndex, n)) < 0) return 0.0;
      constraintGradient(p, con, x, nullptr, out1, nullptr, nerror);
      return 0.0;
    case Request::InfiniteGradient:
      if ((con = memberIndex(p.ctIndex, n)) < 0) return 0.0;
      constraintGradient(p, con, x, t, out1, out2, nerror);
      return 0.0;
    case Request::FiniteHessian:
      if ((con = memberIndex(p.cxIndex, n)) < 0) return 0.0;
      constraintHessian(p, con, x, nullptr, out1, nullptr, nullptr, nerror);
      return 0.0;
    case Request::InfiniteHessian:
      if ((con = memberIndex(p.ctIndex, n)) < 0) return 0.0;
      constraintHessian(p, con, x, t, out1, out2, out3, nerror);
      return 0.0;
    case Request::FinitePattern:
      if ((con = memberIndex(p.cxIndex, n)) >= 0 && out1) constraintPattern(p, con, out1);
      return 0.0;
    case Request::InfinitePattern:
      if ((con = memberIndex(p.ctIndex, n)) >= 0 && out1) constraintPattern(p, con, out1);
      return 0.0;
    case Request::HessianPattern:
      if (p.hessianKnown && out1) hessianPattern(p, p.hessianPairs, out1);
      return 0.0;
    case Request::ConstraintHessianPattern:
      if (p.hessianKnown && out1) hessianPattern(p, p.constraintHessianPairs, out1);
      return 0.0;
    default:
      return 0.0;
  }
}

void fill(double* v, long count) {
  if (v)
    for (long i = 0; i < count; ++i) v[i] = NAN;
}

// What a failed request leaves in its outputs: NaN everywhere, so that a
// caller that ignores the error slot still sees the failure.
void poisonOutputs(const SipPartition& p, Request code, double* out1, double* out2, double* out3) {
  switch (code) {
    case Request::ObjectiveGradient: fill(out1, p.nx); break;
    case Request::ConstraintValues: fill(out1, p.mx); fill(out2, p.mt); break;
    case Request::Jacobians:
      fill(out1, (long)p.nx * p.mx);
      fill(out2, (long)p.nt * p.mt);
      fill(out3, (long)p.nx * p.mt);
      break;
    case Request::FiniteGradient: fill(out1, p.nx); break;
    case Request::InfiniteGradient: fill(out1, p.nx); fill(out2, p.nt); break;
    case Request::ObjectiveHessian:
    case Request::FiniteHessian: fill(out1, (long)p.nx * p.nx); break;
    case Request::InfiniteHessian:
      fill(out1, (long)p.nx * p.nx);
      fill(out2, (long)p.nt * p.nt);
      fill(out3, (long)p.nx * p.nt);
      break;
    default: break;
  }
}

}  // namespace

// The library gets an error slot, so an evaluation error does not end the
// process: it comes back as a nonzero *nerror and a NaN value. A caller
// whose slot holds -1 (dravo) asks for the library's own way instead: its
// message and the end of the run.
double sipEvaluate(Request code, int n, const double* x, const double* t, double* out1,
                   double* out2, double* out3, int* nerror, void* data) {
  const SipPartition& p = *static_cast<const SipPartition*>(data);
  int error = nerror && *nerror < 0 ? -1 : 0;
  double v = request(p, code, n, x, t, out1, out2, out3, &error);
  if (error > 0) {
    poisonOutputs(p, code, out1, out2, out3);
    v = NAN;
  }
  if (nerror) *nerror = error;
  return v;
}

bool sipEvaluateBatch(int n, int count, const double* x, const double* t, double* values,
                      void* data) {
  const SipPartition& p = *static_cast<const SipPartition*>(data);
  const int con = memberIndex(p.ctIndex, n);
  if (con < 0) return false;
  Vec full = fullPoint(p, x, t);
  bool all = true;
  for (int k = 0; k < count; ++k) {
    for (int d = 0; d < p.nt; ++d) full[p.tIndex[d]] = t[(long)k * p.nt + d];
    int error = 0;
    const double v = amplConival(con, full.data(), &error);
    values[k] = error ? NAN : v;
    all = all && !error;
  }
  return all;
}

}  // namespace ormid
