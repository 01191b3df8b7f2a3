// The option-information record handed to the AMPL Solver Library's option
// reader, built from the library's keyword table.
#pragma once

#include "ormid/ormid.h"

struct Option_Info;

namespace ormid {

// The record whose keyword handlers store into target (which must outlive
// the reading).
Option_Info* ormidOptionInfo(Options& target);

}  // namespace ormid
