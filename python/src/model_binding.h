// ormid.Model's core: expressions, constraints and models of the C++
// library (include/ormid/model.h) as Python types.
#pragma once

#include <pybind11/pybind11.h>

void bindModel(pybind11::module_& m);
