// Sine, cosine and tangent.
//
// Fast path (|x| < 2^20).  x = k pi/2048 + r with |r| <= pi/4096 (1 + 2^-22),
// k = round(x * 2048/pi), r = rh + rl by Cody and Waite's reduction:
//   |x| < 32 (the conversions' arguments; |k| <= 20861 < 2^14.35): pi/2048
//     in two parts of 38 bits and a double P3 (kPiOver2048Short), so k
//     times each part is exact.  r0 = x - k P1 is exact (for k != 0,
//     |x| >= 2^-10.4, so x and k P1 are multiples of 2^-63, and
//     |r0| < 2^-10.3 is below 2^53 of that unit); TwoSum(r0, -k P2) exact;
//     rl = its low part - k P3: roundings below 2^-116 and the parts'
//     truncation |k| 2^-142, so |r - (rh + rl)| < 2^-115.
//   32 <= |x| < 2^20: pi/2048 in five parts of at most 23 bits (|k| <
//     2^29.4), r0 exact as above (multiples of 2^-63 |k| or 2^-32, |r0| <=
//     2^-10.35 + |k| 2^-33.35), the next two subtractions by TwoSum,
//     exact; their errors and k P4 + k P5 in double: roundings below
//     2^-103.4 and the parts' truncation |k| 2.7e-40 < 2^-101.6 give
//     |r - (rh + rl)| < 2^-100.
// With a = k pi/2048 (sin a, cos a from the quarter-wave table of
// sin(i pi/2048), as double-doubles within 2^-106 relative):
//     sin x = sin a + cos a r + [sin a (cos r - 1) + cos a (sin r - r)],
//     cos x = sin(a + pi/2 + r).
// cos a rh is an exact product (ExactProduct: Dekker's, or the fused
// multiply-add's error term, the same bits); its sum with sin a by
// FastTwoSum, exact since |cos a rh| <= pi/4096 (1 + 2^-20) is below
// sin(pi/2048), so below |sin a| unless sin a = 0.  The bracket, below
// 2^-21.7 of M = |sin a| + |cos a r|, in double: cos r - 1 =
// r^2 (-1/2 + r^2 C(r^2)) and sin r - r = r^3 S(r^2), the polynomials of
// elementary/generate/coefficients.sollya (errors 2^-101.9 and 2^-77.4
// relative), computed from rh (the rl terms dropped are below 2^-73 M);
// four roundings of at most 2^-53 on each product, four on the sums of
// the low parts: |error| < 2^-71.5 M + E, E the reduction's error above
// (2^-115 or 2^-100; |y| >= M/3, as |cos a r| <= 2^-10.35 <= |sin a|/2
// unless sin a = 0).  The bound
//     err = 2^-70 (|sin a| + |cos a rh|) + 2^-110 (|x| < 32) or 2^-96
// has a margin of 2.8 over the first term and 16 over the second, which
// covers the roundings of the bound and of Ziv's test (RoundingTest).
//
// Accurate path (the test failed, or |x| >= 2^20).  Exact reduction
// modulo pi/2 with the bits of 2/pi (fixed.cpp), then the Taylor series
// of sin r and cos r to r^51 and r^50 in 224-bit fixed point (truncation
// below 2^-240, |r| <= pi/4): absolute error below 2^5 units of 2^-224.
// Since |sin x|, |cos x| >= 2^-62 for every double x != 0 (the closest
// double to a multiple of pi/2 is 2^-60.9 away), that is a relative
// error below 2^-157.  Then the value is rounded from its digits.
#include <atomic>
#include <bit>
#include <cmath>

#include "elementary/double_double.hpp"
#include "elementary/elementary.hpp"
#include "elementary/fixed.hpp"
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

constexpr double kS3 = -0x1.5555555555555p-3, kS5 = 0x1.111110d010a8dp-7;
constexpr double kC4 = 0x1.5555555555555p-5, kC6 = -0x1.6c16c11f8f291p-10;

// Below: sin x = x, tan x = x (x^2/6, x^2/3 below half an ulp); cos x = 1.
constexpr double kTinySin = 0x1p-26, kTinyCos = 0x1p-27;
constexpr double kShortLimit = 32.0;
constexpr double kFastLimit = 0x1p20;

