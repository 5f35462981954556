// Error-free transformations of doubles and the double-double arithmetic
// of the elementary functions' fast paths.
//
// Every operation here is an IEEE double operation rounded to nearest;
// the core compiles with -ffp-contract=off, so the compiler never fuses a
// multiplication and an addition.  The exact products come from
// Veltkamp's splitting and Dekker's product, or, where the processor has
// it, from one fused multiply-add that computes the error term
// a * b - RN(a * b): that term is a double whenever Dekker's product is
// exact, so the fma returns it exactly and both give the same bits
// (ExactProduct).  Each function is written so that the compiler has no
// freedom in the order of the operations.
#pragma once

#include <atomic>

// The fast paths are short sequences of these; a call between them costs
// as much as the arithmetic.
#if defined(__GNUC__)
#define MORVANE_ELEMENTARY_INLINE constexpr inline __attribute__((always_inline))
#else
#define MORVANE_ELEMENTARY_INLINE constexpr inline
#endif

// x86 builds carry a second copy of each fast path compiled for FMA,
// which UseFusedProducts() selects when the processor has it.  Elsewhere
// (WebAssembly, other processors) only Dekker's products.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define MORVANE_ELEMENTARY_FMA 1
#define MORVANE_ELEMENTARY_FMA_TARGET __attribute__((target("fma")))
#else
#define MORVANE_ELEMENTARY_FMA 0
#define MORVANE_ELEMENTARY_FMA_TARGET
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

// How the fast paths get the error term of a product.  kFused is used only
// inside functions compiled for processors with FMA (MORVANE_ELEMENTARY_FMA
// below), chosen at run time; both give the same bits.
enum class Product { kDekker, kFused };

// p + e = a * b exactly, p = RN(a * b), under TwoProd's conditions.  With
// kFused, e = RN(a * b - p), which is a * b - p itself since that is a
// double.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE Pair ExactProduct(double a, double b) {
  if constexpr (kProduct == Product::kFused) {
    const double p = a * b;
    return {p, __builtin_fma(a, b, -p)};
  } else {
    return TwoProd(a, b);
  }
}

template <Product kProduct>
MORVANE_ELEMENTARY_INLINE Pair ExactSquare(double a) {
  if constexpr (kProduct == Product::kFused) {
    const double p = a * a;
    return {p, __builtin_fma(a, a, -p)};
  } else {
    return TwoSquare(a);
  }
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
//   The value returned is hi + lo, one sum after lo where up and down
// take two, so that the next operation of a caller waits less: rounding
// is monotonic, so RN(lo - err) <= lo <= RN(lo + err) (or the reverse for
// err < 0) and RN(hi + lo) lies between down and up, which are equal.
MORVANE_ELEMENTARY_INLINE bool RoundingTest(Pair y, double err, double& result) {
  const double up = y.hi + (y.lo + err);
  const double down = y.hi + (y.lo - err);
  result = y.hi + y.lo;
  return up == down;
}

// True when the fast paths are to use fused products: the processor has
// FMA (and the system saves its registers), unless a test forced Dekker's
// products (ForceProducts in elementary.hpp).  The choice is made at the
// first call: -1 until then, 0 for Dekker's products, 1 for fused ones.
extern std::atomic<int> productChoice;
int ChooseProducts();
inline bool UseFusedProducts() {
  const int choice = productChoice.load(std::memory_order_relaxed);
  return (choice < 0 ? ChooseProducts() : choice) != 0;
}

}  // namespace morvane::elementary::detail
