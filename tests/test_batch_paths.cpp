// The batch call's paths (one point at a time, four in SSE2, AVX2 or
// WebAssembly SIMD lanes) give the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <morvane/batch.hpp>
#include <morvane/zediz_ado.hpp>
#include "component/batch_lanes.hpp"
#include "tests/batch_outputs.hpp"

namespace morvane {
namespace {

// Degree positions that take every branch of a group: ordinary points of
// Belgium and of the world, points the object refuses or converts apart
// (NaN, infinities, out of range, zero angles, the poles and the
// antimeridian), the edges of the MGRS grid, of its zones and bands, and
// the zones of Norway and Svalbard, all shuffled into groups of four.
std::vector<std::pair<double, double>> GroupTestPositions() {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double tiny = std::numeric_limits<double>::denorm_min();
  std::vector<std::pair<double, double>> p = {
      {nan, 4.0},      {50.0, nan},       {inf, 4.0},         {50.0, -inf},
      {90.5, 4.0},     {50.0, 180.5},     {-90.0, 0.0},       {90.0, 180.0},
      {0.0, 4.0},      {50.0, 0.0},       {-0.0, -0.0},       {tiny, tiny},
      {-tiny, 3.0},    {1e-300, -1e-300}, {84.0, 10.0},       {84.00000003, 10.0},
      {-80.0, 10.0},   {-80.00000003, 1}, {60.0, 5.0},        {58.0, 2.9},
      {63.99, 3.01},   {56.0, 7.0},       {56.00000003, 7.0}, {72.0, 15.0},
      {78.0, 15.0},    {79.0, 9.0},       {80.0, 21.0},       {75.0, 33.0},
      {50.0, 6.0},     {50.0, 5.99999999}, {50.0, 6.00000001}, {-0.00000001, 4.0},
      {0.00000001, 4.0}, {49.5, 2.5},     {51.5, 6.4},        {-89.9999, -179.9999},
      {89.9999, 179.9999}, {-45.0, -180.0}, {45.0, 180.0},    {8.0, -3.0},
  };
  std::mt19937 random(2024);
  std::uniform_real_distribution<double> la(49.4, 51.6), lo(2.4, 6.5), wla(-90, 90),
      wlo(-180, 180);
  for (int i = 0; i < 400; ++i) p.emplace_back(la(random), lo(random));
  for (int i = 0; i < 201; ++i) p.emplace_back(wla(random), wlo(random));
  std::shuffle(p.begin(), p.end(), random);
  return p;
}

// Every output of a batch, as bytes.
std::vector<std::uint8_t> BatchBytes(const BatchInput& in, std::size_t n) {
  Outputs r(in, n);
  std::vector<std::int16_t> zone(n, -1);
  std::vector<char> hemisphere(n, '?');
  BatchExtra extra{};
  extra.size = sizeof extra;
  extra.UtmZone = zone.data();
  extra.Hemisphere = hemisphere.data();
  EXPECT_EQ(ConvertBatch(in, r.out, extra, static_cast<std::ptrdiff_t>(n), 1), MORVANE_OK);
  std::vector<std::uint8_t> bytes;
  const auto add = [&](const auto& v) {
    const auto* b = reinterpret_cast<const std::uint8_t*>(v.data());
    bytes.insert(bytes.end(), b, b + v.size() * sizeof(v[0]));
  };
  add(r.lat), add(r.lon), add(r.x), add(r.y), add(r.northing), add(r.easting);
  add(r.latD), add(r.latM), add(r.lonD), add(r.lonM), add(r.latS), add(r.lonS);
  add(r.mgrs), add(r.ifbl), add(r.error), add(r.failure), add(zone), add(hemisphere);
  return bytes;
}

class PathScope {
 public:
  explicit PathScope(batch::Path path) : saved_(batch::SelectedPath()), ok_(batch::ForcePath(path)) {}
  ~PathScope() { batch::ForcePath(saved_); }
  bool ok() const { return ok_; }

