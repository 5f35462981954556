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
//
// The forward series is written once, for one position (V = double, the
// zone a 16-bit integer) and for four at once (V = Lanes4, unchecked, the
// zones as whole numbers in the lanes of a Lanes4): see
// elementary/lane_ops.hpp.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <type_traits>

#include "base/checks.hpp"
#include "base/general.hpp"
#include "elementary/elementary.hpp"
#include "elementary/lane_ops.hpp"
#include "utm/utm.hpp"

namespace morvane::dma::tm {

inline constexpr double kScale = 0.9996;  // k0, on the central meridian
inline constexpr double kFalseEasting = 500000.0;
inline constexpr double kFalseNorthingSouth = 10000000.0;
inline constexpr double kZoneWidth = 6.0;  // degrees
inline constexpr int kFirstZone = 1;
inline constexpr int kLastZone = 60;
// Powers of k0 for the inverse series.
inline constexpr double kScale2 = kScale * kScale;
inline constexpr double kScale3 = kScale2 * kScale;
inline constexpr double kScale4 = kScale2 * kScale2;
inline constexpr double kScale5 = kScale4 * kScale;
inline constexpr double kScale6 = kScale4 * kScale2;
inline constexpr double kScale7 = kScale6 * kScale;
inline constexpr double kScale8 = kScale4 * kScale4;

// The value of one floating-point step; with kEachStep it is checked for
// faults (the check names the value, so it is formed before the flags are
// read).  Unchecked, it is noted for the one reading of the flags at the
// end (on targets without flags; with them the arithmetic sets them).
template <bool kEachStep, typename V>
inline V Step(V value) {
  if constexpr (kEachStep) fp::Check(value);
  else if constexpr (std::is_same_v<V, double>) fp::Note(value);
  else lanes::NoteLanes(value);
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

template <bool kEachStep, typename V>
inline V CurvatureDenominatorOf(double e2, V phi) {
  const V s = Step<kEachStep>(general::SinCosOf(phi).sin);
  return Step<kEachStep>(lanes::Sqrt(1.0 - e2 * (s * s)));
}

template <bool kEachStep, typename V>
inline V PrimeVerticalRadiusOf(double a, double e2, V phi) {
  const V s = Step<kEachStep>(general::SinCosOf(phi).sin);
  return Step<kEachStep>(a / lanes::Sqrt(1.0 - e2 * (s * s)));
}

template <bool kEachStep, typename V>
inline V MeridianRadiusOf(double a, double e2, V phi) {
  const V W = CurvatureDenominatorOf<kEachStep>(e2, phi);
  return Step<kEachStep>(a * (1.0 - e2) / (W * W * W));
}

template <bool kEachStep, typename V>
inline V MeridianArcOf(double A, double B, double C, double D, double E, V phi) {
  // The four sines from one reduction, each the bits of Sin(2.0 * phi) ...
  // Sin(8.0 * phi); the sum in the same order.
  const auto s = lanes::SinMultiples(phi);
  return Step<kEachStep>(A * phi - B * s.sin2 + C * s.sin4 - D * s.sin6 + E * s.sin8);
}

// ---------------------------------------------------------------------------
// Powers and constants.

template <typename V>
struct Powers {
  V p2, p3, p4, p5, p6, p7, p8;
};

template <bool kEachStep, typename V>
inline Powers<V> PowersOf(V x) {
  Powers<V> p;
  p.p2 = Step<kEachStep>(x * x);
  p.p3 = Step<kEachStep>(p.p2 * x);
  p.p4 = Step<kEachStep>(p.p2 * p.p2);
  p.p5 = Step<kEachStep>(p.p4 * x);
  p.p6 = Step<kEachStep>(p.p4 * p.p2);
  p.p7 = Step<kEachStep>(p.p6 * x);
  p.p8 = Step<kEachStep>(p.p4 * p.p4);
  return p;
}

template <typename V>
struct OddPowers {
  V p3, p5, p7;
};

template <bool kEachStep, typename V>
inline OddPowers<V> OddPowersOf(V x) {
  const V p2 = Step<kEachStep>(x * x);
  const V p4 = Step<kEachStep>(p2 * p2);
  const V p6 = Step<kEachStep>(p4 * p2);
  return {Step<kEachStep>(p2 * x), Step<kEachStep>(p4 * x), Step<kEachStep>(p6 * x)};
}

// The powers of t = tan(phi) and of eta^2 both series use, in this order.
template <typename V>
struct TanEtaPowers {
  V t2, t4, t6, eta4, eta6, eta8;
};

template <bool kEachStep, typename V>
inline TanEtaPowers<V> TanEtaPowersOf(V t, V eta2) {
  TanEtaPowers<V> p;
  p.t2 = Step<kEachStep>(t * t);
  p.t4 = Step<kEachStep>(p.t2 * p.t2);
  p.t6 = Step<kEachStep>(p.t4 * p.t2);
  p.eta4 = Step<kEachStep>(eta2 * eta2);
  p.eta6 = Step<kEachStep>(p.eta4 * eta2);
  p.eta8 = Step<kEachStep>(p.eta4 * p.eta4);
  return p;
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

// Central meridian of a zone (a 16-bit integer, or four whole numbers),
// in radians.
template <bool kEachStep, typename Z>
inline auto CentralMeridian(Z zone) {
  return Step<kEachStep>((kZoneWidth * zone - 183.0) * kDegree);
}

// ---------------------------------------------------------------------------
// Forward: geographic position to zone, northing and easting.  Z is
// std::int16_t for one position, Lanes4 for four (whose lanes must be
// finite: the batch gives it no other).

template <bool kEachStep, typename V, typename Z>
void Forward(double a, double f, V phi, V lambda, Z& zone, V& northing, V& easting,
             int zoneGiven, double& semiMinorAxis) {
  constexpr bool kOne = std::is_same_v<V, double>;
  if constexpr (kEachStep) CheckOperand(f);
  if constexpr (kEachStep) CheckOperand(a);
  const EllipsoidConstants k = ConstantsFor<kEachStep>(a, f, semiMinorAxis);

  // The zone from the longitude, rounded toward minus infinity and kept
  // within 1..60 (beyond the antimeridian the last or first zone).
  if constexpr (kEachStep) CheckOperand(lambda);
  if (zoneGiven == 0) {
    V z = Step<kEachStep>(lanes::Floor(lambda / kDegree / kZoneWidth) + 31.0);
    z = lanes::Select(z > kLastZone, lanes::Splat<V>(kLastZone), z);
    z = lanes::Select(z < kFirstZone, lanes::Splat<V>(kFirstZone), z);
    if constexpr (kOne) zone = ToInt16(z);
    else zone = z;
  }
  const V dl = Step<kEachStep>(lambda - CentralMeridian<kEachStep>(zone));

  if constexpr (kEachStep) CheckOperand(phi);
  const auto sc = general::SinCosOf(phi);
  const V s = Step<kEachStep>(sc.sin);
  const V c = Step<kEachStep>(sc.cos);
  const V t = Step<kEachStep>(s / c);
  const V eta2 = Step<kEachStep>(k.ep2 * (c * c));
  const V nu = PrimeVerticalRadiusOf<kEachStep>(a, k.e2, phi);
  const V S = MeridianArcOf<kEachStep>(k.A, k.B, k.C, k.D, k.E, phi);

  const TanEtaPowers<V> p = TanEtaPowersOf<kEachStep>(t, eta2);
  const V t2 = p.t2, t4 = p.t4, t6 = p.t6, eta4 = p.eta4, eta6 = p.eta6, eta8 = p.eta8;
  const OddPowers<V> cp = OddPowersOf<kEachStep>(c);

  const V T1 = Step<kEachStep>(S * kScale);
  const V T2 = Step<kEachStep>(nu * s * c * kScale / 2.0);
  const V T3 = Step<kEachStep>(nu * s * cp.p3 * kScale / 24.0 *
                               (5.0 - t2 + 9.0 * eta2 + 4.0 * eta4));
  const V T4 = Step<kEachStep>(
      nu * s * cp.p5 * kScale / 720.0 *
      (61.0 - 58.0 * t2 + t4 + 270.0 * eta2 - 330.0 * t2 * eta2 + 445.0 * eta4 + 324.0 * eta6 -
       680.0 * t2 * eta4 + 88.0 * eta8 - 600.0 * t2 * eta6 - 192.0 * t2 * eta8));
  const V T5 = Step<kEachStep>(nu * s * cp.p7 * kScale / 40320.0 *
                               (1385.0 - 3111.0 * t2 + 543.0 * t4 - t6));
  const V T6 = Step<kEachStep>(nu * c * kScale);
  const V T7 = Step<kEachStep>(nu * cp.p3 * kScale / 6.0 * (1.0 - t2 + eta2));
  const V T8 = Step<kEachStep>(nu * cp.p5 * kScale / 120.0 *
                               (5.0 - 18.0 * t2 + t4 + 14.0 * eta2 - 58.0 * t2 * eta2 +
                                13.0 * eta4 + 4.0 * eta6 - 64.0 * t2 * eta4 - 24.0 * t2 * eta6));
  const V T9 = Step<kEachStep>(nu * cp.p7 * kScale / 5040.0 *
                               (61.0 - 479.0 * t2 + 179.0 * t4 - t6));

  // South of the equator the northing counts from 10 000 000 m; the
  // equator itself is north.
  const V FN = lanes::Select(phi < 0.0, lanes::Splat<V>(kFalseNorthingSouth), lanes::Splat<V>(0.0));

  const Powers<V> d = PowersOf<kEachStep>(dl);
  northing = Step<kEachStep>((T1 + FN) + d.p2 * T2 + d.p4 * T3 + d.p6 * T4 + d.p8 * T5);
  easting = Step<kEachStep>((dl * T6 + kFalseEasting) + d.p3 * T7 + d.p5 * T8 + d.p7 * T9);
}

// ---------------------------------------------------------------------------
// Inverse: zone, northing and easting to geographic position.  A negative
// northing means the southern hemisphere: northing is then set to its
// magnitude (and left as it was otherwise).

template <bool kEachStep, typename V, typename Z>
void Inverse(double a, double f, V& latitude, V& longitude, Z zone, V signedNorthing, V& northing,
             V easting, double& semiMinorAxis) {
  if constexpr (kEachStep) CheckOperand(f);
  if constexpr (kEachStep) CheckOperand(a);
  const EllipsoidConstants k = ConstantsFor<kEachStep>(a, f, semiMinorAxis);

  // The hemisphere is the sign of the northing; a southern northing is
  // handed back as its magnitude.
  if constexpr (kEachStep) CheckOperand(signedNorthing);
  const auto south = signedNorthing < 0.0;
  const V N = lanes::Select(south, lanes::Abs(signedNorthing), signedNorthing);
  northing = lanes::Select(south, N, northing);
  const V FN = lanes::Select(south, lanes::Splat<V>(kFalseNorthingSouth), lanes::Splat<V>(0.0));
  const V M = Step<kEachStep>((N - FN) / kScale);

  // Footpoint latitude: five corrections of the meridian arc, each from
  // the latitude before it.
  V fp1 = Step<kEachStep>(M / MeridianRadiusOf<kEachStep>(a, k.e2, 0.0));
  for (int i = 0; i < 5; ++i)
    fp1 = Step<kEachStep>(fp1 + (M - MeridianArcOf<kEachStep>(k.A, k.B, k.C, k.D, k.E, fp1)) /
                                    MeridianRadiusOf<kEachStep>(a, k.e2, fp1));

  const V rho = MeridianRadiusOf<kEachStep>(a, k.e2, fp1);
  const V nu = PrimeVerticalRadiusOf<kEachStep>(a, k.e2, fp1);
  const auto sc = general::SinCosOf(fp1);
  const V s = Step<kEachStep>(sc.sin);
  const V c = Step<kEachStep>(sc.cos);
  const V t = Step<kEachStep>(s / c);
  const V eta2 = Step<kEachStep>(k.ep2 * (c * c));
  if constexpr (kEachStep) CheckOperand(easting);
  const V dE = Step<kEachStep>(easting - kFalseEasting);

  const TanEtaPowers<V> p = TanEtaPowersOf<kEachStep>(t, eta2);
  const V t2 = p.t2, t4 = p.t4, t6 = p.t6, eta4 = p.eta4, eta6 = p.eta6, eta8 = p.eta8;
  const OddPowers<V> v = OddPowersOf<kEachStep>(nu);

  const V T10 = Step<kEachStep>(t / (2.0 * rho * nu * kScale2));
  const V T11 = Step<kEachStep>(t / (24.0 * rho * v.p3 * kScale4) *
                                     (5.0 + 3.0 * t2 + eta2 - 4.0 * eta4 - 9.0 * t2 * eta2));
  const V T12 = Step<kEachStep>(
      t / (720.0 * rho * v.p5 * kScale6) *
      (61.0 + 90.0 * t2 + 46.0 * eta2 + 45.0 * t4 - 252.0 * t2 * eta2 - 3.0 * eta4 +
       100.0 * eta6 - 66.0 * t2 * eta4 - 90.0 * t4 * eta2 + 88.0 * eta8 + 225.0 * t4 * eta4 +
       84.0 * t2 * eta6 - 192.0 * t2 * eta8));
  const V T13 = Step<kEachStep>(t / (40320.0 * rho * v.p7 * kScale8) *
                                     (1385.0 + 3633.0 * t2 + 4095.0 * t4 + 1575.0 * t6));
  const V T14 = Step<kEachStep>(1.0 / (nu * c * kScale));
  const V T15 = Step<kEachStep>((1.0 + 2.0 * t2 + eta2) / (6.0 * v.p3 * c * kScale3));
  const V T16 = Step<kEachStep>((5.0 + 6.0 * eta2 + 28.0 * t2 - 3.0 * eta4 +
                                      8.0 * t2 * eta2 + 24.0 * t4 - 4.0 * eta6 +
                                      4.0 * t2 * eta4 + 24.0 * t2 * eta6) /
                                     (120.0 * v.p5 * c * kScale5));
  const V T17 = Step<kEachStep>((61.0 + 662.0 * t2 + 1320.0 * t4 + 720.0 * t6) /
                                     (5040.0 * v.p7 * c * kScale7));

  const Powers<V> d = PowersOf<kEachStep>(dE);
  latitude = Step<kEachStep>(fp1 - d.p2 * T10 + d.p4 * T11 - d.p6 * T12 + d.p8 * T13);
  const V dl = Step<kEachStep>(dE * T14 - d.p3 * T15 + d.p5 * T16 - d.p7 * T17);
  longitude = Step<kEachStep>(CentralMeridian<kEachStep>(zone) + dl);
}

}  // namespace morvane::dma::tm
