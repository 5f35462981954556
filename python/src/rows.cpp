// morvane._morvane: the column table and the rows of a table, for
// morvane.find_columns and morvane.convert_frame.
//
// The columns a header's names stand for are chosen by the core
// (morvane_find_columns), and every row is converted by the core's rows
// call (morvane_convert_rows), which reads each row's kind and datum from
// its own texts when the table gives them.  The package hands over
// columns already in the types the core reads (float64, int16, float32)
// and the texts as UTF-8 bytes without NUL characters; they are copied
// here under the GIL, and the rows are converted a chunk at a time with
// the GIL released.  The text outputs come back as lists of str, as pandas
// holds texts.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <morvane/columns.hpp>
#include <morvane/morvane.h>
#include <morvane/names.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bindings.hpp"

namespace morvane::python {

namespace {

// A list of texts (bytes, UTF-8) as the core reads them: null-terminated
// strings, one per row.
struct Texts {
  std::vector<std::string> text;
  std::vector<const char*> pointer;

  void Take(const py::list& list, std::ptrdiff_t count, const char* what) {
    if (static_cast<std::ptrdiff_t>(list.size()) != count)
      throw py::value_error(std::string(what) + " is not of the table's length");
    text.reserve(list.size());
    for (const py::handle item : list) {
      if (!py::isinstance<py::bytes>(item)) throw py::type_error(std::string(what) + " holds a value that is not bytes");
      std::string value = item.cast<std::string>();
      // The package replaces NUL characters; one that is left would cut
      // the text short in the core.
      if (value.find('\0') != std::string::npos)
        throw py::value_error(std::string(what) + " holds a NUL character");
      text.push_back(std::move(value));
    }
    pointer.reserve(text.size());
    for (const std::string& t : text) pointer.push_back(t.c_str());
  }
  const char* const* Data() const { return pointer.empty() ? nullptr : pointer.data(); }
};

// A number column, copied: the package passes one-dimensional arrays of
// the table's length in the core's type.
template <typename T>
std::vector<T> TakeNumbers(const py::handle& value, std::ptrdiff_t count, const char* what) {
  const auto array = py::array_t<T, py::array::c_style>::ensure(value);
  if (!array || array.ndim() != 1 || array.shape(0) != count)
    throw py::value_error(std::string(what) + " is not a column of the table's length in the core's type");
  return std::vector<T>(array.data(), array.data() + count);
}

[[noreturn]] void RaiseStatus(int status) {
  if (status == MORVANE_E_NO_MEMORY) throw std::bad_alloc();
  const std::string what = std::string("the rows call refused the table: ") + morvane_failure_name(status);
  switch (status) {
    case MORVANE_E_COUNT:
    case MORVANE_E_KIND:
    case MORVANE_E_DATUM:
    case MORVANE_E_THREADS:
    case MORVANE_E_SETTING:
      throw py::value_error(what);
    default:
      throw std::runtime_error(what);
  }
}

// The columns of a header: morvane_find_columns.  Returns (status,
// reason, found_kind, datum_column, problem, {role: column}).
py::tuple FindColumns(const std::vector<std::string>& names, std::int32_t kind, bool codesOnly,
                      bool height) {
  std::vector<const char*> pointers;
  for (const std::string& name : names) {
    if (name.find('\0') != std::string::npos) throw py::value_error("a column name holds a NUL character");
    pointers.push_back(name.c_str());
  }
  morvane_columns columns{};
  columns.size = sizeof columns;
  columns.kind = kind;
  columns.codes_only = codesOnly ? 1 : 0;
  columns.height = height ? 1 : 0;
  std::string reason(1024, '\0');
  int status = morvane_find_columns(pointers.data(), static_cast<std::ptrdiff_t>(pointers.size()),
                                    &columns, reason.data(), reason.size());
  if (status != MORVANE_OK && status != MORVANE_E_COLUMNS) RaiseStatus(status);
  // A reason longer than the buffer: asked again with room for it all.
  if (std::strlen(reason.c_str()) + 1 == reason.size()) {
    reason.assign(reason.size() + 64 * names.size() + 4096, '\0');
    morvane_columns again{};
    again.size = sizeof again;
    again.kind = kind;
    again.codes_only = columns.codes_only;
    again.height = columns.height;
    status = morvane_find_columns(pointers.data(), static_cast<std::ptrdiff_t>(pointers.size()), &again,
                                  reason.data(), reason.size());
    columns = again;
  }
  reason.resize(std::strlen(reason.c_str()));
  py::dict found;
  for (std::int32_t role = 1; role <= MORVANE_COLUMN_ROLES; ++role)
    if (columns.column[role] >= 0) found[py::int_(role)] = columns.column[role];
  PyObject* text = PyUnicode_DecodeUTF8(reason.data(), static_cast<Py_ssize_t>(reason.size()), "replace");
  if (text == nullptr) throw py::error_already_set();
  return py::make_tuple(status, py::reinterpret_steal<py::str>(text), columns.found_kind,
                        columns.datum_column, columns.problem, found);
}

// Converts the rows: morvane_rows_widths and morvane_convert_rows.
py::dict ConvertRows(std::int32_t kind, std::int32_t datumFrom, std::int32_t datumDest,
                     std::int32_t mgrsPrecision, std::int16_t ifblPrecision, const py::tuple& columns,
                     const py::object& coordinates, const py::object& systems, const py::object& datums,
                     std::ptrdiff_t count, int threads, std::int32_t method, std::int32_t heightKind,
                     const py::object& height) {
  if (count < 0) RaiseStatus(MORVANE_E_COUNT);
  if (threads < 0) RaiseStatus(MORVANE_E_THREADS);
  morvane_batch_input input{};
  input.OrigType = kind;
  input.DatumFrom = datumFrom;
  input.DatumDest = datumDest;
  input.mgrsPrecision = mgrsPrecision;
  input.IfblPrecision = ifblPrecision;

  // The kind's columns, when the rows do not write their points as text.
  std::vector<double> a, b, heights;
  std::vector<std::int16_t> dms[4];
  std::vector<float> seconds[2];
  Texts codes, verbatim, system, datum;
  const std::size_t n = columns.size();
  switch (coordinates.is_none() ? kind : 0) {
    case 0: break;
    case MORVANE_mvDeg:
    case MORVANE_mvLambert72:
    case MORVANE_mvLambert2008:
      if (n != 2) throw py::value_error("the kind reads two columns");
      a = TakeNumbers<double>(columns[0], count, "the first column");
      b = TakeNumbers<double>(columns[1], count, "the second column");
      if (kind == MORVANE_mvDeg) input.Latitude = a.data(), input.Longitude = b.data();
      else input.X = a.data(), input.Y = b.data();
      break;
    case MORVANE_mvDegMinSec:
      if (n != 6) throw py::value_error("the kind reads six columns");
      dms[0] = TakeNumbers<std::int16_t>(columns[0], count, "LatDmsDeg");
      dms[1] = TakeNumbers<std::int16_t>(columns[1], count, "LatDmsMin");
      seconds[0] = TakeNumbers<float>(columns[2], count, "LatDmsSec");
      dms[2] = TakeNumbers<std::int16_t>(columns[3], count, "LonDmsDeg");
      dms[3] = TakeNumbers<std::int16_t>(columns[4], count, "LonDmsMin");
      seconds[1] = TakeNumbers<float>(columns[5], count, "LonDmsSec");
      input.LatDmsDeg = dms[0].data(), input.LatDmsMin = dms[1].data();
      input.LatDmsSec = seconds[0].data();
      input.LonDmsDeg = dms[2].data(), input.LonDmsMin = dms[3].data();
      input.LonDmsSec = seconds[1].data();
      break;
    case MORVANE_mvMgrs:
    case MORVANE_mvIFBL:
      if (n != 1) throw py::value_error("the kind reads one column");
      codes.Take(columns[0].cast<py::list>(), count, "the codes");
      input.Texts = codes.Data();
      // No rows: the batch call still wants a column.
      if (input.Texts == nullptr) input.TextData = "", input.TextWidth = 1;
      break;
    default:
      RaiseStatus(MORVANE_E_KIND);
  }

  morvane_rows_input rows{};
  rows.size = sizeof rows;
  if (!coordinates.is_none()) {
    verbatim.Take(coordinates.cast<py::list>(), count, "the verbatim coordinates");
    rows.Coordinates = verbatim.pointer.data();
  }
  if (!systems.is_none()) {
    system.Take(systems.cast<py::list>(), count, "the coordinate systems");
    rows.Systems = system.pointer.data();
  }
  if (!datums.is_none()) {
    datum.Take(datums.cast<py::list>(), count, "the datums");
    rows.Datums = datum.pointer.data();
  }
  // With no rows the pointers are null; the core reads nothing then, but a
  // null Coordinates would mean something else.
  static const char* const kNone[1] = {""};
  if (!coordinates.is_none() && rows.Coordinates == nullptr) rows.Coordinates = kNone;

  morvane_batch_extra extra{};
  extra.size = sizeof extra;
  extra.Method = method;
  extra.HeightKind = heightKind;
  if (heightKind != MORVANE_HEIGHT_NONE) {
    if (height.is_none()) throw py::value_error("a height kind without a Height column");
    heights = TakeNumbers<double>(height, count, "Height");
    extra.Height = heights.data();
  }

  py::array_t<double> latitude(count), longitude(count), x(count), y(count), northing(count),
      easting(count), x2008(count), y2008(count), ellipsoidal(count), ostend(count), accuracy(count);
  py::array_t<std::int16_t> latDeg(count), latMin(count), lonDeg(count), lonMin(count);
  py::array_t<float> latSec(count), lonSec(count);
  py::array_t<std::int32_t> failure(count), route(count), kindsRead(count), datumsRead(count);
  morvane_batch_output out{};
  out.Latitude = latitude.mutable_data();
  out.Longitude = longitude.mutable_data();
  out.LatDmsDeg = latDeg.mutable_data();
  out.LatDmsMin = latMin.mutable_data();
  out.LatDmsSec = latSec.mutable_data();
  out.LonDmsDeg = lonDeg.mutable_data();
  out.LonDmsMin = lonMin.mutable_data();
  out.LonDmsSec = lonSec.mutable_data();
  out.X = x.mutable_data();
  out.Y = y.mutable_data();
  out.Northing = northing.mutable_data();
  out.Easting = easting.mutable_data();
  out.Failure = failure.mutable_data();
  extra.X2008 = x2008.mutable_data();
  extra.Y2008 = y2008.mutable_data();
  extra.EllipsoidalHeight = ellipsoidal.mutable_data();
  extra.OstendHeight = ostend.mutable_data();
  extra.Route = route.mutable_data();
  extra.Accuracy = accuracy.mutable_data();
  rows.KindsRead = kindsRead.mutable_data();
  rows.DatumsRead = datumsRead.mutable_data();

  // The rows go through the core a chunk at a time.  The text outputs are
  // columns of one width, that of the chunk's longest text, and a message
  // may quote a row's system or datum text, and the IFBL and MGRS outputs
  // may hold the row's own text: a chunk holds so many rows that those
  // columns stay within kChunkBytes (a row with a huge text goes with few
  // others, or alone).  Between chunks Python's signal handlers run, so that Ctrl-C
  // stops a long call.
  constexpr std::ptrdiff_t kChunkRows = 65536;
  constexpr std::size_t kChunkBytes = std::size_t{64} << 20;
  constexpr std::size_t kMessageRoom = 256;  // a message's own words
  std::vector<std::size_t> room(static_cast<std::size_t>(count), kMessageRoom);
  for (const Texts* t : {&codes, &verbatim, &system, &datum})
    for (std::size_t i = 0; i < t->text.size(); ++i) room[i] += t->text[i].size();

  py::list texts[3] = {py::list(count), py::list(count), py::list(count)};  // MGRS, IFBL, Error
  std::vector<char> buffers[3];
  for (std::ptrdiff_t begin = 0; begin < count;) {
    std::ptrdiff_t end = begin;
    std::size_t widest = 0;
    while (end < count && end - begin < kChunkRows) {
      const std::size_t wider = std::max(widest, room[static_cast<std::size_t>(end)]);
      if (end > begin && static_cast<std::size_t>(end - begin + 1) * wider > kChunkBytes) break;
      widest = wider;
      ++end;
    }
    const std::ptrdiff_t n = end - begin;
    const auto at = [begin](auto* p) { return p ? p + begin : p; };
    morvane_batch_input in = input;
    in.Latitude = at(in.Latitude), in.Longitude = at(in.Longitude);
    in.LatDmsDeg = at(in.LatDmsDeg), in.LatDmsMin = at(in.LatDmsMin), in.LatDmsSec = at(in.LatDmsSec);
    in.LonDmsDeg = at(in.LonDmsDeg), in.LonDmsMin = at(in.LonDmsMin), in.LonDmsSec = at(in.LonDmsSec);
    in.X = at(in.X), in.Y = at(in.Y), in.Texts = at(in.Texts);
    morvane_rows_input r = rows;
    r.Coordinates = at(r.Coordinates), r.Systems = at(r.Systems), r.Datums = at(r.Datums);
    r.KindsRead = at(r.KindsRead), r.DatumsRead = at(r.DatumsRead);
    morvane_batch_output o = out;
    o.Latitude = at(o.Latitude), o.Longitude = at(o.Longitude);
    o.LatDmsDeg = at(o.LatDmsDeg), o.LatDmsMin = at(o.LatDmsMin), o.LatDmsSec = at(o.LatDmsSec);
    o.LonDmsDeg = at(o.LonDmsDeg), o.LonDmsMin = at(o.LonDmsMin), o.LonDmsSec = at(o.LonDmsSec);
    o.X = at(o.X), o.Y = at(o.Y), o.Northing = at(o.Northing), o.Easting = at(o.Easting);
    o.Failure = at(o.Failure);
    morvane_batch_extra e = extra;
    e.Height = at(e.Height);
    e.X2008 = at(e.X2008), e.Y2008 = at(e.Y2008);
    e.EllipsoidalHeight = at(e.EllipsoidalHeight), e.OstendHeight = at(e.OstendHeight);
    e.Route = at(e.Route), e.Accuracy = at(e.Accuracy);

    std::size_t widths[3] = {0, 0, 0};
    int status;
    {
      py::gil_scoped_release released;
      status = morvane_rows_widths(&in, &r, &e, n, &widths[0], &widths[1], &widths[2]);
      if (status == MORVANE_OK) {
        try {
          for (int t = 0; t < 3; ++t) {
            widths[t] = std::max<std::size_t>(widths[t], 1);
            buffers[t].assign(static_cast<std::size_t>(n) * widths[t], '\0');
          }
          o.MGRS = {buffers[0].data(), widths[0]};
          o.IFBL = {buffers[1].data(), widths[1]};
          o.Error = {buffers[2].data(), widths[2]};
          status = morvane_convert_rows(&in, &r, &o, &e, n, threads);
        } catch (const std::bad_alloc&) {
          status = MORVANE_E_NO_MEMORY;
        }
      }
    }
    if (status != MORVANE_OK) RaiseStatus(status);
    for (int t = 0; t < 3; ++t) {
      for (std::ptrdiff_t i = 0; i < n; ++i) {
        const char* entry = buffers[t].data() + static_cast<std::size_t>(i) * widths[t];
        PyObject* text = PyUnicode_DecodeUTF8(entry, static_cast<Py_ssize_t>(strnlen(entry, widths[t])),
                                              "replace");
        if (text == nullptr) throw py::error_already_set();
        PyList_SET_ITEM(texts[t].ptr(), begin + i, text);
      }
    }
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    begin = end;
  }

  // Failure and Route as their names: a failure's name ("" for none), the
  // text of a route's steps ("" for a row with a message or a failure, whose
  // Accuracy is NaN).  A table has few of either: each is made once.
  py::list failures(count), routes(count);
  std::vector<std::pair<std::int32_t, py::str>> failureNames, routeTexts;
  const auto named = [](std::vector<std::pair<std::int32_t, py::str>>& known, std::int32_t code,
                        auto make) -> PyObject* {
    for (const auto& entry : known)
      if (entry.first == code) return entry.second.inc_ref().ptr();
    known.emplace_back(code, make(code));
    return known.back().second.inc_ref().ptr();
  };
  const py::str empty("");
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    const std::int32_t code = failure.data()[i];
    PyList_SET_ITEM(failures.ptr(), i,
                    code == 0 ? empty.inc_ref().ptr()
                              : named(failureNames, code, [](std::int32_t c) { return py::str(morvane_failure_name(c)); }));
    const bool none = std::isnan(accuracy.data()[i]);
    PyList_SET_ITEM(routes.ptr(), i,
                    none ? empty.inc_ref().ptr()
                         : named(routeTexts, route.data()[i], [](std::int32_t c) { return py::str(RouteText(c)); }));
  }

