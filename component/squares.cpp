#include "component/squares.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include <morvane/failure.hpp>
#include <morvane/names.hpp>
#include <morvane/survey.hpp>
#include <morvane/zediz_ado.hpp>

#include "base/checks.hpp"
#include "base/fp_environment.hpp"
#include "base/general.hpp"
#include "component/c_text.hpp"
#include "component/datum_route.hpp"
#include "component/json_writer.hpp"
#include "datum/catalogue.hpp"
#include "elementary/elementary.hpp"
#include "ifbl/square.hpp"
#include "lambert/lambert72.hpp"
#include "lambert/lambert72_conic.hpp"
#include "mgrs/square.hpp"
#include "utm/utm.hpp"

namespace morvane::squares {

namespace {

constexpr int kMaxDensify = 1000;
// Bisection steps that find where an edge crosses its grid zone's edge:
// the interval shrinks below a nanometre of a 10 km edge.
constexpr int kBisections = 60;

const datum::Catalogue& Catalogue() {
  static thread_local const datum::Catalogue catalogue = [] {
    datum::Catalogue c;
    datum::BuildCatalogue(c);
    return c;
  }();
  return catalogue;
}

struct Ellipsoid {
  double a, f;
  std::int16_t number;
};

// The ellipsoid of a datum (ETRS89's as WGS 1984's, as everywhere the
// object's routines compute on it).
Ellipsoid EllipsoidOf(std::int32_t datum) {
  const datum::Catalogue& c = Catalogue();
  const auto& d = c.DatumAt(route::ObjectDatum(datum));
  const auto& e = c.EllipsoidAt(d.EllipsoidNumber);
  return {e.SemiMajorAxis, 1 / e.InverseFlattening, d.EllipsoidNumber};
}

// A point of the outline while it is built: grid coordinates, and the
// geographic position on the code's datum (radians for the tests against
// an MGRS grid zone's limits, which are radians).
struct Vertex {
  double x, y, latitude, longitude;
  int edge = -1;  // the grid zone edge it lies on, when a cut made it
};

class Geometry {
 public:
  Geometry(const morvane_square_request& request, const dma::MgrsSquare* mgrs)
      : request_(request), mgrs_(mgrs), ellipsoid_(EllipsoidOf(request.datum_code)) {}

  Vertex At(double x, double y) const {
    Vertex v{x, y, 0, 0};
    if (mgrs_) {
      dma::SquarePointToGeo(*mgrs_, ellipsoid_.a, ellipsoid_.f, x, y, v.latitude, v.longitude);
    } else if (request_.method == MORVANE_METHOD_GRID) {
      lambert::Lambert72ConicToGeo(x, y, v.latitude, v.longitude);
    } else {
      lambert::Lambert72ToGeo(x, y, v.latitude, v.longitude);
    }
    return v;
  }

  // Degrees on the code's datum.
  route::Position Degrees(const Vertex& v) const {
    if (!mgrs_) return {v.latitude, v.longitude};
    return {general::RadToDeg(v.latitude), general::RadToDeg(v.longitude)};
  }

  // The point of an MGRS square's zone at a geographic position (radians).
  Vertex FromGeo(double latitude, double longitude) const {
    std::int16_t zone = mgrs_->zone;
    double northing = 0, easting = 0;
    dma::GeoToUtm(ellipsoid_.a, ellipsoid_.f, latitude, longitude, zone, northing, easting, 1);
    return {easting, northing, latitude, longitude};
  }

