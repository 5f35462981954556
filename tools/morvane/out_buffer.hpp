// A growable byte buffer written through raw pointers: one capacity check
// per output line instead of one per character.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace morvane::cli {

class OutBuffer {
 public:
  // Room for at least n more bytes; write through the pointer, then
  // hand its end to Commit.
  char* Reserve(std::size_t n) {
    if (size_ + n > data_.size()) data_.resize(std::max(data_.size() * 2, size_ + n + 4096));
    return data_.data() + size_;
  }
  void Commit(const char* end) { size_ = static_cast<std::size_t>(end - data_.data()); }

  void Append(std::string_view text) {
    if (text.empty()) return;  // its data may be null, which memcpy does not take
    char* p = Reserve(text.size());
    std::memcpy(p, text.data(), text.size());
    size_ += text.size();
  }
  void Append(char c) { *Reserve(1) = c, ++size_; }

  std::string_view View() const { return {data_.data(), size_}; }
  std::size_t Size() const { return size_; }
  void Clear() { size_ = 0; }

 private:
  std::string data_;
  std::size_t size_ = 0;
};

// Copies text to p, returns the end.
inline char* Put(char* p, std::string_view text) {
  if (text.empty()) return p;  // its data may be null, which memcpy does not take
  std::memcpy(p, text.data(), text.size());
  return p + text.size();
}

}  // namespace morvane::cli