 private:
  batch::Path saved_;
  bool ok_;
};

// The positions as DMS fields, with fields the object refuses or reads
// apart: the sign on the minutes or the seconds, 60 minutes or seconds,
// out of range, NaN seconds, the degrees' most negative value.
struct DmsColumns {
  std::vector<std::int16_t> latD, latM, lonD, lonM;
  std::vector<float> latS, lonS;

  explicit DmsColumns(const std::vector<std::pair<double, double>>& positions) {
    const auto split = [](double v, std::vector<std::int16_t>& d, std::vector<std::int16_t>& m,
                          std::vector<float>& s) {
      const double a = std::isfinite(v) ? std::min(std::fabs(v), 200.0) : 0.0;
      const double minutes = (a - std::floor(a)) * 60;
      d.push_back(static_cast<std::int16_t>(std::copysign(std::floor(a), v)));
      m.push_back(static_cast<std::int16_t>(std::floor(minutes)));
      s.push_back(static_cast<float>((minutes - std::floor(minutes)) * 60));
    };
    for (const auto& [lat, lon] : positions) split(lat, latD, latM, latS), split(lon, lonD, lonM, lonS);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
      std::int16_t d, m;
      float s;
    } odd[] = {{0, -30, 15.0f}, {0, 0, -12.5f}, {0, 0, -0.0f}, {50, 60, 0.0f}, {50, 0, 60.0f},
               {91, 0, 0.0f},   {-32768, 0, 0}, {50, 10, nan},  {0, -61, 0.0f}, {-0, 0, 0.0f},
               {-4, 30, 0.5f},  {4, -30, 0.5f}, {90, 0, 0.0f},  {90, 0, 0.5f}};
    for (std::size_t k = 0; k < std::size(odd); ++k) {
      const std::size_t i = (k * 37 + 5) % latD.size();
      latD[i] = odd[k].d, latM[i] = odd[k].m, latS[i] = odd[k].s;
      const std::size_t j = (k * 53 + 11) % lonD.size();
      lonD[j] = odd[k].d, lonM[j] = odd[k].m, lonS[j] = odd[k].s;
    }
  }
};

// Lambert 72 positions over the input's range and beyond (NaN, negative,
// past 310 000 and 260 000 m), and IFBL codes of squares of every size,
// written as people write them (lower case, separators), with codes that
// name no square.
struct PlaneColumns {
  std::vector<double> x, y;
  std::vector<std::string> codes;
  std::vector<const char*> texts;

  explicit PlaneColumns(std::size_t n) {
    std::mt19937 random(77);
    std::uniform_real_distribution<double> ux(-20000, 330000), uy(-20000, 280000);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<double, double> odd[] = {
        {nan, 100000},  {100000, nan},   {0, 0},         {310000, 260000}, {310000.0001, 1},
        {-0.0, 10},     {2012, 18180},   {322011.9, 5},  {150000, 170000}, {1e-300, 1e-300},
        {34012, 38180}, {34011.999999, 38179.99999}};
    for (const auto& [a, b] : odd) x.push_back(a), y.push_back(b);
    while (x.size() < n) x.push_back(ux(random)), y.push_back(uy(random));
    const char* fixed[] = {"f5.16.34", "d6-54-42", " e4 ", "K5", "k5", "A0", "M9", "Z9", "F5", "F516",
                           "f5163", "F51634X", "", "I5", "F5.99.99", "F50134", "m9 58 44"};
    for (const char* c : fixed) codes.push_back(c);
    ZedizAdo o;
    o.DatumFrom(mvBelgium1972);
    o.DatumDest(mvBelgium1972);
    o.OrigType(mvLambert72);
    const std::int16_t precisions[] = {2, 4, 6};
    while (codes.size() < n) {
      o.X(ux(random));
      o.Y(uy(random));
      o.IfblPrecision = precisions[random() % 3];
      o.Conversion();
      codes.push_back(o.IFBL());
    }
    std::shuffle(codes.begin(), codes.end(), random);
    for (const auto& c : codes) texts.push_back(c.c_str());
  }
};

// MGRS references of the positions at every precision, with references
// written as people write them (lower case, blanks, a zone of one digit),
// outside their grid zone, in the south, in Norway's and Svalbard's zones,
// and texts that are none.
struct MgrsColumn {
  std::vector<std::string> references;
  std::vector<const char*> texts;

