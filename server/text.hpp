// Text at the interface: BSTRs (UTF-16) outside, UTF-8 std::string inside.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace morvane::server {

// The UTF-8 form of a BSTR; a null BSTR is the empty text.  Unpaired
// surrogates become U+FFFD.  Throws std::bad_alloc.
std::string ToUtf8(BSTR text);

// A new BSTR holding the UTF-16 form of a UTF-8 text (invalid sequences
// become U+FFFD), or null when memory runs out.
BSTR ToBstr(const std::string& text) noexcept;

}  // namespace morvane::server
