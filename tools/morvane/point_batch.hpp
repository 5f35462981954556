// Points of one input kind gathered from a block of input, converted with
// one call of the core's batch conversion on the threads of -j, and their
// results read back for printing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <morvane/batch.hpp>
#include <morvane/columns.hpp>
#include "tools/morvane/point_fields.hpp"
#include "tools/morvane/settings.hpp"

namespace morvane::cli {

class PointBatch {
 public:
  // Points per call and thread: enough that each thread the call starts
  // has work worth its start, few enough that the arrays stay in the
  // processor's caches.
  static constexpr std::size_t kPointsPerThread = 2048;

  // threads: as the core's batch call takes them (0: every core);
  // capacity: points per call, 0 for kPointsPerThread per thread (one
  // point alone, as convert and JSON-lines mode have, takes 1).  With
  // settings.today the call has the version 2 settings and columns.
  PointBatch(const Settings& settings, unsigned threads, std::size_t capacity = 0);

  std::size_t Size() const { return count_; }
  bool Full() const { return count_ == capacity_; }
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

  using Doubles = std::vector<double>;
  using Shorts = std::vector<std::int16_t>;
  using Floats = std::vector<float>;

  int threads_;
  std::size_t capacity_;
  BatchInput input_{};
  BatchOutput output_{};
  BatchExtra extra_ = [] {
    BatchExtra extra{};
    extra.size = sizeof extra;
    return extra;
  }();
  std::size_t count_ = 0;
  bool wantMgrs_ = false, wantIfbl_ = false;
  bool today_ = false;

  // Input columns.
  Doubles a_, b_;  // latitude, longitude or X, Y
  std::array<Shorts, 4> dms_;
  std::array<Floats, 2> seconds_;
  // Texts, each followed by a null byte: the MGRS and IFBL inputs (or the
  // verbatim coordinates), the rows' systems, the rows' datums.
  struct Texts {
    std::string bytes;
    std::vector<std::size_t> start;
    std::vector<const char*> pointers;
    void Add(std::size_t i, std::string_view text);
    const char* const* Pointers(std::size_t count);
  };
  Texts texts_, systems_, datums_;
  // The rows call, with the rows' own kinds (their texts and systems) or
  // datums.
  bool verbatimRows_ = false, rowDatums_ = false;
  RowsInput rowsInput_{};
  std::size_t longestText_ = 0;
  Doubles height_;

  // Output columns.
  Doubles latitude_, longitude_, x_, y_, northing_, easting_;
  std::array<Shorts, 4> outDms_;
  std::array<Floats, 2> outSeconds_;
  std::vector<std::int32_t> failure_;
  Shorts zone_;
  Doubles x2008_, y2008_, ellipsoidalHeight_, ostendHeight_, accuracy_;
  std::vector<std::int32_t> route_;
  std::vector<char> hemisphere_;
  TextColumn mgrs_, ifbl_, error_;
  std::string refused_;  // the reason when the call as a whole was refused
};

// Where a point went in PointBatches.
struct PointAt {
  std::size_t batch = 0;
  std::size_t index = 0;
};

// The points of one block of input, in as many batches as they need: each
// is converted with one call of the core's batch conversion.
class PointBatches {
 public:
  PointBatches(const Settings& settings, unsigned threads)
      : settings_(settings), threads_(threads) {}

  PointAt Add(const PointInput& point);
  void Convert();
  const PointBatch& operator[](std::size_t batch) const { return *batches_[batch]; }
  void Clear();

 private:
  const Settings& settings_;
  unsigned threads_;
  std::vector<std::unique_ptr<PointBatch>> batches_;  // kept from block to block
  std::size_t used_ = 0;                              // batches holding points
};

}  // namespace morvane::cli
