// Latitude bands, grid-zone limits with the Norway and Svalbard
// exceptions, and the 100 km letter sets of the zones.
#include <cmath>
#include <cstdint>

#include "base/checks.hpp"
#include "mgrs/mgrs.hpp"
#include "mgrs/mgrs_internal.hpp"

namespace morvane::dma {
namespace {

using mgrs_internal::kBandV;
using mgrs_internal::kBandX;
using mgrs_internal::kDegree;

// Lettering scheme of the 100 km squares by ellipsoid number: 1 or 2, and
// 0 for the ellipsoids that have none.
constexpr std::int8_t kSchemeOfEllipsoid[24] = {
    0,              // no ellipsoid 0
    1, 1, 1,        // Airy, Airy modified, Australian National
    2, 2, 2,        // Bessel 1841, Clarke 1866, Clarke 1880
    1, 1,           // Everest (India 1830), Everest modified
    0,              // Modified Fischer 1960
    1,              // Everest (Pakistan)
    0,              // Indonesian 1974
    1,              // GRS 80
    0, 0,           // Helmert 1906, Hough 1960
    1,              // Hayford
    0,              // Krassovsky 1940
    1, 1, 1, 1, 1,  // South American 1969, Everest (Malaysia 1969), Everest (Sabah
                    // Sarawak), WGS 1972, WGS 1984
    2,              // Bessel 1841 (Namibia)
    1,              // Everest (India 1956)
};
constexpr std::int16_t kClarke1866 = 5;

// Row offsets, subtracted from the northing before the row letter is read:
// [scheme - 1][set is even].
constexpr double kRowOffset[2][2] = {{0.0, 1500000.0}, {1000000.0, 500000.0}};

}  // namespace

void GetGridZoneLimits(std::int16_t& band, double latitude, std::int16_t zone, double& south,
                       double& north, double& east, double& west) {
  if (band == 0) {
    const double bandsFromSouth = std::trunc((80.0 * kDegree + latitude) / (8.0 * kDegree));
    fp::Check(bandsFromSouth);
    band = ToInt16(bandsFromSouth + 3.0);
    if (band > 8) band = ToInt16(band + 1);   // no band I
    if (band > 14) band = ToInt16(band + 1);  // no band O
    if (band >= 25) band = kBandX;            // X reaches 84 degrees
    if (band == 13 && latitude == 0.0) band = mgrs_internal::kBandN;
    // A latitude a hair south of the equator rounds to band N, but its
    // northing is a southern one: it belongs to band M.
    if (band >= mgrs_internal::kBandN && latitude < 0.0) band = 13;
  }

  double southDegrees = (band - 3) * 8.0 - 80.0;
  if (band > 8) southDegrees -= 8.0;
  if (band > 14) southDegrees -= 8.0;
  south = southDegrees * kDegree;
  north = south + (band == kBandX ? 12.0 : 8.0) * kDegree;

  const double centralMeridian = ToInt16(6 * zone - 183) * kDegree;
  east = centralMeridian + 3.0 * kDegree;
  west = centralMeridian - 3.0 * kDegree;
  fp::Check(south, north, east, west);

  // South-west Norway (band V) and Svalbard (band X).
  if (zone >= 31 && zone <= 37 && band >= kBandV) {
    if (band == kBandV) {
      if (zone == 31) east = 3.0 * kDegree;
      if (zone == 32) west = 3.0 * kDegree;
    } else if (band >= kBandX) {
      switch (zone) {
        case 31: east = 9.0 * kDegree; break;
        case 33: west = 9.0 * kDegree, east = 21.0 * kDegree; break;
        case 35: west = 21.0 * kDegree, east = 33.0 * kDegree; break;
        case 37: west = 33.0 * kDegree; break;
        default: break;
      }
    }
  }
}

void GetSquareLetterSet(std::int16_t zone, std::int16_t& firstColumn, double& rowOffset,
                        std::int16_t ellipsoidNumber, std::int16_t& status) {
  const int set = (zone - 1) % 6 + 1;
  if (set < 1) Fail(FailureKind::IndexOutOfRange);  // zones below 1 have no set

  status = 0;
  int scheme = ellipsoidNumber >= 1 && ellipsoidNumber <= 23 ? kSchemeOfEllipsoid[ellipsoidNumber]
                                                               : 0;
  if (scheme == 0) {
    status = 1;
    scheme = 1;  // the other outputs are still written
  }
  if (ellipsoidNumber == kClarke1866 && zone >= 47 && zone <= 55) scheme = 1;

  static constexpr std::int16_t kFirstColumn[3] = {1, 10, 19};  // A, J, S
  firstColumn = kFirstColumn[(set - 1) % 3];
  rowOffset = kRowOffset[scheme - 1][set % 2 == 0];
}

bool ZoneOfReference(std::string_view reference, std::int16_t& zone, char& hemisphere) {
  while (!reference.empty() && reference.front() == ' ') reference.remove_prefix(1);
  std::size_t digits = 0;
  int number = 0;
  while (digits < 2 && digits < reference.size() && reference[digits] >= '0' &&
         reference[digits] <= '9')
    number = number * 10 + (reference[digits++] - '0');
  if (digits == 0 || number < 1 || number > 60 || digits >= reference.size()) return false;
  // Latitude bands C to X, without I and O; N and above lie north of the
  // equator.
  char band = reference[digits];
  if (band >= 'a' && band <= 'z') band = static_cast<char>(band - 'a' + 'A');
  if (band < 'C' || band > 'X' || band == 'I' || band == 'O') return false;
  zone = static_cast<std::int16_t>(number);
  hemisphere = band >= 'N' ? 'N' : 'S';
  return true;
}

}  // namespace morvane::dma
