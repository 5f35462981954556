// Radii of curvature and meridian arc of an ellipsoid, shared by both
// directions of the UTM projection.  Every floating-point step is checked.
#include <cmath>

#include "component/failure.hpp"
#include "utm/utm.hpp"

namespace morvane::dma {
namespace {

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

}  // namespace

double CurvatureDenominator(double e2, double phi) {
  const double s = Step(std::sin(phi));
  const double W = Step(std::sqrt(1.0 - e2 * (s * s)));
  return W;
}

double PrimeVerticalRadius(double a, double e2, double phi) {
  const double s = Step(std::sin(phi));
  const double nu = Step(a / std::sqrt(1.0 - e2 * (s * s)));
  return nu;
}

double MeridianRadius(double a, double e2, double phi) {
  const double W = CurvatureDenominator(e2, phi);
  const double rho = Step(a * (1.0 - e2) / (W * W * W));
  return rho;
}

double MeridianArc(double A, double B, double C, double D, double E, double phi) {
  const double S = Step(A * phi - B * std::sin(2.0 * phi) + C * std::sin(4.0 * phi) -
                   D * std::sin(6.0 * phi) + E * std::sin(8.0 * phi));
  return S;
}

}  // namespace morvane::dma
