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

// ---------------------------------------------------------------------------
// Inverse: zone, northing and easting to geographic position.

template <bool kEachStep>
void Inverse(double a, double f, double& latitude, double& longitude, std::int16_t zone,
             double signedNorthing, double& northing, double easting, double& semiMinorAxis) {
  if constexpr (kEachStep) CheckOperand(f);
  if constexpr (kEachStep) CheckOperand(a);
  const EllipsoidConstants k = ConstantsFor<kEachStep>(a, f, semiMinorAxis);

  // The hemisphere is the sign of the northing; a southern northing is
  // handed back as its magnitude.
  if constexpr (kEachStep) CheckOperand(signedNorthing);
  double N = signedNorthing;
  double FN = 0.0;
  if (N < 0.0) {
    N = std::fabs(N);
    northing = N;
    FN = kFalseNorthingSouth;
  }
  const double M = Step<kEachStep>((N - FN) / kScale);

  // Footpoint latitude: five corrections of the meridian arc, each from
  // the latitude before it.
  double fp1 = Step<kEachStep>(M / MeridianRadiusOf<kEachStep>(a, k.e2, 0.0));
  for (int i = 0; i < 5; ++i)
    fp1 = Step<kEachStep>(fp1 + (M - MeridianArcOf<kEachStep>(k.A, k.B, k.C, k.D, k.E, fp1)) /
                                    MeridianRadiusOf<kEachStep>(a, k.e2, fp1));

  const double rho = MeridianRadiusOf<kEachStep>(a, k.e2, fp1);
  const double nu = PrimeVerticalRadiusOf<kEachStep>(a, k.e2, fp1);
  const general::SinCos sc = general::SinCosOf(fp1);
  const double s = Step<kEachStep>(sc.sin);
  const double c = Step<kEachStep>(sc.cos);
  const double t = Step<kEachStep>(s / c);
  const double eta2 = Step<kEachStep>(k.ep2 * (c * c));
  if constexpr (kEachStep) CheckOperand(easting);
  const double dE = Step<kEachStep>(easting - kFalseEasting);

  const double t2 = Step<kEachStep>(t * t);
  const double t4 = Step<kEachStep>(t2 * t2);
  const double t6 = Step<kEachStep>(t4 * t2);
  const double eta4 = Step<kEachStep>(eta2 * eta2);
  const double eta6 = Step<kEachStep>(eta4 * eta2);
  const double eta8 = Step<kEachStep>(eta4 * eta4);
  const OddPowers<double> v = OddPowersOf<kEachStep>(nu);

  const double T10 = Step<kEachStep>(t / (2.0 * rho * nu * kScale2));
  const double T11 = Step<kEachStep>(t / (24.0 * rho * v.p3 * kScale4) *
                                     (5.0 + 3.0 * t2 + eta2 - 4.0 * eta4 - 9.0 * t2 * eta2));
  const double T12 = Step<kEachStep>(
      t / (720.0 * rho * v.p5 * kScale6) *
      (61.0 + 90.0 * t2 + 46.0 * eta2 + 45.0 * t4 - 252.0 * t2 * eta2 - 3.0 * eta4 +
       100.0 * eta6 - 66.0 * t2 * eta4 - 90.0 * t4 * eta2 + 88.0 * eta8 + 225.0 * t4 * eta4 +
       84.0 * t2 * eta6 - 192.0 * t2 * eta8));
  const double T13 = Step<kEachStep>(t / (40320.0 * rho * v.p7 * kScale8) *
                                     (1385.0 + 3633.0 * t2 + 4095.0 * t4 + 1575.0 * t6));
  const double T14 = Step<kEachStep>(1.0 / (nu * c * kScale));
  const double T15 = Step<kEachStep>((1.0 + 2.0 * t2 + eta2) / (6.0 * v.p3 * c * kScale3));
  const double T16 = Step<kEachStep>((5.0 + 6.0 * eta2 + 28.0 * t2 - 3.0 * eta4 +
                                      8.0 * t2 * eta2 + 24.0 * t4 - 4.0 * eta6 +
                                      4.0 * t2 * eta4 + 24.0 * t2 * eta6) /
                                     (120.0 * v.p5 * c * kScale5));
  const double T17 = Step<kEachStep>((61.0 + 662.0 * t2 + 1320.0 * t4 + 720.0 * t6) /
                                     (5040.0 * v.p7 * c * kScale7));

  const Powers<double> d = PowersOf<kEachStep>(dE);
  latitude = Step<kEachStep>(fp1 - d.p2 * T10 + d.p4 * T11 - d.p6 * T12 + d.p8 * T13);
  const double dl = Step<kEachStep>(dE * T14 - d.p3 * T15 + d.p5 * T16 - d.p7 * T17);
  longitude = Step<kEachStep>(CentralMeridian<kEachStep>(zone) + dl);
}

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
