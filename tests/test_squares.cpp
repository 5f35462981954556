// The squares of IFBL codes and MGRS references: outlines, centres,
// radii, cut squares at grid zone edges, the Darwin Core texts.
#include <gtest/gtest.h>

#include <morvane/morvane.hpp>

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "component/squares.hpp"
#include "ifbl/ifbl.hpp"

#if defined(MORVANE_HAVE_GEOGRAPHICLIB)
#include <GeographicLib/UTMUPS.hpp>
#endif

namespace morvane {
namespace {

morvane_square_request Request(std::int32_t kind, std::int32_t out = mvWGS1984) {
  morvane_square_request r{};
  r.size = sizeof r;
  r.kind = kind;
  r.datum_code = mvWGS1984;
  r.datum_known = 1;
  r.datum_out = out;
  r.method = MORVANE_METHOD_SHIFT;
  return r;
}

struct Found {
  int status;
  morvane_square square;
  std::string error;
};

Found Of(const std::string& code, const morvane_square_request& request) {
  Found f{};
  char error[128];
  f.status = morvane_square_of(code.c_str(), &request, &f.square, error, sizeof error);
  f.error = error;
  return f;
}

// Every 1 km and 4 km square of the IFBL grid: the centre is the one the
// object gives for the code, the corners of neighbours are the same
// points to the bit, and the radius is the half diagonal measured on the
// ellipsoid, rounded up.
TEST(Squares, EveryIfblSquareOfTheGridFitsItsNeighbours) {
  const morvane_square_request request = Request(mvIFBL, mvBelgium1972);
  for (const double side : {1000.0, 4000.0}) {
    SCOPED_TRACE(side);
    // South-west corner of every square -> its latitude and longitude,
    // as found as a corner of each square that has it.
    std::map<std::pair<double, double>, std::pair<double, double>> corners;
    int squares = 0, shared = 0;
    const std::int16_t precision = side == 1000 ? 6 : 4;
    for (double y = 18180 + side / 2; y < 258180; y += side) {
      for (double x = 2012 + side / 2; x < 322012; x += side) {
        std::string code;
        std::int32_t status = 0;
        ifbl::LambertToIfbl(x, y, code, status, precision);
        ASSERT_EQ(status, 0);
        const Found f = Of(code, request);
        ASSERT_EQ(f.error, "") << code;
        const morvane_square& s = f.square;
        ++squares;
        std::string tidied = code;
        double cx = 0, cy = 0;
        ifbl::IfblToLambert(tidied, cx, cy, status);
        EXPECT_EQ(s.centre_x, cx);
        EXPECT_EQ(s.centre_y, cy);
        EXPECT_EQ(s.corner_count, 4);
        EXPECT_EQ(s.radius, side == 1000 ? 708 : 2829) << code;
        EXPECT_EQ(s.uncertainty, s.radius);
        for (int k = 0; k < 4; ++k) {
          const auto key = std::make_pair(s.corner_x[k], s.corner_y[k]);
          const auto value = std::make_pair(s.corner_latitude[k], s.corner_longitude[k]);
          const auto [at, fresh] = corners.emplace(key, value);
          if (!fresh) {
            ++shared;
            EXPECT_EQ(at->second, value) << code;
          }
        }
      }
    }
    EXPECT_EQ(squares, side == 1000 ? 320 * 240 : 80 * 60);
    EXPECT_GT(shared, squares);  // inner corners are shared by four squares
  }
}

// The corners of neighbouring squares are the same points.
TEST(Squares, NeighboursShareTheirCorners) {
  const morvane_square_request request = Request(mvIFBL);
  const struct {
    const char* a;
    const char* b;
    int aCorners[2];  // corners of a ...
    int bCorners[2];  // ... that are these of b
  } pairs[] = {
      {"E42544", "E42633", {1, 2}, {0, 3}},  // b east of a, in the next 4 km square
      {"E4.25", "E4.26", {1, 2}, {0, 3}},
      {"E42544", "E42542", {3, 2}, {0, 1}},  // b north of a
  };
  for (const auto& p : pairs) {
    SCOPED_TRACE(std::string(p.a) + " " + p.b);
    const Found a = Of(p.a, request), b = Of(p.b, request);
    ASSERT_EQ(a.error, "");
    ASSERT_EQ(b.error, "");
    for (int k = 0; k < 2; ++k) {
      EXPECT_EQ(a.square.corner_x[p.aCorners[k]], b.square.corner_x[p.bCorners[k]]);
      EXPECT_EQ(a.square.corner_y[p.aCorners[k]], b.square.corner_y[p.bCorners[k]]);
      EXPECT_EQ(a.square.corner_latitude[p.aCorners[k]], b.square.corner_latitude[p.bCorners[k]]);
      EXPECT_EQ(a.square.corner_longitude[p.aCorners[k]], b.square.corner_longitude[p.bCorners[k]]);
    }
  }
}

// MGRS squares at every precision, whole and cut by zone and band edges,
// Norway and Svalbard included.
TEST(Squares, MgrsSquaresAreThePartInTheirGridZone) {
  const struct {
    const char* code;
    double side;
    bool cut;
    double edgeLongitude;  // the longitude of the corners on a cut zone edge (NaN: none)
    double edgeLatitude;   // the latitude of the corners on a cut band edge (NaN: none)
  } cases[] = {
      {"31UES9545833940", 1, false, NAN, NAN},
      {"31UES95453394", 10, false, NAN, NAN},
      {"31UES954339", 100, false, NAN, NAN},
      {"31U ES 95 33", 1000, false, NAN, NAN},
      {"31ues93", 10000, false, NAN, NAN},
      {"31UGR19", 10000, true, 6, NAN},             // the zone's east edge
      {"32VJH81", 10000, true, NAN, 56},            // band V's south edge, west of Norway's zone
      {"31XFH27", 10000, true, 9, NAN},             // Svalbard's wide zone 31X ends at 9 E
      {"33UUP01", 10000, true, NAN, 48},            // band U's south edge
      {" 5QKB4242", 1000, false, NAN, NAN},         // a one-digit zone
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const Found f = Of(c.code, Request(mvMgrs));
    ASSERT_EQ(f.error, "");
    const morvane_square& s = f.square;
    EXPECT_EQ(s.width, c.side);
    EXPECT_EQ(s.cut, c.cut ? 1 : 0);
    EXPECT_GE(s.corner_count, c.cut ? 3 : 4);
    // Degrees come from radians as the object's conversions make them (its
    // pi of ten decimals): a band or zone edge lands within 2e-9 degrees.
    int onEdge = 0;
    for (int k = 0; k < s.corner_count; ++k) {
      if (!std::isnan(c.edgeLongitude) && std::fabs(s.corner_longitude[k] - c.edgeLongitude) < 1e-8) ++onEdge;
      if (!std::isnan(c.edgeLatitude) && std::fabs(s.corner_latitude[k] - c.edgeLatitude) < 1e-8) ++onEdge;
    }
    EXPECT_EQ(onEdge, c.cut ? 2 : 0);
    // The radius covers every corner, and the half diagonal bounds it
    // (within the projection's scale).
    EXPECT_LE(s.radius, std::ceil(c.side * std::sqrt(0.5) * 1.001) + 1);
  }
}

#if defined(MORVANE_HAVE_GEOGRAPHICLIB)
// The corners of MGRS squares inside their zone, against GeographicLib's
// UTM: the same positions within a micrometre of latitude.
TEST(Squares, MgrsCornersMatchGeographicLib) {
  const char* codes[] = {"31UES9534", "31UFS0000", "32ULB5555", "30UXA7797", "31NEA0055",
                         "33MUQ8947", "60HVA1471", "31VDH90",   "35XMH5770"};
  for (const char* code : codes) {
    SCOPED_TRACE(code);
    const Found f = Of(code, Request(mvMgrs));
    ASSERT_EQ(f.error, "");
    const morvane_square& s = f.square;
    for (int k = 0; k < s.corner_count; ++k) {
      double latitude = 0, longitude = 0;
      GeographicLib::UTMUPS::Reverse(s.zone, s.hemisphere == 'N', s.corner_x[k], s.corner_y[k],
                                     latitude, longitude);
      EXPECT_NEAR(s.corner_latitude[k], latitude, 1e-8);
      EXPECT_NEAR(s.corner_longitude[k], longitude, 1e-8);
    }
  }
}
#endif

TEST(Squares, DatumsMethodsAndUncertainty) {
  // On BD72 by the grid, an IFBL square's corners are the agency's.
  morvane_square_request grid = Request(mvIFBL, mvETRS89);
  grid.method = MORVANE_METHOD_GRID;
  const Found byGrid = Of("E42544", grid);
  ASSERT_EQ(byGrid.error, "");
  EXPECT_EQ(byGrid.square.route, kStepGrid);
  // A reference on a datum not known: its uncertainty grows by the spread
  // of its centre over the datums (some hundred metres in Belgium).
  morvane_square_request unknown = Request(mvMgrs);
  unknown.datum_known = 0;
  const Found known = Of("31UES9534", Request(mvMgrs)), guessed = Of("31UES9534", unknown);
  EXPECT_EQ(known.square.uncertainty, 708);
  EXPECT_GT(guessed.square.uncertainty, 708 + 50);
  EXPECT_LT(guessed.square.uncertainty, 708 + 400);
  // Densified outlines: every edge gets its points, the ring closes.
  morvane_square_request dense = Request(mvIFBL);
  dense.densify = 3;
  std::vector<double> lon(64), lat(64);
  const ptrdiff_t n = morvane_square_outline("E42544", &dense, lon.data(), lat.data(), lon.size());
  ASSERT_EQ(n, 4 * 4 + 1);
  EXPECT_EQ(lon[0], lon[16]);
  EXPECT_EQ(lat[0], lat[16]);
  EXPECT_EQ(morvane_square_outline("E42544", &dense, nullptr, nullptr, 0), 17);
  // Along a cut, the added points follow the zone's meridian.
  morvane_square_request cut = Request(mvMgrs);
  cut.densify = 2;
  const ptrdiff_t m = morvane_square_outline("31UGR19", &cut, lon.data(), lat.data(), lon.size());
  ASSERT_EQ(m, 4 * 3 + 1);
  int onMeridian = 0;
  for (ptrdiff_t i = 0; i < m - 1; ++i) onMeridian += std::fabs(lon[i] - 6) < 1e-8;
  EXPECT_EQ(onMeridian, 4);
}

TEST(Squares, BadCodesAndRequests) {
  const struct {
    const char* code;
    std::int32_t kind;
    const char* message;
  } messages[] = {
      {"Z99", mvIFBL, message::kBadIfbl},
      {"E4254", mvIFBL, message::kBadIfbl},
      {"", mvIFBL, message::kBadIfbl},
      {"31UES953", mvMgrs, "Coordonnées MGRS erronées (31UES953)"},
      {"99UES9534", mvMgrs, "Coordonnées MGRS erronées (99UES9534)"},
      {"31UES95345", mvMgrs, "Coordonnées MGRS erronées (31UES95345)"},
      {"32XNA1111", mvMgrs, "Coordonnées MGRS erronées (32XNA1111)"},  // no zone 32X
  };
  for (const auto& m : messages) {
    SCOPED_TRACE(m.code);
    const Found f = Of(m.code, Request(m.kind));
    EXPECT_EQ(f.status, MORVANE_OK);
    EXPECT_EQ(f.error, m.message);
    EXPECT_EQ(f.square.corner_count, 0);
    const morvane_square_request request = Request(m.kind);
    char json[512];
    ASSERT_GT(morvane_square_darwin_core(m.code, &request, json, sizeof json), 0);
    EXPECT_NE(std::string(json).find(std::string("\"Error\":\"") + m.message), std::string::npos);
    EXPECT_EQ(std::string(json).find("footprintWKT"), std::string::npos);
  }
  // Requests that make no sense.
  morvane_square_request r = Request(mvDeg);
  morvane_square s;
  char error[8];
  EXPECT_EQ(morvane_square_of("E42544", &r, &s, error, sizeof error), MORVANE_E_KIND);
  r = Request(mvIFBL, 6);
  EXPECT_EQ(morvane_square_of("E42544", &r, &s, error, sizeof error), MORVANE_E_DATUM);
  r = Request(mvIFBL);
  r.densify = 1001;
  EXPECT_EQ(morvane_square_of("E42544", &r, &s, error, sizeof error), MORVANE_E_SETTING);
  r = Request(mvIFBL);
  r.method = 7;
  EXPECT_EQ(morvane_square_of("E42544", &r, &s, error, sizeof error), MORVANE_E_SETTING);
  r = Request(mvIFBL);
  EXPECT_EQ(morvane_square_of(nullptr, &r, &s, error, sizeof error), MORVANE_E_NULL_POINTER);
  EXPECT_EQ(morvane_square_of("E42544", nullptr, &s, error, sizeof error), MORVANE_E_NULL_POINTER);
  r.size = 4;
  EXPECT_EQ(morvane_square_of("E42544", &r, &s, error, sizeof error), MORVANE_E_NULL_POINTER);
}

TEST(Squares, DarwinCoreAndGeoJsonTexts) {
  const morvane_square_request request = Request(mvIFBL);
  char json[4096];
  const ptrdiff_t n = morvane_square_darwin_core("e4.25.44", &request, json, sizeof json);
  ASSERT_GT(n, 0);
  ASSERT_LT(static_cast<size_t>(n), sizeof json);
  const std::string dwc = json;
  for (const char* term : {"\"decimalLatitude\":50.8", "\"geodeticDatum\":\"EPSG:4326\"",
                           "\"coordinateUncertaintyInMeters\":708", "\"footprintWKT\":\"POLYGON ((4.",
                           "\"footprintSRS\":\"EPSG:4326\"", "\"verbatimCoordinates\":\"e4.25.44\"",
                           "\"verbatimCoordinateSystem\":\"IFBL\"", "\"verbatimSRS\":\"EPSG:31370\"",
                           "\"georeferenceProtocol\":", "\"Error\":\"\""})
    EXPECT_NE(dwc.find(term), std::string::npos) << term;
  // The copy is cut to the buffer and says the full length.
  char small[16];
  EXPECT_EQ(morvane_square_darwin_core("e4.25.44", &request, small, sizeof small), n);
  EXPECT_EQ(std::strlen(small), sizeof small - 1);

  ASSERT_GT(morvane_square_geojson("E42544", &request, json, sizeof json), 0);
  const std::string feature = json;
  EXPECT_EQ(feature.rfind("{\"type\":\"Feature\",\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[[[4.", 0), 0u);
  ASSERT_GT(morvane_square_geojson("Z99", &request, json, sizeof json), 0);
  EXPECT_NE(std::string(json).find("\"geometry\":null"), std::string::npos);
}

}  // namespace
}  // namespace morvane
