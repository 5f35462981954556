// Makes the grid table the library carries (datum/grid_table.hpp) from the
// national agency's GeoTIFF grids:
//
//   make_grid_table SHIFT.tif GEOID.tif OUT.bin
//
// SHIFT.tif: BD72 -> ETRS89, latitude and longitude offsets in arc-seconds
// (bands 1 and 2; the accuracy bands are left out). GEOID.tif: hBG18, one
// band in metres. Both are read whole with libtiff (tiles, deflate and the
// floating-point predictor are libtiff's business) and must be pixel-is-
// point lattices in degrees; their node values are kept to the bit.
#include <tiffio.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "datum/grid_table.hpp"

namespace {

constexpr ttag_t kModelPixelScale = 33550;
constexpr ttag_t kModelTiepoint = 33922;
constexpr ttag_t kGdalMetadata = 42112;
constexpr ttag_t kGdalNoData = 42113;

const TIFFFieldInfo kGeoTiffFields[] = {
    {kModelPixelScale, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, const_cast<char*>("ModelPixelScale")},
    {kModelTiepoint, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, const_cast<char*>("ModelTiepoint")},
    {kGdalMetadata, -1, -1, TIFF_ASCII, FIELD_CUSTOM, 1, 0, const_cast<char*>("GDALMetadata")},
    {kGdalNoData, -1, -1, TIFF_ASCII, FIELD_CUSTOM, 1, 0, const_cast<char*>("GDALNoData")},
};
TIFFExtendProc parentExtender = nullptr;
void ExtendTags(TIFF* tiff) {
  TIFFMergeFieldInfo(tiff, kGeoTiffFields, sizeof kGeoTiffFields / sizeof kGeoTiffFields[0]);
  if (parentExtender) parentExtender(tiff);
}

struct Lattice {
  std::string name;
  double west = 0, north = 0, stepLongitude = 0, stepLatitude = 0;
  std::uint32_t columns = 0, rows = 0, bands = 0;
  std::vector<float> nodes;  // band, row (north first), column
};

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "make_grid_table: %s\n", what.c_str());
  std::exit(1);
}

Lattice Read(const char* path, const char* name, std::uint32_t keepBands) {
  TIFF* tiff = TIFFOpen(path, "r");
  if (!tiff) Die(std::string("cannot open ") + path);
  Lattice grid;
  grid.name = name;
  std::uint32_t width = 0, height = 0, tileWidth = 0, tileHeight = 0;
  std::uint16_t samples = 0, bits = 0, format = 0, planar = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
  if (!TIFFIsTiled(tiff) || !TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth) ||
      !TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileHeight))
    Die(std::string(path) + ": not a tiled TIFF");
  if (bits != 32 || format != SAMPLEFORMAT_IEEEFP || planar != PLANARCONFIG_SEPARATE ||
      samples < keepBands)
    Die(std::string(path) + ": not separate planes of 32-bit floats with enough bands");
  std::uint32_t count = 0;
  double* scale = nullptr;
  double* tie = nullptr;
  if (!TIFFGetField(tiff, kModelPixelScale, &count, &scale) || count < 2)
    Die(std::string(path) + ": no pixel scale");
  if (!TIFFGetField(tiff, kModelTiepoint, &count, &tie) || count < 6 || tie[0] != 0 || tie[1] != 0)
    Die(std::string(path) + ": no tie point at node (0, 0)");
  grid.west = tie[3];
  grid.north = tie[4];
  grid.stepLongitude = scale[0];
  grid.stepLatitude = scale[1];
  grid.columns = width;
  grid.rows = height;
  grid.bands = keepBands;
  grid.nodes.assign(std::size_t{width} * height * keepBands, 0.0f);

  std::vector<float> tile(TIFFTileSize(tiff) / sizeof(float));
  for (std::uint32_t band = 0; band < keepBands; ++band)
    for (std::uint32_t y0 = 0; y0 < height; y0 += tileHeight)
      for (std::uint32_t x0 = 0; x0 < width; x0 += tileWidth) {
        if (TIFFReadTile(tiff, tile.data(), x0, y0, 0, static_cast<std::uint16_t>(band)) < 0)
          Die(std::string(path) + ": unreadable tile");
        for (std::uint32_t y = y0; y < std::min(height, y0 + tileHeight); ++y)
          for (std::uint32_t x = x0; x < std::min(width, x0 + tileWidth); ++x)
            grid.nodes[(std::size_t{band} * height + y) * width + x] =
                tile[std::size_t{y - y0} * tileWidth + (x - x0)];
      }
  TIFFClose(tiff);
  return grid;
}

void Put(std::vector<unsigned char>& out, const void* data, std::size_t n) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  out.insert(out.end(), bytes, bytes + n);
}

void Encode(const Lattice& grid, std::vector<unsigned char>& out) {
  char name[morvane::datum::kGridNameBytes] = {};
  std::memcpy(name, grid.name.data(), std::min(grid.name.size(), sizeof name - 1));
  Put(out, name, sizeof name);
  for (double v : {grid.west, grid.north, grid.stepLongitude, grid.stepLatitude}) Put(out, &v, 8);
  for (std::uint32_t v : {grid.columns, grid.rows, grid.bands}) Put(out, &v, 4);
  std::vector<unsigned char> nodes;
  std::vector<std::uint32_t> bits(grid.nodes.size());
  for (std::size_t k = 0; k < bits.size(); ++k) bits[k] = std::bit_cast<std::uint32_t>(grid.nodes[k]);
  for (std::size_t k = 0; k < bits.size(); ++k) {
    const std::uint32_t delta = bits[k] - morvane::datum::PredictNode(bits.data(), k, grid.columns, grid.rows);
    // Zigzag: small magnitudes of either sign become small numbers.
    std::uint32_t zigzag = (delta << 1) ^ (0u - (delta >> 31));
    do {
      unsigned char byte = zigzag & 0x7f;
      zigzag >>= 7;
      if (zigzag) byte |= 0x80;
      nodes.push_back(byte);
    } while (zigzag);
  }
  const auto size = static_cast<std::uint32_t>(nodes.size());
  Put(out, &size, 4);
  out.insert(out.end(), nodes.begin(), nodes.end());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_grid_table SHIFT.tif GEOID.tif OUT.bin\n");
    return 2;
  }
  parentExtender = TIFFSetTagExtender(ExtendTags);
  TIFFSetWarningHandler(nullptr);  // the GeoTIFF keys libtiff does not know
  const Lattice shift = Read(argv[1], std::string(morvane::datum::kShiftGridName).c_str(), 2);
  const Lattice geoid = Read(argv[2], std::string(morvane::datum::kGeoidGridName).c_str(), 1);

  std::vector<unsigned char> out;
  Put(out, morvane::datum::kGridTableMagic.data(), morvane::datum::kGridTableMagic.size());
  const std::uint32_t count = 2;
  Put(out, &count, 4);
  Encode(shift, out);
  Encode(geoid, out);

  std::FILE* file = std::fopen(argv[3], "wb");
  if (!file || std::fwrite(out.data(), 1, out.size(), file) != out.size() || std::fclose(file) != 0)
    Die(std::string("cannot write ") + argv[3]);
  std::printf("%s: %zu bytes (%u x %u x %u and %u x %u x %u nodes)\n", argv[3], out.size(),
              shift.columns, shift.rows, shift.bands, geoid.columns, geoid.rows, geoid.bands);
  return 0;
}
