// UTF-8: the validation, decoding and encoding every front end uses for the
// core's texts (the tool's JSON, the Python package's unicode arrays, the
// fuzzers' checks).
//
// Invalid UTF-8 becomes U+FFFD, one per byte that starts no valid
// sequence, so that a text reads the same from every front end.  A code
// point that UTF-8 cannot carry (a surrogate, or a value beyond U+10FFFF)
// is written as U+FFFD too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace morvane::utf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

// Length of the valid UTF-8 sequence at s (at most n bytes), 0 if none.
inline std::size_t SequenceLength(const unsigned char* s, std::size_t n) {
  const unsigned char c = s[0];
  std::size_t length;
  std::uint32_t min, code;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) length = 2, min = 0x80, code = c & 0x1F;
  else if (c >= 0xE0 && c <= 0xEF) length = 3, min = 0x800, code = c & 0x0F;
  else if (c >= 0xF0 && c <= 0xF4) length = 4, min = 0x10000, code = c & 0x07;
  else return 0;
  if (length > n) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((s[i] & 0xC0) != 0x80) return 0;
    code = (code << 6) | (s[i] & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

// Code points that DecodeUtf8 writes for these n bytes.
std::size_t CountCodePoints(const char* text, std::size_t n);

// Writes the code points of n bytes of UTF-8 to out; returns their number.
std::size_t DecodeUtf8(const char* text, std::size_t n, char32_t* out);

// Bytes that EncodeUtf8 writes for these code points.
std::size_t Utf8Size(const char32_t* text, std::size_t n);

// Writes n code points as UTF-8 to out; returns the bytes written.
std::size_t EncodeUtf8(const char32_t* text, std::size_t n, char* out);

// Appends one code point as UTF-8 (U+FFFD for what UTF-8 cannot carry).
void Append(std::string& out, char32_t code);

}  // namespace morvane::utf8
