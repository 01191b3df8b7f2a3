// Adapter to the AMPL Solver Library. Standard headers first: the library's
// headers remap printf, exit and friends and break later standard headers.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "ampl/ampl_model.h"
#include "ampl/nl_check.h"
#include "ampl/option_table.h"

#include "asl_pfgh.h"
#include "getstub.h"

namespace ormid {

static_assert(sizeof(fint) == sizeof(int), "error slot is passed as int*");

static ASL* asl = nullptr;

void amplAlloc() { asl = ASL_alloc(ASL_read_pfgh); }

void amplFree() {
  if (asl) ASL_free(&asl);
}

char* amplGetStops(char** argv, ProgramOptions& options) {
  return getstops(argv, ormidOptionInfo(options));
}

namespace {

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

bool amplRead(const char* stub, bool returnIfMissing, std::string* fault) {
  // A file that the library's reader would misread is refused before it
  // sees it; a missing file is left to the library's own message.
  const std::string path = nlPath(stub);
  const std::string problem = path.empty() ? "" : nlFault(contents(path));
  if (!problem.empty()) {
    if (fault) *fault = path + ": " + problem;
    return false;
  }
  return_nofile = returnIfMissing ? 1 : 0;
  // Bit 4 makes the library fill havex0 as well as X0.
  want_xpi0 = 5;
  fint m, n, no, nz, mxrow, mxcol;
  FILE* nl = jacdim(stub, &m, &n, &no, &nz, &mxrow, &mxcol, (ftnlen)strlen(stub));
  if (!nl) return false;
  // The reader's remaining complaints (an unavailable function, a wrong
  // argument count) come back here instead of ending the process; its jump
  // target dies with the call.
  const int error = pfgh_read(nl, ASL_return_read_err);
  err_jmp = nullptr;
  if (error) {
    fclose(nl);
    if (fault) *fault = path + ": the reader rejected it (error " + std::to_string(error) + ")";
    return false;
  }
  return true;
}

static bool fileExists(const std::string& path) {
  FILE* f = fopen(path.c_str(), "r");
  if (!f) return false;
  fclose(f);
  return true;
}

bool amplHasNameFiles(const char* stub) {
  if (maxrownamelen == 0 || maxcolnamelen == 0) return false;
  // The lengths come from the header; without the files the library would
  // silently invent names.
  std::string base(stub);
  size_t len = base.size();
  if (len > 3 && base.compare(len - 3, 3, ".nl") == 0) base.resize(len - 3);
  return fileExists(base + ".row") && fileExists(base + ".col");
}

int amplVarCount() { return n_var; }
int amplObjectiveSense() { return n_obj > 0 && objtype[0] ? -1 : 1; }
const char* amplObjectiveName() { return n_obj > 0 ? obj_name(0) : "objective"; }
int amplObjectiveCount() { return n_obj; }
int amplConCount() { return n_con; }
const char* amplVarName(int j) { return var_name(j); }
const char* amplConName(int i) { return con_name(i); }
const double* amplVarBounds() { return LUv; }
const double* amplConBounds() { return LUrhs; }
double* amplX0() { return X0; }
const char* amplHaveX0() { return havex0; }

double* amplFreshX0() {
  X0 = (real*)M1zapalloc(n_var * sizeof(real));
  return X0;
}

void amplDenseJacobian() { dense_j(); }

double amplObjval(const double* x, int* nerror) {
  return objval(0, (real*)x, (fint*)nerror);
}

void amplObjgrd(const double* x, double* g, int* nerror) {
  objgrd(0, (real*)x, g, (fint*)nerror);
}

void amplConval(const double* x, double* c, int* nerror) {
  conval((real*)x, c, (fint*)nerror);
}

void amplJacval(const double* x, double* jac, int* nerror) {
  jacval((real*)x, jac, (fint*)nerror);
}

double amplConival(int i, const double* x, int* nerror) {
  return conival(i, (real*)x, (fint*)nerror);
}

void amplCongrd(int i, const double* x, double* g, int* nerror) {
  congrd(i, (real*)x, g, (fint*)nerror);
}

bool amplFullhes(double* h, int lh, int objective, const double* ow, const double* y, bool guarded) {
  if (!guarded) {
    fullhes(h, lh, objective, (real*)ow, (real*)y);
    return true;
  }
  // The library's Hessians have no error slot: an error jumps back here,
  // without its message. Nothing with a destructor lives between.
  Jmp_buf back;
  Jmp_buf* saved = err_jmp;
  err_jmp = &back;
  volatile bool ok = true;
  if (setjmp(back.jb))
    ok = false;
  else
    fullhes(h, lh, objective, (real*)ow, (real*)y);
  err_jmp = saved;
  return ok;
}

std::vector<int> amplConstraintVariables(int i) {
  std::vector<int> vars;
  if (i < 0 || i >= n_con) return vars;
  for (cgrad* g = Cgrad[i]; g; g = g->next) vars.push_back(g->varno);
  return vars;
}

std::vector<std::pair<int, int>> amplHessianPattern(bool objectives) {
  std::vector<std::pair<int, int>> pairs;
  // Every objective (unless left out) and every constraint, the upper
  // triangle by columns.
  sphsetup(-1, objectives ? 1 : 0, 1, 1);
  for (int k = 0; k < n_var; ++k)
    for (fint e = sputinfo->hcolstarts[k]; e < sputinfo->hcolstarts[k + 1]; ++e)
      pairs.push_back({(int)sputinfo->hrownos[e], k});
  return pairs;
}

void amplWriteSol(const char* msg, const double* x, int solveResult, bool silent) {
  if (silent) need_nl = 0;
  solve_result_num = solveResult;
  write_sol(msg, (real*)x, nullptr, nullptr);
}

}  // namespace ormid
