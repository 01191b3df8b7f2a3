// The interval evaluator of an AMPL model for verify: the infinite
// constraints' expression graphs, evaluated with x fixed over boxes of T.
#pragma once

#include "ormid/ormid.h"

namespace ormid {

// Reads the stub's expression graphs and gives p its interval evaluator and,
// for each infinite constraint without one, the reason. Needs the
// partition built; the graphs live until releaseIntervalModel.
void attachIntervalModel(Problem& p, const char* stub);
void releaseIntervalModel();

}  // namespace ormid
