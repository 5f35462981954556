// Sine, cosine and tangent.
//
// Fast path (|x| < 2^20).  x = k pi/1024 + r, k = round(x * 1024/pi),
// |r| <= pi/2048 (1 + 2^-20), r = rh + rl by Cody and Waite's reduction
// (ReduceShort for |x| < 32, the conversions' arguments, within
// 2^-115.9; ReduceLong beyond, within 2^-100).  With a = k pi/1024 and
// j = k modulo 1024, sin a = (-1)^m sin(j pi/1024) and cos a =
// (-1)^m cos(j pi/1024), m = floor(k/1024): the table kSinCosHalfTurn
// holds sin and cos of j pi/1024 as double-doubles (within 2^-106
// relative; one entry fills half a cache line), and the sign is applied
// to the rounded result (rounding to nearest is symmetric).
//     sin x = +-[A + B r + A (cos r - 1) + B (sin r - r)], A = sin(j pi/1024),
//     B = cos(j pi/1024), and cos x = sin(x + pi/2), the entry of k + 512.
// Two stages, each with its own error bound and Ziv's test: a quick one
// (QuickCombine, 2^-64 relative) and, for the arguments it cannot
// decide (about one in 2^10), a tighter one (Combine, 2^-70).  Tan
// divides A + B tan r by B - A tan r (TanFast); before that, for |x| <=
// RN(pi/2) - 2^-6, it takes tables of Taylor coefficients with no
// reduction and no division (TanCellSum, CotCellSum).  The bounds are
// derived beside each.
//
// Accurate path (the tests failed, or |x| >= 2^20).  Exact reduction
// modulo pi/2 with the bits of 2/pi (fixed.cpp), then the Taylor series
// of sin r and cos r to r^51 and r^50 in 224-bit fixed point by Horner's
// scheme (truncation below 2^-237, |r| <= pi/4; each step's product and
// truncated coefficient add at most 2 units of 2^-224, multiplied by
// r^2 <= 0.62 at each further step: below 5.3 units, 6 after the product
// by r, 10 with the reduction's 4): absolute error below 2^5 units of
// 2^-224.  Since |sin x|, |cos x| >= 2^-62 for every double x != 0 (the
// closest double to a multiple of pi/2 is 2^-60.9 away), that is a
// relative error below 2^-157.  Then the value is rounded from its
// digits.
#include <atomic>
#include <bit>
#include <cmath>

#include "elementary/double_double.hpp"
#include "elementary/elementary.hpp"
#include "elementary/fixed.hpp"
#include "elementary/quick_stages.hpp"
#include "elementary/tables.hpp"

namespace morvane::elementary {
namespace detail {

thread_local std::uint64_t accurateCount = 0;

std::atomic<int> productChoice{-1};

int ChooseProducts() {
#if MORVANE_ELEMENTARY_FMA
  __builtin_cpu_init();
  const int choice = __builtin_cpu_supports("fma") ? 1 : 0;
#else
  const int choice = 0;
#endif
  productChoice.store(choice, std::memory_order_relaxed);
  return choice;
}

namespace {

// (The limits kTinySin .. kShortLimitBits: elementary/quick_stages.hpp.)

MORVANE_ELEMENTARY_INLINE std::uint64_t AbsBits(double x) {
  return std::bit_cast<std::uint64_t>(x) & kAbsMask;
}

// Two doubles side by side (vector types of the compiler: one register
// of two lanes, or one lane at a time where the processor has none);
// each lane's operations are the IEEE ones, so the same bits as one at a
// time.
using Pairs = double __attribute__((vector_size(16)));
using PairBits = std::uint64_t __attribute__((vector_size(16)));
using PairInts = std::int64_t __attribute__((vector_size(16)));

// x - kd p, exact by the callers' conditions: one fused multiply-add
// (exact, so rounding changes nothing) or the product and the difference.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE double ExactResidue(double x, double kd, double p) {
  if constexpr (kProduct == Product::kFused) {
    return __builtin_fma(-kd, p, x);
  } else {
    return x - kd * p;
  }
}

// x = k pi/1024 + r, r = rh + rl, |rl| <= 2^-62.9.  kBits: the bits of
// NearestInteger's shifted sum, whose low 52 bits are 2^51 + k, so their
// low 11 bits are k modulo 2048.
struct Reduction {
  std::uint64_t kBits;
  double rh, rl;
};

// |x| < 32: k = round(x 1024/pi), |k| <= 10431 < 2^13.35 (|x 1024/pi - k|
// <= 1/2 + 2^-38, the roundings of the product and of the constant, so
// |r| <= R = pi/2048 (1 + 2^-20)); pi/1024 = P1 + P2 + P3
// (kPiOver1024Short), P1 and P2 of 38 bits, so k P1 and k P2 are exact,
// and |pi/1024 - (P1 + P2 + P3)| < 2^-141.
//   r0 = x - k P1 is exact: for k != 0, |x| >= 2^-9.36, so x is a
//   multiple of 2^-62, k P1 one of 2^-46, and |r0| <= R + |k| 2^-47 <
//   2^-9.3 is below 2^53 of that unit.
//   rh = RN(r0 - t), t = k P2 (|t| <= 2^-34.1, a multiple of 2^-85), and
//   e = (r0 - rh) - t = r0 - t - rh exactly: when |r0| >= |t| by
//   FastTwoSum's theorem; otherwise |r0 - t| < 2^-33.1 is a multiple of
//   2^-85, a double, so rh = r0 - t and e = 0, the operations exact.
//   rl = RN(e - k P3): |e| <= 2^-63 (|rh| < 2^-9), |k P3| < 2^-73.9, so
//   roundings below 2^-116 + 2^-127; P3's truncation adds |k| 2^-141 <
//   2^-127.
// So |r - (rh + rl)| < 2^-115.9, and |rl| < 2^-62.9.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE Reduction ReduceShort(double x) {
  const double shifted = x * k1024OverPi + 0x1.8p52;
  const double kd = shifted - 0x1.8p52;
  const double r0 = ExactResidue<kProduct>(x, kd, kPiOver1024Short[0]);
  const double t = kd * kPiOver1024Short[1];
  const double rh = r0 - t;
  const double e = (r0 - rh) - t;
  return {std::bit_cast<std::uint64_t>(shifted), rh, e - kd * kPiOver1024Short[2]};
}

// 32 <= |x| < 2^20: pi/1024 in five parts of 23 bits (|k| < 2^28.4, so
// each k part is exact), |pi/1024 - sum| < 2^-130.4.  x is a multiple of
// 2^-47, as is k P1 (P1 one of 2^-31), and |r0| <= R + |k| 2^-32 < 2^-3.5
// is below 2^53 of that unit: r0 = x - k P1 is exact.  The next two
// subtractions by TwoSum, exact; their low parts (below 2^-63 each) and
// k P4 (below 2^-52), k P5 in double: three roundings below 2^-105 each;
// the truncation |k| 2^-130.4 < 2^-102; the last TwoSum exact: |r - (rh
// + rl)| < 2^-101.5 < 2^-100, and |rl| <= ulp(rh)/2 < 2^-62.9.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE Reduction ReduceLong(double x) {
  const double shifted = x * k1024OverPi + 0x1.8p52;
  const double kd = shifted - 0x1.8p52;
  const double r0 = ExactResidue<kProduct>(x, kd, kPiOver1024Parts[0]);
  const Pair s1 = TwoSum(r0, -(kd * kPiOver1024Parts[1]));
  const Pair s2 = TwoSum(s1.hi, -(kd * kPiOver1024Parts[2]));
  const double t = ((s1.lo + s2.lo) - kd * kPiOver1024Parts[3]) - kd * kPiOver1024Parts[4];
  const Pair r = TwoSum(s2.hi, t);
  return {std::bit_cast<std::uint64_t>(shifted), r.hi, r.lo};
}

