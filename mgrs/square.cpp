#include "mgrs/square.hpp"

#include <string>

#include "utm/utm.hpp"

namespace morvane::dma {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }

}  // namespace

bool ReadMgrsSquare(std::string_view reference, std::int16_t ellipsoidNumber, double a, double f,
                    MgrsSquare& square) {
  std::string t;
  for (const char c : reference)
    if (c != ' ' && c != '\t') t += Upper(c);
  // Zone digits, band and square letters, then the coordinates' digits.
  std::size_t zoneDigits = 0;
  while (zoneDigits < t.size() && zoneDigits < 2 && IsDigit(t[zoneDigits])) ++zoneDigits;
  if (zoneDigits == 0 || t.size() < zoneDigits + 3) return false;
  const std::string_view letters(t.data() + zoneDigits, 3);
  const std::string_view digits(t.data() + zoneDigits + 3, t.size() - zoneDigits - 3);
  if (!IsLetter(letters[0]) || !IsLetter(letters[1]) || !IsLetter(letters[2])) return false;
  if (digits.empty() || digits.size() % 2 != 0 || digits.size() > 10) return false;
  for (const char c : digits)
    if (!IsDigit(c)) return false;
  const std::size_t perCoordinate = digits.size() / 2;

  // The reference of the square's south-west metre: the digits completed
  // with zeros, the zone on two characters (a blank before one digit).
  std::string full;
  if (zoneDigits == 1) full += ' ';
  full.append(t, 0, zoneDigits);
  full += letters;
  full.append(digits.substr(0, perCoordinate)).append(5 - perCoordinate, '0');
  full.append(digits.substr(perCoordinate)).append(5 - perCoordinate, '0');
  double latitude = 0, longitude = 0, northing = 0, easting = 0;
  std::int16_t zone = 0;
  std::int32_t status = 0;
  GridZoneLimits limits{};
  if (!MgrsToUtm(full, ellipsoidNumber, a, f, latitude, longitude, zone, northing, easting, status,
                 limits))
    return false;
  square.zone = zone;
  // South of the equator the decoder gives the northing negative.
  square.hemisphere = northing < 0 ? 'S' : 'N';
  square.northing = northing < 0 ? -northing : northing;
  square.easting = easting;
  double side = 1;
  for (std::size_t k = perCoordinate; k < 5; ++k) side *= 10;
  square.side = side;
  square.limits = limits;
  return true;
}

void SquarePointToGeo(const MgrsSquare& square, double a, double f, double easting,
                      double northing, double& latitude, double& longitude) {
  double n = square.hemisphere == 'S' ? -northing : northing;
  UtmToGeo(a, f, latitude, longitude, square.zone, n, easting);
}

}  // namespace morvane::dma
