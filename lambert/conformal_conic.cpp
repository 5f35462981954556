#include "lambert/conformal_conic.hpp"

#include <cmath>

#include "base/checks.hpp"
#include "elementary/elementary.hpp"

namespace morvane::lambert {

namespace {

// Correctly rounded pi/2, pi/180 and 180/pi.
constexpr double kHalfPi = 0x1.921fb54442d18p0;
constexpr double kRadiansPerDegree = 0x1.1df46a2529d39p-6;
constexpr double kDegreesPerRadian = 0x1.ca5dc1a63c1f8p5;

// The latitude's passes stop after one whose step was at most this; they
// converge quadratically, so a few passes are plenty from any start.
constexpr double kNewtonTolerance = 0x1p-30;
constexpr int kMaxPasses = 30;


// The latitude from the conformal latitude chi, by its series in e^2 to
// the fourth order: the iteration's start, within about e^10 (1e-11 rad)
// of the latitude, so that one pass finishes it.
// The sum of c_k sin(2k chi) by Clenshaw's recurrence on sin 2chi and
// cos 2chi, from one argument reduction: b_k = c_k + 2 cos 2chi b_k+1 -
// b_k+2, the sum b_1 sin 2chi.  (A start only: the pass after it sets the
// last bits.)
double LatitudeFromConformal(const ConformalConic& cone, double chi) {
  const auto twice = elementary::SinCos(2 * chi);
  const double k = 2 * twice.cos;
  const double b4 = cone.c8;
  const double b3 = cone.c6 + k * b4;
  const double b2 = cone.c4 + k * b3 - b4;
  const double b1 = cone.c2 + k * b2 - b3;
  return chi + b1 * twice.sin;
}

// ((1 + x)/(1 - x))^(e/2) for x = e sin phi, |x| <= e < 0.082: that is
// exp(e atanh x), both by their series, which converge fast on so short
// a range: atanh x = x (1 + z/3 + z^2/5 + ... + z^7/15) with z = x^2 <=
// 0.0068 leaves out z^8/17 < 2e-19 relative; exp y to y^6/720, with
// |y| <= e atanh e < 0.0068, leaves out y^7/5040 < 2e-19.  Twenty
// operations with a short chain, where a power would take a longer one.
double InverseRatio(double e, double x) {
  const double z = x * x;
  const double atanh =
      x * (1 + z * (1.0 / 3 + z * (1.0 / 5 + z * (1.0 / 7 + z * (1.0 / 9 + z * (1.0 / 11 +
          z * (1.0 / 13 + z * (1.0 / 15))))))));
  const double y = e * atanh;
  return 1 + y * (1 + y * (1.0 / 2 + y * (1.0 / 6 + y * (1.0 / 24 + y * (1.0 / 120 + y * (1.0 / 720))))));
}

}  // namespace

void ConicForward(const ConformalConic& cone, double latitude, double longitude, double& X,
                  double& Y) {
  const double phi = latitude * kRadiansPerDegree;
  const double lambda = longitude * kRadiansPerDegree;
  // tan(pi/4 - phi/2) = cos phi / (1 + sin phi) = (1 - sin phi) / cos phi,
  // from one argument reduction: the first north of the equator, the
  // second south of it, where neither subtracts nearly equal numbers nor
  // divides by zero (cos phi of a pole in radians is 6e-17, not 0).
  const auto sc = elementary::SinCos(phi);
  const double tangent = phi >= 0 ? sc.cos / (1 + sc.sin) : (1 - sc.sin) / sc.cos;
  const double t = tangent * InverseRatio(cone.e, cone.e * sc.sin);
  const double r = cone.aF * elementary::Pow(t, cone.n);
  const auto theta = elementary::SinCos(cone.n * (lambda - cone.lambda0));
  const double x = cone.falseEasting + r * theta.sin;
  const double y = cone.falseNorthing + cone.rF - r * theta.cos;
  X = x;
  Y = y;
}

void ConicInverse(const ConformalConic& cone, double X, double Y, double& latitude,
                  double& longitude) {
  const double dx = X - cone.falseEasting;
  const double dy = cone.rF - (Y - cone.falseNorthing);
  const double rPrime = std::sqrt(dx * dx + dy * dy);
  const double tPrime = elementary::Pow(rPrime / cone.aF, 1 / cone.n);
  const double thetaPrime = elementary::Atan(dx / dy);
  double phi = LatitudeFromConformal(cone, kHalfPi - 2 * elementary::Atan(tPrime));
  // Each pass evaluates the fixed-point map g once and takes the step to
  // its fixed point along the map's slope g'(phi) = e^2 cos^2 phi /
  // (1 - e^2 sin^2 phi) (a Newton step on g(phi) - phi): the error after
  // it is about g''/2 * step^2 < 0.01 step^2, below 1e-20 rad once a step
  // is under kNewtonTolerance.  From the series' start, one pass.
  const double e2 = cone.e * cone.e;
  for (int pass = 0; pass < kMaxPasses; ++pass) {
    const double sinPhi = elementary::Sin(phi);
    const double next =
        kHalfPi - 2 * elementary::Atan(tPrime / InverseRatio(cone.e, cone.e * sinPhi));
    const double step = next - phi;
    const double sin2 = sinPhi * sinPhi;
    const double slope = e2 * (1 - sin2) / (1 - e2 * sin2);
    phi += step / (1 - slope);
    if (!(std::fabs(step) > kNewtonTolerance)) break;  // NaN stops too, and is checked below
  }
  const double lat = phi * kDegreesPerRadian;
  const double lon = (thetaPrime / cone.n + cone.lambda0) * kDegreesPerRadian;
  fp::Check(lat, lon);
  latitude = lat;
  longitude = lon;
}

}  // namespace morvane::lambert