  py::dict result;
  result["Latitude"] = latitude;
  result["Longitude"] = longitude;
  result["LatDmsDeg"] = latDeg;
  result["LatDmsMin"] = latMin;
  result["LatDmsSec"] = latSec;
  result["LonDmsDeg"] = lonDeg;
  result["LonDmsMin"] = lonMin;
  result["LonDmsSec"] = lonSec;
  result["X"] = x;
  result["Y"] = y;
  result["Northing"] = northing;
  result["Easting"] = easting;
  result["MGRS"] = texts[0];
  result["IFBL"] = texts[1];
  result["Error"] = texts[2];
  result["Failure"] = failures;
  result["X2008"] = x2008;
  result["Y2008"] = y2008;
  result["EllipsoidalHeight"] = ellipsoidal;
  result["OstendHeight"] = ostend;
  result["Route"] = routes;
  result["Accuracy"] = accuracy;
  result["KindsRead"] = kindsRead;
  result["DatumsRead"] = datumsRead;
  return result;
}

}  // namespace

void BindRows(py::module_& m) {
  m.def(
      "column_roles",
      []() {
        py::list roles;
        for (std::int32_t i = 0; i < morvane_column_role_count(); ++i) {
          const morvane_column_role* role = morvane_column_role_at(i);
          roles.append(py::make_tuple(role->role, role->key, role->label));
        }
        return roles;
      },
      "The roles of a table's columns as the core lists them: (number, key, label).");
  m.def(
      "kind_roles",
      [](std::int32_t kind) {
        const auto roles = KindRoles(kind);
        return std::vector<std::int32_t>(roles.begin(), roles.end());
      },
      py::arg("kind"), "The roles an input kind reads, in the order of its properties.");
  m.def(
      "column_role_of",
      [](const std::string& header) {
        return header.find('\0') == std::string::npos ? morvane_column_role_of(header.c_str()) : 0;
      },
      py::arg("header"), "The role a header name stands for, or 0.");
  m.def(
      "datum_of_srs",
      [](const std::string& srs) {
        return srs.find('\0') == std::string::npos ? morvane_datum_of_srs(srs.c_str()) : 0;
      },
      py::arg("srs"), "The datum a verbatimSRS or geodeticDatum names, or 0.");
  m.def(
      "route_text",
      [](std::int32_t route) {
        std::string text(256, '\0');
        const std::ptrdiff_t length = morvane_route_text(route, text.data(), text.size());
        if (length < 0) RaiseStatus(static_cast<int>(length));
        if (static_cast<std::size_t>(length) >= text.size()) {
          text.assign(static_cast<std::size_t>(length) + 1, '\0');
          morvane_route_text(route, text.data(), text.size());
        }
        text.resize(static_cast<std::size_t>(length));
        return text;
      },
      py::arg("route"), "The core's text of a Route's steps (\"none\" for 0).");
  m.def("_find_columns", &FindColumns, py::arg("names"), py::arg("kind"), py::arg("codes_only"),
        py::arg("height"), "Chooses a header's columns (use morvane.find_columns).");
  m.def("_convert_rows", &ConvertRows, py::arg("kind"), py::arg("datum_from"), py::arg("datum_to"),
        py::arg("mgrs_precision"), py::arg("ifbl_precision"), py::arg("columns"),
        py::arg("coordinates"), py::arg("systems"), py::arg("datums"), py::arg("count"),
        py::arg("threads"), py::arg("method"), py::arg("height_kind"), py::arg("height"),
        "Converts a table's rows through the rows call (use morvane.convert_frame).");
}

}  // namespace morvane::python
