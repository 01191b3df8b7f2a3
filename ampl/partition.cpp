#include "ampl/partition.h"

#include "ampl/ampl_model.h"

namespace ormid {

SipPartition sipPartition;

bool isInfiniteName(const char* name) { return name && name[0] == 't'; }

namespace {

struct ClassLists {
  std::vector<int>* infiniteIndex;
  std::vector<int>* finiteIndex;
  std::vector<double>*infLo, *infHi, *finLo, *finHi;
};

void splitClass(int count, NameOf nameOf, const double* bounds, const ClassLists& c) {
  for (int j = 0; j < count; ++j) {
    bool infinite = isInfiniteName(nameOf(j));
    (infinite ? c.infiniteIndex : c.finiteIndex)->push_back(j);
    (infinite ? c.infLo : c.finLo)->push_back(bounds[2 * j]);
    (infinite ? c.infHi : c.finHi)->push_back(bounds[2 * j + 1]);
  }
}

}  // namespace

void partitionFrom(int nVar, NameOf varName, const double* varBounds, int nCon,
                   NameOf conName, const double* conBounds) {
  releasePartition();
  SipPartition& p = sipPartition;
  p.nVar = nVar;
  p.nCon = nCon;
  splitClass(nVar, varName, varBounds, {&p.tIndex, &p.xIndex, &p.tl, &p.tu, &p.xl, &p.xu});
  splitClass(nCon, conName, conBounds,
             {&p.ctIndex, &p.cxIndex, &p.ctl, &p.ctu, &p.cxl, &p.cxu});
  p.nt = (int)p.tIndex.size();
  p.nx = (int)p.xIndex.size();
  p.mt = (int)p.ctIndex.size();
  p.mx = (int)p.cxIndex.size();
}

void buildPartition() {
  partitionFrom(amplVarCount(), amplVarName, amplVarBounds(), amplConCount(), amplConName,
                amplConBounds());
  amplDenseJacobian();
  SipPartition& p = sipPartition;
  std::vector<int> position(p.nVar, -1);
  for (int i = 0; i < p.nx; ++i) position[p.xIndex[i]] = i;
  auto pairsOfX = [&](const std::vector<std::pair<int, int>>& pairs) {
    std::vector<std::pair<int, int>> out;
    for (const std::pair<int, int>& e : pairs)
      if (position[e.first] >= 0 && position[e.second] >= 0) out.push_back({position[e.first], position[e.second]});
    return out;
  };
  p.hessianPairs = pairsOfX(amplHessianPattern());
  p.constraintHessianPairs = pairsOfX(amplHessianPattern(false));
  p.hessianKnown = true;
}

void gatherX(const SipPartition& p, const double* full, double* x) {
  for (int k = 0; k < p.nx; ++k) x[k] = full[p.xIndex[k]];
}

void gatherT(const SipPartition& p, const double* full, double* t) {
  for (int k = 0; k < p.nt; ++k) t[k] = full[p.tIndex[k]];
}

void scatterXT(const SipPartition& p, const double* x, const double* t, double* full) {
  for (int k = 0; k < p.nt; ++k) full[p.tIndex[k]] = t[k];
  for (int k = 0; k < p.nx; ++k) full[p.xIndex[k]] = x[k];
}

void releasePartition() { sipPartition = SipPartition(); }

}  // namespace ormid
