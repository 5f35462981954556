#include "datum/molodensky.hpp"

namespace morvane::datum {

void MolodenskyShift(const Catalogue& catalogue, double latitude, double longitude,
                     double height, double& newLatitude, double& newLongitude,
                     const std::int32_t& datumNumber, const std::int16_t& direction) {
  MolodenskyShiftOf(catalogue, latitude, longitude, height, newLatitude, newLongitude,
                    datumNumber, direction);
}

void ChangeDatum(const Catalogue& catalogue, double latitude, double longitude, double height,
                 double& newLatitude, double& newLongitude, const std::int32_t& fromDatum,
                 const std::int32_t& toDatum) {
  ChangeDatumOf(catalogue, latitude, longitude, height, newLatitude, newLongitude, fromDatum,
                toDatum);
}

}  // namespace morvane::datum
