// The parts of the extension module morvane._morvane.
#pragma once

#include <pybind11/pybind11.h>

#include <morvane/failure.hpp>

namespace morvane::python {

namespace py = pybind11;

// Raises morvane.Failure for a failed conversion.
[[noreturn]] void RaiseFailure(FailureKind kind);

void BindObject(py::module_& m);
void BindConvert(py::module_& m);
void BindSquares(py::module_& m);
void BindRows(py::module_& m);

}  // namespace morvane::python
