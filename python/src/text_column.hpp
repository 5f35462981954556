// The result's text columns: numpy unicode ("U") arrays filled from the
// fixed-width UTF-8 columns of the batch call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace morvane::python {

// Units of a fixed-width entry (bytes, or UTF-32 code points) before its
// null padding.
template <typename Unit>
inline std::size_t EntryLength(const Unit* entry, std::size_t width) {
  std::size_t n = 0;
  while (n < width && entry[n] != 0) ++n;
  return n;
}

// Memory for a result text column.  Large blocks are mapped straight from
// the system and marked for huge pages, as numpy marks its own arrays:
// with 4 KiB pages, faulting in a million rows of text costs about as much
// as converting them.
struct Block {
  void* data = nullptr;
  std::size_t size = 0;
  bool mapped = false;
};

// Not cleared: every row of a column is written before it is read.  data
// is null without memory.
Block Allocate(std::size_t size);
void Free(const Block& block);

// A result text column: `width` code points per row, UTF-32, null padded.
struct TextColumn {
  Block block;
  std::size_t width = 0;

  char32_t* data() const { return static_cast<char32_t*>(block.data); }

  // Makes the rows `to` code points wide, keeping the first `done`; false
  // without memory.
  bool Widen(std::ptrdiff_t count, std::ptrdiff_t done, std::size_t to);
};

// Measures `count` null-padded entries of `width` bytes: the code points of
// the longest into `longest` (kept when larger); true when every byte is
// ASCII.
bool Measure(const char* column, std::ptrdiff_t count, std::size_t width, std::size_t& longest);

// Writes `count` entries of `width` bytes into rows of `to.width` code
// points starting at row `first` (ascii: as Measure found them).
void DecodeColumn(const char* column, std::ptrdiff_t count, std::size_t width, bool ascii,
                  const TextColumn& to, std::ptrdiff_t first);

// A scratch buffer that grows and is never cleared.
class Scratch {
 public:
  char* Get(std::size_t size) {
    if (size > capacity_) {
      data_.reset(new char[size]);
      capacity_ = size;
    }
    return data_.get();
  }
  char* data() const { return data_.get(); }

 private:
  std::unique_ptr<char[]> data_;
  std::size_t capacity_ = 0;
};

}  // namespace morvane::python
