// Arctangent.
//
// atan(-x) = -atan x.  For |x| >= 2^53 the result is pi/2 rounded (pi/2 -
// 1/x lies within half an ulp of it), below 2^-27 it is x rounded (x -
// x^3/3 is within a quarter ulp of x).  Otherwise the fast path, with
// u = 2^-53:
//
// Argument.  z = x for x <= 2, without a division (the conversions pass
// quotients dx/dy and t mostly below 1, and a branch between the two
// cases that the arguments mix at random would be mispredicted); for
// x > 2, atan x = pi/2 - atan z with z = 1/x = zh + zl: zh = RN(1/x), the
// remainder 1 - zh x is exact (the remainder of a rounded quotient is a
// double; Dekker's product or the fused multiply-add's error term give
// the same bits, and 1 - RN(zh x) is exact by Sterbenz), so
// |rem| <= x |1/x - zh| <= 2^-53 and 1/x = zh / (1 - rem) = zh + rem zh
// + O(2^-104 zh); zl = RN(rem zh): |z - zh - zl| <= 2^-103.9 z.  For
// x <= 2, zh = x and zl = 0 (the range test lets x < 2 + 2^-19 through
// too: AtanWith).
//
// Reduction.  c = j/256 nearest to zh (j = 0 .. 512): zh + 1.5 * 2^44
// rounds zh to a multiple of 2^-8, the unit of the sum's last place, so
// the sum's low bits are j, and c = sum - 1.5 * 2^44 exactly; h = zh - c
// is exact (|h| <= 2^-9 <= c/2 for j >= 1, Sterbenz; h = zh for j = 0),
// and hr = RN(h + zl), |hr| <= H = 2^-9 + 2^-52.  The cell j of
// kAtanCells holds atan c and the Taylor coefficients of atan about c
// (make_tables.cpp):
//     atan z = atan c + a1 (h + zl) + T(h + zl),  T(h) = a2 h^2 + ... + a7 h^7
// up to the truncation and the rounding of a2 .. a7, E <= 2^-70.70 of the
// least arctangent of the cell (the bounds over the cells printed in
// tables.hpp; B2 = |a2| H^2 <= 2^-17.00 and B3 = sum |a_k| H^k for k = 3 .. 7
// <= 2^-19.58 of it, B3 <= B2 / 6).  For x > 2 the result is above
// pi/2 - atan(1/2) > 1.1, above every cell's least arctangent (c - H < 1),
// so the same bounds hold relative to the result y in both cases.
//
// Evaluation.  a1 h = p + pe exactly (a product of doubles); a1 = a1.hi +
// a1.lo within 2^-106 a1, and a1.hi zl, a1.lo hr are below 2^-52 y: their
// roundings and the dropped a1.lo zl are below 2^-104 y.  T at hr in
// double, T = h2 (a2 + hr (s0 + h2 (s1 + h2 a7))): a2 h^2 passes through 3
// roundings (h2, the sum with a2, the product by h2), the terms of degree
// 3 to 7 through at most 10, so the computed T is within 3.0001 u B2 +
// 10.001 u B3 <= 4.67 u B2 of T(hr).  T(hr) - T(h + zl) (x > 2 only):
// |T'| <= 2 * 0.325 H + H^2 + ... <= 2^-9.6 on a cell and
// |hr - h - zl| <= u H, 2^-71.6 absolute for a result above 1: 0.42 u B2.
// atan c (or pi/2 - atan c) as a pair within 2^-106 of it, and it is at
// most 2 y (atan is concave and c <= 2 z for j >= 1).  The pair plus -+p
// by FastTwoSum, exact (atan c >= atan(1/256) > 2^-9 >= |p| for j >= 1,
// atan c = 0 for j = 0, pi/2 - atan c > 1): s.hi + s.lo; the low parts
// s.lo, atan c's and p's below 2^-51 y (roundings 2^-104 y), then
// v = (the low parts) + -+T: one rounding, u (B2 + B3 + 2^-51) y <=
// 1.17 u B2 y.  (s.hi, v) is not normalised: |v| <= 1.17 B2 y,
// and the rounding test's v -+ err are rounded within u (|v| + err) <=
// 1.17 u B2 y more.  In all, with u B2 = 2^-70:
//     (4.67 + 0.61 + 0.42 + 1.17 + 1.17) 2^-70 + 2^-100 <= 8.04 * 2^-70
// relative to y, below err = 1.125 * 2^-67 s.hi >= 8.99 * 2^-70 y
// (|s.hi - y| <= 2^-16.7 y): a margin of 11 %.
//
// Accurate path: the same steps in 224-bit fixed point (fixed.hpp) with
// c = j/64 and t = (z - c) / (1 + z c), the series of atan t to t^33
// (truncation below 2^-231), atan c from the table; absolute error below
// 2^7 units of 2^-224 for a result at least 2^-27: a relative error below
// 2^-170.
#include <bit>
#include <cmath>

#include "elementary/double_double.hpp"
#include "elementary/elementary.hpp"
#include "elementary/fixed.hpp"
#include "elementary/tables.hpp"

