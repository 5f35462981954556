// Points as people write them in one text (Darwin Core's
// verbatimCoordinates): two numbers for Lambert X and Y, degrees in decimal
// or with minutes and seconds, with or without hemisphere letters and
// marks.  MGRS references and IFBL codes need no reading: the object reads
// them.
#pragma once

#include <cstdint>
#include <string_view>

namespace morvane::verbatim {

// A point read from its text.
struct Point {
  std::int32_t kind = 0;  // mvDeg or mvDegMinSec (as the text is written), mvLambert72 ...
  double a = 0, b = 0;    // latitude and longitude, or X and Y
  std::int16_t dms[4]{};  // LatDmsDeg, LatDmsMin, LonDmsDeg, LonDmsMin
  float seconds[2]{};     // LatDmsSec, LonDmsSec
};

// Reads the latitude and longitude of a text: false when it is not one.
// Whole degrees and minutes with seconds on both give the DMS fields (the
// sign on the degrees, else on the minutes, else on the seconds, as the
// object holds them); any other form gives decimal degrees.
bool ReadGeographic(std::string_view text, Point& point);

// Reads X and Y of a text ("X=... Y=..." in either order): false when it
// is not two numbers.
bool ReadPair(std::string_view text, Point& point);

}  // namespace morvane::verbatim