// (kShortAbsErr, kLongAbsErr, the reduction's error with a margin of 8:
// elementary/quick_stages.hpp.)

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE Reduction ReduceFast(double x, std::uint64_t absBits) {
  return absBits < kShortLimitBits ? ReduceShort<kProduct>(x) : ReduceLong<kProduct>(x);
}

// The second stage (Combine): of r, shared by sin(a + r) and cos(a + r),
//   r2 + r2lo = rh^2 exactly (ExactSquare),
//   sinMinusR = rh^3 S(rh^2) + rl (1 - rh^2/2): the part of sin r past r
//     (coefficients.sollya: within 2^-87 absolute, 2^-78.3 |r|), plus
//     the first-order part of rl in sin r, rl cos rh;
//   quartic = r^4 C(r^2), the part of cos r past 1 - r^2/2 (within
//     2^-93.9), from rh;
//   r2Rest = r2lo + 2 rh rl: r^2 = r2 + r2Rest within 2^-125.
constexpr double kS3 = -0x1.5555555555555p-3, kS5 = 0x1.111111086bacdp-7,
                 kS7 = -0x1.94e36f9c30e5fp-13;
constexpr double kC4 = 0x1.5555555555553p-5, kC6 = -0x1.6c16c06dd8b89p-10;

struct OfR {
  double rh, r2, r2Rest, sinMinusR, quartic;
};

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE OfR Polynomials(const Reduction& red) {
  const double r = red.rh;
  const Pair sq = ExactSquare<kProduct>(r);
  const double r2 = sq.hi, r4 = r2 * r2;
  const double sinMinusR =
      (r * r2) * (kS3 + r2 * (kS5 + r2 * kS7)) + red.rl * (1.0 - 0.5 * r2);
  const double quartic = r4 * (kC4 + r2 * kC6);
  return {r, r2, sq.lo + (r + r) * red.rl, sinMinusR, quartic};
}

struct Estimate {
  Pair y;
  double err;
};

// sin(a + r) from A = sin a and B = cos a (pairs from the table, or cos a
// and -sin a for cos(a + r)), a = j pi/1024, |r| <= R = u/2 (1 + 2^-20),
// u = pi/1024:
//     sin(a + r) = A + B r - A r^2/2 + [A (cos r - 1 + r^2/2) + B (sin r - r)].
// Let M = |A| + |B r|.
//   B rh is an exact product (ExactProduct: Dekker's, or the fused
//   multiply-add's error term, the same bits); its sum with A by
//   FastTwoSum is exact, as |B rh| <= R (1 + 2^-52) < sin u <= |A| unless
//   A = 0 (then the sum is exact too).  Hence |B r| < |A|/2 + 2^-60 and
//   |y| >= M/3.
//   -A r^2/2 = h (r2 + r2Rest), h = -A/2 exact: h r2 an exact product,
//   |h r2| <= 2^-19.7 |A|, added by FastTwoSum (exact: the sum is at
//   least |A|/2.1, unless A = 0 and the product 0); h r2Rest below
//   2^-70 M, its rounding negligible.
//   The small terms (below 2^-50 M: the low parts of the sums and the
//   products, Alo, Blo rh, h r2Rest, A quartic): roundings below 2^-100 M.
//   B (sin r - r), below 2^-21.3 |B r| (r^2/6 <= 2^-21.3): six roundings
//   (rh^2, rh^3, the sum in S, below 2^-56 of 1/6 so 2^-53.4 relative,
//   the product by rh^3, the sum with the rl term, the product by B),
//   5.9 * 2^-53 * 2^-21.3 M = 2^-71.7 M, and its sum with the small terms,
//   2^-74.3 M.  The terms dropped (Blo rl, A rl^2 / 2, rl^2 in sin r) are
//   below 2^-100 M.
//   The polynomials: 2^-78.3 |B r| + 2^-93.9 |A|; the table's pairs,
//   2^-106 M.
// In all |error| < (2^-71.7 + 2^-74.3 + 2^-78) M + E < 2^-71.4 M + E, E
// the reduction's error (2^-115.9 or 2^-100).  A last FastTwoSum leaves
// |lo| <= ulp(hi)/2 for Ziv's test (RoundingTest).  The bound
//     err = 2^-70 (|A| + |B rh|) + 2^-112 (|x| < 32) or 2^-97
// has a margin of 2.6 over the first term, which covers its own roundings
// and those of Ziv's test, and of 8 over E.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE Estimate Combine(double aHi, double aLo, double bHi, double bLo,
                                           const OfR& p, double absErr) {
  const Pair br = ExactProduct<kProduct>(bHi, p.rh);
  const Pair s1 = FastTwoSum(aHi, br.hi);
  const double h = -0.5 * aHi;
  const Pair t = ExactProduct<kProduct>(h, p.r2);
  const Pair s2 = FastTwoSum(s1.hi, t.hi);
  const double small = ((br.lo + aLo) + (s1.lo + t.lo)) + (bLo * p.rh + (h * p.r2Rest + aHi * p.quartic));
  const double lo = (s2.lo + small) + bHi * p.sinMinusR;
  const double err = 0x1p-70 * (std::fabs(aHi) + std::fabs(br.hi)) + absErr;
  return {FastTwoSum(s2.hi, lo), err};
}

// Ziv's test on hi + lo (see Combine and RoundingTest).
MORVANE_ELEMENTARY_INLINE bool ZivRounded(const Estimate& e, double& result) {
  return RoundingTest(e.y, e.err, result);
}

// The table's entry for k modulo 1024 and the sign of sin a and cos a,
// a = k pi/1024: (-1)^floor(k/1024) (k's bit 10), as a factor +-1 (the
// product exact).  The half turn's table gives sin and cos of
// a - pi floor(k/1024).
MORVANE_ELEMENTARY_INLINE const SinCosEntry& EntryOf(std::uint64_t kBits) {
  return kSinCosHalfTurn[kBits & 1023];
}
constexpr double kHalfTurnSign[2] = {1.0, -1.0};
MORVANE_ELEMENTARY_INLINE double SignFactor(std::uint64_t kBits) { return kHalfTurnSign[(kBits >> 10) & 1]; }

// The second stage: sin x for the fast range from Combine, or false when
// Ziv's test fails.  A negation is exact and rounding to nearest
// symmetric, so the sign is applied to the rounded value.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE bool SinPrecise(double x, std::uint64_t absBits, double& result) {
  const Reduction red = ReduceFast<kProduct>(x, absBits);
  const double absErr = absBits < kShortLimitBits ? kShortAbsErr : kLongAbsErr;
  const SinCosEntry& e = EntryOf(red.kBits);
  const Estimate est = Combine<kProduct>(e.sinHi, e.sinLo, e.cosHi, e.cosLo, Polynomials<kProduct>(red), absErr);
  double v;
  if (!ZivRounded(est, v)) return false;
  result = v * SignFactor(red.kBits);
  return true;
}