// x = k pi/2048 + r, r = rh + rl within absErr (the absolute error that
// brings to sin(a + r), |cos a| <= 1), |rl| <= ulp(rh).
struct Reduction {
  std::int64_t k;
  double rh, rl, absErr;
};

MORVANE_ELEMENTARY_INLINE Reduction ReduceShort(double x) {
  const double kd = NearestInteger(x * k2048OverPi);  // |kd| <= 20861 < 2^14.35
  const double r0 = x - kd * kPiOver2048Short[0];
  const Pair s = TwoSum(r0, -(kd * kPiOver2048Short[1]));
  return {static_cast<std::int64_t>(kd), s.hi, s.lo - kd * kPiOver2048Short[2], 0x1p-110};
}

MORVANE_ELEMENTARY_INLINE Reduction ReduceLong(double x) {
  const double kd = NearestInteger(x * k2048OverPi);  // |kd| < 2^29.4, exact
  const double r0 = x - kd * kPiOver2048Parts[0];
  const Pair s1 = TwoSum(r0, -(kd * kPiOver2048Parts[1]));
  const Pair s2 = TwoSum(s1.hi, -(kd * kPiOver2048Parts[2]));
  const double t = ((s1.lo + s2.lo) - kd * kPiOver2048Parts[3]) - kd * kPiOver2048Parts[4];
  const Pair r = TwoSum(s2.hi, t);
  return {static_cast<std::int64_t>(kd), r.hi, r.lo, 0x1p-96};
}

MORVANE_ELEMENTARY_INLINE Reduction ReduceFast(double ax, double x) {
  return ax < kShortLimit ? ReduceShort(x) : ReduceLong(x);
}

// The parts of sin r and cos r past r and 1, from rh.
struct OfR {
  Reduction red;
  double cosMinusOne, sinMinusR;
};

MORVANE_ELEMENTARY_INLINE OfR Polynomials(const Reduction& red) {
  const double r = red.rh, r2 = r * r;
  const double cosMinusOne = r2 * (-0.5 + r2 * (kC4 + r2 * kC6));
  const double sinMinusR = r * (r2 * (kS3 + r2 * kS5));
  return {red, cosMinusOne, sinMinusR};
}

// The sign of sin a by quarter of the circle.
constexpr double kQuarterSign[4] = {1.0, 1.0, -1.0, -1.0};

struct Estimate {
  Pair y;
  double err;
};

// sin a and cos a for a = k pi/2048, as double-doubles from the table.
struct Angle {
  double saHi, saLo, caHi, caLo;
};

MORVANE_ELEMENTARY_INLINE Angle AngleOf(std::int64_t k) {
  // a = quarter pi/2 + i pi/2048: |sin a| = sin(is pi/2048) and |cos a| =
  // sin((1024 - is) pi/2048), is = i in even quarters, 1024 - i in odd
  // ones; the signs by quarter.  Indices and signs without branches, which
  // random quarters would mispredict.
  const int j = static_cast<int>(k & 4095), quarter = j >> 10, i = j & 1023;
  const int oddMask = -(quarter & 1);
  const int is = i ^ ((i ^ (1024 - i)) & oddMask);
  const Pair sa0 = kSinQuarter[is], ca0 = kSinQuarter[1024 - is];
  const double sinSign = kQuarterSign[quarter], cosSign = kQuarterSign[(quarter + 1) & 3];
  return {sinSign * sa0.hi, sinSign * sa0.lo, cosSign * ca0.hi, cosSign * ca0.lo};
}

// The angle a + pi/2 of AngleOf(k + 1024): sin(a + pi/2) = cos a,
// cos(a + pi/2) = -sin a.  The same doubles as AngleOf(k + 1024) gives
// (the table entries swap and the signs turn by one quarter; a negation is
// exact, a zero's sign included), without the second look-up.
MORVANE_ELEMENTARY_INLINE Angle QuarterTurn(const Angle& an) {
  return {an.caHi, an.caLo, -an.saHi, -an.saLo};
}

