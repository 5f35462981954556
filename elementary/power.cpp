// Power: x^y = exp(y ln x).
//
// Fast path, the logarithm.  x = 2^e m with the bits of m in
// [kPowLogOffset, kPowLogOffset + 2^52), m in [0.707, 1.415), e and m from
// the bits without a branch (|e| <= 1130, subnormal x scaled by 2^54
// first); the next 9 bits index kPowLogTable (512 entries, the one with
// m = 1 at its centre has c = 1).  Its c is short (at most 26 bits) and
// chosen so that z = m c - 1 is a double over the whole entry
// (elementary/generate/make_tables.cpp checks it): one fused multiply-add,
// or Dekker's product and two sums, the same bits; |z| <= 2^-9.4628.
//   ln x = e ln2 + (-ln c) + ln(1 + z), ln2 = LN2HI + LN2LO (42 bits and
// the rest, kLn2Parts), -ln c = th + tl, th a multiple of 2^-42: t =
// e LN2HI + th is exact (a multiple of 2^-42 below 2^10); s = t + z by
// FastTwoSum, exact (t = 0, or |t| >= 0.34 for e != 0, or, for e = 0,
// the exponent of th at least that of z: checked for each entry).
//   ln(1 + z) = z - z^2/2 + z^3 P(z) within 2^-82.56 (coefficients.sollya,
// P of degree 4).  lo = ((s.lo + tlo) - z^2/2) + z^3 P, tlo = e LN2LO + tl
// (|tlo| <= 2^-33.89): -0.5 RN(z^2) within 2^-72.93 (z^2/2 <= 2^-19.93);
// z^3 P (below 2^-29.97) with a relative error below 5 2^-53, 2^-80.57;
// tlo within 2^-85.5 (its two roundings, LN2LO 2^-98 |e|, tl 2^-96); the
// three sums of lo within 2^-106 |L| + 2^-86.9, 2^-72.92 and 2^-72.91
// (|lo| <= 2^-53 |L| + 2^-19.91).  So L = s.hi + lo within
//     dL = 2^-71.33 + 2^-104.4 |L|.
//   T = y L: y s.hi = yl.hi + yl.lo exactly (an exact product), Tl =
// yl.lo + y lo rounded twice (2^-72.91 |y| each, and 2^-105 |T|), T.hi +
// T.lo = yl.hi + Tl by FastTwoSum (|Tl| <= 2^-8.89 |yl.hi|: |lo| <= 2^-8.9
// |s.hi|, as |s.hi| >= 2^-11.01 off the central entry and |lo| <= |z|
// 2^-10.4 on it).  T.hi + T.lo = T within
//     dT = 2^-70.59 |y| + 2^-103 |T|.
//
// Fast path, the exponential.  k = 1024 K + j the integer nearest to
// Tk 1024/ln2 (NearestInteger's sum; its bits give k), C = RN(ln2/1024),
// C' = RN(ln2/1024 - C) (kPowLn2Over1024), r = T.hi - k C and d = T.lo -
// k C', so that T = k ln2/1024 + r + d within 2^-104 |T| (|d| <= 2^-52.3
// |T|, its roundings and C' within 2^-105.3, 2^-106.7, 2^-107.4 |T|).
// Tk = T.hi when |y| >= 2 or |yl.hi| > 8; otherwise Tk = yl.hi, available
// earlier: then |T.hi - yl.hi| <= |Tl| <= 2 2^-19.91 + 2^-49 <= 2^-18.9.
// In both |r| <= C (1/2 + 2^-30) + 2^-18.9 <= 2^-11.52.
//   r is exact: T.hi - k C is a multiple of min(ulp(T.hi), ulp(C) =
// 2^-63) below 2^-11.52, so a double when |T.hi| >= 2^-11; below, k is 0
// (r = T.hi) or +-1 with |T.hi| >= 2^-12.55 (ulp >= 2^-65) and |r| <=
// 2^-12.51 < 2^53 2^-65.  One fused multiply-add gives it; Dekker's
// products give it as (T.hi - k Ch) - k Cl, C = Ch + Cl (26 and 25 bits,
// |k| < 2^21: both products exact), the first difference exact by the
// same argument (it is r + k Cl, |k Cl| <= 2^-18.9, a multiple of
// ulp(T.hi)), the second rounding the double r: the same bits.
//   exp(T) = 2^K 2^(j/1024) exp(r) (1 + d + ...), with exp(r) = 1 + r +
// r^2 R(r) within 2^-80.78 for |r| <= 2^-11.45 (R of degree 3) and 1 + r
// = E.hi + E.lo exactly (FastTwoSum); d exp(r) as d + d r (|T| <= 8.04:
// the rest d r^2/2 below 2^-76.3 |T| <= 2^-73.3) or d + d (r + r^2/2)
// (any |T|; the rest far below).  2^(j/1024) = tb.hi + tb.lo (2^-106),
// tb.hi E.hi = v.hi + v.lo exactly (an exact product); vl = ((v.lo +
// tb.lo E.hi) + tb.hi (E.lo + dTerm)) + tp, tp = (tb.hi r^2) R with a
// relative error below 2^-50.83 (R's two last sums 2^-55 + 2^-54 near
// 1/2, three products), 2^-74.87 tb.hi (tp <= 2^-24.04 tb.hi); the last
// sum of vl 2^-77.03 tb.hi, the others below 2^-101 tb.hi; tb.lo times
// E.lo + dTerm + r^2 R left out, 2^-77.04 tb.hi.  The rounding test adds
// err = tb.hi errRel to vl rounded (2^-53 (|vl| + err) <= 2^-77.02 tb.hi).
// With exp(r + d) <= 1 + 2^-11.44, the error of v.hi + vl, test included,
// is below tb.hi times
//     2^-74.11 + (1 + 2^-11.44) dT (+ 2^-73.3 when d r^2/2 is left out),
// so for |y| < 2 (and |T| <= 8.04) below 2^-69.43 tb.hi: errRel = 2^-69,
// a margin of 35 %; for |y| >= 2 (or |yl.hi| > 8, |T| <= 745.2) below
// (2^-70.59 |y| + 2^-74.11 + 2^-92) tb.hi: errRel = 2^-70 |y| + 2^-73,
// above 50 %.  (For |T| below 2^-958 Dekker's yl.lo may underflow, but
// both kinds of product then give 1.)
//   T.hi > 709.8 overflows, T.hi < -745.2 gives 0; between, the result
// is v 2^K, exact for a normal result (Scale).
//
// Accurate path.  Its own reduction (the 93-entry kLogTable, c of 10
// bits), in 224-bit fixed point: ln(1 + z) by 2 atanh(z/(2 + z)) to the
// 29th power (truncation below 2^-240), e ln2 and -ln c from 224-bit
// constants, T = y L with y = Y 2^s; exp r by its Taylor series to the
// 19th power at r/256, squared eight times.  The relative error is below
// 2^(-205 + max(s, 0)) (s <= 64).  When even that cannot decide between
// two doubles, the value is taken for the exact midpoint it is nearest
// to, and rounded to even: x^y is a midpoint for some (x, y) (x = 2^27 -
// 1, y = 2 is one), and within 2^-150 of one without being one for no
// known pair.
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
#include "elementary/quick_stages.hpp"
#include "elementary/tables.hpp"