// cos x = sin(x + pi/2): the entry of k + 512.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE bool CosPrecise(double x, std::uint64_t absBits, double& result) {
  const Reduction red = ReduceFast<kProduct>(x, absBits);
  const double absErr = absBits < kShortLimitBits ? kShortAbsErr : kLongAbsErr;
  const std::uint64_t kBits = red.kBits + 512;
  const SinCosEntry& e = EntryOf(kBits);
  const Estimate est = Combine<kProduct>(e.sinHi, e.sinLo, e.cosHi, e.cosLo, Polynomials<kProduct>(red), absErr);
  double v;
  if (!ZivRounded(est, v)) return false;
  result = v * SignFactor(kBits);
  return true;
}

// The first stage: the same sum to a looser bound, in fewer operations
// (about one argument in 2^10 fails its test and goes to the second).
//   cos r - 1 = r^2 (-1/2 + r^2 CQ) and sin r - r = r^3 (S3 + r^2 S5)
//   (coefficients.sollya: errors 2^-66.6 absolute and 2^-71.4 |r|), both
//   from rh; rl added to sin r - r.
//   sin(a + r) = A + B rh (exact, as in Combine) + [Alo + Blo rh +
//   B (sin r - r + rl) + A (cos r - 1)], the bracket in double.
// Errors, M = |A| + |B r| as in Combine:
//   the polynomials, 2^-66.6 |A| + 2^-71.4 |B r|;
//   A (cos r - 1), |.| <= 2^-19.7 |A|, after four roundings (rh^2; the
//   sum -1/2 + ..., below 2^-55 so 2^-54 relative; the product by rh^2;
//   the product by A): 3.5 * 2^-53 * 2^-19.7 M = 2^-70.9 M; rl dropped
//   from r^2: |A rh rl| <= 2^-72.2 M;
//   B (sin r - r + rl), below 2^-21.3 M, after six roundings (rh^2, rh^3,
//   the sum in S, the product, the sum with rl, the product by B):
//   2^-71.7 M; dropped, B r^2 rl / 2 <= 2^-73.2 M and Blo rl;
//   the sums: the two with the terms above 2^-28 M and the one with the
//   FastTwoSum's low part, 2^-53 of quantities below 2^-19.4 M: 2^-70.8 M;
//   Ziv's test adds lo -+ err first (|lo| < 2^-19.2 M): 2^-72.2 M.
// In all below 2^-66.6 (1 + 2^-4.8 + 2^-4.3 + 2^-5.6 + 2^-5.1 + 2^-6.6 +
// 2^-4.2 + 2^-5.6) M < 2^-66.31 M, plus the reduction's error E.
// M <= 3.1 |hi|: hi = RN(A + B rh), and |B rh| <= 0.5001 |A| unless A = 0,
// where M = |B r| <= |hi| (1 + 2^-51).  The bound
//     err = 2^-64 |hi| + 2^-112 (|x| < 32) or 2^-97
// exceeds 3.1 * 2^-66.31 |hi| = 2^-64.68 |hi| by a factor 1.6, which
// covers its own roundings, and E by 8.
// (kS3Quick, kS5Quick, kCQuick: elementary/quick_stages.hpp.)

struct OfRQuick {
  double rh, cosMinusOne, sinMinusR;
};

MORVANE_ELEMENTARY_INLINE OfRQuick QuickPolynomials(const Reduction& red) {
  const double r = red.rh, r2 = r * r;
  const double cosMinusOne = r2 * (-0.5 + r2 * kCQuick);
  const double sinMinusR = (r * r2) * (kS3Quick + r2 * kS5Quick) + red.rl;
  return {r, cosMinusOne, sinMinusR};
}

// The first stage's sum for one entry, the two polynomials (the same as
// QuickPolynomials) and their products by A and B side by side.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE Estimate QuickCombine(const SinCosEntry& e, const Reduction& red,
                                                     double absErr) {
  const double r = red.rh, r2 = r * r;
  const Pairs powers = {r2, r * r2};
  const Pairs parts =
      (r2 * Pairs{kCQuick, kS5Quick} + Pairs{-0.5, kS3Quick}) * powers + Pairs{0.0, red.rl};
  const Pairs terms = Pairs{e.sinHi, e.cosHi} * parts;  // A (cos r - 1), B (sin r - r + rl)
  const Pair br = ExactProduct<kProduct>(e.cosHi, r);
  const Pair sum = FastTwoSum(e.sinHi, br.hi);
  const double small = ((br.lo + e.sinLo) + e.cosLo * r) + (terms[1] + terms[0]);
  const double err = 0x1p-64 * std::fabs(sum.hi) + absErr;
  return {{sum.hi, sum.lo + small}, err};
}

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE bool SinQuick(double x, std::uint64_t absBits, double& result) {
  const Reduction red = ReduceFast<kProduct>(x, absBits);
  const double absErr = absBits < kShortLimitBits ? kShortAbsErr : kLongAbsErr;
  const SinCosEntry& e = EntryOf(red.kBits);
  const Estimate est = QuickCombine<kProduct>(e, red, absErr);
  double v;
  if (!ZivRounded(est, v)) return false;
  result = v * SignFactor(red.kBits);
  return true;
}

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE bool CosQuick(double x, std::uint64_t absBits, double& result) {
  const Reduction red = ReduceFast<kProduct>(x, absBits);
  const double absErr = absBits < kShortLimitBits ? kShortAbsErr : kLongAbsErr;
  const std::uint64_t kBits = red.kBits + 512;
  const SinCosEntry& e = EntryOf(kBits);
  const Estimate est = QuickCombine<kProduct>(e, red, absErr);
  double v;
  if (!ZivRounded(est, v)) return false;
  result = v * SignFactor(kBits);
  return true;
}

struct AccurateSinCos {
  Fixed s, c;  // of r
  int quadrant;
};

AccurateSinCos Accurate(double x) {
  ++accurateCount;
  const Reduced red = ReduceHalfPi(x);
  // Horner's scheme in r^2 with the coefficients 1/m! (kInverseFactorials,
  // truncated): sin r = r (1/1! - r^2 (1/3! - r^2 (...))), cos r = 1/0! -
  // r^2 (1/2! - ...), to r^51/51! and r^50/50!.
  const Fixed r2 = Mul(red.r, red.r);
  Fixed s = FromDigits(kInverseFactorials[51]);
  for (int m = 49; m >= 1; m -= 2) s = Sub(FromDigits(kInverseFactorials[m]), Mul(r2, s));
  s = Mul(red.r, s);
  Fixed c = FromDigits(kInverseFactorials[50]);
  for (int m = 48; m >= 0; m -= 2) c = Sub(FromDigits(kInverseFactorials[m]), Mul(r2, c));
  return {s, c, red.quadrant};
}

constexpr int kAccurateErrBit = 5;

// sin x from the accurate path: sin(r + q pi/2).
double SinFrom(const AccurateSinCos& a) {
  const Fixed v[4] = {a.s, a.c, Neg(a.s), Neg(a.c)};
  return RoundToDouble(v[a.quadrant], kAccurateErrBit, 0).value;
}

double CosFrom(const AccurateSinCos& a) {
  const Fixed v[4] = {a.c, Neg(a.s), Neg(a.c), a.s};
  return RoundToDouble(v[a.quadrant], kAccurateErrBit, 0).value;
}

}  // namespace
}  // namespace detail

using namespace detail;

std::uint64_t AccuratePathCount() { return accurateCount; }

