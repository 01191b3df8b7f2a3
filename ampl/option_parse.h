// Keyword values as the program reads and echoes them: each reader takes
// what it can from the text, sets the option through the library's keyword
// table, and returns where reading goes on (value itself when the value is
// bad).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ormid/ormid.h"

namespace ormid {

// Integers and switches echo "keyword=value"; words echo their description.
char* readKeywordValue(Options& o, const Keyword& keyword, char* value);

// The word of a method ("unknown" when it has none).
std::string methodWord(Method method);

// The keywords whose values in o differ from their defaults, with the
// values as text, in the keyword table's order.
std::vector<std::pair<std::string, std::string>> changedOptions(const Options& o);

}  // namespace ormid
