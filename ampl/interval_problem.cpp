#include "ampl/interval_problem.h"

#include <string>
#include <vector>

#include "ampl/expression_reader.h"
#include "ampl/partition.h"
#include "verify/interval_evaluator.h"

namespace ormid {

namespace {

// The graphs of the infinite constraints, in the partition's order.
std::vector<Expression> infiniteGraphs;

bool intervalEvaluate(int n, const double* x, const double* tLower, const double* tUpper,
                      double* lower, double* upper, void* data) {
  const SipPartition& p = *static_cast<const SipPartition*>(data);
  if (n < 0 || n >= (int)infiniteGraphs.size() || !infiniteGraphs[n].unsupported.empty()) return false;
  std::vector<Interval> vars(p.nVar, Interval(0.0));
  for (int k = 0; k < p.nx; ++k) vars[p.xIndex[k]] = Interval(x[k]);
  for (int d = 0; d < p.nt; ++d) {
    if (!(tLower[d] <= tUpper[d])) return false;
    vars[p.tIndex[d]] = Interval(tLower[d], tUpper[d]);
  }
  Interval g;
  if (!boxEnclosure(infiniteGraphs[n], vars, p.tIndex, &g)) return false;
  *lower = g.lower();
  *upper = g.upper();
  return true;
}

}  // namespace

void attachIntervalModel(Problem& p, const char* stub) {
  std::vector<Expression> all;
  std::string why;
  p.intervalUnavailable.assign(p.mt, "");
  if (!readConstraintExpressions(stub, &all, &why)) {
    p.intervalUnavailable.assign(p.mt, why);
    return;
  }
  infiniteGraphs.clear();
  for (int k = 0; k < sipPartition.mt; ++k) {
    infiniteGraphs.push_back(all[sipPartition.ctIndex[k]]);
    p.intervalUnavailable[k] = infiniteGraphs.back().unsupported;
  }
  p.evaluateInterval = intervalEvaluate;
}

void releaseIntervalModel() { infiniteGraphs.clear(); }

}  // namespace ormid
