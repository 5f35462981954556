// The national agency's grids: the BD72 -> ETRS89 offsets and the hBG18
// quasi-geoid, as regular lattices of float nodes in longitude and
// latitude, read from the grid table (one file of both, made from the
// published GeoTIFFs by tools/grid_table).
//
// The table format, little-endian throughout:
//   "MVGRIDS1"                 8 bytes
//   grid count                 uint32
//   then per grid:
//     name                     32 bytes, null-padded ("bd72_etrs89", "hbg18")
//     west, north              double: degrees of node (0, 0)
//     stepLongitude, stepLatitude  double: degrees (rows run south)
//     columns, rows, bands     uint32
//     encoded bytes            uint32
//     nodes                    band after band, row after row (north first),
//                              each the difference of its float32 bit pattern
//                              from PredictNode's, as a 32-bit wrap-around
//                              integer, zigzag-coded and written 7 bits a
//                              byte, low first.
// The bit patterns of a smooth field are nearly planar between neighbours,
// so the table is under a third of the size of the floats, and exact.
//
// Native builds carry the table inside the library; builds without it
// (WebAssembly, whose base module stays small) are handed it with
// LoadGridTable before the first conversion that needs a grid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace morvane::datum {

struct Grid {
  double west = 0, north = 0;                 // degrees, node (0, 0)
  double stepLongitude = 0, stepLatitude = 0;  // degrees
  std::uint32_t columns = 0, rows = 0, bands = 0;
  // Row (north first), column, band: the bands of a node side by side, so
  // that an interpolation reads two cache lines, not two per band.
  std::vector<float> nodes;

  double East() const { return east_; }
  double South() const { return south_; }
  // Forms the figures Interpolate reads, once the fields above are set.
  void Finish() {
    east_ = west + stepLongitude * (columns - 1);
    south_ = north - stepLatitude * (rows - 1);
    perLongitude_ = 1 / stepLongitude;
    perLatitude_ = 1 / stepLatitude;
  }

  // Bilinear interpolation of `count` bands (from the first) at a position
  // in degrees.  False, with nothing written, when the position lies
  // outside the nodes (NaN included) or a corner node is not a number.
  bool Interpolate(double longitude, double latitude, std::uint32_t count, double* values) const;

 private:
  double east_ = 0, south_ = 0;
  // Nodes per degree: a product in place of a division (the cell's place
  // within a unit in the last place of the quotient's).
  double perLongitude_ = 0, perLatitude_ = 0;
};

inline constexpr std::string_view kGridTableMagic = "MVGRIDS1";
inline constexpr std::size_t kGridNameBytes = 32;
inline constexpr std::string_view kShiftGridName = "bd72_etrs89";
inline constexpr std::string_view kGeoidGridName = "hbg18";

// The prediction of node k's bit pattern from the nodes before it in the
// same band: left + up - up-left (wrapping), or the one neighbour of an
// edge node, or 0 for a band's first node.
inline std::uint32_t PredictNode(const std::uint32_t* bits, std::size_t k, std::uint32_t columns,
                                 std::uint32_t rows) {
  const std::size_t inBand = k % (std::size_t{columns} * rows);
  const std::size_t x = inBand % columns, y = inBand / columns;
  if (x > 0 && y > 0) return bits[k - 1] + bits[k - columns] - bits[k - columns - 1];
  if (x > 0) return bits[k - 1];
  if (y > 0) return bits[k - columns];
  return 0;
}

// The grids a table holds, by name; false (nothing kept) when the bytes are
// not a well-formed table.
struct GridSet {
  const Grid* shift = nullptr;  // BD72 -> ETRS89: latitude, longitude offsets (arc-seconds)
  const Grid* geoid = nullptr;  // hBG18: quasi-geoid height (metres)
  std::vector<Grid> grids;
};
bool DecodeGridTable(const unsigned char* data, std::size_t size, GridSet& set);

// The grids of this library: the built-in table, or the one loaded last.
// Null when neither is present.
const GridSet* Grids();
// Loads a table for builds without a built-in one (and replaces it in
// those with one).  False when the bytes are not a table with both grids.
bool LoadGridTable(const unsigned char* data, std::size_t size);

}  // namespace morvane::datum
