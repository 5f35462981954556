// Power: x^y = exp(y ln x).
//
// Fast path.  x = 2^e m, m in (sqrt(2)/2, sqrt(2)] (from the bits, without
// a branch); i = round(128 m) and c = 128/i rounded to 10 bits
// (kLogTable); z + zl = m c - 1 exactly, from an exact product (Dekker's,
// or the fused multiply-add's error term: the same bits; its high part
// minus 1 exact by Sterbenz's lemma),
// |z| <= 2^-7.3, |zl| <= 2^-60.3.  Then
//     ln x = e ln2 + (-ln c) + ln(1 + z),
// ln(1 + z) = z - z^2/2 + z^3 P(z) (elementary/generate/coefficients.sollya,
// error 2^-80.7) and zl (1 - z) for zl: z^2 exact, z^3 P in double (P by
// Estrin's scheme, its terms past the first below 2^-8.6 of it) with a
// relative error below 4 * 2^-53 on a term below 2^-22.6 |z|: absolute
// error below 2^-74.
// e ln2 with ln2 in a 42-bit part (exact product, |e| <= 1075) and the
// rest, -ln c a pair (2^-106), the sums by FastTwoSum, exact: z - z^2/2
// (|z| > z^2/2), e ln2 - ln c (e ln2 = 0, or |e ln2| >= 0.69 > 0.35 >=
// |ln c|), and that plus ln(1 + z): for e != 0 it is above 0.34 >
// 2^-7.3; for e = 0 it is -ln c, 0 for c = 1 or of an exponent at least
// that of z - z^2/2 over its whole interval of m (checked for each of the
// 93 entries; the closest, i = 127, has both in [2^-8, 2^-7)).  L = ln x
// within
//     2^-73.9 + 2^-100 |L|.
// T = y L by Dekker's product, Th + Tl, within |y| 2^-73.9 + 2^-99 |T|.
// exp T = 2^K 2^(j/128) exp r, k = 128 K + j = round(Th 128/ln2) (|k| <
// 2^18), r = T - k ln2/128 with ln2/128 in three parts, the first two of
// 35 bits (exact products), |r| <= ln2/256 (1 + 2^-20), error below
// 2^-87.6 |T| (the rounding of the sum d; see the code);
// exp r = 1 + r + r^2/2 + r^3 Q(r) (error 2^-84.6), the part past 1 + r
// (below 2^-17.5) in double: 2^-69.4; the table 2^(j/128) as pairs
// (2^-106) and Dekker's product.  So the relative error of the result is
// below |y| 2^-73.9 + |T| 2^-87.5 + 2^-69.2, and the bound taken,
//     err = |v| (|y| 2^-73 + |T| 2^-87 + 2^-68),
// has a margin of about 40 % on the |T| term, above 50 % on the others.
//
// Accurate path.  The same steps in 224-bit fixed point: ln(1 + z) by
// 2 atanh(z/(2 + z)) to the 29th power (truncation below 2^-240), e ln2
// and -ln c from 224-bit constants, T = y L with y = Y 2^s; exp r by its
// Taylor series to the 19th power at r/256, squared eight times.  The
// relative error is below 2^(-205 + max(s, 0)) (s <= 64).  When even that
// cannot decide between two doubles, the value is taken for the exact
// midpoint it is nearest to, and rounded to even: x^y is a midpoint for
// some (x, y) (x = 2^27 - 1, y = 2 is one), and within 2^-150 of one
// without being one for no known pair.
//
// Results below 2^-1022 are rounded twice (to 53 bits, then to the
// subnormal's precision): within one ulp, not always correctly rounded.
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "elementary/double_double.hpp"
#include "elementary/elementary.hpp"
#include "elementary/fixed.hpp"
#include "elementary/tables.hpp"

