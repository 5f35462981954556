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

// sin(a + r) for a = k pi/2048.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE Estimate Combine(std::int64_t k, const OfR& p) {
  // a = quarter pi/2 + i pi/2048: |sin a| = sin(is pi/2048) and |cos a| =
  // sin((1024 - is) pi/2048), is = i in even quarters, 1024 - i in odd
  // ones; the signs by quarter.  Indices and signs without branches, which
  // random quarters would mispredict.
  const int j = static_cast<int>(k & 4095), quarter = j >> 10, i = j & 1023;
  const int oddMask = -(quarter & 1);
  const int is = i ^ ((i ^ (1024 - i)) & oddMask);
  const Pair sa0 = kSinQuarter[is], ca0 = kSinQuarter[1024 - is];
  const double sinSign = kQuarterSign[quarter], cosSign = kQuarterSign[(quarter + 1) & 3];
  const double saHi = sinSign * sa0.hi, saLo = sinSign * sa0.lo;
  const double caHi = cosSign * ca0.hi, caLo = cosSign * ca0.lo;
  const Pair car = ExactProduct<kProduct>(caHi, p.red.rh);
  const double low = car.lo + (saLo + ((caLo * p.red.rh + caHi * p.red.rl) +
                                       (saHi * p.cosMinusOne + caHi * p.sinMinusR)));
  // |car.hi| <= pi/4096 (1 + 2^-20) < sin(pi/2048) <= |saHi| unless saHi = 0.
  const Pair sum = FastTwoSum(saHi, car.hi);
  const Pair y = FastTwoSum(sum.hi, sum.lo + low);
  const double err = 0x1p-70 * (std::fabs(saHi) + std::fabs(car.hi)) + p.red.absErr;
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
  const Estimate e = Combine<kProduct>(red.k, Polynomials(red));
  double result;
  if (RoundingTest(e.y, e.err, result)) return result;
  return SinFrom(Accurate(x));
}

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE double CosFast(double x, double ax) {
  const Reduction red = ReduceFast(ax, x);
  const Estimate e = Combine<kProduct>(red.k + 1024, Polynomials(red));
  double result;
  if (RoundingTest(e.y, e.err, result)) return result;
  return CosFrom(Accurate(x));
}

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE SinCosPair SinCosFast(double x, double ax) {
  const Reduction red = ReduceFast(ax, x);
  const OfR p = Polynomials(red);
  const Estimate es = Combine<kProduct>(red.k, p);
  const Estimate ec = Combine<kProduct>(red.k + 1024, p);
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
  const Estimate es = Combine<kProduct>(red.k, p);
  const Estimate ec = Combine<kProduct>(red.k + 1024, p);
  const double inv = 1.0 / ec.y.hi;
  const double qh = es.y.hi * inv;
  const Pair prod = ExactProduct<kProduct>(qh, ec.y.hi);
  const double rem = ((es.y.hi - prod.hi) - prod.lo) + (es.y.lo - qh * ec.y.lo);
  const Pair q = FastTwoSum(qh, rem * inv);
  const double aq = std::fabs(q.hi);
  const double err = 0x1.2p0 * ((es.err + aq * ec.err) * std::fabs(inv)) + 0x1p-99 * aq;
  return RoundingTest(q, err, result);
}

#if MORVANE_ELEMENTARY_FMA
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
