// Radii of curvature and meridian arc of an ellipsoid, shared by both
// directions of the UTM projection.  Every floating-point step is checked.
#include <cmath>

#include "component/failure.hpp"
#include "utm/utm.hpp"

namespace morvane::dma {

double CurvatureDenominator(double e2, double phi) {
  const double s = std::sin(phi);
  fp::Check(s);
  const double W = std::sqrt(1.0 - e2 * (s * s));
  fp::Check(W);
  return W;
}

double PrimeVerticalRadius(double a, double e2, double phi) {
  const double s = std::sin(phi);
  fp::Check(s);
  const double nu = a / std::sqrt(1.0 - e2 * (s * s));
  fp::Check(nu);
  return nu;
}

double MeridianRadius(double a, double e2, double phi) {
  const double W = CurvatureDenominator(e2, phi);
  const double rho = a * (1.0 - e2) / (W * W * W);
  fp::Check(rho);
  return rho;
}

double MeridianArc(double A, double B, double C, double D, double E, double phi) {
  const double S = A * phi - B * std::sin(2.0 * phi) + C * std::sin(4.0 * phi) -
                   D * std::sin(6.0 * phi) + E * std::sin(8.0 * phi);
  fp::Check(S);
  return S;
}

}  // namespace morvane::dma
