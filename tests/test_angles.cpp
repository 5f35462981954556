// Angle units and the DMS fields.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

#include "component/dms.hpp"
#include "base/checks.hpp"
#include "tests/failure_kind.hpp"
#include "base/general.hpp"
#include "elementary/elementary.hpp"

using namespace morvane;

namespace {

struct Dms {
  std::int16_t degrees, minutes;
  float seconds;
  bool operator==(const Dms&) const = default;
};

Dms ToDms(double value) {
  Dms d{};
  DecimalToDms(value, d.degrees, d.minutes, d.seconds);
  return d;
}

double ToDecimal(Dms d) {
  double v = 0;
  DmsToDecimal(d.degrees, d.minutes, d.seconds, v);
  return v;
}

using morvane::testing::KindOf;

TEST(General, UnitConversionsUseTheCutPi) {
  EXPECT_EQ(general::RadToDeg(3.1415926535), 180.0);
  EXPECT_EQ(general::DegToRad(180), 3.1415926535);
  EXPECT_EQ(general::RadToDeg(1), 57.29577951471995);
  EXPECT_EQ(general::DegToRad(90), 1.57079632675);
  volatile double huge = 1e307;
  EXPECT_EQ(KindOf([&] { general::RadToDeg(huge); }), FailureKind::FloatOverflow);
}

// Sine and cosine formed together must be the values of the two functions
// called apart, bit for bit, on every path of the reduction: tiny angles,
// the first octant, reduced angles, huge and non-finite ones.
TEST(General, SineAndCosineTogetherAreTheTwoCalls) {
  const double angles[] = {0.0,     -0.0,   1e-300,  1.0e-8,  1.2e-8, 1.4e-8,  -1.3e-8, 0.5,
                           0.78539, 0.7854, 0.88,    1.5,     3.0,    -2.5,    7.0,     7.0686,
                           1e6,     -1e300, INFINITY, NAN};
  for (const double a : angles) {
    const general::SinCos together = general::SinAndCos(a);
    const double s = elementary::Sin(a), c = elementary::Cos(a);
    if (std::isnan(s)) {
      EXPECT_TRUE(std::isnan(together.sin) && std::isnan(together.cos)) << a;
      continue;
    }
    EXPECT_EQ(std::bit_cast<std::uint64_t>(together.sin), std::bit_cast<std::uint64_t>(s)) << a;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(together.cos), std::bit_cast<std::uint64_t>(c)) << a;
  }
}

TEST(DecimalToDms, Examples) {
  struct Row { double value; Dms want; };
  const Row rows[] = {
      {50.5, {50, 30, 0}},
      {-4.25, {-4, 15, 0}},
      {50.123456, {50, 7, 24.448242f}},
      {51 - 1e-8, {51, 0, 0}},     // t rounds to the next whole degree
      {0, {0, 0, 0}},
      {180, {180, 0, 0}},
      {-179.999, {-179, 59, 56.425781f}},
      // Between -1 and 0 degrees the sign moves to the minutes, or to the
      // seconds when the minutes are 0.
      {-0.5, {0, -30, 0}},
      {-0.004, {0, 0, -14.4f}},
  };
  for (const Row& r : rows) {
    const Dms got = ToDms(r.value);
    EXPECT_EQ(got.degrees, r.want.degrees) << r.value;
    EXPECT_EQ(got.minutes, r.want.minutes) << r.value;
    EXPECT_FLOAT_EQ(got.seconds, r.want.seconds) << r.value;
  }
  EXPECT_EQ(ToDms(50.123456).seconds, 24.4482421875f);  // to the bit
}

TEST(DmsToDecimal, Examples) {
  struct Row { Dms dms; double want; };
  const Row rows[] = {
      {{-4, 15, 0}, -4.25},
      {{0, 30, 0}, 0.5},
      {{50, 60, 0}, 51},
      {{50, 7, 24.448242f}, 50.12345784505209},
      {{0, -30, 0}, -0.5},
      {{0, 0, -14.4f}, -14.4f / 3600.0},
      {{0, -30, 15}, -(30 / 60.0 + 15 / 3600.0)},
  };
  for (const Row& r : rows) EXPECT_EQ(ToDecimal(r.dms), r.want) << r.dms.degrees;
}

TEST(Dms, RoundTripsKeepTheSign) {
  for (double v = -180; v <= 180; v += 0.0137) {
    const double back = ToDecimal(ToDms(v));
    EXPECT_NEAR(back, v, 1e-5) << v;  // minutes in single precision
    const bool zero = ToDms(v) == Dms{0, 0, 0};
    EXPECT_EQ(std::signbit(back), std::signbit(v) && !zero) << v;
  }
}

// A NaN among the fields passes through the arithmetic without a fault;
// only the test of the seconds' sign, made when degrees and minutes are
// both 0, is an invalid operation.  Infinite input has no 16-bit degrees.
TEST(Dms, NonFiniteFieldsFaultOnlyWhereTheyAreCompared) {
  struct Row {
    Dms dms;
    bool fails;
  };
  const Row rows[] = {
      {{50, 0, NAN}, false},
      {{-4, 0, NAN}, false},
      {{0, 30, NAN}, false},
      {{0, -30, NAN}, false},
      {{0, 0, NAN}, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.dms.degrees << " " << r.dms.minutes);
    if (r.fails) {
      EXPECT_EQ(KindOf([&] { ToDecimal(r.dms); }), FailureKind::InvalidOperation);
    } else {
      EXPECT_TRUE(std::isnan(ToDecimal(r.dms)));
    }
    EXPECT_EQ(fp::PendingBits(), 0u);
  }
  EXPECT_EQ(KindOf([] { ToDms(INFINITY); }), FailureKind::IntegerOverflow);
  EXPECT_EQ(KindOf([] { ToDms(-INFINITY); }), FailureKind::IntegerOverflow);
  // The unit conversions pass non-finite angles on as they are.
  EXPECT_TRUE(std::isinf(general::DegToRad(INFINITY)));
  EXPECT_TRUE(std::isnan(general::RadToDeg(NAN)));
}

TEST(Dms, SixteenBitLimits) {
  EXPECT_NO_THROW(ToDms(546.9));
  EXPECT_EQ(KindOf([] { ToDms(547); }), FailureKind::IntegerOverflow);
  EXPECT_EQ(KindOf([] { ToDms(-1e6); }), FailureKind::IntegerOverflow);
  EXPECT_EQ(KindOf([] { ToDms(NAN); }), FailureKind::IntegerOverflow);
  EXPECT_EQ(KindOf([] { ToDms(1e300); }), FailureKind::FloatOverflow);
  EXPECT_EQ(KindOf([] { ToDecimal({-32768, 0, 0}); }), FailureKind::IntegerOverflow);
  EXPECT_EQ(ToDecimal({-32767, 0, 0}), -32767);
}

}  // namespace
