// The model's constraint bodies as expression graphs, read from the stub a
// second time by the AMPL Solver Library's plain reader.
#pragma once

#include <string>
#include <vector>

#include "verify/expression.h"

namespace ormid {

// One graph per AMPL constraint (nonlinear part, linear part and the
// defined variables it uses, expanded), variables in AMPL's numbering.
// Leaves the program's library object current again. False, saying why,
// when the stub cannot be read.
bool readConstraintExpressions(const char* stub, std::vector<Expression>* out, std::string* why);

}  // namespace ormid