  explicit MgrsColumn(const std::vector<std::pair<double, double>>& positions) {
    ZedizAdo o;
    o.DatumFrom(mvWGS1984);
    o.DatumDest(mvWGS1984);
    o.OrigType(mvDeg);
    const std::int32_t precisions[] = {0, 10000, 1000, 100, 10, 1};
    std::size_t k = 0;
    for (const auto& [lat, lon] : positions) {
      o.Latitude(lat);
      o.Longitude(lon);
      o.mgrsPrecision = precisions[k++ % std::size(precisions)];
      try {
        o.Conversion();
        references.push_back(o.Error().empty() ? o.MGRS() : "31UFS");
      } catch (const Failure&) {
        references.push_back("");
      }
    }
    const char* odd[] = {"31ufs1234567890", " 31U FS 12345 67890", "5QKA1234567890", "31UFS",
                         "31UZZ1234567890", "32VKN8584313444", "33XWG1369780760", "31XDH1234567890",
                         "60CWT1234567890", "31UES9503234013", "31U", "31UFS123456789012",
                         "1AAA0000000000", "31UFS12345", "31UFS1234", "31NAA6661900000"};
    for (std::size_t i = 0; i < std::size(odd); ++i) references[(i * 41 + 3) % references.size()] = odd[i];
    for (const auto& r : references) texts.push_back(r.c_str());
  }
};

TEST(BatchPaths, EveryPathGivesTheScalarBytesForEveryDatumPairAndPrecision) {
  const auto positions = GroupTestPositions();
  std::vector<double> lat, lon;
  for (const auto& [a, b] : positions) lat.push_back(a), lon.push_back(b);
  const DmsColumns dms(positions);
  const std::size_t n = lat.size();  // not a multiple of four: a tail too
  const PlaneColumns plane(n);
  const MgrsColumn mgrs(positions);
  ASSERT_NE(n % batch::kGroup, 0u);
  struct Precisions {
    std::int32_t mgrs;
    std::int16_t ifbl;
  };
  for (const std::int32_t kind : {mvDeg, mvDegMinSec, mvLambert72, mvIFBL, mvMgrs}) {
    for (const Precisions precision : {Precisions{0, 0}, Precisions{10000, 2}, Precisions{1000, 4},
                                       Precisions{100, 6}, Precisions{1, 6}}) {
      for (int from = mvEuropeanData1950; from <= mvNTF; ++from) {
        for (int dest = mvEuropeanData1950; dest <= mvNTF; ++dest) {
          SCOPED_TRACE(testing::Message() << "kind " << kind << " from " << from << " to " << dest
                                          << " precisions " << precision.mgrs << "/"
                                          << precision.ifbl);
          BatchInput in{};
          in.OrigType = kind;
          in.DatumFrom = from;
          in.DatumDest = dest;
          in.mgrsPrecision = precision.mgrs;
          in.IfblPrecision = precision.ifbl;
          in.Latitude = lat.data();
          in.Longitude = lon.data();
          in.X = plane.x.data();
          in.Y = plane.y.data();
          in.Texts = kind == mvMgrs ? mgrs.texts.data() : plane.texts.data();
          in.LatDmsDeg = dms.latD.data(), in.LatDmsMin = dms.latM.data();
          in.LatDmsSec = dms.latS.data();
          in.LonDmsDeg = dms.lonD.data(), in.LonDmsMin = dms.lonM.data();
          in.LonDmsSec = dms.lonS.data();
          std::vector<std::uint8_t> scalar;
          {
            const PathScope path(batch::Path::kScalar);
            scalar = BatchBytes(in, n);
          }
          for (const batch::Path p : {batch::Path::kVector, batch::Path::kAvx2}) {
            const PathScope path(p);
            if (!path.ok()) continue;  // no AVX2 here
            SCOPED_TRACE(batch::PathName(p));
            EXPECT_TRUE(BatchBytes(in, n) == scalar);
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace morvane
