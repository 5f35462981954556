// The extension module morvane._morvane.  The package morvane wraps it:
// use `import morvane`.
#include <pybind11/pybind11.h>

#include <morvane/morvane.h>

#include "bindings.hpp"

namespace morvane::python {

namespace {

// morvane._errors.Failure, looked up once when the module loads.
PyObject* gFailure = nullptr;

}  // namespace

void RaiseFailure(FailureKind kind) {
  const py::object failure = py::reinterpret_borrow<py::object>(gFailure)(FailureName(kind));
  PyErr_SetObject(gFailure, failure.ptr());
  throw py::error_already_set();
}

}  // namespace morvane::python

PYBIND11_MODULE(_morvane, m) {
  namespace py = pybind11;
  using namespace morvane::python;
  m.doc() = "The compiled core of the morvane package (use `import morvane`).";
  py::object failure = py::module_::import("morvane._errors").attr("Failure");
  gFailure = failure.release().ptr();
  m.def("version", &morvane_version, "The version of the library, \"0.2.0\".");
  m.def(
      "failure_name", &morvane_failure_name, py::arg("code"),
      "The name of a status code of the batch call (\"IndexOutOfRange\" for 1, ...).");
  BindObject(m);
  BindConvert(m);
}
