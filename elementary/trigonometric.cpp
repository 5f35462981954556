// Sine, cosine and tangent.
//
// Fast path (|x| < 2^20).  x = k pi/2048 + r with |r| <= pi/4096 (1 + 2^-22):
// k = round(x * 2048/pi), r by Cody and Waite's reduction with pi/2048 in
// five parts of at most 23 bits, so that k times a part is exact
// (|k| < 2^29.4).  r0 = x - k P1 is exact (x and k P1 are multiples of
// 2^-63 |k| or of 2^-32, and |r0| <= 2^-10.35 + |k| 2^-33.35 is below 2^53
// of that unit), the next two subtractions by TwoSum, exact; their errors
// and k P4 + k P5 in double: roundings below 2^-103.4 and the parts'
// truncation |k| 2.7e-40 < 2^-101.6 give
//     |r - (rh + rl)| < 2^-100.
// With a = k pi/2048 (sin a, cos a from the quarter-wave table of
// sin(i pi/2048), as double-doubles within 2^-106 relative):
//     sin x = sin a + cos a r + [sin a (cos r - 1) + cos a (sin r - r)],
//     cos x = sin(a + pi/2 + r).
// cos a rh by Dekker's product, exactly; the bracket, below 2^-21.7 of
// M = |sin a| + |cos a r|, in double: cos r - 1 = r^2 (-1/2 + r^2 C(r^2))
// and sin r - r = r^3 S(r^2), the polynomials of
// elementary/generate/coefficients.sollya (errors 2^-101.9 and 2^-77.4
// relative), computed from rh (the rl terms dropped are below 2^-73 M);
// four roundings of at most 2^-53 on each product, four on the sums of
// the low parts: |error| < 2^-71.5 M + 2^-100 (|y| >= M/3, as
// |cos a r| <= 2^-10.35 <= |sin a|/2 unless sin a = 0).  The bound
//     err = 2^-70 (|sin a| + |cos a rh|) + 2^-96
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
#include <bit>
#include <cmath>

#include "elementary/double_double.hpp"
#include "elementary/elementary.hpp"
#include "elementary/fixed.hpp"
#include "elementary/tables.hpp"

