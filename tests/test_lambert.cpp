// Belgian Lambert 1972: check values to the bit, the pole, the loop of the
// inverse and its faults.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/checks.hpp"
#include "lambert/lambert72.hpp"

namespace morvane::lambert::detail {
// The inverse, returning the number of passes its latitude loop made.
int Lambert72ToGeoCounted(const double& X, const double& Y, double& latitude, double& longitude);
}  // namespace morvane::lambert::detail

namespace morvane::lambert {
namespace {

constexpr double kFalseEasting = 150000.01256;
constexpr double kFalseNorthing = 5400088.4378;

struct GeoPlane {
  double latitude, longitude, X, Y;
};

TEST(Lambert72, ForwardCheckValuesToTheBit) {
  const GeoPlane cases[] = {
      {50.8, 4.35, 148767.22907939507, 165444.04955425858},
      {51.5, 2.5, 20317.19299813833, 244953.68989818543},
      {49.5, 6.4, 297229.23405744904, 22856.354626983404},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.latitude << ", " << c.longitude);
    double X = 0, Y = 0;
    GeoToLambert72(c.latitude, c.longitude, X, Y);
    EXPECT_EQ(X, c.X);
    EXPECT_EQ(Y, c.Y);
  }
}

TEST(Lambert72, PoleLandsOnTheFalseOriginWithoutFault) {
  for (double longitude : {-180.0, 0.0, 4.35, 90.0}) {
    double X = 0, Y = 0;
    GeoToLambert72(90.0, longitude, X, Y);
    EXPECT_EQ(X, kFalseEasting) << longitude;
    EXPECT_EQ(Y, kFalseNorthing) << longitude;
  }
}

TEST(Lambert72, InverseCheckValuesToTheBit) {
  const GeoPlane cases[] = {
      {50.79999999932743, 4.35, 148767.22907939507, 165444.04955425858},
      {50.661166616030144, 4.367486458791797, 150000, 150000},
      {49.29391213072158, 2.305501982949824, 0, 0},
      {51.62750027296469, 6.6780389878069615, 310000, 260000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.X << ", " << c.Y);
    double latitude = 0, longitude = 0;
    Lambert72ToGeo(c.X, c.Y, latitude, longitude);
    EXPECT_EQ(latitude, c.latitude);
    EXPECT_EQ(longitude, c.longitude);
  }
  double latitude = 0, longitude = 0;
  EXPECT_EQ(detail::Lambert72ToGeoCounted(148767.22907939507, 165444.04955425858, latitude,
                                          longitude),
            4);
}

TEST(Lambert72, InverseStopsWithinFourPassesOverThePlaneRange) {
  int most = 0;
  for (double X = 0; X <= 310000; X += 1000) {
    for (double Y = 0; Y <= 260000; Y += 1000) {
      double latitude = 0, longitude = 0;
      const int passes = detail::Lambert72ToGeoCounted(X, Y, latitude, longitude);
      ASSERT_LE(passes, 4) << X << ", " << Y;
      if (passes > most) most = passes;
    }
  }
  EXPECT_EQ(most, 4);
}

TEST(Lambert72, ForwardThenBackReturnsThePosition) {
  double worstLatitude = 0, worstLongitude = 0;
  for (double latitude = 49.3; latitude <= 51.6; latitude += 0.0137) {
    for (double longitude = 2.3; longitude <= 6.7; longitude += 0.0191) {
      double X = 0, Y = 0, backLatitude = 0, backLongitude = 0;
      GeoToLambert72(latitude, longitude, X, Y);
      Lambert72ToGeo(X, Y, backLatitude, backLongitude);
      worstLatitude = std::fmax(worstLatitude, std::fabs(backLatitude - latitude));
      worstLongitude = std::fmax(worstLongitude, std::fabs(backLongitude - longitude));
    }
  }
  EXPECT_LT(worstLatitude, 1e-9);
  EXPECT_LT(worstLongitude, 1e-14);  // a few units in the last place
}

TEST(Lambert72, FalseOriginFailsAsZeroByZeroAndWritesNothing) {
  double latitude = 1, longitude = 2;
  try {
    Lambert72ToGeo(kFalseEasting, kFalseNorthing, latitude, longitude);
    ADD_FAILURE() << "no failure";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.kind(), FailureKind::InvalidOperation);
  }
  EXPECT_EQ(latitude, 1);
  EXPECT_EQ(longitude, 2);
  EXPECT_EQ(fp::PendingBits(), 0u);  // the failure leaves no flag behind
}

TEST(Lambert72, QuietNaNStopsTheInverseInsteadOfSpinning) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double points[][2] = {{nan, 150000}, {150000, nan}};
  for (const auto& p : points) {
    double latitude = 1, longitude = 2;
    try {
      Lambert72ToGeo(p[0], p[1], latitude, longitude);
      ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.kind(), FailureKind::InvalidOperation);
    }
    EXPECT_EQ(latitude, 1);
    EXPECT_EQ(longitude, 2);
  }
}

TEST(Lambert72, LatitudeBeyondThePoleFailsBeforeWriting) {
  double X = 1, Y = 2;
  try {
    GeoToLambert72(91.0, 4.35, X, Y);
    ADD_FAILURE() << "no failure";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.kind(), FailureKind::InvalidOperation);
  }
  EXPECT_EQ(X, 1);
  EXPECT_EQ(Y, 2);
}

TEST(Lambert72, NorthingOfTheFalseOriginFailsAsDivisionByZero) {
  // dy = 0 and dx not: the quotient is an infinity from a zero divisor,
  // whose arctangent is finite again; the fault stays a division by zero.
  double latitude = 1, longitude = 2;
  try {
    Lambert72ToGeo(100000.0, kFalseNorthing, latitude, longitude);
    ADD_FAILURE() << "no failure";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.kind(), FailureKind::DivisionByZero);
  }
  EXPECT_EQ(latitude, 1);
  EXPECT_EQ(longitude, 2);
}

TEST(Lambert72, FaultRaisedBeforeTheCallIsNotOurs) {
  volatile double zero = 0;
  volatile double nan = zero / zero;  // leaves the invalid-operation flag set
  (void)nan;
  ASSERT_NE(fp::PendingBits(), 0u);
  double X = 0, Y = 0, latitude = 0, longitude = 0;
  GeoToLambert72(50.8, 4.35, X, Y);
  EXPECT_EQ(X, 148767.22907939507);
  nan = zero / zero;
  Lambert72ToGeo(150000.0, 150000.0, latitude, longitude);
  EXPECT_EQ(latitude, 50.661166616030144);
}

}  // namespace
}  // namespace morvane::lambert
