// The core's own sine, cosine, tangent, arctangent and power, correctly rounded
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
//   Sin, Cos, SinCos: correctly rounded for |x| < 2048, Tan for
//     |x| < 10.5 pi (33): a double-double fast path for |x| < 2^20 and an
//     accurate path of relative error below 2^-150 decide every argument
//     there, given the exhaustive searches for the hardest-to-round
//     arguments of these functions (Lefevre and Muller, and their
//     successors), which cover those ranges.  Beyond: correctly rounded
//     unless a value lies within 2^-150 of a midpoint between doubles
//     (no such argument is known), and within 1 ulp in any case.
//   Atan: correctly rounded for every double (the searches cover it).
//   Pow: for x > 0, |y| <= 2^64 and a result of at least 2^-1022 (the
//     conversions pass x in [0.84, 1.19] with y = e/2, x in (0, 2^64)
//     with y = n and 1/n, x in [0.99, 1] with y = 1.5), the fast path or
//     an accurate path of relative error below 2^-141 (2^-205 for
//     |y| < 2); an exact midpoint between two doubles (x^y = (2^27 - 1)^2
//     is one) rounds to even.  No exhaustive search of the hardest cases
//     exists for pow: the result is correctly rounded unless x^y lies
//     that close to a midpoint without being one, which is expected of no
//     pair of doubles (the expected number is below 2^-25).  A negative
//     x with an integer y gives +-|x|^y; results below 2^-1022 are within
//     one ulp.
// Special values follow C's Annex F: sin, cos, tan of +-inf are NaN with
// the invalid exception; a NaN argument gives a NaN; sin, tan, atan of
// +-0 are +-0; atan(+-inf) = +-pi/2 rounded.  pow(x, +-0) = 1 and
// pow(1, y) = 1 for any x, y (NaN too); pow(+-0, y < 0) is infinite with
// divide-by-zero; pow(x < 0, non-integer y) is NaN with invalid; results
// beyond the largest double are infinite with overflow, those below
// 2^-1074 zero with underflow; the other cases of pow with +-0, +-inf or
// -1 as Annex F lists them.
#pragma once

#include <cstdint>

namespace morvane::elementary {

double Sin(double x);
double Cos(double x);
double Tan(double x);
double Atan(double x);
double Pow(double x, double y);

struct SinCosPair {
  double sin, cos;
};
// Sin(x) and Cos(x), bit for bit, from one argument reduction.
SinCosPair SinCos(double x);

// Sin(2.0 * phi), Sin(4.0 * phi), Sin(6.0 * phi) and Sin(8.0 * phi), bit
// for bit (6.0 * phi rounded to a double first, as that expression does),
// in one call: the meridian arc's series.  Fastest for |phi| < 4; any
// phi gives the four Sin values.
struct SinMultiplesOf {
  double sin2, sin4, sin6, sin8;
};
SinMultiplesOf SinMultiples(double phi);

// How many times this thread took an accurate path (for the checker).
std::uint64_t AccuratePathCount();

// Which exact products the fast paths use, for the tests and the checker,
// which compare the two: kAuto (the default) takes fused multiply-adds
// where the processor has them, Dekker's products elsewhere; the results
// are the same to the bit.  Forcing kFused where the processor has no FMA
// changes nothing and returns false.  For every thread.
enum class Products { kAuto, kDekker, kFused };
bool ForceProducts(Products products);

}  // namespace morvane::elementary
