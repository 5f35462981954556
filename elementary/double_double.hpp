// Error-free transformations of doubles and the double-double arithmetic
// of the elementary functions' fast paths.
//
// Every operation here is an IEEE double operation rounded to nearest;
// nothing relies on a fused multiply-add (the core compiles with
// -ffp-contract=off), so the exact products come from Veltkamp's
// splitting and Dekker's product.  Each function is written so that the
// compiler has no freedom in the order of the operations.
#pragma once

// The fast paths are short sequences of these; a call between them costs
// as much as the arithmetic.
#if defined(__GNUC__)
#define MORVANE_ELEMENTARY_INLINE constexpr inline __attribute__((always_inline))
#else
#define MORVANE_ELEMENTARY_INLINE constexpr inline
#endif

namespace morvane::elementary::detail {

struct Pair {
  double hi, lo;
};

// s + e = a + b exactly, s = RN(a + b) (Knuth, 6 operations, any a, b).
MORVANE_ELEMENTARY_INLINE Pair TwoSum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  const double e = (a - (s - bb)) + (b - bb);
  return {s, e};
}

// s + e = a + b exactly when a = 0 or the exponent of a is at least that of
// b (Dekker, 3 operations).
MORVANE_ELEMENTARY_INLINE Pair FastTwoSum(double a, double b) {
  const double s = a + b;
  const double e = b - (s - a);
  return {s, e};
}

// a = hi + lo, hi with 26 significant bits and lo with 26 (Veltkamp; the
// constant is 2^27 + 1).  Exact for |a| < 2^995, which every caller
// respects.
MORVANE_ELEMENTARY_INLINE Pair Split(double a) {
  const double c = 134217729.0 * a;
  const double hi = c - (c - a);
  return {hi, a - hi};
}

// p + e = a * b exactly, p = RN(a * b) (Dekker), for |a|, |b| < 2^995
// and a * b not below 2^-969 in magnitude (no underflow of the parts).
MORVANE_ELEMENTARY_INLINE Pair TwoProd(double a, double b) {
  const double p = a * b;
  const Pair x = Split(a);
  const Pair y = Split(b);
  const double e = ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo;
  return {p, e};
}

// a^2 = p + e exactly, with one split.
MORVANE_ELEMENTARY_INLINE Pair TwoSquare(double a) {
  const double p = a * a;
  const Pair x = Split(a);
  const double e = ((x.hi * x.hi - p) + 2.0 * (x.hi * x.lo)) + x.lo * x.lo;
  return {p, e};
}

// The same as TwoProd with b already split.
MORVANE_ELEMENTARY_INLINE Pair TwoProd(double a, Pair bSplit, double b) {
  const double p = a * b;
  const Pair x = Split(a);
  const double e =
      ((x.hi * bSplit.hi - p) + x.hi * bSplit.lo + x.lo * bSplit.hi) + x.lo * bSplit.lo;
  return {p, e};
}

// The integer nearest to t for |t| < 2^51 (ties to even): after adding
// 1.5 * 2^52 no bit of the sum is below 1, and subtracting it back is
// exact.  Rounding to nearest, as everywhere here.
MORVANE_ELEMENTARY_INLINE double NearestInteger(double t) {
  const double shifted = t + 0x1.8p52;
  return shifted - 0x1.8p52;
}

// Ziv's rounding test: (hi, lo) with |lo| <= ulp(hi) approximates a value
// to within err (absolute); when hi + (lo - err) and hi + (lo + err) round
// to the same double, that double is the value correctly rounded, since
// rounding is monotonic.  The callers' bounds carry a margin that covers
// the roundings of lo -+ err (relative 2^-53 of quantities below 2^-52
// |hi|).
MORVANE_ELEMENTARY_INLINE bool RoundingTest(Pair y, double err, double& result) {
  const double up = y.hi + (y.lo + err);
  const double down = y.hi + (y.lo - err);
  if (up != down) return false;
  result = up;
  return true;
}

}  // namespace morvane::elementary::detail
