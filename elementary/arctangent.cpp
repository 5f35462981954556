// Arctangent.
//
// atan(-x) = -atan x.  For |x| >= 2^53 the result is pi/2 rounded (pi/2 -
// 1/x lies within half an ulp of it).  Otherwise, with z = x (x <= 1) or
// z = 1/x (x > 1, atan x = pi/2 - atan z), c = j/64 the 64th nearest to z
// (from RN(z)), atan z = atan c + atan t with
//     t = (z - c) / (1 + z c) = (x - c) / (1 + c x), or (1 - c x) / (x + c),
// |t| <= 1/128 (1 + 2^-40), without 1/x itself.  c x is an exact product
// (Dekker's, or the fused multiply-add's error term: the same bits);
// x - c is exact (x >= 1/128 and c within 1/128, or c = 0), 1 - RN(c x)
// too (Sterbenz: c x in [2/3, 2] for j >= 1), and it is 0 or above the
// product's low part, so FastTwoSum gives the numerator exactly; the
// denominator by FastTwoSum (1 >= c x, or x >= c) within 2^-106.  Their
// quotient: v = RN(1/d), th = RN(n v) within 2^-51.9, the remainder
// n - th d exact (Sterbenz), tl = RN(remainder v): relative error below
// 2^-100.  atan t = t + t^3 A(t^2), A of
// elementary/generate/coefficients.sollya (relative error 2^-72.4); with
// t2 = RN(th^2), A in double (Estrin's scheme; its terms past the first
// below 2^-15.3 of it) and t3 A = th (t2 A): relative error below
// 4 * 2^-53 on a term below |t| 2^-15.58, so 2^-67.5 |t|, plus the
// dropped th^2 tl term (3 * 2^-53 * 2^-14 |t|: included) and the
// rounding of tl + t^3 A (2^-68.5 |t|): 2^-66.9 |t|.
// atan c, or pi/2 - atan c, from the tables (2^-105 relative), added to
// +-atan t by FastTwoSum (atan c >= atan(1/64) > |t| unless c = 0, and
// pi/2 - atan c >= pi/4), and the final sums (2^-100):
//     err = 2^-66 |t| + 2^-100 |y|,  a margin above 50 %.
// Since atan c >= atan(1/64) >> |t| when c > 0, and y >= pi/4 when
// x > 1, there is no cancellation.
//
// Accurate path: the same steps in 224-bit fixed point (fixed.hpp), the
// series of atan t to t^33 (truncation below 2^-231), atan c from the
// table; absolute error below 2^7 units of 2^-224 for a result at least
// 2^-27: a relative error below 2^-170.
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

constexpr double kA3 = -0x1.5555555555555p-2, kA5 = 0x1.99999999843b9p-3,
                 kA7 = -0x1.24923e6cd5755p-3, kA9 = 0x1.c4050a769459ep-4;

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

// The fast path for 2^-27 <= ax < 2^53: false when the rounding test
// fails.  Selections rather than branches between x <= 1 and x > 1, which
// the conversions' quotients mix at random.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE bool AtanFast(double ax, double& result) {
  const bool inverted = ax > 1.0;
  // c = j/64 nearest to z = x or 1/x (z0 = RN(z) for that choice only).
  const double z0 = inverted ? 1.0 / ax : ax;
  const double j64 = NearestInteger(z0 * 64.0);
  const double c = j64 * 0x1p-6;
  const int j = static_cast<int>(j64);
  const Pair p = ExactProduct<kProduct>(c, ax);
  // t = (x - c) / (1 + c x), or (1 - c x) / (x + c) when inverted: the
  // numerator u - qn and the denominator v + qd.
  const double u = inverted ? 1.0 : ax, v = inverted ? ax : 1.0;
  const Pair qn = inverted ? p : Pair{c, 0.0};
  const Pair qd = inverted ? Pair{c, 0.0} : p;
  const Pair num = FastTwoSum(u - qn.hi, -qn.lo);
  const Pair den = FastTwoSum(v, qd.hi);
  const double denLo = den.lo + qd.lo;
  const double inv = 1.0 / den.hi;
  const double th = num.hi * inv;
  const Pair prod = ExactProduct<kProduct>(th, den.hi);
  const double rem = ((num.hi - prod.hi) - prod.lo) + (num.lo - th * denLo);
  const Pair t = FastTwoSum(th, rem * inv);
  // atan t = t + t^3 A(t^2); atan(th + tl) = atan th + tl (1 - th^2)
  const double t2 = t.hi * t.hi, t4 = t2 * t2;
  const double a = (kA3 + t2 * kA5) + t4 * (kA7 + t2 * kA9);  // Estrin's scheme
  const double corr = t.hi * (t2 * a) - t.lo * t2;
  const Pair at = FastTwoSum(t.hi, t.lo + corr);
  // atan c + atan t, or pi/2 - atan c - atan t.
  const Pair b = inverted ? kAtanComplement[j] : kAtanTable[j];
  const double atSign = inverted ? -1.0 : 1.0;
  const Pair s = FastTwoSum(b.hi, atSign * at.hi);
  const Pair y = FastTwoSum(s.hi, s.lo + (b.lo + atSign * at.lo));
  const double err = 0x1p-66 * std::fabs(t.hi) + 0x1p-100 * std::fabs(y.hi);
  return RoundingTest(y, err, result);
}

#if MORVANE_ELEMENTARY_FMA
MORVANE_ELEMENTARY_FMA_TARGET bool AtanFused(double ax, double& result) {
  return AtanFast<Product::kFused>(ax, result);
}
#endif

}  // namespace

double Atan(double x) {
  if (x != x) return x + x;  // NaN, quietly (an ordered comparison would raise invalid)
  const double ax = std::fabs(x);
  const double sign = x < 0 ? -1.0 : 1.0;
  if (!(ax <= 1.0)) {
    if (!(ax < 0x1p53)) return sign * (kHalfPi.hi + kHalfPi.lo);  // inexact, or +-inf
  } else if (ax < kTiny) {
    return x == 0.0 ? x : x - x * 0x1p-60;
  }
  double result;
#if MORVANE_ELEMENTARY_FMA
  if (UseFusedProducts() ? AtanFused(ax, result) : AtanFast<Product::kDekker>(ax, result))
    return sign * result;
#else
  if (AtanFast<Product::kDekker>(ax, result)) return sign * result;
#endif
  return sign * AtanAccurate(ax, ax > 1.0);
}

}  // namespace morvane::elementary
