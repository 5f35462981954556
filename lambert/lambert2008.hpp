// Belgian Lambert 2008 (EPSG:3812): the conformal conic projection of
// ETRS89 (GRS 1980) with standard parallels 49 50' and 51 10', false
// origin at 50 47' 52.134" N, 4 21' 33.177" E, false easting 649 328 m and
// false northing 665 262 m.  Degrees on ETRS89 in, metres out, and back.
#pragma once

#include "lambert/conformal_conic.hpp"

namespace morvane::lambert {

// GRS 1980: a = 6 378 137 m, 1/f = 298.257222101.  e, n, aF, rF and
// lambda0 computed from those and the parameters above.
inline constexpr ConformalConic kLambert2008 = Cone(
    0x1.4f21a3db6cd4ap-4,   // e  = 0.08181919104281579
    0x1.8b14af3fc250bp-1,   // n  = 0.7716421857195724
    0x1.60f3ec732a308p23,   // aF = 11 565 558.224931255 m
    0x1.3f7f33fcfbe94p22,   // rF = 5 234 636.997054715 m
    0x1.37a275f90180bp-4,   // lambda0 = 4 21' 33.177" = 0.07608266909673504 rad
    649328.0, 665262.0);

// The plane range an input in Lambert 2008 may take, metres: the range of
// Lambert 72 inputs moved by the difference of the two grids' origins.
inline constexpr double kLambert2008MinX = 500000, kLambert2008MaxX = 810000;
inline constexpr double kLambert2008MinY = 500000, kLambert2008MaxY = 760000;

void GeoToLambert2008(double latitude, double longitude, double& X, double& Y);
void Lambert2008ToGeo(double X, double Y, double& latitude, double& longitude);
// Within the range above (NaN is not).
bool Lambert2008InRange(double X, double Y);

}  // namespace morvane::lambert
