// The first stages' constants and lane helpers that the scalar functions
// (trigonometric.cpp, power.cpp) and their four-lane versions (lanes.cpp)
// share: the lanes must do the very operations of the scalar code, so
// both take them from here.  The error bounds are derived beside the
// code that uses them, in trigonometric.cpp and power.cpp.
#pragma once

#include <bit>
#include <cstdint>

#include "elementary/double_double.hpp"
#include "elementary/tables.hpp"

namespace morvane::elementary::detail {

// Below: sin x = x, tan x = x (x^2/6, x^2/3 below half an ulp); cos x = 1.
constexpr double kTinySin = 0x1p-26, kTinyCos = 0x1p-27;
constexpr double kFastLimit = 0x1p20;
// The bits of |x| (sign cleared) at those limits and at 32, where the
// reduction changes: one unsigned comparison of the bits takes a range
// and sends NaN (above infinity's bits) out of it.
constexpr std::uint64_t kAbsMask = 0x7fffffffffffffffu;
constexpr std::uint64_t kTinySinBits = std::bit_cast<std::uint64_t>(kTinySin);
constexpr std::uint64_t kTinyCosBits = std::bit_cast<std::uint64_t>(kTinyCos);
constexpr std::uint64_t kFastLimitBits = std::bit_cast<std::uint64_t>(kFastLimit);
constexpr std::uint64_t kShortLimitBits = std::bit_cast<std::uint64_t>(32.0);

// The reduction's error with a margin of 8: the bound's absolute term.
constexpr double kShortAbsErr = 0x1p-112, kLongAbsErr = 0x1p-97;

// The quick stage's polynomials of sin r - r and cos r - 1 (QuickCombine,
// coefficients.sollya).
constexpr double kS3Quick = -0x1.555555555555p-3, kS5Quick = 0x1.1111100d0f704p-7;
constexpr double kCQuick = 0x1.55555474be9c7p-5;

// The ends of Tan's cells: TanCellSum up to 1, CotCellSum up to
// RN(pi/2) - 2^-6.
constexpr std::uint64_t kTanCellLimitBits = std::bit_cast<std::uint64_t>(1.0);
constexpr std::uint64_t kCotCellLimitBits = std::bit_cast<std::uint64_t>(kHalfPi.hi - 0x1p-6);

// Four doubles side by side (vector types of the compiler): each lane's
// operations are the IEEE ones, so the same bits as one at a time.
using Lanes = double __attribute__((vector_size(32)));
using LaneBits = std::uint64_t __attribute__((vector_size(32)));
using LaneInts = std::int64_t __attribute__((vector_size(32)));

// low = a * b - RN(a * b) = a * b - p, exact (see ExactProduct), lane by
// lane.  (Results by reference: the vectors stay inside these inline
// functions, whatever the processor's registers.)
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE void ProductLow(const Lanes& a, const Lanes& b, const Lanes& p, Lanes& low) {
#if MORVANE_ELEMENTARY_FMA
  if constexpr (kProduct == Product::kFused) {
    low = Lanes{__builtin_fma(a[0], b[0], -p[0]), __builtin_fma(a[1], b[1], -p[1]),
                __builtin_fma(a[2], b[2], -p[2]), __builtin_fma(a[3], b[3], -p[3])};
    return;
  }
#endif
  const Lanes c = 134217729.0 * a, d = 134217729.0 * b;
  const Lanes ah = c - (c - a), bh = d - (d - b);
  const Lanes al = a - ah, bl = b - bh;
  low = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
}

// r = x - kd p, exact (see ExactResidue), lane by lane.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE void ResidueLanes(const Lanes& x, const Lanes& kd, double p, Lanes& r) {
#if MORVANE_ELEMENTARY_FMA
  if constexpr (kProduct == Product::kFused) {
    r = Lanes{__builtin_fma(-kd[0], p, x[0]), __builtin_fma(-kd[1], p, x[1]),
              __builtin_fma(-kd[2], p, x[2]), __builtin_fma(-kd[3], p, x[3])};
    return;
  }
#endif
  r = x - kd * p;
}

// ReduceShort (trigonometric.cpp, where its bound is derived) on four
// lanes: k's bits, rh and rl of each lane.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE void ReduceShortLanes(const Lanes& x, Lanes& rh, Lanes& rl,
                                                LaneBits& kBits) {
  const Lanes shifted = x * k1024OverPi + 0x1.8p52;
  const Lanes kd = shifted - 0x1.8p52;
  Lanes r0;
  ResidueLanes<kProduct>(x, kd, kPiOver1024Short[0], r0);
  const Lanes t = kd * kPiOver1024Short[1];
  rh = r0 - t;
  rl = ((r0 - rh) - t) - kd * kPiOver1024Short[2];
  kBits = reinterpret_cast<LaneBits>(shifted);
}

// The sine's quick sum (QuickCombine) on four lanes, sin(a + r) = A + B rh
// + [...], for A = hi + hiLo and B = slope + slopeLo from the table: each
// lane's value, hi + lo with the sign bits put on (up itself when the
// test passes, see RoundingTest), and Ziv's test per lane (all ones when
// it passes).  Shared by SinMultiples and the four-lane functions.
template <Product kProduct>
MORVANE_ELEMENTARY_INLINE void QuickSum(const Lanes& hi, const Lanes& hiLo, const Lanes& slope,
                                        const Lanes& slopeLo, const Lanes& rh,
                                        const Lanes& sinMinusR, const Lanes& cosMinusOne,
                                        const LaneBits& signs, Lanes& value, LaneInts& done) {
  const Lanes brHi = slope * rh;
  Lanes brLo;
  ProductLow<kProduct>(slope, rh, brHi, brLo);
  const Lanes sumHi = hi + brHi;
  const Lanes sumLo = brHi - (sumHi - hi);
  const Lanes small = ((brLo + hiLo) + slopeLo * rh) + (slope * sinMinusR + hi * cosMinusOne);
  const Lanes lo = sumLo + small;
  const LaneBits absMask = {kAbsMask, kAbsMask, kAbsMask, kAbsMask};
  const Lanes absHi = reinterpret_cast<Lanes>(reinterpret_cast<LaneBits>(sumHi) & absMask);
  const Lanes err = 0x1p-64 * absHi + kShortAbsErr;
  const Lanes up = sumHi + (lo + err);
  const Lanes down = sumHi + (lo - err);
  value = reinterpret_cast<Lanes>(reinterpret_cast<LaneBits>(sumHi + lo) ^ signs);
  done = up == down;
}

// ln(1 + z) = z - z^2/2 + z^3 P(z) (coefficients.sollya).
constexpr double kLogP[5] = {0x1.5555555555555p-2, -0x1.fffffffffe9d4p-3, 0x1.9999999adc642p-3,
                             -0x1.55557f731efa8p-3, 0x1.248abd88ad05ep-3};
// exp(r) = 1 + r + r^2 R(r) (coefficients.sollya), R(0) = 1/2.
constexpr double kExpR[4] = {0x1p-1, 0x1.5555555555555p-3, 0x1.55555569a847p-5,
                             0x1.1111114a97edfp-7};

}  // namespace morvane::elementary::detail
