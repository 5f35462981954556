// Input that names no number: a NaN or an infinity in any coordinate the
// input kinds read is refused with the branch's message, on every pair of
// datums, and leaves everything else as it was; non-finite values left in
// properties that an input kind does not read never reach its outputs.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>

#include "base/checks.hpp"
#include <morvane/zediz_ado.hpp>

using namespace morvane;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();
constexpr float kInff = std::numeric_limits<float>::infinity();

template <typename T>
auto Bits(T value) {
  if constexpr (sizeof(T) == 8) return std::bit_cast<std::uint64_t>(value);
  else return std::bit_cast<std::uint32_t>(value);
}

// Every property bit for bit except Error.  The datums have no get: two
// copies reset (which keeps them, and clears Error) show them through
// IdenticalTo.
::testing::AssertionResult OnlyErrorChanged(const ZedizAdo& before, const ZedizAdo& after) {
  const bool same =
      Bits(after.X()) == Bits(before.X()) && Bits(after.Y()) == Bits(before.Y()) &&
      after.MGRS() == before.MGRS() && after.IFBL() == before.IFBL() &&
      Bits(after.Latitude()) == Bits(before.Latitude()) &&
      Bits(after.Longitude()) == Bits(before.Longitude()) &&
      Bits(after.Northing()) == Bits(before.Northing()) &&
      Bits(after.Easting()) == Bits(before.Easting()) && after.OrigType() == before.OrigType();
  if (!same) return ::testing::AssertionFailure() << "a property other than Error changed";
  ZedizAdo a = after, b = before;
  a.Reset();
  b.Reset();
  if (!a.IdenticalTo(b))
    return ::testing::AssertionFailure() << "the DMS fields, datums or precisions changed";
  return ::testing::AssertionSuccess();
}

const InternalDatums kDatums[] = {mvEuropeanData1950, mvBelgium1972, mvWGS1984, mvNTF};

struct NonFiniteCase {
  const char* name;
  OriginalCoordinates kind;
  std::function<void(ZedizAdo&)> put;  // a sound input, then one coordinate spoilt
  const char* message;
};

void SoundDeg(ZedizAdo& o) { o.Latitude(50.5), o.Longitude(4.35); }
void SoundLambert(ZedizAdo& o) { o.X(150000), o.Y(170000); }
void SoundDms(ZedizAdo& o) {
  o.LatDmsDeg(50), o.LatDmsMin(30), o.LatDmsSec(12.5f);
  o.LonDmsDeg(4), o.LonDmsMin(21), o.LonDmsSec(0);
}

const NonFiniteCase kNonFinite[] = {
    {"latitude NaN", mvDeg, [](ZedizAdo& o) { SoundDeg(o), o.Latitude(kNaN); }, message::kBadDeg},
    {"latitude -NaN", mvDeg, [](ZedizAdo& o) { SoundDeg(o), o.Latitude(-kNaN); },
     message::kBadDeg},
    {"latitude +inf", mvDeg, [](ZedizAdo& o) { SoundDeg(o), o.Latitude(kInf); },
     message::kBadDeg},
    {"latitude -inf", mvDeg, [](ZedizAdo& o) { SoundDeg(o), o.Latitude(-kInf); },
     message::kBadDeg},
    {"longitude NaN", mvDeg, [](ZedizAdo& o) { SoundDeg(o), o.Longitude(kNaN); },
     message::kBadDeg},
    {"longitude +inf", mvDeg, [](ZedizAdo& o) { SoundDeg(o), o.Longitude(kInf); },
     message::kBadDeg},
    {"longitude -inf", mvDeg, [](ZedizAdo& o) { SoundDeg(o), o.Longitude(-kInf); },
     message::kBadDeg},
    {"both NaN", mvDeg, [](ZedizAdo& o) { o.Latitude(kNaN), o.Longitude(kNaN); },
     message::kBadDeg},
    {"latitude largest double", mvDeg,
     [](ZedizAdo& o) { SoundDeg(o), o.Latitude(std::numeric_limits<double>::max()); },
     message::kBadDeg},

    {"X NaN", mvLambert72, [](ZedizAdo& o) { SoundLambert(o), o.X(kNaN); },
     message::kBadLambert},
    {"X +inf", mvLambert72, [](ZedizAdo& o) { SoundLambert(o), o.X(kInf); },
     message::kBadLambert},
    {"X -inf", mvLambert72, [](ZedizAdo& o) { SoundLambert(o), o.X(-kInf); },
     message::kBadLambert},
    {"Y NaN", mvLambert72, [](ZedizAdo& o) { SoundLambert(o), o.Y(kNaN); },
     message::kBadLambert},
    {"Y -NaN", mvLambert72, [](ZedizAdo& o) { SoundLambert(o), o.Y(-kNaN); },
     message::kBadLambert},
    {"Y +inf", mvLambert72, [](ZedizAdo& o) { SoundLambert(o), o.Y(kInf); },
     message::kBadLambert},
    {"Y -inf", mvLambert72, [](ZedizAdo& o) { SoundLambert(o), o.Y(-kInf); },
     message::kBadLambert},

    {"latitude seconds NaN", mvDegMinSec, [](ZedizAdo& o) { SoundDms(o), o.LatDmsSec(kNaNf); },
     message::kBadDms},
    {"latitude seconds -NaN", mvDegMinSec,
     [](ZedizAdo& o) { SoundDms(o), o.LatDmsSec(-kNaNf); }, message::kBadDms},
    {"latitude seconds +inf", mvDegMinSec,
     [](ZedizAdo& o) { SoundDms(o), o.LatDmsSec(kInff); }, message::kBadDms},
    {"latitude seconds -inf", mvDegMinSec,
     [](ZedizAdo& o) { SoundDms(o), o.LatDmsSec(-kInff); }, message::kBadDms},
    {"longitude seconds NaN", mvDegMinSec, [](ZedizAdo& o) { SoundDms(o), o.LonDmsSec(kNaNf); },
     message::kBadDms},
    {"longitude seconds +inf", mvDegMinSec,
     [](ZedizAdo& o) { SoundDms(o), o.LonDmsSec(kInff); }, message::kBadDms},
    // The signed forms of an angle under a degree: the sign on the seconds
    // must not let a negative infinity or NaN through.
    {"signed seconds -inf", mvDegMinSec,
     [](ZedizAdo& o) { SoundDms(o), o.LatDmsDeg(0), o.LatDmsMin(0), o.LatDmsSec(-kInff); },
     message::kBadDms},
    {"signed seconds -NaN", mvDegMinSec,
     [](ZedizAdo& o) { SoundDms(o), o.LonDmsDeg(0), o.LonDmsMin(0), o.LonDmsSec(-kNaNf); },
     message::kBadDms},
    {"signed minutes, seconds NaN", mvDegMinSec,
     [](ZedizAdo& o) { SoundDms(o), o.LatDmsDeg(0), o.LatDmsMin(-30), o.LatDmsSec(kNaNf); },
     message::kBadDms},
    {"16-bit extremes, seconds NaN", mvDegMinSec,
     [](ZedizAdo& o) { o.LatDmsDeg(-32768), o.LatDmsMin(-32768), o.LatDmsSec(kNaNf); },
     message::kBadDms},
};

