// The grammar of a list of reals (disc_h=0.1,0.05), one for the keyword
// table and for the program's reading of its command line.
#pragma once

#include <cstddef>
#include <vector>

namespace ormid {

// How many characters at the start of text make a comma-separated list of
// reals (strtod's grammar for each); 0 for none. danglingComma: the list
// stopped at a comma with no real after it (not counted in the length).
size_t realListLength(const char* text, bool* danglingComma);

// The reals of a list that realListLength measured.
std::vector<double> realListValues(const char* text, size_t length);

}  // namespace ormid
