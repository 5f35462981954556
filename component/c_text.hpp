// Texts handed to callers of the C interface: copied into the caller's
// buffer as snprintf would.
#pragma once

#include <cstddef>
#include <string>

namespace morvane {

// At most size - 1 bytes and a terminator (nothing with size 0); the full
// length of the text, or MORVANE_E_NULL_POINTER for a null buffer with a
// size.
std::ptrdiff_t CopyText(const std::string& text, char* buffer, std::size_t size) noexcept;

}  // namespace morvane