namespace morvane::elementary {
namespace detail {

extern thread_local std::uint64_t accurateCount;

namespace {

constexpr double kP[8] = {0x1.5555555555555p-2,  -0x1.fffffffffffffp-3, 0x1.99999999b9f2p-3,
                          -0x1.5555555585ad8p-3, 0x1.2492309d60696p-3,  -0x1.ffffb6ce1a27bp-4,
                          0x1.d1c0aace792fbp-4,  -0x1.a9741cf154627p-4};
constexpr double kQ[5] = {0x1.5555555555555p-3, 0x1.5555555555519p-5, 0x1.11111113d7817p-7,
                          0x1.6c16c5552eadbp-10, 0x1.9ef247834414ep-13};
constexpr double kSqrtTwo = 0x1.6a09e667f3bcdp+0;
constexpr std::uint64_t kHalfSqrtTwoBits = 0x3fe6a09e667f3bcdu;  // kSqrtTwo / 2
static_assert(std::bit_cast<double>(kHalfSqrtTwoBits) == kSqrtTwo / 2);

// 2^k for -1022 <= k <= 1023.
double PowerOfTwo(int k) {
  return std::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52);
}

// v 2^K for v in [0.5, 2): exact for a normal result; overflows or rounds
// (once) a subnormal one, raising the exceptions.
double Scale(double v, int K) {
  if (K > 1023) return (v * PowerOfTwo(1023)) * PowerOfTwo(K - 1023);
  if (K < -1022) return (v * PowerOfTwo(K + 200)) * PowerOfTwo(-200);
  return v * PowerOfTwo(K);
}

// 0 if y is not an integer, 1 if odd, 2 if even.
int IntegerKind(double y) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(y);
  const int e = static_cast<int>((bits >> 52) & 0x7ff) - 1023;
  if (e < 0) return 0;
  if (e > 52) return 2;
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << (52 - e)) - 1);
  if (fraction) return 0;
  if (e == 0) return 1;  // +-1
  return ((bits >> (52 - e)) & 1) ? 1 : 2;
}

double Accurate(double m, int e, int index, double y) {
  ++accurateCount;
  const Fixed one = FromInt(1);
  const Fixed z = Sub(Mul(FromDouble(m), FromDouble(kLogTable[index].c)), one);  // exact (2^-63)
  const Fixed s = Mul(z, Reciprocal(Add(FromInt(2), z)));
  const Fixed s2 = Mul(s, s);
  Fixed acc = DivSmall(one, 29);
  for (std::uint32_t k = 13; k <= 13; --k) acc = Add(DivSmall(one, 2 * k + 1), Mul(s2, acc));
  Fixed ln = ShiftLeft(Mul(s, acc), 1);
  ln = Add(ln, FromDigits(kMinusLogCFixed[index]));
  const Fixed eLn2 = MulSmall(FromDigits(kLn2Fixed), static_cast<std::uint32_t>(e < 0 ? -e : e));
  ln = e < 0 ? Sub(ln, eLn2) : Add(ln, eLn2);
  // y = Y 2^s, Y in [1, 2)
  const std::uint64_t ybits = std::bit_cast<std::uint64_t>(y);
  const int ys = static_cast<int>((ybits >> 52) & 0x7ff) - 1023;
  const double Y = std::bit_cast<double>((ybits & 0x800fffffffffffffu) | 0x3ff0000000000000u);
  Fixed t = Mul(FromDouble(Y), ln);
  t = ys >= 0 ? ShiftLeft(t, ys) : ShiftRight(t, -ys);
  // exp t = 2^k exp r
  const double kd = NearestInteger(Approximate(t) * 0x1.71547652b82fep+0);
  const int k = static_cast<int>(kd);
  const Fixed kLn2 = MulSmall(FromDigits(kLn2Fixed), static_cast<std::uint32_t>(k < 0 ? -k : k));
  const Fixed r = k < 0 ? Add(t, kLn2) : Sub(t, kLn2);
  const Fixed r8 = ShiftRight(r, 8);
  acc = one;
  for (std::uint32_t n = 19; n >= 1; --n) acc = Add(one, DivSmall(Mul(r8, acc), n));
  for (int i = 0; i < 8; ++i) acc = Mul(acc, acc);
  const int relBits = 205 - (ys > 0 ? ys : 0);
  if (k >= -969) return RoundToDouble(acc, LeadingBit(acc) - relBits, k, true).value;
  return Scale(RoundToDouble(acc, LeadingBit(acc) - relBits, 0, true).value, k);
}

