// A progress line with the rate on standard error, for long runs on a
// terminal.  Shown only after the first half second, redrawn a few times a
// second, erased at the end.
#pragma once

#include <chrono>
#include <cstdint>

namespace morvane::cli {

class Progress {
 public:
  // totalBytes 0: size unknown (a pipe), no bar.
  Progress(bool enabled, std::uint64_t totalBytes);
  void Update(std::uint64_t bytes, std::uint64_t lines);
  // Erases the line if it was shown.
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;
  bool enabled_;
  bool shown_ = false;
  std::uint64_t totalBytes_;
  Clock::time_point start_;
  Clock::time_point next_;
};

}  // namespace morvane::cli
