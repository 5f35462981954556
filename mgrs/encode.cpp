// MGRS encoding: geographic position or UTM coordinates to the 15-character
// reference "ZZLLLEEEEENNNNN" (zone, band, column and row of the 100 km
// square, five digits each of easting and northing inside it).
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/checks.hpp"
#include "mgrs/mgrs.hpp"
#include "mgrs/mgrs_internal.hpp"
#include "mgrs/square_numbers.hpp"
#include "utm/utm.hpp"

namespace morvane::dma {
namespace {

using mgrs_internal::kDegree;
using mgrs_internal::Letter;

constexpr double kEpsilon = 4.85e-10;  // radians, about 3 mm on the ground
constexpr std::int32_t kDigitsBias = 10000000;

// Writes the last `count` characters of the decimal form of `value` over
// out[0..count), left-aligned; a shorter form leaves the rest as it was.
void PutLastDigits(char* out, std::int64_t value, int count) {
  if (count == 5 && value >= kDigitsBias && value <= 99999999) {  // eight digits: the usual case
    // The last five digits: one, then two pairs from a table of "00".."99".
    static constexpr auto kPairs = [] {
      std::array<char, 200> pairs{};
      for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
      }
      return pairs;
    }();
    const auto last = static_cast<std::uint32_t>(value) % 100000u;
    const std::uint32_t low = last % 10000u;
    out[0] = static_cast<char>('0' + last / 10000u);
    std::memcpy(out + 1, &kPairs[2 * (low / 100u)], 2);
    std::memcpy(out + 3, &kPairs[2 * (low % 100u)], 2);
    return;
  }
  char buffer[24];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  const int length = static_cast<int>(end - buffer);
  const int taken = length < count ? length : count;
  for (int i = 0; i < taken; ++i) out[i] = end[i - taken];
}

// The bias added before the digits are taken, as 32-bit arithmetic.
std::int64_t Biased(std::int32_t metres) {
  const std::int64_t value = std::int64_t{metres} + kDigitsBias;
  if (value > INT32_MAX) FailIntegerOverflow();
  return value;
}

}  // namespace

void MgrsTextOf(std::int16_t zone, const SquareNumbers<double>& square, std::string& text) {
  // What may fail first; then the reference is written straight into
  // the text (a copy of a buffer written byte by byte would wait for
  // each byte's store to reach it).
  const char bandLetter = Letter(static_cast<int>(square.band));
  const char columnLetter = Letter(static_cast<int>(square.column));
  const char rowLetter = Letter(static_cast<int>(square.row));
  const std::int64_t eastingDigits = Biased(static_cast<std::int32_t>(square.easting));
  const std::int64_t northingDigits = Biased(static_cast<std::int32_t>(square.northing));
  text.assign("ZZLLLEEEEENNNNN", 15);
  char* out = text.data();
  if (zone >= 1 && zone <= 9) {
    out[0] = ' ';
    out[1] = static_cast<char>('0' + zone);
  } else {
    // The last two characters of the zone written after one blank.
    char buffer[8] = {' '};
    const auto end = std::to_chars(buffer + 1, buffer + sizeof buffer, zone).ptr;
    out[0] = end[-2];
    out[1] = end[-1];
  }
  out[2] = bandLetter;
  out[3] = columnLetter;
  out[4] = rowLetter;
  PutLastDigits(out + 5, eastingDigits, 5);
  PutLastDigits(out + 10, northingDigits, 5);
}

void UtmToMgrs(double latitude, std::int16_t zone, double northing, double easting,
               std::string& text, std::int16_t ellipsoidNumber) {
  try {
    fp::Begin();
    std::int16_t firstColumn = 0, status = 0;
    double rowOffset = 0;
    GetSquareLetterSet(zone, firstColumn, rowOffset, ellipsoidNumber, status);
    if (status == 1) {
      text = kMgrsNotValid;
      return;
    }
    bool fits = true;  // a failure is raised at once
    const SquareNumbers<double> square =
        SquareNumbersOf(latitude, static_cast<double>(zone), northing, easting,
                        static_cast<double>(firstColumn), rowOffset, fits);
    MgrsTextOf(zone, square, text);
  } catch (const Failure&) {
    if (fp::Deferred()) throw;  // the checked run decides
    text = kUtmError;
  }
}

bool InMgrsGrid(double latitude) {
  const double southLimit = -80.0 * kDegree - kEpsilon;
  const double northLimit = 84.0 * kDegree + kEpsilon;
  return !(latitude < southLimit || latitude > northLimit);
}

bool RegularZoneHolds(double latitude, std::int16_t zone) {
  return !(latitude - kEpsilon > 56.0 * kDegree && zone >= 31 && zone <= 37);
}

bool GeoToMgrsPosition(double a, double f, double latitude, double longitude,
                       std::int16_t& zone, double& northing, double& easting, std::string& text) {
  fp::Begin();
  const double lessEpsilon = latitude - kEpsilon;
  fp::CheckStep(lessEpsilon, latitude);
  if (!InMgrsGrid(latitude)) {
    text.clear();
    northing = 0;
    easting = 0;
    return false;
  }

  GeoToUtm(a, f, latitude, longitude, zone, northing, easting, 0);

  // South-west Norway (56 to 64 N) and Svalbard (above 72 N) take zones of
  // their own; 64 to 72 N keeps the regular zones.
  if (!RegularZoneHolds(latitude, zone)) {
    bool moved = false;
    if (latitude <= 64.0 * kDegree) {
      if (zone == 31 || zone == 32) {
        zone = longitude < 3.0 * kDegree ? 31 : 32;
        moved = true;
      }
    } else if (lessEpsilon > 72.0 * kDegree) {
      zone = 31;
      if (longitude > 9.0 * kDegree) zone += 2;
      if (longitude > 21.0 * kDegree) zone += 2;
      if (longitude > 33.0 * kDegree) zone += 2;
      moved = true;
    }
    if (moved) GeoToUtm(a, f, latitude, longitude, zone, northing, easting, 1);
  }
  return true;
}

void GeoToMgrs(double a, double f, double latitude, double longitude, std::int16_t& zone,
               double& northing, double& easting, std::string& text,
               std::int16_t ellipsoidNumber) {
  if (GeoToMgrsPosition(a, f, latitude, longitude, zone, northing, easting, text))
    UtmToMgrs(latitude, zone, northing, easting, text, ellipsoidNumber);
}

}  // namespace morvane::dma
