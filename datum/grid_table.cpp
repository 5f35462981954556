#include "datum/grid_table.hpp"

#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#if defined(MORVANE_EMBEDDED_GRIDS)
// The built-in table, generated from the committed grid table at build time.
extern "C" const unsigned char morvane_grid_table[];
extern "C" const std::size_t morvane_grid_table_size;
#endif

namespace morvane::datum {

bool Grid::Interpolate(double longitude, double latitude, std::uint32_t count,
                       double* values) const {
  // NaN fails every comparison.
  if (!(longitude >= west && longitude <= east_ && latitude <= north && latitude >= south_))
    return false;
  const double x = (longitude - west) * perLongitude_;
  const double y = (north - latitude) * perLatitude_;
  // The last column and row interpolate in the cell before them.
  const double column = std::min(std::floor(x), static_cast<double>(columns - 2));
  const double row = std::min(std::floor(y), static_cast<double>(rows - 2));
  const double fx = x - column, fy = y - row;
  const std::size_t i = static_cast<std::size_t>(column), j = static_cast<std::size_t>(row);
  const float* north0 = nodes.data() + (j * columns + i) * bands;
  const float* south0 = north0 + std::size_t{columns} * bands;
  for (std::uint32_t band = 0; band < count; ++band) {
    const double v00 = north0[band], v10 = north0[bands + band];
    const double v01 = south0[band], v11 = south0[bands + band];
    if (std::isnan(v00) || std::isnan(v10) || std::isnan(v01) || std::isnan(v11)) return false;
    values[band] = (1 - fx) * (1 - fy) * v00 + fx * (1 - fy) * v10 + (1 - fx) * fy * v01 +
                   fx * fy * v11;
  }
  return true;
}

namespace {

class Reader {
 public:
  Reader(const unsigned char* data, std::size_t size) : p_(data), end_(data + size) {}
  bool Bytes(void* out, std::size_t n) {
    if (static_cast<std::size_t>(end_ - p_) < n) return false;
    std::memcpy(out, p_, n);
    p_ += n;
    return true;
  }
  // Little-endian on every target the library is built for.
  bool U32(std::uint32_t& v) { return Bytes(&v, sizeof v); }
  bool F64(double& v) { return Bytes(&v, sizeof v); }
  const unsigned char* Here() const { return p_; }
  bool Skip(std::size_t n) {
    if (static_cast<std::size_t>(end_ - p_) < n) return false;
    p_ += n;
    return true;
  }

 private:
  const unsigned char* p_;
  const unsigned char* end_;
};

// The nodes of one grid from their encoded bytes; false when the bytes do
// not hold exactly its nodes.
bool DecodeNodes(const unsigned char* p, std::size_t size, const Grid& grid,
                 std::vector<float>& nodes) {
  const std::size_t count = std::size_t{grid.columns} * grid.rows * grid.bands;
  std::vector<std::uint32_t> bits(count);
  const unsigned char* end = p + size;
  for (std::size_t k = 0; k < count; ++k) {
    std::uint32_t zigzag = 0;
    for (int shift = 0;; shift += 7) {
      if (p == end || shift > 28) return false;
      const unsigned char byte = *p++;
      zigzag |= static_cast<std::uint32_t>(byte & 0x7f) << shift;
      if (!(byte & 0x80)) break;
    }
    const std::uint32_t delta = (zigzag >> 1) ^ (0u - (zigzag & 1));
    bits[k] = PredictNode(bits.data(), k, grid.columns, grid.rows) + delta;
  }
  // The table's order is band, row, column; the grid's row, column, band.
  nodes.resize(count);
  const std::size_t plane = std::size_t{grid.columns} * grid.rows;
  for (std::size_t k = 0; k < count; ++k)
    nodes[(k % plane) * grid.bands + k / plane] = std::bit_cast<float>(bits[k]);
  return p == end;
}

}  // namespace

bool DecodeGridTable(const unsigned char* data, std::size_t size, GridSet& set) {
  if (!data) return false;
  Reader in(data, size);
  char magic[8];
  std::uint32_t count = 0;
  if (!in.Bytes(magic, sizeof magic) || std::string_view(magic, 8) != kGridTableMagic ||
      !in.U32(count) || count > 16)
    return false;
  GridSet result;
  result.grids.reserve(count);
  std::vector<std::string> names;
  for (std::uint32_t g = 0; g < count; ++g) {
    char name[kGridNameBytes];
    Grid grid;
    std::uint32_t encoded = 0;
    if (!in.Bytes(name, sizeof name) || !in.F64(grid.west) || !in.F64(grid.north) ||
        !in.F64(grid.stepLongitude) || !in.F64(grid.stepLatitude) || !in.U32(grid.columns) ||
        !in.U32(grid.rows) || !in.U32(grid.bands) || !in.U32(encoded))
      return false;
    if (grid.columns < 2 || grid.rows < 2 || grid.bands < 1 || grid.columns > 100000 ||
        grid.rows > 100000 || grid.bands > 16 || !(grid.stepLongitude > 0) ||
        !(grid.stepLatitude > 0) || !std::isfinite(grid.west) || !std::isfinite(grid.north))
      return false;
    const unsigned char* nodes = in.Here();
    if (!in.Skip(encoded)) return false;
    if (!DecodeNodes(nodes, encoded, grid, grid.nodes)) return false;
    grid.Finish();
    result.grids.push_back(std::move(grid));
    names.emplace_back(name, strnlen(name, sizeof name));  // copied: name is this pass's
  }
  for (std::size_t g = 0; g < names.size(); ++g) {
    const Grid* grid = &result.grids[g];
    if (names[g] == kShiftGridName && grid->bands >= 2) result.shift = grid;
    if (names[g] == kGeoidGridName) result.geoid = grid;
  }
  set = std::move(result);
  // The pointers follow the vector's storage, which the move keeps.
  return true;
}

namespace {

std::atomic<const GridSet*> loaded{nullptr};
std::mutex loading;

const GridSet* BuiltIn() {
#if defined(MORVANE_EMBEDDED_GRIDS)
  static const GridSet* const table = [] {
    auto set = std::make_unique<GridSet>();
    if (!DecodeGridTable(morvane_grid_table, morvane_grid_table_size, *set)) return static_cast<GridSet*>(nullptr);
    return set.release();
  }();
  return table;
#else
  return nullptr;
#endif
}

}  // namespace

const GridSet* Grids() {
  if (const GridSet* set = loaded.load(std::memory_order_acquire)) return set;
  return BuiltIn();
}

bool LoadGridTable(const unsigned char* data, std::size_t size) {
  auto set = std::make_unique<GridSet>();
  if (!DecodeGridTable(data, size, *set) || !set->shift || !set->geoid) return false;
  const std::lock_guard<std::mutex> lock(loading);
  // A table in use may be read by other threads at any moment: the one it
  // replaces is kept for the life of the library.
  loaded.store(set.release(), std::memory_order_release);
  return true;
}

}  // namespace morvane::datum
