#include "base/utf8.hpp"

namespace morvane::utf8 {

std::size_t CountCodePoints(const char* text, std::size_t n) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  std::size_t count = 0;
  for (std::size_t i = 0; i < n; ++count) {
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = SequenceLength(s + i, n - i);
    i += length ? length : 1;
  }
  return count;
}

std::size_t DecodeUtf8(const char* text, std::size_t n, char32_t* out) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  std::size_t count = 0;
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = s[i];
    if (c < 0x80) {
      out[count++] = c;
      ++i;
      continue;
    }
    const std::size_t length = SequenceLength(s + i, n - i);
    if (length == 0) {
      out[count++] = kReplacement;
      ++i;
      continue;
    }
    char32_t code = c & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) code = (code << 6) | (s[i + k] & 0x3F);
    out[count++] = code;
    i += length;
  }
  return count;
}

namespace {

bool Encodable(char32_t c) { return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF); }

std::size_t Utf8Size(char32_t c) {
  if (!Encodable(c)) c = kReplacement;
  return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

}  // namespace

std::size_t Utf8Size(const char32_t* text, std::size_t n) {
  std::size_t size = 0;
  for (std::size_t i = 0; i < n; ++i) size += Utf8Size(text[i]);
  return size;
}

void Append(std::string& out, char32_t code) {
  char bytes[4];
  out.append(bytes, EncodeUtf8(&code, 1, bytes));
}

std::size_t EncodeUtf8(const char32_t* text, std::size_t n, char* out) {
  auto* p = reinterpret_cast<unsigned char*>(out);
  for (std::size_t i = 0; i < n; ++i) {
    char32_t c = text[i];
    if (!Encodable(c)) c = kReplacement;
    if (c < 0x80) {
      *p++ = static_cast<unsigned char>(c);
    } else if (c < 0x800) {
      *p++ = static_cast<unsigned char>(0xC0 | (c >> 6));
      *p++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *p++ = static_cast<unsigned char>(0xE0 | (c >> 12));
      *p++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
      *p++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else {
      *p++ = static_cast<unsigned char>(0xF0 | (c >> 18));
      *p++ = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
      *p++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
      *p++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    }
  }
  return static_cast<std::size_t>(p - reinterpret_cast<unsigned char*>(out));
}

}  // namespace morvane::utf8
