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
};

// Degrees in, metres out, and back.  The checks of the input are the
// caller's; a floating-point fault fails as every routine of the core.
void ConicForward(const ConformalConic& cone, double latitude, double longitude, double& X,
                  double& Y);
void ConicInverse(const ConformalConic& cone, double X, double Y, double& latitude,
                  double& longitude);

}  // namespace morvane::lambert
