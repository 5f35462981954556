// Belgium's systems of today through the batch call: Lambert 2008, the
// agency's grid, hBG18 heights, the Route of each point, and the object's
// bits where the object computes.
#include <gtest/gtest.h>

#include <morvane/morvane.hpp>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "datum/grid_shift.hpp"
#include "datum/grid_table.hpp"
#include "lambert/lambert2008.hpp"
#include "lambert/lambert72_conic.hpp"

namespace morvane {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// One point through the batch call, every column asked for.
struct Point {
  std::int32_t kind = mvDeg, from = mvWGS1984, to = mvBelgium1972;
  std::int32_t method = MORVANE_METHOD_SHIFT, heightKind = MORVANE_HEIGHT_NONE;
  double a = 0, b = 0, height = kNaN;
  std::string text;
};

struct Result {
  int status = 0;
  double latitude = 0, longitude = 0, x = 0, y = 0, northing = 0, easting = 0;
  double x2008 = 0, y2008 = 0, ellipsoidal = 0, ostend = 0, accuracy = 0;
  std::int32_t route = 0, failure = 0;
  std::string mgrs, ifbl, error;
};

Result Convert(const Point& p, bool extra = true) {
  BatchInput in{};
  in.OrigType = p.kind;
  in.DatumFrom = p.from;
  in.DatumDest = p.to;
  const char* texts[] = {p.text.c_str()};
  if (p.kind == mvDeg) in.Latitude = &p.a, in.Longitude = &p.b;
  else if (p.kind == mvLambert72 || p.kind == mvLambert2008) in.X = &p.a, in.Y = &p.b;
  else in.Texts = texts;
  BatchExtra x{};
  x.size = sizeof x;
  Result r;
  x.Method = p.method;
  x.HeightKind = p.heightKind;
  x.Height = &p.height;
  if (extra) {
    x.X2008 = &r.x2008, x.Y2008 = &r.y2008, x.EllipsoidalHeight = &r.ellipsoidal;
    x.OstendHeight = &r.ostend, x.Route = &r.route, x.Accuracy = &r.accuracy;
  }
  TextWidths widths;
  r.status = BatchWidths(in, x, 1, widths);
  if (r.status != MORVANE_OK) return r;
  std::vector<char> mgrs(widths.MGRS), ifbl(widths.IFBL), error(widths.Error);
  std::int16_t dmsDeg[2], dmsMin[2];
  float dmsSec[2];
  BatchOutput out{&r.latitude, &r.longitude, &dmsDeg[0], &dmsMin[0], &dmsSec[0],
                  &dmsDeg[1], &dmsMin[1], &dmsSec[1], &r.x, &r.y, &r.northing, &r.easting,
                  {mgrs.data(), mgrs.size()}, {ifbl.data(), ifbl.size()},
                  {error.data(), error.size()}, &r.failure};
  r.status = ConvertBatch(in, out, x, 1, 1);
  const auto text = [](const std::vector<char>& v) { return std::string(v.data(), strnlen(v.data(), v.size())); };
  r.mgrs = text(mgrs), r.ifbl = text(ifbl), r.error = text(error);
  return r;
}

// The agency's check of its grid, as PROJ's test suite has it.
TEST(Survey, Lambert72ToLambert2008ByTheGridGivesTheAgencysCheckPoint) {
  Point p;
  p.kind = mvLambert72, p.to = mvETRS89, p.method = MORVANE_METHOD_GRID;
  p.a = 149186.41, p.b = 170810.74;
  const Result r = Convert(p);
  ASSERT_EQ(r.status, MORVANE_OK);
  EXPECT_EQ(r.error, "");
  EXPECT_NEAR(r.x2008, 649186.03701863, 1e-4);
  EXPECT_NEAR(r.y2008, 670811.16949360, 1e-4);
  // The input's own coordinates and square are kept.
  EXPECT_EQ(r.x, 149186.41);
  EXPECT_EQ(r.y, 170810.74);
  EXPECT_EQ(r.ifbl, "E42544");
  EXPECT_EQ(r.route, kStepGrid);
  EXPECT_EQ(r.accuracy, 0.01);

  // Lambert 2008 alone asked for: the object's outputs are not made.
  BatchInput in{};
  in.OrigType = mvLambert72, in.DatumFrom = mvBelgium1972, in.DatumDest = mvETRS89;
  in.X = &p.a, in.Y = &p.b;
  BatchExtra extra{};
  extra.size = sizeof extra;
  extra.Method = MORVANE_METHOD_GRID;
  double x2008 = 0, y2008 = 0;
  extra.X2008 = &x2008, extra.Y2008 = &y2008;
  ASSERT_EQ(ConvertBatch(in, BatchOutput{}, extra, 1, 1), MORVANE_OK);
  EXPECT_EQ(x2008, r.x2008);
  EXPECT_EQ(y2008, r.y2008);

  // And back, from Lambert 2008.
  Point q;
  q.kind = mvLambert2008, q.from = mvETRS89, q.to = mvBelgium1972, q.method = MORVANE_METHOD_GRID;
  q.a = 649186.03701863, q.b = 670811.16949360;
  const Result back = Convert(q);
  EXPECT_EQ(back.error, "");
  EXPECT_NEAR(back.x, 149186.41, 1e-4);
  EXPECT_NEAR(back.y, 170810.74, 1e-4);
  EXPECT_EQ(back.x2008, q.a);
  EXPECT_EQ(back.ifbl, "E42544");
}

TEST(Survey, OstendHeightOfTheAgencysCheckPoint) {
  Point p;
  p.from = p.to = mvETRS89;
  p.a = 50.22054332, p.b = 4.663484651;
  p.heightKind = MORVANE_HEIGHT_ELLIPSOIDAL, p.height = 354.6988105;
  const Result r = Convert(p);
  EXPECT_EQ(r.error, "");
  EXPECT_NEAR(r.ostend, 310.9250, 1e-4);
  EXPECT_EQ(r.ellipsoidal, 354.6988105);
  // And the other way: the same quasi-geoid height.
  p.heightKind = MORVANE_HEIGHT_OSTEND, p.height = r.ostend;
  const Result back = Convert(p);
  EXPECT_NEAR(back.ellipsoidal, 354.6988105, 1e-9);
}

TEST(Survey, Lambert2008FalseOriginAndRoundTrips) {
  double x = 0, y = 0;
  lambert::GeoToLambert2008(50 + 47 / 60.0 + 52.134 / 3600, 4 + 21 / 60.0 + 33.177 / 3600, x, y);
  EXPECT_NEAR(x, 649328, 1e-9);
  EXPECT_NEAR(y, 665262, 1e-9);
  // Forward after inverse, over Belgium, both projections of the route.
  // A few nanometres: one unit in the last place of the cone's radius
  // (5.2e6 m) is 0.93 nm, and of a latitude in degrees 0.8 nm.
  const struct {
    const char* name;
    void (*forward)(double, double, double&, double&);
    void (*inverse)(double, double, double&, double&);
    double x0, y0;
  } cones[] = {{"Lambert 2008", lambert::GeoToLambert2008, lambert::Lambert2008ToGeo, 500000, 500000},
               {"Lambert 72 (EPSG:31370)", lambert::GeoToLambert72Conic,
                lambert::Lambert72ConicToGeo, 0, 0}};
  for (const auto& cone : cones) {
    SCOPED_TRACE(cone.name);
    double worst = 0;
    for (double dx = 0; dx <= 300000; dx += 12500)
      for (double dy = 0; dy <= 250000; dy += 12500) {
        double lat = 0, lon = 0, X = 0, Y = 0;
        cone.inverse(cone.x0 + dx + 0.123, cone.y0 + dy + 0.456, lat, lon);
        cone.forward(lat, lon, X, Y);
        worst = std::max({worst, std::fabs(X - (cone.x0 + dx + 0.123)),
                          std::fabs(Y - (cone.y0 + dy + 0.456))});
      }
    EXPECT_LE(worst, 5e-9);
  }
}

TEST(Survey, GridInverseUndoesTheGrid) {
  for (double lat = 49.5; lat <= 51.5; lat += 0.0731)
    for (double lon = 2.55; lon <= 6.4; lon += 0.0917) {
      double e1 = 0, e2 = 0, b1 = 0, b2 = 0;
      ASSERT_EQ(datum::Bd72ToEtrs89(lat, lon, e1, e2), datum::GridStatus::kDone);
      ASSERT_EQ(datum::Etrs89ToBd72(e1, e2, b1, b2), datum::GridStatus::kDone);
      EXPECT_NEAR(b1, lat, 1e-11);
      EXPECT_NEAR(b2, lon, 1e-11);
    }
}

// With the defaults of version 2 the object's outputs keep their bits: a
// point with today's outputs asked for is converted as without them.
TEST(Survey, TheObjectsOutputsKeepTheirBits) {
  const Point points[] = {
      {mvDeg, mvWGS1984, mvBelgium1972, 0, 0, 50.8467, 4.3525, kNaN, ""},
      {mvDeg, mvEuropeanData1950, mvNTF, 0, 0, 49.61, 6.13, kNaN, ""},
      {mvLambert72, mvWGS1984, mvWGS1984, 0, 0, 149186.41, 170810.74, kNaN, ""},
      {mvIFBL, mvBelgium1972, mvEuropeanData1950, 0, 0, 0, 0, kNaN, "E4.25.44"},
      {mvMgrs, mvWGS1984, mvBelgium1972, 0, 0, 0, 0, kNaN, "31UES9545833940"},
      // The poles: Lambert 2008 of them is far but finite, and takes
      // nothing from the object's outputs.
      {mvDeg, mvWGS1984, mvWGS1984, 0, 0, -90, 3, kNaN, ""},
      {mvDeg, mvBelgium1972, mvWGS1984, 0, 0, 90, -3, kNaN, ""},
  };
  for (const Point& p : points) {
    SCOPED_TRACE(p.kind);
    const Result plain = Convert(p, false), with = Convert(p, true);
    EXPECT_EQ(plain.error, "");
    EXPECT_EQ(with.failure, 0);
    EXPECT_EQ(std::memcmp(&plain.latitude, &with.latitude, 6 * sizeof(double)), 0);
    EXPECT_EQ(plain.mgrs, with.mgrs);
    EXPECT_EQ(plain.ifbl, with.ifbl);
    EXPECT_TRUE(std::isfinite(with.x2008) && std::isfinite(with.y2008));
  }
}

// The steps each route takes, and what they state.
TEST(Survey, RoutesNameTheirSteps) {
  const struct {
    std::int32_t kind, from, to, method, route;
  } cases[] = {
      {mvDeg, mvWGS1984, mvWGS1984, MORVANE_METHOD_SHIFT, kStepShiftBd72 | kStepWgs84AsEtrs89},
      {mvDeg, mvETRS89, mvETRS89, MORVANE_METHOD_GRID, kStepGrid},
      {mvDeg, mvWGS1984, mvBelgium1972, MORVANE_METHOD_GRID, kStepGrid | kStepWgs84AsEtrs89},
      {mvDeg, mvEuropeanData1950, mvBelgium1972, MORVANE_METHOD_SHIFT,
       kStepShiftEd50 | kStepShiftBd72 | kStepWgs84AsEtrs89},
      {mvLambert2008, mvETRS89, mvETRS89, MORVANE_METHOD_GRID, kStepGrid},
      {mvLambert2008, mvETRS89, mvETRS89, MORVANE_METHOD_SHIFT, kStepShiftBd72 | kStepWgs84AsEtrs89},
      {mvLambert72, mvBelgium1972, mvNTF, MORVANE_METHOD_GRID,
       kStepGrid | kStepWgs84AsEtrs89 | kStepShiftNtf},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.kind << " " << c.from << "->" << c.to << " " << c.method);
    Point p;
    p.kind = c.kind, p.from = c.from, p.to = c.to, p.method = c.method;
    if (c.kind == mvDeg) p.a = 50.5, p.b = 4.5;
    else if (c.kind == mvLambert72) p.a = 150000, p.b = 130000;
    else p.a = 650000, p.b = 630000;
    const Result r = Convert(p);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.route, c.route);
    EXPECT_DOUBLE_EQ(r.accuracy, RouteAccuracy(c.route));
  }
  EXPECT_EQ(RouteText(kStepGrid | kStepWgs84AsEtrs89),
            "grid BD72\u2192ETRS89 (EPSG:8369); WGS 84 taken for ETRS89");
  EXPECT_EQ(RouteText(0), "none");
  char small[8];
  EXPECT_EQ(morvane_route_text(kStepGrid, small, sizeof small),
            static_cast<ptrdiff_t>(RouteText(kStepGrid).size()));
  EXPECT_STREQ(small, "grid BD");
  EXPECT_EQ(morvane_method_by_name("Grid"), MORVANE_METHOD_GRID);
  EXPECT_EQ(morvane_height_kind_by_name("ostend"), MORVANE_HEIGHT_OSTEND);
  EXPECT_EQ(morvane_method_by_name("helmert"), -1);
}

