#include "datum/grid_shift.hpp"

#include <cmath>

#include "datum/grid_table.hpp"

namespace morvane::datum {

namespace {

// 1/3600, rounded: a product in place of a division (a unit in the last
// place of the offset, a picometre).
constexpr double kDegreesPerSecond = 1.0 / 3600;
// Degrees to radians, for the tolerance only (correctly rounded pi/180).
constexpr double kRadiansPerDegree = 0x1.1df46a2529d39p-6;

// The offsets at a BD72 position, in degrees.
GridStatus Offsets(const Grid& grid, double latitude, double longitude, double& dLatitude,
                   double& dLongitude) {
  double seconds[2];
  if (!grid.Interpolate(longitude, latitude, 2, seconds)) return GridStatus::kOutside;
  dLatitude = seconds[0] * kDegreesPerSecond;
  dLongitude = seconds[1] * kDegreesPerSecond;
  return GridStatus::kDone;
}

}  // namespace

GridStatus Bd72ToEtrs89(double latitude, double longitude, double& newLatitude,
                        double& newLongitude) {
  const GridSet* grids = Grids();
  if (!grids || !grids->shift) return GridStatus::kNoGrids;
  double dLat = 0, dLon = 0;
  const GridStatus status = Offsets(*grids->shift, latitude, longitude, dLat, dLon);
  if (status != GridStatus::kDone) return status;
  newLatitude = latitude + dLat;
  newLongitude = longitude + dLon;
  return GridStatus::kDone;
}

GridStatus Etrs89ToBd72(double latitude, double longitude, double& newLatitude,
                        double& newLongitude) {
  const GridSet* grids = Grids();
  if (!grids || !grids->shift) return GridStatus::kNoGrids;
  const Grid& grid = *grids->shift;
  // Start from the ETRS89 position's own offsets, then correct with the
  // offsets at the estimate until they lead back to the ETRS89 position.
  double dLat = 0, dLon = 0;
  GridStatus status = Offsets(grid, latitude, longitude, dLat, dLon);
  if (status != GridStatus::kDone) return status;
  double lat = latitude - dLat, lon = longitude - dLon;
  for (int pass = 0; pass < kMaxPasses; ++pass) {
    status = Offsets(grid, lat, lon, dLat, dLon);
    if (status != GridStatus::kDone) return status;
    const double nextLat = latitude - dLat, nextLon = longitude - dLon;
    const double moved = std::fmax(std::fabs(nextLat - lat), std::fabs(nextLon - lon));
    lat = nextLat;
    lon = nextLon;
    if (moved * kRadiansPerDegree < kInverseTolerance) break;
  }
  newLatitude = lat;
  newLongitude = lon;
  return GridStatus::kDone;
}

}  // namespace morvane::datum
