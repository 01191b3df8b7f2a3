#include "ampl/ampl_problem.h"

#include "ampl/ampl_model.h"
#include "ampl/interval_problem.h"
#include "ampl/partition.h"

namespace ormid {

Problem amplProblem(const double* x0) {
  const SipPartition& p = sipPartition;
  Problem s;
  s.nx = p.nx, s.nt = p.nt, s.mx = p.mx, s.mt = p.mt;
  s.x0 = x0;
  s.xl = p.xl.data(), s.xu = p.xu.data(), s.tl = p.tl.data(), s.tu = p.tu.data();
  s.cxl = p.cxl.data(), s.cxu = p.cxu.data(), s.ctl = p.ctl.data(), s.ctu = p.ctu.data();
  s.evaluate = sipEvaluate;
  s.evaluateBatch = sipEvaluateBatch;
  s.data = &sipPartition;
  s.sense = amplObjectiveSense();
  s.hessians = true;
  s.objectiveName = amplObjectiveName();
  for (int k = 0; k < p.mx; ++k) s.finiteNames.push_back(amplConName(p.cxIndex[k]));
  for (int k = 0; k < p.mt; ++k) s.infiniteNames.push_back(amplConName(p.ctIndex[k]));
  return s;
}

bool amplStartingPoint(std::vector<double>& x0) {
  x0.assign(sipPartition.nx, 0.0);
  const char* have = amplHaveX0();
  const bool given = amplX0() != nullptr && (have == nullptr || have[0] != 0);
  if (given) gatherX(amplX0(), x0.data());
  return given;
}

bool solveStub(const std::string& stub, const Options& options, Result* result, std::string* why,
               const WarmStart* warm) {
  amplAlloc();
  const bool read = amplRead(stub.c_str(), true);
  if (!read || !amplHasNameFiles(stub.c_str())) {
    *why = read ? "the stub " + stub + " has no .row and .col files" : "cannot read " + stub;
    amplFree();
    return false;
  }
  buildPartition();
  std::vector<double> x0;
  const bool haveGuess = amplStartingPoint(x0);
  if (!haveGuess) amplFreshX0();
  Problem problem = amplProblem(haveGuess ? x0.data() : nullptr);
  if (options.verify) attachIntervalModel(problem, stub.c_str());
  *result = warm ? solve(problem, options, *warm) : solve(problem, options);
  releaseIntervalModel();
  releasePartition();
  amplFree();
  return true;
}

}  // namespace ormid
