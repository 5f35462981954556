// MGRS decoding: the input is the text of a reference, as typed.  It goes
// to MgrsToGeo on every ellipsoid of the catalogue (and on numbers outside
// it), and to an object as MGRS input on every source datum.
//
// Decoder: status 0 only for a reference of the right shape, with finite
// outputs, whose point encodes back to the same grid zone and text (or
// lies within the decoder's tolerance of the grid zone's edge, where it
// may belong to the next grid zone or, past 84 N and 80 S, to none);
// status 1 with one of its three messages otherwise, and the outputs 0
// when the text or the ellipsoid was refused.
// Object: the input is refused with the MGRS message exactly when the
// decoder refuses the completed reference, and nothing else changes.
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <string>

#include "component/driver.hpp"
#include "base/checks.hpp"
#include "base/general.hpp"
#include <morvane/zediz_ado.hpp>
#include "datum/catalogue.hpp"
#include "fuzz/invariants.hpp"
#include "mgrs/mgrs.hpp"

using namespace morvane;
using namespace morvane::fuzz;

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180;
constexpr double kTolerance = 2e-7;  // radians: the decoder's 1 m, and a little more

const datum::Catalogue& Catalogue() {
  static const datum::Catalogue catalogue = [] {
    datum::Catalogue c;
    datum::BuildCatalogue(c);
    return c;
  }();
  return catalogue;
}

// Whether a point lies within the tolerance of the limits of a grid zone.
bool NearGridZoneEdge(double lat, double lon, std::int16_t band, std::int16_t zone) {
  double south, north, east, west;
  dma::GetGridZoneLimits(band, 0.0, zone, south, north, east, west);
  const double slack = kTolerance / std::cos(lat);
  return std::fabs(lat - south) < kTolerance || std::fabs(lat - north) < kTolerance ||
         std::fabs(lon - west) < slack || std::fabs(lon - east) < slack;
}

// What the decoder and encoder gave, printed with a finding.
struct Decoded {
  const std::string* text;
  std::int16_t number;
  std::string copy, text2;
  double lat, lon, n, e, n2, e2;
  std::int32_t status;
} g_decoded;

void ExplainDecoded() {
  const Decoded& d = g_decoded;
  std::fprintf(stderr,
               "text '%s' ellipsoid %d: status %d '%s'\n  lat %.17g lon %.17g (degrees %.12f "
               "%.12f)\n  northing %.17g easting %.17g\n  encoded back '%s' northing %.17g "
               "easting %.17g\n",
               d.text->c_str(), d.number, d.status, d.copy.c_str(), d.lat, d.lon, d.lat / kDegree,
               d.lon / kDegree, d.n, d.e, d.text2.c_str(), d.n2, d.e2);
}

void CheckDecoder(const std::string& text, std::int16_t number, double a, double f,
                  bool hasScheme) {
  std::string copy = text;
  double lat = 1234.5, lon = 1234.5, n = 1234.5, e = 1234.5;
  std::int16_t zone = 77;
  std::int32_t status = 99;
  dma::MgrsToGeo(copy, number, a, f, lat, lon, zone, n, e, status);
  g_decoded = {&text, number, copy, {}, lat, lon, n, e, 0, 0, status};
  g_explain = ExplainDecoded;
  const bool shaped = IsMgrsReference(text, 5);
  FUZZ_CHECK(status == 0 || status == 1);
  if (status == 1) {
    FUZZ_CHECK(IsMgrsDecoderMessage(copy));
    if (copy != dma::kOutsideRange) FUZZ_CHECK(lat == 0 && lon == 0 && n == 0 && e == 0);
    if (copy == dma::kEllipsoidNotAvailable) FUZZ_CHECK(shaped && !hasScheme);
    if (copy == dma::kOutsideRange) FUZZ_CHECK(shaped && hasScheme);
    if (copy == dma::kInvalidMgrs) FUZZ_CHECK(!shaped);
    return;
  }
  FUZZ_CHECK(copy == text && shaped && hasScheme);
  FUZZ_CHECK(zone == ZoneOf(text));
  FUZZ_CHECK(std::isfinite(lat) && std::isfinite(lon) && std::isfinite(n) && std::isfinite(e));
  FUZZ_CHECK(InRange(lat, -80.01 * kDegree, 84.01 * kDegree));
  FUZZ_CHECK(InRange(lon, -180.01 * kDegree, 180.01 * kDegree));
  FUZZ_CHECK(InRange(n, 0, 10000000) && InRange(e, 100000, 900000));
  FUZZ_CHECK(n == std::floor(n) && e == std::floor(e));  // the south-west corner, whole metres

  // Back to a reference: the same grid zone and the same text.
  std::int16_t zone2 = 0;
  double n2 = 0, e2 = 0;
  std::string text2;
  dma::GeoToMgrs(a, f, lat, lon, zone2, n2, e2, text2, number);
  g_decoded.text2 = text2, g_decoded.n2 = n2, g_decoded.e2 = e2;
  // The decoder takes points up to its tolerance beyond the grid zone,
  // which may lie in the next grid zone or, past 84 N or 80 S, outside the
  // range the encoder names at all.
  const auto band = static_cast<std::int16_t>(text[2] - 'A' + 1);
  if (text2.empty()) {
    FUZZ_CHECK(NearGridZoneEdge(lat, lon, band, zone));
    FUZZ_CHECK(text[2] == 'X' || text[2] == 'C');
    return;
  }
  FUZZ_CHECK(IsMgrsReference(text2, 5));
  // A one-digit zone may be written with a zero; the encoder writes a blank.
  std::string canonical = text;
  if (canonical[0] == '0') canonical[0] = ' ';
  if (text2.compare(0, 3, canonical, 0, 3) != 0) {
    FUZZ_CHECK(NearGridZoneEdge(lat, lon, band, zone));
    return;
  }
  FUZZ_CHECK(std::fabs(n2 - n) < 0.01 && std::fabs(e2 - e) < 0.01);
  if (text2 != canonical) {
    // The encoder's two special cases: the last metre south of the
    // equator, and the east edge of zone 31V.
    FUZZ_CHECK(n == 10000000 || (zone == 31 && text[2] == 'V' && e == 500000));
  }
}

