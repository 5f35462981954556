// Points of one input kind gathered from a block of input, converted with
// one call of the core's batch conversion (on the calling thread: the
// tool's own pipeline runs the threads), and their results read back for
// printing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <morvane/batch.hpp>
#include "tools/morvane/point_fields.hpp"
#include "tools/morvane/settings.hpp"

namespace morvane::cli {

class PointBatch {
 public:
  // Points per call: enough that the call's fixed cost vanishes, few
  // enough that the arrays stay in the processor's caches.
  static constexpr std::size_t kCapacity = 256;

  explicit PointBatch(const Settings& settings);

  std::size_t Size() const { return count_; }
  bool Full() const { return count_ == kCapacity; }
  // False when adding the point's text would make the text columns of the
  // batch too wide (every entry of a column is as wide as its longest
  // text): convert what is there first.  A lone point always fits.
  bool Fits(const PointInput& point) const;
  // Adds a point; its index is the Size() before the call.
  void Add(const PointInput& point);

  // Converts the points added since the last Clear.
  void Convert();
  PointValues Values(std::size_t i) const;
  // The point's message, empty when there is none.
  std::string_view Error(std::size_t i) const;
  // Its failure kind (the numbers of FailureKind), 0 when it did not fail.
  std::int32_t Failure(std::size_t i) const { return failure_[i]; }

  void Clear();

 private:
  struct TextColumn {
    std::vector<char> data;
    std::size_t width = 0;
    std::string_view At(std::size_t i) const;
  };
  void Allocate(TextColumn& column, std::size_t width);

  BatchInput input_{};
  BatchOutput output_{};
  std::size_t count_ = 0;
  bool wantMgrs_ = false, wantIfbl_ = false;

  // Input columns.
  std::array<double, kCapacity> a_{}, b_{};  // latitude, longitude or X, Y
  std::array<std::array<std::int16_t, kCapacity>, 4> dms_{};
  std::array<std::array<float, kCapacity>, 2> seconds_{};
  std::string texts_;  // the texts, each followed by a null byte
  std::array<std::size_t, kCapacity> textStart_{};
  std::array<const char*, kCapacity> textPointers_{};
  std::size_t longestText_ = 0;

  // Output columns.
  std::array<double, kCapacity> latitude_{}, longitude_{}, x_{}, y_{}, northing_{}, easting_{};
  std::array<std::array<std::int16_t, kCapacity>, 4> outDms_{};
  std::array<std::array<float, kCapacity>, 2> outSeconds_{};
  std::array<std::int32_t, kCapacity> failure_{};
  TextColumn mgrs_, ifbl_, error_;
  std::string refused_;  // the reason when the call as a whole was refused
};

}  // namespace morvane::cli