TEST(NonFiniteInput, RefusedWithTheBranchMessageOnEveryPairOfDatums) {
  for (const auto& c : kNonFinite) {
    for (auto from : kDatums) {
      for (auto dest : kDatums) {
        SCOPED_TRACE(::testing::Message() << c.name << ", datums " << from << " to " << dest);
        ZedizAdo o;
        o.DatumFrom(from);
        o.DatumDest(dest);
        o.OrigType(c.kind);
        c.put(o);
        const ZedizAdo before = o;
        ASSERT_NO_THROW(o.Conversion());
        EXPECT_EQ(o.Error(), c.message);
        EXPECT_TRUE(OnlyErrorChanged(before, o));
      }
    }
  }
}

// A refused input after a good conversion leaves that conversion's outputs,
// not a mix of the two.
TEST(NonFiniteInput, RefusalKeepsTheOutputsOfTheLastConversion) {
  for (const auto& c : kNonFinite) {
    SCOPED_TRACE(c.name);
    ZedizAdo o;
    o.DatumFrom(mvWGS1984);
    o.DatumDest(mvBelgium1972);
    o.OrigType(c.kind);
    c.kind == mvDeg ? SoundDeg(o) : c.kind == mvLambert72 ? SoundLambert(o) : SoundDms(o);
    o.Conversion();
    ASSERT_EQ(o.Error(), "");
    c.put(o);
    const ZedizAdo before = o;
    o.Conversion();
    EXPECT_EQ(o.Error(), c.message);
    EXPECT_TRUE(OnlyErrorChanged(before, o));
  }
}

// Non-finite values in the properties an input kind does not read: every
// published number is finite all the same.
void SpoilUnreadProperties(ZedizAdo& o, OriginalCoordinates kind) {
  if (kind != mvDeg) o.Latitude(kNaN), o.Longitude(-kInf);
  if (kind != mvLambert72) o.X(kInf), o.Y(kNaN);
  o.Northing(kNaN);
  o.Easting(-kInf);
  if (kind != mvDegMinSec) o.LatDmsSec(kNaNf), o.LonDmsSec(kInff);
}

void ExpectFiniteOutputs(const ZedizAdo& o) {
  for (double v : {o.Latitude(), o.Longitude(), o.X(), o.Y(), o.Northing(), o.Easting()})
    EXPECT_TRUE(std::isfinite(v)) << v;
  EXPECT_TRUE(std::isfinite(o.LatDmsSec()) && std::isfinite(o.LonDmsSec()));
  EXPECT_GE(o.Latitude(), 49);
  EXPECT_LE(o.Latitude(), 52);
  EXPECT_FALSE(o.IFBL().empty());
  EXPECT_FALSE(o.MGRS().empty());
}

