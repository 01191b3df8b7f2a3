// Option values as the keyword handlers parse and echo them.
#include <gtest/gtest.h>

#include <string>

#include "option_parse.h"
#include "sip.h"

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
  EXPECT_EQ(sipOptions.method, METHOD_PENALTY_M);
  EXPECT_EQ(echo, "Penalty multiplier method selected\n");
  EXPECT_EQ(enumValue("method", "pen", &echo), 0);
  EXPECT_EQ(echo, "");
  EXPECT_EQ(sipOptions.method, METHOD_PENALTY_M);
  enumValue("int_ord", "primal", &echo);
  EXPECT_EQ(sipOptions.int_ord, ORD_PRIMAL);
  EXPECT_EQ(echo, "Primal ordering\n");
  enumValue("int_ord", "pc rest", &echo);
  EXPECT_EQ(sipOptions.int_ord, ORD_PC);
  EXPECT_EQ(enumValue("pf_type", " p1"), 0);  // empty word
}

TEST_F(OptionsTest, InteriorPointMethodSelectsL2MeritUnlessOverriddenLater) {
  enumValue("int_merit", "m2");
  enumValue("method", "intp");
  EXPECT_EQ(sipOptions.method, METHOD_INTP);
  EXPECT_EQ(sipOptions.int_merit, MERIT_M1);
  enumValue("int_merit", "m2");
  EXPECT_EQ(sipOptions.int_merit, MERIT_M2);
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
  EXPECT_EQ(sipOptions.method, METHOD_PENALTY);
  EXPECT_EQ(sipOptions.pf_type, PF_P3);
  EXPECT_EQ(sipOptions.int_ord, ORD_DUAL);
  EXPECT_EQ(sipOptions.int_merit, 0);
  EXPECT_EQ(sipOptions.maxitero, 400);
  EXPECT_EQ(sipOptions.pf_eps, 1e-4);
  EXPECT_TRUE(sipOptions.disc_h.empty());
  EXPECT_EQ(sipOptions.choleskyFloor, 1e-12);
}

}  // namespace
