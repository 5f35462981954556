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

// ln(1 + z) = z - z^2/2 + z^3 P(z) (coefficients.sollya).
constexpr double kLogP[5] = {0x1.5555555555555p-2, -0x1.fffffffffe9a7p-3, 0x1.9999999adb1fdp-3,
                             -0x1.55557f9d7cb18p-3, 0x1.248accec9b93ep-3};
// exp(r) = 1 + r + r^2 R(r) (coefficients.sollya), R(0) = 1/2.
constexpr double kExpR[4] = {0x1p-1, 0x1.5555555555555p-3, 0x1.55555569a847p-5,
                             0x1.1111114a97edfp-7};
constexpr double kShift = 0x1.8p52;  // NearestInteger's constant
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

// The accurate path for finite x > 0 (subnormal too) and 0 < |y| <= 2^64.
// It has its own reduction: x = 2^e m, m in (sqrt(2)/2, sqrt(2)],
// i = round(128 m), c = kLogTable[i - 90].c (10 bits), m c - 1 exact in
// 224-bit fixed point.
[[gnu::noinline]] double Accurate(double x, double y) {
  ++accurateCount;
  std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
  int e = 0;
  if ((bits >> 52) == 0) {  // subnormal
    bits = std::bit_cast<std::uint64_t>(x * 0x1p54);
    e = -54;
  }
  const std::int64_t shift =
      (static_cast<std::int64_t>(bits) - static_cast<std::int64_t>(kHalfSqrtTwoBits) - 1) >> 52;
  e += static_cast<int>(shift);
  const double m = std::bit_cast<double>(bits - (static_cast<std::uint64_t>(shift) << 52));
  const int index = static_cast<int>(NearestInteger(m * 128.0)) - 90;
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

// a b + c when a b and the sum are both doubles (exact): one fused
// multiply-add, or the two operations, the same bits.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE double ExactMulAdd(double a, double b, double c) {
  if constexpr (kProduct == Product::kFused) {
    return __builtin_fma(a, b, c);
  } else {
    return a * b + c;
  }
}

// m c - 1 for c of at most 26 bits when it is a double (the table's
// entries ensure it): one fused multiply-add, exact; or Dekker's product
// p + q = m c (c needs no splitting: its halves are c and 0), then p - 1
// exact (Sterbenz: p in [1/2, 2]) and (p - 1) + q rounds the exact value,
// a double: the same bits.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE double ShortProductMinusOne(double m, double c) {
  if constexpr (kProduct == Product::kFused) {
    return __builtin_fma(m, c, -1.0);
  } else {
    const double p = m * c;
    const Pair ms = Split(m);
    const double q = (ms.hi * c - p) + ms.lo * c;
    return (p - 1.0) + q;
  }
}

// w + wl = -z^2/2 exactly, w = RN(-z^2/2) (-z/2 exact, no underflow for
// the z here: 0 or |z| >= 2^-62).
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE Pair MinusHalfSquare(double z) {
  if constexpr (kProduct == Product::kFused) {
    const double a = -0.5 * z;
    const double w = a * z;
    return {w, __builtin_fma(a, z, -w)};
  } else {
    const Pair sq = TwoSquare(z);
    return {-0.5 * sq.hi, -0.5 * sq.lo};
  }
}

// r = Th - kd C exactly, C = kPowLn2Over1024[0] (|kd| < 2^19; see the
// proof at the top): one fused multiply-add; or, with C = Ch + Cl (26 and
// 27 bits, kd Ch and kd Cl exact), Th - kd Ch, exact, then minus kd Cl,
// which rounds the exact r: the same bits.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE double ReduceExact(double Th, double kd) {
  if constexpr (kProduct == Product::kFused) {
    return __builtin_fma(-kd, kPowLn2Over1024[0], Th);
  } else {
    return (Th - kd * kPowLn2Over1024[1]) - kd * kPowLn2Over1024[2];
  }
}

// exp(Th + Tl) = 2^K (up or down) when up == down, k = 256 K + j the
// integer nearest to Tk 256/ln2 (Tk = Th, or an earlier approximation of
// it); errRel bounds the relative error (see the top).
struct ExpResult {
  double up, down;
  int K;
};
template <Product kProduct, bool kLargeT>
MORVANE_ELEMENTARY_INLINE ExpResult ExpCore(double Tk, double Th, double Tl, double errRel) {
  const double kd0 = Tk * kPow1024OverLn2 + kShift;
  const double kd = kd0 - kShift;
  const std::int64_t k =
      static_cast<std::int64_t>(std::bit_cast<std::uint64_t>(kd0) - std::bit_cast<std::uint64_t>(kShift));
  const Pair tb = kPowExp2Table[k & 1023];
  const double r = ReduceExact<kProduct>(Th, kd);
  const double d = Tl - kd * kPowLn2Over1024[3];
  const double rsq = r * r;
  // tb.hi (r^2 R(r)), R = (c0 + c1 r) + r^2 (c2 + c3 r)
  const double tp = (tb.hi * rsq) * ((kExpR[0] + r * kExpR[1]) + rsq * (kExpR[2] + r * kExpR[3]));
  const Pair E = FastTwoSum(1.0, r);
  // exp(r + d) = exp(r) (1 + d + ...): d exp(r) = d + d (r + r^2/2 + ...)
  double dTerm;
  if constexpr (kLargeT) {
    dTerm = d + d * (r + 0.5 * rsq);
  } else {
    dTerm = d + d * r;
  }
  const Pair v = ExactProduct<kProduct>(tb.hi, E.hi);
  const double vl = ((v.lo + tb.lo * E.hi) + tb.hi * (E.lo + dTerm)) + tp;
  const double err = tb.hi * errRel;
  return {v.hi + (vl + err), v.hi + (vl - err), static_cast<int>(k >> 10)};
}