namespace {

#if defined(__GNUC__)
#define MORVANE_TRIG_NOINLINE __attribute__((noinline))
#define MORVANE_TRIG_COLD __attribute__((noinline, cold))
#else
#define MORVANE_TRIG_NOINLINE
#define MORVANE_TRIG_COLD
#endif

MORVANE_TRIG_COLD double SinAccurate(double x) { return SinFrom(Accurate(x)); }
MORVANE_TRIG_COLD double CosAccurate(double x) { return CosFrom(Accurate(x)); }

// The second stages, out of line (rarely taken): Combine's tighter
// bound, then the accurate path.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE double SinSecondStage(double x, std::uint64_t absBits) {
  double result;
  if (SinPrecise<kProduct>(x, absBits, result)) return result;
  return SinAccurate(x);
}

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE double CosSecondStage(double x, std::uint64_t absBits) {
  double result;
  if (CosPrecise<kProduct>(x, absBits, result)) return result;
  return CosAccurate(x);
}

MORVANE_TRIG_NOINLINE double SinSecondDekker(double x, std::uint64_t absBits) {
  return SinSecondStage<Product::kDekker>(x, absBits);
}
MORVANE_TRIG_NOINLINE double CosSecondDekker(double x, std::uint64_t absBits) {
  return CosSecondStage<Product::kDekker>(x, absBits);
}
#if MORVANE_ELEMENTARY_FMA
MORVANE_ELEMENTARY_FMA_TARGET MORVANE_TRIG_NOINLINE double SinSecondFused(double x,
                                                                          std::uint64_t absBits) {
  return SinSecondStage<Product::kFused>(x, absBits);
}
MORVANE_ELEMENTARY_FMA_TARGET MORVANE_TRIG_NOINLINE double CosSecondFused(double x,
                                                                          std::uint64_t absBits) {
  return CosSecondStage<Product::kFused>(x, absBits);
}
#endif

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE double SinSecond(double x, std::uint64_t absBits) {
#if MORVANE_ELEMENTARY_FMA
  if constexpr (kProduct == Product::kFused) return SinSecondFused(x, absBits);
#endif
  return SinSecondDekker(x, absBits);
}

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE double CosSecond(double x, std::uint64_t absBits) {
#if MORVANE_ELEMENTARY_FMA
  if constexpr (kProduct == Product::kFused) return CosSecondFused(x, absBits);
#endif
  return CosSecondDekker(x, absBits);
}

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE double SinFast(double x, std::uint64_t absBits) {
  double result;
  if (SinQuick<kProduct>(x, absBits, result)) [[likely]]
    return result;
  return SinSecond<kProduct>(x, absBits);
}

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE double CosFast(double x, std::uint64_t absBits) {
  double result;
  if (CosQuick<kProduct>(x, absBits, result)) [[likely]]
    return result;
  return CosSecond<kProduct>(x, absBits);
}

// Two lanes: sin(a + r) and cos(a + r) = sin(a + pi/2 + r) side by
// side, each lane doing QuickCombine's operations (or TanFast's sums) on
// its own pair, the same bits as one at a time.

// low = a * b - p, p = RN(a * b), exact, lane by lane (see ExactProduct).
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE void ProductLow2(const Pairs& a, double b, const Pairs& p, Pairs& low) {
#if MORVANE_ELEMENTARY_FMA
  if constexpr (kProduct == Product::kFused) {
    low = Pairs{__builtin_fma(a[0], b, -p[0]), __builtin_fma(a[1], b, -p[1])};
    return;
  }
#endif
  const Pairs c = 134217729.0 * a;
  const Pairs ah = c - (c - a), al = a - ah;
  const Pair bs = Split(b);
  low = ((ah * bs.hi - p) + ah * bs.lo + al * bs.hi) + al * bs.lo;
}

// The table's entry as (A, B) for both lanes: (sin a, cos a) and
// (cos a, -sin a), hi and lo parts.
struct EntryPairs {
  Pairs aHi, bHi, aLo, bLo;
};
MORVANE_ELEMENTARY_INLINE EntryPairs PairsOf(const SinCosEntry& e) {
  return {Pairs{e.sinHi, e.cosHi}, Pairs{e.cosHi, -e.sinHi}, Pairs{e.sinLo, e.cosLo},
          Pairs{e.cosLo, -e.sinLo}};
}

// sin(a + r) and cos(a + r) = sin(a + pi/2 + r) from one entry: the
// entry of k + 512 holds the pair (cos a, -sin a) up to the half turn's
// sign (the negations exact, a zero's sign aside, which the sums do not
// see), with the same sign bit as k's (bit 10 of k + 512 differs from
// k's exactly when the table's pair changes sign).  Both stages, each
// with its own bound.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE SinCosPair SinCosSecondStage(double x, std::uint64_t absBits) {
  const Reduction red = ReduceFast<kProduct>(x, absBits);
  const double absErr = absBits < kShortLimitBits ? kShortAbsErr : kLongAbsErr;
  const OfR p = Polynomials<kProduct>(red);
  const SinCosEntry& e = EntryOf(red.kBits);
  const Estimate es = Combine<kProduct>(e.sinHi, e.sinLo, e.cosHi, e.cosLo, p, absErr);
  const Estimate ec = Combine<kProduct>(e.cosHi, e.cosLo, -e.sinHi, -e.sinLo, p, absErr);
  const double sign = SignFactor(red.kBits);
  double s, c;
  const bool sinDone = ZivRounded(es, s);
  const bool cosDone = ZivRounded(ec, c);
  if (sinDone && cosDone) return {s * sign, c * sign};
  const AccurateSinCos a = Accurate(x);
  return {sinDone ? s * sign : SinFrom(a), cosDone ? c * sign : CosFrom(a)};
}

MORVANE_TRIG_NOINLINE SinCosPair SinCosSecondDekker(double x, std::uint64_t absBits) {
  return SinCosSecondStage<Product::kDekker>(x, absBits);
}
#if MORVANE_ELEMENTARY_FMA
MORVANE_ELEMENTARY_FMA_TARGET MORVANE_TRIG_NOINLINE SinCosPair SinCosSecondFused(
    double x, std::uint64_t absBits) {
  return SinCosSecondStage<Product::kFused>(x, absBits);
}
#endif

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE SinCosPair SinCosSecond(double x, std::uint64_t absBits) {
#if MORVANE_ELEMENTARY_FMA
  if constexpr (kProduct == Product::kFused) return SinCosSecondFused(x, absBits);
#endif
  return SinCosSecondDekker(x, absBits);
}

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE SinCosPair SinCosFast(double x, std::uint64_t absBits) {
  const Reduction red = ReduceFast<kProduct>(x, absBits);
  const double absErr = absBits < kShortLimitBits ? kShortAbsErr : kLongAbsErr;
  const OfRQuick p = QuickPolynomials(red);
  const EntryPairs e = PairsOf(EntryOf(red.kBits));
  // QuickCombine in both lanes.
  const Pairs brHi = e.bHi * p.rh;
  Pairs brLo;
  ProductLow2<kProduct>(e.bHi, p.rh, brHi, brLo);
  const Pairs sumHi = e.aHi + brHi;
  const Pairs sumLo = brHi - (sumHi - e.aHi);
  const Pairs small = ((brLo + e.aLo) + e.bLo * p.rh) + (e.bHi * p.sinMinusR + e.aHi * p.cosMinusOne);
  const Pairs lo = sumLo + small;
  const PairBits absMask = {kAbsMask, kAbsMask};
  const Pairs absHi = reinterpret_cast<Pairs>(reinterpret_cast<PairBits>(sumHi) & absMask);
  const Pairs err = 0x1p-64 * absHi + absErr;
  const Pairs up = sumHi + (lo + err);
  const Pairs down = sumHi + (lo - err);
  const PairInts done = up == down;
  if ((done[0] & done[1]) != 0) [[likely]] {
    const Pairs values = (sumHi + lo) * SignFactor(red.kBits);  // up itself (RoundingTest)
    return {values[0], values[1]};
  }
  return SinCosSecond<kProduct>(x, absBits);
}

