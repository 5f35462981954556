// The operations the conversions' arithmetic is written with, for one
// point (double) and for four points at once (Lanes4, one point a lane).
//
// A routine written once as a template over the value type V computes,
// with V = double, exactly what it always computed (the same operations
// in the same order, the same checks), and with V = Lanes4 the same
// operations lane by lane: IEEE arithmetic is correctly rounded, so each
// lane holds the bits the double instantiation gives for its point.
// Scalars mixed with a vector are broadcast to every lane.
//
// Checks.  For one point, Check() is fp::Check(): a fault stops the
// routine at the step that raised it.  Four points are never checked step
// by step: a batch reads the flags once after a group of four and
// converts the group again point by point when one is pending, so the
// points that fault are decided by the checked scalar code.  Where there
// are no flags (WebAssembly), Check() on lanes puts a value that is not
// finite into the pending set instead, which has the same effect.
#pragma once

#include <cmath>
#include <cstdint>
#include <type_traits>

#include "base/checks.hpp"
#include "elementary/elementary.hpp"
#include "elementary/lanes.hpp"

namespace morvane::lanes {

using elementary::Lanes4;
// A lane's comparison: all ones where it holds, zero where not.
using Mask4 = std::int64_t __attribute__((vector_size(32)));

inline constexpr int kLanes = 4;

// Four singles and four 32-bit integers, one per lane of a Lanes4.
using Floats4 = float __attribute__((vector_size(16)));
using Ints4 = std::int32_t __attribute__((vector_size(16)));

// Conversions, lane by lane, as static_cast converts one value: doubles
// and integers to the nearest single, singles to integers toward zero.
inline float ToFloats(double v) { return static_cast<float>(v); }
inline float ToFloats(std::int32_t v) { return static_cast<float>(v); }
inline std::int32_t ToInts(float v) { return static_cast<std::int32_t>(v); }
inline Floats4 ToFloats(const Lanes4& v) { return __builtin_convertvector(v, Floats4); }
inline Floats4 ToFloats(const Ints4& v) { return __builtin_convertvector(v, Floats4); }
inline Ints4 ToInts(const Floats4& v) { return __builtin_convertvector(v, Ints4); }

inline double Abs(double x) { return std::fabs(x); }
inline Lanes4 Abs(const Lanes4& x) {
  const Mask4 bits = reinterpret_cast<Mask4>(x) & Mask4{INT64_MAX, INT64_MAX, INT64_MAX, INT64_MAX};
  return reinterpret_cast<Lanes4>(bits);
}

// ---------------------------------------------------------------------------
// Checks.

template <typename T>
inline bool AnyNotFinite(const T& v) {
  // x - x is 0 for a finite x and NaN for an infinity or a NaN.
  const T d = v - v;
  const auto bad = d != d;
  for (int i = 0; i < kLanes; ++i)
    if (bad[i]) return true;
  return false;
}

template <typename T>
inline void NoteLanes([[maybe_unused]] const T& v) {
#if defined(MORVANE_FP_VALUES)
  if (AnyNotFinite(v)) [[unlikely]] fp::tPending |= fp::kInvalidBit;
#endif
}

// fp::Check() of one point's values; lanes are noted.
template <typename... T>
inline void Check(const T&... values) {
  if constexpr ((std::is_arithmetic_v<T> && ...)) fp::Check(values...);
  else (NoteLanes(values), ...);
}

template <typename R, typename... T>
inline void CheckStep(const R& result, const T&... operands) {
  if constexpr (std::is_arithmetic_v<R>) fp::CheckStep(result, operands...);
  else NoteLanes(result);
}

// ---------------------------------------------------------------------------
// Masks, choices and square roots.

// Comparisons of singles and of integers give masks of 32-bit lanes.
using Masks4 = std::int32_t __attribute__((vector_size(16)));

inline bool Any(bool condition) { return condition; }
inline bool Any(const Mask4& mask) { return (mask[0] | mask[1] | mask[2] | mask[3]) != 0; }
inline bool Any(const Masks4& mask) { return (mask[0] | mask[1] | mask[2] | mask[3]) != 0; }
inline bool All(bool condition) { return condition; }
inline bool All(const Mask4& mask) { return (mask[0] & mask[1] & mask[2] & mask[3]) != 0; }
inline bool Not(bool mask) { return !mask; }
inline Masks4 Not(const Masks4& mask) { return ~mask; }
// A mask of doubles' lanes as a mask of 32-bit lanes.
inline bool Narrow(bool mask) { return mask; }
inline Masks4 Narrow(const Mask4& mask) { return __builtin_convertvector(mask, Masks4); }

template <typename T>
inline T Select(bool condition, T a, T b) { return condition ? a : b; }
inline Lanes4 Select(const Mask4& mask, const Lanes4& a, const Lanes4& b) {
  const Mask4 bits = (reinterpret_cast<Mask4>(a) & mask) | (reinterpret_cast<Mask4>(b) & ~mask);
  return reinterpret_cast<Lanes4>(bits);
}
inline Ints4 Select(const Masks4& mask, const Ints4& a, const Ints4& b) {
  return (a & mask) | (b & ~mask);
}
inline Floats4 Select(const Masks4& mask, const Floats4& a, const Floats4& b) {
  return reinterpret_cast<Floats4>((reinterpret_cast<Ints4>(a) & mask) |
                                   (reinterpret_cast<Ints4>(b) & ~mask));
}

inline Lanes4 Broadcast(double v) { return Lanes4{v, v, v, v}; }
// A constant as a value of type V.
template <typename V>
inline V Splat(double v) {
  if constexpr (std::is_same_v<V, double>) return v;
  else return Broadcast(v);
}

inline double Sqrt(double x) { return std::sqrt(x); }
// Vectors of values computed lane by lane are built from the four values
// at once (in registers): four stores into a vector's lanes and a load of
// the whole vector would wait for each store to reach it.
inline Lanes4 Sqrt(const Lanes4& x) {
  // Each lane's square root, correctly rounded as the scalar one is; the
  // compiler makes one vector instruction of the four where it can.
  return Lanes4{__builtin_sqrt(x[0]), __builtin_sqrt(x[1]), __builtin_sqrt(x[2]),
                __builtin_sqrt(x[3])};
}

inline double Trunc(double x) { return std::trunc(x); }
inline Lanes4 Trunc(const Lanes4& x) {
  return Lanes4{__builtin_trunc(x[0]), __builtin_trunc(x[1]), __builtin_trunc(x[2]),
                __builtin_trunc(x[3])};
}

inline double Floor(double x) { return std::floor(x); }
inline Lanes4 Floor(const Lanes4& x) {
  return Lanes4{__builtin_floor(x[0]), __builtin_floor(x[1]), __builtin_floor(x[2]),
                __builtin_floor(x[3])};
}

// ---------------------------------------------------------------------------
// Elementary functions.

inline double Pow(double x, double y) { return elementary::Pow(x, y); }
inline Lanes4 Pow(const Lanes4& x, const Lanes4& y) {
  Lanes4 r;
  elementary::Pow(x, y, r);
  return r;
}
// One exponent for the four points (the formulas' constants): y's cases
// decided once (lanes.hpp).
inline Lanes4 Pow(const Lanes4& x, double y) {
  Lanes4 r;
  elementary::Pow(x, y, r);
  return r;
}

inline double Tan(double x) { return elementary::Tan(x); }
inline Lanes4 Tan(const Lanes4& x) {
  Lanes4 r;
  elementary::Tan(x, r);
  return r;
}

template <typename V>
struct SinCosOfV {
  V sin, cos;
};

inline SinCosOfV<double> SinAndCos(double x) {
  const elementary::SinCosPair p = elementary::SinCos(x);
  return {p.sin, p.cos};
}
inline SinCosOfV<Lanes4> SinAndCos(const Lanes4& x) {
  elementary::SinCosLanes4 p;
  elementary::SinCos(x, p);
  return {p.sin, p.cos};
}

inline double Sin(double x) { return elementary::Sin(x); }
inline Lanes4 Sin(const Lanes4& x) { return SinAndCos(x).sin; }

// Arctangent of each lane, by the scalar function.
inline double Atan(double x) { return elementary::Atan(x); }
inline Lanes4 Atan(const Lanes4& x) {
  const double a0 = elementary::Atan(x[0]), a1 = elementary::Atan(x[1]);
  const double a2 = elementary::Atan(x[2]), a3 = elementary::Atan(x[3]);
  return Lanes4{a0, a1, a2, a3};
}

// A division whose divisor may be zero (fp::Quotient for one value).
inline double Quotient(double dividend, double divisor) { return fp::Quotient(dividend, divisor); }
inline Lanes4 Quotient(const Lanes4& dividend, const Lanes4& divisor) { return dividend / divisor; }

template <typename V>
struct SinMultiplesOfV {
  V sin2, sin4, sin6, sin8;
};

inline SinMultiplesOfV<double> SinMultiples(double phi) {
  const elementary::SinMultiplesOf s = elementary::SinMultiples(phi);
  return {s.sin2, s.sin4, s.sin6, s.sin8};
}
inline SinMultiplesOfV<Lanes4> SinMultiples(const Lanes4& phi) {
  elementary::SinMultiplesLanes4 s;
  elementary::SinMultiples(phi, s);
  return {s.sin2, s.sin4, s.sin6, s.sin8};
}

}  // namespace morvane::lanes
