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
  std::int32_t deg = 0, min = 0;
  float sec = 0;
  DecimalToDmsOf(value, deg, min, sec);
  degrees = static_cast<std::int16_t>(deg);
  minutes = static_cast<std::int16_t>(min);
  seconds = sec;
}

}  // namespace morvane