// tan x, a = j pi/1024 (j = k modulo 1024: tan has the period pi, so the
// half turn's sign drops out), A = sin a, B = cos a, tau = tan r:
//     tan(a + r) = (A + B tau) / (B - A tau) = N / D,
// dividing sin(a + r) and cos(a + r) by cos r.  No r^2 term: N and D are
// a double-double sum and an exact product each.
//   tau = rh + tl, tl = rh^3 T(rh^2) + rl (coefficients.sollya: relative
//   error 2^-76.6 of tan r); the term (tau' - 1) rl = tau^2 rl dropped
//   (below 2^-72.2 of |B tau| and |A tau|, as |rh rl| <= 2^-72.2).
//   N = A + B rh (B rh an exact product; the sum by FastTwoSum, exact:
//   |B rh| <= 0.5001 |A| unless A = 0) plus Alo + Blo rh + B tl in
//   double, a low part below 2^-18.6 |nHi|; D = B - A rh likewise
//   (|A rh| <= 0.5001 |B| unless B = 0).
// Errors, M_N = |A| + |B tau| (M_D = |B| + |A tau| alike): tl, |tl| <=
// 2^-20.3 |tau|, after six roundings (rh^2, rh^3, the sum in T, below
// 2^-55 of 1/3 so 2^-53.4 relative, the product by rh^3, the sum with
// rl, the product by B): 6 * 2^-53 * 2^-20.3 |B tau| = 2^-70.7 M_N; the
// three sums with B tl: 3 * 2^-53 * 2^-20.3 M_N = 2^-71.7 M_N; the
// polynomial, the dropped terms, the table: below 2^-72 M_N.  In all
// 2^-69.8 M_N, and |N - (nHi + nLo)| < 2^-69.8 M_N + |B| E, E the
// reduction's error (D alike with |A| E).
// The quotient q = N / D: N and D renormalised (FastTwoSum, exact), so
// that |nLo| <= 2^-53 |nHi| and |dLo| <= 2^-53 |dHi|.  v = RN(1/dHi),
// qh = RN(nHi v), within 2^-51.9 of N/D, so qh dHi is within a factor 2
// of nHi and nHi - qh dHi is exact (an exact product, Sterbenz); the
// remainder's other roundings (qh dHi's low part, nLo - qh dLo) and
// ql = RN(rem v) add below 2^-100 |q|.  With the errors eN, eD of N and
// D, |q - (qh + ql)| <= (eN + |q| eD) / |D| (1 + 2^-50) + 2^-100 |q|.
// The bound
//     err = (2^-69 (M_N + |qh| M_D) + E (1 + |qh|)) |v| + 2^-99 |qh|,
// M_N and M_D from rh (within 2^-50), has a margin of 1.7 over the first
// term and 8 over E (kShortAbsErr, kLongAbsErr), which covers the
// roundings of the bound and of Ziv's test.
constexpr double kT3 = 0x1.5555555555555p-2, kT5 = 0x1.1111111225465p-3, kT7 = 0x1.ba055b4538355p-5;

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE bool TanFast(double x, std::uint64_t absBits, double& result) {
  const Reduction red = ReduceFast<kProduct>(x, absBits);
  const double absErr = absBits < kShortLimitBits ? kShortAbsErr : kLongAbsErr;
  const EntryPairs e = PairsOf(EntryOf(red.kBits));
  const double r = red.rh, r2 = r * r;
  const double tl = (r * r2) * (kT3 + r2 * (kT5 + r2 * kT7)) + red.rl;
  // N and D side by side: (A, B) + (B, -A) tau.
  const Pairs btHi = e.bHi * r;
  Pairs btLo;
  ProductLow2<kProduct>(e.bHi, r, btHi, btLo);
  const Pairs sumHi = e.aHi + btHi;
  const Pairs sumLo = btHi - (sumHi - e.aHi);
  const Pairs lows = sumLo + ((btLo + e.aLo) + (e.bLo * r + e.bHi * tl));
  const PairBits absMask = {kAbsMask, kAbsMask};
  const Pairs m = reinterpret_cast<Pairs>(reinterpret_cast<PairBits>(e.aHi) & absMask) +
                  reinterpret_cast<Pairs>(reinterpret_cast<PairBits>(btHi) & absMask);
  const Pair n = FastTwoSum(sumHi[0], lows[0]);
  const Pair dn = FastTwoSum(sumHi[1], lows[1]);
  const double mN = m[0], mD = m[1];
  const double v = 1.0 / dn.hi;
  const double qh = n.hi * v;
  const Pair p = ExactProduct<kProduct>(qh, dn.hi);
  const double rem = ((n.hi - p.hi) - p.lo) + (n.lo - qh * dn.lo);
  const double ql = rem * v;
  const double aq = std::fabs(qh);
  const double err = (0x1p-69 * (mN + aq * mD) + absErr * (1.0 + aq)) * std::fabs(v) + 0x1p-99 * aq;
  return RoundingTest({qh, ql}, err, result);
}