// The reference of a point in Belgium on a datum, whole or with two
// digits per coordinate (the 100 km letters depend on the ellipsoid).
std::string ReferenceOn(InternalDatums datum, bool shortened) {
  ZedizAdo g;
  g.DatumFrom(datum);
  g.DatumDest(datum);
  g.OrigType(mvDeg);
  SoundDeg(g);
  g.Conversion();
  const std::string ref = g.MGRS();
  return shortened ? ref.substr(0, 7) + ref.substr(10, 2) : ref;
}

TEST(NonFiniteInput, UnreadPropertiesNeverReachTheOutputs) {
  struct Row {
    const char* name;
    OriginalCoordinates kind;
    std::function<void(ZedizAdo&, InternalDatums)> put;
  };
  const Row rows[] = {
      {"degrees", mvDeg, [](ZedizAdo& o, InternalDatums) { SoundDeg(o); }},
      {"DMS", mvDegMinSec, [](ZedizAdo& o, InternalDatums) { SoundDms(o); }},
      {"Lambert", mvLambert72, [](ZedizAdo& o, InternalDatums) { SoundLambert(o); }},
      {"IFBL", mvIFBL, [](ZedizAdo& o, InternalDatums) { o.IFBL(std::string("e5.35.41")); }},
      {"MGRS", mvMgrs, [](ZedizAdo& o, InternalDatums d) { o.MGRS(ReferenceOn(d, false)); }},
      {"short MGRS", mvMgrs,
       [](ZedizAdo& o, InternalDatums d) { o.MGRS(ReferenceOn(d, true)); }},
  };
  for (const auto& r : rows) {
    for (auto from : kDatums) {
      SCOPED_TRACE(::testing::Message() << r.name << ", from datum " << from);
      ZedizAdo o;
      o.DatumFrom(from);
      o.DatumDest(mvWGS1984);
      o.OrigType(r.kind);
      r.put(o, from);
      SpoilUnreadProperties(o, r.kind);
      ASSERT_NO_THROW(o.Conversion());
      EXPECT_EQ(o.Error(), "");
      ExpectFiniteOutputs(o);
    }
  }
}

// Refused text input with non-finite numbers around it: the message, and
// the NaNs stay where the client put them rather than being used as a
// point.
TEST(NonFiniteInput, RefusedTextInputLeavesTheSpoiltPropertiesAlone) {
  struct Row {
    const char* name;
    OriginalCoordinates kind;
    std::function<void(ZedizAdo&)> put;
    std::string message;
  };
  const Row rows[] = {
      {"IFBL of no square", mvIFBL, [](ZedizAdo& o) { o.IFBL(std::string("E590")); },
       message::kBadIfbl},
      {"IFBL of length 3", mvIFBL, [](ZedizAdo& o) { o.IFBL(std::string("E53")); },
       message::kBadIfbl},
      {"MGRS band X in zone 32", mvMgrs, [](ZedizAdo& o) { o.MGRS("32XMA1234567890"); },
       std::string(message::kBadMgrsPrefix) + "32XMA1234567890)"},
      {"MGRS too short", mvMgrs, [](ZedizAdo& o) { o.MGRS("31UF"); },
       std::string(message::kBadMgrsPrefix) + "31UF)"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    ZedizAdo o;
    o.DatumFrom(mvWGS1984);
    o.DatumDest(mvBelgium1972);
    o.OrigType(r.kind);
    r.put(o);
    SpoilUnreadProperties(o, r.kind);
    const ZedizAdo before = o;
    ASSERT_NO_THROW(o.Conversion());
    EXPECT_EQ(o.Error(), r.message);
    EXPECT_TRUE(OnlyErrorChanged(before, o));
  }
}

}  // namespace

namespace {

// Found by fuzzing: a latitude a hair south of the equator had band N with
// a southern northing, a reference that named a point 2 000 km away and
// that the object refused when it was given back.
TEST(FuzzRegression, ReferenceJustSouthOfTheEquatorConvertsBack) {
  for (double latitude : {-1e-15, -1e-17, -1e-20, -1e-300}) {
    for (auto datum : kDatums) {
      SCOPED_TRACE(::testing::Message() << "latitude " << latitude << ", datum " << datum);
      ZedizAdo o;
      o.DatumFrom(datum);
      o.DatumDest(datum);
      o.OrigType(mvDeg);
      o.Latitude(latitude);
      o.Longitude(3);
      o.Conversion();
      const std::string reference = o.MGRS();
      ASSERT_EQ(reference.size(), 15u);
      EXPECT_EQ(reference[2], 'M');

      ZedizAdo back;
      back.DatumFrom(datum);
      back.DatumDest(datum);
      back.OrigType(mvMgrs);
      back.MGRS(reference);
      back.Conversion();
      EXPECT_EQ(back.Error(), "");
      EXPECT_NEAR(back.Latitude(), 0, 1e-4);  // the south-west corner, within a metre
      EXPECT_NEAR(back.Longitude(), 3, 1e-4);
    }
  }
}

}  // namespace
