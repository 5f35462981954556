#include "component/dms.hpp"

#include <cmath>

#include "component/failure.hpp"

namespace morvane {

void DmsToDecimal(std::int16_t degrees, std::int16_t minutes, float seconds, double& value) {
  fp::Begin();
  // The magnitude of the degrees must exist as a 16-bit integer.
  if (degrees == -32768) FailIntegerOverflow();
  double result;
  if (degrees > 0 || (degrees == 0 && minutes > 0) ||
      (degrees == 0 && minutes == 0 && !(seconds < 0))) {
    result = (minutes / 60.0 + degrees) + seconds / 3600.0;
  } else if (degrees < 0) {
    result = (degrees - minutes / 60.0) - seconds / 3600.0;
  } else {
    // An angle between -1 and 0 degrees: degrees 0, the sign on the minutes
    // or, when they are 0 too, on the seconds.
    const double magnitude = (std::abs(minutes) / 60.0 + 0) + std::abs(seconds) / 3600.0;
    result = -magnitude;
  }
  fp::Check(result);
  value = result;
}

void DecimalToDms(double value, std::int16_t& degrees, std::int16_t& minutes, float& seconds) {
  fp::Begin();
  // Total minutes, held in single precision.
  const float t = static_cast<float>(std::fabs(value * 60));
  fp::Check(t);
  const std::int16_t deg = TruncToInt16(t / 60.0);
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
