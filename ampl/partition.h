// The split of AMPL's flat variable and constraint lists into finite (x, c)
// and infinite (t, g) classes. Index lists hold absolute AMPL indices.
#pragma once

#include <utility>
#include <vector>

#include "ormid/ormid.h"

namespace ormid {

struct SipPartition {
  int nVar = 0, nCon = 0;
  int nt = 0, nx = 0, mx = 0, mt = 0;
  std::vector<int> tIndex, xIndex, ctIndex, cxIndex;
  std::vector<double> xl, xu, tl, tu, cxl, cxu, ctl, ctu;
  // The pairs (i, k) of x where the model may have a second derivative;
  // unknown (dense) unless hessianKnown.
  bool hessianKnown = false;
  std::vector<std::pair<int, int>> hessianPairs;
  std::vector<std::pair<int, int>> constraintHessianPairs;  // the constraints' alone
};

extern SipPartition sipPartition;

// The evaluator over the AMPL model read by the program; data is a SipPartition.
// The batched request over the same model: one full AMPL vector for all the
// points, only the infinite variables changing.
bool sipEvaluateBatch(int n, int count, const double* x, const double* t, double* values,
                      void* data);
double sipEvaluate(Request code, int n, const double* x, const double* t, double* out1,
                   double* out2, double* out3, int* nerror, void* data);

// Infinite members are those whose name begins with a lower-case 't'.
bool isInfiniteName(const char* name);

typedef const char* (*NameOf)(int index);

// Fills sipPartition from names and interleaved bounds (lower at 2i, upper at 2i+1).
void partitionFrom(int nVar, NameOf varName, const double* varBounds, int nCon,
                   NameOf conName, const double* conBounds);

// Builds the partition of the problem read by the driver and switches the
// library's Jacobian to dense form.
void buildPartition();

void gatherX(const SipPartition& p, const double* full, double* x);
void gatherT(const SipPartition& p, const double* full, double* t);
void scatterXT(const SipPartition& p, const double* x, const double* t, double* full);
// The same on the driver's partition.
inline void gatherX(const double* full, double* x) { gatherX(sipPartition, full, x); }
inline void gatherT(const double* full, double* t) { gatherT(sipPartition, full, t); }
inline void scatterXT(const double* x, const double* t, double* full) {
  scatterXT(sipPartition, x, t, full);
}
void releasePartition();

}  // namespace ormid
