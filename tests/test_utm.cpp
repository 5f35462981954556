// UTM projection: worked values, the zone rule, the hemisphere, round trips
// on several ellipsoids and the faults with the outputs they leave.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "base/checks.hpp"
#include "base/general.hpp"
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


// Full-precision results: they pin the order of every sum and product.
struct Bitwise {
  double a, f, latitude, longitude;  // degrees in
  std::int16_t zone;
  double northing, easting;          // forward
  double backLatitude, backLongitude;  // inverse of the forward, radians
};

TEST(Utm, CheckValuesToTheBit) {
  const Bitwise cases[] = {
      {kHayfordA, kHayfordF, 50.85, 4.35, 31, 5634127.9218778191, 595036.84614368528,
       0.88749992463911664, 0.075921822461753496},
      {kWgs84A, kWgs84F, 50.85, 4.35, 31, 5634012.8334954139, 595032.29455674079,
       0.88749992463911676, 0.075921822461753496},
      {kWgs84A, kWgs84F, -33.9, 18.4, 34, 6245888.0454407819, 259583.22165991063,
       -0.59166661642607776, 0.32114058236683451},
      {6378249.145, 1 / 293.465, -79.5, -177.2, 1, 1174394.9687513984, 495930.88157815498,
       -1.3875367553354918, -3.0927234345339518},
      {6377563.396, 1 / 299.3249646, 83.9, 29.1, 35, 9316614.0634767134, 524906.11429042835,
       1.4643312424232426, 0.50789081233033695},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.latitude << ", " << c.longitude << " on " << c.a);
    std::int16_t zone = 0;
    double northing = 0, easting = 0;
    GeoToUtm(c.a, c.f, c.latitude * kDeg, c.longitude * kDeg, zone, northing, easting, 0);
    EXPECT_EQ(zone, c.zone);
    EXPECT_EQ(northing, c.northing);
    EXPECT_EQ(easting, c.easting);
    double latitude = 0, longitude = 0;
    if (c.latitude < 0) northing = -northing;
    UtmToGeo(c.a, c.f, latitude, longitude, zone, northing, easting);
    EXPECT_EQ(latitude, c.backLatitude);
    EXPECT_EQ(longitude, c.backLongitude);
  }
}

TEST(UtmForward, CentralMeridianAtTheEquatorIsExact) {
  std::int16_t zone = 0;
  double northing = -1, easting = -1;
  GeoToUtm(kWgs84A, kWgs84F, 0.0, 3.0 * kDeg, zone, northing, easting, 0);
  EXPECT_EQ(zone, 31);
  EXPECT_EQ(northing, 0.0);
  EXPECT_EQ(easting, 500000.0);
}

TEST(UtmForward, ZoneFromTheLongitudeIsFlooredAndClamped) {
  const struct {
    double longitude;  // radians
    std::int16_t zone;
  } cases[] = {
      {0.0, 31},
      {-1e-12, 30},
      {180.0 * kDeg, 60},
      {-180.0 * kDeg, 1},
      {200.0 * kDeg, 60},
      {1000.0 * kDeg, 60},
      {-200.0 * kDeg, 1},
      {-1000.0 * kDeg, 1},
      // The component's degrees use pi cut to ten decimals, so a multiple
      // of 6 degrees arrives just short of the zone boundary.
      {general::DegToRad(6.0), 31},
      {general::DegToRad(12.0), 32},
      {general::DegToRad(-6.0), 30},
      {6.0 * kDeg, 32},
  };
  for (const auto& c : cases) {
    std::int16_t zone = 0;
    double northing = 0, easting = 0;
    GeoToUtm(kHayfordA, kHayfordF, 50.0 * kDeg, c.longitude, zone, northing, easting, 0);
    EXPECT_EQ(zone, c.zone) << c.longitude / kDeg;
  }
}

TEST(UtmForward, GivenZoneIsUsedUncheckedAndLeftAlone) {
  const struct {
    std::int16_t zone;
    bool eastOfCentralMeridian;
  } cases[] = {{30, true}, {31, true}, {32, false}, {0, true}, {61, false}};
  for (const auto& c : cases) {
    std::int16_t zone = c.zone;
    double northing = 0, easting = 0;
    GeoToUtm(kHayfordA, kHayfordF, 20.0 * kDeg, 4.35 * kDeg, zone, northing, easting, 7);
    EXPECT_EQ(zone, c.zone);
    // Zones 0 and 61 lie far outside the reach of the series: only the
    // zone is looked at there.
    if (c.zone >= 1 && c.zone <= 60) {
      EXPECT_EQ(easting > 500000.0, c.eastOfCentralMeridian) << c.zone;
    }
  }
}

