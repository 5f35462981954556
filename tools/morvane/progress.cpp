#include "tools/morvane/progress.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace morvane::cli {

namespace {

constexpr auto kFirstShow = std::chrono::milliseconds(500);
constexpr auto kInterval = std::chrono::milliseconds(250);
constexpr int kBarWidth = 30;

void WriteStderr(const char* text, std::size_t size) {
  // Progress is best effort: a failed write is not worth reporting.
  while (size > 0) {
    const ssize_t n = ::write(STDERR_FILENO, text, size);
    if (n <= 0) return;
    text += n;
    size -= static_cast<std::size_t>(n);
  }
}

}  // namespace

Progress::Progress(bool enabled, std::uint64_t totalBytes)
    : enabled_(enabled), totalBytes_(totalBytes), start_(Clock::now()), next_(start_ + kFirstShow) {}

void Progress::Update(std::uint64_t bytes, std::uint64_t lines) {
  if (!enabled_) return;
  const auto now = Clock::now();
  if (now < next_) return;
  next_ = now + kInterval;
  shown_ = true;

  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double rate = seconds > 0 ? static_cast<double>(lines) / seconds : 0;
  char line[160];
  int n = std::snprintf(line, sizeof line, "\r%12llu lines  %10.0f lines/s",
                        static_cast<unsigned long long>(lines), rate);
  if (totalBytes_ > 0 && n > 0) {
    const double done = bytes >= totalBytes_ ? 1.0 : static_cast<double>(bytes) / totalBytes_;
    char bar[kBarWidth + 1];
    const int filled = static_cast<int>(done * kBarWidth);
    std::memset(bar, '#', static_cast<std::size_t>(filled));
    std::memset(bar + filled, '.', static_cast<std::size_t>(kBarWidth - filled));
    bar[kBarWidth] = '\0';
    n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), "  [%s] %3.0f%%", bar,
                       done * 100);
  }
  if (n > 0) WriteStderr(line, static_cast<std::size_t>(n));
}

void Progress::Finish() {
  if (!shown_) return;
  static constexpr char kErase[] = "\r\033[K";
  WriteStderr(kErase, sizeof kErase - 1);
  shown_ = false;
}

}  // namespace morvane::cli