// tan x for 2^-27 <= |x| <= 1 (the conversions' pi/4 - phi/2, about
// 0.33 .. 0.37 in Belgium): no reduction modulo pi and no division.
// tan(-x) = -tan x; for ax = |x|, c = j/256 nearest to ax (ax + 1.5 * 2^44
// rounds ax to a multiple of 2^-8, the unit of the sum's last place, so
// the sum's low bits are j, j = 0 .. 256, and c = sum - 1.5 * 2^44
// exactly); h = ax - c is exact (|h| <= 2^-9 <= c/2 for j >= 1,
// Sterbenz; h = ax for j = 0), |h| <= H = 2^-9.  The cell j of kTanCells
// holds the Taylor coefficients of tan about c (make_tables.cpp):
//     tan(c + h) = t0 + t1 h + T(h),  T(h) = t2 h^2 + ... + t8 h^8,
// up to the truncation and the rounding of t2 .. t8, E <= 2^-69.57 of
// the least tangent y0 of the cell (the bounds over the cells printed in
// tables.hpp: B2 = t2 H^2 <= 2^-16.22 and B3 = sum t_k H^k for k = 3 .. 8
// <= 2^-19.58 of it, B3 <= 0.098 B2; t0 <= 2.00001 y0 and t1 H <=
// 1.00001 y0).  Below u = 2^-53, y = tan ax >= y0.
// Evaluation.  t1 h = p + pe exactly (a product of doubles); t1 = t1.hi +
// t1.lo within 2^-106 t1, and t1.lo h is below 2^-52 y: its rounding, the
// sum pe + RN(t1.lo h) and t1's truncation are below 2^-104 y each.  T in
// double by Horner's scheme in h and h^2: t2 h^2 passes through 3
// roundings (h2, the sum with t2, the product by h2), the terms of degree
// 3 to 8 through at most 13, so the computed T is within 3.0001 u B2 +
// 13.01 u B3 <= 4.28 u B2 of T(h).  t0 as a pair within 2^-106 t0 <=
// 2^-104.9 y.  The pair's high part plus p by FastTwoSum, exact (j >= 2:
// t0 >= c >= 2^-7 > 3.43 H >= |p|; j = 1: t0 > 2^-8 > 1.0001 H; j = 0:
// t0 = 0): s.hi + s.lo; the low parts s.lo, t0.lo and pe + t1.lo h below
// 2^-51 y (two roundings, 2^-103 y each), then v = (the low parts) + T:
// one rounding, u (B2 + B3 + 2^-50) y <= 1.1 u B2 y.  (s.hi, v) is not
// normalised: |v| <= 1.1 B2 y, and the rounding test's v -+ err are
// rounded within u (|v| + err) <= 1.1 u B2 y more.  In all, with
// u B2 = 2^-69.22 and E = 0.78 u B2:
//     (0.78 + 4.28 + 1.1 + 1.1) u B2 + 2^-100 <= 7.27 * 2^-69.22 < 2^-66.35
// relative to y, below err = 1.25 * 2^-66 s.hi >= 1.24 * 2^-66 y (|s.hi
// - y| <= 2^-15 y): a margin of 1.56.  The test fails for about 2^-12 of
// the arguments; those take the reduction's path below (TanFast), then
// the accurate path.
// (kTanCellLimitBits: elementary/quick_stages.hpp.)

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE bool TanCellSum(double ax, double& result) {
  const double shifted = ax + 0x1.8p44;
  const double c = shifted - 0x1.8p44;  // j/256, exact
  const double h = ax - c;              // exact
  const std::uint32_t j = static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(shifted));
  const TanCell& cell = kTanCells[j];
  // T(h) = h^2 (t2 + h (t3 + t4 h + h^2 (t5 + t6 h + h^2 (t7 + t8 h))));
  // the three inner sums do not depend on each other.
  const double h2 = h * h;
  const double s0 = cell.t[1] + cell.t[2] * h;
  const double s1 = cell.t[3] + cell.t[4] * h;
  const double s2 = cell.t[5] + cell.t[6] * h;
  const double tail = h2 * (cell.t[0] + h * (s0 + h2 * (s1 + h2 * s2)));
  const Pair p = ExactProduct<kProduct>(cell.t1.hi, h);
  const double low = p.lo + cell.t1.lo * h;
  const Pair s = FastTwoSum(cell.t0.hi, p.hi);
  const double v = (s.lo + (cell.t0.lo + low)) + tail;
  return RoundingTest(Pair{s.hi, v}, 0x1.4p-66 * s.hi, result);
}

// tan x for 1 < |x| <= P1 - 2^-6, P1 = RN(pi/2) = kHalfPi.hi: tan x =
// cot z, z = pi/2 - ax = zh + P2, zh = P1 - ax exact (Sterbenz: P1/2 <=
// ax <= P1), P2 = kHalfPi.lo < 2^-53.8; zh in [2^-6, 0.5708).  The cells
// split each binade [2^e, 2^(e+1)) of zh (e = -6 .. -1) into 128: the
// bits of zh above the last 45 give the index (the exponent and 7 bits of
// the significand), c = the centre of the cell (those bits, then a one,
// then zeros), and h = zh - c is exact (zh and c in the same binade, both
// multiples of 2^(e-52), |h| <= 2^(e-8), so h has at most 44 bits).  The
// cell holds the Taylor coefficients of cot about c (make_tables.cpp):
//     cot(c + g) = t0 + t1 g + T(g),  g = h + P2,  T(g) = t2 g^2 + ... + t8 g^8,
// with |g| <= H = 2^(e-8) (1 + 2^-30), up to E <= 2^-69.64 of the least
// cotangent y0 of the cell (tables.hpp: B2 <= 2^-15.88, B3 <= 2^-23.87,
// so B3 <= 2^-8 B2; t0 <= 1.0047 y0, |t1| H <= 0.0047 y0); y = cot z >=
// y0; with u = 2^-53 and u B2 = 2^-68.88:
//   t1 g = p + pe + t1.hi P2 + t1.lo g: p + pe = t1.hi h exactly;
//   |t1.hi P2| <= P2 / sin^2 c <= 2^-47.8 y (c >= 2^-6), so its rounding,
//   that of t1.lo gr (gr = RN(h + P2)), the dropped t1.lo (g - gr) and
//   the sums of these low parts are below 2^-100 y each.
//   T at gr instead of g: |T'| <= (2 B2 + 8 B3) y / H <= 2.04 B2 y / H
//   and |gr - g| <= u H: 2.04 u B2.  T's evaluation as in TanCellSum:
//   3.0001 u B2 + 13.01 u B3 <= 3.06 u B2.  t0 as a pair, its high part
//   plus p by FastTwoSum, exact (|p| <= 0.0047 y < t0.hi); v = (the low
//   parts) + T: u (B2 + B3 + 2^-47) y <= 1.01 u B2 y, and the rounding
//   test's v -+ err: 1.01 u B2 y more.  In all, E = 0.59 u B2:
//     (0.59 + 3.06 + 2.04 + 1.01 + 1.01) u B2 + 2^-98 <= 7.72 * 2^-68.88 < 2^-65.92
//   relative to y, below err = 2^-65 s.hi >= 2^-65 (1 - 2^-15) y: a
//   margin of 1.88.
// (kCotCellLimitBits: elementary/quick_stages.hpp.)

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE bool CotCellSum(double ax, double& result) {
  const double zh = kHalfPi.hi - ax;  // exact
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(zh);
  constexpr std::uint64_t kLow = (std::uint64_t{1} << 45) - 1;
  const double c = std::bit_cast<double>((bits & ~kLow) | (std::uint64_t{1} << 44));
  const double h = zh - c;  // exact
  const std::uint64_t index = (bits >> 45) - (std::bit_cast<std::uint64_t>(0x1p-6) >> 45);
  const TanCell& cell = kCotCells[index];
  const double g = h + kHalfPi.lo;
  const double g2 = g * g;
  const double s0 = cell.t[1] + cell.t[2] * g;
  const double s1 = cell.t[3] + cell.t[4] * g;
  const double s2 = cell.t[5] + cell.t[6] * g;
  const double tail = g2 * (cell.t[0] + g * (s0 + g2 * (s1 + g2 * s2)));
  const Pair p = ExactProduct<kProduct>(cell.t1.hi, h);
  const double low = (p.lo + cell.t1.hi * kHalfPi.lo) + cell.t1.lo * g;
  const Pair s = FastTwoSum(cell.t0.hi, p.hi);
  const double v = (s.lo + (cell.t0.lo + low)) + tail;
  return RoundingTest(Pair{s.hi, v}, 0x1p-65 * s.hi, result);
}

