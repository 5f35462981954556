// Universal Transverse Mercator on any ellipsoid: the series in powers of
// the longitude difference (forward) and of the easting offset (inverse),
// about the meridian arc of five coefficients in the third flattening n.
//
// Sums are formed left to right in the order the formulas are written.
// Powers are products of the value: x2 = x x, x3 = x2 x, x4 = x2 x2,
// x5 = x4 x, x6 = x4 x2, x7 = x6 x, x8 = x4 x4; odd powers keep the sign.
// Every floating-point step is checked, so a fault stops the routine at
// that step; outputs already written keep their new values.
#include <cmath>

#include "component/failure.hpp"
#include "datum/catalogue.hpp"
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
// One degree in radians, pi/180 to full double precision.
const double kDegree = std::atan(1.0) / 45.0;

// The value of one floating-point step, checked for faults.  The barrier
// makes the value exist before the flags are read and keeps each reading
// of the flags from being merged with the one before it: the compiler sees
// no write of the flags by the arithmetic in between.
inline double Step(double value) {
#if defined(MORVANE_FP_MXCSR)
  asm volatile("" : : "x"(value) : "memory");
#else
  asm volatile("" : : "g"(value) : "memory");
#endif
  fp::Check();
  return value;
}

// A quiet NaN passes through arithmetic without raising anything; an
// operand that is not a number is an invalid operation of its own.
inline void CheckOperand(double value) {
  if (std::isnan(value)) [[unlikely]] Fail(FailureKind::InvalidOperation);
}

struct Powers {
  double p2, p3, p4, p5, p6, p7, p8;
};

inline Powers PowersOf(double x) {
  Powers p;
  p.p2 = Step(x * x);
  p.p3 = Step(p.p2 * x);
  p.p4 = Step(p.p2 * p.p2);
  p.p5 = Step(p.p4 * x);
  p.p6 = Step(p.p4 * p.p2);
  p.p7 = Step(p.p6 * x);
  p.p8 = Step(p.p4 * p.p4);
  return p;
}

struct OddPowers {
  double p3, p5, p7;
};

inline OddPowers OddPowersOf(double x) {
  const double p2 = Step(x * x);
  const double p4 = Step(p2 * p2);
  const double p6 = Step(p4 * p2);
  return {Step(p2 * x), Step(p4 * x), Step(p6 * x)};
}

// Constants of the ellipsoid, recomputed from a and f on every call; b is
// stored into the thread's current ellipsoid.
struct EllipsoidConstants {
  double b, e2, ep2, n, A, B, C, D, E;
};

EllipsoidConstants ComputeEllipsoidConstants(double a, double f) {
  CheckOperand(f);
  EllipsoidConstants k;
  const double r = Step(1.0 / f);
  CheckOperand(a);
  k.b = Step((r - 1.0) * a / r);
  datum::CurrentEllipsoid.SemiMinorAxis = k.b;
  const double a2 = Step(a * a);
  const double b2 = Step(k.b * k.b);
  k.e2 = Step((a2 - b2) / a2);
  k.ep2 = Step((a2 - b2) / b2);
  k.n = Step((a - k.b) / (a + k.b));
  const Powers n = PowersOf(k.n);
  k.A = Step(a * (1.0 - k.n + (5.0 / 4.0) * (n.p2 - n.p3) + (81.0 / 64.0) * (n.p4 - n.p5)));
  k.B = Step((3.0 * a / 2.0) * (k.n - n.p2 + (7.0 / 8.0) * (n.p3 - n.p4) + (55.0 / 64.0) * n.p5));
  k.C = Step((15.0 * a / 16.0) * (n.p2 - n.p3 + (3.0 / 4.0) * (n.p4 - n.p5)));
  k.D = Step((35.0 * a / 48.0) * (n.p3 - n.p4 + (11.0 / 16.0) * n.p5));
  k.E = Step((315.0 * a / 512.0) * (n.p4 - n.p5));
  return k;
}

// Central meridian of a zone, in radians.
inline double CentralMeridian(std::int16_t zone) {
  return Step((kZoneWidth * zone - 183.0) * kDegree);
}

}  // namespace

