// Universal Transverse Mercator: the public routines and the inverse
// series (the forward series and the ellipsoid functions are in
// transverse_mercator.hpp).
#include "utm/transverse_mercator.hpp"

#include <cmath>
#include <cstdint>

#include "base/checks.hpp"
#include "base/general.hpp"
#include "datum/catalogue.hpp"
#include "elementary/elementary.hpp"
#include "utm/utm.hpp"

namespace morvane::dma {
namespace {

using namespace tm;

}  // namespace

double CurvatureDenominator(double e2, double phi) { return CurvatureDenominatorOf<true>(e2, phi); }

double PrimeVerticalRadius(double a, double e2, double phi) {
  return PrimeVerticalRadiusOf<true>(a, e2, phi);
}

double MeridianRadius(double a, double e2, double phi) { return MeridianRadiusOf<true>(a, e2, phi); }

double MeridianArc(double A, double B, double C, double D, double E, double phi) {
  return MeridianArcOf<true>(A, B, C, D, E, phi);
}

void GeoToUtm(double a, double f, double latitude, double longitude, std::int16_t& zone,
              double& northing, double& easting, int zoneGiven) {
  fp::Begin();
  if (!(std::isnan(a) || std::isnan(f) || std::isnan(latitude) || std::isnan(longitude))) {
    double b, n, e;
    std::int16_t z = zone;
    Forward<false>(a, f, latitude, longitude, z, n, e, zoneGiven, b);
    if (fp::Deferred() || Clean(b, n, e)) [[likely]] {
      datum::CurrentEllipsoid.SemiMinorAxis = b;
      zone = z;
      northing = n;
      easting = e;
      return;
    }
    fp::ClearPending();
  }
  Forward<true>(a, f, latitude, longitude, zone, northing, easting, zoneGiven,
                datum::CurrentEllipsoid.SemiMinorAxis);
}

void UtmToGeo(double a, double f, double& latitude, double& longitude, std::int16_t zone,
              double& northing, double easting) {
  fp::Begin();
  const double signedNorthing = northing;
  if (!(std::isnan(a) || std::isnan(f) || std::isnan(signedNorthing) || std::isnan(easting))) {
    double b, n = signedNorthing, lat, lon;
    Inverse<false>(a, f, lat, lon, zone, signedNorthing, n, easting, b);
    if (fp::Deferred() || Clean(b, n, lat, lon)) [[likely]] {
      datum::CurrentEllipsoid.SemiMinorAxis = b;
      northing = n;
      latitude = lat;
      longitude = lon;
      return;
    }
    fp::ClearPending();
  }
  Inverse<true>(a, f, latitude, longitude, zone, signedNorthing, northing, easting,
                datum::CurrentEllipsoid.SemiMinorAxis);
}

}  // namespace morvane::dma
