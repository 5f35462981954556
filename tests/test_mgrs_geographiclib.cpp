// MGRS references against an independent encoder and decoder
// (GeographicLib's MGRS and UTMUPS) on WGS 1984, over a grid of points
// between 80 S and 84 N with the Norway and Svalbard zones sampled densely.
//
// GeographicLib truncates its coordinates to the metre where ours round
// halves away from zero, so our digits are compared with its UTM
// coordinates rounded, and its letters only away from the 100 km lines
// where the two ways of cutting can fall into different squares.
#ifdef MORVANE_HAVE_GEOGRAPHICLIB

#include <GeographicLib/MGRS.hpp>
#include <GeographicLib/UTMUPS.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "mgrs/mgrs.hpp"

namespace morvane::dma {
namespace {

using GeographicLib::MGRS;
using GeographicLib::UTMUPS;

const double kDegree = std::atan(1.0) / 45.0;
constexpr double kA = 6378137.0;
constexpr double kF = 1 / 298.257223563;
constexpr std::int16_t kWgs84 = 21;

// Digits of a whole number of metres inside its 100 km square.
std::string FiveDigits(double metres) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%05d", static_cast<int>(std::fmod(metres, 100000.0)));
  return buffer;
}

// Within `margin` metres of a whole multiple of `step`.
bool Near(double value, double step, double margin) {
  const double r = std::fmod(value, step);
  return r < margin || step - r < margin;
}

bool NearHalfMetre(double value) { return std::fabs(value - std::floor(value) - 0.5) < 0.001; }

struct Tally {
  int points = 0, lettersCompared = 0, digitsCompared = 0;
  double worstLatitude = 0, worstLongitude = 0;  // degrees, decoding
};

// One point: our reference against GeographicLib's coordinates, then
// GeographicLib's reference decoded by ours against its own decoding.
void ComparePoint(double latitude, double longitude, Tally& tally) {
  SCOPED_TRACE(testing::Message() << latitude << ", " << longitude);
  ++tally.points;
  int zone;
  bool northp;
  double x, y;
  UTMUPS::Forward(latitude, longitude, zone, northp, x, y);
  std::string theirs;
  MGRS::Forward(zone, northp, x, y, latitude, 5, theirs);

  std::int16_t ourZone = 0;
  double northing, easting;
  std::string ours;
  GeoToMgrs(kA, kF, latitude * kDegree, longitude * kDegree, ourZone, northing, easting, ours,
            kWgs84);
  ASSERT_EQ(ours.size(), 15u);
  ASSERT_EQ(theirs.size(), 15u);
  EXPECT_EQ(ourZone, zone);
  EXPECT_EQ(ours[2], theirs[2]) << ours << " " << theirs;  // band
  if (!Near(x, 100000, 1) && !Near(y, 100000, 1)) {
    ++tally.lettersCompared;
    EXPECT_EQ(ours.substr(3, 2), theirs.substr(3, 2)) << ours << " " << theirs;
  }
  if (!NearHalfMetre(x) && !NearHalfMetre(y)) {
    ++tally.digitsCompared;
    double er = std::round(x), nr = std::round(y);  // halves away from zero
    if (nr == 10000000) nr = 9999999;
    if (zone == 31 && ours[2] == 'V' && er == 500000) er = 499999;
    EXPECT_EQ(ours.substr(5, 5), FiveDigits(er)) << ours << " " << x;
    EXPECT_EQ(ours.substr(10, 5), FiveDigits(nr)) << ours << " " << y;
  }

  // GeographicLib's reference through our decoder: the south-west corner
  // of its 1 m square.
  int cornerZone, precision;
  bool cornerNorth;
  double cornerX, cornerY, cornerLatitude, cornerLongitude;
  MGRS::Reverse(theirs, cornerZone, cornerNorth, cornerX, cornerY, precision, false);
  UTMUPS::Reverse(cornerZone, cornerNorth, cornerX, cornerY, cornerLatitude, cornerLongitude);

  std::string text = theirs;
  double decodedLatitude, decodedLongitude, decodedNorthing, decodedEasting;
  std::int16_t decodedZone;
  std::int32_t status;
  MgrsToGeo(text, kWgs84, kA, kF, decodedLatitude, decodedLongitude, decodedZone,
            decodedNorthing, decodedEasting, status);
  EXPECT_EQ(status, 0) << theirs << " " << text;
  EXPECT_EQ(decodedZone, cornerZone);
  EXPECT_EQ(decodedNorthing, cornerY) << theirs;
  EXPECT_EQ(decodedEasting, cornerX) << theirs;
  tally.worstLatitude =
      std::max(tally.worstLatitude, std::fabs(decodedLatitude / kDegree - cornerLatitude));
  tally.worstLongitude =
      std::max(tally.worstLongitude, std::fabs(decodedLongitude / kDegree - cornerLongitude));
}

// Points within about 100 m of a band or zone boundary (the exception zones'
// limits included) are left out: there the 1 m squares that GeographicLib's
// truncated digits name may lie more than the decoder's 1 m tolerance
// outside the grid zone.
void CompareGrid(double south, double north, double latitudeStep, double west, double east,
                 double longitudeStep, Tally& tally) {
  constexpr double kClear = 1e-3;  // degrees
  for (int i = 0; south + i * latitudeStep < north; ++i) {
    const double latitude = south + i * latitudeStep;
    if (Near(latitude + 80, 8, kClear)) continue;
    for (int j = 0; west + j * longitudeStep < east; ++j) {
      const double longitude = west + j * longitudeStep;
      if (Near(longitude + 180, 3, kClear)) continue;
      ComparePoint(latitude, longitude, tally);
      if (testing::Test::HasFailure()) return;  // one point's report is enough
    }
  }
}

void ExpectAgreement(const Tally& tally) {
  testing::Test::RecordProperty("points", tally.points);
  testing::Test::RecordProperty("worstLatitude", testing::PrintToString(tally.worstLatitude));
  testing::Test::RecordProperty("worstLongitude", testing::PrintToString(tally.worstLongitude));
  EXPECT_LT(tally.worstLatitude, 1e-8);
  EXPECT_LT(tally.worstLongitude, 1e-8);
  // The margins leave almost every point compared.
  EXPECT_GT(tally.lettersCompared, tally.points * 99 / 100);
  EXPECT_GT(tally.digitsCompared, tally.points * 99 / 100);
}

TEST(MgrsAgainstGeographicLib, WholeGrid) {
  Tally tally;
  CompareGrid(-79.97, 84.0, 0.53, -179.93, 180.0, 0.61, tally);
  ExpectAgreement(tally);
}

TEST(MgrsAgainstGeographicLib, NorwayAndSvalbard) {
  Tally tally;
  CompareGrid(56.011, 64.0, 0.113, 0.013, 12.0, 0.137, tally);
  CompareGrid(72.011, 84.0, 0.127, 0.013, 42.0, 0.229, tally);
  ExpectAgreement(tally);
}

// Points within a few metres of the south edges of southern bands at the
// zones' limits, where the band's lowest northing lies.
TEST(MgrsAgainstGeographicLib, SouthEdgesAtZoneLimits) {
  Tally tally;
  for (double south = -80; south < 0; south += 8)
    for (int zone = 1; zone <= 60; ++zone) {
      const double west = 6.0 * zone - 186;
      for (double offset : {0.00013, 2.9, 5.99987})
        ComparePoint(south + 0.00003, west + offset, tally);
    }
  ExpectAgreement(tally);
}

}  // namespace
}  // namespace morvane::dma

#endif  // MORVANE_HAVE_GEOGRAPHICLIB
