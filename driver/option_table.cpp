// Keyword table and the three keyword handlers of the library's option reader.
#include <cstddef>
#include <string>

#include "option_parse.h"
#include "option_table.h"
#include "sip.h"

#include "getstub.h"

namespace {

void silence(Option_Info* oi) { oi->option_echo &= ~ASL_OI_echothis; }

char* intHandler(Option_Info* oi, keyword* kw, char* value) {
  silence(oi);
  return parseIntOption(kw->name, static_cast<int*>(kw->info), value);
}

char* realHandler(Option_Info* oi, keyword* kw, char* value) {
  silence(oi);
  if (kw->info == nullptr) return parseListOption(value);  // disc_h
  return parseRealOption(static_cast<double*>(kw->info), value);
}

char* enumHandler(Option_Info* oi, keyword* kw, char* value) {
  silence(oi);
  return parseEnumOption(kw->name, value);
}

char* stringHandler(Option_Info* oi, keyword* kw, char* value) {
  silence(oi);
  return parseStringOption(static_cast<std::string*>(kw->info), value);
}

#define INT_KW(name, field, desc) {(char*)name, intHandler, &sipOptions.field, (char*)desc}
#define REAL_KW(name, field, desc) {(char*)name, realHandler, &sipOptions.field, (char*)desc}
#define ENUM_KW(name, desc) {(char*)name, enumHandler, nullptr, (char*)desc}
#define STRING_KW(name, field, desc) {(char*)name, stringHandler, &sipOptions.field, (char*)desc}

// Alphabetical: the library searches it by bisection.
keyword keywords[] = {
    REAL_KW("armijo", armijo, "Constant in Armijo rule"),
    REAL_KW("bfgsskip", bfgsskip, "Constant for BFGS curvature condition"),
    INT_KW("certificate", certificate, "Certify the final point (1) or take the method's word (0)"),
    INT_KW("damped", damped, "Damped BFGS updating formula"),
    REAL_KW("delta", delta, "Barrier parameter delta"),
    REAL_KW("disc_dist", disc_dist, "Distance between neighbours"),
    REAL_KW("disc_eps", disc_eps,
            "Epsilon starting value in discretization method, Reemtsen version"),
    {(char*)"disc_h", realHandler, nullptr, (char*)"Initial discretization grid space"},
    INT_KW("disc_h_mx", disc_h_mx, "Total number of Halton points"),
    INT_KW("disc_ha_mx", disc_ha_mx, "Number of Halton points added in each level"),
    INT_KW("disc_inner", disc_inner, "Number of inner iterations"),
    INT_KW("disc_k", disc_k, "Level of discretization"),
    ENUM_KW("disc_nlp", "Solver of the finite subproblems (none or ipopt)"),
    INT_KW("dual_ini", dual_ini, "Reset in initial guess"),
    INT_KW("exchange_maxit", exchange_maxit, "Maximum of iterations of the exchange method"),
    INT_KW("exchange_reduce", exchange_reduce, "Newton steps on the reduced problem after the exchange phase (1) or not (0)"),
    REAL_KW("feas_tol", feas_tol, "Largest relative violation of a solved point"),
    REAL_KW("int_amp", int_amp, "Minimum integral amplitude"),
    INT_KW("int_corr", int_corr, "Number of correction in predictor corrector"),
    REAL_KW("int_eps", pf_eps, "Smoothing parameter for differentiability"),
    REAL_KW("int_epsfactor", int_epsfactor, "Epsilon factor"),
    REAL_KW("int_epslimit", int_epslimit, "Epsilon limit"),
    REAL_KW("int_error", int_error, "Precision in integral computation"),
    INT_KW("int_maxit", maxitero, "Maximum number of iterations in interior point"),
    ENUM_KW("int_merit", "Merit function in interior point method"),
    INT_KW("int_n", int_n, "Number of initial intervals in adaptative integration"),
    ENUM_KW("int_ord", "Ordering in solving KKT system"),
    REAL_KW("int_prec", int_prec, "Interior point stopping criteria"),
    REAL_KW("int_tau", int_tau, "Relaxation on problem transcription"),
    INT_KW("maxiteri", maxiteri, "Maximum of inner iterations"),
    INT_KW("maxitero", maxitero, "Maximum of outer iterations"),
    ENUM_KW("method", "The solver method"),
    REAL_KW("miu0", miu0, "Initial penalty parameter value"),
    REAL_KW("miuf", miuf, "Multiplying factor for the penalty parameter"),
    INT_KW("nlp_maxit", nlp_maxit, "Maximum of iterations of each finite subproblem (Ipopt)"),
    REAL_KW("opt_tol", opt_tol, "Largest relative stationarity residual of a solved point"),
    REAL_KW("pf_eps", pf_eps, "Smoothing parameter for differentiability"),
    ENUM_KW("pf_int", "Adaptative formula to use"),
    REAL_KW("pf_preci", pf_preci, "Inner iteration stopping criteria"),
    REAL_KW("pf_preco", pf_preco, "Outer iteration stopping criteria"),
    ENUM_KW("pf_type", "The penalty function"),
    STRING_KW("report", report, "Write a JSON report of the run to this file"),
    INT_KW("reset", reset, "Reset of inverse Hessian estimation after n updates"),
    INT_KW("scale", scale, "Scaling search direction"),
    REAL_KW("theta", theta, "Minimum of the initial slack variables"),
    REAL_KW("time_limit", time_limit, "Wall-clock limit of the run in seconds (0: none)"),
    ENUM_KW("updtb", "Update barrier formula to use"),
    INT_KW("watchdog", watchdog, "with or without watchdog tecnique"),
    INT_KW("watchmax", watchmax,
           "Maximum number of increase in the merit function (watchdog)"),
};

Option_Info makeOptionInfo() {
  Option_Info oi{};
  oi.sname = (char*)"ormid";
  oi.bsname = (char*)"ORMID";
  oi.opname = (char*)"ormid_options";
  oi.keywds = keywords;
  oi.n_keywds = (int)(sizeof(keywords) / sizeof(keyword));
  oi.flags = ASL_OI_want_funcadd;
  oi.version = (char*)"ORMID v2.1";
  return oi;
}

Option_Info optionInfo = makeOptionInfo();

}  // namespace

