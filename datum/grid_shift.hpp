// BD72 <-> ETRS89 by the national agency's grid (EPSG:8369): geographic
// offsets on a 0.005 degree lattice over Belgium, interpolated
// bilinearly at the BD72 position and added to it.  The way back finds, by
// iteration, the BD72 position whose offsets lead to the ETRS89 one.
#pragma once

namespace morvane::datum {

enum class GridStatus {
  kDone,
  kOutside,    // the position (or a step of the iteration) lies outside the grid
  kNoGrids,    // this build has no grid table and none was loaded
};

// Degrees in, degrees out.  Nothing is written unless kDone.
GridStatus Bd72ToEtrs89(double latitude, double longitude, double& newLatitude,
                        double& newLongitude);
GridStatus Etrs89ToBd72(double latitude, double longitude, double& newLatitude,
                        double& newLongitude);

// The iteration of Etrs89ToBd72 stops when a pass moves the position by
// less than this (radians), as usual for such grids; at most kMaxPasses.
inline constexpr double kInverseTolerance = 1e-12;
inline constexpr int kMaxPasses = 10;

}  // namespace morvane::datum