// The meridian arc's sines: the four arguments 2 phi, 4 phi, 8 phi
// (exact) and 6.0 * phi (rounded, as Sin's caller computes it), each
// reduced and evaluated as Sin does (the same operations, so the same
// bits), in one call.  |phi| in [2^-27, 4): every argument is in
// [2^-26, 32), the short reduction's range.
// The four first stages side by side, each lane of a vector of four
// doubles doing the operations of SinQuick (ReduceShort and QuickCombine)
// on its own argument: the same bound, so the lanes whose test succeeds
// hold Sin's values; the others call Sin's second stage.  The compiler
// maps the vectors onto the processor's (two halves, or one lane at a
// time where it has none); every lane's operations are the IEEE ones.
// (Lanes, ProductLow and ResidueLanes: elementary/quick_stages.hpp.)

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE SinMultiplesOf SinMultiplesFast(double phi) {
  const Lanes x = {2.0 * phi, 4.0 * phi, 6.0 * phi, 8.0 * phi};
  Lanes rh, rl;
  LaneBits kBits;
  ReduceShortLanes<kProduct>(x, rh, rl, kBits);
  // The four entries, transposed: A, B, Alo, Blo by lane.
  const SinCosEntry& e0 = EntryOf(kBits[0]);
  const SinCosEntry& e1 = EntryOf(kBits[1]);
  const SinCosEntry& e2 = EntryOf(kBits[2]);
  const SinCosEntry& e3 = EntryOf(kBits[3]);
  const Lanes a = {e0.sinHi, e1.sinHi, e2.sinHi, e3.sinHi};
  const Lanes b = {e0.cosHi, e1.cosHi, e2.cosHi, e3.cosHi};
  const Lanes aLo = {e0.sinLo, e1.sinLo, e2.sinLo, e3.sinLo};
  const Lanes bLo = {e0.cosLo, e1.cosLo, e2.cosLo, e3.cosLo};
  // QuickPolynomials and QuickCombine.
  const Lanes r2 = rh * rh;
  const Lanes cosMinusOne = r2 * (-0.5 + r2 * kCQuick);
  const Lanes sinMinusR = (rh * r2) * (kS3Quick + r2 * kS5Quick) + rl;
  const LaneBits signs = (kBits << 53) & 0x8000000000000000u;  // k's bit 10 as the sign bit
  Lanes values;
  LaneInts done;
  QuickSum<kProduct>(a, aLo, b, bLo, rh, sinMinusR, cosMinusOne, signs, values, done);
  SinMultiplesOf result = {values[0], values[1], values[2], values[3]};
  if ((done[0] & done[1] & done[2] & done[3]) == 0) [[unlikely]] {
    if (done[0] == 0) result.sin2 = SinSecond<kProduct>(x[0], AbsBits(x[0]));
    if (done[1] == 0) result.sin4 = SinSecond<kProduct>(x[1], AbsBits(x[1]));
    if (done[2] == 0) result.sin6 = SinSecond<kProduct>(x[2], AbsBits(x[2]));
    if (done[3] == 0) result.sin8 = SinSecond<kProduct>(x[3], AbsBits(x[3]));
  }
  return result;
}

MORVANE_TRIG_NOINLINE SinMultiplesOf SinMultiplesDekker(double phi) {
  return SinMultiplesFast<Product::kDekker>(phi);
}
// For |x| < 32: absBits = 0 selects the short reduction at compile time
// (the second stage, if it runs, takes it too, as it must).
MORVANE_TRIG_NOINLINE double SinShortDekker(double x) { return SinFast<Product::kDekker>(x, 0); }
MORVANE_TRIG_NOINLINE double CosShortDekker(double x) { return CosFast<Product::kDekker>(x, 0); }
MORVANE_TRIG_NOINLINE SinCosPair SinCosShortDekker(double x) {
  return SinCosFast<Product::kDekker>(x, 0);
}
MORVANE_TRIG_NOINLINE bool TanShortDekker(double x, double& result) {
  return TanFast<Product::kDekker>(x, 0, result);
}
MORVANE_TRIG_NOINLINE double SinDekker(double x, std::uint64_t absBits) {
  return SinFast<Product::kDekker>(x, absBits);
}
MORVANE_TRIG_NOINLINE double CosDekker(double x, std::uint64_t absBits) {
  return CosFast<Product::kDekker>(x, absBits);
}
MORVANE_TRIG_NOINLINE SinCosPair SinCosDekker(double x, std::uint64_t absBits) {
  return SinCosFast<Product::kDekker>(x, absBits);
}
MORVANE_TRIG_NOINLINE bool TanDekker(double x, std::uint64_t absBits, double& result) {
  return TanFast<Product::kDekker>(x, absBits, result);
}

#if MORVANE_ELEMENTARY_FMA
MORVANE_ELEMENTARY_FMA_TARGET SinMultiplesOf SinMultiplesFused(double phi) {
  return SinMultiplesFast<Product::kFused>(phi);
}
MORVANE_ELEMENTARY_FMA_TARGET double SinShortFused(double x) {
  return SinFast<Product::kFused>(x, 0);
}
MORVANE_ELEMENTARY_FMA_TARGET double CosShortFused(double x) {
  return CosFast<Product::kFused>(x, 0);
}
MORVANE_ELEMENTARY_FMA_TARGET SinCosPair SinCosShortFused(double x) {
  return SinCosFast<Product::kFused>(x, 0);
}
MORVANE_ELEMENTARY_FMA_TARGET bool TanShortFused(double x, double& result) {
  return TanFast<Product::kFused>(x, 0, result);
}
MORVANE_ELEMENTARY_FMA_TARGET double SinFused(double x, std::uint64_t absBits) {
  return SinFast<Product::kFused>(x, absBits);
}
MORVANE_ELEMENTARY_FMA_TARGET double CosFused(double x, std::uint64_t absBits) {
  return CosFast<Product::kFused>(x, absBits);
}
MORVANE_ELEMENTARY_FMA_TARGET SinCosPair SinCosFused(double x, std::uint64_t absBits) {
  return SinCosFast<Product::kFused>(x, absBits);
}
MORVANE_ELEMENTARY_FMA_TARGET bool TanFused(double x, std::uint64_t absBits, double& result) {
  return TanFast<Product::kFused>(x, absBits, result);
}
#endif

// Outside the fast range: NaN, infinities, tiny and huge arguments.
MORVANE_TRIG_COLD double SinOutside(double x) {
  if (x != x) return x + x;  // NaN, quietly (an ordered comparison would raise invalid)
  const double ax = std::fabs(x);
  if (!(ax <= 0x1.fffffffffffffp1023)) return x - x;  // NaN and invalid
  if (ax < kTinySin) return x == 0.0 ? x : x - x * 0x1p-60;  // inexact
  return SinAccurate(x);
}

MORVANE_TRIG_COLD double CosOutside(double x) {
  if (x != x) return x + x;
  const double ax = std::fabs(x);
  if (!(ax <= 0x1.fffffffffffffp1023)) return x - x;
  if (ax < kTinyCos) return x == 0.0 ? 1.0 : 1.0 - 0x1p-60;  // inexact
  return CosAccurate(x);
}

MORVANE_TRIG_COLD SinCosPair SinCosOutside(double x) {
  if (x != x) return {x + x, x + x};
  const double ax = std::fabs(x);
  if (!(ax <= 0x1.fffffffffffffp1023)) return {x - x, x - x};
  if (ax < kTinyCos) return {x == 0.0 ? x : x - x * 0x1p-60, x == 0.0 ? 1.0 : 1.0 - 0x1p-60};
  const AccurateSinCos a = Accurate(x);
  return {SinFrom(a), CosFrom(a)};
}

}  // namespace

bool ForceProducts(Products products) {
  switch (products) {
    case Products::kAuto: productChoice.store(-1, std::memory_order_relaxed); return true;
    case Products::kDekker: productChoice.store(0, std::memory_order_relaxed); return true;
    case Products::kFused:
      productChoice.store(-1, std::memory_order_relaxed);
      return ChooseProducts() != 0;
  }
  return false;
}

