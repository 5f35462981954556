// Values the harnesses feed the system: mostly plausible, often at the
// edges the system tests (range bounds, 16-bit limits, the grid edges),
// and sometimes anything at all, NaN and infinities included.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

namespace morvane::fuzz {

template <typename T, std::size_t N>
T Pick(FuzzedDataProvider& data, const T (&table)[N]) {
  return table[data.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
}

inline double AnyDouble(FuzzedDataProvider& data, double low, double high) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  static const double kEdges[] = {
      nan, -nan, inf, -inf, 0.0, -0.0, std::numeric_limits<double>::denorm_min(),
      std::numeric_limits<double>::min(), std::numeric_limits<double>::max(),
      -std::numeric_limits<double>::max(), 1e300, -1e300, 90, -90, 180, -180, 84, -80, 56, 64,
      72, 3, 9, 21, 33, 89.9999, -89.9999, 179.9999, -179.9999, 90.0000001, -180.0000001,
      50.5, 4.35, 310000, 260000, 310000.0000001, -1e-9, 2012, 18180, 322012, 258180,
      150000.01256, 5400088.4378, 500000, 10000000, 9999999.5};
  switch (data.ConsumeIntegralInRange<int>(0, 5)) {
    case 0: return Pick(data, kEdges);
    case 1: return std::bit_cast<double>(data.ConsumeIntegral<std::uint64_t>());
    default: return low + (high - low) * data.ConsumeProbability<double>();
  }
}

inline float AnySeconds(FuzzedDataProvider& data) {
  constexpr float inf = std::numeric_limits<float>::infinity();
  constexpr float nan = std::numeric_limits<float>::quiet_NaN();
  static const float kEdges[] = {nan,   -nan,         inf,   -inf, 0.0f, -0.0f, 60.0f,
                                 -60.0f, 60.0001f, 59.9999f, -60.0001f,
                                 std::numeric_limits<float>::max(),
                                 std::numeric_limits<float>::denorm_min(), 24.448242f};
  switch (data.ConsumeIntegralInRange<int>(0, 4)) {
    case 0: return Pick(data, kEdges);
    case 1: return std::bit_cast<float>(data.ConsumeIntegral<std::uint32_t>());
    default: return static_cast<float>(-61.0 + 122.0 * data.ConsumeProbability<double>());
  }
}

// Degrees and minutes: the 16-bit limits and the bounds of the tests.
inline std::int16_t AnyDmsInt(FuzzedDataProvider& data) {
  static const std::int16_t kEdges[] = {-32768, 32767, -32767, 0, 1, -1, 59, 60, 61, -60, -61,
                                        89, 90, 91, -90, -91, 179, 180, 181, -180, -181, 546,
                                        547, -547, 4, 50};
  switch (data.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return data.ConsumeIntegral<std::int16_t>();
    case 1: return data.ConsumeIntegralInRange<std::int16_t>(-181, 181);
    default: return Pick(data, kEdges);
  }
}

// A text of the shape of an MGRS reference, often a little wrong: zone,
// band, two letters and two groups of digits, any part missing, doubled,
// in lower case or with blanks.
inline std::string MgrsLikeText(FuzzedDataProvider& data) {
  if (data.ConsumeBool()) return data.ConsumeRandomLengthString(24);
  std::string text;
  switch (data.ConsumeIntegralInRange<int>(0, 4)) {
    case 0: text = " "; [[fallthrough]];
    case 1: text += std::to_string(data.ConsumeIntegralInRange<int>(1, 9)); break;
    case 2: text = "0" + std::to_string(data.ConsumeIntegralInRange<int>(0, 9)); break;
    case 3: text = std::to_string(data.ConsumeIntegralInRange<int>(0, 99)); break;
    default: text = std::to_string(data.ConsumeIntegralInRange<int>(29, 38)); break;
  }
  static const char kLetters[] = "CDEFGHJKLMNPQRSTUVWXABYZIOcuvx ";
  const int letters = data.ConsumeIntegralInRange<int>(0, 4);
  for (int i = 0; i < letters; ++i) text += Pick(data, kLetters);
  const int digits = data.ConsumeIntegralInRange<int>(0, 6);
  const bool blankBetween = data.ConsumeIntegralInRange<int>(0, 7) == 0;
  for (int group = 0; group < 2; ++group) {
    if (group == 1 && blankBetween) text += ' ';
    for (int i = 0; i < digits; ++i)
      text += static_cast<char>('0' + data.ConsumeIntegralInRange<int>(0, 9));
  }
  if (data.ConsumeIntegralInRange<int>(0, 7) == 0) text += ' ';
  if (data.ConsumeIntegralInRange<int>(0, 7) == 0) text.insert(0, " ");
  return text;
}

// A text of the shape of an IFBL code, with the separators and case people
// type ('f5.16.34', 'd6-54-42').
inline std::string IfblLikeText(FuzzedDataProvider& data) {
  if (data.ConsumeBool()) return data.ConsumeRandomLengthString(12);
  static const char kRows[] = "ABCDEFGHJKLMefmINZ@ ";
  static const char kSeparators[] = " .-,";
  std::string text(1, Pick(data, kRows));
  const int groups = data.ConsumeIntegralInRange<int>(0, 3);
  for (int g = 0; g < groups; ++g) {
    if (g > 0 && data.ConsumeBool()) text += Pick(data, kSeparators);
    const int width = data.ConsumeIntegralInRange<int>(1, 2);
    for (int i = 0; i < width; ++i)
      text += static_cast<char>('0' + data.ConsumeIntegralInRange<int>(0, 9));
  }
  return text;
}

}  // namespace morvane::fuzz