void GeoToUtm(double a, double f, double latitude, double longitude, std::int16_t& zone,
              double& northing, double& easting, int zoneGiven) {
  fp::Begin();
  const EllipsoidConstants k = ComputeEllipsoidConstants(a, f);
  const double phi = latitude;

  // The zone from the longitude, rounded toward minus infinity and kept
  // within 1..60 (beyond the antimeridian the last or first zone).
  CheckOperand(longitude);
  if (zoneGiven == 0) {
    double z = Step(std::floor(longitude / kDegree / kZoneWidth) + 31.0);
    if (z > kLastZone) z = kLastZone;
    if (z < kFirstZone) z = kFirstZone;
    zone = ToInt16(z);
  }
  const double dl = Step(longitude - CentralMeridian(zone));

  CheckOperand(phi);
  const double s = Step(std::sin(phi));
  const double c = Step(std::cos(phi));
  const double t = Step(s / c);
  const double eta2 = Step(k.ep2 * (c * c));
  const double nu = PrimeVerticalRadius(a, k.e2, phi);
  const double S = MeridianArc(k.A, k.B, k.C, k.D, k.E, phi);

  const double t2 = Step(t * t);
  const double t4 = Step(t2 * t2);
  const double t6 = Step(t4 * t2);
  const double eta4 = Step(eta2 * eta2);
  const double eta6 = Step(eta4 * eta2);
  const double eta8 = Step(eta4 * eta4);
  const OddPowers cp = OddPowersOf(c);

  const double T1 = Step(S * kScale);
  const double T2 = Step(nu * s * c * kScale / 2.0);
  const double T3 = Step(nu * s * cp.p3 * kScale / 24.0 * (5.0 - t2 + 9.0 * eta2 + 4.0 * eta4));
  const double T4 =
      Step(nu * s * cp.p5 * kScale / 720.0 *
           (61.0 - 58.0 * t2 + t4 + 270.0 * eta2 - 330.0 * t2 * eta2 + 445.0 * eta4 +
            324.0 * eta6 - 680.0 * t2 * eta4 + 88.0 * eta8 - 600.0 * t2 * eta6 -
            192.0 * t2 * eta8));
  const double T5 =
      Step(nu * s * cp.p7 * kScale / 40320.0 * (1385.0 - 3111.0 * t2 + 543.0 * t4 - t6));
  const double T6 = Step(nu * c * kScale);
  const double T7 = Step(nu * cp.p3 * kScale / 6.0 * (1.0 - t2 + eta2));
  const double T8 = Step(nu * cp.p5 * kScale / 120.0 *
                         (5.0 - 18.0 * t2 + t4 + 14.0 * eta2 - 58.0 * t2 * eta2 + 13.0 * eta4 +
                          4.0 * eta6 - 64.0 * t2 * eta4 - 24.0 * t2 * eta6));
  const double T9 = Step(nu * cp.p7 * kScale / 5040.0 * (61.0 - 479.0 * t2 + 179.0 * t4 - t6));

  // South of the equator the northing counts from 10 000 000 m; the
  // equator itself is north.
  const double FN = phi < 0.0 ? kFalseNorthingSouth : 0.0;

  const Powers d = PowersOf(dl);
  northing = Step((T1 + FN) + d.p2 * T2 + d.p4 * T3 + d.p6 * T4 + d.p8 * T5);
  easting = Step((dl * T6 + kFalseEasting) + d.p3 * T7 + d.p5 * T8 + d.p7 * T9);
}

void UtmToGeo(double a, double f, double& latitude, double& longitude, std::int16_t zone,
              double& northing, double easting) {
  fp::Begin();
  const EllipsoidConstants k = ComputeEllipsoidConstants(a, f);

  // The hemisphere is the sign of the northing; a southern northing is
  // handed back as its magnitude.
  CheckOperand(northing);
  double FN = 0.0;
  if (northing < 0.0) {
    northing = Step(std::fabs(northing));
    FN = kFalseNorthingSouth;
  }
  const double M = Step((northing - FN) / kScale);

  // Footpoint latitude: five Newton corrections of the meridian arc, each
  // from the latitude before it.
  double fp1 = Step(M / MeridianRadius(a, k.e2, 0.0));
  for (int i = 0; i < 5; ++i)
    fp1 = Step(fp1 + (M - MeridianArc(k.A, k.B, k.C, k.D, k.E, fp1)) /
                         MeridianRadius(a, k.e2, fp1));

  const double rho = MeridianRadius(a, k.e2, fp1);
  const double nu = PrimeVerticalRadius(a, k.e2, fp1);
  const double s = Step(std::sin(fp1));
  const double c = Step(std::cos(fp1));
  const double t = Step(s / c);
  const double eta2 = Step(k.ep2 * (c * c));
  CheckOperand(easting);
  const double dE = Step(easting - kFalseEasting);

  const double t2 = Step(t * t);
  const double t4 = Step(t2 * t2);
  const double t6 = Step(t4 * t2);
  const double eta4 = Step(eta2 * eta2);
  const double eta6 = Step(eta4 * eta2);
  const double eta8 = Step(eta4 * eta4);
  const OddPowers v = OddPowersOf(nu);

  const double T10 = Step(t / (2.0 * rho * nu * kScale2));
  const double T11 = Step(t / (24.0 * rho * v.p3 * kScale4) *
                          (5.0 + 3.0 * t2 + eta2 - 4.0 * eta4 - 9.0 * t2 * eta2));
  const double T12 =
      Step(t / (720.0 * rho * v.p5 * kScale6) *
           (61.0 + 90.0 * t2 + 46.0 * eta2 + 45.0 * t4 - 252.0 * t2 * eta2 - 3.0 * eta4 +
            100.0 * eta6 - 66.0 * t2 * eta4 - 90.0 * t4 * eta2 + 88.0 * eta8 +
            225.0 * t4 * eta4 + 84.0 * t2 * eta6 - 192.0 * t2 * eta8));
  const double T13 = Step(t / (40320.0 * rho * v.p7 * kScale8) *
                          (1385.0 + 3633.0 * t2 + 4095.0 * t4 + 1575.0 * t6));
  const double T14 = Step(1.0 / (nu * c * kScale));
  const double T15 = Step((1.0 + 2.0 * t2 + eta2) / (6.0 * v.p3 * c * kScale3));
  const double T16 = Step((5.0 + 6.0 * eta2 + 28.0 * t2 - 3.0 * eta4 + 8.0 * t2 * eta2 +
                           24.0 * t4 - 4.0 * eta6 + 4.0 * t2 * eta4 + 24.0 * t2 * eta6) /
                          (120.0 * v.p5 * c * kScale5));
  const double T17 =
      Step((61.0 + 662.0 * t2 + 1320.0 * t4 + 720.0 * t6) / (5040.0 * v.p7 * c * kScale7));

  const Powers d = PowersOf(dE);
  latitude = Step(fp1 - d.p2 * T10 + d.p4 * T11 - d.p6 * T12 + d.p8 * T13);
  const double dl = Step(dE * T14 - d.p3 * T15 + d.p5 * T16 - d.p7 * T17);
  longitude = Step(CentralMeridian(zone) + dl);
}

}  // namespace morvane::dma
