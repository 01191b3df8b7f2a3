// The `ormid` program's settings by keyword: the library's options, and
// what the program does itself: its JSON report, and the method sqp, which
// needs an external NLP solver that this system does not contain (the
// program runs the library's checks and stops). The program's keywords are
// the library's table with report added and the word sqp added to method.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ormid/ormid.h"

namespace ormid {

struct ProgramOptions {
  Options library;     // what the library's solve reads
  std::string report;  // report=FILE: the run's JSON report; empty: none
  bool sqp = false;    // method=sqp, in place of library.method
};

// Every keyword of the program, sorted by name for the option reader.
const std::vector<Keyword>& programKeywords();

// Sets a keyword's option from its text as setOption does; false, leaving
// o as it was, for an unknown keyword or a bad value.
bool setProgramOption(ProgramOptions& o, const std::string& keyword, const std::string& value);

// A keyword's value as text (as optionText); empty for an unknown keyword.
std::string programOptionText(const ProgramOptions& o, const std::string& keyword);

// The word of the method ("unknown" when it has none).
std::string methodWord(Method method);
std::string methodWord(const ProgramOptions& o);

// The keywords whose values in o differ from their defaults, with the
// values as text, in the keyword table's order.
std::vector<std::pair<std::string, std::string>> changedOptions(const ProgramOptions& o);

}  // namespace ormid
