// std::to_chars of a double, shortest form, for the C++ library of the
// Emscripten release this build uses, which has only the integer forms
// (a double would pick the deleted bool overload).  The shortest "%.*g"
// text that reads back to the same double: the texts the tables of names
// write (accuracies such as 0.01, 1.5, 5) are those of the native library.
// Included ahead of every source of the WebAssembly build (-include).
#pragma once

#include <charconv>

#if !defined(__cpp_lib_to_chars)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace std {
inline to_chars_result to_chars(char* first, char* last, double value) {
  char digits[40];
  int length = 0;
  for (int precision = 1; precision <= 17; ++precision) {
    length = std::snprintf(digits, sizeof digits, "%.*g", precision, value);
    if (std::strtod(digits, nullptr) == value) break;
  }
  if (length < 0 || length > last - first) return {last, errc::value_too_large};
  std::memcpy(first, digits, static_cast<size_t>(length));
  return {first + length, errc{}};
}
}  // namespace std
#endif