// sin(a + r) for the angle a = k pi/2048 of AngleOf(k).
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE Estimate Combine(const Angle& an, const OfR& p) {
  const double saHi = an.saHi, saLo = an.saLo, caHi = an.caHi, caLo = an.caLo;
  const Pair car = ExactProduct<kProduct>(caHi, p.red.rh);
  const double low = car.lo + (saLo + ((caLo * p.red.rh + caHi * p.red.rl) +
                                       (saHi * p.cosMinusOne + caHi * p.sinMinusR)));
  // |car.hi| <= pi/4096 (1 + 2^-20) < sin(pi/2048) <= |saHi| unless saHi = 0.
  const Pair sum = FastTwoSum(saHi, car.hi);
  const Pair y = FastTwoSum(sum.hi, sum.lo + low);
  const double err = 0x1p-70 * (std::fabs(saHi) + std::fabs(car.hi)) + p.red.absErr;
  return {y, err};
}

// sin(a + rho) for a = k pi/2048 and |rho| <= R = pi/1024 (1 + 2^-20) +
// 2^-49, rho = rh + rl within 2^-111, |rl| <= ulp(rh): the multiples m x
// (m <= 4) of x = k' pi/2048 + r reduced once, k = m k', rho = m r (and
// the rounding of 6 phi, below 2^-50).  The same sum as Combine, with
//   cos rho - 1 = rho^2 (-1/2 + rho^2 (C4 + rho^2 C6))  (absolute 2^-85),
//   sin rho - rho = rho^3 (S3 + rho^2 (S5 + rho^2 S7))  (relative 2^-75.6),
// the coefficients of coefficients.sollya for this R, computed from rh,
// and the first-order part of rl in cos rho, -sin a rh rl, added.
// Let M = |sin a| + |cos a rho|.  For m = 1, 2, 4, k and 2048 are multiples
// of m, so sin a = 0 or |sin a| >= sin(m pi/2048), while |rho| <=
// m pi/4096 (1 + 2^-22): |cos a rho| < 0.51 |sin a|, FastTwoSum(sin a,
// cos a rh) is exact and |y| >= M/3.  For m = 3 the same holds unless
// 3 k' = +-1 modulo 2048 (k' = +-683 or +-1365 here; 6 phi within
// 2.5 pi/2048 of a multiple of pi): then |sin a| is the table's
// 0x1.921faaee6472ep-10, a multiple of 2^-61, and |cos a rh| <= 1.51 |sin a|
// < 2^-8.  With opposite signs the sum is exact (Sterbenz); with equal
// ones the sum s and sin a are multiples of 2^-61 below 2^-8, so s - sin a
// is a double: FastTwoSum is exact again.  But y may be small there: the
// last FastTwoSum(s, t), t the low parts, is exact when |s| >= |t|;
// otherwise |y| < 2 |t| < 2^-16.5 M, and err >= 2^-66 M exceeds 16 ulp(y),
// so Ziv's test fails whatever y.lo holds.
// Error, with B = |sin a (cos rho - 1)| + |cos a (sin rho - rho)| <=
// 2^-17.7 M (rho^2 / 2 <= 2^-17.7):
//   cos rho - 1 from rh: three roundings (rh^2, -1/2 + ..., the product;
//   the inner ones act on terms below 2^-18 of it), and the product by
//   sin a, a fourth: 4 * 2^-53 * 2^-17.7 |sin a| = 2^-68.7 |sin a|;
//   sin rho - rho: five roundings of 2^-53 on rho^3/6, below 2^-70 |cos a rho|;
//   the five sums of the low parts, each below 2^-53 B (1 + 2^-30):
//   2^-68.4 M; the dropped (cos rho - 1) rl in sin rho: 2^-70.7 |cos a rho|;
//   the polynomials, the table (2^-106) and the other dropped products:
//   below 2^-75 M.  In all below 6.2 * 2^-70 M = 2^-67.4 M, plus at most
//   2^-111 from rho.  The bound
//     err = 2^-66 (|sin a| + |cos a rh|) + 2^-108
//   has a margin of 2.6 and 8 over these, which covers the roundings of the
//   bound and of Ziv's test.  The bound is looser than Combine's (about one
//   value in 2^11 fails the test and goes to Sin), which leaves the sum in
//   double precision.
constexpr double kWideS3 = -0x1.5555555555555p-3, kWideS5 = 0x1.1111110ee7b44p-7,
                 kWideS7 = -0x1.9f66939a61508p-13;