// x^y for finite x > 0 and 0 < |y| <= 2^64.
template <Product kProduct, bool kSmallY = false>
MORVANE_ELEMENTARY_INLINE double PowPositive(double x, double y) {
  std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
  std::int64_t e = 0;
  if ((bits >> 52) == 0) {  // subnormal
    bits = std::bit_cast<std::uint64_t>(x * 0x1p54);
    e = -54;
  }
  const std::uint64_t u = bits - kPowLogOffset;
  e += static_cast<std::int64_t>(u) >> 52;  // C++20's arithmetic shift
  const PowLogEntry& entry = kPowLogTable[(u >> 43) & 511];
  const double m = std::bit_cast<double>(bits - (u & 0xfff0000000000000u));
  const double z = ShortProductMinusOne<kProduct>(m, entry.c);
  const double ed = static_cast<double>(e);
  const double t = ExactMulAdd<kProduct>(ed, kLn2Parts[0], entry.th);
  const Pair s = FastTwoSum(t, z);
  // z^3 P(z) = z^3 (p0 + p1 z) + z^5 ((p2 + p3 z) + z^2 p4)
  const double zsq = z * z, z3 = zsq * z;
  const double tail = z3 * (kLogP[0] + z * kLogP[1]) +
                      (z3 * zsq) * ((kLogP[2] + z * kLogP[3]) + zsq * kLogP[4]);
  const double tlo = ed * kLn2Parts[1] + entry.tl;
  const double lo = ((s.lo + tlo) - 0.5 * zsq) + tail;
  const Pair yl = ExactProduct<kProduct>(y, s.hi);
  const Pair T = FastTwoSum(yl.hi, yl.lo + y * lo);
  if constexpr (kSmallY) {
    if (std::fabs(yl.hi) <= 8.0) [[likely]] {
      const ExpResult v = ExpCore<kProduct, false>(yl.hi, T.hi, T.lo, 0x1p-69);
      if (v.up == v.down) return v.up * PowerOfTwo(v.K);
      return Accurate(x, y);
    }
  }
  if (T.hi > 709.8) return 0x1p1023 * 2.0;        // overflow
  if (T.hi < -745.2) return 0x1p-1022 * 0x1p-60;  // underflow to 0
  const double errRel = kSmallY ? 0x1p-69 : std::fabs(y) * 0x1p-70 + 0x1p-73;
  const ExpResult v = ExpCore<kProduct, true>(T.hi, T.hi, T.lo, errRel);
  if (v.up == v.down) return Scale(v.up, v.K);
  return Accurate(x, y);
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
  if (xb - 0x0010000000000000u < 0x7fe0000000000000u) {
    const std::uint64_t ya = (yb << 1) - 1;
    if (ya < 0x7fffffffffffffffu) {  // 0 < |y| < 2
      if ((yb & 0x0007ffffffffffffu) == 0) {
        if (y == 1.5) {
          double result;
          // x in [2^-600, 2^600]: its biased exponent in [423, 1623).
          if (xb - (std::uint64_t{423} << 52) < (std::uint64_t{1200} << 52) &&
              ThreeHalves<kProduct>(x, result))
            return result;
        } else if (y == 0.5) {
          return __builtin_sqrt(x);  // correctly rounded (IEEE)
        }
      }
      return PowPositive<kProduct, true>(x, y);
    }
    if (ya < 0x87e0000000000000u) {  // 2 <= |y| <= 2^64
      if (y == 2.0) return x * x;  // correctly rounded, overflow and underflow included
      return PowPositive<kProduct>(x, y);
    }
  }
  return PowSpecial(x, y);
}

#if MORVANE_ELEMENTARY_FMA
MORVANE_ELEMENTARY_FMA_TARGET double PowFused(double x, double y) {
  return PowAll<Product::kFused>(x, y);
}
#endif

[[gnu::noinline]] double PowDekker(double x, double y) { return PowAll<Product::kDekker>(x, y); }

// The choice of products (UseFusedProducts), the fused case first: one
// load and one branch before the jump to PowFused.
double PowAny(double x, double y) {
#if MORVANE_ELEMENTARY_FMA
  const int choice = productChoice.load(std::memory_order_relaxed);
  if (choice > 0) return PowFused(x, y);
  if (choice < 0 && ChooseProducts() != 0) return PowFused(x, y);
#endif
  return PowDekker(x, y);
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
