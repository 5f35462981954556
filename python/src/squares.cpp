// morvane._morvane._squares and _square_geojson: the squares of a column of
// IFBL codes or MGRS references, through the core's C functions.
//
// The codes are copied out of Python as UTF-8 under the GIL; the loop over
// them runs with the GIL released and writes the numbers straight into
// fresh numpy arrays (no other thread knows them yet) and the core's texts
// into C++ strings, which become Python texts once the GIL is back.  Each
// code asks the core three times: its numbers (morvane_square_of), its
// outline (morvane_square_outline) and its Darwin Core terms
// (morvane_square_darwin_core); nothing of a square is computed here.
//
// The request is checked in Python before the call; a negative status of
// the core (a request it refuses, memory that ran out) still raises here,
// and a floating-point fault on one code gives that row the failure's name.
#include <Python.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <morvane/morvane.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "bindings.hpp"
#include "values.hpp"

namespace morvane::python {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kCorners = MORVANE_SQUARE_MAX_CORNERS;

// The codes as UTF-8 texts; Python hands them over as bytes.
std::vector<std::string> Codes(const py::list& codes) {
  std::vector<std::string> out;
  out.reserve(codes.size());
  for (const py::handle code : codes) {
    if (!PyBytes_Check(code.ptr())) throw py::type_error("the codes must be bytes (UTF-8)");
    out.emplace_back(PyBytes_AS_STRING(code.ptr()),
                     static_cast<std::size_t>(PyBytes_GET_SIZE(code.ptr())));
    // The core reads a code up to its first NUL: one inside would cut the
    // code short.  Python turns them into U+FFFD before the call.
    if (out.back().find('\0') != std::string::npos)
      throw py::value_error("a code holds a NUL character");
  }
  return out;
}

morvane_square_request Request(std::int32_t kind, std::int32_t datumCode, bool datumKnown,
                               std::int32_t datumOut, std::int32_t method, std::int32_t densify) {
  morvane_square_request r{};
  r.size = sizeof r;
  r.kind = kind;
  r.datum_code = datumCode;
  r.datum_known = datumKnown ? 1 : 0;
  r.datum_out = datumOut;
  r.method = method;
  r.densify = densify;
  return r;
}

// A negative status of the core as a Python exception.
[[noreturn]] void RaiseStatus(std::ptrdiff_t status) {
  if (status == MORVANE_E_NO_MEMORY) throw std::bad_alloc();
  if (status == MORVANE_E_KIND || status == MORVANE_E_DATUM || status == MORVANE_E_SETTING)
    throw py::value_error("the core refused the request of the squares (status " +
                          std::to_string(status) + ")");
  throw std::runtime_error("the core could not make a square (status " + std::to_string(status) +
                           ")");
}

// A text of the core (the Darwin Core object, a GeoJSON Feature) into
// `text`: asked once in the scratch space, which grows to the longest text
// so far, and again when it did not hold it; `text` gets its length only.
template <typename Call>
std::ptrdiff_t Text(Call call, std::string& scratch, std::string& text) {
  scratch.resize(scratch.capacity() > 1024 ? scratch.capacity() : 1024);
  std::ptrdiff_t n = call(scratch.data(), scratch.size() + 1);
  if (n >= 0 && static_cast<std::size_t>(n) > scratch.size()) {
    scratch.resize(static_cast<std::size_t>(n));
    n = call(scratch.data(), scratch.size() + 1);
  }
  text.assign(scratch.data(), n >= 0 ? static_cast<std::size_t>(n) : 0);
  return n;
}

template <typename T>
py::array_t<T> Column(std::size_t count) {
  return py::array_t<T>(static_cast<py::ssize_t>(count));
}

py::array_t<double> Corners(std::size_t count) {
  return py::array_t<double>({static_cast<py::ssize_t>(count), static_cast<py::ssize_t>(kCorners)});
}

py::list Texts(const std::vector<std::string>& texts) {
  py::list out(texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) out[i] = TextToPython(texts[i]);
  return out;
}

py::dict Squares(const py::list& codeList, std::int32_t kind, std::int32_t datumCode,
                 bool datumKnown, std::int32_t datumOut, std::int32_t method,
                 std::int32_t densify) {
  const std::vector<std::string> codes = Codes(codeList);
  const morvane_square_request request =
      Request(kind, datumCode, datumKnown, datumOut, method, densify);
  const std::size_t count = codes.size();

  auto zone = Column<std::int16_t>(count);
  auto cornerCount = Column<std::int32_t>(count);
  auto cut = Column<bool>(count);
  auto width = Column<double>(count), height = Column<double>(count);
  auto centreX = Column<double>(count), centreY = Column<double>(count);
  auto centreLatitude = Column<double>(count), centreLongitude = Column<double>(count);
  auto radius = Column<double>(count);
  auto cornerX = Corners(count), cornerY = Corners(count);
  auto cornerLatitude = Corners(count), cornerLongitude = Corners(count);

  struct Row {
    std::string hemisphere, error, failure, darwinCore;
    std::vector<double> longitude, latitude;  // the outline, empty without a square
  };
  std::vector<Row> rows(count);
  std::ptrdiff_t refused = MORVANE_OK;
  {
    std::int16_t* z = zone.mutable_data();
    std::int32_t* n = cornerCount.mutable_data();
    bool* c = cut.mutable_data();
    double* w = width.mutable_data();
    double* h = height.mutable_data();
    double* cx = centreX.mutable_data();
    double* cy = centreY.mutable_data();
    double* clat = centreLatitude.mutable_data();
    double* clon = centreLongitude.mutable_data();
    double* r = radius.mutable_data();
    double* kx = cornerX.mutable_data();
    double* ky = cornerY.mutable_data();
    double* klat = cornerLatitude.mutable_data();
    double* klon = cornerLongitude.mutable_data();
    // Most points an outline can have: every corner and its edge's points.
    const std::size_t capacity = kCorners * (static_cast<std::size_t>(densify) + 1) + 1;
    std::vector<double> longitudes(capacity), latitudes(capacity);
    std::vector<char> error(512);
    std::string scratch;

    py::gil_scoped_release release;
    for (std::size_t i = 0; i < count && refused == MORVANE_OK; ++i) {
      const char* code = codes[i].c_str();
      Row& row = rows[i];
      morvane_square s{};
      const int status = morvane_square_of(code, &request, &s, error.data(), error.size());
      if (status < 0) {
        refused = status;
        break;
      }
      row.error = status == MORVANE_OK ? error.data() : "";
      row.failure = status > 0 ? morvane_failure_name(status) : "";
      const bool found = status == MORVANE_OK && row.error.empty();
      // A row without a square has no numbers: NaN, not the zeros the core
      // leaves, which would read as a square at the origin.
      z[i] = found ? s.zone : 0;
      n[i] = found ? s.corner_count : 0;
      c[i] = found && s.cut != 0;
      w[i] = found ? s.width : kNaN;
      h[i] = found ? s.height : kNaN;
      cx[i] = found ? s.centre_x : kNaN;
      cy[i] = found ? s.centre_y : kNaN;
      clat[i] = found ? s.centre_latitude : kNaN;
      clon[i] = found ? s.centre_longitude : kNaN;
      r[i] = found ? s.radius : kNaN;
      for (std::size_t k = 0; k < kCorners; ++k) {
        const bool corner = found && k < static_cast<std::size_t>(s.corner_count);
        kx[i * kCorners + k] = corner ? s.corner_x[k] : kNaN;
        ky[i * kCorners + k] = corner ? s.corner_y[k] : kNaN;
        klat[i * kCorners + k] = corner ? s.corner_latitude[k] : kNaN;
        klon[i * kCorners + k] = corner ? s.corner_longitude[k] : kNaN;
      }
      if (found && s.hemisphere != 0) row.hemisphere.assign(1, s.hemisphere);
      if (status > 0) continue;  // a floating-point fault: no texts either
      if (found) {
        // Into the scratch space, then copied at its length: a row keeps
        // the points its outline has, not room for the most any could have.
        const std::ptrdiff_t points = morvane_square_outline(
            code, &request, longitudes.data(), latitudes.data(), capacity);
        if (points < 0 || static_cast<std::size_t>(points) > capacity) {
          refused = points < 0 ? points : std::ptrdiff_t{MORVANE_E_INTERNAL};
          break;
        }
        row.longitude.assign(longitudes.begin(), longitudes.begin() + points);
        row.latitude.assign(latitudes.begin(), latitudes.begin() + points);
      }
      const std::ptrdiff_t length = Text(
          [&](char* json, std::size_t size) {
            return morvane_square_darwin_core(code, &request, json, size);
          },
          scratch, row.darwinCore);
      if (length < 0) {
        refused = length;
        break;
      }
    }
  }
  if (refused != MORVANE_OK) RaiseStatus(refused);

  std::vector<std::string> hemisphere(count), error(count), failure(count), darwinCore(count);
  py::list outlines(count);
  for (std::size_t i = 0; i < count; ++i) {
    Row& row = rows[i];
    hemisphere[i] = std::move(row.hemisphere);
    error[i] = std::move(row.error);
    failure[i] = std::move(row.failure);
    darwinCore[i] = std::move(row.darwinCore);
    if (row.longitude.empty()) {
      outlines[i] = py::none();
    } else {
      auto ring = py::array_t<double>(
          {static_cast<py::ssize_t>(row.longitude.size()), static_cast<py::ssize_t>(2)});
      double* p = ring.mutable_data();
      for (std::size_t k = 0; k < row.longitude.size(); ++k) {
        p[2 * k] = row.longitude[k];
        p[2 * k + 1] = row.latitude[k];
      }
      outlines[i] = std::move(ring);
    }
  }
  py::dict out;
  out["zone"] = zone;
  out["hemisphere"] = Texts(hemisphere);
  out["width"] = width;
  out["height"] = height;
  out["centre_x"] = centreX;
  out["centre_y"] = centreY;
  out["centre_latitude"] = centreLatitude;
  out["centre_longitude"] = centreLongitude;
  out["radius"] = radius;
  out["cut"] = cut;
  out["corner_count"] = cornerCount;
  out["corner_x"] = cornerX;
  out["corner_y"] = cornerY;
  out["corner_latitude"] = cornerLatitude;
  out["corner_longitude"] = cornerLongitude;
  out["outline"] = outlines;
  out["darwin_core"] = Texts(darwinCore);
  out["Error"] = Texts(error);
  out["Failure"] = Texts(failure);
  return out;
}

py::list SquareGeoJson(const py::list& codeList, std::int32_t kind, std::int32_t datumCode,
                       bool datumKnown, std::int32_t datumOut, std::int32_t method,
                       std::int32_t densify) {
  const std::vector<std::string> codes = Codes(codeList);
  const morvane_square_request request =
      Request(kind, datumCode, datumKnown, datumOut, method, densify);
  std::vector<std::string> features(codes.size());
  std::ptrdiff_t status = MORVANE_OK;
  {
    std::string scratch;
    py::gil_scoped_release release;
    for (std::size_t i = 0; i < codes.size() && status == MORVANE_OK; ++i) {
      const std::ptrdiff_t length = Text(
          [&](char* json, std::size_t size) {
            return morvane_square_geojson(codes[i].c_str(), &request, json, size);
          },
          scratch, features[i]);
      // A text's length is never one of the failure kinds 1..5: a Feature
      // is longer than that.
      if (length < 0 || (length >= 1 && length <= 5)) status = length;
    }
  }
  if (status > 0) RaiseFailure(static_cast<FailureKind>(status));
  if (status < 0) RaiseStatus(status);
  return Texts(features);
}

}  // namespace

void BindSquares(py::module_& m) {
  m.def("_squares", &Squares, py::arg("codes"), py::arg("kind"), py::arg("datum_code"),
        py::arg("datum_known"), py::arg("datum_out"), py::arg("method"), py::arg("densify"),
        "The squares of a list of codes (UTF-8 bytes): their numbers as numpy arrays, their\n"
        "outlines, the core's Darwin Core texts, Error and Failure (use morvane.squares).");
  m.def("_square_geojson", &SquareGeoJson, py::arg("codes"), py::arg("kind"),
        py::arg("datum_code"), py::arg("datum_known"), py::arg("datum_out"), py::arg("method"),
        py::arg("densify"),
        "The core's GeoJSON Feature of each code (use morvane.squares(...).geojson()).");
}

}  // namespace morvane::python
