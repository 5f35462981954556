// The routines written once over the value type: four positions in the
// lanes of a Lanes4 give, lane by lane, the bits of the same routine on
// each position alone.  Lanes are mixed so that neighbours differ in
// every branch a lane can take (hemisphere, zone clamps, the datum
// shift's clamps, the inverse projection's number of passes).
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <morvane/zediz_ado.hpp>
#include "component/dms.hpp"
#include "component/driver.hpp"
#include "datum/catalogue.hpp"
#include "elementary/lane_ops.hpp"
#include "lambert/lambert72.hpp"
#include "utm/transverse_mercator.hpp"

namespace morvane {
namespace {

using lanes::Lanes4;
using Four = std::array<double, 4>;

Lanes4 Of(const Four& v) { return Lanes4{v[0], v[1], v[2], v[3]}; }

std::uint64_t Bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// Expects lane k of got to have the bits of want[k].
void ExpectLanes(const Lanes4& got, const Four& want, const char* what) {
  for (int k = 0; k < 4; ++k)
    EXPECT_EQ(Bits(got[k]), Bits(want[k])) << what << ", lane " << k << ": " << got[k] << " vs "
                                           << want[k];
}

const datum::Catalogue& TheCatalogue() {
  static const datum::Catalogue catalogue = [] {
    datum::Catalogue c;
    datum::BuildCatalogue(c);
    return c;
  }();
  return catalogue;
}

// Groups of four positions in degrees, each lane unlike its neighbours.
const std::vector<std::pair<Four, Four>>& PositionGroups() {
  static const std::vector<std::pair<Four, Four>> groups = {
      {{50.8503, -33.9, 89.9999, 51.5}, {4.3517, 18.4, 179.9999, 2.55}},
      {{-0.0001, 0.0001, -89.9999, 49.5}, {-179.9999, 0.5, -0.5, 6.4}},
      {{60.0, 78.0, -45.0, 12.3}, {5.0, 15.0, 170.0, -120.0}},
      {{1e-300, -1e-300, 45.0, -45.0}, {1e-300, 3.0, -1e-300, 180.0}},
      {{0.0, -0.0, 45.0, 50.0}, {4.0, 4.0, 0.0, -0.0}},
  };
  return groups;
}

TEST(Lanes, DatumShiftGivesEachLaneTheBitsOfOnePosition) {
  const datum::Catalogue& catalogue = TheCatalogue();
  for (int from = mvEuropeanData1950; from <= mvNTF; ++from) {
    for (int to = mvEuropeanData1950; to <= mvNTF; ++to) {
      SCOPED_TRACE(testing::Message() << from << " -> " << to);
      for (const auto& [lat, lon] : PositionGroups()) {
        Lanes4 gotLat{}, gotLon{};
        driver::ChangeDatumHeldOf(catalogue, Of(lat), Of(lon), gotLat, gotLon, from, to);
        Four wantLat{}, wantLon{};
        for (int k = 0; k < 4; ++k)
          driver::ChangeDatumHeld(catalogue, lat[k], lon[k], wantLat[k], wantLon[k], from, to);
        // Zero angles keep the shift's signed zeros: the batch converts
        // them alone, and the lanes beside them must not care.
        for (int k = 0; k < 4; ++k) {
          if (lat[k] == 0 || lon[k] == 0) continue;
          EXPECT_EQ(Bits(gotLat[k]), Bits(wantLat[k])) << "latitude, lane " << k;
          EXPECT_EQ(Bits(gotLon[k]), Bits(wantLon[k])) << "longitude, lane " << k;
        }
      }
    }
  }
}

TEST(Lanes, LambertBothWaysGivesEachLaneTheBitsOfOnePosition) {
  // Forward: positions in and far beyond Belgium.
  const Four lat = {50.8503, 49.5, 51.5, 10.0}, lon = {4.3517, 2.55, 6.4, -3.0};
  Lanes4 x{}, y{};
  lambert::GeoToLambert72Of(Of(lat), Of(lon), x, y);
  Four wantX{}, wantY{};
  for (int k = 0; k < 4; ++k) lambert::GeoToLambert72(lat[k], lon[k], wantX[k], wantY[k]);
  ExpectLanes(x, wantX, "X");
  ExpectLanes(y, wantY, "Y");

  // Inverse: lanes whose latitudes meet the tolerance after different
  // numbers of passes; the group takes as many as its slowest lane.
  const std::vector<std::pair<Four, Four>> planes = {
      {{150000, 0, 310000, 20000}, {170000, 0, 260000, 250000}},
      {{1, 300000, 150000.01256, 42000}, {1, 5000, 5400088.4378 - 1e6, 77000}},
  };
  for (const auto& [px, py] : planes) {
    Lanes4 gotLat{}, gotLon{};
    const int passes = lambert::Lambert72ToGeoOf(Of(px), Of(py), gotLat, gotLon);
    Four wantLat{}, wantLon{};
    int most = 0;
    for (int k = 0; k < 4; ++k) {
      const int p = lambert::Lambert72ToGeoOf(px[k], py[k], wantLat[k], wantLon[k]);
      most = std::max(most, p);
    }
    ExpectLanes(gotLat, wantLat, "latitude");
    ExpectLanes(gotLon, wantLon, "longitude");
    EXPECT_EQ(passes, most);
  }

  // A lane whose iteration meets a NaN stops the four (the object fails
  // there with an invalid operation).
  Lanes4 lat4{}, lon4{};
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(lambert::Lambert72ToGeoOf(Of({150000, nan, 1, 2}), Of({170000, 1, 1, 2}), lat4, lon4), 0);
}

TEST(Lanes, UtmBothWaysGivesEachLaneTheBitsOfOnePosition) {
  const datum::Catalogue& catalogue = TheCatalogue();
  const double degree = dma::kDegree;
  for (int ellipsoid : {15, 21, 6}) {  // Hayford, WGS 1984, Clarke 1880
    const auto& e = catalogue.EllipsoidAt(ellipsoid);
    const double a = e.SemiMajorAxis, f = 1 / e.InverseFlattening;
    SCOPED_TRACE(e.Name);
    // Forward, the zone from the longitude: the antimeridian's clamps,
    // both hemispheres, the equator.
    const Four phi = {50.85 * degree, -33.9 * degree, 0.0, 83.9 * degree};
    const Four lambda = {4.35 * degree, 180.0 * degree, -180.0 * degree, 17.999999 * degree};
    Lanes4 zone{}, northing{}, easting{};
    double b = 0;
    dma::tm::Forward<false>(a, f, Of(phi), Of(lambda), zone, northing, easting, 0, b);
    Four wantZone{}, wantN{}, wantE{};
    for (int k = 0; k < 4; ++k) {
      std::int16_t z = 0;
      dma::tm::Forward<false>(a, f, phi[k], lambda[k], z, wantN[k], wantE[k], 0, b);
      wantZone[k] = z;
    }
    ExpectLanes(zone, wantZone, "zone");
    ExpectLanes(northing, wantN, "northing");
    ExpectLanes(easting, wantE, "easting");

    // Inverse: southern (negative) northings handed back as magnitudes.
    const Four n = {5640000.5, -6200000.25, 0.0, -9999999.0};
    const Four east = {600000.0, 166021.4, 833978.6, 500000.0};
    const Four zones = {31, 1, 60, 34};
    Lanes4 lat{}, lon{}, north = Of(n);
    dma::tm::Inverse<false>(a, f, lat, lon, Of(zones), Of(n), north, Of(east), b);
    Four wantLat{}, wantLon{}, wantNorth = n;
    for (int k = 0; k < 4; ++k)
      dma::tm::Inverse<false>(a, f, wantLat[k], wantLon[k], static_cast<std::int16_t>(zones[k]), n[k],
                              wantNorth[k], east[k], b);
    ExpectLanes(lat, wantLat, "latitude");
    ExpectLanes(lon, wantLon, "longitude");
    ExpectLanes(north, wantNorth, "northing");
  }
}

TEST(Lanes, DmsFieldsOfFourAnglesAreThoseOfEachAlone) {
  // The sign on the degrees, the minutes or the seconds; whole minutes;
  // the last angle whose fields have 16-bit values.
  const std::vector<Four> groups = {
      {50.5, -4.5, -0.5, -0.004},      {0.0, -0.0, 179.99999999, -179.99999999},
      {546.9, -546.9, 1.0 / 60, -1.0 / 3600}, {89.9999999999, 0.25, -0.25, 12.3456789}};
  for (const Four& v : groups) {
    lanes::Ints4 deg{}, min{};
    lanes::Floats4 sec{};
    ASSERT_TRUE(DecimalToDmsOf(Of(v), deg, min, sec));
    for (int k = 0; k < 4; ++k) {
      std::int16_t d = 0, m = 0;
      float s = 0;
      DecimalToDms(v[k], d, m, s);
      EXPECT_EQ(deg[k], d) << v[k];
      EXPECT_EQ(min[k], m) << v[k];
      EXPECT_EQ(std::bit_cast<std::uint32_t>(sec[k]), std::bit_cast<std::uint32_t>(s)) << v[k];
    }
  }
  // Where one angle alone fails (its degrees or their minutes have no
  // 16-bit value, or it is not a number), four give no fields.
  for (const double bad : {547.0, -1e6, std::numeric_limits<double>::quiet_NaN()}) {
    lanes::Ints4 deg{}, min{};
    lanes::Floats4 sec{};
    EXPECT_FALSE(DecimalToDmsOf(Of({1.0, bad, 2.0, 3.0}), deg, min, sec)) << bad;
  }
}

}  // namespace
}  // namespace morvane
