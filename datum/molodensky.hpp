// Datum transformation: standard Molodensky formulas through WGS 1984.
//
// The arithmetic is written once, for one position (V = double, the
// routines below) and for four at once (V = Lanes4, the batch call), see
// elementary/lane_ops.hpp.
#pragma once

#include <cstdint>
#include <string_view>
#include <type_traits>

#include "base/checks.hpp"
#include "base/general.hpp"
#include "datum/catalogue.hpp"
#include "elementary/lane_ops.hpp"

namespace morvane::datum {

// Moves a position (decimal degrees) from one datum to another: first to
// WGS 1984 with the source's parameters, then to the destination with its
// parameters negated.  Equal datum numbers return the input bit for bit.
void ChangeDatum(const Catalogue& catalogue, double latitude, double longitude, double height,
                 double& newLatitude, double& newLongitude, const std::int32_t& fromDatum,
                 const std::int32_t& toDatum);

// One Molodensky step with the parameters and ellipsoid of datumNumber:
// direction +1 goes from the datum to WGS 1984, -1 the other way.
void MolodenskyShift(const Catalogue& catalogue, double latitude, double longitude,
                     double height, double& newLatitude, double& newLongitude,
                     const std::int32_t& datumNumber, const std::int16_t& direction);

inline constexpr std::string_view kPivotCode = "WGS84";

inline bool IsNullShift(const Datum& datum) {
  return datum.DeltaA == 0 && datum.DeltaF == 0 && datum.DeltaX == 0 && datum.DeltaY == 0 &&
         datum.DeltaZ == 0;
}

// With all five parameters zero every term of both shifts is a signed
// zero, so phi + dphi is phi itself whenever phi is not zero: the result
// is the angle conversion alone.  Zero angles keep the full formula, whose
// signed zeros decide the sign of the result.
inline bool ShiftIsExactlyNull(const Datum& datum, double latitude, double longitude,
                               double height) {
  return IsNullShift(datum) && height == 0 && std::isfinite(latitude) &&
         std::isfinite(longitude) && latitude != 0 && longitude != 0;
}
// Four positions go through the shortcut together: the batch gives the
// four-lane shift only positions whose angles are finite and not zero.
inline bool ShiftIsExactlyNull(const Datum& datum, const lanes::Lanes4&, const lanes::Lanes4&,
                               double height) {
  return IsNullShift(datum) && height == 0;
}

template <typename V>
void MolodenskyShiftOf(const Catalogue& catalogue, V latitude, V longitude, double height,
                       V& newLatitude, V& newLongitude, std::int32_t datumNumber,
                       std::int16_t direction) {
  using general::DegToRadOf;
  using general::RadToDegOf;
  if constexpr (std::is_same_v<V, double>) fp::Begin();
  const Datum& datum = catalogue.DatumAt(datumNumber);
  const Ellipsoid& ellipsoid = catalogue.EllipsoidAt(datum.EllipsoidNumber);

  const V phi = DegToRadOf(latitude);
  const V lambda = DegToRadOf(longitude);

  if (ShiftIsExactlyNull(datum, latitude, longitude, height)) {
    const V lat = RadToDegOf(phi);
    const V lon = RadToDegOf(lambda);
    newLatitude = lat;
    newLongitude = lon;
    return;
  }

  const auto phiTerms = lanes::SinAndCos(phi);
  const auto lambdaTerms = lanes::SinAndCos(lambda);
  const V sinPhi = phiTerms.sin;
  const V cosPhi = phiTerms.cos;
  const V sinLambda = lambdaTerms.sin;
  const V cosLambda = lambdaTerms.cos;
  lanes::Check(sinPhi, cosPhi, sinLambda, cosLambda);

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

  const V W2 = 1 - e2 * sinPhi * sinPhi;
  const V Rn = a / lanes::Sqrt(W2);
  const V Rm = a * (1 - e2) / lanes::Pow(W2, 1.5);
  lanes::Check(Rn, Rm);

  const V dPhi = (-dX * sinPhi * cosLambda - dY * sinPhi * sinLambda + dZ * cosPhi +
                  Rn * e2 * sinPhi * cosPhi * da / a + (Rn / q + Rm * q) * df * sinPhi * cosPhi) /
                 (Rm + height);
  lanes::Check(dPhi);
  const V dLambda = (-dX * sinLambda + dY * cosLambda) / ((Rn + height) * cosPhi);
  lanes::Check(dLambda);

  const V lat = RadToDegOf(phi + dPhi);
  const V lon = RadToDegOf(lambda + dLambda);
  newLatitude = lat;
  newLongitude = lon;
}

template <typename V>
void ChangeDatumOf(const Catalogue& catalogue, V latitude, V longitude, double height,
                   V& newLatitude, V& newLongitude, std::int32_t fromDatum, std::int32_t toDatum) {
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
  V lat84{}, lon84{};
  MolodenskyShiftOf(catalogue, latitude, longitude, height, lat84, lon84, fromDatum, kToWgs84);
  if (to.Code != kPivotCode) {
    V lat{}, lon{};
    MolodenskyShiftOf(catalogue, lat84, lon84, height, lat, lon, toDatum, kFromWgs84);
    newLatitude = lat;
    newLongitude = lon;
  } else {
    newLatitude = lat84;
    newLongitude = lon84;
  }
}

}  // namespace morvane::datum
