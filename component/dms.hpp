// Decimal degrees to and from the DMS fields: degrees and minutes as
// 16-bit integers, seconds as a 32-bit float.
//
// The sign of an angle is carried by the degrees; for an angle between -1
// and 0 degrees, whose degrees are 0, it goes on the minutes, and when the
// minutes are 0 too, on the seconds.
#pragma once

#include <cstdint>
#include <type_traits>

#include "base/checks.hpp"
#include "elementary/lane_ops.hpp"

namespace morvane {

void DmsToDecimal(std::int16_t degrees, std::int16_t minutes, float seconds, double& value);

void DecimalToDms(double value, std::int16_t& degrees, std::int16_t& minutes, float& seconds);

// DecimalToDms written once for one angle (V = double: the fields as
// 32-bit integers and a single) and for four (V = Lanes4: Ints4 and
// Floats4).  One angle whose fields have no 16-bit value fails with
// IntegerOverflow; of four, the function returns false instead (the
// fields are then not to be used), true otherwise.
template <typename V, typename I, typename F>
bool DecimalToDmsOf(V value, I& degrees, I& minutes, F& seconds) {
  constexpr bool kOne = std::is_same_v<V, double>;
  if constexpr (kOne) fp::Begin(value);
  // Total minutes, held in single precision.
  const F t = lanes::ToFloats(lanes::Abs(value * 60));
  lanes::CheckStep(t, value);
  // Whole degrees of t minutes: trunc(t / 60) is the whole number of
  // minutes divided by 60, which integer arithmetic gives exactly.  Beyond
  // 32767 degrees (or for a NaN) the degrees have no 16-bit value, nor
  // beyond 546 their minutes.
  const auto outside = lanes::Not(t < 32768.0f * 60.0f);
  if (lanes::Any(outside)) {
    if constexpr (kOne) FailIntegerOverflow();
    else return false;
  }
  const I deg = lanes::ToInts(t) / 60;
  if (lanes::Any(deg * 60 > 32767)) {
    if constexpr (kOne) FailIntegerOverflow();
    else return false;
  }
  const F degMinutes = lanes::ToFloats(deg * 60);
  const F inDegree = t - degMinutes;  // in [0, 60)
  const I min = lanes::ToInts(inDegree);
  const F sec = (inDegree - lanes::ToFloats(min)) * 60.0f;
  lanes::Check(sec);

  // The sign on the degrees, else on the minutes, else on the seconds.
  const auto negative = lanes::Narrow(value < 0.0);
  const auto onDegrees = negative & (deg != 0);
  const auto onMinutes = negative & (deg == 0) & (min != 0);
  const auto onSeconds = negative & (deg == 0) & (min == 0);
  degrees = lanes::Select(onDegrees, -deg, deg);
  minutes = lanes::Select(onMinutes, -min, min);
  seconds = lanes::Select(onSeconds, -sec, sec);
  return true;
}

}  // namespace morvane
