// Options by keyword: the library's table, and the program's reading and
// echo of values on top of it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ampl/option_parse.h"
#include "ampl/program_options.h"
#include "ormid/ormid.h"

using namespace ormid;

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

const Keyword& keywordNamed(const char* name) {
  for (const Keyword& k : programKeywords())
    if (!strcmp(k.name, name)) return k;
  throw std::runtime_error(name);
}

// Reads a value as the program does; returns how many characters were consumed.
long readValue(ProgramOptions& o, const char* keyword, std::string text, std::string* echo = nullptr) {
  CaptureStdout();
  char* end = readKeywordValue(o, keywordNamed(keyword), &text[0]);
  std::string out = GetCapturedStdout();
  if (echo) *echo = out;
  return end - &text[0];
}

TEST(Keywords, TablesAreSortedForTheOptionReaderAndCoverEveryWord) {
  for (const std::vector<Keyword>* table : {&keywords(), &programKeywords()}) {
    const std::vector<Keyword>& k = *table;
    for (size_t i = 1; i < k.size(); ++i) EXPECT_LT(strcmp(k[i - 1].name, k[i].name), 0) << k[i].name;
  }
  Options o;
  for (const Keyword& kw : keywords())
    for (const KeywordWord& w : kw.words) {
      ASSERT_TRUE(setOption(o, kw.name, w.word)) << kw.name << "=" << w.word;
      EXPECT_EQ(optionText(o, kw.name), w.word);
    }
  ProgramOptions p;
  for (const Keyword& kw : programKeywords())
    for (const KeywordWord& w : kw.words) {
      ASSERT_TRUE(setProgramOption(p, kw.name, w.word)) << kw.name << "=" << w.word;
      EXPECT_EQ(programOptionText(p, kw.name), w.word);
    }
}

// The program's keywords are the library's and the word sqp of method, in
// its old place among the words (they match by prefix, in order).
TEST(Keywords, SqpIsTheProgramsWordAlone) {
  std::vector<std::string> libraryWords, programWords;
  for (const KeywordWord& w : keywordNamed("method").words) programWords.push_back(w.word);
  for (const Keyword& k : keywords())
    if (!strcmp(k.name, "method"))
      for (const KeywordWord& w : k.words) libraryWords.push_back(w.word);
  EXPECT_EQ(programWords, (std::vector<std::string>{"disc_hett", "disc_reem", "disc_halt", "penalty_m", "penalty",
                                                    "sqp", "intp", "exchange"}));
  libraryWords.insert(libraryWords.begin() + 5, "sqp");
  EXPECT_EQ(libraryWords, programWords);
}

TEST(Keywords, SetOptionStoresTypedValuesAndRefusesBadOnes) {
  Options o;
  std::string error;
  EXPECT_TRUE(setOption(o, "method", "exchange"));
  EXPECT_EQ(o.method, Method::Exchange);
  EXPECT_TRUE(setOption(o, "feas_tol", "1e-8"));
  EXPECT_EQ(o.feasibilityTolerance, 1e-8);
  EXPECT_TRUE(setOption(o, "certificate", "0"));
  EXPECT_FALSE(o.certify);
  EXPECT_TRUE(setOption(o, "disc_h", "0.1,0.05"));
  EXPECT_EQ(o.gridSpacing, (std::vector<double>{0.1, 0.05}));
  EXPECT_TRUE(setOption(o, "seed", "42"));
  EXPECT_EQ(o.randomSeed, 42u);

  const Options before = o;
  EXPECT_FALSE(setOption(o, "no_such_keyword", "1", &error));
  EXPECT_NE(error.find("no_such_keyword"), std::string::npos);
  EXPECT_FALSE(setOption(o, "method", "exchangeX", &error));
  EXPECT_FALSE(setOption(o, "feas_tol", "1e-8abc", &error));
  EXPECT_FALSE(setOption(o, "maxitero", "12.5", &error));
  EXPECT_FALSE(setOption(o, "seed", "-1", &error));
  EXPECT_FALSE(setOption(o, "disc_h", "0.1,", &error));
  EXPECT_NE(error.find("disc_h"), std::string::npos);
  std::string tooLong = "0.5";
  for (int i = 0; i < 256; ++i) tooLong += ",0.5";  // 257 values
  for (const char* bad : {"0.1,,0.2", "0.1 ,0.2", ",0.1", "0.1;0.2"})
    EXPECT_FALSE(setOption(o, "disc_h", bad)) << bad;
  EXPECT_FALSE(setOption(o, "disc_h", tooLong));
  EXPECT_TRUE(setOption(o, "disc_h", " 0.1, 0.2"));  // strtod's spaces
  EXPECT_EQ(o.gridSpacing, (std::vector<double>{0.1, 0.2}));
  o.gridSpacing = before.gridSpacing;
  EXPECT_EQ(optionText(o, "method"), optionText(before, "method"));
  EXPECT_EQ(o.feasibilityTolerance, before.feasibilityTolerance);
  EXPECT_EQ(o.gridSpacing, before.gridSpacing);
}

TEST(Keywords, DefaultsAreTheProgramsAndTheLibraryIsSilent) {
  const Options o;
  EXPECT_EQ(o.method, Method::Penalty);
  EXPECT_EQ(o.penaltyType, PenaltyType::Exponential);
  EXPECT_EQ(o.kktOrdering, KktOrdering::Dual);
  EXPECT_EQ(o.meritFunction, MeritFunction::Default);
  EXPECT_EQ(o.maxOuterIterations, 400);
  EXPECT_EQ(o.randomSeed, 0u);
  EXPECT_EQ(o.printLevel, PrintLevel::Silent);
  EXPECT_TRUE(o.gridSpacing.empty());
}

