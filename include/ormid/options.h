// The settings of a solve: one field per keyword of the `ormid` program, with
// its default, the output level and the callbacks. A solve only reads them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ormid/export.h"

namespace ormid {

enum class Method {
  DiscHett = 0,  // discretization, grids refined level by level
  DiscHalt = 1,  // discretization with Halton points
  DiscReem = 2,  // discretization with a working set and local refinement
  Penalty = 3,   // integral penalty function
  PenaltyM = 5,  // integral penalty with multipliers
  Sqp = 10,      // needs an NLP solver this build does not have
  Intp = 13,     // interior point on the integral transcription
  Exchange = 20  // exchange of points, then Newton steps on the reduced problem
};
enum class PenaltyType { P2 = 1, P1 = 5, P3 = 6 };
enum class QuadratureRule { Trapezoid = 2, Gaussian = 3 };
enum class BarrierUpdate { F1 = 1, F2 = 2 };
// Default: the method's own (the Armijo search of the penalty methods, M2
// for intp).
enum class MeritFunction { Default = 0, M1 = 5, M2 = 6 };
enum class KktOrdering { Primal = 0, Dual = 1, PredictorCorrector = 2 };
enum class SubproblemNlp { None = 0, Ipopt = 1 };

// How much a solve prints: nothing, its warnings and endings, a line per
// iteration, or everything (the `ormid` program's level: vectors, matrices,
// line searches).
enum class PrintLevel { Silent = 0, Summary = 1, Iterations = 2, Details = 3 };

// The figures of one iteration, handed to the iteration callback.
struct Iteration {
  Method method = Method::Exchange;
  const char* phase = "";  // "outer", "exchange", "newton", ...
  int iteration = 0;
  double objective = 0;   // the model's objective at x (NaN where not known)
  double violation = 0;   // the method's own measure of infeasibility (NaN where not known)
  const double* x = nullptr;
  int nx = 0;
};
enum class IterationAction { Continue, Stop };

struct Options {
  double armijo = 0.1, bfgsskip = 1e-8;
  bool damped = true;
  double delta = 0.1, disc_dist = 0.2, disc_eps = 0.01;
  std::vector<double> disc_h;  // empty: 0.01 for every coordinate
  int disc_h_mx = 0, disc_ha_mx = 0, disc_inner = 100, disc_k = 3;
  SubproblemNlp disc_nlp = SubproblemNlp::None;
  bool dual_ini = true;
  int exchange_maxit = 100;
  // The exchange method's second phase: Newton steps on the problem reduced
  // to the local maximisers of its constraints (false: the exchange phase alone).
  bool exchange_reduce = true;
  double int_amp = 0.01;
  int int_corr = 1;
  double int_epsfactor = 0.1, int_epslimit = 1e-8, int_error = 1e-8;
  MeritFunction int_merit = MeritFunction::Default;
  int int_n = 20;
  KktOrdering int_ord = KktOrdering::Dual;
  double int_prec = 0.001, int_tau = 1e-4;
  int maxiteri = 400, maxitero = 400;  // int_maxit is maxitero
  Method method = Method::Penalty;
  double miu0 = 1.0, miuf = 10.0;
  int nlp_maxit = 3000;
  double pf_eps = 1e-4;  // int_eps is pf_eps
  QuadratureRule pf_int = QuadratureRule::Trapezoid;
  double pf_preci = 1e-4, pf_preco = 1e-4;
  PenaltyType pf_type = PenaltyType::P3;
  bool reset = false, scale = false;
  // The random start without x0: 0 seeds it from the clock, any other value
  // makes runs repeat.
  unsigned seed = 0;
  double theta = 1.0;
  double time_limit = 0.0;  // seconds of wall clock; 0 or less: none
  // The certificate of the final point: feasibility and optimality
  // tolerances (relative); false takes the method's own status.
  double feas_tol = 1e-6, opt_tol = 1e-6;
  bool certificate = true;
  // After the certificate, a rigorous bound on each infinite constraint's
  // violation over T by the problem's interval evaluator; status 0 then
  // needs every bound within feas_tol on the constraint's own scale. Where
  // a constraint has no enclosure (no interval evaluator, an imported
  // function) the sampled certificate decides and the message says so.
  bool verify = true;
  // Seconds each infinite constraint's bound may take; 0: as long as the
  // solve took per infinite constraint, at least 0.1 and at most 1.
  double verify_time = 0.0;
  std::string report;  // the ormid program's JSON report file; the library ignores it
  BarrierUpdate updtb = BarrierUpdate::F1;
  bool watchdog = false;
  int watchmax = 3;

  // Settings without keyword.
  double generalTolerance = 1e-6;
  double scaleUpper = 100.0, scaleLower = 0.01;
  double choleskyFloor = 1e-12;

  // Output: silent unless asked. Each message goes whole (with its line
  // ends) to log, or to standard output when log is empty.
  PrintLevel print_level = PrintLevel::Silent;
  std::function<void(const std::string& text)> log;
  // Called once an iteration by every method; Stop ends the solve with
  // Status::Interrupted and the best point so far.
  std::function<IterationAction(const Iteration&)> iteration_callback;
};

// ---- Options by keyword -----------------------------------------------------

enum class KeywordKind {
  Integer,  // a whole number
  Switch,   // a whole number: 0 is off, any other on
  Real,
  List,     // reals separated by commas (disc_h)
  Word,     // one of the keyword's words
  Text      // up to the first blank
};
struct KeywordWord {
  const char* word;
  const char* description;
};
struct Keyword {
  const char* name;
  KeywordKind kind;
  const char* description;
  std::vector<KeywordWord> words;  // for KeywordKind::Word
};

// Every keyword, sorted by name.
ORMID_API const std::vector<Keyword>& keywords();

// Sets the option of a keyword from its text, as the `ormid` program reads
// it ("1e-8", "exchange", "0.1,0.05"). Returns false, leaving options as they
// were and saying why in *error, for an unknown keyword or a bad value.
ORMID_API bool setOption(Options& options, const std::string& keyword, const std::string& value,
                         std::string* error = nullptr);

// The value of a keyword's option as text (words for enumerated keywords,
// all the digits of reals); empty for an unknown keyword.
ORMID_API std::string optionText(const Options& options, const std::string& keyword);

}  // namespace ormid
