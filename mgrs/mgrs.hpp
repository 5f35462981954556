// Module DMA, MGRS part: 15-character references "ZZLLLEEEEENNNNN" built
// from and read back into UTM coordinates.  Angles are radians.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace morvane::dma {

// Texts the MGRS routines leave instead of a reference.
inline constexpr std::string_view kMgrsNotValid = "MGRS  NOT VALID";
inline constexpr std::string_view kUtmError = "   UTM ERROR";
inline constexpr std::string_view kInvalidMgrs = " INVALID MGRS  ";
inline constexpr std::string_view kEllipsoidNotAvailable = " ELLIPSOID N/A  ";
inline constexpr std::string_view kOutsideRange = " OUTSIDE RANGE ";

// Geographic position to UTM northing/easting and MGRS text (or one of the
// messages "", "MGRS  NOT VALID", "   UTM ERROR").
void GeoToMgrs(double a, double f, double latitude, double longitude, std::int16_t& zone,
               double& northing, double& easting, std::string& text,
               std::int16_t ellipsoidNumber);

// GeoToMgrs's first part: the zone (Norway's and Svalbard's included),
// northing and easting.  False, with the text cleared and both coordinates
// 0, when the latitude is outside the MGRS grid (80 S to 84 N).
bool GeoToMgrsPosition(double a, double f, double latitude, double longitude,
                       std::int16_t& zone, double& northing, double& easting, std::string& text);

// Whether a latitude (radians) lies in the MGRS grid, 80 S to 84 N (with
// a margin of about 3 mm).
bool InMgrsGrid(double latitude);
// Whether the zone taken from the longitude is the reference's zone:
// false north of 56 N in zones 31 to 37, where south-west Norway and
// Svalbard may take zones of their own.
bool RegularZoneHolds(double latitude, std::int16_t zone);

// UTM coordinates to the MGRS text; faults give "   UTM ERROR".
void UtmToMgrs(double latitude, std::int16_t zone, double northing, double easting,
               std::string& text, std::int16_t ellipsoidNumber);

// Band number (0 on entry: taken from latitude and written back), latitude
// limits of the band and longitude limits of the grid zone, in radians.
void GetGridZoneLimits(std::int16_t& band, double latitude, std::int16_t zone, double& south,
                       double& north, double& east, double& west);

// First column letter number (1, 10, 19) and row offset of the zone's
// 100 km squares; status 1 when the ellipsoid has no lettering scheme.
void GetSquareLetterSet(std::int16_t zone, std::int16_t& firstColumn, double& rowOffset,
                        std::int16_t ellipsoidNumber, std::int16_t& status);

// MGRS text to geographic position and UTM coordinates.  On failure the
// text is replaced by " INVALID MGRS  ", " ELLIPSOID N/A  " or
// " OUTSIDE RANGE " and status is 1; otherwise status is 0.
void MgrsToGeo(std::string& text, std::int16_t ellipsoidNumber, double a, double f,
               double& latitude, double& longitude, std::int16_t& zone, double& northing,
               double& easting, std::int32_t& status);

// MgrsToGeo in its parts.  MgrsToUtm reads the reference: its zone, its
// northing (negative in the southern hemisphere, as UtmToGeo takes it)
// and easting, and the limits of its grid zone (radians); false when the
// reference is refused, with text, the coordinates and status as MgrsToGeo
// leaves them then.  InsideGridZone: whether a position the inverse
// projection gave lies in the grid zone, with about 1 m of slack (" OUTSIDE
// RANGE " otherwise).
struct GridZoneLimits {
  double south, north, east, west;
};
bool MgrsToUtm(std::string& text, std::int16_t ellipsoidNumber, double a, double f,
               double& latitude, double& longitude, std::int16_t& zone, double& northing,
               double& easting, std::int32_t& status, GridZoneLimits& limits);
bool InsideGridZone(double latitude, double longitude, const GridZoneLimits& limits);

// The UTM zone and hemisphere ('N' or 'S') a reference names, read from
// its zone digits and latitude band (leading blanks skipped, the band in
// either case).  False, with nothing written, when the text does not start
// with a zone 1..60 and a band C..X.
bool ZoneOfReference(std::string_view reference, std::int16_t& zone, char& hemisphere);

}  // namespace morvane::dma
