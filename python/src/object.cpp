// morvane.ZedizAdo: the C++ object with the interface's properties.
#include <pybind11/pybind11.h>

#include <string>

#include "bindings.hpp"
#include <morvane/zediz_ado.hpp>
#include "values.hpp"

namespace morvane::python {

namespace {

using Object = morvane::ZedizAdo;

// The object behind `self`.  An instance made by ZedizAdo.__new__ without
// __init__ holds no object: every method and property refuses it with a
// TypeError instead of reading memory that was never written.
Object& Self(py::handle self) {
  if (!py::isinstance<Object>(self)) {
    throw py::type_error(std::string("a ZedizAdo method called on ") + Py_TYPE(self.ptr())->tp_name);
  }
  auto* instance = reinterpret_cast<py::detail::instance*>(self.ptr());
  py::detail::value_and_holder held = instance->get_value_and_holder();
  if (!held.holder_constructed() || held.value_ptr() == nullptr) {
    throw py::type_error("this ZedizAdo was made without __init__: use morvane.ZedizAdo()");
  }
  return *static_cast<Object*>(held.value_ptr());
}

py::object Copy(py::handle self) { return py::cast(Object(Self(self))); }

}  // namespace

void BindObject(py::module_& m) {
  py::class_<Object> c(m, "ZedizAdo", R"(One point in every representation Morvane knows.

Set DatumFrom, DatumDest and OrigType, fill the input properties that
OrigType names, call Conversion() and read the other properties back.
Problems with the input leave a French message in Error (kept until
Reset()); Conversion() raises morvane.Failure only for an index outside a
table, a 16-bit integer overflow or a floating-point fault, and then
leaves the object as it was.

A put of the wrong type raises TypeError and a number that the property
cannot hold raises OverflowError; neither changes the object.

    o = morvane.ZedizAdo()
    o.DatumFrom = morvane.mvWGS1984
    o.DatumDest = morvane.mvBelgium1972
    o.OrigType = morvane.mvDeg
    o.Latitude, o.Longitude = 50.8, 4.35
    o.Conversion()
    o.X, o.Y, o.IFBL, o.MGRS, o.Error
)");
  c.attr("__module__") = "morvane";  // how the package names it
  c.def(py::init<>(), "A new object: both datums on European 1950, every other property empty.");
  c.def(
      "Conversion",
      [](py::handle self) {
        Object& o = Self(self);
        try {
          o.Conversion();
        } catch (const Failure& failure) {
          RaiseFailure(failure.kind());
        }
      },
      "Converts the input that OrigType names into every other representation.\n\n"
      "Raises morvane.Failure (its .kind names the failure) for an index outside a\n"
      "table, a 16-bit integer overflow or a floating-point fault; the object is\n"
      "then as it was before the call.  Problems with the input are not failures:\n"
      "they leave a French message in Error.");
  c.def("Reset", [](py::handle self) { Self(self).Reset(); },
        "Empties Error and clears X, Y, OrigType, MGRS, IFBL, Latitude, Longitude,\n"
        "Northing and Easting; keeps the datums, the precisions and the DMS fields.");

#define MORVANE_NUMBER(Name, Take, doc)                                                     \
  c.def_property(                                                                          \
      #Name, [](py::handle self) { return Self(self).Name(); },                            \
      [](py::handle self, py::handle v) { Self(self).Name(Take(v, #Name)); }, doc)
  MORVANE_NUMBER(Latitude, TakeDouble, "Latitude in decimal degrees, north positive (float).");
  MORVANE_NUMBER(Longitude, TakeDouble, "Longitude in decimal degrees, east positive (float).");
  MORVANE_NUMBER(X, TakeDouble, "Belgian Lambert 1972 X, metres (float).");
  MORVANE_NUMBER(Y, TakeDouble, "Belgian Lambert 1972 Y, metres (float).");
  MORVANE_NUMBER(Northing, TakeDouble, "UTM northing, metres (float; an output).");
  MORVANE_NUMBER(Easting, TakeDouble, "UTM easting, metres (float; an output).");
  MORVANE_NUMBER(LatDmsDeg, TakeInt16, "Latitude degrees (16-bit integer); carries the sign.");
  MORVANE_NUMBER(LatDmsMin, TakeInt16, "Latitude minutes (16-bit integer).");
  MORVANE_NUMBER(LatDmsSec, TakeFloat, "Latitude seconds (32-bit float).");
  MORVANE_NUMBER(LonDmsDeg, TakeInt16, "Longitude degrees (16-bit integer); carries the sign.");
  MORVANE_NUMBER(LonDmsMin, TakeInt16, "Longitude minutes (16-bit integer).");
  MORVANE_NUMBER(LonDmsSec, TakeFloat, "Longitude seconds (32-bit float).");
#undef MORVANE_NUMBER

  c.def_property(
      "OrigType",
      [](py::handle self) -> py::object {
        const int value = Self(self).OrigType();
        if (value >= mvMgrs && value <= mvDegMinSec) {
          return py::module_::import("morvane._enums").attr("OriginalCoordinates")(value);
        }
        return py::int_(value);
      },
      [](py::handle self, py::handle v) {
        Self(self).OrigType(static_cast<OriginalCoordinates>(TakeInt32(v, "OrigType")));
      },
      "The kind of the input (an OriginalCoordinates member; a plain int when the\n"
      "stored value names none).  Any 32-bit value is stored; outside 1..5 with a\n"
      "message in Error.");
  c.def_property(
      "DatumFrom", nullptr,
      [](py::handle self, py::handle v) {
        Self(self).DatumFrom(static_cast<InternalDatums>(TakeInt32(v, "DatumFrom")));
      },
      "Write-only: the datum of degree, DMS and MGRS input (an InternalDatums\n"
      "member).  Any 32-bit value is stored; outside 1..4 with a message in Error.");
  c.def_property(
      "DatumDest", nullptr,
      [](py::handle self, py::handle v) {
        Self(self).DatumDest(static_cast<InternalDatums>(TakeInt32(v, "DatumDest")));
      },
      "Write-only: the datum of the degree, DMS, UTM and MGRS output (an\n"
      "InternalDatums member).  Any 32-bit value is stored; outside 1..4 with a\n"
      "message in Error.");
  c.def_property(
      "mgrsPrecision", [](py::handle self) { return Self(self).mgrsPrecision; },
      [](py::handle self, py::handle v) { Self(self).mgrsPrecision = TakeInt32(v, "mgrsPrecision"); },
      "MGRS precision in metres (32-bit integer): 10000, 1000, 100 or 10; anything\n"
      "else 1 m.");
  c.def_property(
      "IfblPrecision", [](py::handle self) { return Self(self).IfblPrecision; },
      [](py::handle self, py::handle v) { Self(self).IfblPrecision = TakeInt16(v, "IfblPrecision"); },
      "IFBL code length (16-bit integer): 2 or 4 characters; anything else 6.");
  c.def_property(
      "MGRS", [](py::handle self) { return TextToPython(Self(self).MGRS()); },
      [](py::handle self, py::handle v) { Self(self).MGRS(TakeText(v, "MGRS")); },
      "MGRS reference (str); a put stores it without its leading and trailing blanks.");
  c.def_property(
      "IFBL", [](py::handle self) { return TextToPython(Self(self).IFBL()); },
      [](py::handle self, py::handle v) { Self(self).IFBL(TakeText(v, "IFBL")); },
      "IFBL square code (str); a put stores it without blanks, full stops and\n"
      "hyphens.");
  c.def_property_readonly(
      "Error", [](py::handle self) { return TextToPython(Self(self).Error()); },
      "Read-only: the last message (a French text), empty when there is none.");

  c.def("__copy__", [](py::handle self) { return Copy(self); });
  c.def("__deepcopy__", [](py::handle self, py::handle) { return Copy(self); }, py::arg("memo"));
  c.def(
      "__eq__",
      [](py::handle a, py::handle b) -> py::object {
        const Object& self = Self(a);
        if (!py::isinstance<Object>(b)) return py::reinterpret_borrow<py::object>(Py_NotImplemented);
        return py::bool_(self.IdenticalTo(Self(b)));
      },
      py::is_operator(),
      "The same whole state, datums included, numbers bit for bit (a NaN equals\n"
      "itself).");
  c.attr("__hash__") = py::none();
  c.def("__repr__", [](py::handle self) {
    const Object& o = Self(self);
    return "<morvane.ZedizAdo OrigType=" + std::to_string(o.OrigType()) +
           " Error=" + py::repr(TextToPython(o.Error())).cast<std::string>() + ">";
  });
}

}  // namespace morvane::python