constexpr double kWideC4 = 0x1.555555555552ep-5, kWideC6 = -0x1.6c16bd6a793d4p-10;

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE Estimate CombineWide(std::int64_t k, double rh, double rl) {
  const Angle an = AngleOf(k);
  const double r2 = rh * rh;
  const double cosMinusOne = r2 * (-0.5 + r2 * (kWideC4 + r2 * kWideC6));
  const double sinMinusR = rh * (r2 * (kWideS3 + r2 * (kWideS5 + r2 * kWideS7)));
  const Pair car = ExactProduct<kProduct>(an.caHi, rh);
  const double bracket = (an.saHi * cosMinusOne + an.caHi * sinMinusR) - an.saHi * (rh * rl);
  const double low = car.lo + (an.saLo + ((an.caLo * rh + an.caHi * rl) + bracket));
  const Pair sum = FastTwoSum(an.saHi, car.hi);
  const Pair y = FastTwoSum(sum.hi, sum.lo + low);
  const double err = 0x1p-66 * (std::fabs(an.saHi) + std::fabs(car.hi)) + 0x1p-108;
  return {y, err};
}

struct AccurateSinCos {
  Fixed s, c;  // of r
  int quadrant;
};

AccurateSinCos Accurate(double x) {
  ++accurateCount;
  const Reduced red = ReduceHalfPi(x);
  const Fixed one = FromInt(1);
  const Fixed r2 = Mul(red.r, red.r);
  Fixed t = one;
  for (std::uint32_t n = 25; n >= 1; --n) t = Sub(one, DivSmall(Mul(r2, t), (2 * n) * (2 * n + 1)));
  const Fixed s = Mul(red.r, t);
  t = one;
  for (std::uint32_t n = 25; n >= 1; --n) t = Sub(one, DivSmall(Mul(r2, t), (2 * n - 1) * (2 * n)));
  return {s, t, red.quadrant};
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

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE double SinFast(double x, double ax) {
  const Reduction red = ReduceFast(ax, x);
  const Estimate e = Combine<kProduct>(AngleOf(red.k), Polynomials(red));
  double result;
  if (RoundingTest(e.y, e.err, result)) return result;
  return SinFrom(Accurate(x));
}

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE double CosFast(double x, double ax) {
  const Reduction red = ReduceFast(ax, x);
  const Estimate e = Combine<kProduct>(AngleOf(red.k + 1024), Polynomials(red));
  double result;
  if (RoundingTest(e.y, e.err, result)) return result;
  return CosFrom(Accurate(x));
}

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE SinCosPair SinCosFast(double x, double ax) {
  const Reduction red = ReduceFast(ax, x);
  const OfR p = Polynomials(red);
  const Angle an = AngleOf(red.k);
  const Estimate es = Combine<kProduct>(an, p);
  const Estimate ec = Combine<kProduct>(QuarterTurn(an), p);
  SinCosPair result;
  const bool sinDone = RoundingTest(es.y, es.err, result.sin);
  const bool cosDone = RoundingTest(ec.y, ec.err, result.cos);
  if (sinDone && cosDone) return result;
  const AccurateSinCos a = Accurate(x);
  if (!sinDone) result.sin = SinFrom(a);
  if (!cosDone) result.cos = CosFrom(a);
  return result;
}

// tan x = sin x / cos x from the two estimates (see Tan below); false when
// the rounding test fails.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE bool TanFast(double x, double ax, double& result) {
  const Reduction red = ReduceFast(ax, x);
  const OfR p = Polynomials(red);
  const Angle an = AngleOf(red.k);
  const Estimate es = Combine<kProduct>(an, p);
  const Estimate ec = Combine<kProduct>(QuarterTurn(an), p);
  const double inv = 1.0 / ec.y.hi;
  const double qh = es.y.hi * inv;
  const Pair prod = ExactProduct<kProduct>(qh, ec.y.hi);
  const double rem = ((es.y.hi - prod.hi) - prod.lo) + (es.y.lo - qh * ec.y.lo);
  const Pair q = FastTwoSum(qh, rem * inv);
  const double aq = std::fabs(q.hi);
  const double err = 0x1.2p0 * ((es.err + aq * ec.err) * std::fabs(inv)) + 0x1p-99 * aq;
  return RoundingTest(q, err, result);
}

