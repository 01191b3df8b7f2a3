// The option-information record handed to the library's option reader.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ormid/ormid.h"

struct Option_Info;
Option_Info* ormidOptionInfo();

// The keywords whose values in o differ from their defaults, with the
// values as text, in the keyword table's order.
std::vector<std::pair<std::string, std::string>> changedOptions(const SipOptions& o);