 private:
  const morvane_square_request& request_;
  const dma::MgrsSquare* mgrs_;
  Ellipsoid ellipsoid_;
};

// One edge of a grid zone: a side of the limits in latitude or longitude.
struct ZoneEdge {
  int index;      // 0..3
  bool latitude;  // compares the latitude (else the longitude)
  bool upper;     // keeps values at or below the limit (else at or above)
  double limit;   // radians
  bool Inside(const Vertex& v) const {
    const double value = latitude ? v.latitude : v.longitude;
    return upper ? value <= limit : value >= limit;
  }
};

// Where the grid segment from `in` (inside) to `out` (outside) crosses the
// edge, by bisection on the segment.
Vertex Crossing(const Geometry& g, const ZoneEdge& edge, Vertex in, Vertex out) {
  for (int k = 0; k < kBisections; ++k) {
    const Vertex mid = g.At((in.x + out.x) / 2, (in.y + out.y) / 2);
    (edge.Inside(mid) ? in : out) = mid;
  }
  in.edge = edge.index;
  return in;
}

// The part of a ring inside an edge (Sutherland and Hodgman's clipping).
std::vector<Vertex> Clip(const Geometry& g, const std::vector<Vertex>& ring, const ZoneEdge& edge) {
  std::vector<Vertex> kept;
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const Vertex& previous = ring[(i + ring.size() - 1) % ring.size()];
    const Vertex& current = ring[i];
    const bool inside = edge.Inside(current), wasInside = edge.Inside(previous);
    if (inside != wasInside)
      kept.push_back(inside ? Crossing(g, edge, current, previous) : Crossing(g, edge, previous, current));
    if (inside) kept.push_back(current);
  }
  return kept;
}

// The centroid of a ring in the grid (its area's centre).
void Centroid(const std::vector<Vertex>& ring, double& x, double& y) {
  double area = 0, cx = 0, cy = 0;
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const Vertex& p = ring[i];
    const Vertex& q = ring[(i + 1) % ring.size()];
    const double cross = p.x * q.y - q.x * p.y;
    area += cross;
    cx += (p.x + q.x) * cross;
    cy += (p.y + q.y) * cross;
  }
  x = cx / (3 * area);
  y = cy / (3 * area);
}

std::string Trimmed(std::string_view code) {
  const auto first = code.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = code.find_last_not_of(" \t");
  return std::string(code.substr(first, last - first + 1));
}

std::int32_t EpsgOf(std::int32_t datum) {
  const DatumName* d = DatumByNumber(datum);
  return d ? d->epsg : 0;
}

}  // namespace

int CheckRequest(const morvane_square_request& request) {
  if (request.size < sizeof(morvane_square_request)) return MORVANE_E_NULL_POINTER;
  if (request.kind != mvIFBL && request.kind != mvMgrs) return MORVANE_E_KIND;
  const auto datumOk = [](std::int32_t d) { return d >= mvEuropeanData1950 && d <= mvETRS89; };
  if (!datumOk(request.datum_out)) return MORVANE_E_DATUM;
  if (request.kind == mvMgrs && !datumOk(request.datum_code)) return MORVANE_E_DATUM;
  if (request.method != MORVANE_METHOD_SHIFT && request.method != MORVANE_METHOD_GRID)
    return MORVANE_E_SETTING;
  if (request.densify < 0 || request.densify > kMaxDensify) return MORVANE_E_SETTING;
  return MORVANE_OK;
}

double Distance(double a, double f, double latitude1, double longitude1, double latitude2,
                double longitude2) {
  const double e2 = f * (2 - f);
  const auto cartesian = [&](double latitude, double longitude, double (&p)[3]) {
    const auto phi = elementary::SinCos(latitude * dma::kDegree);
    const auto lambda = elementary::SinCos(longitude * dma::kDegree);
    const double n = a / std::sqrt(1 - e2 * phi.sin * phi.sin);
    p[0] = n * phi.cos * lambda.cos;
    p[1] = n * phi.cos * lambda.sin;
    p[2] = n * (1 - e2) * phi.sin;
  };
  double p[3], q[3];
  cartesian(latitude1, longitude1, p);
  cartesian(latitude2, longitude2, q);
  const double dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
  const double chord = std::sqrt(dx * dx + dy * dy + dz * dz);
  // The arc over its chord on a sphere of radius a: c (1 + c^2 / 24 a^2),
  // within a millimetre of the geodesic for the tens of kilometres of a
  // square.
  return chord * (1 + chord * chord / (24 * a * a));
}