namespace morvane::elementary {
namespace detail {

extern thread_local std::uint64_t accurateCount;

namespace {

// Below 2^-27, atan x = x - x^3/3 rounds to x.
constexpr double kTiny = 0x1p-27;

double AtanAccurate(double ax, bool inverted) {
  ++accurateCount;
  const Fixed one = FromInt(1);
  Fixed z;
  if (inverted) {
    // 1/x = 2^-e / m with m = x 2^-e in [1, 2).
    const int e = static_cast<int>((std::bit_cast<std::uint64_t>(ax) >> 52) & 0x7ff) - 1023;
    const double m = std::bit_cast<double>((std::bit_cast<std::uint64_t>(ax) & 0x000fffffffffffffu) |
                                           0x3ff0000000000000u);
    z = ShiftRight(Reciprocal(FromDouble(m)), e);
  } else {
    z = FromDouble(ax);
  }
  // j = nearest integer to 64 z.
  const Fixed z64 = ShiftLeft(z, 6);
  std::uint32_t j = z64.d[7] + (z64.d[6] >> 31);
  const Fixed c = DivSmall(FromInt(static_cast<std::int32_t>(j)), 64);  // exact
  const Fixed t = Mul(Sub(z, c), Reciprocal(Add(one, Mul(z, c))));
  const Fixed t2 = Mul(t, t);
  Fixed acc = DivSmall(one, 33);
  for (std::uint32_t k = 15; k <= 15; --k) acc = Sub(DivSmall(one, 2 * k + 1), Mul(t2, acc));
  Fixed y = Add(FromDigits(kAtanFixed[j]), Mul(t, acc));
  if (inverted) y = Sub(FromDigits(kHalfPiFixed), y);
  return RoundToDouble(y, 7, 0).value;
}

}  // namespace
}  // namespace detail

using namespace detail;

namespace {

// atan(zh + zl), or pi/2 - atan(zh + zl) when kInverted, for 0 <= zh <= 2
// (zh <= 1/2 when kInverted, zl = 0 otherwise): false when the rounding
// test fails.
template <Product kProduct, bool kInverted>
MORVANE_ELEMENTARY_INLINE bool AtanCellSum(double zh, double zl, double& result) {
  const double shifted = zh + 0x1.8p44;
  const double c = shifted - 0x1.8p44;  // j/256, exact
  const double h = zh - c;              // exact
  const std::uint32_t j = static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(shifted));
  const AtanCell& cell = kAtanCells[j];
  const double hr = kInverted ? h + zl : h;
  // T(hr) = hr^2 (a2 + hr (a3 + a4 hr + hr^2 (a5 + a6 hr + hr^2 a7))).
  const double h2 = hr * hr;
  const double s0 = cell.a[1] + cell.a[2] * hr;
  const double s1 = cell.a[3] + cell.a[4] * hr;
  const double tail = h2 * (cell.a[0] + hr * (s0 + h2 * (s1 + h2 * cell.a[5])));
  const Pair p = ExactProduct<kProduct>(cell.a1.hi, h);
  const double low = kInverted ? (p.lo + cell.a1.hi * zl) + cell.a1.lo * hr : p.lo + cell.a1.lo * hr;
  const double sg = kInverted ? -1.0 : 1.0;
  const Pair b = kInverted ? kAtanComplement[j] : cell.atanC;
  const Pair s = FastTwoSum(b.hi, sg * p.hi);
  const double v = (s.lo + (b.lo + sg * low)) + sg * tail;
  return RoundingTest(Pair{s.hi, v}, 0x1.2p-67 * s.hi, result);
}

// The fast path for 2 < ax < 2^53.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE bool AtanInverted(double ax, double& result) {
  const double q = 1.0 / ax;
  const Pair qx = ExactProduct<kProduct>(q, ax);
  const double rem = (1.0 - qx.hi) - qx.lo;  // exact
  return AtanCellSum<kProduct, true>(q, rem * q, result);
}

// Zeros, NaNs, |x| < 2^-27, |x| >= 2^53, and the fast path's failures.
[[gnu::noinline]] double AtanOther(double x) {
  if (x != x) return x + x;  // NaN, quietly (an ordered comparison would raise invalid)
  const double ax = std::fabs(x);
  if (ax < kTiny) return x == 0.0 ? x : x - x * 0x1p-60;
  if (!(ax < 0x1p53)) return std::copysign(kHalfPi.hi + kHalfPi.lo, x);  // inexact, or +-inf
  return std::copysign(AtanAccurate(ax, ax > 1.0), x);
}

// The fast paths: one test for the arguments of the conversions, |x| in
// [2^-27, 2], then the others.  The tests compare the high 32 bits of |x|
// as integers (their order is that of the values, and they need no 64-bit
// constants): one subtraction and one comparison each, and no invalid
// exception for a NaN, which an ordered comparison of doubles would raise.
// A high word of at most that of 2 admits |x| < 2 + 2^-19, still within
// the last cell, c = 2, |h| <= 2^-9.
constexpr std::uint32_t HighWord(double x) {
  return static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(x) >> 32);
}

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE double AtanWith(double x) {
  const double ax = std::fabs(x);
  const std::uint32_t high = HighWord(ax);
  double result;
  if (high - HighWord(kTiny) <= HighWord(2.0) - HighWord(kTiny)) {
    if (AtanCellSum<kProduct, false>(ax, 0.0, result))
      return std::copysign(result, x);
  } else if (high - (HighWord(2.0) + 1) < HighWord(0x1p53) - (HighWord(2.0) + 1) &&
             AtanInverted<kProduct>(ax, result)) {
    return std::copysign(result, x);
  }
  return AtanOther(x);
}

#if MORVANE_ELEMENTARY_FMA
MORVANE_ELEMENTARY_FMA_TARGET double AtanFused(double x) { return AtanWith<Product::kFused>(x); }
#endif

}  // namespace

double Atan(double x) {
#if MORVANE_ELEMENTARY_FMA
  if (UseFusedProducts()) return AtanFused(x);
#endif
  return AtanWith<Product::kDekker>(x);
}

}  // namespace morvane::elementary
