// Fixed-point numbers of 256 bits for the accurate paths of the elementary
// functions: 32 integer bits and 224 fraction bits, in two's complement, as
// eight 32-bit digits, the least significant first.  Only integer
// arithmetic, so every platform computes the same digits.
//
// Each operation that drops bits truncates its magnitude: its error is
// below one unit of the last place, 2^-224, unless said otherwise.  No
// operation checks for overflow: the callers keep every magnitude below
// 2^31.
#pragma once

#include <cstdint>

namespace morvane::elementary::detail {

struct Fixed {
  std::uint32_t d[8];  // value = (signed 256-bit integer d) * 2^-224
};

// Digits as tables write them: the integer part first.
using Digits = std::uint32_t[8];

Fixed FromDigits(const Digits& digits);
Fixed FromInt(std::int32_t value);
// x exactly; |x| < 2^31 and x a multiple of 2^-224.
Fixed FromDouble(double x);
Fixed Neg(const Fixed& a);
Fixed Add(const Fixed& a, const Fixed& b);
Fixed Sub(const Fixed& a, const Fixed& b);
bool IsNegative(const Fixed& a);
bool IsZero(const Fixed& a);
// a * b, truncated (error below 2^-224).
Fixed Mul(const Fixed& a, const Fixed& b);
// a * n and a / n (truncated) for 0 < n < 2^32.
Fixed MulSmall(const Fixed& a, std::uint32_t n);
Fixed DivSmall(const Fixed& a, std::uint32_t n);
// a * 2^n, a / 2^n (truncated magnitude), 0 <= n < 256.
Fixed ShiftLeft(const Fixed& a, int n);
Fixed ShiftRight(const Fixed& a, int n);
// 1 / a for 2^-21 <= |a| <= 2^20: Newton's iteration from a double
// seed, four passes; error below 4 units plus |1/a| times a's relative
// error.
Fixed Reciprocal(const Fixed& a);
// A double near a (within a few ulps), for seeds and comparisons.
double Approximate(const Fixed& a);
// The position of the leading bit of |a| (0 = the unit 2^-224), -1 for 0.
int LeadingBit(const Fixed& a);

// a * 2^scale rounded to the nearest double, ties to even, for a nonzero
// value whose result is a normal double.  `decided` is false when a value
// within 2^errBit units of a (absolute error) could round otherwise, that
// is lies on the other side of a midpoint between two doubles; then, with
// `tieIfUndecided`, a is taken for that midpoint and rounded to even.
struct Rounded {
  double value;
  bool decided;
};
Rounded RoundToDouble(const Fixed& a, int errBit, int scale, bool tieIfUndecided = false);

// x reduced modulo pi/2 for a finite x != 0 (Payne and Hanek's method,
// with the bits of 2/pi): the quadrant q, the nearest integer to
// x * 2/pi modulo 4, and r = x - q' pi/2 for that q' = q (mod 4), in fixed
// point, |r| <= pi/4 (1 + 2^-200), with an absolute error below 4 units.
struct Reduced {
  int quadrant;
  Fixed r;
};
Reduced ReduceHalfPi(double x);

}  // namespace morvane::elementary::detail
