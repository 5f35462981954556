// std::bit_cast for the C++ library of the Emscripten release this build
// uses, which does not have it yet; the compiler's builtin does the same.
// Included ahead of every source of the WebAssembly build (-include).
#pragma once

#include <bit>

#if !defined(__cpp_lib_bit_cast)
#include <type_traits>

namespace std {
template <class To, class From>
  requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> &&
           is_trivially_copyable_v<From>)
constexpr To bit_cast(const From& from) noexcept {
  return __builtin_bit_cast(To, from);
}
}  // namespace std
#endif