bool SquareOf(std::string_view code, const morvane_square_request& request, Square& square,
              std::string& message) {
  fp::Begin();
  square = Square{};
  square.code = Trimmed(code);
  const bool isMgrs = request.kind == mvMgrs;
  const std::int32_t codeDatum = isMgrs ? request.datum_code : std::int32_t{mvBelgium1972};

  ifbl::IfblSquare ifbl;
  dma::MgrsSquare mgrs;
  if (isMgrs) {
    const Ellipsoid e = EllipsoidOf(codeDatum);
    if (!dma::ReadMgrsSquare(square.code, e.number, e.a, e.f, mgrs)) {
      message = std::string(message::kBadMgrsPrefix) + square.code + ')';
      return false;
    }
  } else if (!ifbl::ReadIfblSquare(square.code, ifbl)) {
    message = message::kBadIfbl;
    return false;
  }
  const Geometry g(request, isMgrs ? &mgrs : nullptr);
  morvane_square& s = square.numbers;

  // The square's corners in the grid, counter-clockwise from the
  // south-west; an MGRS square cut to its grid zone.
  const double west = isMgrs ? mgrs.easting : ifbl.west;
  const double south = isMgrs ? mgrs.northing : ifbl.south;
  const double width = isMgrs ? mgrs.side : ifbl.width;
  const double height = isMgrs ? mgrs.side : ifbl.height;
  std::vector<Vertex> ring{g.At(west, south), g.At(west + width, south),
                           g.At(west + width, south + height), g.At(west, south + height)};
  bool cut = false;
  if (isMgrs) {
    const dma::GridZoneLimits& l = mgrs.limits;
    for (const ZoneEdge& edge :
         {ZoneEdge{0, false, false, l.west}, ZoneEdge{1, false, true, l.east},
          ZoneEdge{2, true, false, l.south}, ZoneEdge{3, true, true, l.north}}) {
      bool all = true;
      for (const Vertex& v : ring) all = all && edge.Inside(v);
      if (all) continue;
      ring = Clip(g, ring, edge);
      cut = true;
      if (ring.size() < 3) {
        message = std::string(message::kBadMgrsPrefix) + square.code + ')';
        return false;
      }
    }
  }

  // The centre: the code's (the object's, for IFBL), or the centroid of
  // the part of a cut square in its zone.
  double cx = west + width / 2, cy = south + height / 2;
  if (!isMgrs) cx = ifbl.centreX, cy = ifbl.centreY;
  if (cut) Centroid(ring, cx, cy);
  const Vertex centre = g.At(cx, cy);

  // The outline, densified along each edge, then everything on the
  // output datum.
  const std::int32_t densify = request.densify;
  std::vector<Vertex> outline;
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const Vertex& p = ring[i];
    const Vertex& q = ring[(i + 1) % ring.size()];
    outline.push_back(p);
    // An edge the cut made runs along the zone's edge: a meridian or a
    // parallel, straight in latitude and longitude; the others are
    // straight in the grid.
    const bool alongZone = p.edge >= 0 && p.edge == q.edge;
    for (std::int32_t k = 1; k <= densify; ++k) {
      const double t = static_cast<double>(k) / (densify + 1);
      if (alongZone) {
        const dma::GridZoneLimits& l = mgrs.limits;
        const double limit = p.edge == 0 ? l.west : p.edge == 1 ? l.east : p.edge == 2 ? l.south : l.north;
        const bool parallel = p.edge >= 2;
        const double latitude = parallel ? limit : p.latitude + t * (q.latitude - p.latitude);
        const double longitude = parallel ? p.longitude + t * (q.longitude - p.longitude) : limit;
        outline.push_back(g.FromGeo(latitude, longitude));
      } else {
        outline.push_back(g.At(p.x + t * (q.x - p.x), p.y + t * (q.y - p.y)));
      }
    }
  }
  outline.push_back(outline.front());

  const datum::Catalogue& catalogue = Catalogue();
  std::int32_t steps = 0;
  const auto onOutput = [&](const Vertex& v, Point& point) {
    route::Position out;
    const auto status = route::Change(catalogue, request.method, g.Degrees(v), codeDatum,
                                      request.datum_out, out, steps);
    if (status != datum::GridStatus::kDone) {
      message = status == datum::GridStatus::kNoGrids ? message::kNoGrids : message::kOutsideShiftGrid;
      return false;
    }
    point = {v.x, v.y, out.latitude, out.longitude};
    return true;
  };
  Point centreOut;
  if (!onOutput(centre, centreOut)) return false;
  square.outline.resize(outline.size());
  for (std::size_t i = 0; i < outline.size(); ++i)
    if (!onOutput(outline[i], square.outline[i])) return false;

  const Ellipsoid out = request.datum_out == mvETRS89
                            ? Ellipsoid{6378137.0, 1 / 298.257222101, 12}
                            : EllipsoidOf(request.datum_out);
  double radius = 0;
  s.corner_count = static_cast<std::int32_t>(ring.size());
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const Point& corner = square.outline[i * static_cast<std::size_t>(densify + 1)];
    s.corner_x[i] = corner.x;
    s.corner_y[i] = corner.y;
    s.corner_latitude[i] = corner.latitude;
    s.corner_longitude[i] = corner.longitude;
    radius = std::max(radius, Distance(out.a, out.f, centreOut.latitude, centreOut.longitude,
                                       corner.latitude, corner.longitude));
  }

  // A reference on a datum not known could be on any of the catalogue's:
  // the spread of its centre over them is added to the uncertainty.
  double spread = 0;
  if (isMgrs && !request.datum_known) {
    for (std::int32_t d = mvEuropeanData1950; d <= mvNTF; ++d) {
      const Ellipsoid e = EllipsoidOf(d);
      double latitude = 0, longitude = 0;
      dma::SquarePointToGeo(mgrs, e.a, e.f, cx, cy, latitude, longitude);
      route::Position there;
      std::int32_t ignored = 0;
      route::Change(catalogue, MORVANE_METHOD_SHIFT,
                    {general::RadToDeg(latitude), general::RadToDeg(longitude)}, d,
                    request.datum_out, there, ignored);
      spread = std::max(spread, Distance(out.a, out.f, centreOut.latitude, centreOut.longitude,
                                         there.latitude, there.longitude));
    }
  }
  fp::Check(radius, spread);

  s.zone = isMgrs ? mgrs.zone : 0;
  s.hemisphere = isMgrs ? mgrs.hemisphere : 0;
  s.width = width;
  s.height = height;
  s.centre_x = cx;
  s.centre_y = cy;
  s.centre_latitude = centreOut.latitude;
  s.centre_longitude = centreOut.longitude;
  s.radius = std::ceil(radius);
  square.uncertaintyExact = radius + spread;
  s.uncertainty = std::ceil(radius + spread);
  s.cut = cut ? 1 : 0;
  s.route = steps;
  return true;
}