// x^y for finite x > 0 and 0 < |y| <= 2^64.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE double PowPositive(double x, double y) {
  std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
  int e = 0;
  if ((bits >> 52) == 0) {  // subnormal
    bits = std::bit_cast<std::uint64_t>(x * 0x1p54);
    e = -54;
  }
  // x = 2^e m with m in (s/2, s], s = kSqrtTwo, from the bits without a
  // branch (x near 1 falls on either side at random): with b the bits of
  // x and B those of s/2, q = floor((b - B - 1) / 2^52) and m = x 2^-q,
  // whose bits are b - q 2^52 (x = s/2 gives q = -1, x = s gives q = 0).
  const std::int64_t shift =
      (static_cast<std::int64_t>(bits) - static_cast<std::int64_t>(kHalfSqrtTwoBits) - 1) >> 52;
  e += static_cast<int>(shift);
  const double m = std::bit_cast<double>(bits - (static_cast<std::uint64_t>(shift) << 52));
  // round(128 m) in [91, 181], read from the low bits of 128 m + 1.5 2^52
  // (NearestInteger's sum) rather than converted back: a shorter chain.
  const double shifted = m * 128.0 + 0x1.8p52;
  const int index = static_cast<int>(std::bit_cast<std::uint64_t>(shifted) & 0xff) - 90;
  const LogEntry& entry = kLogTable[index];
  const Pair mc = ExactProduct<kProduct>(m, entry.c);
  const Pair zz = FastTwoSum(mc.hi - 1.0, mc.lo);  // exact: mc.hi - 1 by Sterbenz
  const double z = zz.hi;
  const Pair z2 = ExactSquare<kProduct>(z);
  // P(z) by Estrin's scheme (a shorter chain of dependent operations).
  const double zsq = z2.hi, z4 = zsq * zsq;
  const double p01 = kP[0] + z * kP[1], p23 = kP[2] + z * kP[3];
  const double p45 = kP[4] + z * kP[5], p67 = kP[6] + z * kP[7];
  const double pz = (p01 + zsq * p23) + z4 * (p45 + zsq * p67);
  const double tail = z * (z2.hi * pz);
  const Pair ln1p = FastTwoSum(z, -0.5 * z2.hi);  // |z| > z^2/2
  const double ed = static_cast<double>(e);
  const double e1 = ed * kLn2Parts[0], e2 = ed * kLn2Parts[1];
  const Pair s1 = FastTwoSum(e1, entry.minusLogC.hi);  // e1 = 0 or |e1| > 0.69 > 0.35
  const Pair s2 = FastTwoSum(s1.hi, ln1p.hi);  // see the comment at the top
  // ln(1 + z + zl) = ln(1 + z) + zl (1 - z) + O(zl^2)
  const double zlTerm = zz.lo - zz.lo * z;
  const double low =
      (s1.lo + s2.lo) + ((e2 + entry.minusLogC.lo) + (((ln1p.lo - 0.5 * z2.lo) + tail) + zlTerm));
  const Pair L = FastTwoSum(s2.hi, low);
  // T = Th + Tl, not renormalized (|Tl| <= 2^-52 |Th| (1 + 2^-50)).
  const Pair yl = ExactProduct<kProduct>(y, L.hi);
  const double Th = yl.hi, Tl = yl.lo + y * L.lo;
  if (Th > 709.8) return 0x1p1023 * 2.0;          // overflow
  if (Th < -745.2) return 0x1p-1022 * 0x1p-60;    // underflow to 0
  if (std::fabs(Th) < 0x1p-60) return 1.0 + Th;  // 1, inexact
  // exp T: r0 = Th - k C0 exact (C0 of 35 bits, |k| < 2^18; Sterbenz for
  // k != 0); d = (Tl - k C2) - k C1 with k C1 exact (C1 of 35 bits too),
  // k C2 within 2^-53 |k| 2^-83, Tl - k C2 within 2^-53 (|Tl| + 2^-83 |k|);
  // |d| <= 2^-52 |T| + 2^-34.6 |T| (|k| <= 128 |T|/ln2 + 1/2 <= 2^8.52 |T|
  // for k != 0, as then |T| >= ln2/256; d = Tl exactly for k = 0), so the
  // last subtraction is within 2^-53 |d| <= 2^-87.6 |T|, the others far
  // below; rh + rl = r0 + d exactly (TwoSum, off the chain to the
  // polynomial, which waits only for rh).
  const double kd = NearestInteger(Th * k128OverLn2);
  const double r0 = Th - kd * kLn2Over128Parts[0];
  const double d = (Tl - kd * kLn2Over128Parts[2]) - kd * kLn2Over128Parts[1];
  const Pair r = TwoSum(r0, d);
  const double rsq = r.hi * r.hi;
  const double q = (kQ[0] + r.hi * kQ[1]) + rsq * ((kQ[2] + r.hi * kQ[3]) + rsq * kQ[4]);
  const double p = rsq * (0.5 + r.hi * q);
  const Pair e0 = FastTwoSum(1.0, r.hi);
  const Pair E = FastTwoSum(e0.hi, e0.lo + (r.lo + (p + r.lo * r.hi)));
  const std::int64_t k = static_cast<std::int64_t>(kd);
  const int j = static_cast<int>(k & 127);
  const int K = static_cast<int>(k >> 7);  // floor(k / 128): C++20's arithmetic shift
  const Pair tb = kExp2Table[j];
  const Pair v0 = ExactProduct<kProduct>(tb.hi, E.hi);
  const Pair v = FastTwoSum(v0.hi, v0.lo + (tb.hi * E.lo + tb.lo * E.hi));
  const double err =
      std::fabs(v.hi) * ((std::fabs(y) * 0x1p-73 + std::fabs(Th) * 0x1p-87) + 0x1p-68);
  double rounded;
  if (RoundingTest(v, err, rounded)) return Scale(rounded, K);
  return Accurate(m, e, index, y);
}