// The fast ranges as one unsigned comparison of |x|'s bits each: x -
// lower wraps around below the range (and NaN lies above infinity).
// |x| < 32 first, the conversions' arguments; the rest out of line.
namespace {

MORVANE_TRIG_NOINLINE double SinBeyond(double x, std::uint64_t absBits) {
  if (absBits - kTinySinBits < kFastLimitBits - kTinySinBits) {
#if MORVANE_ELEMENTARY_FMA
    if (UseFusedProducts()) return SinFused(x, absBits);
#endif
    return SinDekker(x, absBits);
  }
  return SinOutside(x);
}

MORVANE_TRIG_NOINLINE double CosBeyond(double x, std::uint64_t absBits) {
  if (absBits - kTinyCosBits < kFastLimitBits - kTinyCosBits) {
#if MORVANE_ELEMENTARY_FMA
    if (UseFusedProducts()) return CosFused(x, absBits);
#endif
    return CosDekker(x, absBits);
  }
  return CosOutside(x);
}

MORVANE_TRIG_NOINLINE SinCosPair SinCosBeyond(double x, std::uint64_t absBits) {
  if (absBits - kTinyCosBits < kFastLimitBits - kTinyCosBits) {
#if MORVANE_ELEMENTARY_FMA
    if (UseFusedProducts()) return SinCosFused(x, absBits);
#endif
    return SinCosDekker(x, absBits);
  }
  return SinCosOutside(x);
}

}  // namespace

double Sin(double x) {
  const std::uint64_t absBits = AbsBits(x);
  if (absBits - kTinySinBits < kShortLimitBits - kTinySinBits) [[likely]] {
#if MORVANE_ELEMENTARY_FMA
    if (UseFusedProducts()) return SinShortFused(x);
#endif
    return SinShortDekker(x);
  }
  return SinBeyond(x, absBits);
}

double Cos(double x) {
  const std::uint64_t absBits = AbsBits(x);
  if (absBits - kTinyCosBits < kShortLimitBits - kTinyCosBits) [[likely]] {
#if MORVANE_ELEMENTARY_FMA
    if (UseFusedProducts()) return CosShortFused(x);
#endif
    return CosShortDekker(x);
  }
  return CosBeyond(x, absBits);
}

// From 2^-27 (not Sin's 2^-26): below 2^-26 the fast path gives sin x =
// x rounded, as Sin's shortcut does.
SinCosPair SinCos(double x) {
  const std::uint64_t absBits = AbsBits(x);
  if (absBits - kTinyCosBits < kShortLimitBits - kTinyCosBits) [[likely]] {
#if MORVANE_ELEMENTARY_FMA
    if (UseFusedProducts()) return SinCosShortFused(x);
#endif
    return SinCosShortDekker(x);
  }
  return SinCosBeyond(x, absBits);
}

SinMultiplesOf SinMultiples(double phi) {
  const std::uint64_t absBits = AbsBits(phi);
  constexpr std::uint64_t kLower = std::bit_cast<std::uint64_t>(0x1p-27);
  constexpr std::uint64_t kUpper = std::bit_cast<std::uint64_t>(4.0);
  // Outside, and for NaN: the four calls.
  if (absBits - kLower < kUpper - kLower) [[likely]] {
#if MORVANE_ELEMENTARY_FMA
    if (UseFusedProducts()) return SinMultiplesFused(phi);
#endif
    return SinMultiplesDekker(phi);
  }
  return {Sin(2.0 * phi), Sin(4.0 * phi), Sin(6.0 * phi), Sin(8.0 * phi)};
}

// tan x.  Fast paths: for |x| in [2^-27, RN(pi/2) - 2^-6] the cells of
// tan (TanCellSum) or of cot (CotCellSum), with Ziv's test; otherwise,
// or when that test fails, TanFast's quotient (A + B tan r) / (B - A tan r)
// and its bound, Ziv's test.
// Accurate path: tan r (even quadrant) or -cos r / sin r (odd), the
// divisor's reciprocal by Newton's iteration in fixed point; when
// |sin r| < 2^-20 the divisor is scaled by 2^40 first, so the quotient
// stays below 2^21.  Relative error below 2^-155 (sin r >= 2^-62 and
// its absolute error below 2^5 units).
namespace {

MORVANE_TRIG_COLD double TanAccurate(double x);

MORVANE_TRIG_NOINLINE double TanBeyond(double x, std::uint64_t absBits) {
  if (absBits - kTinyCosBits < kFastLimitBits - kTinyCosBits) {
    double result;
#if MORVANE_ELEMENTARY_FMA
    if (UseFusedProducts() ? TanFused(x, absBits, result) : TanDekker(x, absBits, result))
      return result;
#else
    if (TanDekker(x, absBits, result)) return result;
#endif
    return TanAccurate(x);
  }
  if (x != x) return x + x;  // NaN, quietly (an ordered comparison would raise invalid)
  const double ax = std::fabs(x);
  if (!(ax <= 0x1.fffffffffffffp1023)) return x - x;
  if (ax < kTinyCos) return x == 0.0 ? x : x + x * 0x1p-60;
  return TanAccurate(x);
}

// |x| in [2^-27, 32): the reduction's fast path, then the accurate path.
MORVANE_TRIG_NOINLINE double TanShort(double x) {
  double result;
#if MORVANE_ELEMENTARY_FMA
  if (UseFusedProducts() ? TanShortFused(x, result) : TanShortDekker(x, result)) return result;
#else
  if (TanShortDekker(x, result)) return result;
#endif
  return TanAccurate(x);
}

// First the cells (|x| in [2^-27, 1], TanCellSum; (1, P1 - 2^-6],
// CotCellSum), then, for the other arguments and the cells' failures,
// the reduction (TanFast).  The cells give tan |x| > 0; x's sign bit is put on it (tan(-x) = -tan x, and
// rounding to nearest is symmetric).
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE double TanWith(double x) {
  const std::uint64_t absBits = AbsBits(x);
  if (absBits - kTinyCosBits <= kCotCellLimitBits - kTinyCosBits) [[likely]] {
    double result;
    const double ax = std::bit_cast<double>(absBits);
    const bool done = absBits <= kTanCellLimitBits ? TanCellSum<kProduct>(ax, result)
                                                   : CotCellSum<kProduct>(ax, result);
    if (done) [[likely]] {
      return std::bit_cast<double>(std::bit_cast<std::uint64_t>(result) |
                                   (std::bit_cast<std::uint64_t>(x) & ~kAbsMask));
    }
    return TanShort(x);
  }
  if (absBits - kTinyCosBits < kShortLimitBits - kTinyCosBits) [[likely]] return TanShort(x);
  return TanBeyond(x, absBits);
}

#if MORVANE_ELEMENTARY_FMA
MORVANE_ELEMENTARY_FMA_TARGET double TanWithFused(double x) { return TanWith<Product::kFused>(x); }
#endif

}  // namespace

double Tan(double x) {
#if MORVANE_ELEMENTARY_FMA
  if (UseFusedProducts()) return TanWithFused(x);
#endif
  return TanWith<Product::kDekker>(x);
}

namespace {

double TanAccurate(double x) {
  const AccurateSinCos a = Accurate(x);
  const bool odd = (a.quadrant & 1) != 0;
  Fixed num = odd ? Neg(a.c) : a.s;
  Fixed den = odd ? a.s : a.c;
  int scale = 0;
  if (std::fabs(Approximate(den)) < 0x1p-20) {
    den = ShiftLeft(den, 40);
    scale = 40;
  }
  const Fixed q = Mul(num, Reciprocal(den));
  return RoundToDouble(q, LeadingBit(q) - 155, scale).value;
}

}  // namespace

}  // namespace morvane::elementary