TEST(ProgramReading, WordsMatchByPrefixInTableOrderAndEchoTheirDescription) {
  ProgramOptions o;
  std::string echo;
  EXPECT_EQ(readValue(o, "method", "penalty_mx", &echo), 10);
  EXPECT_EQ(o.library.method, Method::PenaltyMultiplier);
  EXPECT_EQ(echo, "Penalty multiplier method selected\n");
  EXPECT_EQ(readValue(o, "method", "pen", &echo), 0);
  EXPECT_EQ(echo, "");
  EXPECT_EQ(o.library.method, Method::PenaltyMultiplier);
  readValue(o, "int_ord", "primal", &echo);
  EXPECT_EQ(o.library.kktOrdering, KktOrdering::Primal);
  EXPECT_EQ(echo, "Primal ordering\n");
  readValue(o, "int_ord", "pc rest", &echo);
  EXPECT_EQ(o.library.kktOrdering, KktOrdering::PredictorCorrector);
  EXPECT_EQ(readValue(o, "pf_type", " p1"), 0);  // empty word
}

// sqp stands in for the library's method until another method is read.
TEST(ProgramReading, SqpIsTheMethodUntilAnotherIsRead) {
  ProgramOptions o;
  std::string echo;
  EXPECT_EQ(readValue(o, "method", "sqp", &echo), 3);
  EXPECT_EQ(echo, "SQP method selected\n");
  EXPECT_TRUE(o.sqp);
  EXPECT_EQ(methodWord(o), "sqp");
  EXPECT_EQ(programOptionText(o, "method"), "sqp");
  EXPECT_EQ(changedOptions(o), (std::vector<std::pair<std::string, std::string>>{{"method", "sqp"}}));
  readValue(o, "method", "exchange");
  EXPECT_FALSE(o.sqp);
  EXPECT_EQ(o.library.method, Method::Exchange);
  EXPECT_EQ(methodWord(o), "exchange");
  EXPECT_EQ(readValue(o, "method", "sq"), 0);  // no word: nothing changes
  EXPECT_FALSE(o.sqp);
}

// The report is the program's: the library refuses the keyword with the
// reason, the program reads a file name up to the first blank.
TEST(ProgramReading, ReportIsTheProgramsKeyword) {
  Options library;
  std::string why;
  EXPECT_FALSE(setOption(library, "report", "r.json", &why));
  EXPECT_EQ(why, "report is the ormid program's keyword: the library writes no file");
  EXPECT_EQ(optionText(library, "report"), "");
  ProgramOptions o;
  EXPECT_EQ(keywordNamed("report").kind, KeywordKind::Text);
  EXPECT_EQ(readValue(o, "report", "r.json method=exchange"), 6);
  EXPECT_EQ(o.report, "r.json");
  EXPECT_EQ(changedOptions(o), (std::vector<std::pair<std::string, std::string>>{{"report", "r.json"}}));
  EXPECT_FALSE(setProgramOption(o, "report", ""));
  EXPECT_FALSE(setProgramOption(o, "report", "a b"));
  EXPECT_EQ(o.report, "r.json");
  EXPECT_EQ(programKeywords().size(), keywords().size() + 1);
}

// The merit function is no longer tied to the order of the keywords: the
// interior point method's default is the augmented Lagrangian, and m1 stays
// m1 whichever keyword comes first.
TEST(ProgramReading, MethodLeavesAnExplicitMeritAlone) {
  ProgramOptions o;
  readValue(o, "int_merit", "m1");
  readValue(o, "method", "intp");
  EXPECT_EQ(o.library.method, Method::InteriorPoint);
  EXPECT_EQ(o.library.meritFunction, MeritFunction::L2);
}

TEST(ProgramReading, IntegersEchoRealsAreSilentListsStopAtATrailingComma) {
  ProgramOptions o;
  std::string echo;
  EXPECT_EQ(readValue(o, "disc_k", "4 more", &echo), 1);
  EXPECT_EQ(echo, "disc_k=4\n");
  EXPECT_EQ(o.library.gridLevels, 4);
  EXPECT_EQ(readValue(o, "disc_k", "x"), 0);
  EXPECT_EQ(readValue(o, "armijo", "0.5", &echo), 3);
  EXPECT_EQ(echo, "");
  EXPECT_EQ(o.library.armijoConstant, 0.5);
  EXPECT_EQ(readValue(o, "disc_h", "0.1,0.2,", &echo), 8);
  EXPECT_EQ(echo, "Expecting double value and obtained nothing\n");
  EXPECT_EQ(o.library.gridSpacing, (std::vector<double>{0.1, 0.2}));
  readValue(o, "disc_h", "0.5");
  EXPECT_EQ(o.library.gridSpacing, (std::vector<double>{0.5}));
  EXPECT_EQ(readValue(o, "disc_h", ",1"), 0);
}

TEST(ProgramReading, ChangedOptionsListOnlyWhatDiffersFromTheDefaults) {
  ProgramOptions o;
  setProgramOption(o, "method", "exchange");
  setProgramOption(o, "feas_tol", "1e-8");
  auto changed = changedOptions(o);
  ASSERT_EQ(changed.size(), 2u);
  EXPECT_EQ(changed[0].first, "feas_tol");
  EXPECT_EQ(changed[1], (std::pair<std::string, std::string>{"method", "exchange"}));
  EXPECT_EQ(methodWord(Method::EpsilonActiveDiscretization), "disc_reem");
  EXPECT_EQ(methodWord(static_cast<Method>(99)), "unknown");
}

}  // namespace