// x^1.5 = x sqrt(x) for x in [2^-600, 2^600] (the result and every
// product below far from overflow and underflow); false when the rounding
// test cannot decide (then the general path does).
//   s = RN(sqrt x) (IEEE), sqrt x = s (1 + eta), |eta| <= 2^-53, so
// x = s^2 (1 + d) with d = 2 eta + eta^2, |d| <= 2^-52 (1 + 2^-53), and the
// remainder r = x - s^2 = s^2 d is a double (a classical property of the
// correctly rounded square root); from the exact square s^2 = p + q,
// x - p is exact (Sterbenz: p in [x/2, 2x]) and (x - p) - q = r exact.
//   x^1.5 = x s (1 + d)^(1/2), and x s + s r/2 = x s (1 + d/(2 (1 + d)))
// (s r = s^3 d = x s d/(1 + d)): they differ by x s (3 d^2/8 + O(d^3)),
// below 2^-105 |x s|.  x s = ph + pl exactly; s r/2 rounded: error below
// 2^-53 2^-53 |x s|; pl + s r/2 (each below 2^-53 |x s|) rounded: error
// below 2^-105 |x s|.  In all below 2^-103.6 |x s|; the bound taken,
// 2^-100 |ph|, also covers the roundings of lo +- err in the test.
// An exact x^1.5 (x = a^2, a^3 a double) has r = 0, pl = 0 and passes;
// a midpoint (a^3 of 54 bits) fails the test and goes to the general path.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE bool ThreeHalves(double x, double& result) {
  const double s = __builtin_sqrt(x);
  const Pair sq = ExactSquare<kProduct>(s);
  const double r = (x - sq.hi) - sq.lo;
  const Pair p = ExactProduct<kProduct>(x, s);
  const Pair v = {p.hi, p.lo + 0.5 * (s * r)};
  return RoundingTest(v, std::fabs(p.hi) * 0x1p-100, result);
}

// Pow's other cases (C's Annex F, subnormal or negative x, |y| > 2^64),
// away from the common path.
[[gnu::noinline]] double PowSpecial(double x, double y);