namespace {

// Degrees to seven decimals: about a centimetre.
constexpr int kDegreeDecimals = 7;

std::string Epsg(std::int32_t code) { return code ? "EPSG:" + std::to_string(code) : "unknown"; }

std::string Wkt(const Square& square) {
  std::string wkt = "POLYGON ((";
  char pair[64];
  for (std::size_t i = 0; i < square.outline.size(); ++i) {
    std::snprintf(pair, sizeof pair, "%s%.*f %.*f", i ? ", " : "", kDegreeDecimals,
                  square.outline[i].longitude, kDegreeDecimals, square.outline[i].latitude);
    wkt += pair;
  }
  return wkt + "))";
}

void Terms(JsonWriter& json, const Square* square, std::string_view code,
           const morvane_square_request& request, const std::string& message) {
  const bool isMgrs = request.kind == mvMgrs;
  if (square) {
    const morvane_square& s = square->numbers;
    json.Key("decimalLatitude");
    json.Fixed(s.centre_latitude, kDegreeDecimals);
    json.Key("decimalLongitude");
    json.Fixed(s.centre_longitude, kDegreeDecimals);
    json.Field("geodeticDatum", Epsg(EpsgOf(request.datum_out)));
    json.Key("coordinateUncertaintyInMeters");
    json.Value(static_cast<long long>(s.uncertainty));
    json.Field("footprintWKT", Wkt(*square));
    json.Field("footprintSRS", Epsg(EpsgOf(request.datum_out)));
  }
  json.Field("verbatimCoordinates", Trimmed(code));
  json.Field("verbatimCoordinateSystem", isMgrs ? "MGRS" : "IFBL");
  json.Field("verbatimSRS", isMgrs ? (request.datum_known ? Epsg(EpsgOf(request.datum_code)) : "unknown")
                                   : Epsg(31370));
  if (square) {
    std::string protocol = isMgrs ? "MGRS grid cell" : "IFBL grid cell (Belgian Lambert 72)";
    protocol += ": centre of the cell; uncertainty from the centre to its farthest corner on the "
                "ellipsoid, rounded up to the metre";
    if (isMgrs && !request.datum_known)
      protocol += ", plus the spread of the centre over the datums the reference could be on";
    if (square->numbers.cut) protocol += "; the part of the square inside its grid zone";
    json.Field("georeferenceProtocol", protocol);
  }
  json.Field("Error", message);
}

}  // namespace

std::string DarwinCoreJson(const Square* square, std::string_view code,
                           const morvane_square_request& request, const std::string& message) {
  JsonWriter json;
  json.Open('{');
  Terms(json, square, code, request, message);
  json.Close('}');
  return std::move(json.text);
}

