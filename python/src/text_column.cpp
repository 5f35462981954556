#include "text_column.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#ifdef __SSE4_1__
#include <smmintrin.h>
#endif

#include "base/utf8.hpp"

namespace morvane::python {

namespace {

constexpr std::size_t kMappedBlock = std::size_t{4} << 20;

}  // namespace

Block Allocate(std::size_t size) {
  if (size >= kMappedBlock) {
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return {};
#ifdef MADV_HUGEPAGE
    madvise(p, size, MADV_HUGEPAGE);
#endif
    return {p, size, true};
  }
  return {std::malloc(std::max<std::size_t>(size, 1)), size, false};
}

void Free(const Block& block) {
  if (block.data == nullptr) return;
  if (block.mapped) munmap(block.data, block.size);
  else std::free(block.data);
}

bool TextColumn::Widen(std::ptrdiff_t count, std::ptrdiff_t done, std::size_t to) {
  if (to <= width && block.data != nullptr) return true;
  const std::size_t rows = static_cast<std::size_t>(std::max<std::ptrdiff_t>(count, 1));
  const Block wider = Allocate(rows * to * sizeof(char32_t));
  if (wider.data == nullptr) return false;
  auto* rowsTo = static_cast<char32_t*>(wider.data);
  for (std::ptrdiff_t i = 0; i < done; ++i) {
    std::memcpy(rowsTo + i * to, data() + i * width, width * sizeof(char32_t));
    // The rows written so far keep their texts, padded to the new width.
    std::fill(rowsTo + i * to + width, rowsTo + (i + 1) * to, U'\0');
  }
  Free(block);
  block = wider;
  width = to;
  return true;
}

// Measures `count` null-padded entries of `width` bytes: the code points of
// the longest into `longest`; true when every byte is ASCII.  Texts from the
// core hold no NUL, so an all-ASCII entry is as long as the position after
// its last byte that is not null.  The usual columns are quick: all empty
// (the messages of points that converted), or all of one length.
bool Measure(const char* column, std::ptrdiff_t count, std::size_t width, std::size_t& longest) {
  const std::size_t size = static_cast<std::size_t>(count) * width;
  std::uint64_t any[4] = {0, 0, 0, 0};
  std::size_t k = 0;
  for (; k + 32 <= size; k += 32) {
    for (int j = 0; j < 4; ++j) {
      std::uint64_t word;
      std::memcpy(&word, column + k + 8 * j, 8);
      any[j] |= word;
    }
  }
  std::uint64_t all = any[0] | any[1] | any[2] | any[3];
  for (; k < size; ++k) all |= static_cast<unsigned char>(column[k]);
  if (all == 0) return true;
  if ((all & 0x8080808080808080u) == 0) {
    std::size_t end = longest;
    for (std::ptrdiff_t i = 0; i < count && end < width; ++i) {
      const char* entry = column + i * width;
      for (std::size_t b = width; b > end; --b) {
        if (entry[b - 1] != '\0') {
          end = b;
          break;
        }
      }
    }
    longest = std::max(longest, end);
    return true;
  }
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    const char* entry = column + i * width;
    longest = std::max(longest, utf8::CountCodePoints(entry, EntryLength(entry, width)));
  }
  return false;
}

namespace {

// Widens n ASCII bytes to code points.
void WidenAscii(const unsigned char* in, char32_t* out, std::size_t n) {
  std::size_t k = 0;
#ifdef __SSE4_1__
  for (; k + 4 <= n; k += 4) {
    std::uint32_t four;
    std::memcpy(&four, in + k, 4);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k),
                     _mm_cvtepu8_epi32(_mm_cvtsi32_si128(static_cast<int>(four))));
  }
#endif
  for (; k < n; ++k) out[k] = in[k];
}

}  // namespace
void DecodeColumn(const char* column, std::ptrdiff_t count, std::size_t width, bool ascii,
                  const TextColumn& to, std::ptrdiff_t first) {
  char32_t* rows = to.data() + first * static_cast<std::ptrdiff_t>(to.width);
  if (ascii) {
    // Byte k of an entry is code point k, its null padding included.
    const std::size_t common = std::min(width, to.width);
    for (std::ptrdiff_t i = 0; i < count; ++i) {
      const auto* entry = reinterpret_cast<const unsigned char*>(column + i * width);
      char32_t* row = rows + i * to.width;
      WidenAscii(entry, row, common);
      std::fill(row + common, row + to.width, U'\0');
    }
    return;
  }
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    const char* entry = column + i * width;
    char32_t* row = rows + i * to.width;
    const std::size_t n = utf8::DecodeUtf8(entry, EntryLength(entry, width), row);
    std::fill(row + n, row + to.width, U'\0');
  }
}

}  // namespace morvane::python
