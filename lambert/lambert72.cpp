// Belgian Lambert 1972: Lambert conformal conic projection of the Hayford
// ellipsoid with the cone, scale and origins of the Belgian grid.
#include "lambert/lambert72.hpp"

#include <cmath>

#include "base/checks.hpp"
#include "base/general.hpp"
#include "elementary/elementary.hpp"

namespace morvane::lambert {

using namespace constants;

void GeoToLambert72(double latitude, double longitude, double& X, double& Y) {
  GeoToLambert72Of(latitude, longitude, X, Y);
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
