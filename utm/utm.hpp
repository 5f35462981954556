// Module DMA, UTM part: the Transverse Mercator series of the universal
// grid on any ellipsoid, with the ellipsoid functions both directions use.
//
// Angles are radians.  a and f come from CurrentEllipsoid; both projection
// routines store b = (r - 1) a / r into CurrentEllipsoid.SemiMinorAxis.
// Every floating-point step is checked: a fault throws morvane::Failure at
// that step, and outputs already written keep their new values.
#pragma once

#include <cstdint>

namespace morvane::dma {

// One degree in radians as arctan(1) / 45: pi/180 to full precision (the
// UTM and MGRS routines form their own degree, not the cut pi of the angle
// conversions).  The literal is arctan(1) rounded to double.
inline constexpr double kDegree = 0.78539816339744830962 / 45.0;

// W = sqrt(1 - e2 sin^2 phi)
double CurvatureDenominator(double e2, double phi);
// nu = a / sqrt(1 - e2 sin^2 phi)
double PrimeVerticalRadius(double a, double e2, double phi);
// rho = a (1 - e2) / W^3
double MeridianRadius(double a, double e2, double phi);
// S = A' phi - B' sin 2phi + C' sin 4phi - D' sin 6phi + E' sin 8phi
double MeridianArc(double A, double B, double C, double D, double E, double phi);

// Geographic position to UTM.  zoneGiven 0: the zone is computed from the
// longitude (clamped to 1..60) and written into zone; otherwise zone is
// used as passed.  The northing carries a 10 000 000 m false northing
// south of the equator.
void GeoToUtm(double a, double f, double latitude, double longitude, std::int16_t& zone,
              double& northing, double& easting, int zoneGiven);

// UTM to geographic position.  A negative northing means the southern
// hemisphere (its magnitude includes the false northing) and is replaced
// by its magnitude.
void UtmToGeo(double a, double f, double& latitude, double& longitude, std::int16_t zone,
              double& northing, double easting);

}  // namespace morvane::dma