// Pow itself for one kind of product.  The common case, x a positive
// normal double and 0 < |y| <= 2^64, takes two integer comparisons; the
// exponents 1.5, 0.5 and 2 (only they, among the powers with a 1-bit
// significand or 1.5 2^n, are tested, and only then) take their exact
// or square-root paths.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE double PowAll(double x, double y) {
  const std::uint64_t xb = std::bit_cast<std::uint64_t>(x);
  const std::uint64_t yb = std::bit_cast<std::uint64_t>(y);
  // xb in [2^52, 0x7ff 2^52): 0 < x < inf, normal; (yb << 1) in
  // [1, 0x87e 2^52]: y != 0 and |y| <= 2^64 (so not NaN nor infinite).
  if (xb - 0x0010000000000000u < 0x7fe0000000000000u &&
      (yb << 1) - 1 < 0x87e0000000000000u) {
    if ((yb & 0x0007ffffffffffffu) == 0) {
      if (y == 1.5) {
        double result;
        // x in [2^-600, 2^600]: its biased exponent in [423, 1623).
        if (xb - (std::uint64_t{423} << 52) < (std::uint64_t{1200} << 52) &&
            ThreeHalves<kProduct>(x, result))
          return result;
      } else if (y == 0.5) {
        return __builtin_sqrt(x);  // correctly rounded (IEEE)
      } else if (y == 2.0) {
        return x * x;  // correctly rounded, overflow and underflow included
      }
    }
    return PowPositive<kProduct>(x, y);
  }
  return PowSpecial(x, y);
}

#if MORVANE_ELEMENTARY_FMA
MORVANE_ELEMENTARY_FMA_TARGET double PowFused(double x, double y) {
  return PowAll<Product::kFused>(x, y);
}
#endif

double PowAny(double x, double y) {
#if MORVANE_ELEMENTARY_FMA
  if (UseFusedProducts()) return PowFused(x, y);
#endif
  return PowAll<Product::kDekker>(x, y);
}

#if MORVANE_ELEMENTARY_FMA
MORVANE_ELEMENTARY_FMA_TARGET double PowPositiveFused(double x, double y) {
  return PowPositive<Product::kFused>(x, y);
}
#endif

// PowPositive for any finite x > 0 (subnormal too) and 0 < |y| <= 2^64.
double PowPositiveAny(double x, double y) {
#if MORVANE_ELEMENTARY_FMA
  if (UseFusedProducts()) return PowPositiveFused(x, y);
#endif
  return PowPositive<Product::kDekker>(x, y);
}

double PowSpecial(double x, double y) {
  if (y == 0.0) return 1.0;  // even for a NaN x
  if (x == 1.0) return 1.0;  // even for a NaN y
  if (x != x || y != y) return x + y;
  const double ax = std::fabs(x), ay = std::fabs(y);
  const int kind = IntegerKind(y);
  const bool odd = kind == 1;
  if (ay == std::numeric_limits<double>::infinity()) {
    if (ax == 1.0) return 1.0;  // x = -1
    return (ax < 1.0) == (y > 0.0) ? 0.0 : ay;
  }
  if (x == 0.0) {
    if (y < 0.0) return odd ? 1.0 / x : 1.0 / ax;  // infinite, divide-by-zero
    return odd ? x : 0.0;
  }
  if (ax == std::numeric_limits<double>::infinity()) {
    const double magnitude = y < 0.0 ? 0.0 : ax;
    return (x < 0.0 && odd) ? -magnitude : magnitude;
  }
  if (x < 0.0 && kind == 0) return (x - x) / (x - x);  // NaN, invalid
  if (ay > 0x1p64) {
    // |y ln |x|| > 2^64 2^-54 (x != 1): far beyond both ends of the range.
    if ((ax > 1.0) == (y > 0)) return x < 0.0 && odd ? -(0x1p1023 * 2.0) : 0x1p1023 * 2.0;
    return x < 0.0 && odd ? -(0x1p-1022 * 0x1p-60) : 0x1p-1022 * 0x1p-60;  // underflow to 0
  }
  // A subnormal x, or a negative x with an integer y: |x|^y, negated for
  // an odd y.
  const double magnitude = PowPositiveAny(ax, y);
  return odd && x < 0.0 ? -magnitude : magnitude;
}

}  // namespace
}  // namespace detail

using namespace detail;

double Pow(double x, double y) { return PowAny(x, y); }

}  // namespace morvane::elementary
