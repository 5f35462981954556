#include "component/dms.hpp"

#include <cmath>

#include "base/checks.hpp"

namespace morvane {

void DmsToDecimal(std::int16_t degrees, std::int16_t minutes, float seconds, double& value) {
  fp::Begin();
  // The magnitude of the degrees must exist as a 16-bit integer.
  if (degrees == -32768) FailIntegerOverflow();
  double result;
  if (degrees > 0 || (degrees == 0 && minutes > 0) ||
      (degrees == 0 && minutes == 0 && !fp::Less(seconds, 0.0f))) {
    result = (minutes / 60.0 + degrees) + seconds / 3600.0;
  } else if (degrees < 0) {
    result = (degrees - minutes / 60.0) - seconds / 3600.0;
  } else {
    // An angle between -1 and 0 degrees: degrees 0, the sign on the minutes
    // or, when they are 0 too, on the seconds.
    const double magnitude = (std::abs(minutes) / 60.0 + 0) + std::abs(seconds) / 3600.0;
    result = -magnitude;
  }
  fp::CheckStep(result, seconds);
  value = result;
}

void DecimalToDms(double value, std::int16_t& degrees, std::int16_t& minutes, float& seconds) {
  fp::Begin(value);
  // Total minutes, held in single precision.
  const float t = static_cast<float>(std::fabs(value * 60));
  fp::CheckStep(t, value);
  // Whole degrees of t minutes: trunc(t / 60) is the whole number of
  // minutes divided by 60, which integer arithmetic gives exactly.  Beyond
  // 32767 degrees (or for a NaN) the degrees have no 16-bit value.
  if (!(t < 32768.0f * 60.0f)) FailIntegerOverflow();
  const std::int16_t deg = static_cast<std::int16_t>(static_cast<std::int32_t>(t) / 60);
  const float degMinutes = ToInt16(deg * 60);
  const std::int16_t min = TruncToInt16(t - degMinutes);
  const float sec = ((t - degMinutes) - min) * 60.0f;
  fp::Check(sec);

  if (!(value < 0)) {
    degrees = deg;
    minutes = min;
    seconds = sec;
  } else if (deg != 0) {
    degrees = static_cast<std::int16_t>(-deg);
    minutes = min;
    seconds = sec;
  } else if (min != 0) {
    degrees = 0;
    minutes = static_cast<std::int16_t>(-min);
    seconds = sec;
  } else {
    degrees = 0;
    minutes = 0;
    seconds = -sec;
  }
}

}  // namespace morvane
