// Belgian Lambert 1972: Lambert conformal conic projection of the Hayford
// ellipsoid with the cone, scale and origins of the Belgian grid.
//
// The angles pi/4 and pi/2 are those of pi = 3.1415926535, the value the
// angle conversions use; results depend on them to the last bit.  Every
// floating-point step goes through Step(), so a fault stops the routine at
// the step that raised it.
#include "lambert/lambert72.hpp"

#include <cmath>

#include "base/checks.hpp"
#include "base/general.hpp"
#include "elementary/elementary.hpp"

namespace morvane::lambert {
namespace {

constexpr double kSemiMajorAxis = 6378388.0;       // a, Hayford
constexpr double kInverseFlattening = 297.0;
constexpr double kConeConstant = 0.7716421928;     // n
constexpr double kRadiusScale = 11565915.812935;   // aF
constexpr double kLongitudeOrigin = 0.076042943;   // lambda0, radians
constexpr double kAngleCorrection = 0.000142043;   // alpha, radians
constexpr double kFalseEasting = 150000.01256;     // x0
constexpr double kFalseNorthing = 5400088.4378;    // y0
constexpr double kQuarterPi = 0.785398163375;
constexpr double kHalfPi = 1.57079632675;
constexpr double kLatitudeTolerance = 2.77777e-8;  // radians

// The value of one floating-point step, checked for faults; the check
// names the value, so it is formed before the flags are read.
inline double Step(double value) {
  fp::Check(value);
  return value;
}

// First eccentricity of the ellipsoid, from b and e2 as the projection
// defines them.
double Eccentricity() {
  const double a = kSemiMajorAxis;
  const double b = Step((1.0 - 1.0 / kInverseFlattening) * a);
  const double e2 = Step((a * a - b * b) / (a * a));
  const double e = Step(std::sqrt(e2));
  return e;
}

}  // namespace

void GeoToLambert72(double latitude, double longitude, double& X, double& Y) {
  fp::Begin();
  const double phi = general::DegToRad(latitude);
  const double lambda = general::DegToRad(longitude);
  const double e = Eccentricity();

  const double es = Step(e * general::SinCosOf(phi).sin);
  const double t =
      Step(elementary::Tan(kQuarterPi - phi / 2.0) * elementary::Pow((1.0 + es) / (1.0 - es), e / 2.0));
  const double r = Step(elementary::Pow(t, kConeConstant) * kRadiusScale);
  const double theta = Step((lambda - kLongitudeOrigin) * kConeConstant);

  const double angle = Step(theta - kAngleCorrection);
  const general::SinCos sc = general::SinAndCos(angle);
  X = Step(r * Step(sc.sin) + kFalseEasting);
  Y = Step(kFalseNorthing - r * Step(sc.cos));
}

namespace detail {

int Lambert72ToGeoCounted(const double& X, const double& Y, double& latitude,
                          double& longitude) {
  fp::Begin();
  const double e = Eccentricity();

  const double dx = Step(X - kFalseEasting);
  const double dy = Step(kFalseNorthing - Y);
  // The one-argument arctangent of the quotient: the plane range lies
  // south of the cone's apex, where it names the same angle as atan2.
  const double thetaPrime = Step(elementary::Atan(fp::Quotient(dx, dy)));
  const double lambda =
      Step((thetaPrime + kAngleCorrection) * (1.0 / kConeConstant) + kLongitudeOrigin);
  const double r = Step(std::sqrt(dy * dy + dx * dx));
  const double t = Step(elementary::Pow(r / kRadiusScale, 1.0 / kConeConstant));

  // Fixed-point iteration for the latitude that gives t.  It
  // has no pass limit, so every pass is checked: a NaN would never meet
  // the tolerance, and one from a quiet NaN argument raises no flag.
  double phiPrev = Step(2.0 * elementary::Atan(t));
  double phi = phiPrev;
  int passes = 0;
  for (;;) {
    ++passes;
    const double es = Step(e * elementary::Sin(phiPrev));
    phi = Step(kHalfPi - 2.0 * elementary::Atan(t * elementary::Pow((1.0 - es) / (1.0 + es), e / 2.0)));
    const double d = Step(phi - phiPrev);
    if (std::isnan(d)) [[unlikely]] Fail(FailureKind::InvalidOperation);
    phiPrev = phi;
    if (std::fabs(d) <= kLatitudeTolerance) break;
  }

  latitude = general::RadToDeg(phi);
  longitude = general::RadToDeg(lambda);
  return passes;
}

}  // namespace detail

void Lambert72ToGeo(const double& X, const double& Y, double& latitude, double& longitude) {
  detail::Lambert72ToGeoCounted(X, Y, latitude, longitude);
}

}  // namespace morvane::lambert
