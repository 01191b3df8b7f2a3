// The keyword table: every option by its name, its kind and its words, read
// from text as the `ormid` program reads it.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/real_list.h"
#include "core/sip.h"

namespace ormid {

namespace {

const size_t LIST_MAX_VALUES = 256;

// Where a keyword's value lives in an options record, by kind.
struct Field {
  Field() = default;
  Field(int Options::*f) : integer(f) {}
  Field(bool Options::*f) : flag(f) {}
  Field(double Options::*f) : real(f) {}
  Field(unsigned Options::*f) : whole(f) {}
  int Options::*integer = nullptr;
  bool Options::*flag = nullptr;
  double Options::*real = nullptr;
  unsigned Options::*whole = nullptr;
};

struct Entry {
  Keyword keyword;
  Field field;
  // Enumerated keywords: the field as its code, and the code of each word.
  int (*get)(const Options&) = nullptr;
  void (*set)(Options&, int) = nullptr;
  std::vector<int> codes;
};

template <typename E, E Options::*member>
int getCode(const Options& o) { return static_cast<int>(o.*member); }
template <typename E, E Options::*member>
void setCode(Options& o, int code) { o.*member = static_cast<E>(code); }

Entry entry(const char* name, KeywordKind kind, const char* d, const Field& field) {
  Entry e;
  e.keyword = {name, kind, d, {}};
  e.field = field;
  return e;
}
Entry integer(const char* name, int Options::*f, const char* d) { return entry(name, KeywordKind::Integer, d, f); }
Entry flag(const char* name, bool Options::*f, const char* d) { return entry(name, KeywordKind::Switch, d, f); }
Entry real(const char* name, double Options::*f, const char* d) { return entry(name, KeywordKind::Real, d, f); }
Entry whole(const char* name, unsigned Options::*f, const char* d) { return entry(name, KeywordKind::Integer, d, f); }
template <typename E, E Options::*member>
Entry word(const char* name, const char* d, std::vector<KeywordWord> words, std::vector<E> codes) {
  Entry e;
  e.keyword = {name, KeywordKind::Word, d, std::move(words)};
  e.get = getCode<E, member>;
  e.set = setCode<E, member>;
  for (E c : codes) e.codes.push_back(static_cast<int>(c));
  return e;
}

std::vector<Entry> makeTable() {
  using O = Options;
  std::vector<Entry> t = {
      real("armijo", &O::armijoConstant, "Constant in Armijo rule"),
      real("bfgsskip", &O::bfgsSkip, "Constant for BFGS curvature condition"),
      flag("certificate", &O::certify, "Certify the final point (1) or take the method's word (0)"),
      flag("damped", &O::dampedBfgs, "Damped BFGS updating formula"),
      real("delta", &O::barrierFraction, "Barrier parameter delta"),
      real("disc_dist", &O::neighbourDistance, "Distance between neighbours"),
      real("disc_eps", &O::activeBand, "Epsilon starting value in discretization method, Reemtsen version"),
      {{"disc_h", KeywordKind::List, "Initial discretization grid space", {}}, {}, nullptr, nullptr, {}},
      integer("disc_h_mx", &O::haltonPoints, "Total number of Halton points"),
      integer("disc_ha_mx", &O::haltonBatch, "Number of Halton points added in each level"),
      integer("disc_inner", &O::maxSubproblemsPerLevel, "Number of inner iterations"),
      integer("disc_k", &O::gridLevels, "Level of discretization"),
      word<SubproblemNlp, &O::nlpSolver>("disc_nlp", "Solver of the finite subproblems (none or ipopt)",
          {{"none", "No subproblem solver"}, {"ipopt", "Subproblem solver Ipopt"}},
          {SubproblemNlp::None, SubproblemNlp::Ipopt}),
      flag("dual_ini", &O::resetDuals, "Reset in initial guess"),
      integer("exchange_maxit", &O::maxExchangeIterations, "Maximum of iterations of the exchange method"),
      flag("exchange_reduce", &O::reducedNewton,
           "Newton steps on the reduced problem after the exchange phase (1) or not (0)"),
      real("feas_tol", &O::feasibilityTolerance, "Largest relative violation of a solved point"),
      real("int_amp", &O::quadratureMinWidth, "Minimum integral amplitude"),
      integer("int_corr", &O::correctorSteps, "Number of correction in predictor corrector"),
      real("int_eps", &O::initialSmoothing, "Smoothing parameter for differentiability"),
      real("int_epsfactor", &O::smoothingReduction, "Epsilon factor"),
      real("int_epslimit", &O::smoothingFloor, "Epsilon limit"),
      real("int_error", &O::quadratureTolerance, "Precision in integral computation"),
      integer("int_maxit", &O::maxOuterIterations, "Maximum number of iterations in interior point"),
      word<MeritFunction, &O::meritFunction>("int_merit", "Merit function in interior point method",
          {{"m1", "L2 merit function"}, {"m2", "Augmented Lagrangian merit function"}},
          {MeritFunction::L2, MeritFunction::AugmentedLagrangian}),
      integer("int_n", &O::quadratureNodes, "Number of initial intervals in adaptative integration"),
      word<KktOrdering, &O::kktOrdering>("int_ord", "Ordering in solving KKT system",
          {{"pc", "Predictor Corrector with dual ordering"}, {"p", "Primal ordering"},
           {"d", "Dual ordering"}},
          {KktOrdering::PredictorCorrector, KktOrdering::Primal, KktOrdering::Dual}),
      real("int_prec", &O::interiorTolerance, "Interior point stopping criteria"),
      real("int_tau", &O::slackRelaxation, "Relaxation on problem transcription"),
      integer("maxiteri", &O::maxInnerIterations, "Maximum of inner iterations"),
      integer("maxitero", &O::maxOuterIterations, "Maximum of outer iterations"),
      word<Method, &O::method>("method", "The solver method",
          {{"disc_hett", "Discretization method selected Hettich version"},
           {"disc_reem", "Discretization method selected Reemtsen version"},
           {"disc_halt", "Discretization method selected Hettich version with Halton points"},
           {"penalty_m", "Penalty multiplier method selected"},
           {"penalty", "Penalty method selected"},
           {"intp", "Interior point method selected"},
           {"exchange", "Exchange method selected"}},
          {Method::GridDiscretization, Method::EpsilonActiveDiscretization, Method::HaltonDiscretization,
           Method::PenaltyMultiplier, Method::Penalty, Method::InteriorPoint, Method::Exchange}),
      real("miu0", &O::initialPenalty, "Initial penalty parameter value"),
      real("miuf", &O::penaltyIncrease, "Multiplying factor for the penalty parameter"),
      integer("nlp_maxit", &O::maxNlpIterations, "Maximum of iterations of each finite subproblem (Ipopt)"),
      real("opt_tol", &O::optimalityTolerance, "Largest relative stationarity residual of a solved point"),
      real("pf_eps", &O::initialSmoothing, "Smoothing parameter for differentiability"),
      word<QuadratureRule, &O::quadratureRule>("pf_int", "Adaptative formula to use",
          {{"gaussian", "Gaussian adaptative formula"}, {"trapzoid", "Trapzoid adaptative formula"}},
          {QuadratureRule::Gaussian, QuadratureRule::Trapezoid}),
      real("pf_preci", &O::innerTolerance, "Inner iteration stopping criteria"),
      real("pf_preco", &O::smoothingTolerance, "Outer iteration stopping criteria"),
      word<PenaltyType, &O::penaltyType>("pf_type", "The penalty function",
          {{"p1", "Penalty function 1"}, {"p2", "Penalty function 2"}, {"p3", "Penalty function 3"}},
          {PenaltyType::Linear, PenaltyType::Quadratic, PenaltyType::Exponential}),
      flag("reset", &O::bfgsRestart, "Reset of inverse Hessian estimation after n updates"),
      flag("scale", &O::limitDirection, "Scaling search direction"),
      whole("seed", &O::randomSeed, "Seed of the random start (0: from the clock)"),
      real("theta", &O::initialSlackFloor, "Minimum of the initial slack variables"),
      real("time_limit", &O::timeLimit, "Wall-clock limit of the run in seconds (0: none)"),
      word<BarrierUpdate, &O::barrierUpdate>("updtb", "Update barrier formula to use",
          {{"f1", "Update barrier parameter by formula 1"}, {"f2", "Update barrier parameter by formula 2"}},
          {BarrierUpdate::Proportional, BarrierUpdate::CentralityWeighted}),
      flag("verify", &O::verify, "Rigorous bound on each infinite constraint's violation over T (1) or none (0)"),
      real("verify_time", &O::verifySeconds,
           "Seconds each infinite constraint's verification may take (0: the solve's time per constraint, 0.1 to 1)"),
      flag("watchdog", &O::watchdog, "with or without watchdog tecnique"),
      integer("watchmax", &O::watchdogIncreases,
              "Maximum number of increase in the merit function (watchdog)"),
  };
  return t;
}

const std::vector<Entry>& table() {
  static const std::vector<Entry> entries = makeTable();
  return entries;
}

// What the `ormid` program takes and the library does not: setOption
// refuses it with the reason.
struct ProgramOnly {
  const char* keyword;
  const char* word;  // null: any value
  const char* reason;
};
const ProgramOnly PROGRAM_ONLY[] = {
    {"report", nullptr, "report is the ormid program's keyword: the library writes no file"},
    {"method", "sqp",
     "method sqp needs an external NLP solver, which the library does not have (the ormid program "
     "takes the word and stops)"},
};

const ProgramOnly* programOnly(const std::string& keyword, const std::string& value) {
  for (const ProgramOnly& p : PROGRAM_ONLY)
    if (keyword == p.keyword && (!p.word || value == p.word)) return &p;
  return nullptr;
}

const Entry* find(const std::string& name) {
  for (const Entry& e : table())
    if (name == e.keyword.name) return &e;
  return nullptr;
}

bool readLong(const std::string& text, long* v) {
  const char* s = text.c_str();
  char* end;
  errno = 0;
  *v = strtol(s, &end, 10);
  return end != s && *end == 0 && errno == 0 && *v >= INT_MIN && *v <= INT_MAX;
}

bool readReal(const std::string& text, double* v) {
  const char* s = text.c_str();
  char* end;
  *v = strtod(s, &end);
  return end != s && *end == 0;
}

// The whole text a list; one that is too long stores nothing.
bool readList(const std::string& text, std::vector<double>* list) {
  bool danglingComma;
  const size_t length = realListLength(text.c_str(), &danglingComma);
  if (length == 0 || length != text.size()) return false;
  std::vector<double> values = realListValues(text.c_str(), length);
  if (values.size() > LIST_MAX_VALUES) return false;
  *list = std::move(values);
  return true;
}

bool assign(const Entry& e, Options& o, const std::string& value) {
  long whole;
  double v;
  switch (e.keyword.kind) {
    case KeywordKind::Integer:
      if (!readLong(value, &whole)) return false;
      if (e.field.whole) {
        if (whole < 0) return false;
        o.*e.field.whole = (unsigned)whole;
      } else {
        o.*e.field.integer = (int)whole;
      }
      return true;
    case KeywordKind::Switch:
      if (!readLong(value, &whole)) return false;
      o.*e.field.flag = whole != 0;
      return true;
    case KeywordKind::Real:
      if (!readReal(value, &v)) return false;
      o.*e.field.real = v;
      return true;
    case KeywordKind::List: return readList(value, &o.gridSpacing);
    case KeywordKind::Text: return false;  // the library has no text keyword
    case KeywordKind::Word:
      for (size_t i = 0; i < e.keyword.words.size(); ++i)
        if (value == e.keyword.words[i].word) {
          e.set(o, e.codes[i]);
          return true;
        }
      return false;
  }
  return false;
}

std::string realText(double v) {
  char text[64];
  snprintf(text, sizeof text, "%.17g", v);
  return text;
}

}  // namespace

const std::vector<Keyword>& keywords() {
  static const std::vector<Keyword> list = [] {
    std::vector<Keyword> k;
    for (const Entry& e : table()) k.push_back(e.keyword);
    return k;
  }();
  return list;
}

bool setOption(Options& options, const std::string& keyword, const std::string& value,
               std::string* error) {
  if (const ProgramOnly* p = programOnly(keyword, value)) {
    if (error) *error = p->reason;
    return false;
  }
  const Entry* e = find(keyword);
  if (!e) {
    if (error) *error = "unknown keyword \"" + keyword + "\"";
    return false;
  }
  Options changed = options;
  if (!assign(*e, changed, value)) {
    if (error) *error = "bad value \"" + value + "\" for keyword " + keyword;
    return false;
  }
  options = changed;
  return true;
}

std::string optionText(const Options& o, const std::string& keyword) {
  const Entry* e = find(keyword);
  if (!e) return "";
  switch (e->keyword.kind) {
    case KeywordKind::Integer:
      return e->field.whole ? std::to_string(o.*e->field.whole) : std::to_string(o.*e->field.integer);
    case KeywordKind::Switch: return o.*e->field.flag ? "1" : "0";
    case KeywordKind::Real: return realText(o.*e->field.real);
    case KeywordKind::Text: return "";
    case KeywordKind::List: {
      std::string list;
      for (double h : o.gridSpacing) list += (list.empty() ? "" : ",") + realText(h);
      return list;
    }
    case KeywordKind::Word: {
      const int code = e->get(o);
      for (size_t i = 0; i < e->codes.size(); ++i)
        if (e->codes[i] == code) return e->keyword.words[i].word;
      return std::to_string(code);
    }
  }
  return "";
}

}  // namespace ormid
