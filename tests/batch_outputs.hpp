// Output arrays of a batch call for the batch tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <morvane/batch.hpp>

namespace morvane {

// Output arrays for n points, text columns as wide as the call needs.
struct Outputs {
  std::vector<double> lat, lon, x, y, northing, easting;
  std::vector<std::int16_t> latD, latM, lonD, lonM;
  std::vector<float> latS, lonS;
  std::vector<char> mgrs, ifbl, error;
  std::vector<std::int32_t> failure;
  TextWidths widths;
  BatchOutput out{};

  Outputs(const BatchInput& in, std::size_t n) {
    EXPECT_EQ(BatchWidths(in, static_cast<std::ptrdiff_t>(n), widths), MORVANE_OK);
    for (auto* v : {&lat, &lon, &x, &y, &northing, &easting}) v->assign(n, -7.0);
    for (auto* v : {&latD, &latM, &lonD, &lonM}) v->assign(n, 77);
    for (auto* v : {&latS, &lonS}) v->assign(n, -7.0f);
    mgrs.assign(n * widths.MGRS, 'x');
    ifbl.assign(n * widths.IFBL, 'x');
    error.assign(n * widths.Error, 'x');
    failure.assign(n, -1);
    out = {lat.data(),      lon.data(),  latD.data(),    latM.data(),     latS.data(),
           lonD.data(),     lonM.data(), lonS.data(),    x.data(),        y.data(),
           northing.data(), easting.data(),
           {mgrs.data(), widths.MGRS}, {ifbl.data(), widths.IFBL}, {error.data(), widths.Error},
           failure.data()};
  }

  static std::string Text(const std::vector<char>& column, std::size_t width, std::size_t i) {
    const char* entry = column.data() + i * width;
    return std::string(entry, strnlen(entry, width));
  }
};

}  // namespace morvane
