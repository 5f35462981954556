// Helpers of the conversion driver shared by its routes.
#pragma once

#include <cmath>
#include <string>
#include <type_traits>

#include "datum/catalogue.hpp"
#include "datum/molodensky.hpp"
#include "elementary/lane_ops.hpp"

namespace morvane::driver {

// ChangeDatum for the driver: the result is held to -90..90 in latitude
// and brought back into -180..180 in longitude.  Near the poles and the
// antimeridian the Molodensky shift can carry a position past the ends of
// its range, which no output can represent.  Positions inside the ranges
// are returned untouched.
void ChangeDatumHeld(const datum::Catalogue& catalogue, double latitude, double longitude,
                     double& newLatitude, double& newLongitude, const std::int32_t& fromDatum,
                     const std::int32_t& toDatum);

// A longitude past +-180 brought back by whole turns (exactly).
inline double WrapLongitude(double longitude) {
  double lon = std::fmod(longitude, 360.0);  // exact
  if (lon > 180) lon -= 360;
  if (lon < -180) lon += 360;
  return lon;
}

// ChangeDatumHeld for one position (double) or four (Lanes4).
template <typename V>
void ChangeDatumHeldOf(const datum::Catalogue& catalogue, V latitude, V longitude,
                       V& newLatitude, V& newLongitude, std::int32_t fromDatum,
                       std::int32_t toDatum) {
  constexpr double kHeight = 0;
  V lat{}, lon{};
  datum::ChangeDatumOf(catalogue, latitude, longitude, kHeight, lat, lon, fromDatum, toDatum);
  lat = lanes::Select(lat > 90.0, lanes::Splat<V>(90), lat);
  lat = lanes::Select(lat < -90.0, lanes::Splat<V>(-90), lat);
  const auto past = (lon > 180.0) | (lon < -180.0);
  if (lanes::Any(past)) [[unlikely]] {
    if constexpr (std::is_same_v<V, double>) {
      lon = WrapLongitude(lon);
    } else {
      for (int i = 0; i < lanes::kLanes; ++i)
        if (past[i]) lon[i] = WrapLongitude(lon[i]);
    }
  }
  newLatitude = lat;
  newLongitude = lon;
}

// The checks of a geographic input: a position in degrees within -90..90
// and -180..180 (NaN fails), and the DMS fields of one angle (degrees
// within +-degreeLimit, minutes and seconds within 0..60, the sign where
// DecimalToDms puts it).
bool DegreesInRange(double latitude, double longitude);
bool DmsFieldsValid(std::int16_t degrees, std::int16_t minutes, float seconds, int degreeLimit);
// A Lambert 72 input within 0..310 000 and 0..260 000 metres (NaN fails).
bool LambertInRange(double X, double Y);

// Completes the square letters and digits of a short MGRS reference to
// five digits per coordinate, 1 m short of the centre of the square it
// names ('FS1234' becomes 'FS1249934499').  Works in place.
void CompleteMgrsDigits(std::string& rest);

}  // namespace morvane::driver