TEST(UtmForward, NorthingJumpsToTheFalseNorthingSouthOfTheEquator) {
  std::int16_t zone = 0;
  double north = 0, south = 0, easting = 0;
  GeoToUtm(kWgs84A, kWgs84F, 0.0, 3.0 * kDeg, zone, north, easting, 0);
  GeoToUtm(kWgs84A, kWgs84F, -1e-12, 3.0 * kDeg, zone, south, easting, 0);
  EXPECT_EQ(north, 0.0);
  EXPECT_NEAR(south, 10000000.0, 1e-3);
  EXPECT_LT(south, 10000000.0);
  GeoToUtm(kWgs84A, kWgs84F, -0.0, 3.0 * kDeg, zone, north, easting, 0);
  EXPECT_EQ(north, 0.0);  // negative zero counts as north
}

TEST(UtmForward, PolesProjectWithoutFault) {
  for (double latitude : {90.0, -90.0, 89.9999}) {
    std::int16_t zone = 0;
    double northing = 0, easting = 0;
    EXPECT_NO_THROW(GeoToUtm(kWgs84A, kWgs84F, latitude * kDeg, 10.0 * kDeg, zone, northing,
                             easting, 0))
        << latitude;
    EXPECT_TRUE(std::isfinite(northing) && std::isfinite(easting)) << latitude;
  }
}

TEST(Utm, BothDirectionsStoreTheSemiMinorAxis) {
  const double expected = (297.0 - 1.0) * kHayfordA / 297.0;
  datum::CurrentEllipsoid.SemiMinorAxis = 0;
  std::int16_t zone = 0;
  double northing = 0, easting = 0, latitude = 0, longitude = 0;
  GeoToUtm(kHayfordA, kHayfordF, 0.5, 0.1, zone, northing, easting, 0);
  EXPECT_EQ(datum::CurrentEllipsoid.SemiMinorAxis, expected);
  datum::CurrentEllipsoid.SemiMinorAxis = 0;
  UtmToGeo(kHayfordA, kHayfordF, latitude, longitude, zone, northing, easting);
  EXPECT_EQ(datum::CurrentEllipsoid.SemiMinorAxis, expected);
}

// The constants of an ellipsoid are kept from one call to the next: every
// call must still give the bits of a call on that ellipsoid alone, also
// when the one before shares its axis (WGS 1984, GRS 80) or its flattening.
TEST(Utm, ConsecutiveEllipsoidsKeepTheirOwnConstants) {
  struct Ellipsoid {
    double a, f;
  };
  const Ellipsoid wgs84{kWgs84A, kWgs84F}, grs80{kWgs84A, 1.0 / 298.257222101},
      hayfordAxisWgsFlattening{kHayfordA, kWgs84F}, clarke1866{6378206.4, 1.0 / 294.9786982};
  struct Result {
    double northing, easting, latitude, longitude, semiMinorAxis;
    bool operator==(const Result&) const = default;
  };
  auto project = [](const Ellipsoid& e) {
    Result r{};
    std::int16_t zone = 0;
    GeoToUtm(e.a, e.f, 0.9, 0.07, zone, r.northing, r.easting, 0);
    double northing = r.northing;
    UtmToGeo(e.a, e.f, r.latitude, r.longitude, zone, northing, r.easting + 1000.0);
    r.semiMinorAxis = datum::CurrentEllipsoid.SemiMinorAxis;
    return r;
  };
  // Each one alone: after an ellipsoid that shares nothing with it.
  auto alone = [&](const Ellipsoid& e) {
    project(clarke1866);
    return project(e);
  };
  const Result expected[] = {alone(wgs84), alone(grs80), alone(hayfordAxisWgsFlattening)};
  EXPECT_NE(expected[0].northing, expected[1].northing);
  EXPECT_NE(expected[0].northing, expected[2].northing);
  const Ellipsoid* all[] = {&wgs84, &grs80, &hayfordAxisWgsFlattening};
  for (int i : {0, 1, 2, 0, 2, 1, 1, 0}) {
    SCOPED_TRACE(i);
    EXPECT_EQ(project(*all[i]), expected[i]);
  }
}

