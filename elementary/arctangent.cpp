// Arctangent.
//
// atan(-x) = -atan x; for |x| > 1, atan x = pi/2 - atan(1/x), with
// z = 1/x as a double-double (qh = RN(1/x), remainder 1 - qh x exact by
// Dekker's product, relative error below 2^-104).  For |x| >= 2^53 the
// result is pi/2 rounded (pi/2 - 1/x lies within half an ulp of it).
// Then atan z = atan c + atan t with c = j/64 the nearest 64th and
//     t = (z - c) / (1 + z c),  |t| <= 1/128 (1 + 2^-40);
// z - c is exact (z >= 1/128 and c within 1/128), 1 + z c a
// double-double by Dekker's product, t their double-double quotient
// (relative error below 2^-100).  atan t = t + t^3 A(t^2), A of
// elementary/generate/coefficients.sollya (relative error 2^-72.4); with
// t2 = RN(th^2), A in double (Estrin's scheme; its terms past the first
// below 2^-15.3 of it) and t3 A = th (t2 A): relative error below
// 4 * 2^-53 on a term below |t| 2^-15.58, so 2^-67.5 |t|, plus the
// dropped th^2 tl term (3 * 2^-53 * 2^-14 |t|: included) and the
// rounding of tl + t^3 A (2^-68.5 |t|): 2^-66.9 |t|.
// atan c from the table (2^-105 relative) and the final sums (2^-100):
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

double Atan(double x) {
  if (x != x) return x + x;  // NaN, quietly (an ordered comparison would raise invalid)
  const double ax = std::fabs(x);
  const double sign = x < 0 ? -1.0 : 1.0;
  if (!(ax <= 1.0)) {
    if (!(ax < 0x1p53)) return sign * (kHalfPi.hi + kHalfPi.lo);  // inexact, or +-inf
  } else if (ax < kTiny) {
    return x == 0.0 ? x : x - x * 0x1p-60;
  }
  const bool inverted = ax > 1.0;
  Pair z{ax, 0.0};
  if (inverted) {
    const double qh = 1.0 / ax;
    const Pair p = TwoProd(qh, ax);
    z = FastTwoSum(qh, ((1.0 - p.hi) - p.lo) / ax);
  }
  const double c = NearestInteger(z.hi * 64.0) * 0x1p-6;
  const int j = static_cast<int>(c * 64.0);
  // t = (z - c) / (1 + z c)
  const Pair num = FastTwoSum(z.hi - c, z.lo);
  const Pair zc = TwoProd(z.hi, c);
  const Pair den0 = FastTwoSum(1.0, zc.hi);
  const double denLo = den0.lo + (zc.lo + z.lo * c);
  const double th = num.hi / den0.hi;
  const Pair prod = TwoProd(th, den0.hi);
  const double rem = ((num.hi - prod.hi) - prod.lo) + (num.lo - th * denLo);
  const Pair t = FastTwoSum(th, rem / den0.hi);
  // atan t = t + t^3 A(t^2); atan(th + tl) = atan th + tl (1 - th^2)
  const double t2 = t.hi * t.hi, t4 = t2 * t2;
  const double a = (kA3 + t2 * kA5) + t4 * (kA7 + t2 * kA9);  // Estrin's scheme
  const double corr = t.hi * (t2 * a) - t.lo * t2;
  const Pair at = FastTwoSum(t.hi, t.lo + corr);
  const Pair ac = kAtanTable[j];
  Pair y;
  if (inverted) {
    // pi/2 - atan c - atan t
    const Pair s1 = TwoSum(kHalfPi.hi, -ac.hi);
    const Pair s2 = TwoSum(s1.hi, -at.hi);
    y = FastTwoSum(s2.hi, s2.lo + (s1.lo + ((kHalfPi.lo - ac.lo) - at.lo)));
  } else {
    const Pair s = TwoSum(ac.hi, at.hi);
    y = FastTwoSum(s.hi, s.lo + (ac.lo + at.lo));
  }
  const double err = 0x1p-66 * std::fabs(t.hi) + 0x1p-100 * std::fabs(y.hi);
  double result;
  if (RoundingTest(y, err, result)) return sign * result;
  return sign * AtanAccurate(ax, inverted);
}

}  // namespace morvane::elementary
