// Module General: the unit conversions shared by all code.
//
// Both use pi cut to ten decimals, 3.1415926535, not the full-precision
// value: every stored result of the system depends on it.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include "base/checks.hpp"
#include "elementary/elementary.hpp"
#include "elementary/lane_ops.hpp"

namespace morvane::general {

inline constexpr double kPi = 3.1415926535;

// (value x 180) / pi, multiplication first.  V is double or Lanes4
// (elementary/lane_ops.hpp).
template <typename V>
inline V RadToDegOf(V value) {
  const V result = (value * 180.0) / kPi;
  lanes::CheckStep(result, value);
  return result;
}

// (pi / 180) x value, division first.
template <typename V>
inline V DegToRadOf(V value) {
  const V result = (kPi / 180.0) * value;
  lanes::CheckStep(result, value);
  return result;
}

inline double RadToDeg(double value) { return RadToDegOf(value); }
inline double DegToRad(double value) { return DegToRadOf(value); }
inline lanes::Lanes4 RadToDeg(const lanes::Lanes4& value) { return RadToDegOf(value); }
inline lanes::Lanes4 DegToRad(const lanes::Lanes4& value) { return DegToRadOf(value); }

struct SinCos {
  double sin, cos;
};

// Sine and cosine of one angle, from one argument reduction, correctly
// rounded: the same bits on every platform.
inline SinCos SinAndCos(double angle) {
  const elementary::SinCosPair value = elementary::SinCos(angle);
  return {value.sin, value.cos};
}

// Sine and cosine of an angle.  A conversion projects the same latitude
// more than once (Lambert 72, then UTM), so the values of the last finite
// angle are kept and handed out again, bit for bit the same.  A non-finite
// angle is never kept, so its fault is raised each time.
inline SinCos SinCosOf(double angle) {
  struct Memo {
    std::uint64_t angleBits = 0x7ff8000000000000;  // a NaN: no angle yet
    SinCos value{};
  };
  thread_local Memo memo;
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(angle);
  if (bits == memo.angleBits) return memo.value;
  const SinCos value = SinAndCos(angle);
  if (std::isfinite(angle)) memo = {bits, value};
  return value;
}

// The same for four angles (no values kept).
inline lanes::SinCosOfV<lanes::Lanes4> SinAndCos(const lanes::Lanes4& angle) {
  return lanes::SinAndCos(angle);
}
// Four angles, with the values of the last four finite angles kept as
// for one.
inline lanes::SinCosOfV<lanes::Lanes4> SinCosOf(const lanes::Lanes4& angle) {
  using lanes::Lanes4;
  using lanes::Mask4;
  struct Memo {
    Mask4 angleBits = {-1, -1, -1, -1};  // NaNs: no angles yet
    lanes::SinCosOfV<Lanes4> value{};
  };
  thread_local Memo memo;
  const Mask4 bits = reinterpret_cast<Mask4>(angle);
  const Mask4 same = bits == memo.angleBits;
  if ((same[0] & same[1] & same[2] & same[3]) != 0) return memo.value;
  const lanes::SinCosOfV<Lanes4> value = lanes::SinAndCos(angle);
  if (!lanes::AnyNotFinite(angle)) memo = {bits, value};
  return value;
}

}  // namespace morvane::general
