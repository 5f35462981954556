#include "height/hbg18.hpp"

#include "datum/grid_table.hpp"

namespace morvane::height {

GridStatus QuasiGeoidHeight(double latitude, double longitude, double& n) {
  const datum::GridSet* grids = datum::Grids();
  if (!grids || !grids->geoid) return GridStatus::kNoGrids;
  double value = 0;
  if (!grids->geoid->Interpolate(longitude, latitude, 1, &value)) return GridStatus::kOutside;
  n = value;
  return GridStatus::kDone;
}

GridStatus EllipsoidalToOstend(double latitude, double longitude, double ellipsoidal,
                               double& ostend) {
  double n = 0;
  const GridStatus status = QuasiGeoidHeight(latitude, longitude, n);
  if (status == GridStatus::kDone) ostend = ellipsoidal - n;
  return status;
}

GridStatus OstendToEllipsoidal(double latitude, double longitude, double ostend,
                               double& ellipsoidal) {
  double n = 0;
  const GridStatus status = QuasiGeoidHeight(latitude, longitude, n);
  if (status == GridStatus::kDone) ellipsoidal = ostend + n;
  return status;
}

}  // namespace morvane::height
