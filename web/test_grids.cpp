// The core's unit tests under Node: the module carries no grids, so the
// test program hands the core the committed grid table before the tests
// run, as the JavaScript package does (morvane_load_grids); the tests of
// today's systems then run with the native build's expectations.
#include <gtest/gtest.h>
#include <morvane/morvane.h>

#include <cstdio>
#include <vector>

namespace {

class GridTable : public testing::Environment {
 public:
  void SetUp() override {
    std::FILE* file = std::fopen(MORVANE_GRID_FILE, "rb");
    ASSERT_NE(file, nullptr) << "cannot open " << MORVANE_GRID_FILE;
    std::vector<unsigned char> bytes;
    unsigned char buffer[1 << 16];
    for (std::size_t n = 0; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
      bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(file);
    ASSERT_EQ(morvane_load_grids(bytes.data(), bytes.size()), MORVANE_OK);
  }
};

[[maybe_unused]] testing::Environment* const kGridTable = testing::AddGlobalTestEnvironment(new GridTable);

}  // namespace