// The working copy the driver decodes: a one-digit zone read as if a blank
// stood before it, the digits completed to five per coordinate.
bool WorkingCopy(std::string text, std::string& copy) {
  if (text.size() >= 2 && IsDigit(text[0]) &&
      ((text[1] >= 'A' && text[1] <= 'Z') || (text[1] >= 'a' && text[1] <= 'z')))
    text.insert(0, " ");
  if (text.size() < 7 || text.size() > 15) return false;
  std::string rest = text.substr(3);
  driver::CompleteMgrsDigits(rest);
  copy = text.substr(0, 3) + rest;
  return true;
}

void CheckObject(const std::string& input, std::int32_t from, std::int32_t dest) {
  g_explain = nullptr;
  ZedizAdo o;
  o.DatumFrom(static_cast<InternalDatums>(from));
  o.DatumDest(static_cast<InternalDatums>(dest));
  o.OrigType(mvMgrs);
  o.MGRS(input);
  const ZedizAdo before = o;

  std::string copy;
  bool accepted = WorkingCopy(o.MGRS(), copy);
  double lat = 0, lon = 0, n = 0, e = 0;
  if (accepted) {
    datum::SelectEllipsoid(Catalogue(), from);
    const auto el = datum::CurrentEllipsoid;
    std::int16_t zone = 0;
    std::int32_t status = 0;
    dma::MgrsToGeo(copy, el.EllipsoidNumber, el.SemiMajorAxis, el.Flattening, lat, lon, zone, n,
                   e, status);
    accepted = status == 0;
  }

  o.Conversion();  // a Failure here escapes: no MGRS text may fail a call
  if (!accepted) {
    FUZZ_CHECK(o.Error() == MgrsMessageFor(before.MGRS()));
    FUZZ_CHECK(SameExceptError(o, before));
    return;
  }
  FUZZ_CHECK(o.Error().empty());
  FUZZ_CHECK(o.MGRS() == before.MGRS());
  FUZZ_CHECK(o.Northing() == n && o.Easting() == e);
  FUZZ_CHECK(InRange(o.Latitude(), -90, 90) && InRange(o.Longitude(), -180, 180));
  FUZZ_CHECK(InRange(o.Latitude(), -80.1, 84.1));
  if (from == dest && InRange(general::RadToDeg(lon), -180, 180))
    FUZZ_CHECK(o.Latitude() == general::RadToDeg(lat) &&
               o.Longitude() == general::RadToDeg(lon));
  FUZZ_CHECK(std::isfinite(o.X()) && std::isfinite(o.Y()));
  if (InsideIfblGrid(o.X(), o.Y())) FUZZ_CHECK(IsIfblCode(o.IFBL()));
  else FUZZ_CHECK(o.IFBL().empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size > 64) return 0;  // references are short; longer texts add nothing
  const std::string text(reinterpret_cast<const char*>(bytes), size);

  const auto& ellipsoids = Catalogue().Ellipsoids;
  for (const auto& el : ellipsoids) {
    std::int16_t firstColumn = 0, letterStatus = 0;
    double rowOffset = 0;
    dma::GetSquareLetterSet(1, firstColumn, rowOffset, el.Number, letterStatus);
    CheckDecoder(text, el.Number, el.SemiMajorAxis, 1 / el.InverseFlattening,
                 letterStatus == 0);
  }
  // Numbers without a lettering scheme, on the WGS 1984 figure.
  const auto& wgs = ellipsoids[20];
  for (std::int16_t number : {std::int16_t{0}, std::int16_t{24}, std::int16_t{-1}})
    CheckDecoder(text, number, wgs.SemiMajorAxis, 1 / wgs.InverseFlattening, false);

  for (std::int32_t from = 1; from <= 4; ++from) {
    CheckObject(text, from, from);
    CheckObject(text, from, from % 4 + 1);
  }
  return 0;
}