TEST(EllipsoidFunctions, RadiiAtTheEquatorAndThePole) {
  const double e2 = kWgs84F * (2.0 - kWgs84F);
  const double polar = kWgs84A / std::sqrt(1.0 - e2);
  EXPECT_DOUBLE_EQ(CurvatureDenominator(e2, 0.0), 1.0);
  EXPECT_DOUBLE_EQ(PrimeVerticalRadius(kWgs84A, e2, 0.0), kWgs84A);
  EXPECT_DOUBLE_EQ(MeridianRadius(kWgs84A, e2, 0.0), kWgs84A * (1.0 - e2));
  EXPECT_DOUBLE_EQ(PrimeVerticalRadius(kWgs84A, e2, 90.0 * kDeg), polar);
  EXPECT_DOUBLE_EQ(MeridianRadius(kWgs84A, e2, 90.0 * kDeg), polar);
  EXPECT_DOUBLE_EQ(PrimeVerticalRadius(kWgs84A, e2, -90.0 * kDeg), polar);
}

TEST(UtmInverse, FalseOriginOfEitherHemisphereIsTheEquator) {
  for (double given : {0.0, -10000000.0}) {
    double latitude = -1, longitude = -1, northing = given;
    UtmToGeo(kWgs84A, kWgs84F, latitude, longitude, 31, northing, 500000.0);
    EXPECT_EQ(latitude, 0.0) << given;
    EXPECT_EQ(longitude, 3.0 * kDeg) << given;
    EXPECT_EQ(northing, std::fabs(given));
  }
}

TEST(UtmInverse, LongitudeIsNotWrappedPastTheAntimeridian) {
  double latitude = 0, longitude = 0, northing = 1000000.0;
  UtmToGeo(kWgs84A, kWgs84F, latitude, longitude, 60, northing, 600000.0);
  EXPECT_GT(longitude, 177.0 * kDeg);
  EXPECT_LT(longitude, 180.0 * kDeg);
  UtmToGeo(kWgs84A, kWgs84F, latitude, longitude, 60, northing, 900000.0);
  EXPECT_GT(longitude, 180.0 * kDeg);
  UtmToGeo(kWgs84A, kWgs84F, latitude, longitude, 0, northing, 500000.0);
  EXPECT_NEAR(longitude, -183.0 * kDeg, 1e-15);
}

struct CatalogueEllipsoid {
  const char* name;
  double a, inverseFlattening;
};

// Forward then inverse across a whole zone, both hemispheres.
TEST(Utm, RoundTripAcrossAZoneOnCatalogueEllipsoids) {
  const CatalogueEllipsoid ellipsoids[] = {
      {"Airy", 6377563.396, 299.3249646},
      {"Bessel 1841", 6377397.155, 299.1528128},
      {"Clarcke 1880", 6378249.145, 293.465},
      {"Everest (India 1830)", 6377276.345, 300.8017},
      {"Hayford", 6378388, 297},
      {"Krassovsky 1940", 6378245, 298.3},
      {"WGS 1984", 6378137, 298.257223563},
  };
  constexpr double kTolerance = 1e-6 / 3600.0;  // one millionth of an arc-second, degrees
  for (const auto& e : ellipsoids) {
    SCOPED_TRACE(e.name);
    const double f = 1.0 / e.inverseFlattening;
    double worst = 0;
    for (double latitude = -80.0; latitude <= 84.0; latitude += 2.0) {
      for (double offset = -3.0; offset <= 3.0; offset += 0.25) {
        const double longitude = 33.0 + offset;  // zone 36
        std::int16_t zone = 36;
        double northing = 0, easting = 0;
        GeoToUtm(e.a, f, latitude * kDeg, longitude * kDeg, zone, northing, easting, 1);
        if (latitude < 0) northing = -northing;
        double backLatitude = 0, backLongitude = 0;
        UtmToGeo(e.a, f, backLatitude, backLongitude, zone, northing, easting);
        worst = std::max({worst, std::fabs(backLatitude / kDeg - latitude),
                          std::fabs(backLongitude / kDeg - longitude)});
      }
    }
    EXPECT_LT(worst, kTolerance);
  }
}

// Values the routines had on entry, to see which outputs a fault left.
constexpr double kUntouched = -12345.0;
constexpr std::int16_t kUntouchedZone = 99;

struct ForwardFault {
  const char* what;
  double a, f, latitude, longitude;
  int zoneGiven;
  FailureKind kind;
  bool semiMinorWritten, zoneWritten;
};

