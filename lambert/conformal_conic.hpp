// The Lambert conformal conic projection with two standard parallels on
// an ellipsoid, as the national agency defines its grids: the cone's
// constants are computed once from the definition (in 300-bit arithmetic,
// then rounded) and written next to each projection's parameters, so that
// every platform projects with the same bits.
//
// Forward:  t = tan(pi/4 - phi/2) / ((1 - e sin phi)/(1 + e sin phi))^(e/2)
//             = cos phi / (1 + sin phi) * exp(e atanh(e sin phi))
//           r = aF t^n,  theta = n (lambda - lambda0)
//           X = FE + r sin theta,  Y = FN + rF - r cos theta
// Inverse:  r' = sqrt((X - FE)^2 + (rF - (Y - FN))^2),  t' = (r'/aF)^(1/n)
//           theta' = atan((X - FE) / (rF - (Y - FN)))
//           phi = pi/2 - 2 atan(t' ((1 - e sin phi)/(1 + e sin phi))^(e/2)),
//           solved by Newton passes from the series of the latitude in
//           the conformal latitude chi = pi/2 - 2 atan(t')
//           lambda = theta'/n + lambda0
// (theta' from the one-argument arctangent: the grids lie south of the
// cone's apex, where it names the same angle as atan2.)
#pragma once

namespace morvane::lambert {

struct ConformalConic {
  double e;        // first eccentricity of the ellipsoid
  double n;        // cone constant
  double aF;       // a F, metres
  double rF;       // radius at the latitude of the false origin, metres
  double lambda0;  // longitude of the false origin, radians
  double falseEasting, falseNorthing;  // metres
  // The coefficients of sin 2chi .. sin 8chi in the series of the latitude
  // in the conformal latitude chi, to e^8 (formed from e by Cone()).
  double c2 = 0, c4 = 0, c6 = 0, c8 = 0;
};

// A cone with its series' coefficients, formed when the library is
// compiled (the same IEEE operations as at run time).
constexpr ConformalConic Cone(double e, double n, double aF, double rF, double lambda0,
                              double falseEasting, double falseNorthing) {
  const double e2 = e * e, e4 = e2 * e2, e6 = e4 * e2, e8 = e4 * e4;
  return {e, n, aF, rF, lambda0, falseEasting, falseNorthing,
          e2 / 2 + 5 * e4 / 24 + e6 / 12 + 13 * e8 / 360,
          7 * e4 / 48 + 29 * e6 / 240 + 811 * e8 / 11520,
          7 * e6 / 120 + 81 * e8 / 1120,
          4279 * e8 / 161280};
}

// Degrees in, metres out, and back.  The checks of the input are the
// caller's.  A floating-point fault of the forward projection is left in
// the flags (or the values) for the caller's check that follows it (the
// survey route reads them once a point, after its last step); the inverse
// checks its own, since callers go on to routines that begin afresh.  The
// flags are the caller's to clear before.
void ConicForward(const ConformalConic& cone, double latitude, double longitude, double& X,
                  double& Y);
void ConicInverse(const ConformalConic& cone, double X, double Y, double& latitude,
                  double& longitude);

}  // namespace morvane::lambert
