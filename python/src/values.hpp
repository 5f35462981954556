// Python values taken into the object's properties and handed back out.
//
// A put checks the value before anything is stored: a value of the wrong
// type raises TypeError and a number that the property's type cannot hold
// raises OverflowError, so that a refused put leaves the object as it was.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace morvane::python {

namespace py = pybind11;

// An int (or any object with __index__, booleans numpy's included
// excepted) within min..max.
long long TakeInteger(py::handle value, const char* property, const char* type, long long min,
                      long long max);
std::int16_t TakeInt16(py::handle value, const char* property);
std::int32_t TakeInt32(py::handle value, const char* property);
// A real number: float, int or anything with __float__ (booleans, numpy's
// included, and texts excepted).
double TakeDouble(py::handle value, const char* property);
// A real number that a 32-bit float holds (infinities and NaN included).
float TakeFloat(py::handle value, const char* property);
// A str, as UTF-8 (a lone surrogate as U+FFFD, as convert() writes it).
std::string TakeText(py::handle value, const char* property);

// A UTF-8 text of the core as a str (invalid bytes as U+FFFD).
py::str TextToPython(std::string_view text);

}  // namespace morvane::python
