#include "lambert/conformal_conic.hpp"

#include <cmath>

#include "base/checks.hpp"
#include "elementary/elementary.hpp"

namespace morvane::lambert {

namespace {

// Correctly rounded pi/4, pi/2, pi/180 and 180/pi.
constexpr double kQuarterPi = 0x1.921fb54442d18p-1;
constexpr double kHalfPi = 0x1.921fb54442d18p0;
constexpr double kRadiansPerDegree = 0x1.1df46a2529d39p-6;
constexpr double kDegreesPerRadian = 0x1.ca5dc1a63c1f8p5;

// The latitude's iteration stops when a pass moves it by at most this
// (two units in the last place of a latitude in radians near 1); it
// converges by a factor of about e^2 a pass, so ten passes are plenty.
constexpr double kLatitudeTolerance = 0x1p-51;
constexpr int kMaxPasses = 30;

double Ratio(double e, double phi) {
  const double es = e * elementary::Sin(phi);
  return elementary::Pow((1 - es) / (1 + es), e / 2);
}

}  // namespace

void ConicForward(const ConformalConic& cone, double latitude, double longitude, double& X,
                  double& Y) {
  fp::Begin();
  const double phi = latitude * kRadiansPerDegree;
  const double lambda = longitude * kRadiansPerDegree;
  const double t = elementary::Tan(kQuarterPi - phi / 2) / Ratio(cone.e, phi);
  const double r = cone.aF * elementary::Pow(t, cone.n);
  const auto theta = elementary::SinCos(cone.n * (lambda - cone.lambda0));
  const double x = cone.falseEasting + r * theta.sin;
  const double y = cone.falseNorthing + cone.rF - r * theta.cos;
  fp::Check(x, y);
  X = x;
  Y = y;
}

void ConicInverse(const ConformalConic& cone, double X, double Y, double& latitude,
                  double& longitude) {
  fp::Begin();
  const double dx = X - cone.falseEasting;
  const double dy = cone.rF - (Y - cone.falseNorthing);
  const double rPrime = std::sqrt(dx * dx + dy * dy);
  const double tPrime = elementary::Pow(rPrime / cone.aF, 1 / cone.n);
  const double thetaPrime = elementary::Atan(dx / dy);
  double phi = kHalfPi - 2 * elementary::Atan(tPrime);
  for (int pass = 0; pass < kMaxPasses; ++pass) {
    const double next = kHalfPi - 2 * elementary::Atan(tPrime * Ratio(cone.e, phi));
    const double moved = std::fabs(next - phi);
    phi = next;
    if (!(moved > kLatitudeTolerance)) break;  // NaN stops too, and is checked below
  }
  const double lat = phi * kDegreesPerRadian;
  const double lon = (thetaPrime / cone.n + cone.lambda0) * kDegreesPerRadian;
  fp::Check(lat, lon);
  latitude = lat;
  longitude = lon;
}

}  // namespace morvane::lambert
