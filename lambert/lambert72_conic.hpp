// Belgian Lambert 1972 as the national agency defines it today (EPSG:31370),
// for the grid method: the conformal conic projection of the Hayford
// ellipsoid with standard parallels 51 10' 00.00204" and 49 50' 00.00204",
// the apex as false origin (latitude 90), longitude 4 22' 02.952" E, false
// easting 150 000.013 m and false northing 5 400 088.438 m.  The agency's
// grid is defined on these coordinates.
//
// The historic routine (lambert72.hpp), with its rounded constants and its
// looser iteration, stays the one of the three-parameter method: the two
// differ by about 2 mm.
#pragma once

#include "lambert/conformal_conic.hpp"

namespace morvane::lambert {

// International 1924 (Hayford): a = 6 378 388 m, 1/f = 297.
inline constexpr ConformalConic kLambert72Conic = Cone(
    0x1.4fd6ba5ff4613p-4,   // e  = 0.08199188997902977
    0x1.8b14af7cb36bcp-1,   // n  = 0.7716421928141339
    0x1.60f6b79ea1899p23,   // aF = 11 565 915.809826182 m
    0.0,                    // rF: the false origin is the apex
    0x1.3839d3826debdp-4,   // lambda0 = 4 22' 02.952" = 0.0762270223702854 rad
    150000.013, 5400088.438);

void GeoToLambert72Conic(double latitude, double longitude, double& X, double& Y);
void Lambert72ConicToGeo(double X, double Y, double& latitude, double& longitude);

}  // namespace morvane::lambert
