// Heights: ETRS89 ellipsoidal height <-> Ostend height (EPSG:5710) by the
// hBG18 quasi-geoid (the height of the quasi-geoid above GRS 1980 on a
// 0.015 x 0.010 degree lattice over Belgium, interpolated bilinearly at
// the ETRS89 position): Ostend height = ellipsoidal height - N.
#pragma once

#include "datum/grid_shift.hpp"

namespace morvane::height {

using datum::GridStatus;

// N at an ETRS89 position in degrees, metres; nothing written unless kDone.
GridStatus QuasiGeoidHeight(double latitude, double longitude, double& n);

GridStatus EllipsoidalToOstend(double latitude, double longitude, double ellipsoidal,
                               double& ostend);
GridStatus OstendToEllipsoidal(double latitude, double longitude, double ostend,
                               double& ellipsoidal);

}  // namespace morvane::height
