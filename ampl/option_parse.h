// Keyword values as the program reads and echoes them: each reader takes
// what it can from the text, sets the option through the program's keyword
// table, and returns where reading goes on (value itself when the value is
// bad).
#pragma once

#include "ampl/program_options.h"

namespace ormid {

// Integers and switches echo "keyword=value"; words echo their description.
char* readKeywordValue(ProgramOptions& o, const Keyword& keyword, char* value);

}  // namespace ormid
