// Numbers in and out of text: the shortest text that reads back to the
// same value, and strict reading of one whole field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace morvane::cli {

// Room enough for any number written by the functions below.
inline constexpr std::size_t kNumberChars = 40;

// Shortest round-trip text of a double; plain decimal notation for the
// magnitudes coordinates have (1e-6 to 1e16), otherwise whichever of
// decimal and exponent notation is shorter.  "nan", "inf", "-inf" for the
// special values.  Returns the end of the text.
char* FormatDouble(char* out, double value);
// The same for a 32-bit float, with the float's own shortest text (the
// DMS seconds print as the float they are, not as a widened double).
char* FormatFloat(char* out, float value);
char* FormatInt(char* out, std::int32_t value);

// Whole-field readers: the field must hold one number and nothing else.
// A leading '+' is accepted.  Out-of-range values are rejected, never
// wrapped or clamped.
bool ParseDouble(std::string_view text, double& value);
bool ParseFloat(std::string_view text, float& value);
bool ParseInt16(std::string_view text, std::int16_t& value);
bool ParseInt32(std::string_view text, std::int32_t& value);

}  // namespace morvane::cli
