// The extension module morvane._morvane.  The package morvane wraps it:
// use `import morvane`.
#include <pybind11/pybind11.h>

#include <morvane/morvane.h>

#include <new>
#include <string>

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
  m.def("version", &morvane_version, "The version of the library, \"0.3.0\".");
  m.def(
      "failure_name", &morvane_failure_name, py::arg("code"),
      "The name of a status code of the batch call (\"IndexOutOfRange\" for 1, ...).");
  m.def(
      "names_json",
      []() {
        const char* json = morvane_names_json();
        if (json == nullptr) throw std::bad_alloc();
        return py::str(json);
      },
      "The interface's names as the core defines them: its tables of kinds, datums,\n"
      "properties, failures and messages as one JSON text.");
  // A name with a NUL inside names nothing (the core would read it cut short).
  m.def(
      "kind_by_name",
      [](const std::string& name) {
        return name.find('\0') == std::string::npos ? morvane_kind_by_name(name.c_str()) : 0;
      },
      py::arg("name"),
      "The number of the input kind a user's name stands for (\"deg\", \"mvDeg\"; letter\n"
      "case and blanks do not count), or 0.");
  m.def(
      "datum_by_name",
      [](const std::string& name) {
        return name.find('\0') == std::string::npos ? morvane_datum_by_name(name.c_str()) : 0;
      },
      py::arg("name"),
      "The number of the datum a user's name stands for (\"wgs84\", \"mvWGS1984\", \"3\";\n"
      "letter case and blanks do not count), or 0.");
  m.def(
      "method_by_name",
      [](const std::string& name) {
        return name.find('\0') == std::string::npos ? morvane_method_by_name(name.c_str()) : -1;
      },
      py::arg("name"),
      "The number of the method a user's name stands for (\"shift\", \"grid\", \"1\"; letter\n"
      "case and blanks do not count), or -1.");
  m.def(
      "height_kind_by_name",
      [](const std::string& name) {
        return name.find('\0') == std::string::npos ? morvane_height_kind_by_name(name.c_str())
                                                    : -1;
      },
      py::arg("name"),
      "The number of the height kind a user's name stands for (\"ellipsoidal\", \"ostend\",\n"
      "\"none\"; letter case and blanks do not count), or -1.");
  m.def("grids_loaded", &morvane_grids_loaded,
        "1 when the national agency's grids are there (they are compiled in), else 0.");
  BindObject(m);
  BindConvert(m);
  BindSquares(m);
  BindRows(m);
}
