#include "server/text.hpp"

#include <climits>
#include <new>

namespace morvane::server {

std::string ToUtf8(BSTR text) {
  const UINT length = SysStringLen(text);
  if (length == 0) return {};
  if (length > INT_MAX / 3) throw std::bad_alloc();
  const int wide = static_cast<int>(length);
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, wide, nullptr, 0, nullptr, nullptr);
  if (size <= 0) throw std::bad_alloc();
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, wide, result.data(), size, nullptr, nullptr);
  return result;
}

BSTR ToBstr(const std::string& text) noexcept {
  if (text.empty()) return SysAllocStringLen(nullptr, 0);
  if (text.size() > INT_MAX) return nullptr;
  const int narrow = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), narrow, nullptr, 0);
  if (size <= 0) return nullptr;
  BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(size));
  if (result) MultiByteToWideChar(CP_UTF8, 0, text.data(), narrow, result, size);
  return result;
}

}  // namespace morvane::server
