// Sin and cos, pow and tan on four lanes (lanes.hpp).
//
// Each function runs the scalar function's first stage on the four lanes
// at once: the same IEEE operations in the same order, lane by lane, on
// the same table entries, with the same error bound and Ziv's test
// (RoundingTest's up and down, then hi + lo); so a lane whose test
// succeeds holds the very double the scalar function returns, and no new
// bound is needed: the bounds are those derived in trigonometric.cpp
// (SinCosFast, TanCellSum, CotCellSum) and power.cpp (PowPositive,
// ExpCore).  A lane outside the stage's range or whose test fails is
// recomputed by the scalar function, which takes its own first stage
// again (the same failure) and then its later stages.
//
// Before the vector arithmetic, the lanes outside the range are given a
// harmless argument (1.0, or 0.5 for tan), so that no NaN, infinite or
// huge operand raises invalid or overflow in a lane whose result is
// thrown away.  Comparisons are made on bits (integer operations) where
// the operand may be a NaN.
//
// Both kinds of exact product, as in the scalar code: ProductLow and the
// fused multiply-adds below give the same bits as ExactProduct's two
// forms.  The fused copy is compiled for FMA and AVX2 and chosen at run
// time when UseFusedProducts() holds and the processor has AVX2 (every
// one with FMA but a few of 2012-2014): without AVX2's 256-bit integer
// operations, each integer step (table indices, range masks, exponent
// bits) is split into halves and moved between registers, and the four
// lanes cost as much as four scalar calls.  Elsewhere the Dekker copy;
// the bits are the same.
#include "elementary/lanes.hpp"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "elementary/double_double.hpp"
#include "elementary/elementary.hpp"
#include "elementary/quick_stages.hpp"
#include "elementary/tables.hpp"

// Inline always, as the scalar code's helpers, but not constexpr: the
// vectors' bits are read through reinterpret_cast.
#if defined(__GNUC__)
#define MORVANE_LANES_INLINE inline __attribute__((always_inline))
#define MORVANE_LANES_NOINLINE __attribute__((noinline))
#else
#define MORVANE_LANES_INLINE inline
#define MORVANE_LANES_NOINLINE
#endif

