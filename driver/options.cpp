// Option defaults, value parsing and the words of the enumerated keywords.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "option_parse.h"
#include "sip.h"

void setOptionDefaults() { sipOptions = SipOptions(); }

char* parseIntOption(const char* keyword, int* target, char* value) {
  char* end;
  long v = strtol(value, &end, 10);
  if (end == value) return value;
  *target = (int)v;
  printf("%s=%d\n", keyword, *target);
  return end;
}

char* parseRealOption(double* target, char* value) {
  char* end;
  double v = strtod(value, &end);
  if (end == value) return value;
  *target = v;
  return end;
}

// A list longer than DISC_H_MAX_VALUES is a bad value: nothing is stored.
char* parseListOption(char* value) {
  char* end;
  double first = strtod(value, &end);
  if (end == value) return value;
  std::vector<double> list(1, first);
  while (*end == ',') {
    char* next = end + 1;
    char* after;
    double v = strtod(next, &after);
    if (after == next) {
      printf("Expecting double value and obtained nothing\n");
      end = next;
      break;
    }
    list.push_back(v);
    end = after;
  }
  if ((int)list.size() > DISC_H_MAX_VALUES) return value;
  sipOptions.disc_h = list;
  return end;
}

namespace {

struct EnumWord {
  const char* keyword;
  const char* word;
  int code;
  const char* message;
};

// Searched in this order: longer words that share a prefix come first.
const EnumWord enumWords[] = {
    {"method", "disc_hett", METHOD_DISC_HETT, "Discretization method selected Hettich version\n"},
    {"method", "disc_reem", METHOD_DISC_REEM, "Discretization method selected Reemtsen version\n"},
    {"method", "disc_halt", METHOD_DISC_HALT,
     "Discretization method selected Hettich version with Halton points\n"},
    {"method", "penalty_m", METHOD_PENALTY_M, "Penalty multiplier method selected\n"},
    {"method", "penalty", METHOD_PENALTY, "Penalty method selected\n"},
    {"method", "sqp", METHOD_SQP, "SQP method selected\n"},
    {"method", "intp", METHOD_INTP, "Interior point method selected\n"},
    {"method", "exchange", METHOD_EXCHANGE, "Exchange method selected\n"},
    {"pf_type", "p1", PF_P1, "Penalty function 1\n"},
    {"pf_type", "p2", PF_P2, "Penalty function 2\n"},
    {"pf_type", "p3", PF_P3, "Penalty function 3\n"},
    {"pf_int", "gaussian", PF_INT_GAUSSIAN, "Gaussian adaptative formula\n"},
    {"pf_int", "trapzoid", PF_INT_TRAPZOID, "Trapzoid adaptative formula\n"},
    {"updtb", "f1", UPDTB_F1, "Update barrier parameter by formula 1\n"},
    {"updtb", "f2", UPDTB_F2, "Update barrier parameter by formula 2\n"},
    {"int_merit", "m1", MERIT_M1, "L2 merit function\n"},
    {"int_merit", "m2", MERIT_M2, "Augmented Lagrangian merit function\n"},
    {"int_ord", "pc", ORD_PC, "Predictor Corrector with dual ordering\n"},
    {"int_ord", "p", ORD_PRIMAL, "Primal ordering\n"},
    {"int_ord", "d", ORD_DUAL, "Dual ordering\n"},
    {"disc_nlp", "none", DISC_NLP_NONE, "No subproblem solver\n"},
    {"disc_nlp", "ipopt", DISC_NLP_IPOPT, "Subproblem solver Ipopt\n"},
};

int* enumField(SipOptions& o, const char* keyword) {
  if (!strcmp(keyword, "method")) return &o.method;
  if (!strcmp(keyword, "pf_type")) return &o.pf_type;
  if (!strcmp(keyword, "pf_int")) return &o.pf_int;
  if (!strcmp(keyword, "updtb")) return &o.updtb;
  if (!strcmp(keyword, "int_merit")) return &o.int_merit;
  if (!strcmp(keyword, "int_ord")) return &o.int_ord;
  if (!strcmp(keyword, "disc_nlp")) return &o.disc_nlp;
  return nullptr;
}

int* enumTarget(const char* keyword) { return enumField(sipOptions, keyword); }

}  // namespace

const int* enumValue(const SipOptions& o, const char* keyword) {
  return enumField(const_cast<SipOptions&>(o), keyword);
}

const char* enumWordOf(const char* keyword, int code) {
  for (const EnumWord& e : enumWords)
    if (!strcmp(e.keyword, keyword) && e.code == code) return e.word;
  return nullptr;
}

std::string realText(double v) {
  char text[64];
  snprintf(text, sizeof text, "%.17g", v);
  return text;
}

const char* methodWord(int method) {
  const char* word = enumWordOf("method", method);
  return word ? word : "unknown";
}

char* parseStringOption(std::string* target, char* value) {
  char* end = value;
  while (*end && !isspace((unsigned char)*end)) ++end;
  if (end == value) return value;
  target->assign(value, end);
  return end;
}

char* parseEnumOption(const char* keyword, char* value) {
  char* end = value;
  while (*end && !isspace((unsigned char)*end)) ++end;
  if (end == value) return value;
  int* target = enumTarget(keyword);
  if (!target) return value;
  for (const EnumWord& e : enumWords) {
    if (strcmp(e.keyword, keyword) != 0) continue;
    if (strncmp(value, e.word, strlen(e.word)) != 0) continue;
    *target = e.code;
    if (e.code == METHOD_INTP && target == &sipOptions.method) sipOptions.int_merit = MERIT_M2;
    fputs(e.message, stdout);
    return end;
  }
  return value;
}
