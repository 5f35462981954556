// Sine, cosine and tangent.
//
// Fast path (|x| < 2^20).  x = k pi/128 + r with |r| <= pi/256 (1 + 2^-25):
// k = round(x * 128/pi), r by Cody and Waite's reduction with pi/128 in
// four parts of at most 27 bits, so that k times a part is exact
// (|k| < 2^25.4).  r0 = x - k P1 is exact (x and k P1 lie within a factor
// of two, or k = 0); r = (r0 - k P2) + ((e - k P3) - k P4), the first sum
// by TwoSum, e its error: two roundings of at most 2^-53 * 2^-38 and the
// parts' truncation |k| * 6.8e-37 < 2^-94.7 give
//     |r - (rh + rl)| < 2^-89.
// With a = k pi/128 (sin a, cos a from the table, as double-doubles
// within 2^-105 relative):
//     sin x = sin a cos r + cos a sin r,  cos x = sin(a + pi/2 + r).
// sin r = r + r^3 S(r^2), cos r = 1 - r^2/2 + r^4 C(r^2), the polynomials
// of elementary/generate/coefficients.sollya (relative error 2^-71.9 and
// absolute error 2^-86.4 on |r| <= pi/256 (1 + 2^-20)).
//   sin r: r2 = RN(rh^2) and S(r2) in double, r^3 S = rh (r2 S(r2)) has
//     a relative error below 4 * 2^-53 and a magnitude below |r| 2^-15.27,
//     so 2^-66.27 |r|; with the polynomial's 2^-71.9, the dropped
//     rl^2 terms and the rounding of rl + r^3 S (2^-68.27 |r|):
//     |error| < 2^-65.9 |sin r|.
//   cos r: r^2 as an exact product, -r^2/2 in double-double, r^4 C(r^2)
//     (below 2^-30) in double with a relative error below 2^-50:
//     |error| < 2^-80.
// The products with the table by Dekker's product, their low parts and the
// final sum add less than 2^-100 |y|.  Since |y| >= 0.012 unless sin a = 0
// (then y = +-sin r exactly as computed), the bound
//     err = 2^-65 |cos a sin r| + 2^-79 |sin a| + 2^-86 (r's error)
// has a margin of more than 25 % over every term, which covers the
// roundings of the bound itself and of Ziv's test (RoundingTest).
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

constexpr double kS3 = -0x1.5555555555555p-3, kS5 = 0x1.11111110eaa26p-7,
                 kS7 = -0x1.a018fe5cb9b7fp-13;
constexpr double kC4 = 0x1.5555555555555p-5, kC6 = -0x1.6c16c16bce823p-10,
                 kC8 = 0x1.a0185aec19349p-16;

// Below: sin x = x, tan x = x (x^2/6, x^2/3 below half an ulp); cos x = 1.
constexpr double kTinySin = 0x1p-26, kTinyCos = 0x1p-27;
constexpr double kFastLimit = 0x1p20;

// The high parts of the table's values, split by Veltkamp's method (at
// compile time, with the same IEEE operations).
struct SplitTable {
  Pair parts[256];
};
constexpr SplitTable MakeSplitTable() {
  SplitTable t{};
  for (int j = 0; j < 256; ++j) t.parts[j] = Split(kSinTable[j].hi);
  return t;
}
constexpr SplitTable kSinSplit = MakeSplitTable();

struct Reduction {
  std::int64_t k;
  Pair r;
};

MORVANE_ELEMENTARY_INLINE Reduction ReduceFast(double x) {
  const double kd = NearestInteger(x * k128OverPi);  // |kd| < 2^25.4, exact
  const double r0 = x - kd * kPiOver128Parts[0];
  const Pair s = TwoSum(r0, -(kd * kPiOver128Parts[1]));
  const double t = (s.lo - kd * kPiOver128Parts[2]) - kd * kPiOver128Parts[3];
  return {static_cast<std::int64_t>(kd), TwoSum(s.hi, t)};
}

struct SinCosOfR {
  Pair s, c;
};

MORVANE_ELEMENTARY_INLINE SinCosOfR Polynomials(Pair r) {
  const Pair sq = TwoSquare(r.hi);
  const double r2 = sq.hi;
  const double p = r2 * (kS3 + r2 * (kS5 + r2 * kS7));
  // sin(rh + rl) = sin rh + rl (1 - rh^2/2) + O(rl^2)
  const double corr = r.hi * p - r.lo * (0.5 * r2);
  const Pair s = FastTwoSum(r.hi, r.lo + corr);
  const double sqLo = sq.lo + 2.0 * (r.hi * r.lo);
  const double tail = (r2 * r2) * (kC4 + r2 * (kC6 + r2 * kC8));
  const Pair c0 = TwoSum(1.0, -0.5 * r2);
  const Pair c = FastTwoSum(c0.hi, c0.lo + (tail - 0.5 * sqLo));
  return {s, c};
}

struct Estimate {
  Pair y;
  double err;
};

// sin(a + r) for a = j pi/128.
MORVANE_ELEMENTARY_INLINE Estimate Combine(int j, const SinCosOfR& p) {
  const Pair sa = kSinTable[j & 255];
  const Pair ca = kSinTable[(j + 64) & 255];
  const Pair p1 = TwoProd(p.c.hi, kSinSplit.parts[j & 255], sa.hi);
  const double low1 = p1.lo + (sa.hi * p.c.lo + sa.lo * p.c.hi);
  const Pair p2 = TwoProd(p.s.hi, kSinSplit.parts[(j + 64) & 255], ca.hi);
  const double low2 = p2.lo + (ca.hi * p.s.lo + ca.lo * p.s.hi);
  const Pair sum = TwoSum(p1.hi, p2.hi);
  const Pair y = FastTwoSum(sum.hi, sum.lo + (low1 + low2));
  const double err =
      0x1p-65 * std::fabs(p2.hi) + (0x1p-79 * std::fabs(sa.hi) + 0x1p-86);
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
  const Estimate e = Combine(static_cast<int>(red.k & 255), Polynomials(red.r));
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
  const Estimate e = Combine(static_cast<int>((red.k + 64) & 255), Polynomials(red.r));
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
  const SinCosOfR p = Polynomials(red.r);
  const Estimate es = Combine(static_cast<int>(red.k & 255), p);
  const Estimate ec = Combine(static_cast<int>((red.k + 64) & 255), p);
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
    const SinCosOfR p = Polynomials(red.r);
    const Estimate es = Combine(static_cast<int>(red.k & 255), p);
    const Estimate ec = Combine(static_cast<int>((red.k + 64) & 255), p);
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
