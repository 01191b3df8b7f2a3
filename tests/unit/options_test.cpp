// Option values as the keyword handlers parse and echo them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ampl/option_parse.h"
#include "core/sip.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

struct OptionsTest : ::testing::Test {
  void SetUp() override { setOptionDefaults(); }
  // Parses an enum value; returns how many characters were consumed.
  long enumValue(const char* keyword, std::string text, std::string* echo = nullptr) {
    CaptureStdout();
    char* end = parseEnumOption(keyword, &text[0]);
    std::string out = GetCapturedStdout();
    if (echo) *echo = out;
    return end - &text[0];
  }
};

TEST_F(OptionsTest, EnumWordsMatchByPrefixInTableOrder) {
  std::string echo;
  EXPECT_EQ(enumValue("method", "penalty_mx", &echo), 10);
  EXPECT_EQ(sipOptions.method, Method::PenaltyM);
  EXPECT_EQ(echo, "Penalty multiplier method selected\n");
  EXPECT_EQ(enumValue("method", "pen", &echo), 0);
  EXPECT_EQ(echo, "");
  EXPECT_EQ(sipOptions.method, Method::PenaltyM);
  enumValue("int_ord", "primal", &echo);
  EXPECT_EQ(sipOptions.int_ord, KktOrdering::Primal);
  EXPECT_EQ(echo, "Primal ordering\n");
  enumValue("int_ord", "pc rest", &echo);
  EXPECT_EQ(sipOptions.int_ord, KktOrdering::PredictorCorrector);
  EXPECT_EQ(enumValue("pf_type", " p1"), 0);  // empty word
}

TEST_F(OptionsTest, EveryEnumeratedWordStoresItsCodeAndPrintsItsMessage) {
  struct Word {
    const char *keyword, *word;
    int code;
    const char* message;
    int* target;
  };
  Options& o = sipOptions;
  const Word words[] = {
      {"method", "disc_hett", 0, "Discretization method selected Hettich version\n", &o.method},
      {"method", "disc_reem", 2, "Discretization method selected Reemtsen version\n", &o.method},
      {"method", "disc_halt", 1, "Discretization method selected Hettich version with Halton points\n", &o.method},
      {"method", "penalty_m", 5, "Penalty multiplier method selected\n", &o.method},
      {"method", "penalty", 3, "Penalty method selected\n", &o.method},
      {"method", "sqp", 10, "SQP method selected\n", &o.method},
      {"method", "intp", 13, "Interior point method selected\n", &o.method},
      {"pf_type", "p1", 5, "Penalty function 1\n", &o.pf_type},
      {"pf_type", "p2", 1, "Penalty function 2\n", &o.pf_type},
      {"pf_type", "p3", 6, "Penalty function 3\n", &o.pf_type},
      {"pf_int", "gaussian", 3, "Gaussian adaptative formula\n", &o.pf_int},
      {"pf_int", "trapzoid", 2, "Trapzoid adaptative formula\n", &o.pf_int},
      {"updtb", "f1", 1, "Update barrier parameter by formula 1\n", &o.updtb},
      {"updtb", "f2", 2, "Update barrier parameter by formula 2\n", &o.updtb},
      {"int_merit", "m1", 5, "L2 merit function\n", &o.int_merit},
      {"int_merit", "m2", 6, "Augmented Lagrangian merit function\n", &o.int_merit},
      {"int_ord", "pc", 2, "Predictor Corrector with dual ordering\n", &o.int_ord},
      {"int_ord", "p", 0, "Primal ordering\n", &o.int_ord},
      {"int_ord", "d", 1, "Dual ordering\n", &o.int_ord},
      {"disc_nlp", "ipopt", 1, "Subproblem solver Ipopt\n", &o.disc_nlp},
      {"disc_nlp", "none", 0, "No subproblem solver\n", &o.disc_nlp},
  };
  for (const Word& w : words) {
    *w.target = -1;
    std::string echo;
    EXPECT_EQ(enumValue(w.keyword, w.word, &echo), (long)strlen(w.word)) << w.word;
    EXPECT_EQ(*w.target, w.code) << w.word;
    EXPECT_EQ(echo, w.message);
  }
}

// The primal-dual step moves the multipliers as well: only the augmented
// Lagrangian merit function sees that progress.
TEST_F(OptionsTest, InteriorPointMethodSelectsAugmentedLagrangianMeritUnlessOverriddenLater) {
  enumValue("int_merit", "m1");
  enumValue("method", "intp");
  EXPECT_EQ(sipOptions.method, Method::Intp);
  EXPECT_EQ(sipOptions.int_merit, MeritFunction::M2);
  enumValue("int_merit", "m1");
  EXPECT_EQ(sipOptions.int_merit, MeritFunction::M1);
}

TEST_F(OptionsTest, IntegersEchoRealsAreSilent) {
  std::string text = "4 more";
  CaptureStdout();
  char* end = parseIntOption("disc_k", &sipOptions.disc_k, &text[0]);
  EXPECT_EQ(GetCapturedStdout(), "disc_k=4\n");
  EXPECT_EQ(end, &text[1]);
  EXPECT_EQ(sipOptions.disc_k, 4);
  std::string bad = "x";
  EXPECT_EQ(parseIntOption("disc_k", &sipOptions.disc_k, &bad[0]), &bad[0]);
  std::string real = "0.5";
  CaptureStdout();
  parseRealOption(&sipOptions.armijo, &real[0]);
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_EQ(sipOptions.armijo, 0.5);
}

TEST_F(OptionsTest, DiscHListsReplaceEarlierListsAndStopAtTrailingComma) {
  std::string text = "0.1,0.2,";
  CaptureStdout();
  char* end = parseListOption(&text[0]);
  EXPECT_EQ(GetCapturedStdout(), "Expecting double value and obtained nothing\n");
  EXPECT_EQ(sipOptions.disc_h, (std::vector<double>{0.1, 0.2}));
  EXPECT_EQ(*end, '\0');
  std::string second = "0.5";
  parseListOption(&second[0]);
  EXPECT_EQ(sipOptions.disc_h, (std::vector<double>{0.5}));
  std::string none = ",1";
  EXPECT_EQ(parseListOption(&none[0]), &none[0]);
}

TEST_F(OptionsTest, DefaultsOfSharedAndSpecialSettings) {
  EXPECT_EQ(sipOptions.method, Method::Penalty);
  EXPECT_EQ(sipOptions.pf_type, PenaltyType::P3);
  EXPECT_EQ(sipOptions.int_ord, KktOrdering::Dual);
  EXPECT_EQ(sipOptions.int_merit, 0);
  EXPECT_EQ(sipOptions.maxitero, 400);
  EXPECT_EQ(sipOptions.pf_eps, 1e-4);
  EXPECT_TRUE(sipOptions.disc_h.empty());
  EXPECT_EQ(sipOptions.choleskyFloor, 1e-12);
}

}  // namespace