namespace morvane::elementary {
namespace detail {

thread_local std::uint64_t accurateCount = 0;

namespace {

constexpr double kS3 = -0x1.5555555555555p-3, kS5 = 0x1.111110d010a8dp-7;
constexpr double kC4 = 0x1.5555555555555p-5, kC6 = -0x1.6c16c11f8f291p-10;

// Below: sin x = x, tan x = x (x^2/6, x^2/3 below half an ulp); cos x = 1.
constexpr double kTinySin = 0x1p-26, kTinyCos = 0x1p-27;
constexpr double kFastLimit = 0x1p20;

struct Reduction {
  std::int64_t k;
  Pair r;
};

MORVANE_ELEMENTARY_INLINE Reduction ReduceFast(double x) {
  const double kd = NearestInteger(x * k2048OverPi);  // |kd| < 2^29.4, exact
  const double r0 = x - kd * kPiOver2048Parts[0];
  const Pair s1 = TwoSum(r0, -(kd * kPiOver2048Parts[1]));
  const Pair s2 = TwoSum(s1.hi, -(kd * kPiOver2048Parts[2]));
  const double t = ((s1.lo + s2.lo) - kd * kPiOver2048Parts[3]) - kd * kPiOver2048Parts[4];
  return {static_cast<std::int64_t>(kd), TwoSum(s2.hi, t)};
}

// The parts of sin r and cos r past r and 1.
struct OfR {
  Pair r;
  double cosMinusOne, sinMinusR;
};

MORVANE_ELEMENTARY_INLINE OfR Polynomials(Pair r) {
  const double r2 = r.hi * r.hi;
  const double cosMinusOne = r2 * (-0.5 + r2 * (kC4 + r2 * kC6));
  const double sinMinusR = r.hi * (r2 * (kS3 + r2 * kS5));
  return {r, cosMinusOne, sinMinusR};
}

struct Estimate {
  Pair y;
  double err;
};

// sin(a + r) for a = k pi/2048.
MORVANE_ELEMENTARY_INLINE Estimate Combine(std::int64_t k, const OfR& p) {
  const int j = static_cast<int>(k & 4095), quarter = j >> 10, i = j & 1023;
  const Pair s = kSinQuarter[i], c = kSinQuarter[1024 - i];
  // a = quarter pi/2 + i pi/2048: sin a and cos a up to order and sign.
  const double sinSign = (quarter & 2) ? -1.0 : 1.0;
  const double cosSign = ((quarter + 1) & 2) ? -1.0 : 1.0;
  const Pair sa0 = (quarter & 1) ? c : s, ca0 = (quarter & 1) ? s : c;
  const double saHi = sinSign * sa0.hi, saLo = sinSign * sa0.lo;
  const double caHi = cosSign * ca0.hi, caLo = cosSign * ca0.lo;
  const Pair car = TwoProd(caHi, p.r.hi);
  const double low = car.lo + (saLo + ((caLo * p.r.hi + caHi * p.r.lo) +
                                       (saHi * p.cosMinusOne + caHi * p.sinMinusR)));
  const Pair sum = TwoSum(saHi, car.hi);
  const Pair y = FastTwoSum(sum.hi, sum.lo + low);
  const double err = 0x1p-70 * (std::fabs(saHi) + std::fabs(car.hi)) + 0x1p-96;
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

double Sin(double x) {
  if (x != x) return x + x;  // NaN, quietly (an ordered comparison would raise invalid)
  const double ax = std::fabs(x);
  if (!(ax < kFastLimit)) {
    if (!(ax <= 0x1.fffffffffffffp1023)) return x - x;  // NaN and invalid
    return SinFrom(Accurate(x));
  }
  if (ax < kTinySin) return x == 0.0 ? x : x - x * 0x1p-60;  // inexact
  const Reduction red = ReduceFast(x);
  const Estimate e = Combine(red.k, Polynomials(red.r));
  double result;
  if (RoundingTest(e.y, e.err, result)) return result;
  return SinFrom(Accurate(x));
}

double Cos(double x) {
  if (x != x) return x + x;  // NaN, quietly (an ordered comparison would raise invalid)
  const double ax = std::fabs(x);
  if (!(ax < kFastLimit)) {
    if (!(ax <= 0x1.fffffffffffffp1023)) return x - x;
    return CosFrom(Accurate(x));
  }
  if (ax < kTinyCos) return x == 0.0 ? 1.0 : 1.0 - 0x1p-60;  // inexact
  const Reduction red = ReduceFast(x);
  const Estimate e = Combine(red.k + 1024, Polynomials(red.r));
  double result;
  if (RoundingTest(e.y, e.err, result)) return result;
  return CosFrom(Accurate(x));
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
  const Reduction red = ReduceFast(x);
  const OfR p = Polynomials(red.r);
  const Estimate es = Combine(red.k, p);
  const Estimate ec = Combine(red.k + 1024, p);
  SinCosPair result;
  const bool sinDone = RoundingTest(es.y, es.err, result.sin);
  const bool cosDone = RoundingTest(ec.y, ec.err, result.cos);
  if (sinDone && cosDone) return result;
  const AccurateSinCos a = Accurate(x);
  if (!sinDone) result.sin = SinFrom(a);
  if (!cosDone) result.cos = CosFrom(a);
  return result;
}

// tan x = sin x / cos x.  Fast path: the two double-double estimates
// (errors es, ec) and their quotient q = qh + ql, whose remainder
// sh - qh ch is exact (Dekker's product, Sterbenz), so the quotient adds
// a relative error below 2^-100; the error of q is below
// (es + |q| ec) / |c| (1 + 2^-60) + 2^-100 |q|, taken with a margin.
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
    const Reduction red = ReduceFast(x);
    const OfR p = Polynomials(red.r);
    const Estimate es = Combine(red.k, p);
    const Estimate ec = Combine(red.k + 1024, p);
    const double qh = es.y.hi / ec.y.hi;
    const Pair prod = TwoProd(qh, ec.y.hi);
    const double rem = ((es.y.hi - prod.hi) - prod.lo) + (es.y.lo - qh * ec.y.lo);
    const Pair q = FastTwoSum(qh, rem / ec.y.hi);
    const double aq = std::fabs(q.hi);
    const double err = 0x1.2p0 * ((es.err + aq * ec.err) / std::fabs(ec.y.hi)) + 0x1p-99 * aq;
    double result;
    if (RoundingTest(q, err, result)) return result;
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
