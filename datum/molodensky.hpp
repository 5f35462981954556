// Datum transformation: standard Molodensky formulas through WGS 1984.
#pragma once

#include <cstdint>

#include "datum/catalogue.hpp"

namespace morvane::datum {

// Moves a position (decimal degrees) from one datum to another: first to
// WGS 1984 with the source's parameters, then to the destination with its
// parameters negated.  Equal datum numbers return the input bit for bit.
void ChangeDatum(const Catalogue& catalogue, double latitude, double longitude, double height,
                 double& newLatitude, double& newLongitude, const std::int32_t& fromDatum,
                 const std::int32_t& toDatum);

// One Molodensky step with the parameters and ellipsoid of datumNumber:
// direction +1 goes from the datum to WGS 1984, -1 the other way.
void MolodenskyShift(const Catalogue& catalogue, double latitude, double longitude,
                     double height, double& newLatitude, double& newLongitude,
                     const std::int32_t& datumNumber, const std::int16_t& direction);

}  // namespace morvane::datum
