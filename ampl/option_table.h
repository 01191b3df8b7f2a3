// The option-information record handed to the AMPL Solver Library's option
// reader, built from the program's keyword table.
#pragma once

#include "ampl/program_options.h"

struct Option_Info;

namespace ormid {

// The record whose keyword handlers store into target (which must outlive
// the reading).
Option_Info* ormidOptionInfo(ProgramOptions& target);

}  // namespace ormid