// Inputs the route cannot convert get a message and nothing else.
TEST(Survey, BadInputsGetTheirMessageAndNoResult) {
  const struct {
    const char* what;
    Point point;
    const char* message;
  } cases[] = {
      {"Paris by the grid", {mvDeg, mvWGS1984, mvBelgium1972, MORVANE_METHOD_GRID, 0, 48.85, 2.35, kNaN, ""},
       message::kOutsideShiftGrid},
      {"Lambert 72 of a point off the grid", {mvLambert72, mvBelgium1972, mvETRS89, MORVANE_METHOD_GRID, 0, 2000, 2000, kNaN, ""},
       message::kOutsideShiftGrid},
      {"Lambert 2008 out of range", {mvLambert2008, mvETRS89, mvETRS89, 0, 0, 10, 665262, kNaN, ""},
       message::kBadLambert2008},
      {"Lambert 2008 NaN", {mvLambert2008, mvETRS89, mvETRS89, 0, 0, kNaN, 665262, kNaN, ""},
       message::kBadLambert2008},
      {"NaN height", {mvDeg, mvETRS89, mvETRS89, 0, MORVANE_HEIGHT_OSTEND, 50.5, 4.5, kNaN, ""},
       message::kBadHeight},
      {"infinite height", {mvDeg, mvETRS89, mvETRS89, 0, MORVANE_HEIGHT_OSTEND, 50.5, 4.5,
                           std::numeric_limits<double>::infinity(), ""},
       message::kBadHeight},
      {"ellipsoidal height on BD72", {mvDeg, mvBelgium1972, mvETRS89, 0, MORVANE_HEIGHT_ELLIPSOIDAL, 50.5, 4.5, 100, ""},
       message::kHeightNotEtrs89},
      {"height in Lyon", {mvDeg, mvETRS89, mvETRS89, 0, MORVANE_HEIGHT_OSTEND, 45.76, 4.83, 100, ""},
       message::kOutsideGeoid},
      {"the object's message", {mvDeg, mvETRS89, mvBelgium1972, MORVANE_METHOD_GRID, 0, 91, 4.5, kNaN, ""},
       message::kBadDeg},
      {"a bad square by the grid", {mvIFBL, mvBelgium1972, mvETRS89, MORVANE_METHOD_GRID, 0, 0, 0, kNaN, "Z99"},
       message::kBadIfbl},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Result r = Convert(c.point);
    ASSERT_EQ(r.status, MORVANE_OK);
    EXPECT_EQ(r.error, c.message);
    EXPECT_EQ(r.failure, 0);
    EXPECT_EQ(r.northing, 0);
    EXPECT_EQ(r.mgrs, "");
    EXPECT_TRUE(std::isnan(r.x2008) && std::isnan(r.ostend) && std::isnan(r.accuracy));
    EXPECT_EQ(r.route, 0);
  }
}

