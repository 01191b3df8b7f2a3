// The one-line summary of a run that the program appends to ./results, for
// the methods whose result carries one.
#pragma once

#include "ormid/ormid.h"

namespace ormid {

// Appends the row; prints one line and goes on when ./results cannot be
// opened.
void appendSummaryRow(const Summary& summary);

}  // namespace ormid