namespace morvane::elementary {
namespace detail {

extern thread_local std::uint64_t accurateCount;

namespace {

// (kLogP, kExpR: elementary/quick_stages.hpp.)
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

// r = Th - kd C exactly, C = kPowLn2Over1024[0] (|kd| < 2^21; see the
// proof at the top): one fused multiply-add; or, with C = Ch + Cl (26 and
// at most 27 bits, kd Ch and kd Cl exact), Th - kd Ch, exact, then minus
// kd Cl, which rounds the exact r: the same bits.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE double ReduceExact(double Th, double kd) {
  if constexpr (kProduct == Product::kFused) {
    return __builtin_fma(-kd, kPowLn2Over1024[0], Th);
  } else {
    return (Th - kd * kPowLn2Over1024[1]) - kd * kPowLn2Over1024[2];
  }
}

// exp(Th + Tl) = 2^K value when up == down (value = v.hi + vl, then the
// same double: see RoundingTest), k = 1024 K + j the
// integer nearest to Tk 1024/ln2 (Tk = Th, or yl.hi, an earlier
// approximation of it); errRel bounds the relative error and kLargeT
// keeps d r^2/2 (see the top).
struct ExpResult {
  double value, up, down;
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
  return {v.hi + vl, v.hi + (vl + err), v.hi + (vl - err), static_cast<int>(k >> 10)};
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
      if (v.up == v.down) return v.value * PowerOfTwo(v.K);
      return Accurate(x, y);
    }
  }
  if (T.hi > 709.8) return 0x1p1023 * 2.0;        // overflow
  if (T.hi < -745.2) return 0x1p-1022 * 0x1p-60;  // underflow to 0
  const double errRel = kSmallY ? 0x1p-69 : std::fabs(y) * 0x1p-70 + 0x1p-73;
  const ExpResult v = ExpCore<kProduct, true>(T.hi, T.hi, T.lo, errRel);
  if (v.up == v.down) return Scale(v.value, v.K);
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
