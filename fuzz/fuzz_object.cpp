// The whole object: random puts of every property, Conversion and Reset in
// any order.  After each Conversion the call either refused its input (a
// message of the branch in Error, nothing else changed), failed (a
// morvane::Failure, nothing changed at all), or published a point that
// exists: every number finite and in its range, every text a reference, a
// code, empty or a message.  The same call made again, after a client's
// stray floating-point faults and with another ellipsoid left current,
// gives the same object to the bit.
#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include <fuzzer/FuzzedDataProvider.h>

#include "component/dms.hpp"
#include "base/checks.hpp"
#include "base/general.hpp"
#include <morvane/zediz_ado.hpp>
#include "datum/catalogue.hpp"
#include "fuzz/invariants.hpp"
#include "fuzz/values.hpp"
#include "ifbl/ifbl.hpp"
#include "mgrs/mgrs.hpp"

using namespace morvane;
using namespace morvane::fuzz;

namespace {

bool ValidDatum(std::int32_t d) { return d >= 1 && d <= 4; }

struct Shadow {
  std::int32_t from = mvEuropeanData1950;
  std::int32_t dest = mvEuropeanData1950;
};

// The message the branch of the input kind writes when it refuses.
std::string BranchMessage(const ZedizAdo& o) {
  switch (o.OrigType()) {
    case mvMgrs: return MgrsMessageFor(o.MGRS());
    case mvDeg: return message::kBadDeg;
    case mvIFBL: return message::kBadIfbl;
    case mvLambert72: return message::kBadLambert;
    case mvDegMinSec: return message::kBadDms;
    default: return {};
  }
}

// DMS fields of one angle that the tests must let through: degrees
// within the limit, minutes and seconds in 0..60, angle within the limit.
bool PlainDmsAccepted(std::int16_t d, std::int16_t m, float s, double limit) {
  if (!(d >= -limit && d <= limit && m >= 0 && m <= 60 && s >= 0 && s <= 60)) return false;
  double angle;
  DmsToDecimal(d, m, s, angle);
  return angle >= -limit && angle <= limit;
}

// Fields any conversion may leave: within the limit, the sign on the
// degrees or on the minutes or seconds of an angle of less than a degree.
bool DmsFieldsInRange(std::int16_t d, std::int16_t m, float s, int limit) {
  return d >= -limit && d <= limit && m >= -60 && m <= 60 && std::isfinite(s) && s >= -60 &&
         s <= 60;
}

void CheckDmsMatches(std::int16_t d, std::int16_t m, float s, double angle) {
  double back;
  DmsToDecimal(d, m, s, back);
  // The minutes are held as a 32-bit float: 2^-10 minute near 180 degrees.
  FUZZ_CHECK(std::fabs(back - angle) < 1e-4);
}

void CheckIfblOfPoint(const ZedizAdo& o) {
  const std::string code = o.IFBL();
  if (!InsideIfblGrid(o.X(), o.Y())) {
    FUZZ_CHECK(code.empty());  // never the code of an earlier conversion
    return;
  }
  FUZZ_CHECK(IsIfblCode(code));
  FUZZ_CHECK(code.size() == IfblLengthFor(o.IfblPrecision));
  std::string copy = code;
  double cx = NAN, cy = NAN;
  std::int32_t status = 0;
  ifbl::IfblToLambert(copy, cx, cy, status);
  FUZZ_CHECK(status == 0);
  double hx, hy;
  IfblHalfSides(code.size(), hx, hy);
  FUZZ_CHECK(std::fabs(o.X() - cx) <= hx && std::fabs(o.Y() - cy) <= hy);
}

// The UTM outputs of a point on the ellipsoid of the destination datum.
void CheckUtmOutputs(const ZedizAdo& o, std::int32_t dest) {
  const std::string text = o.MGRS();
  FUZZ_CHECK(std::isfinite(o.Northing()) && std::isfinite(o.Easting()));
  if (text.empty()) {
    FUZZ_CHECK(o.Northing() == 0 && o.Easting() == 0);
    FUZZ_CHECK(o.Latitude() < -79.99999 || o.Latitude() > 83.99999);  // outside the MGRS range
    return;
  }
  FUZZ_CHECK(o.Latitude() >= -80.00001 && o.Latitude() <= 84.00001);
  // Every datum has a lettering scheme and the UTM step never faults on a
  // point that exists, so neither message belongs here.
  FUZZ_CHECK(text != dma::kMgrsNotValid && text != dma::kUtmError);
  const std::size_t digits = MgrsDigitsFor(o.mgrsPrecision);
  FUZZ_CHECK(IsMgrsReference(text, digits));
  FUZZ_CHECK(o.Northing() >= 0 && o.Northing() <= 10000000);
  FUZZ_CHECK(o.Easting() > 0 && o.Easting() < 1000000);
  if (digits != 5) return;

  // The whole reference decodes to the metres it was built from and to the
  // point itself.
  datum::Catalogue catalogue;
  datum::BuildCatalogue(catalogue);
  datum::SelectEllipsoid(catalogue, dest);
  const auto e = datum::CurrentEllipsoid;
  std::string copy = text;
  double lat = 0, lon = 0, n = 0, east = 0;
  std::int16_t zone = 0;
  std::int32_t status = 0;
  dma::MgrsToGeo(copy, e.EllipsoidNumber, e.SemiMajorAxis, e.Flattening, lat, lon, zone, n,
                 east, status);
  FUZZ_CHECK(status == 0);
  FUZZ_CHECK(std::fabs(n - o.Northing()) <= 1.5 && std::fabs(east - o.Easting()) <= 1.5);
  const double phi = general::DegToRad(o.Latitude());
  const double lambda = general::DegToRad(o.Longitude());
  double dLon = std::fabs(lon - lambda);
  if (dLon > 3) dLon = std::fabs(dLon - 2 * 3.14159265358979);  // across the antimeridian
  FUZZ_CHECK(std::fabs(lat - phi) < 1e-6 && dLon * std::cos(phi) < 1e-6);
}

// A conversion that published a point.
void CheckPublished(const ZedizAdo& before, const ZedizAdo& o, const Shadow& s) {
  FUZZ_CHECK(o.Error() == before.Error());
  FUZZ_CHECK(SameHiddenState(o, before));
  FUZZ_CHECK(o.OrigType() == before.OrigType());
  FUZZ_CHECK(InRange(o.Latitude(), -90, 90) && InRange(o.Longitude(), -180, 180));
  FUZZ_CHECK(DmsFieldsInRange(o.LatDmsDeg(), o.LatDmsMin(), o.LatDmsSec(), 90));
  FUZZ_CHECK(DmsFieldsInRange(o.LonDmsDeg(), o.LonDmsMin(), o.LonDmsSec(), 180));
  FUZZ_CHECK(std::isfinite(o.X()) && std::isfinite(o.Y()));

  const auto kind = o.OrigType();
  const bool dmsAsEntered = kind == mvDegMinSec && s.from == s.dest;
  if (!dmsAsEntered) {
    CheckDmsMatches(o.LatDmsDeg(), o.LatDmsMin(), o.LatDmsSec(), o.Latitude());
    CheckDmsMatches(o.LonDmsDeg(), o.LonDmsMin(), o.LonDmsSec(), o.Longitude());
  } else {
    ZedizAdo fields = before;
    CopyDms(o, fields);
    FUZZ_CHECK(fields.IdenticalTo(before));  // the fields as entered
  }

  switch (kind) {
    case mvLambert72:
      FUZZ_CHECK(Bits(o.X()) == Bits(before.X()) && Bits(o.Y()) == Bits(before.Y()));
      CheckIfblOfPoint(o);
      break;
    case mvIFBL: {
      // The code as the decoder tidied it, and the centre of its square.
      const std::string code = o.IFBL();
      FUZZ_CHECK(IsIfblCode(code));
      std::string copy = code;
      double cx = NAN, cy = NAN;
      std::int32_t status = 0;
      ifbl::IfblToLambert(copy, cx, cy, status);
      FUZZ_CHECK(status == 0 && copy == code);
      FUZZ_CHECK(Bits(cx) == Bits(o.X()) && Bits(cy) == Bits(o.Y()));
      break;
    }
    default: CheckIfblOfPoint(o); break;
  }

  if (kind == mvMgrs) {
    FUZZ_CHECK(o.MGRS() == before.MGRS());  // the input text stays
    FUZZ_CHECK(InRange(o.Northing(), 0, 10000000) && InRange(o.Easting(), 100000, 900000));
    FUZZ_CHECK(InRange(o.Latitude(), -80.1, 84.1));
  } else {
    CheckUtmOutputs(o, s.dest);
  }
}

// Degree input is refused exactly when a coordinate is out of range or no
// number; Lambert input likewise; DMS input always when a field or the
// angle is out of range, never when all are plainly inside.
void CheckRefusalIsRight(const ZedizAdo& before, bool refused) {
  switch (before.OrigType()) {
    case mvDeg:
      FUZZ_CHECK(refused != (InRange(before.Latitude(), -90, 90) &&
                             InRange(before.Longitude(), -180, 180)));
      break;
    case mvLambert72:
      FUZZ_CHECK(refused !=
                 (InRange(before.X(), 0, 310000) && InRange(before.Y(), 0, 260000)));
      break;
    case mvDegMinSec:
      if (PlainDmsAccepted(before.LatDmsDeg(), before.LatDmsMin(), before.LatDmsSec(), 90) &&
          PlainDmsAccepted(before.LonDmsDeg(), before.LonDmsMin(), before.LonDmsSec(), 180))
        FUZZ_CHECK(!refused);
      if (!DmsFieldsInRange(before.LatDmsDeg(), before.LatDmsMin(), before.LatDmsSec(), 90) ||
          !DmsFieldsInRange(before.LonDmsDeg(), before.LonDmsMin(), before.LonDmsSec(), 180))
        FUZZ_CHECK(refused);
      break;
    case mvMgrs:
      if (before.MGRS().size() < 6) FUZZ_CHECK(refused);  // " 5QKA12" is the shortest
      break;
    case mvIFBL:
      if (before.IFBL().size() < 2 || before.IFBL().size() > 6) FUZZ_CHECK(refused);
      break;
    default: break;
  }
}

// Stray state a client can leave behind: pending floating-point faults and
// another ellipsoid in the thread's current one.
void DisturbThread(std::int32_t seed) {
  volatile double zero = 0, big = 1e308;
  volatile double r = zero / zero;
  r = 1 / zero;
  r = big * big;
  (void)r;
  datum::CurrentEllipsoid = {static_cast<std::int16_t>(seed), 1.0 * seed, 0.5, -1};
}

struct Outcome {
  bool failed = false;
  FailureKind kind{};
};

Outcome Convert(ZedizAdo& o) {
  try {
    o.Conversion();
    return {};
  } catch (const Failure& f) {
    return {true, f.kind()};
  }
}

void CheckConversion(ZedizAdo& o, const Shadow& s) {
  const ZedizAdo before = o;
  const Watch watch(before, o);
  const Outcome outcome = Convert(o);

  // The same call again gives the same object, whatever the thread holds.
  {
    ZedizAdo again = before;
    DisturbThread(static_cast<std::int32_t>((std::int64_t{s.from} * 7 + s.dest) % 30000));
    const Outcome second = Convert(again);
    std::feclearexcept(FE_ALL_EXCEPT);
    FUZZ_CHECK(second.failed == outcome.failed && second.kind == outcome.kind);
    FUZZ_CHECK(again.IdenticalTo(o));
  }

  const bool datumsSet = s.from != 0 && s.dest != 0;
  const auto kind = before.OrigType();
  if (outcome.failed) {
    FUZZ_CHECK(o.IdenticalTo(before));
    // Only numbers outside a table make a call on input that passed its
    // tests fail: the arithmetic of every route holds for every point.
    FUZZ_CHECK(outcome.kind == FailureKind::IndexOutOfRange);
    FUZZ_CHECK(datumsSet && kind != 0);
    FUZZ_CHECK(kind < mvMgrs || kind > mvDegMinSec || !ValidDatum(s.from) ||
               !ValidDatum(s.dest));
    return;
  }
  FUZZ_CHECK(IsSystemMessage(o.Error()));
  const bool unchanged = SameProperties(o, before) && SameHiddenState(o, before);
  if (!datumsSet || kind == 0) {
    FUZZ_CHECK(unchanged);
    FUZZ_CHECK(o.Error() == (datumsSet ? message::kUnknownOrigType : message::kDatumNotSet));
    return;
  }
  // From here the call went past its preconditions: an invalid type or
  // source datum fails there.
  FUZZ_CHECK(kind >= mvMgrs && kind <= mvDegMinSec && ValidDatum(s.from));

  const std::string branchMessage = BranchMessage(before);
  if (o.Error() != before.Error()) {
    // Refused: the branch's message and nothing else.
    FUZZ_CHECK(unchanged);
    FUZZ_CHECK(o.Error() == branchMessage);
    CheckRefusalIsRight(before, true);
    return;
  }
  // The same message refused again, or the same point converted again:
  // the two cannot be told apart.
  if (unchanged && o.Error() == branchMessage) return;
  // A destination outside the catalogue fails once the input is read.
  FUZZ_CHECK(ValidDatum(s.dest));
  CheckPublished(before, o, s);
  CheckRefusalIsRight(before, false);
}

void CheckReset(ZedizAdo& o) {
  const ZedizAdo before = o;
  o.Reset();
  FUZZ_CHECK(o.Error().empty() && o.MGRS().empty() && o.IFBL().empty());
  FUZZ_CHECK(o.OrigType() == 0);
  for (double v : {o.X(), o.Y(), o.Latitude(), o.Longitude(), o.Northing(), o.Easting()})
    FUZZ_CHECK(Bits(v) == 0);
  ZedizAdo fields = before;
  CopyDms(o, fields);
  FUZZ_CHECK(fields.IdenticalTo(before));  // the DMS fields stay
  FUZZ_CHECK(o.IfblPrecision == before.IfblPrecision && o.mgrsPrecision == before.mgrsPrecision);
}

std::int32_t AnyDatum(FuzzedDataProvider& data) {
  static const std::int32_t kOdd[] = {0, 5, -1, 23, 24, INT32_MIN, INT32_MAX};
  if (data.ConsumeIntegralInRange<int>(0, 7) != 0) return data.ConsumeIntegralInRange(1, 4);
  return data.ConsumeBool() ? Pick(data, kOdd) : data.ConsumeIntegral<std::int32_t>();
}

std::int32_t AnyOrigType(FuzzedDataProvider& data) {
  static const std::int32_t kOdd[] = {0, 6, -1, INT32_MIN, INT32_MAX};
  if (data.ConsumeIntegralInRange<int>(0, 7) != 0) return data.ConsumeIntegralInRange(1, 5);
  return data.ConsumeBool() ? Pick(data, kOdd) : data.ConsumeIntegral<std::int32_t>();
}

// Readable inputs for the seed corpus: a script of one operation a line,
// after a first line "#!".  For example
//   #!
//   from 3
//   dest 2
//   type 2
//   lat 50.5
//   lon nan
//   convert
// Texts are taken between double quotes, blanks included; numbers as
// strtod reads them (nan, inf, -inf, hexadecimal).
void RunScript(std::string_view script) {
  ZedizAdo o;
  Shadow s;
  while (!script.empty()) {
    const auto end = script.find('\n');
    std::string line(script.substr(0, end));
    script = end == std::string_view::npos ? std::string_view() : script.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto space = line.find(' ');
    const std::string op = line.substr(0, space);
    std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
    const char* r = rest.c_str();
    const auto text = [&] {
      const auto open = rest.find('"'), close = rest.rfind('"');
      return open == std::string::npos || close == open ? rest
                                                        : rest.substr(open + 1, close - open - 1);
    };
    const auto integer = [&](long low, long high) {
      long v = std::strtol(r, nullptr, 10);
      return v < low ? low : v > high ? high : v;
    };
    const auto int16 = [&](char*& p) {
      long v = std::strtol(p, &p, 10);
      return static_cast<std::int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
    };
    if (op == "type") {
      o.OrigType(static_cast<OriginalCoordinates>(integer(INT32_MIN, INT32_MAX)));
    } else if (op == "from") {
      s.from = static_cast<std::int32_t>(integer(INT32_MIN, INT32_MAX));
      o.DatumFrom(static_cast<InternalDatums>(s.from));
    } else if (op == "dest") {
      s.dest = static_cast<std::int32_t>(integer(INT32_MIN, INT32_MAX));
      o.DatumDest(static_cast<InternalDatums>(s.dest));
    } else if (op == "lat") {
      o.Latitude(std::strtod(r, nullptr));
    } else if (op == "lon") {
      o.Longitude(std::strtod(r, nullptr));
    } else if (op == "x") {
      o.X(std::strtod(r, nullptr));
    } else if (op == "y") {
      o.Y(std::strtod(r, nullptr));
    } else if (op == "northing") {
      o.Northing(std::strtod(r, nullptr));
    } else if (op == "easting") {
      o.Easting(std::strtod(r, nullptr));
    } else if (op == "latdms" || op == "londms") {
      char* p = rest.data();
      const std::int16_t d = int16(p), m = int16(p);
      const float sec = std::strtof(p, nullptr);
      if (op == "latdms") o.LatDmsDeg(d), o.LatDmsMin(m), o.LatDmsSec(sec);
      else o.LonDmsDeg(d), o.LonDmsMin(m), o.LonDmsSec(sec);
    } else if (op == "mgrs") {
      o.MGRS(text());
    } else if (op == "ifbl") {
      o.IFBL(text());
    } else if (op == "ifblprec") {
      o.IfblPrecision = static_cast<std::int16_t>(integer(-32768, 32767));
    } else if (op == "mgrsprec") {
      o.mgrsPrecision = static_cast<std::int32_t>(integer(INT32_MIN, INT32_MAX));
    } else if (op == "convert") {
      CheckConversion(o, s);
    } else if (op == "reset") {
      CheckReset(o);
    }
    FUZZ_CHECK(IsSystemMessage(o.Error()));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size >= 2 && bytes[0] == '#' && bytes[1] == '!') {
    RunScript(std::string_view(reinterpret_cast<const char*>(bytes), size));
    return 0;
  }
  FuzzedDataProvider data(bytes, size);
  ZedizAdo o;
  Shadow s;
  for (int step = 0; step < 48 && data.remaining_bytes() > 0; ++step) {
    switch (data.ConsumeIntegralInRange<int>(0, 17)) {
      case 0: {
        const auto v = static_cast<OriginalCoordinates>(AnyOrigType(data));
        o.OrigType(v);
        FUZZ_CHECK(o.OrigType() == v);
        break;
      }
      case 1: {
        s.from = AnyDatum(data);
        o.DatumFrom(static_cast<InternalDatums>(s.from));
        if (!ValidDatum(s.from)) FUZZ_CHECK(o.Error() == message::kUnknownDatumFrom);
        break;
      }
      case 2: {
        s.dest = AnyDatum(data);
        o.DatumDest(static_cast<InternalDatums>(s.dest));
        if (!ValidDatum(s.dest)) FUZZ_CHECK(o.Error() == message::kUnknownDatumDest);
        break;
      }
      case 3: o.Latitude(AnyDouble(data, -91, 91)); break;
      case 4: o.Longitude(AnyDouble(data, -181, 181)); break;
      case 5: o.X(AnyDouble(data, -1000, 330000)); break;
      case 6: o.Y(AnyDouble(data, -1000, 270000)); break;
      case 7:
        if (data.ConsumeBool()) o.Northing(AnyDouble(data, -1e7, 1e7));
        else o.Easting(AnyDouble(data, 0, 1e6));
        break;
      case 8: {
        const std::int16_t d = AnyDmsInt(data), m = AnyDmsInt(data);
        const float sec = AnySeconds(data);
        if (data.ConsumeBool()) o.LatDmsDeg(d), o.LatDmsMin(m), o.LatDmsSec(sec);
        else o.LonDmsDeg(d), o.LonDmsMin(m), o.LonDmsSec(sec);
        break;
      }
      case 9: {
        static const std::int16_t kIfbl[] = {0, 2, 4, 6, 1, 3, -2, 32767, -32768};
        static const std::int32_t kMgrs[] = {0, 1, 10, 100, 1000, 10000, 5, 100000, -10};
        if (data.ConsumeBool()) o.IfblPrecision = Pick(data, kIfbl);
        else o.mgrsPrecision = Pick(data, kMgrs);
        break;
      }
      case 10: {
        const std::string text = MgrsLikeText(data);
        o.MGRS(text);
        const auto first = text.find_first_not_of(' ');
        FUZZ_CHECK(o.MGRS() == (first == std::string::npos
                                    ? std::string()
                                    : text.substr(first, text.find_last_not_of(' ') - first + 1)));
        break;
      }
      case 11: {
        std::string text = IfblLikeText(data);
        o.IFBL(text);
        FUZZ_CHECK(text.find_first_of(" .-") == std::string::npos && o.IFBL() == text);
        break;
      }
      case 12: CheckReset(o); break;
      case 13: {
        // A point in or near Belgium, where every route has something to
        // publish.
        o.Latitude(49 + 3 * data.ConsumeProbability<double>());
        o.Longitude(2 + 5 * data.ConsumeProbability<double>());
        break;
      }
      default: CheckConversion(o, s); break;
    }
    FUZZ_CHECK(IsSystemMessage(o.Error()));
  }
  return 0;
}
