// A model written as an AMPL stub: the text .nl format (every variable
// declared nonlinear, each function's graph written out as its expression
// tree), and the .row and .col name files the `ormid` program partitions
// by (infinite names begin with t).
//
// D. M. Gay, "Writing .nl Files", Sandia report SAND2005-7907P, 2005.
#pragma once

#include <string>

namespace ormid {

class ModelGraph;

std::string nlText(const ModelGraph& g);
std::string rowText(const ModelGraph& g);
std::string colText(const ModelGraph& g);
// Writes stub.nl, stub.row and stub.col; false, saying why, on failure.
bool writeNlFiles(const ModelGraph& g, const std::string& stub, std::string* why);

}  // namespace ormid
