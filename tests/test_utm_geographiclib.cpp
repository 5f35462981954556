// The UTM series against an independent Transverse Mercator (GeographicLib's
// Krueger series to the sixth order) over a grid inside every zone: checks
// the transcription of the coefficients, which no check value can.
#ifdef MORVANE_HAVE_GEOGRAPHICLIB

#include <GeographicLib/TransverseMercator.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "utm/utm.hpp"

namespace morvane::dma {
namespace {

const double kDeg = std::atan(1.0) / 45.0;
constexpr double kScale = 0.9996;
constexpr double kFalseEasting = 500000.0;
constexpr double kFalseNorthingSouth = 10000000.0;
constexpr double kMillimetre = 0.001;
constexpr double kReach = 3.5;  // degrees of longitude from the central meridian

struct CatalogueEllipsoid {
  const char* name;
  double a, inverseFlattening;
};

const CatalogueEllipsoid kEllipsoids[] = {
    {"Airy", 6377563.396, 299.3249646},
    {"Clarcke 1866", 6378206.4, 294.9786982},
    {"Clarcke 1880", 6378249.145, 293.465},
    {"Everest (India 1830)", 6377276.345, 300.8017},
    {"Hayford", 6378388, 297},
    {"WGS 1984", 6378137, 298.257223563},
};

// Largest differences, in metres, over the grid of every zone.
struct Disagreement {
  double forward = 0;  // grid northing and easting
  double inverse = 0;  // ground distance along the meridian and the parallel
};

Disagreement Compare(const CatalogueEllipsoid& e) {
  const double f = 1.0 / e.inverseFlattening;
  const GeographicLib::TransverseMercator reference(e.a, f, kScale);
  Disagreement worst;
  for (std::int16_t zone = 1; zone <= 60; ++zone) {
    const double centralMeridian = 6.0 * zone - 183.0;
    for (double latitude = -80.0; latitude <= 84.0; latitude += 4.0) {
      for (double offset = -kReach; offset <= kReach; offset += 0.5) {
        const double longitude = centralMeridian + offset;
        double x = 0, y = 0;
        reference.Forward(centralMeridian, latitude, longitude, x, y);
        const double expectedEasting = x + kFalseEasting;
        const double expectedNorthing = latitude < 0 ? y + kFalseNorthingSouth : y;

        std::int16_t givenZone = zone;
        double northing = 0, easting = 0;
        GeoToUtm(e.a, f, latitude * kDeg, longitude * kDeg, givenZone, northing, easting, 1);
        worst.forward = std::max({worst.forward, std::fabs(northing - expectedNorthing),
                                  std::fabs(easting - expectedEasting)});

        double backLatitude = 0, backLongitude = 0;
        double signedNorthing = latitude < 0 ? -expectedNorthing : expectedNorthing;
        UtmToGeo(e.a, f, backLatitude, backLongitude, zone, signedNorthing, expectedEasting);
        const double alongMeridian = std::fabs(backLatitude / kDeg - latitude) * kDeg * e.a;
        const double alongParallel = std::fabs(backLongitude / kDeg - longitude) * kDeg * e.a *
                                     std::cos(latitude * kDeg);
        worst.inverse = std::max({worst.inverse, alongMeridian, alongParallel});
      }
    }
  }
  return worst;
}

TEST(UtmAgainstGeographicLib, SeriesAgreeToTheMillimetreNearTheCentralMeridian) {
  for (const auto& e : kEllipsoids) {
    SCOPED_TRACE(e.name);
    const Disagreement worst = Compare(e);
    EXPECT_LT(worst.forward, kMillimetre);
    EXPECT_LT(worst.inverse, kMillimetre);
  }
}

}  // namespace
}  // namespace morvane::dma

#endif  // MORVANE_HAVE_GEOGRAPHICLIB
