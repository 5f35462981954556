// The core's own sine, cosine, tangent and arctangent, correctly rounded
// (to nearest, ties to even) and the same to the bit on every platform.
//
// They replace the C library's functions, whose last bits differ between
// libraries, versions and processors.  They use only IEEE double
// operations (+ - * / and conversions) and 32- and 64-bit integer
// arithmetic; they need rounding to nearest, which the core's
// EnvironmentScope sets before any conversion.
//
// Domains.  The conversions pass latitudes and longitudes in radians and
// small multiples of them: sin and cos of |x| <= pi (angles, and the
// Lambert angle theta - alpha, |theta| <= n pi + 0.06), sin(2 phi) ...
// sin(8 phi) with |phi| <= pi/2 (|x| <= 4 pi), tan(pi/4 - phi/2) in
// [0, pi/2], cos(latitude) at |latitude| <= pi/2, atan of any quotient
// dx/dy and of t >= 0.  A bad input (a latitude of 1e10 degrees) reaches
// sin with x up to about 2^28.
//   Sin, Cos, SinCos, Tan: correctly rounded for |x| < 2^20 by the fast
//     path and its accurate fallback; above, the accurate path alone,
//     whose error is below 2^-150 relative: correctly rounded unless a
//     value lies within 2^-150 of a midpoint (none is known; in any case
//     within 1 ulp and the same on every platform).
//   Atan: correctly rounded for every double.
// Special values follow C's Annex F: sin, cos, tan of +-inf are NaN with
// the invalid exception; a NaN argument gives a NaN; sin, tan, atan of
// +-0 are +-0; atan(+-inf) = +-pi/2 rounded.
#pragma once

#include <cstdint>

namespace morvane::elementary {

double Sin(double x);
double Cos(double x);
double Tan(double x);
double Atan(double x);

struct SinCosPair {
  double sin, cos;
};
// Sin(x) and Cos(x), bit for bit, from one argument reduction.
SinCosPair SinCos(double x);

// How many times this thread took an accurate path (for the checker).
std::uint64_t AccuratePathCount();

}  // namespace morvane::elementary
