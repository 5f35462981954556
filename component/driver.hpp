// Helpers of the conversion driver shared by its routes.
#pragma once

#include <string>

#include "datum/catalogue.hpp"

namespace morvane::driver {

// ChangeDatum for the driver: the result is held to -90..90 in latitude
// and brought back into -180..180 in longitude.  Near the poles and the
// antimeridian the Molodensky shift can carry a position past the ends of
// its range, which no output can represent.  Positions inside the ranges
// are returned untouched.
void ChangeDatumHeld(const datum::Catalogue& catalogue, double latitude, double longitude,
                     double& newLatitude, double& newLongitude, const std::int32_t& fromDatum,
                     const std::int32_t& toDatum);

// Completes the square letters and digits of a short MGRS reference to
// five digits per coordinate, 1 m short of the centre of the square it
// names ('FS1234' becomes 'FS1249934499').  Works in place.
void CompleteMgrsDigits(std::string& rest);

}  // namespace morvane::driver
