// What the binding's solves share: options from keyword texts, and a
// library Result as the dictionary ormid.Result is made from.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <map>
#include <memory>
#include <string>

#include "ormid/ormid.h"

namespace pyormid {

namespace py = pybind11;

py::array_t<double> vector(const double* v, int n);

// Options from keyword texts; a bad keyword or value is a ValueError.
// print_level above 0 prints through sys.stdout.
ormid::Options optionsOf(const std::map<std::string, std::string>& keywords, int printLevel);

py::dict resultOf(const ormid::Result& r);

// A warm start from an ormid.Result (its x, and the constraint and t of its
// active and worst points); null for None.
std::unique_ptr<ormid::WarmStart> warmStartOf(const py::object& warm);

}  // namespace pyormid
