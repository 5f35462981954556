// UTM projection: worked values, the zone rule, the hemisphere, round trips
// on several ellipsoids and the faults with the outputs they leave.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "component/failure.hpp"
#include "datum/catalogue.hpp"
#include "utm/utm.hpp"

namespace morvane::dma {
namespace {

const double kDeg = std::atan(1.0) / 45.0;
constexpr double kHayfordA = 6378388.0, kHayfordF = 1.0 / 297.0;
constexpr double kWgs84A = 6378137.0, kWgs84F = 1.0 / 298.257223563;

struct Forward {
  double a, f, latitude, longitude;  // degrees
  std::int16_t zone;
  double northing, easting;
};

TEST(UtmForward, WorkedValuesToTheCentimetre) {
  const Forward cases[] = {
      {kHayfordA, kHayfordF, 50.85, 4.35, 31, 5634127.92, 595036.85},
      {kWgs84A, kWgs84F, 50.85, 4.35, 31, 5634012.83, 595032.29},
      {kWgs84A, kWgs84F, -33.9, 18.4, 34, 6245888.05, 259583.22},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.latitude << ", " << c.longitude << " on " << c.a);
    std::int16_t zone = 0;
    double northing = 0, easting = 0;
    GeoToUtm(c.a, c.f, c.latitude * kDeg, c.longitude * kDeg, zone, northing, easting, 0);
    EXPECT_EQ(zone, c.zone);
    EXPECT_NEAR(northing, c.northing, 0.005);
    EXPECT_NEAR(easting, c.easting, 0.005);
  }
}

struct Inverse {
  double a, f;
  std::int16_t zone;
  double northing, easting, latitude, longitude;  // degrees
};

TEST(UtmInverse, WorkedValuesToTheHundredMillionthOfADegree) {
  const Inverse cases[] = {
      {kHayfordA, kHayfordF, 31, 5634127.92, 595036.85, 50.84999998, 4.35000005},
      {kWgs84A, kWgs84F, 34, -6245888.05, 259583.22, -33.89999996, 18.39999998},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.zone << " " << c.northing << " " << c.easting);
    double latitude = 0, longitude = 0, northing = c.northing;
    UtmToGeo(c.a, c.f, latitude, longitude, c.zone, northing, c.easting);
    EXPECT_NEAR(latitude / kDeg, c.latitude, 1e-8);
    EXPECT_NEAR(longitude / kDeg, c.longitude, 1e-8);
    EXPECT_EQ(northing, std::fabs(c.northing));
  }
}

}  // namespace
}  // namespace morvane::dma
