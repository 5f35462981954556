#include "tools/morvane/numbers.hpp"

#include <charconv>
#include <cmath>

namespace morvane::cli {

namespace {

// from_chars takes no '+'; a sign written out is common in coordinate files.
std::string_view SkipPlus(std::string_view text) {
  if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+') text.remove_prefix(1);
  return text;
}

template <typename T>
bool ParseWhole(std::string_view text, T& value, std::chars_format format) {
  text = SkipPlus(text);
  T parsed{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed, format);
  if (ec != std::errc{} || end != text.data() + text.size() || text.empty()) return false;
  value = parsed;
  return true;
}

template <typename T>
bool ParseWholeInt(std::string_view text, T& value) {
  text = SkipPlus(text);
  T parsed{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (ec != std::errc{} || end != text.data() + text.size() || text.empty()) return false;
  value = parsed;
  return true;
}

template <typename T>
char* FormatShortest(char* out, T value) {
  const T magnitude = std::fabs(value);
  const bool plain = magnitude == 0 || (magnitude >= T(1e-6) && magnitude < T(1e16));
  const auto result = plain ? std::to_chars(out, out + kNumberChars, value, std::chars_format::fixed)
                            : std::to_chars(out, out + kNumberChars, value);
  return result.ptr;
}

}  // namespace

char* FormatDouble(char* out, double value) { return FormatShortest(out, value); }
char* FormatFloat(char* out, float value) { return FormatShortest(out, value); }
char* FormatInt(char* out, std::int32_t value) {
  return std::to_chars(out, out + kNumberChars, value).ptr;
}

bool ParseDouble(std::string_view text, double& value) {
  return ParseWhole(text, value, std::chars_format::general);
}
bool ParseFloat(std::string_view text, float& value) {
  return ParseWhole(text, value, std::chars_format::general);
}
bool ParseInt16(std::string_view text, std::int16_t& value) { return ParseWholeInt(text, value); }
bool ParseInt32(std::string_view text, std::int32_t& value) { return ParseWholeInt(text, value); }

}  // namespace morvane::cli
