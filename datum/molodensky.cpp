#include "datum/molodensky.hpp"

#include <cmath>
#include <string_view>

#include "base/checks.hpp"
#include "base/general.hpp"
#include "elementary/elementary.hpp"

namespace morvane::datum {

namespace {

constexpr std::string_view kPivotCode = "WGS84";

bool IsNullShift(const Datum& datum) {
  return datum.DeltaA == 0 && datum.DeltaF == 0 && datum.DeltaX == 0 && datum.DeltaY == 0 &&
         datum.DeltaZ == 0;
}

// With all five parameters zero every term of both shifts is a signed
// zero, so phi + dphi is phi itself whenever phi is not zero: the result
// is the angle conversion alone.  Zero angles keep the full formula, whose
// signed zeros decide the sign of the result.
bool ShiftIsExactlyNull(const Datum& datum, double latitude, double longitude, double height) {
  return IsNullShift(datum) && height == 0 && std::isfinite(latitude) &&
         std::isfinite(longitude) && latitude != 0 && longitude != 0;
}

}  // namespace

void MolodenskyShift(const Catalogue& catalogue, double latitude, double longitude,
                     double height, double& newLatitude, double& newLongitude,
                     const std::int32_t& datumNumber, const std::int16_t& direction) {
  using general::DegToRad;
  using general::RadToDeg;
  fp::Begin();
  const Datum& datum = catalogue.DatumAt(datumNumber);
  const Ellipsoid& ellipsoid = catalogue.EllipsoidAt(datum.EllipsoidNumber);

  const double phi = DegToRad(latitude);
  const double lambda = DegToRad(longitude);

  if (ShiftIsExactlyNull(datum, latitude, longitude, height)) {
    const double lat = RadToDeg(phi);
    const double lon = RadToDeg(lambda);
    newLatitude = lat;
    newLongitude = lon;
    return;
  }

  const general::SinCos phiTerms = general::SinAndCos(phi);
  const general::SinCos lambdaTerms = general::SinAndCos(lambda);
  const double sinPhi = phiTerms.sin;
  const double cosPhi = phiTerms.cos;
  const double sinLambda = lambdaTerms.sin;
  const double cosLambda = lambdaTerms.cos;
  fp::Check(sinPhi, cosPhi, sinLambda, cosLambda);

  const double s = direction;
  const double dX = s * datum.DeltaX;
  const double dY = s * datum.DeltaY;
  const double dZ = s * datum.DeltaZ;
  const double da = ToInt16(static_cast<std::int32_t>(direction) * datum.DeltaA);
  const double df = s * datum.DeltaF;

  const double a = ellipsoid.SemiMajorAxis;
  const double f = 1 / ellipsoid.InverseFlattening;
  const double e2 = 2 * f - f * f;
  const double q = 1 / (1 - f);  // a / b
  fp::Check(f, e2, q);

  const double W2 = 1 - e2 * sinPhi * sinPhi;
  const double Rn = a / std::sqrt(W2);
  const double Rm = a * (1 - e2) / elementary::Pow(W2, 1.5);
  fp::Check(Rn, Rm);

  const double dPhi = (-dX * sinPhi * cosLambda - dY * sinPhi * sinLambda + dZ * cosPhi +
                       Rn * e2 * sinPhi * cosPhi * da / a +
                       (Rn / q + Rm * q) * df * sinPhi * cosPhi) /
                      (Rm + height);
  fp::Check(dPhi);
  const double dLambda = (-dX * sinLambda + dY * cosLambda) / ((Rn + height) * cosPhi);
  fp::Check(dLambda);

  const double lat = RadToDeg(phi + dPhi);
  const double lon = RadToDeg(lambda + dLambda);
  newLatitude = lat;
  newLongitude = lon;
}

void ChangeDatum(const Catalogue& catalogue, double latitude, double longitude, double height,
                 double& newLatitude, double& newLongitude, const std::int32_t& fromDatum,
                 const std::int32_t& toDatum) {
  if (fromDatum == toDatum) {
    newLatitude = latitude;
    newLongitude = longitude;
    return;
  }
  // Both records are looked up first: a datum without a record fails
  // before anything is written.
  catalogue.DatumAt(fromDatum);
  const Datum& to = catalogue.DatumAt(toDatum);

  constexpr std::int16_t kToWgs84 = +1;
  constexpr std::int16_t kFromWgs84 = -1;
  double lat84 = 0, lon84 = 0;
  MolodenskyShift(catalogue, latitude, longitude, height, lat84, lon84, fromDatum, kToWgs84);
  if (to.Code != kPivotCode) {
    double lat = 0, lon = 0;
    MolodenskyShift(catalogue, lat84, lon84, height, lat, lon, toDatum, kFromWgs84);
    newLatitude = lat;
    newLongitude = lon;
  } else {
    newLatitude = lat84;
    newLongitude = lon84;
  }
}

}  // namespace morvane::datum