Option_Info* ormidOptionInfo() { return &optionInfo; }

namespace {

// The same field in another options record: keyword infos point into sipOptions.
template <typename T>
const T& fieldOf(const SipOptions& o, const keyword& kw) {
  const char* base = reinterpret_cast<const char*>(&sipOptions);
  return *reinterpret_cast<const T*>(reinterpret_cast<const char*>(&o) +
                                     (static_cast<const char*>(kw.info) - base));
}

std::string valueText(const SipOptions& o, const keyword& kw) {
  if (kw.kf == intHandler) return std::to_string(fieldOf<int>(o, kw));
  if (kw.kf == stringHandler) return fieldOf<std::string>(o, kw);
  if (kw.kf == realHandler && kw.info) return realText(fieldOf<double>(o, kw));
  if (kw.kf == realHandler) {  // disc_h
    std::string list;
    for (double h : o.disc_h) list += (list.empty() ? "" : ",") + realText(h);
    return list;
  }
  const int* code = enumValue(o, kw.name);
  const char* word = code ? enumWordOf(kw.name, *code) : nullptr;
  return word ? word : code ? std::to_string(*code) : "";
}

}  // namespace

std::vector<std::pair<std::string, std::string>> changedOptions(const SipOptions& o) {
  const SipOptions defaults;
  std::vector<std::pair<std::string, std::string>> changed;
  for (const keyword& kw : keywords) {
    std::string now = valueText(o, kw), before = valueText(defaults, kw);
    if (now != before) changed.push_back({kw.name, now});
  }
  return changed;
}
