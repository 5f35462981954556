#include "values.hpp"

#include <cmath>
#include <limits>
#include <vector>

#include "base/utf8.hpp"

namespace morvane::python {

namespace {

[[noreturn]] void Raise(PyObject* type, const std::string& message) {
  PyErr_SetString(type, message.c_str());
  throw py::error_already_set();
}

std::string TypeName(py::handle value) { return Py_TYPE(value.ptr())->tp_name; }

std::string Repr(py::handle value) { return py::repr(value).cast<std::string>(); }

// True, False and numpy's booleans: refused wherever a number is expected
// (numpy's have __index__ and __float__, and would be read as 0 or 1).
bool IsBoolean(PyObject* v) {
  if (PyBool_Check(v)) return true;
  PyObject* numpy = PyImport_GetModule(py::str("numpy").ptr());  // only when imported
  if (numpy == nullptr) {
    PyErr_Clear();
    return false;
  }
  PyObject* type = PyObject_GetAttrString(numpy, "bool_");
  Py_DECREF(numpy);
  if (type == nullptr) {
    PyErr_Clear();
    return false;
  }
  const int is = PyObject_IsInstance(v, type);
  Py_DECREF(type);
  if (is < 0) PyErr_Clear();
  return is == 1;
}

// The largest double that rounds to a finite float (to nearest, ties to
// even: FLT_MAX plus half of its last place rounds up to infinity).
constexpr double kFloatLimit = 0x1.ffffffp+127;

}  // namespace

long long TakeInteger(py::handle value, const char* property, const char* type, long long min,
                      long long max) {
  PyObject* v = value.ptr();
  if (IsBoolean(v) || !PyIndex_Check(v)) {
    Raise(PyExc_TypeError,
          std::string(property) + " takes an integer, not " + TypeName(value));
  }
  const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(v));
  if (!index) throw py::error_already_set();
  int overflow = 0;
  const long long number = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
  if (number == -1 && PyErr_Occurred()) throw py::error_already_set();
  if (overflow != 0 || number < min || number > max) {
    Raise(PyExc_OverflowError, std::string(property) + " takes " + type + " (" +
                                   std::to_string(min) + " to " + std::to_string(max) +
                                   "), not " + Repr(index));
  }
  return number;
}

std::int16_t TakeInt16(py::handle value, const char* property) {
  return static_cast<std::int16_t>(TakeInteger(value, property, "a 16-bit integer",
                                               std::numeric_limits<std::int16_t>::min(),
                                               std::numeric_limits<std::int16_t>::max()));
}

std::int32_t TakeInt32(py::handle value, const char* property) {
  return static_cast<std::int32_t>(TakeInteger(value, property, "a 32-bit integer",
                                               std::numeric_limits<std::int32_t>::min(),
                                               std::numeric_limits<std::int32_t>::max()));
}

double TakeDouble(py::handle value, const char* property) {
  PyObject* v = value.ptr();
  if (PyFloat_Check(v)) return PyFloat_AS_DOUBLE(v);
  const PyNumberMethods* number = Py_TYPE(v)->tp_as_number;
  const bool real = number != nullptr && (number->nb_float != nullptr || number->nb_index != nullptr);
  if (IsBoolean(v) || !real) {
    Raise(PyExc_TypeError, std::string(property) + " takes a number, not " + TypeName(value));
  }
  const double result = PyFloat_AsDouble(v);
  if (result == -1.0 && PyErr_Occurred()) {
    if (!PyErr_ExceptionMatches(PyExc_OverflowError)) throw py::error_already_set();
    PyErr_Clear();
    Raise(PyExc_OverflowError,
          std::string(property) + " takes a 64-bit float, which cannot hold this integer");
  }
  return result;
}

float TakeFloat(py::handle value, const char* property) {
  const double number = TakeDouble(value, property);
  if (std::isfinite(number) && std::fabs(number) >= kFloatLimit) {
    Raise(PyExc_OverflowError, std::string(property) +
                                   " takes a 32-bit float (at most 3.4028235e+38 in size), not " +
                                   Repr(value));
  }
  return static_cast<float>(number);
}

std::string TakeText(py::handle value, const char* property) {
  if (!PyUnicode_Check(value.ptr())) {
    Raise(PyExc_TypeError, std::string(property) + " takes a str, not " + TypeName(value));
  }
  PyObject* v = value.ptr();
  Py_ssize_t size = 0;
  if (const char* text = PyUnicode_AsUTF8AndSize(v, &size)) {
    return std::string(text, static_cast<std::size_t>(size));
  }
  // A lone surrogate, which UTF-8 cannot carry: written as U+FFFD, as
  // convert() writes it.
  if (!PyErr_ExceptionMatches(PyExc_UnicodeEncodeError)) throw py::error_already_set();
  PyErr_Clear();
  std::string text;
  const Py_ssize_t n = PyUnicode_GetLength(v);
  for (Py_ssize_t i = 0; i < n; ++i) utf8::Append(text, PyUnicode_ReadChar(v, i));
  return text;
}

py::str TextToPython(std::string_view text) {
  bool ascii = true;
  for (const char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return py::str(text.data(), text.size());
  std::vector<char32_t> points(text.size());
  const std::size_t n = utf8::DecodeUtf8(text.data(), text.size(), points.data());
  PyObject* s = PyUnicode_FromKindAndData(PyUnicode_4BYTE_KIND, points.data(),
                                          static_cast<Py_ssize_t>(n));
  if (s == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(s);
}

}  // namespace morvane::python