TEST(Survey, NonsensicalSettingsAreRefusedBeforeAnythingIsWritten) {
  const struct {
    const char* what;
    std::int32_t method, heightKind;
    bool heights;
    int status;
  } cases[] = {
      {"method 2", 2, MORVANE_HEIGHT_NONE, false, MORVANE_E_SETTING},
      {"method -1", -1, MORVANE_HEIGHT_NONE, false, MORVANE_E_SETTING},
      {"height kind 3", 0, 3, true, MORVANE_E_SETTING},
      {"heights without a column", 0, MORVANE_HEIGHT_OSTEND, false, MORVANE_E_NULL_POINTER},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const double lat = 50.5, lon = 4.5, h = 10;
    double x2008 = -7;
    BatchInput in{};
    in.OrigType = mvDeg, in.DatumFrom = in.DatumDest = mvETRS89;
    in.Latitude = &lat, in.Longitude = &lon;
    BatchExtra x{};
    x.size = sizeof x;
    x.Method = c.method, x.HeightKind = c.heightKind, x.Height = c.heights ? &h : nullptr;
    x.X2008 = &x2008;
    BatchOutput out{};
    EXPECT_EQ(ConvertBatch(in, out, x, 1, 1), c.status);
    EXPECT_EQ(x2008, -7);
    TextWidths widths;
    EXPECT_EQ(BatchWidths(in, x, 1, widths), c.status);
  }
}

