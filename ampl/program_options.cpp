#include "ampl/program_options.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace ormid {

namespace {

const char* const METHOD = "method";
const char* const REPORT = "report";
const KeywordWord SQP = {"sqp", "SQP method selected"};
// Words match by prefix in the table's order: sqp keeps its place after
// penalty.
const char* const SQP_FOLLOWS = "penalty";

bool named(const char* a, const char* b) { return strcmp(a, b) == 0; }

std::vector<Keyword> makeProgramKeywords() {
  std::vector<Keyword> list = keywords();
  for (Keyword& k : list) {
    if (!named(k.name, METHOD)) continue;
    auto at = std::find_if(k.words.begin(), k.words.end(),
                           [](const KeywordWord& w) { return named(w.word, SQP_FOLLOWS); });
    k.words.insert(at == k.words.end() ? at : at + 1, SQP);
  }
  const Keyword report = {REPORT, KeywordKind::Text, "Write a JSON report of the run to this file", {}};
  auto before = [](const Keyword& a, const Keyword& b) { return strcmp(a.name, b.name) < 0; };
  list.insert(std::lower_bound(list.begin(), list.end(), report, before), report);
  return list;
}

// A file name: not empty, no blank.
bool isFileName(const std::string& text) {
  return !text.empty() &&
         std::none_of(text.begin(), text.end(), [](char c) { return isspace((unsigned char)c); });
}

}  // namespace

const std::vector<Keyword>& programKeywords() {
  static const std::vector<Keyword> list = makeProgramKeywords();
  return list;
}

bool setProgramOption(ProgramOptions& o, const std::string& keyword, const std::string& value) {
  if (keyword == REPORT) {
    if (!isFileName(value)) return false;
    o.report = value;
    return true;
  }
  if (keyword == METHOD && value == SQP.word) {
    o.sqp = true;
    return true;
  }
  if (!setOption(o.library, keyword, value)) return false;
  if (keyword == METHOD) o.sqp = false;
  return true;
}

std::string programOptionText(const ProgramOptions& o, const std::string& keyword) {
  if (keyword == REPORT) return o.report;
  if (keyword == METHOD && o.sqp) return SQP.word;
  return optionText(o.library, keyword);
}

std::string methodWord(Method method) {
  Options o;
  o.method = method;
  std::string word = optionText(o, METHOD);
  return word.empty() || isdigit((unsigned char)word[0]) ? "unknown" : word;
}

std::string methodWord(const ProgramOptions& o) { return o.sqp ? SQP.word : methodWord(o.library.method); }

std::vector<std::pair<std::string, std::string>> changedOptions(const ProgramOptions& o) {
  const ProgramOptions defaults;
  std::vector<std::pair<std::string, std::string>> changed;
  for (const Keyword& k : programKeywords()) {
    std::string now = programOptionText(o, k.name);
    if (now != programOptionText(defaults, k.name)) changed.push_back({k.name, now});
  }
  return changed;
}

}  // namespace ormid