// The meridian arc's sines.  x = 2 phi (exact), |x| < 4, reduced once:
// x = k pi/2048 + r, r = rh + rl within 2^-115 (ReduceShort).  Then
// 4 phi = 2 k pi/2048 + 2 r and 8 phi = 4 k pi/2048 + 4 r exactly (the
// parts scaled by powers of two), within 2^-114 and 2^-113; and the
// argument 6.0 * phi of Sin is RN(6 phi) = 6 phi - d, d the error term
// of that product (exact: |phi| >= 2^-30), so RN(6 phi) = 3 k pi/2048 +
// 3 r - d: 3 rh exactly as a product, minus d by TwoSum (exact), the low
// parts (below 2^-60) added with two roundings below 2^-113 each, 3 rl
// with one below 2^-116, 3 times r's error below 2^-113.4: within 2^-111,
// renormalised by TwoSum.  Each value from CombineWide with its own error
// bound and Ziv's test; Sin of that argument when the test fails.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE SinMultiplesOf SinMultiplesFast(double phi) {
  const double x2 = 2.0 * phi;
  const Reduction red = ReduceShort(x2);
  const Pair six = ExactProduct<kProduct>(6.0, phi);  // six.hi is 6.0 * phi
  const Pair three = ExactProduct<kProduct>(3.0, red.rh);
  const Pair t = TwoSum(three.hi, -six.lo);
  const Pair r3 = TwoSum(t.hi, t.lo + (three.lo + 3.0 * red.rl));
  const Estimate e2 = CombineWide<kProduct>(red.k, red.rh, red.rl);
  const Estimate e4 = CombineWide<kProduct>(2 * red.k, 2.0 * red.rh, 2.0 * red.rl);
  const Estimate e6 = CombineWide<kProduct>(3 * red.k, r3.hi, r3.lo);
  const Estimate e8 = CombineWide<kProduct>(4 * red.k, 4.0 * red.rh, 4.0 * red.rl);
  SinMultiplesOf result;
  if (!RoundingTest(e2.y, e2.err, result.sin2)) result.sin2 = Sin(x2);
  if (!RoundingTest(e4.y, e4.err, result.sin4)) result.sin4 = Sin(4.0 * phi);
  if (!RoundingTest(e6.y, e6.err, result.sin6)) result.sin6 = Sin(six.hi);
  if (!RoundingTest(e8.y, e8.err, result.sin8)) result.sin8 = Sin(8.0 * phi);
  return result;
}

#if MORVANE_ELEMENTARY_FMA
MORVANE_ELEMENTARY_FMA_TARGET SinMultiplesOf SinMultiplesFused(double phi) {
  return SinMultiplesFast<Product::kFused>(phi);
}
MORVANE_ELEMENTARY_FMA_TARGET double SinFused(double x, double ax) {
  return SinFast<Product::kFused>(x, ax);
}
MORVANE_ELEMENTARY_FMA_TARGET double CosFused(double x, double ax) {
  return CosFast<Product::kFused>(x, ax);
}
MORVANE_ELEMENTARY_FMA_TARGET SinCosPair SinCosFused(double x, double ax) {
  return SinCosFast<Product::kFused>(x, ax);
}
MORVANE_ELEMENTARY_FMA_TARGET bool TanFused(double x, double ax, double& result) {
  return TanFast<Product::kFused>(x, ax, result);
}
#endif

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

double Sin(double x) {
  if (x != x) return x + x;  // NaN, quietly (an ordered comparison would raise invalid)
  const double ax = std::fabs(x);
  if (!(ax < kFastLimit)) {
    if (!(ax <= 0x1.fffffffffffffp1023)) return x - x;  // NaN and invalid
    return SinFrom(Accurate(x));
  }
  if (ax < kTinySin) return x == 0.0 ? x : x - x * 0x1p-60;  // inexact
#if MORVANE_ELEMENTARY_FMA
  if (UseFusedProducts()) return SinFused(x, ax);
#endif
  return SinFast<Product::kDekker>(x, ax);
}