// Callers built before version 2 pass the first version's size: they get
// the object's conversion, whatever follows their structure in memory.
TEST(Survey, FirstVersionCallersAreReadAsBefore) {
  const double lat = 50.5, lon = 4.5;
  double x = 0, x2008 = -7;
  morvane_batch_input in{};
  in.OrigType = mvDeg, in.DatumFrom = mvWGS1984, in.DatumDest = mvBelgium1972;
  in.Latitude = &lat, in.Longitude = &lon;
  morvane_batch_output out{};
  out.X = &x;
  morvane_batch_extra extra{};
  std::memset(&extra, 0xff, sizeof extra);  // what an old caller's memory may hold
  extra.size = MORVANE_BATCH_EXTRA_V1_SIZE;
  extra.UtmZone = nullptr, extra.Hemisphere = nullptr, extra.Progress = nullptr;
  extra.X2008 = &x2008;  // beyond the first version: not read
  EXPECT_EQ(morvane_convert_batch_extra(&in, &out, &extra, 1, 1), MORVANE_OK);
  EXPECT_GT(x, 100000);
  EXPECT_EQ(x2008, -7);
  extra.size = MORVANE_BATCH_EXTRA_V1_SIZE - 1;
  EXPECT_EQ(morvane_convert_batch_extra(&in, &out, &extra, 1, 1), MORVANE_E_NULL_POINTER);
}

