// Decimal degrees to and from the DMS fields: degrees and minutes as
// 16-bit integers, seconds as a 32-bit float.
//
// The sign of an angle is carried by the degrees; for an angle between -1
// and 0 degrees, whose degrees are 0, it goes on the minutes, and when the
// minutes are 0 too, on the seconds.
#pragma once

#include <cstdint>

namespace morvane {

void DmsToDecimal(std::int16_t degrees, std::int16_t minutes, float seconds, double& value);

void DecimalToDms(double value, std::int16_t& degrees, std::int16_t& minutes, float& seconds);

}  // namespace morvane
