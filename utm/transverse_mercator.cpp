// Universal Transverse Mercator on any ellipsoid: the series in powers of
// the longitude difference (forward) and of the easting offset (inverse),
// about the meridian arc of five coefficients in the third flattening n.
//
// Sums are formed left to right in the order the formulas are written.
// Powers are products of the value: x2 = x x, x3 = x2 x, x4 = x2 x2,
// x5 = x4 x, x6 = x4 x2, x7 = x6 x, x8 = x4 x4; odd powers keep the sign.
// Every floating-point step is checked, so a fault stops the routine at
// that step; outputs already written keep their new values.
//
// Reading the fault flags waits for the arithmetic before it and costs
// more than the series themselves, so each routine first runs unchecked
// into locals and reads the flags once.  Only when a fault is pending (or
// an operand is not a number) is the routine run again from its inputs
// with every step checked: the same arithmetic then stops at the step that
// faulted, with exactly the outputs before it written.
#include <bit>
#include <cmath>
#include <cstdint>

#include "base/checks.hpp"
#include "base/general.hpp"
#include "datum/catalogue.hpp"
#include "elementary/elementary.hpp"
#include "utm/utm.hpp"

namespace morvane::dma {
namespace {

constexpr double kScale = 0.9996;  // k0, on the central meridian
constexpr double kFalseEasting = 500000.0;
constexpr double kFalseNorthingSouth = 10000000.0;
constexpr double kZoneWidth = 6.0;  // degrees
constexpr int kFirstZone = 1;
constexpr int kLastZone = 60;
// Powers of k0 for the inverse series.
constexpr double kScale2 = kScale * kScale;
constexpr double kScale3 = kScale2 * kScale;
constexpr double kScale4 = kScale2 * kScale2;
constexpr double kScale5 = kScale4 * kScale;
constexpr double kScale6 = kScale4 * kScale2;
constexpr double kScale7 = kScale6 * kScale;
constexpr double kScale8 = kScale4 * kScale4;

// The value of one floating-point step; with kEachStep it is checked for
// faults (the check names the value, so it is formed before the flags are
// read).  Unchecked, it is noted for the one reading of the flags at the
// end (on targets without flags; with them the arithmetic sets them).
template <bool kEachStep>
inline double Step(double value) {
  if constexpr (kEachStep) fp::Check(value);
  else fp::Note(value);
  return value;
}

// A quiet NaN passes through arithmetic without raising anything; an
// operand that is not a number is an invalid operation of its own.
inline void CheckOperand(double value) {
  if (std::isnan(value)) [[unlikely]] Fail(FailureKind::InvalidOperation);
}

// True when no fault is pending once the values are formed.
template <typename... T>
inline bool Clean(const T&... values) {
  (fp::Materialize(values), ...);
  return fp::PendingBits() == 0;
}

// ---------------------------------------------------------------------------
// Ellipsoid functions.

template <bool kEachStep>
inline double CurvatureDenominatorOf(double e2, double phi) {
  const double s = Step<kEachStep>(general::SinCosOf(phi).sin);
  return Step<kEachStep>(std::sqrt(1.0 - e2 * (s * s)));
}

template <bool kEachStep>
inline double PrimeVerticalRadiusOf(double a, double e2, double phi) {
  const double s = Step<kEachStep>(general::SinCosOf(phi).sin);
  return Step<kEachStep>(a / std::sqrt(1.0 - e2 * (s * s)));
}

template <bool kEachStep>
inline double MeridianRadiusOf(double a, double e2, double phi) {
  const double W = CurvatureDenominatorOf<kEachStep>(e2, phi);
  return Step<kEachStep>(a * (1.0 - e2) / (W * W * W));
}

template <bool kEachStep>
inline double MeridianArcOf(double A, double B, double C, double D, double E, double phi) {
  // The four sines from one reduction, each the bits of Sin(2.0 * phi) ...
  // Sin(8.0 * phi); the sum in the same order.
  const elementary::SinMultiplesOf s = elementary::SinMultiples(phi);
  return Step<kEachStep>(A * phi - B * s.sin2 + C * s.sin4 - D * s.sin6 + E * s.sin8);
}

// ---------------------------------------------------------------------------
// Powers and constants.

struct Powers {
  double p2, p3, p4, p5, p6, p7, p8;
};

template <bool kEachStep>
inline Powers PowersOf(double x) {
  Powers p;
  p.p2 = Step<kEachStep>(x * x);
  p.p3 = Step<kEachStep>(p.p2 * x);
  p.p4 = Step<kEachStep>(p.p2 * p.p2);
  p.p5 = Step<kEachStep>(p.p4 * x);
  p.p6 = Step<kEachStep>(p.p4 * p.p2);
  p.p7 = Step<kEachStep>(p.p6 * x);
  p.p8 = Step<kEachStep>(p.p4 * p.p4);
  return p;
}

struct OddPowers {
  double p3, p5, p7;
};

template <bool kEachStep>
inline OddPowers OddPowersOf(double x) {
  const double p2 = Step<kEachStep>(x * x);
  const double p4 = Step<kEachStep>(p2 * p2);
  const double p6 = Step<kEachStep>(p4 * p2);
  return {Step<kEachStep>(p2 * x), Step<kEachStep>(p4 * x), Step<kEachStep>(p6 * x)};
}

// Constants of the ellipsoid, recomputed from a and f on every call; b is
// written to semiMinorAxis as soon as it is known.
struct EllipsoidConstants {
  double e2, ep2, A, B, C, D, E;
};

template <bool kEachStep>
inline EllipsoidConstants EllipsoidConstantsOf(double a, double f, double& semiMinorAxis) {
  EllipsoidConstants k;
  const double r = Step<kEachStep>(fp::Quotient(1.0, f));
  const double b = Step<kEachStep>(fp::Quotient((r - 1.0) * a, r));
  semiMinorAxis = b;
  const double a2 = Step<kEachStep>(a * a);
  const double b2 = Step<kEachStep>(b * b);
  k.e2 = Step<kEachStep>((a2 - b2) / a2);
  k.ep2 = Step<kEachStep>(fp::Quotient(a2 - b2, b2));
  const double n = Step<kEachStep>((a - b) / (a + b));
  struct {
    double p2, p3, p4, p5;
  } p;
  p.p2 = Step<kEachStep>(n * n);
  p.p3 = Step<kEachStep>(p.p2 * n);
  p.p4 = Step<kEachStep>(p.p2 * p.p2);
  p.p5 = Step<kEachStep>(p.p4 * n);
  k.A = Step<kEachStep>(a * (1.0 - n + (5.0 / 4.0) * (p.p2 - p.p3) + (81.0 / 64.0) * (p.p4 - p.p5)));
  k.B = Step<kEachStep>((3.0 * a / 2.0) *
                        (n - p.p2 + (7.0 / 8.0) * (p.p3 - p.p4) + (55.0 / 64.0) * p.p5));
  k.C = Step<kEachStep>((15.0 * a / 16.0) * (p.p2 - p.p3 + (3.0 / 4.0) * (p.p4 - p.p5)));
  k.D = Step<kEachStep>((35.0 * a / 48.0) * (p.p3 - p.p4 + (11.0 / 16.0) * p.p5));
  k.E = Step<kEachStep>((315.0 * a / 512.0) * (p.p4 - p.p5));
  return k;
}

// The constants of the last ellipsoid seen, for the unchecked runs: a
// conversion projects on one ellipsoid over and over, and forming them
// costs six divisions.  They are kept only when formed without a pending
// fault, so a hit gives the bits, and the flags, the computation would.
struct KeptConstants {
  std::uint64_t aBits = 0, fBits = 0;
  bool valid = false;
  double semiMinorAxis = 0;
  EllipsoidConstants k{};
};

inline EllipsoidConstants UncheckedEllipsoidConstantsOf(double a, double f,
                                                        double& semiMinorAxis) {
  thread_local KeptConstants kept;
  const auto aBits = std::bit_cast<std::uint64_t>(a);
  const auto fBits = std::bit_cast<std::uint64_t>(f);
  if (kept.valid && kept.aBits == aBits && kept.fBits == fBits) [[likely]] {
    semiMinorAxis = kept.semiMinorAxis;
    return kept.k;
  }
  double b = 0;
  const EllipsoidConstants k = EllipsoidConstantsOf<false>(a, f, b);
  semiMinorAxis = b;
  if (Clean(b, k.e2, k.ep2, k.A, k.B, k.C, k.D, k.E)) kept = {aBits, fBits, true, b, k};
  return k;
}

template <bool kEachStep>
inline EllipsoidConstants ConstantsFor(double a, double f, double& semiMinorAxis) {
  if constexpr (kEachStep) return EllipsoidConstantsOf<true>(a, f, semiMinorAxis);
  else return UncheckedEllipsoidConstantsOf(a, f, semiMinorAxis);
}

// Central meridian of a zone, in radians.
template <bool kEachStep>
inline double CentralMeridian(std::int16_t zone) {
  return Step<kEachStep>((kZoneWidth * zone - 183.0) * kDegree);
}

// ---------------------------------------------------------------------------
// Forward: geographic position to zone, northing and easting.

template <bool kEachStep>
void Forward(double a, double f, double phi, double lambda, std::int16_t& zone,
             double& northing, double& easting, int zoneGiven, double& semiMinorAxis) {
  if constexpr (kEachStep) CheckOperand(f);
  if constexpr (kEachStep) CheckOperand(a);
  const EllipsoidConstants k = ConstantsFor<kEachStep>(a, f, semiMinorAxis);

  // The zone from the longitude, rounded toward minus infinity and kept
  // within 1..60 (beyond the antimeridian the last or first zone).
  if constexpr (kEachStep) CheckOperand(lambda);
  if (zoneGiven == 0) {
    double z = Step<kEachStep>(std::floor(lambda / kDegree / kZoneWidth) + 31.0);
    if (z > kLastZone) z = kLastZone;
    if (z < kFirstZone) z = kFirstZone;
    zone = ToInt16(z);
  }
  const double dl = Step<kEachStep>(lambda - CentralMeridian<kEachStep>(zone));

  if constexpr (kEachStep) CheckOperand(phi);
  const general::SinCos sc = general::SinCosOf(phi);
  const double s = Step<kEachStep>(sc.sin);
  const double c = Step<kEachStep>(sc.cos);
  const double t = Step<kEachStep>(s / c);
  const double eta2 = Step<kEachStep>(k.ep2 * (c * c));
  const double nu = PrimeVerticalRadiusOf<kEachStep>(a, k.e2, phi);
  const double S = MeridianArcOf<kEachStep>(k.A, k.B, k.C, k.D, k.E, phi);

  const double t2 = Step<kEachStep>(t * t);
  const double t4 = Step<kEachStep>(t2 * t2);
  const double t6 = Step<kEachStep>(t4 * t2);
  const double eta4 = Step<kEachStep>(eta2 * eta2);
  const double eta6 = Step<kEachStep>(eta4 * eta2);
  const double eta8 = Step<kEachStep>(eta4 * eta4);
  const OddPowers cp = OddPowersOf<kEachStep>(c);

  const double T1 = Step<kEachStep>(S * kScale);
  const double T2 = Step<kEachStep>(nu * s * c * kScale / 2.0);
  const double T3 = Step<kEachStep>(nu * s * cp.p3 * kScale / 24.0 *
                                    (5.0 - t2 + 9.0 * eta2 + 4.0 * eta4));
  const double T4 = Step<kEachStep>(
      nu * s * cp.p5 * kScale / 720.0 *
      (61.0 - 58.0 * t2 + t4 + 270.0 * eta2 - 330.0 * t2 * eta2 + 445.0 * eta4 + 324.0 * eta6 -
       680.0 * t2 * eta4 + 88.0 * eta8 - 600.0 * t2 * eta6 - 192.0 * t2 * eta8));
  const double T5 = Step<kEachStep>(nu * s * cp.p7 * kScale / 40320.0 *
                                    (1385.0 - 3111.0 * t2 + 543.0 * t4 - t6));
  const double T6 = Step<kEachStep>(nu * c * kScale);
  const double T7 = Step<kEachStep>(nu * cp.p3 * kScale / 6.0 * (1.0 - t2 + eta2));
  const double T8 = Step<kEachStep>(nu * cp.p5 * kScale / 120.0 *
                                    (5.0 - 18.0 * t2 + t4 + 14.0 * eta2 - 58.0 * t2 * eta2 +
                                     13.0 * eta4 + 4.0 * eta6 - 64.0 * t2 * eta4 -
                                     24.0 * t2 * eta6));
  const double T9 = Step<kEachStep>(nu * cp.p7 * kScale / 5040.0 *
                                    (61.0 - 479.0 * t2 + 179.0 * t4 - t6));

  // South of the equator the northing counts from 10 000 000 m; the
  // equator itself is north.
  const double FN = phi < 0.0 ? kFalseNorthingSouth : 0.0;

  const Powers d = PowersOf<kEachStep>(dl);
  northing = Step<kEachStep>((T1 + FN) + d.p2 * T2 + d.p4 * T3 + d.p6 * T4 + d.p8 * T5);
  easting = Step<kEachStep>((dl * T6 + kFalseEasting) + d.p3 * T7 + d.p5 * T8 + d.p7 * T9);
}

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
  const OddPowers v = OddPowersOf<kEachStep>(nu);

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

  const Powers d = PowersOf<kEachStep>(dE);
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