TEST(Survey, GridTablesThatAreNotTablesAreRefused) {
  const unsigned char* none = nullptr;
  datum::GridSet set;
  EXPECT_FALSE(datum::DecodeGridTable(none, 0, set));
  const std::string bad[] = {"", "MVGRIDS", "MVGRIDS2\x01\0\0\0", std::string("MVGRIDS1\x01\0\0\0", 12)};
  for (const auto& bytes : bad) {
    EXPECT_FALSE(datum::DecodeGridTable(reinterpret_cast<const unsigned char*>(bytes.data()),
                                        bytes.size(), set));
    EXPECT_NE(morvane_load_grids(bytes.data(), bytes.size()), MORVANE_OK);
  }
  EXPECT_EQ(morvane_load_grids(nullptr, 4), MORVANE_E_NULL_POINTER);
  // The built-in table is there and whole.
  EXPECT_EQ(morvane_grids_loaded(), 1);
  const datum::GridSet* grids = datum::Grids();
  ASSERT_NE(grids, nullptr);
  EXPECT_EQ(grids->shift->columns, 817u);
  EXPECT_EQ(grids->shift->rows, 425u);
  EXPECT_EQ(grids->geoid->columns, 401u);
  EXPECT_DOUBLE_EQ(grids->shift->South(), 49.45);
  EXPECT_DOUBLE_EQ(grids->shift->East(), 6.54);
}

}  // namespace
}  // namespace morvane