std::string GeoJsonFeature(const Square* square, std::string_view code,
                           const morvane_square_request& request, const std::string& message) {
  JsonWriter json;
  json.Open('{');
  json.Field("type", "Feature");
  json.Key("geometry");
  if (square) {
    json.Open('{');
    json.Field("type", "Polygon");
    json.Key("coordinates");
    json.Open('[');
    json.Open('[');
    for (const Point& p : square->outline) {
      json.Open('[');
      json.Fixed(p.longitude, kDegreeDecimals);
      json.Fixed(p.latitude, kDegreeDecimals);
      json.Close(']');
    }
    json.Close(']');
    json.Close(']');
    json.Close('}');
  } else {
    json.Raw("null");
  }
  json.Key("properties");
  json.Open('{');
  Terms(json, square, code, request, message);
  if (square) {
    const morvane_square& s = square->numbers;
    if (request.kind == mvMgrs) {
      json.Key("zone");
      json.Value(std::int32_t{s.zone});
      json.Field("hemisphere", std::string(1, s.hemisphere));
    }
    json.Key("width");
    json.Fixed(s.width, 0);
    json.Key("height");
    json.Fixed(s.height, 0);
  }
  json.Close('}');
  json.Close('}');
  return std::move(json.text);
}

}  // namespace morvane::squares

namespace {

using morvane::squares::Square;

// Runs `body` on the square of a code in the library's floating-point
// environment; the status codes of the C interface.
// A failure kind is returned as itself, or as `failedAs` when that is not 0
// (where a kind would read as a count).
template <typename Body>
ptrdiff_t WithSquare(const char* code, const morvane_square_request* request, Body body,
                     ptrdiff_t failedAs = 0) {
  if (!code || !request) return MORVANE_E_NULL_POINTER;
  const int status = morvane::squares::CheckRequest(*request);
  if (status != MORVANE_OK) return status;
  try {
    const morvane::fp::EnvironmentScope environment;
    Square square;
    std::string message;
    const bool found = morvane::squares::SquareOf(code, *request, square, message);
    return body(found ? &square : nullptr, message);
  } catch (const morvane::Failure& f) {
    return failedAs != 0 ? failedAs : static_cast<ptrdiff_t>(f.kind());
  } catch (const std::bad_alloc&) {
    return MORVANE_E_NO_MEMORY;
  } catch (...) {
    return MORVANE_E_INTERNAL;
  }
}

}  // namespace

extern "C" {

int morvane_square_of(const char* code, const morvane_square_request* request,
                      morvane_square* square, char* error, size_t error_size) {
  if (!square || (!error && error_size != 0)) return MORVANE_E_NULL_POINTER;
  return static_cast<int>(WithSquare(code, request, [&](const Square* s, const std::string& message) {
    *square = s ? s->numbers : morvane_square{};
    morvane::CopyText(message, error, error_size);
    return ptrdiff_t{MORVANE_OK};
  }));
}

ptrdiff_t morvane_square_outline(const char* code, const morvane_square_request* request,
                                 double* longitude, double* latitude, size_t capacity) {
  if ((!longitude || !latitude) && capacity != 0) return MORVANE_E_NULL_POINTER;
  // A failure kind would read as a count of points: a failure gives 0.
  constexpr ptrdiff_t kFailed = -1000;
  const ptrdiff_t n = WithSquare(
      code, request,
      [&](const Square* s, const std::string&) {
        if (!s) return ptrdiff_t{0};
        const size_t count = s->outline.size();
        if (count <= capacity)
          for (size_t i = 0; i < count; ++i)
            longitude[i] = s->outline[i].longitude, latitude[i] = s->outline[i].latitude;
        return static_cast<ptrdiff_t>(count);
      },
      kFailed);
  return n == kFailed ? 0 : n;
}

ptrdiff_t morvane_square_darwin_core(const char* code, const morvane_square_request* request,
                                     char* json, size_t size) {
  if (!json && size != 0) return MORVANE_E_NULL_POINTER;
  return WithSquare(code, request, [&](const Square* s, const std::string& message) {
    return morvane::CopyText(morvane::squares::DarwinCoreJson(s, code, *request, message), json, size);
  });
}

ptrdiff_t morvane_square_geojson(const char* code, const morvane_square_request* request,
                                 char* json, size_t size) {
  if (!json && size != 0) return MORVANE_E_NULL_POINTER;
  return WithSquare(code, request, [&](const Square* s, const std::string& message) {
    return morvane::CopyText(morvane::squares::GeoJsonFeature(s, code, *request, message), json, size);
  });
}

}  // extern "C"