TEST(UtmForward, FaultsStopAtTheirStepAndKeepEarlierOutputs) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const ForwardFault cases[] = {
      {"flattening 0", kWgs84A, 0.0, 0.5, 0.1, 0, FailureKind::DivisionByZero, false, false},
      // 1/f is 0 without a fault; the semi-minor axis divides by it.
      {"flattening infinite", kWgs84A, std::numeric_limits<double>::infinity(), 0.5, 0.1, 0,
       FailureKind::DivisionByZero, false, false},
      // b is 0: the second eccentricity divides by b squared.
      {"flattening 1", kWgs84A, 1.0, 0.5, 0.1, 0, FailureKind::DivisionByZero, true, false},
      {"semi-major axis 0", 0.0, kWgs84F, 0.5, 0.1, 0, FailureKind::InvalidOperation, true,
       false},
      {"huge longitude", kWgs84A, kWgs84F, 0.5, 1e300, 0, FailureKind::FloatOverflow, true,
       true},
      {"huge longitude, zone given", kWgs84A, kWgs84F, 0.5, 1e300, 1,
       FailureKind::FloatOverflow, true, false},
      {"longitude NaN", kWgs84A, kWgs84F, 0.5, nan, 0, FailureKind::InvalidOperation, true,
       false},
      {"latitude NaN", kWgs84A, kWgs84F, nan, 0.1, 0, FailureKind::InvalidOperation, true,
       true},
      {"flattening NaN", kWgs84A, nan, 0.5, 0.1, 0, FailureKind::InvalidOperation, false,
       false},
      {"semi-major axis NaN", nan, kWgs84F, 0.5, 0.1, 0, FailureKind::InvalidOperation, false,
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    datum::CurrentEllipsoid.SemiMinorAxis = kUntouched;
    std::int16_t zone = kUntouchedZone;
    double northing = kUntouched, easting = kUntouched;
    try {
      GeoToUtm(c.a, c.f, c.latitude, c.longitude, zone, northing, easting, c.zoneGiven);
      ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.kind(), c.kind);
    }
    EXPECT_EQ(datum::CurrentEllipsoid.SemiMinorAxis != kUntouched, c.semiMinorWritten);
    EXPECT_EQ(zone != kUntouchedZone, c.zoneWritten);
    EXPECT_EQ(northing, kUntouched);
    EXPECT_EQ(easting, kUntouched);
  }
}

struct InverseFault {
  const char* what;
  double a, f, northing, easting;
  FailureKind kind;
  bool semiMinorWritten, northingWritten;
};

TEST(UtmInverse, FaultsStopAtTheirStepAndKeepEarlierOutputs) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const InverseFault cases[] = {
      {"flattening 0", kWgs84A, 0.0, -6e6, 4e5, FailureKind::DivisionByZero, false, false},
      {"semi-major axis 0", 0.0, kWgs84F, -6e6, 4e5, FailureKind::InvalidOperation, true,
       false},
      {"huge easting, south", kWgs84A, kWgs84F, -6e6, 1e300, FailureKind::FloatOverflow, true,
       true},
      {"easting NaN, south", kWgs84A, kWgs84F, -6e6, nan, FailureKind::InvalidOperation, true,
       true},
      {"northing NaN", kWgs84A, kWgs84F, nan, 4e5, FailureKind::InvalidOperation, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    datum::CurrentEllipsoid.SemiMinorAxis = kUntouched;
    double latitude = kUntouched, longitude = kUntouched, northing = c.northing;
    try {
      UtmToGeo(c.a, c.f, latitude, longitude, 31, northing, c.easting);
      ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.kind(), c.kind);
    }
    EXPECT_EQ(datum::CurrentEllipsoid.SemiMinorAxis != kUntouched, c.semiMinorWritten);
    if (c.northingWritten) {
      EXPECT_EQ(northing, -c.northing);
    } else if (!std::isnan(c.northing)) {
      EXPECT_EQ(northing, c.northing);
    }
    EXPECT_EQ(latitude, kUntouched);
    EXPECT_EQ(longitude, kUntouched);
  }
}

TEST(Utm, FaultsRaisedBeforeTheCallAreForgotten) {
  volatile double zero = 0.0;
  volatile double pending = 1.0 / zero;  // leaves the division-by-zero flag set
  (void)pending;
  std::int16_t zone = 0;
  double northing = 0, easting = 0, latitude = 0, longitude = 0;
  EXPECT_NO_THROW(GeoToUtm(kWgs84A, kWgs84F, 0.5, 0.1, zone, northing, easting, 0));
  pending = 1.0 / zero;
  EXPECT_NO_THROW(UtmToGeo(kWgs84A, kWgs84F, latitude, longitude, zone, northing, easting));
  EXPECT_NEAR(latitude, 0.5, 1e-12);
}

}  // namespace
}  // namespace morvane::dma

TEST(UtmConstants, DegreeIsArctanOneOverFortyFive) {
  EXPECT_EQ(morvane::dma::kDegree, std::atan(1.0) / 45.0);
}