namespace morvane::elementary {
namespace detail {
namespace {

MORVANE_LANES_INLINE LaneBits BitsOf(const Lanes& x) { return reinterpret_cast<LaneBits>(x); }
MORVANE_LANES_INLINE Lanes FromBits(const LaneBits& b) { return reinterpret_cast<Lanes>(b); }
MORVANE_LANES_INLINE Lanes Broadcast(double v) { return Lanes{v, v, v, v}; }

// mask ? a : b lane by lane (mask: all ones or zero, a comparison's
// result), by bits: no arithmetic on the lane left out.
MORVANE_LANES_INLINE Lanes Select(const LaneInts& mask, const Lanes& a, const Lanes& b) {
  const LaneBits m = reinterpret_cast<LaneBits>(mask);
  return FromBits((BitsOf(a) & m) | (BitsOf(b) & ~m));
}

MORVANE_LANES_INLINE Lanes AbsLanes(const Lanes& x) { return FromBits(BitsOf(x) & kAbsMask); }

// The bits of |x| as signed integers (never negative; NaN above
// infinity).
MORVANE_LANES_INLINE LaneInts AbsInts(const Lanes& x) {
  return reinterpret_cast<LaneInts>(BitsOf(x) & kAbsMask);
}
constexpr std::int64_t Int(std::uint64_t bits) { return static_cast<std::int64_t>(bits); }

// All ones where lower <= a <= upper as unsigned integers, zero
// elsewhere, for 0 <= lower <= upper < 2^63, in 64-bit arithmetic
// modulo 2^64: in the range, a - lower and upper - a are below 2^63; for
// a < lower, a - lower wraps to at least 2^64 - lower > 2^63; for a >
// upper, upper - a wraps to 2^64 - (a - upper), at least 2^63 unless
// a > 2^63 + upper, and then a - lower >= 2^63.  So the top bit of the
// bitwise or of the two differences, shifted down (a logical shift,
// which every processor with 64-bit lanes has, unlike the unsigned
// comparison), is 0 in the range and 1 outside; minus one gives the mask.
MORVANE_LANES_INLINE LaneInts InRange(const LaneInts& a, std::int64_t lower, std::int64_t upper) {
  const LaneBits u = reinterpret_cast<LaneBits>(a);
  const LaneBits outside = ((u - static_cast<std::uint64_t>(lower)) | (static_cast<std::uint64_t>(upper) - u)) >> 63;
  return reinterpret_cast<LaneInts>(outside - 1);
}

#if MORVANE_ELEMENTARY_FMA
// x read from memory as two halves, for the fused copy (AVX2): the
// callers (compiled without 256-bit registers) store a vector in two
// halves, and one load of the whole could not take the stored data on its
// way to memory, but waits for it.
// The halves are read through a type that may alias (so the compiler
// loads them straight into registers, where copies to locals went by the
// stack).
MORVANE_LANES_INLINE void LoadHalves(const Lanes& x, Lanes& loaded) {
  using HalvesInMemory = double __attribute__((vector_size(16), aligned(8), may_alias));
  const HalvesInMemory* halves = reinterpret_cast<const HalvesInMemory*>(&x);
  loaded = __builtin_shufflevector(halves[0], halves[1], 0, 1, 2, 3);
}
#endif

// The four doubles of an entry from the byte kOffset on, as one vector
// (no alignment assumed).
template <std::size_t kOffset = 0, typename Entry>
MORVANE_LANES_INLINE Lanes Row(const Entry& entry) {
  static_assert(kOffset + sizeof(Lanes) <= sizeof(Entry));
  Lanes row;
  std::memcpy(&row, reinterpret_cast<const unsigned char*>(&entry) + kOffset, sizeof row);
  return row;
}

// Rows r0 .. r3 to columns c0 .. c3 (c_i[l] = r_l[i]): pairs first, then
// halves, eight moves of lanes where building each column from its four
// doubles takes twelve.
MORVANE_LANES_INLINE void Transpose(const Lanes& r0, const Lanes& r1, const Lanes& r2,
                                         const Lanes& r3, Lanes& c0, Lanes& c1, Lanes& c2,
                                         Lanes& c3) {
  const Lanes t0 = __builtin_shufflevector(r0, r1, 0, 4, 2, 6);
  const Lanes t1 = __builtin_shufflevector(r0, r1, 1, 5, 3, 7);
  const Lanes t2 = __builtin_shufflevector(r2, r3, 0, 4, 2, 6);
  const Lanes t3 = __builtin_shufflevector(r2, r3, 1, 5, 3, 7);
  c0 = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
  c1 = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
  c2 = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
  c3 = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
}

// The first two doubles of four entries as two columns: each entry's
// pair one 16-byte load, the pairs of lanes 0 and 2 and of lanes 1 and 3
// side by side, then one interleave per column (six moves where the
// columns built double by double take eighteen).
template <std::size_t kOffset = 0, typename Entry>
MORVANE_LANES_INLINE void PairColumns(const Entry& e0, const Entry& e1, const Entry& e2,
                                      const Entry& e3, Lanes& first, Lanes& second) {
  static_assert(kOffset + 16 <= sizeof(Entry));
  using Halves = double __attribute__((vector_size(16)));
  Halves h0, h1, h2, h3;
  std::memcpy(&h0, reinterpret_cast<const unsigned char*>(&e0) + kOffset, sizeof h0);
  std::memcpy(&h1, reinterpret_cast<const unsigned char*>(&e1) + kOffset, sizeof h1);
  std::memcpy(&h2, reinterpret_cast<const unsigned char*>(&e2) + kOffset, sizeof h2);
  std::memcpy(&h3, reinterpret_cast<const unsigned char*>(&e3) + kOffset, sizeof h3);
  const Lanes a = __builtin_shufflevector(h0, h2, 0, 1, 2, 3);
  const Lanes b = __builtin_shufflevector(h1, h3, 0, 1, 2, 3);
  first = __builtin_shufflevector(a, b, 0, 4, 2, 6);
  second = __builtin_shufflevector(a, b, 1, 5, 3, 7);
}

MORVANE_LANES_INLINE bool NoneOf(const LaneInts& mask) {
  return (mask[0] | mask[1] | mask[2] | mask[3]) == 0;
}

MORVANE_LANES_INLINE bool AllDone(const LaneInts& done) {
  return (done[0] & done[1] & done[2] & done[3]) != 0;
}

// AllDone for a copy: in the fused one (AVX2), the four sign bits in one
// move to an integer register, where the generic code moves the four
// lanes one by one.  (GCC declares a processor's builtins once a target
// option names it; the template is expanded only inside the fused copy.)
// (Clang checks a builtin's processor against the function that names
// it, before inlining: there the generic form.)
#if MORVANE_ELEMENTARY_FMA && !defined(__clang__)
#define MORVANE_LANES_SIGN_MOVE 1
#pragma GCC push_options
#pragma GCC target("avx")
#pragma GCC pop_options
#else
#define MORVANE_LANES_SIGN_MOVE 0
#endif
template <Product kProduct>
MORVANE_LANES_INLINE bool AllDoneIn(const LaneInts& done) {
#if MORVANE_LANES_SIGN_MOVE
  if constexpr (kProduct == Product::kFused) {
    return __builtin_ia32_movmskpd256(reinterpret_cast<Lanes>(done)) == 15;
  }
#endif
  return AllDone(done);
}

// a b + c lane by lane where the product and the sum are exact (the
// callers' conditions, as power.cpp's ExactMulAdd): one fused multiply-add
// or the two operations, the same bits.
template <Product kProduct>
MORVANE_LANES_INLINE void ExactMulAddLanes(const Lanes& a, double b, const Lanes& c, Lanes& r) {
#if MORVANE_ELEMENTARY_FMA
  if constexpr (kProduct == Product::kFused) {
    r = Lanes{__builtin_fma(a[0], b, c[0]), __builtin_fma(a[1], b, c[1]),
              __builtin_fma(a[2], b, c[2]), __builtin_fma(a[3], b, c[3])};
    return;
  }
#endif
  r = a * b + c;
}

// ---------------------------------------------------------------- SinCos
// SinCosFast on each lane with |x| in [2^-27, 32) (the short reduction,
// ReduceShort; absBits = 0 in the scalar call): x = k pi/1024 + rh + rl,
// the entry (A, B) = (sin a, cos a) of k modulo 1024, then QuickCombine's
// sum for sin (A, B) and for cos (B, -A), each with the bound
// 2^-64 |hi| + 2^-112.  done: the lane is in the range and both tests
// succeeded.  The half turn's sign is put on the rounded values as a
// sign bit (the scalar code multiplies by +-1: the same bits for these
// non-zero finite values).
// The stage's reduction, entries and polynomials, shared by SinCosQuick
// and the sines of SinMultiples.
struct QuickParts {
  Lanes a, b, aLo, bLo, rh, sinMinusR, cosMinusOne;
  LaneBits signs;
};
template <Product kProduct>
MORVANE_LANES_INLINE void QuickStage(const Lanes& x, QuickParts& q) {
  Lanes rl;
  LaneBits kBits;
  ReduceShortLanes<kProduct>(x, q.rh, rl, kBits);
  // The four entries (one vector each: sinHi, cosHi, sinLo, cosLo),
  // transposed: A, B, Alo, Blo by lane.
  Transpose(Row(kSinCosHalfTurn[kBits[0] & 1023]), Row(kSinCosHalfTurn[kBits[1] & 1023]),
            Row(kSinCosHalfTurn[kBits[2] & 1023]), Row(kSinCosHalfTurn[kBits[3] & 1023]), q.a, q.b,
            q.aLo, q.bLo);
  // QuickPolynomials.
  const Lanes r2 = q.rh * q.rh;
  q.cosMinusOne = r2 * (-0.5 + r2 * kCQuick);
  q.sinMinusR = (q.rh * r2) * (kS3Quick + r2 * kS5Quick) + rl;
  q.signs = (kBits << 53) & 0x8000000000000000u;  // k's bit 10 as the sign bit
}

template <Product kProduct>
MORVANE_LANES_INLINE void SinCosQuick(const Lanes& xIn, Lanes& sinOut, Lanes& cosOut,
                                           LaneInts& done) {
  const LaneInts absInts = AbsInts(xIn);
  const LaneInts inRange = InRange(absInts, Int(kTinyCosBits), Int(kShortLimitBits) - 1);
  const Lanes x = Select(inRange, xIn, Broadcast(1.0));
  QuickParts q;
  QuickStage<kProduct>(x, q);
  LaneInts sinDone, cosDone;
  QuickSum<kProduct>(q.a, q.aLo, q.b, q.bLo, q.rh, q.sinMinusR, q.cosMinusOne, q.signs, sinOut, sinDone);
  QuickSum<kProduct>(q.b, q.bLo, -q.a, -q.aLo, q.rh, q.sinMinusR, q.cosMinusOne, q.signs, cosOut,
                     cosDone);
  done = inRange & sinDone & cosDone;
}

template <Product kProduct>
MORVANE_LANES_INLINE void SinCosAll(const Lanes& x, Lanes& s, Lanes& c) {
  LaneInts done;
  SinCosQuick<kProduct>(x, s, c, done);
  if (!AllDoneIn<kProduct>(done)) [[unlikely]] {
    for (int i = 0; i < 4; ++i) {
      if (done[i] != 0) continue;
      const SinCosPair p = SinCos(x[i]);
      s[i] = p.sin;
      c[i] = p.cos;
    }
  }
}

// ---------------------------------------------------------- SinMultiples
// SinMultiplesFast for four latitudes at once: one vector per multiple
// (2 phi, 4 phi, 8 phi exact, 6.0 * phi rounded, as the scalar code
// computes them), each through the sine's quick stage (QuickStage and
// QuickSum, the operations SinMultiplesFast does on each of its lanes),
// so a lane whose test passes holds Sin's value, which is SinMultiples's.
// The four vectors do not depend on each other: their latencies overlap.
// A lane with |phi| outside [2^-27, 4) (SinMultiples's fast range; 1.0 is
// put in its place) is computed by SinMultiples; a value whose test fails,
// by Sin on the same argument (the same bits, elementary.hpp).
template <Product kProduct>
MORVANE_LANES_INLINE void SinMultiplesAll(const Lanes& phiIn, Lanes (&out)[4]) {
  const LaneInts inRange = InRange(AbsInts(phiIn), Int(std::bit_cast<std::uint64_t>(0x1p-27)),
                                   Int(std::bit_cast<std::uint64_t>(4.0)) - 1);
  const Lanes phi = Select(inRange, phiIn, Broadcast(1.0));
  const Lanes x[4] = {2.0 * phi, 4.0 * phi, 6.0 * phi, 8.0 * phi};
  LaneInts done[4];
#pragma GCC unroll 4
  for (int m = 0; m < 4; ++m) {
    QuickParts q;
    QuickStage<kProduct>(x[m], q);
    QuickSum<kProduct>(q.a, q.aLo, q.b, q.bLo, q.rh, q.sinMinusR, q.cosMinusOne, q.signs, out[m],
                       done[m]);
  }
  if (!AllDoneIn<kProduct>(inRange & done[0] & done[1] & done[2] & done[3])) [[unlikely]] {
    for (int i = 0; i < 4; ++i) {
      if (inRange[i] == 0) {
        const SinMultiplesOf s = SinMultiples(phiIn[i]);
        out[0][i] = s.sin2;
        out[1][i] = s.sin4;
        out[2][i] = s.sin6;
        out[3][i] = s.sin8;
        continue;
      }
      for (int m = 0; m < 4; ++m) {
        if (done[m][i] == 0) out[m][i] = Sin(x[m][i]);
      }
    }
  }
}

// ------------------------------------------------------------------- Pow
// PowAll's common case on each lane: x a positive normal double, 0 < |y|
// <= 2^64; y = 0.5, 2, and 1.5 with x in [2^-600, 2^600] take their own
// paths (SpecialExponents), the other lanes PowPositive (PowGeneral):
// the logarithm's double-double L (kPowLogTable), T = y L, and ExpCore on
//   |y| < 2 and |yl.hi| <= 8: Tk = yl.hi, d exp(r) as d + d r, errRel =
//     2^-69, the result v 2^K;
//   otherwise: Tk = T.hi, d exp(r) as d + d (r + r^2/2), errRel = 2^-69
//     (|y| < 2) or 2^-70 |y| + 2^-73, the result Scale(v, K) = v 2^K;
//     the lanes with |T.hi| > 708 (the scalar code's overflow, underflow
//     and K beyond [-1022, 1023]: |K| <= 708/ln 2 + 1 < 1022) are left to
//     the scalar function; in the lanes kept, v 2^K is Scale's product.
// Each part runs only when one of the lanes needs it.
//
// ThreeHalves on each lane (x a positive normal double in [2^-600,
// 2^600] where the test is to count; any positive normal double
// elsewhere, its lane thrown away): s = RN(sqrt x), s^2 = sqHi + sqLo
// exactly (ExactSquare), r = (x - sqHi) - sqLo exact, x s = pHi + pLo
// exactly, the value pHi + (pLo + s r/2) with the bound 2^-100 |pHi|
// (power.cpp).  pass: Ziv's test succeeded.
template <Product kProduct>
MORVANE_LANES_INLINE void ThreeHalvesLanes(const Lanes& x, Lanes& value, LaneInts& pass) {
  const Lanes s = {__builtin_sqrt(x[0]), __builtin_sqrt(x[1]), __builtin_sqrt(x[2]), __builtin_sqrt(x[3])};
  const Lanes sqHi = s * s;
  Lanes sqLo;
#if MORVANE_ELEMENTARY_FMA
  if constexpr (kProduct == Product::kFused) {
    ProductLow<kProduct>(s, s, sqHi, sqLo);
  } else
#endif
  {
    // TwoSquare's operations.
    const Lanes c = 134217729.0 * s;
    const Lanes hi = c - (c - s);
    const Lanes lo = s - hi;
    sqLo = ((hi * hi - sqHi) + 2.0 * (hi * lo)) + lo * lo;
  }
  const Lanes r = (x - sqHi) - sqLo;
  const Lanes pHi = x * s;
  Lanes pLo;
  ProductLow<kProduct>(x, s, pHi, pLo);
  const Lanes vLo = pLo + 0.5 * (s * r);
  const Lanes err = AbsLanes(pHi) * 0x1p-100;
  const Lanes up = pHi + (vLo + err);
  const Lanes down = pHi + (vLo - err);
  value = pHi + vLo;
  pass = LaneInts(up == down);
}

// PowAll's exponents with their own paths, on the lanes marked (x a
// positive normal double there, 1.0 elsewhere): y = 0.5, the square root
// (IEEE, correctly rounded); y = 2, x * x; y = 1.5 with x in [2^-600,
// 2^600], ThreeHalves's x s + s r/2 (s = RN(sqrt x), r = x - s^2) and
// its bound 2^-100 |ph|, or the scalar function when its test fails.
template <Product kProduct>
MORVANE_LANES_INLINE void SpecialExponents(const Lanes& x, const LaneInts& isHalf,
                                                const LaneInts& isTwo, const LaneInts& isThreeHalves,
                                                Lanes& out, LaneInts& done) {
  const Lanes root = {__builtin_sqrt(x[0]), __builtin_sqrt(x[1]), __builtin_sqrt(x[2]), __builtin_sqrt(x[3])};
  const Lanes xs = Select(isTwo, x, Broadcast(1.0));
  const Lanes square = xs * xs;
  // ThreeHalves on the lanes of 1.5; the others hold 1.0 (whose square
  // root is 1.0), their values thrown away.
  Lanes threeHalves;
  LaneInts threeHalvesPass;
  ThreeHalvesLanes<kProduct>(Select(isThreeHalves, x, Broadcast(1.0)), threeHalves, threeHalvesPass);
  out = Select(isHalf, root, out);
  out = Select(isTwo, square, out);
  out = Select(isThreeHalves, threeHalves, out);
  done = done | isHalf | isTwo | (isThreeHalves & threeHalvesPass);
}

// PowPositive's logarithm of x (bits: its bits, u = bits - kPowLogOffset)
// from its table entry (c, th, tl): L = sHi + lo.
template <Product kProduct>
MORVANE_LANES_INLINE void LogLanes(const LaneBits& bits, const LaneBits& u, const Lanes& c,
                                   const Lanes& th, const Lanes& tl, Lanes& sHi, Lanes& lo) {
  const Lanes m = FromBits(bits - (u & 0xfff0000000000000u));
  // z = m c - 1 (ShortProductMinusOne).
  Lanes z;
#if MORVANE_ELEMENTARY_FMA
  if constexpr (kProduct == Product::kFused) {
    z = Lanes{__builtin_fma(m[0], c[0], -1.0), __builtin_fma(m[1], c[1], -1.0),
              __builtin_fma(m[2], c[2], -1.0), __builtin_fma(m[3], c[3], -1.0)};
  } else
#endif
  {
    const Lanes p = m * c;
    const Lanes mc = 134217729.0 * m;
    const Lanes mHi = mc - (mc - m);
    const Lanes mLo = m - mHi;
    const Lanes q = (mHi * c - p) + mLo * c;
    z = (p - 1.0) + q;
  }
  // e = u >> 52 as a signed 12-bit integer, as a double: its bits with
  // the sign bit flipped are e + 2048, and 2^52 + e + 2048 minus 2^52 +
  // 2048 is e exactly (integers below 2^53), the value of the scalar
  // code's conversion.
  const Lanes ed = FromBits(0x4330000000000000u | ((u >> 52) ^ 0x800u)) - (0x1p52 + 2048.0);
  Lanes t;
  ExactMulAddLanes<kProduct>(ed, kLn2Parts[0], th, t);
  sHi = t + z;
  const Lanes sLo = z - (sHi - t);
  const Lanes zsq = z * z, z3 = zsq * z;
  const Lanes tail =
      z3 * (kLogP[0] + z * kLogP[1]) + (z3 * zsq) * ((kLogP[2] + z * kLogP[3]) + zsq * kLogP[4]);
  const Lanes tlo = ed * kLn2Parts[1] + tl;
  lo = ((sLo + tlo) - 0.5 * zsq) + tail;
}

// ExpCore's reduction of T = Th + Tl by kd = k (kBits: those of 1.5 2^52
// plus k): the entry 2^(j/1024) = tbHi + tbLo, r = Th - kd C exactly
// (ReduceExact), d, and the parts of exp(r) and of its polynomial.
struct ExpParts {
  Lanes tbHi, tbLo, r, d, rsq, tp, eHi, eLo;
};

template <Product kProduct>
MORVANE_LANES_INLINE void ExpReduce(const Lanes& Th, const Lanes& Tl, const Lanes& kd,
                                    const LaneBits& kBits, ExpParts& e) {
  const Pair& b0 = kPowExp2Table[kBits[0] & 1023];
  const Pair& b1 = kPowExp2Table[kBits[1] & 1023];
  const Pair& b2 = kPowExp2Table[kBits[2] & 1023];
  const Pair& b3 = kPowExp2Table[kBits[3] & 1023];
  PairColumns(b0, b1, b2, b3, e.tbHi, e.tbLo);
#if MORVANE_ELEMENTARY_FMA
  if constexpr (kProduct == Product::kFused) {
    ResidueLanes<kProduct>(Th, kd, kPowLn2Over1024[0], e.r);
  } else
#endif
  {
    e.r = (Th - kd * kPowLn2Over1024[1]) - kd * kPowLn2Over1024[2];
  }
  e.d = Tl - kd * kPowLn2Over1024[3];
  e.rsq = e.r * e.r;
  e.tp = (e.tbHi * e.rsq) * ((kExpR[0] + e.r * kExpR[1]) + e.rsq * (kExpR[2] + e.r * kExpR[3]));
  e.eHi = 1.0 + e.r;
  e.eLo = e.r - (e.eHi - 1.0);
}

// 2^(j/1024) exp(r) (1 + d) = vHi + vl with d's term dTerm, and Ziv's
// test with the bound tbHi errRel.
template <Product kProduct>
MORVANE_LANES_INLINE void ExpValue(const ExpParts& e, const Lanes& dTerm, const Lanes& errRel,
                                   Lanes& value, LaneInts& pass) {
  const Lanes vHi = e.tbHi * e.eHi;
  Lanes vLo;
  ProductLow<kProduct>(e.tbHi, e.eHi, vHi, vLo);
  const Lanes vl = ((vLo + e.tbLo * e.eHi) + e.tbHi * (e.eLo + dTerm)) + e.tp;
  const Lanes err = e.tbHi * errRel;
  const Lanes up = vHi + (vl + err);
  const Lanes down = vHi + (vl - err);
  value = vHi + vl;
  pass = LaneInts(up == down);
}

// PowPositive and ExpCore on the lanes ok (yc: y, 1.0 outside the
// common case).
template <Product kProduct>
MORVANE_LANES_INLINE void PowGeneral(const Lanes& xIn, const Lanes& yIn, const Lanes& yc,
                                          LaneInts ok, Lanes& out, LaneInts& done) {
  const LaneInts smallY = AbsLanes(yc) < 2.0;  // 0 < |y| < 2
  const Lanes x = Select(ok, xIn, Broadcast(1.0));
  const Lanes y = Select(ok, yIn, Broadcast(1.0));
  // The logarithm (PowPositive).
  const LaneBits bits = BitsOf(x);
  const LaneBits u = bits - kPowLogOffset;
  const LaneBits index = (u >> 43) & 511;
  const PowLogEntry& p0 = kPowLogTable[index[0]];
  const PowLogEntry& p1 = kPowLogTable[index[1]];
  const PowLogEntry& p2 = kPowLogTable[index[2]];
  const PowLogEntry& p3 = kPowLogTable[index[3]];
  const Lanes c = {p0.c, p1.c, p2.c, p3.c};
  const Lanes th = {p0.th, p1.th, p2.th, p3.th};
  const Lanes tl = {p0.tl, p1.tl, p2.tl, p3.tl};
  Lanes sHi, lo;
  LogLanes<kProduct>(bits, u, c, th, tl, sHi, lo);
  const Lanes ylHi = y * sHi;
  Lanes ylLo;
  ProductLow<kProduct>(y, sHi, ylHi, ylLo);
  const Lanes tSum = ylLo + y * lo;
  Lanes Th = ylHi + tSum;
  Lanes Tl = tSum - (Th - ylHi);
  // The exponential (ExpCore), on each lane's own variant.
  const LaneInts small = smallY & (AbsLanes(ylHi) <= 8.0);
  ok &= small | (AbsLanes(Th) <= 708.0);
  const Lanes zero = Broadcast(0.0);
  const Lanes Tk = Select(ok, Select(small, ylHi, Th), zero);
  Th = Select(ok, Th, zero);
  Tl = Select(ok, Tl, zero);
  const Lanes errRel = Select(smallY, Broadcast(0x1p-69), AbsLanes(y) * 0x1p-70 + 0x1p-73);
  const Lanes kd0 = Tk * kPow1024OverLn2 + 0x1.8p52;
  const Lanes kd = kd0 - 0x1.8p52;
  // The bits of kd0 are those of 1.5 2^52 plus k (|k| < 2^21).
  const LaneBits kBits = BitsOf(kd0);
  ExpParts e;
  ExpReduce<kProduct>(Th, Tl, kd, kBits, e);
  const Lanes dTerm = Select(small, e.d + e.d * e.r, e.d + e.d * (e.r + 0.5 * e.rsq));
  Lanes value;
  LaneInts pass;
  ExpValue<kProduct>(e, dTerm, errRel, value, pass);
  // 2^K, K = floor(k / 1024) in [-1022, 1021] on the lanes kept (0
  // elsewhere): K + 1023 = (k + 1023 * 1024) / 1024 rounded down, the
  // dividend not negative, so a logical shift of k + 1023 * 1024 =
  // kBits - (the bits of 1.5 2^52 - 1023 * 1024).
  constexpr std::uint64_t kScaleBias = std::bit_cast<std::uint64_t>(0x1.8p52) - 1023u * 1024u;
  const Lanes scale = FromBits(((kBits - kScaleBias) >> 10) << 52);
  out = value * scale;
  done = ok & pass;
}

template <Product kProduct>
MORVANE_LANES_INLINE void PowQuick(const Lanes& xIn, const Lanes& yIn, Lanes& out,
                                        LaneInts& done) {
  // PowAll's common case: x's bits in [2^52, 0x7fe 2^52) (a positive
  // normal double; a negative x's bits lie above as unsigned), 0 < |y| <=
  // 2^64.
  const LaneInts xb = reinterpret_cast<LaneInts>(xIn);
  const LaneInts common = InRange(xb, Int(0x0010000000000000u), Int(0x7fefffffffffffffu)) &
                         InRange(AbsInts(yIn), 1, Int(std::bit_cast<std::uint64_t>(0x1p64)));
  // The exponents with their own paths: 0.5, 2, and 1.5 for x in
  // [2^-600, 2^600] (its biased exponent in [423, 1623)); compared as
  // doubles (quietly) once the lanes outside hold 1.0.
  const Lanes yc = Select(common, yIn, Broadcast(1.0));
  const LaneInts isHalf = common & (yc == 0.5);
  const LaneInts isTwo = common & (yc == 2.0);
  const LaneInts isThreeHalves = common & (yc == 1.5) &
                                 InRange(xb, Int(std::uint64_t{423} << 52), Int(std::uint64_t{1623} << 52) - 1);
  const LaneInts special = isHalf | isTwo | isThreeHalves;
  LaneInts ok = common & ~special;
  out = Broadcast(0.0);
  done = LaneInts{0, 0, 0, 0};
  if (!NoneOf(ok)) PowGeneral<kProduct>(xIn, yIn, yc, ok, out, done);
  if (!NoneOf(special)) {
    SpecialExponents<kProduct>(Select(special, xIn, Broadcast(1.0)), isHalf, isTwo, isThreeHalves,
                               out, done);
  }
}

template <Product kProduct>
MORVANE_LANES_INLINE void PowAllLanes(const Lanes& x, const Lanes& y, Lanes& out) {
  LaneInts done;
  PowQuick<kProduct>(x, y, out, done);
  if (!AllDoneIn<kProduct>(done)) [[unlikely]] {
    for (int i = 0; i < 4; ++i) {
      if (done[i] == 0) out[i] = Pow(x[i], y[i]);
    }
  }
}

// ------------------------------------------------- Pow, one exponent
// Pow(x[i], y) for one y on the four lanes.  PowAll's tests of y are made
// once, on the scalar y; only x's test (a positive normal double) stays
// per lane.  So the special exponents' masks, the selects between the
// variants of |y| < 2 and |y| >= 2 and the per-lane errRel disappear, and
// y = 1.5 takes ThreeHalves's lanes alone.

// PowPositive and ExpCore for one y with 0 < |y| <= 2^64, y not 0.5, 1.5
// or 2 (PowGeneral's operations with y the same in every lane), on the
// lanes common (x holds 1.0 elsewhere).  kSmallY: |y| < 2, PowPositive's
// kSmallY path: Tk = yl.hi, d exp(r) as d + d r, errRel = 2^-69, the
// result v 2^K; the lanes with |yl.hi| > 8 are left to the scalar
// function (none in the conversions: |y ln x| <= 8 there).  Otherwise
// the path of |y| >= 2: Tk = T.hi, d + d (r + r^2/2), errRel = 2^-70 |y|
// + 2^-73 (computed once, as the scalar code does), the lanes with
// |T.hi| > 708 left to the scalar function.
template <Product kProduct, bool kSmallY>
MORVANE_LANES_INLINE void PowUniformGeneral(const Lanes& x, const std::uint64_t (&rawBits)[4],
                                            double y, LaneInts ok, Lanes& out, LaneInts& done) {
  // The logarithm (PowPositive).  The table's indices from the arguments'
  // bits as read from memory, lane by lane in integer registers: the
  // entries' loads need not wait for the vector and its moves out of it.
  // A lane outside common indexes the table from its own bits (any 64
  // bits give an index below 512) where x holds 1.0: its values are
  // thrown away, and every entry keeps them finite.
  const LaneBits bits = BitsOf(x);
  const LaneBits u = bits - kPowLogOffset;
  const auto entry = [](std::uint64_t b) -> const PowLogEntry& {
    return kPowLogTable[((b - kPowLogOffset) >> 43) & 511];
  };
  const PowLogEntry& p0 = entry(rawBits[0]);
  const PowLogEntry& p1 = entry(rawBits[1]);
  const PowLogEntry& p2 = entry(rawBits[2]);
  const PowLogEntry& p3 = entry(rawBits[3]);
  static_assert(offsetof(PowLogEntry, c) == 0 && offsetof(PowLogEntry, th) == 8);
  Lanes c, th;
  PairColumns(p0, p1, p2, p3, c, th);
  const Lanes tl = {p0.tl, p1.tl, p2.tl, p3.tl};
  Lanes sHi, lo;
  LogLanes<kProduct>(bits, u, c, th, tl, sHi, lo);
  const Lanes yv = Broadcast(y);
  const Lanes ylHi = yv * sHi;
  Lanes ylLo;
  ProductLow<kProduct>(yv, sHi, ylHi, ylLo);
  const Lanes tSum = ylLo + y * lo;
  Lanes Th = ylHi + tSum;
  Lanes Tl = tSum - (Th - ylHi);
  // The exponential (ExpCore).
  Lanes Tk;
  if constexpr (kSmallY) {
    // |T| <= 2 745.2 in every lane (|ln x| <= 745.2, x = 1 outside
    // common): every step below stays finite; the lanes left out get the
    // scale 1, so that no overflow is raised for them.
    ok &= AbsLanes(ylHi) <= 8.0;
    Tk = ylHi;
  } else {
    const Lanes zero = Broadcast(0.0);
    ok &= AbsLanes(Th) <= 708.0;
    Tk = Select(ok, Th, zero);
    Th = Tk;
    Tl = Select(ok, Tl, zero);
  }
  const double errRel = kSmallY ? 0x1p-69 : __builtin_fabs(y) * 0x1p-70 + 0x1p-73;
  const Lanes kd0 = Tk * kPow1024OverLn2 + 0x1.8p52;
  const Lanes kd = kd0 - 0x1.8p52;
  const LaneBits kBits = BitsOf(kd0);
  ExpParts e;
  ExpReduce<kProduct>(Th, Tl, kd, kBits, e);
  Lanes dTerm;
  if constexpr (kSmallY) {
    dTerm = e.d + e.d * e.r;
  } else {
    dTerm = e.d + e.d * (e.r + 0.5 * e.rsq);
  }
  Lanes value;
  LaneInts pass;
  ExpValue<kProduct>(e, dTerm, Broadcast(errRel), value, pass);
  constexpr std::uint64_t kScaleBias = std::bit_cast<std::uint64_t>(0x1.8p52) - 1023u * 1024u;
  Lanes scale = FromBits(((kBits - kScaleBias) >> 10) << 52);
  if constexpr (kSmallY) scale = Select(ok, scale, Broadcast(1.0));
  out = value * scale;
  done = ok & pass;
}

// PowAll's dispatch on y, made once; then the lanes.  The lanes outside
// the common case (x not a positive normal double) and those whose test
// fails are left to the scalar function.
template <Product kProduct>
MORVANE_LANES_INLINE void PowUniformQuick(const Lanes& xIn, const Lanes& xMemory, double y,
                                          Lanes& out, LaneInts& done) {
  const LaneInts xb = reinterpret_cast<LaneInts>(xIn);
  const std::uint64_t ya = (std::bit_cast<std::uint64_t>(y) << 1) - 1;
  if (ya >= 0x87e0000000000000u) {  // y = 0, |y| > 2^64, NaN or infinite
    done = LaneInts{0, 0, 0, 0};
    return;
  }
  if (y == 1.5) {  // x in [2^-600, 2^600] (biased exponent in [423, 1623))
    const LaneInts range = InRange(xb, Int(std::uint64_t{423} << 52), Int(std::uint64_t{1623} << 52) - 1);
    LaneInts pass;
    ThreeHalvesLanes<kProduct>(Select(range, xIn, Broadcast(1.0)), out, pass);
    done = range & pass;
    return;
  }
  const LaneInts common = InRange(xb, Int(0x0010000000000000u), Int(0x7fefffffffffffffu));
  const Lanes x = Select(common, xIn, Broadcast(1.0));
  if (y == 0.5) {
    out = Lanes{__builtin_sqrt(x[0]), __builtin_sqrt(x[1]), __builtin_sqrt(x[2]), __builtin_sqrt(x[3])};
    done = common;
  } else if (y == 2.0) {
    out = x * x;
    done = common;
  } else {
    std::uint64_t rawBits[4];
    std::memcpy(rawBits, &xMemory, sizeof rawBits);
    if (ya < 0x7fffffffffffffffu) {  // 0 < |y| < 2
      PowUniformGeneral<kProduct, true>(x, rawBits, y, common, out, done);
    } else {
      PowUniformGeneral<kProduct, false>(x, rawBits, y, common, out, done);
    }
  }
}

template <Product kProduct>
MORVANE_LANES_INLINE void PowUniformAllLanes(const Lanes& x, const Lanes& xMemory, double y,
                                             Lanes& out) {
  LaneInts done;
  PowUniformQuick<kProduct>(x, xMemory, y, out, done);
  if (!AllDoneIn<kProduct>(done)) [[unlikely]] {
    for (int i = 0; i < 4; ++i) {
      if (done[i] == 0) out[i] = Pow(x[i], y);
    }
  }
}

// Pow of each lane's pair; when the four exponents are one (the same
// bits: every call of the conversions), the lanes with one exponent,
// which give the same bits.
template <Product kProduct>
MORVANE_LANES_INLINE void PowAnyLanes(const Lanes& x, const Lanes& xMemory, const Lanes& y,
                                      Lanes& out) {
  const LaneBits yBits = BitsOf(y);
  const LaneBits first = {yBits[0], yBits[0], yBits[0], yBits[0]};
  if (AllDoneIn<kProduct>(LaneInts(yBits == first))) {
    PowUniformAllLanes<kProduct>(x, xMemory, y[0], out);
  } else {
    PowAllLanes<kProduct>(x, y, out);
  }
}

// ------------------------------------------------------------------- Tan
// TanWith's first stage on each lane with |x| in [2^-27, RN(pi/2) -
// 2^-6]: TanCellSum for |x| <= 1, CotCellSum above, the two written as
// one: both evaluate t0 + t1 h + T(g) from their cell with the same
// operations, g = h (tan) or h + P2 (cot), and the cot's extra term t1.hi
// P2 in the low part; each lane takes its own cell, g, low part and bound
// (1.25 2^-66 or 2^-65 of s.hi).  x's sign is put on tan |x|.
//   kMixed false: every lane is in TanCellSum's range (the lanes outside
// [2^-27, P1 - 2^-6] hold 0.5), the conversions' case (pi/4 - phi/2
// in [0.30, 0.40] for Belgium): the cot's operations and the selects
// between the two are left out; each lane's operations are those the
// mixed form keeps for it, so the bits are the same.
template <Product kProduct, bool kMixed>
MORVANE_LANES_INLINE void TanCells(const Lanes& ax, const LaneInts& isTan, Lanes& out,
                                   LaneInts& pass) {
  // TanCellSum's cell: c = j/256 nearest to ax, h = ax - c.
  const Lanes shifted = ax + 0x1.8p44;
  const Lanes hTan = ax - (shifted - 0x1.8p44);
  const LaneBits j = BitsOf(shifted) & 0xffffffffu;
  const auto address = [](const TanCell* cell) { return reinterpret_cast<std::uintptr_t>(cell); };
  LaneBits cells = address(kTanCells) + j * sizeof(TanCell);
  Lanes hCot = hTan;
  if constexpr (kMixed) {
    // CotCellSum's: zh = P1 - ax, c its cell's centre, h = zh - c.
    const Lanes zh = kHalfPi.hi - ax;
    const LaneBits zb = BitsOf(zh);
    constexpr std::uint64_t kLow = (std::uint64_t{1} << 45) - 1;
    hCot = zh - FromBits((zb & ~kLow) | (std::uint64_t{1} << 44));
    const LaneBits cotIndex = (zb >> 45) - (std::bit_cast<std::uint64_t>(0x1p-6) >> 45);
    // Each lane's cell, its address chosen without a branch.
    const LaneBits cotAddress = address(kCotCells) + cotIndex * sizeof(TanCell);
    const LaneBits m = reinterpret_cast<LaneBits>(isTan);
    cells = (cells & m) | (cotAddress & ~m);
  }
  const TanCell& c0 = *reinterpret_cast<const TanCell*>(static_cast<std::uintptr_t>(cells[0]));
  const TanCell& c1 = *reinterpret_cast<const TanCell*>(static_cast<std::uintptr_t>(cells[1]));
  const TanCell& c2 = *reinterpret_cast<const TanCell*>(static_cast<std::uintptr_t>(cells[2]));
  const TanCell& c3 = *reinterpret_cast<const TanCell*>(static_cast<std::uintptr_t>(cells[3]));
  // The cells transposed, three rows of four doubles each: (t1.hi, t1.lo,
  // t[0], t[1]), (t[2] .. t[5]), (t[6], t0.hi, t0.lo, and the padding,
  // unused).
  static_assert(offsetof(TanCell, t1) == 0 && offsetof(TanCell, t) == 16 &&
                offsetof(TanCell, t0) == 72 && sizeof(TanCell) == 96);
  Lanes t1Hi, t1Lo, q0, q1, q2, q3, q4, q5, q6, t0Hi, t0Lo, unused;
  Transpose(Row<0>(c0), Row<0>(c1), Row<0>(c2), Row<0>(c3), t1Hi, t1Lo, q0, q1);
  Transpose(Row<32>(c0), Row<32>(c1), Row<32>(c2), Row<32>(c3), q2, q3, q4, q5);
  Transpose(Row<64>(c0), Row<64>(c1), Row<64>(c2), Row<64>(c3), q6, t0Hi, t0Lo, unused);
  Lanes h = hTan, g = hTan;
  if constexpr (kMixed) {
    h = Select(isTan, hTan, hCot);
    g = Select(isTan, hTan, hCot + kHalfPi.lo);
  }
  const Lanes g2 = g * g;
  const Lanes s0 = q1 + q2 * g;
  const Lanes s1 = q3 + q4 * g;
  const Lanes s2 = q5 + q6 * g;
  const Lanes tail = g2 * (q0 + g * (s0 + g2 * (s1 + g2 * s2)));
  const Lanes pHi = t1Hi * h;
  Lanes pLo;
  ProductLow<kProduct>(t1Hi, h, pHi, pLo);
  Lanes low = pLo + t1Lo * h;
  if constexpr (kMixed) low = Select(isTan, low, (pLo + t1Hi * kHalfPi.lo) + t1Lo * g);
  const Lanes sHi = t0Hi + pHi;
  const Lanes sLo = pHi - (sHi - t0Hi);
  const Lanes v = (sLo + (t0Lo + low)) + tail;
  Lanes bound = Broadcast(0x1.4p-66);
  if constexpr (kMixed) bound = Select(isTan, bound, Broadcast(0x1p-65));
  const Lanes err = bound * sHi;
  const Lanes up = sHi + (v + err);
  const Lanes down = sHi + (v - err);
  out = sHi + v;
  pass = LaneInts(up == down);
}

template <Product kProduct>
MORVANE_LANES_INLINE void TanQuick(const Lanes& xIn, Lanes& out, LaneInts& done) {
  const LaneInts absInts = AbsInts(xIn);
  const LaneBits signBits = BitsOf(xIn) & ~kAbsMask;
  const LaneInts inRange = InRange(absInts, Int(kTinyCosBits), Int(kCotCellLimitBits));
  const Lanes ax = Select(inRange, AbsLanes(xIn), Broadcast(0.5));
  const LaneInts isTan = InRange(reinterpret_cast<LaneInts>(ax), 0, Int(kTanCellLimitBits));
  LaneInts pass;
  if (AllDoneIn<kProduct>(isTan)) {
    TanCells<kProduct, false>(ax, isTan, out, pass);
  } else {
    TanCells<kProduct, true>(ax, isTan, out, pass);
  }
  out = FromBits(BitsOf(out) | signBits);
  done = inRange & pass;
}

template <Product kProduct>
MORVANE_LANES_INLINE void TanAllLanes(const Lanes& x, Lanes& out) {
  LaneInts done;
  TanQuick<kProduct>(x, out, done);
  if (!AllDoneIn<kProduct>(done)) [[unlikely]] {
    for (int i = 0; i < 4; ++i) {
      if (done[i] == 0) out[i] = Tan(x[i]);
    }
  }
}

// The two copies of each, out of line, the vectors by reference.
MORVANE_LANES_NOINLINE void SinCosDekker(const Lanes& x, Lanes& s, Lanes& c) {
  SinCosAll<Product::kDekker>(x, s, c);
}
MORVANE_LANES_NOINLINE void PowDekker(const Lanes& x, const Lanes& y, Lanes& out) {
  PowAnyLanes<Product::kDekker>(x, x, y, out);
}
MORVANE_LANES_NOINLINE void PowUniformDekker(const Lanes& x, double y, Lanes& out) {
  PowUniformAllLanes<Product::kDekker>(x, x, y, out);
}
MORVANE_LANES_NOINLINE void SinMultiplesDekker(const Lanes& phi, Lanes (&out)[4]) {
  SinMultiplesAll<Product::kDekker>(phi, out);
}
MORVANE_LANES_NOINLINE void TanDekker(const Lanes& x, Lanes& out) {
  TanAllLanes<Product::kDekker>(x, out);
}
#if MORVANE_ELEMENTARY_FMA
#define MORVANE_LANES_FUSED_TARGET __attribute__((target("fma,avx2")))
MORVANE_LANES_FUSED_TARGET MORVANE_LANES_NOINLINE void SinCosFused(const Lanes& x, Lanes& s,
                                                                      Lanes& c) {
  Lanes xv;
  LoadHalves(x, xv);
  SinCosAll<Product::kFused>(xv, s, c);
}
MORVANE_LANES_FUSED_TARGET MORVANE_LANES_NOINLINE void PowFused(const Lanes& x, const Lanes& y,
                                                                   Lanes& out) {
  Lanes xv, yv;
  LoadHalves(x, xv);
  LoadHalves(y, yv);
  PowAnyLanes<Product::kFused>(xv, x, yv, out);
}
MORVANE_LANES_FUSED_TARGET MORVANE_LANES_NOINLINE void PowUniformFused(const Lanes& x, double y,
                                                                          Lanes& out) {
  Lanes xv;
  LoadHalves(x, xv);
  PowUniformAllLanes<Product::kFused>(xv, x, y, out);
}
MORVANE_LANES_FUSED_TARGET MORVANE_LANES_NOINLINE void SinMultiplesFused(const Lanes& phi,
                                                                           Lanes (&out)[4]) {
  Lanes phiv;
  LoadHalves(phi, phiv);
  SinMultiplesAll<Product::kFused>(phiv, out);
}
MORVANE_LANES_FUSED_TARGET MORVANE_LANES_NOINLINE void TanFused(const Lanes& x, Lanes& out) {
  Lanes xv;
  LoadHalves(x, xv);
  TanAllLanes<Product::kFused>(xv, out);
}

// Fused products (UseFusedProducts, which a test may change at any time)
// and AVX2 (the processor's, asked once).
bool UseFusedLanes() {
  static const bool avx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return avx2 && UseFusedProducts();
}
#endif

}  // namespace
}  // namespace detail

void SinCos(const Lanes4& x, SinCosLanes4& result) {
#if MORVANE_ELEMENTARY_FMA
  if (detail::UseFusedLanes()) {
    detail::SinCosFused(x, result.sin, result.cos);
    return;
  }
#endif
  detail::SinCosDekker(x, result.sin, result.cos);
}

void Pow(const Lanes4& x, const Lanes4& y, Lanes4& result) {
#if MORVANE_ELEMENTARY_FMA
  if (detail::UseFusedLanes()) {
    detail::PowFused(x, y, result);
    return;
  }
#endif
  detail::PowDekker(x, y, result);
}

void Pow(const Lanes4& x, double y, Lanes4& result) {
#if MORVANE_ELEMENTARY_FMA
  if (detail::UseFusedLanes()) {
    detail::PowUniformFused(x, y, result);
    return;
  }
#endif
  detail::PowUniformDekker(x, y, result);
}

void SinMultiples(const Lanes4& phi, SinMultiplesLanes4& result) {
  Lanes4 out[4];
#if MORVANE_ELEMENTARY_FMA
  if (detail::UseFusedLanes()) {
    detail::SinMultiplesFused(phi, out);
  } else
#endif
  {
    detail::SinMultiplesDekker(phi, out);
  }
  result = {out[0], out[1], out[2], out[3]};
}

void Tan(const Lanes4& x, Lanes4& result) {
#if MORVANE_ELEMENTARY_FMA
  if (detail::UseFusedLanes()) {
    detail::TanFused(x, result);
    return;
  }
#endif
  detail::TanDekker(x, result);
}

}  // namespace morvane::elementary
