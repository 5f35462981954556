// MGRS decoding: a 15-character reference back to its UTM coordinates and
// geographic position.  The row letters repeat every 2 000 km; the band
// tells which repetition the reference means.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <string>

#include "base/checks.hpp"
#include "elementary/elementary.hpp"
#include "mgrs/mgrs.hpp"
#include "mgrs/mgrs_internal.hpp"
#include "utm/utm.hpp"

namespace morvane::dma {
namespace {

using mgrs_internal::kBandN;
using mgrs_internal::kBandX;
using mgrs_internal::kCycle;
using mgrs_internal::kDegree;
using mgrs_internal::kSquare;
using mgrs_internal::RoundHalfAway;

constexpr std::size_t kLength = 15;
constexpr double kTolerance = 1.56e-7;  // radians, about 1 m on the ground

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int LetterNumber(char c) { return c - 'A' + 1; }

// Zone of positions 1-2: 1 to 60, a single digit with one blank or zero
// before it; 0 when the two characters name no zone.
int ReadZone(char first, char second) {
  if (!IsDigit(second)) return 0;
  int zone;
  if (first == ' ') zone = second - '0';
  else if (IsDigit(first)) zone = (first - '0') * 10 + (second - '0');
  else return 0;
  return zone <= 60 ? zone : 0;
}

// Band letters C to X without I and O.
bool IsBand(char c) { return c >= 'C' && c <= 'X' && c != 'I' && c != 'O'; }

// Row letters A to V without I and O.
bool IsRow(char c) { return c >= 'A' && c <= 'V' && c != 'I' && c != 'O'; }

// The eight column letters of a set beginning at firstColumn (A, J or S);
// the set beginning at J skips O.
bool IsColumn(char c, int firstColumn) {
  const int number = LetterNumber(c);
  const int last = firstColumn == 10 ? firstColumn + 8 : firstColumn + 7;
  return number >= firstColumn && number <= last && c != 'O';
}

bool AreDigits(const char* p) {
  return IsDigit(p[0]) && IsDigit(p[1]) && IsDigit(p[2]) && IsDigit(p[3]) && IsDigit(p[4]);
}

int ReadDigits(const char* p) {
  return (((((p[0] - '0') * 10 + (p[1] - '0')) * 10 + (p[2] - '0')) * 10 + (p[3] - '0')) * 10) +
         (p[4] - '0');
}

// Zones 32, 34 and 36 have no band X: Svalbard shares them out among
// zones 31, 33, 35 and 37.
bool IsMissingGridZone(int zone, int band) {
  return band == kBandX && (zone == 32 || zone == 34 || zone == 36);
}

void Refuse(std::string_view message, std::string& text, double& latitude, double& longitude,
            double& northing, double& easting, std::int32_t& status) {
  text = message;
  latitude = longitude = northing = easting = 0;
  status = 1;
}

// The lowest northing of a band's south edge in a zone: on the central
// meridian north of the equator, the lowest of it and the zone's limits
// south of it.
double ProjectBandSouthNorthing(double a, double f, std::int16_t band, std::int16_t zone,
                                double south, double west, double east) {
  std::int16_t zoneGiven = zone;
  double n0, unusedEasting;
  const double centralMeridian = ToInt16(6 * zone - 183) * kDegree;
  fp::Check(centralMeridian);
  GeoToUtm(a, f, south, centralMeridian, zoneGiven, n0, unusedEasting, 1);
  if (band < kBandN) {
    double atWest, atEast;
    GeoToUtm(a, f, south, west, zoneGiven, atWest, unusedEasting, 1);
    GeoToUtm(a, f, south, east, zoneGiven, atEast, unusedEasting, 1);
    n0 = std::min({n0, atWest, atEast});
  }
  return n0;
}

// The same, kept for the last ellipsoid, band and zone: references come
// in runs of one grid zone, and it costs one to three projections.  A
// value is kept only when formed without a fault (a checked run that got
// this far raised none; an unchecked one must find no flag pending), so
// a hit gives what the projections would, without a fault.  (The
// projections also write the ellipsoid's semi-minor axis, which the
// inverse projection that follows writes again, the same.)
double BandSouthNorthing(double a, double f, std::int16_t band, std::int16_t zone, double south,
                         double west, double east) {
  struct Kept {
    std::uint64_t aBits = 0, fBits = 0;
    std::int16_t band = 0, zone = 0;
    double northing = 0;
  };
  thread_local Kept kept;
  const auto aBits = std::bit_cast<std::uint64_t>(a), fBits = std::bit_cast<std::uint64_t>(f);
  if (kept.band != 0 && kept.aBits == aBits && kept.fBits == fBits && kept.band == band &&
      kept.zone == zone)
    return kept.northing;
  const double n0 = ProjectBandSouthNorthing(a, f, band, zone, south, west, east);
  fp::Materialize(n0);
  if (!fp::Deferred() || fp::PendingBits() == 0) kept = {aBits, fBits, band, zone, n0};
  return n0;
}

}  // namespace

bool MgrsToUtm(std::string& text, std::int16_t ellipsoidNumber, double a, double f,
               double& latitude, double& longitude, std::int16_t& zone, double& northing,
               double& easting, std::int32_t& status, GridZoneLimits& limits) {
  fp::Begin();
  status = 0;

  // The whole reference is checked before anything is computed from it: a
  // character outside its set would otherwise be read as some neighbouring
  // square.
  const bool sized = text.size() == kLength;
  const char* p = text.data();
  zone = sized ? static_cast<std::int16_t>(ReadZone(p[0], p[1])) : 0;
  if (!sized || zone == 0 || !IsBand(p[2]) || !IsRow(p[4]) || !AreDigits(p + 5) ||
      !AreDigits(p + 10) || IsMissingGridZone(zone, LetterNumber(p[2]))) {
    Refuse(kInvalidMgrs, text, latitude, longitude, northing, easting, status);
    return false;
  }
  std::int16_t band = static_cast<std::int16_t>(LetterNumber(p[2]));
  const int column = LetterNumber(p[3]);
  const int row = LetterNumber(p[4]);
  const double sign = band < kBandN ? -1.0 : 1.0;

  std::int16_t firstColumn = 0, letterStatus = 0;
  double rowOffset = 0;
  GetSquareLetterSet(zone, firstColumn, rowOffset, ellipsoidNumber, letterStatus);
  if (!IsColumn(p[3], firstColumn)) {
    Refuse(kInvalidMgrs, text, latitude, longitude, northing, easting, status);
    return false;
  }
  if (letterStatus == 1) {
    Refuse(kEllipsoidNotAvailable, text, latitude, longitude, northing, easting, status);
    return false;
  }

  double& south = limits.south;
  double& north = limits.north;
  double& east = limits.east;
  double& west = limits.west;
  GetGridZoneLimits(band, 0.0, zone, south, north, east, west);

  // Northing of the band's south edge.  South of the equator the parallel
  // runs further south away from the central meridian, so the lowest of it
  // across the zone lies at the zone's limits; north of it, on the
  // central meridian.
  const double n0 = BandSouthNorthing(a, f, band, zone, south, west, east);

  const double base = std::trunc(n0 / kSquare) * kSquare;
  fp::Check(base);
  double baseInCycle = base;
  while (baseInCycle >= kCycle) baseInCycle -= kCycle;

  double rowNorthing = (row - 1) * double{kSquare} + rowOffset;
  if (row > 15) rowNorthing -= kSquare;  // no O
  if (row > 9) rowNorthing -= kSquare;   // no I
  double columnEasting = (column - firstColumn + 1) * double{kSquare};
  if (firstColumn == 10 && column > 15) columnEasting -= kSquare;  // no O in J..R

  if (RoundHalfAway(rowNorthing) >= kCycle) rowNorthing -= kCycle;
  rowNorthing = RoundHalfAway(rowNorthing) - baseInCycle;
  if (rowNorthing < 0) rowNorthing += kCycle;
  // The first northing at or above the base with the row letter's place in the cycle.
  const double squareNorthing = RoundHalfAway(base + rowNorthing);

  northing = (ReadDigits(p + 10) + squareNorthing) * sign;
  easting = ReadDigits(p + 5) + columnEasting;
  fp::Check(northing, easting);

  return true;
}

bool InsideGridZone(double latitude, double longitude, const GridZoneLimits& limits) {
  const double slack = kTolerance / elementary::Cos(latitude);
  const bool inside = latitude + kTolerance >= limits.south && latitude - kTolerance <= limits.north &&
                      longitude + slack >= limits.west && longitude - slack <= limits.east;
  fp::Check(slack, inside);
  return inside;
}

void MgrsToGeo(std::string& text, std::int16_t ellipsoidNumber, double a, double f,
               double& latitude, double& longitude, std::int16_t& zone, double& northing,
               double& easting, std::int32_t& status) {
  GridZoneLimits limits;
  if (!MgrsToUtm(text, ellipsoidNumber, a, f, latitude, longitude, zone, northing, easting, status,
                 limits))
    return;
  UtmToGeo(a, f, latitude, longitude, zone, northing, easting);
  if (!InsideGridZone(latitude, longitude, limits)) {
    text = kOutsideRange;
    status = 1;
  }
}

}  // namespace morvane::dma