double Cos(double x) {
  if (x != x) return x + x;  // NaN, quietly (an ordered comparison would raise invalid)
  const double ax = std::fabs(x);
  if (!(ax < kFastLimit)) {
    if (!(ax <= 0x1.fffffffffffffp1023)) return x - x;
    return CosFrom(Accurate(x));
  }
  if (ax < kTinyCos) return x == 0.0 ? 1.0 : 1.0 - 0x1p-60;  // inexact
#if MORVANE_ELEMENTARY_FMA
  if (UseFusedProducts()) return CosFused(x, ax);
#endif
  return CosFast<Product::kDekker>(x, ax);
}

SinCosPair SinCos(double x) {
  if (x != x) return {x + x, x + x};  // NaN, quietly (an ordered comparison would raise invalid)
  const double ax = std::fabs(x);
  if (!(ax < kFastLimit)) {
    if (!(ax <= 0x1.fffffffffffffp1023)) return {x - x, x - x};
    const AccurateSinCos a = Accurate(x);
    return {SinFrom(a), CosFrom(a)};
  }
  if (ax < kTinyCos) return {x == 0.0 ? x : x - x * 0x1p-60, x == 0.0 ? 1.0 : 1.0 - 0x1p-60};
  if (ax < kTinySin) return {x - x * 0x1p-60, Cos(x)};
#if MORVANE_ELEMENTARY_FMA
  if (UseFusedProducts()) return SinCosFused(x, ax);
#endif
  return SinCosFast<Product::kDekker>(x, ax);
}

SinMultiplesOf SinMultiples(double phi) {
  const double aphi = std::fabs(phi);
  // Outside, and for NaN: the four calls.  Below 2^-30 the product 6 phi's
  // error term could underflow (and Sin answers at once).
  if (!(aphi < 2.0 && aphi >= 0x1p-30))
    return {Sin(2.0 * phi), Sin(4.0 * phi), Sin(6.0 * phi), Sin(8.0 * phi)};
#if MORVANE_ELEMENTARY_FMA
  if (UseFusedProducts()) return SinMultiplesFused(phi);
#endif
  return SinMultiplesFast<Product::kDekker>(phi);
}

// tan x = sin x / cos x.  Fast path: the two double-double estimates
// (errors es, ec) and their quotient q = qh + ql: v = RN(1/ch),
// qh = RN(sh v) within 2^-51.9 of sh/ch, so qh ch is within a factor 2
// of sh and the remainder sh - qh ch is exact (an exact product,
// Sterbenz); ql = RN(remainder v) adds a relative error below 2^-100; the
// error of q is below (es + |q| ec) / |c| (1 + 2^-60) + 2^-100 |q|, taken
// with a margin (1/|c| as |v| (1 + 2^-52)).
// Accurate path: tan r (even quadrant) or -cos r / sin r (odd), the
// divisor's reciprocal by Newton's iteration in fixed point; when
// |sin r| < 2^-20 the divisor is scaled by 2^40 first, so the quotient
// stays below 2^21.  Relative error below 2^-155 (sin r >= 2^-62 and
// its absolute error below 2^5 units).
double Tan(double x) {
  if (x != x) return x + x;  // NaN, quietly (an ordered comparison would raise invalid)
  const double ax = std::fabs(x);
  if (!(ax <= 0x1.fffffffffffffp1023)) return x - x;
  if (ax < kTinyCos) return x == 0.0 ? x : x + x * 0x1p-60;
  if (ax < kFastLimit) {
    double result;
#if MORVANE_ELEMENTARY_FMA
    if (UseFusedProducts() ? TanFused(x, ax, result) : TanFast<Product::kDekker>(x, ax, result))
      return result;
#else
    if (TanFast<Product::kDekker>(x, ax, result)) return result;
#endif
  }
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

}  // namespace morvane::elementary
