// Module Lambert: Belgian Lambert 1972, the conformal conic projection of
// the Belgian datum 1972.  Every constant is built in; angles at the
// interface are decimal degrees on that datum, plane coordinates metres.
//
// The forward projection is written once, for one position (V = double)
// and for four at once (V = Lanes4, the batch call): see
// elementary/lane_ops.hpp.
//
// The angles pi/4 and pi/2 are those of pi = 3.1415926535, the value the
// angle conversions use; results depend on them to the last bit.  Every
// floating-point step goes through Step(), so a fault stops the routine at
// the step that raised it.
#pragma once

#include <cmath>
#include <type_traits>

#include "base/checks.hpp"
#include "base/general.hpp"
#include "elementary/lane_ops.hpp"

namespace morvane::lambert {

void GeoToLambert72(double latitude, double longitude, double& X, double& Y);

void Lambert72ToGeo(const double& X, const double& Y, double& latitude, double& longitude);

namespace constants {
inline constexpr double kSemiMajorAxis = 6378388.0;       // a, Hayford
inline constexpr double kInverseFlattening = 297.0;
inline constexpr double kConeConstant = 0.7716421928;     // n
inline constexpr double kRadiusScale = 11565915.812935;   // aF
inline constexpr double kLongitudeOrigin = 0.076042943;   // lambda0, radians
inline constexpr double kAngleCorrection = 0.000142043;   // alpha, radians
inline constexpr double kFalseEasting = 150000.01256;     // x0
inline constexpr double kFalseNorthing = 5400088.4378;    // y0
inline constexpr double kQuarterPi = 0.785398163375;
inline constexpr double kHalfPi = 1.57079632675;
inline constexpr double kLatitudeTolerance = 2.77777e-8;  // radians
}  // namespace constants

// The value of one floating-point step, checked for faults; the check
// names the value, so it is formed before the flags are read.
template <typename V>
inline V Step(V value) {
  lanes::Check(value);
  return value;
}

// First eccentricity of the ellipsoid, from b and e2 as the projection
// defines them.
inline double Eccentricity() {
  using namespace constants;
  const double a = kSemiMajorAxis;
  const double b = Step((1.0 - 1.0 / kInverseFlattening) * a);
  const double e2 = Step((a * a - b * b) / (a * a));
  const double e = Step(std::sqrt(e2));
  return e;
}

template <typename V>
void GeoToLambert72Of(V latitude, V longitude, V& X, V& Y) {
  using namespace constants;
  if constexpr (std::is_same_v<V, double>) fp::Begin();
  const V phi = general::DegToRadOf(latitude);
  const V lambda = general::DegToRadOf(longitude);
  const double e = Eccentricity();

  const V es = Step(e * general::SinCosOf(phi).sin);
  const V t = Step(lanes::Tan(kQuarterPi - phi / 2.0) * lanes::Pow((1.0 + es) / (1.0 - es), e / 2.0));
  const V r = Step(lanes::Pow(t, kConeConstant) * kRadiusScale);
  const V theta = Step((lambda - kLongitudeOrigin) * kConeConstant);

  const V angle = Step(theta - kAngleCorrection);
  const auto sc = general::SinAndCos(angle);
  X = Step(r * Step(sc.sin) + kFalseEasting);
  Y = Step(kFalseNorthing - r * Step(sc.cos));
}

// Lambert72ToGeo for one position (V = double) or four (V = Lanes4):
// the number of passes of the latitude's iteration (the most any lane
// took), or 0 when one of four lanes' iteration met a NaN (one position
// fails with InvalidOperation there).  A lane whose latitude has met the
// tolerance keeps it while the others go on.
template <typename V>
int Lambert72ToGeoOf(V X, V Y, V& latitude, V& longitude) {
  using namespace constants;
  constexpr bool kOne = std::is_same_v<V, double>;
  if constexpr (kOne) fp::Begin();
  const double e = Eccentricity();

  const V dx = Step(X - kFalseEasting);
  const V dy = Step(kFalseNorthing - Y);
  // The one-argument arctangent of the quotient: the plane range lies
  // south of the cone's apex, where it names the same angle as atan2.
  const V thetaPrime = Step(lanes::Atan(lanes::Quotient(dx, dy)));
  const V lambda = Step((thetaPrime + kAngleCorrection) * (1.0 / kConeConstant) + kLongitudeOrigin);
  const V r = Step(lanes::Sqrt(dy * dy + dx * dx));
  const V t = Step(lanes::Pow(r / kRadiusScale, 1.0 / kConeConstant));

  // Fixed-point iteration for the latitude that gives t.  It
  // has no pass limit, so every pass is checked: a NaN would never meet
  // the tolerance, and one from a quiet NaN argument raises no flag.
  V phiPrev = Step(2.0 * lanes::Atan(t));
  V phi = phiPrev;
  auto done = phi != phi;  // no lane yet (phi is finite)
  int passes = 0;
  for (;;) {
    ++passes;
    const V es = Step(e * lanes::Sin(phiPrev));
    const V next =
        Step(kHalfPi - 2.0 * lanes::Atan(t * lanes::Pow((1.0 - es) / (1.0 + es), e / 2.0)));
    const V d = Step(next - phiPrev);
    if (lanes::Any(d != d)) [[unlikely]] {
      if constexpr (kOne) Fail(FailureKind::InvalidOperation);
      else return 0;
    }
    phi = lanes::Select(done, phi, next);
    phiPrev = phi;
    done = done | (lanes::Abs(d) <= kLatitudeTolerance);
    if (lanes::All(done)) break;
  }

  latitude = general::RadToDegOf(phi);
  longitude = general::RadToDegOf(lambda);
  return passes;
}

}  // namespace morvane::lambert
