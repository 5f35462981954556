// The squares IFBL codes and MGRS references name: outline, centre,
// covering radius and the Darwin Core terms of a grid cell.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <morvane/morvane.h>

namespace morvane::squares {

// A point of an outline: in the square's grid and in latitude/longitude
// (degrees) on the request's output datum.
struct Point {
  double x = 0, y = 0;
  double latitude = 0, longitude = 0;
};

struct Square {
  morvane_square numbers{};
  std::string code;             // as written, blanks at the ends trimmed
  std::vector<Point> outline;   // closed ring, densified
  double uncertaintyExact = 0;  // before rounding up
};

// MORVANE_OK or a negative code for a request that makes no sense.
int CheckRequest(const morvane_square_request& request);

// The square of `code`; false with the message when it names none (or,
// by the grid method, lies outside the grid).  Throws Failure on a
// floating-point fault.
bool SquareOf(std::string_view code, const morvane_square_request& request, Square& square,
              std::string& message);

// The texts of a square (or of a code with a message).
std::string DarwinCoreJson(const Square* square, std::string_view code,
                           const morvane_square_request& request, const std::string& message);
std::string GeoJsonFeature(const Square* square, std::string_view code,
                           const morvane_square_request& request, const std::string& message);

// Metres between two positions (degrees) on an ellipsoid, for the short
// distances of a square: the chord between them, lengthened to the arc.
double Distance(double a, double f, double latitude1, double longitude1, double latitude2,
                double longitude2);

}  // namespace morvane::squares
