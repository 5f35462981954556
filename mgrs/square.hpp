// The square an MGRS reference names: its grid zone, the south-west corner
// of the square in UTM and its side, and the limits of its grid zone.
#pragma once

#include <cstdint>
#include <string_view>

#include "mgrs/mgrs.hpp"

namespace morvane::dma {

struct MgrsSquare {
  std::int16_t zone = 0;
  char hemisphere = 'N';
  double easting = 0;   // the square's west edge, metres
  double northing = 0;  // its south edge, metres (with the false northing in the south)
  double side = 0;      // metres: 10 000 to 1
  GridZoneLimits limits{};  // radians
};

// Reads a reference to a square: a zone of one or two digits, a band, the
// two letters of a 100 km square, then 1 to 5 digits for each coordinate
// (10 km to 1 m); blanks anywhere, letters in either case.  False when it
// names no square of this ellipsoid's lettering.
bool ReadMgrsSquare(std::string_view reference, std::int16_t ellipsoidNumber, double a, double f,
                    MgrsSquare& square);

// The geographic position (radians) of a UTM point of the square's zone.
void SquarePointToGeo(const MgrsSquare& square, double a, double f, double easting,
                      double northing, double& latitude, double& longitude);

}  // namespace morvane::dma
