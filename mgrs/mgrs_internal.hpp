// Pieces the MGRS encoder, decoder and grid-zone routines share.
#pragma once

#include <cmath>
#include <cstdint>

#include "base/checks.hpp"
#include "utm/utm.hpp"

namespace morvane::dma::mgrs_internal {

using dma::kDegree;

inline constexpr std::int32_t kCycle = 2000000;      // the row letters repeat every 2 000 km
inline constexpr std::int32_t kSquare = 100000;      // side of a 100 km square
inline constexpr int kBandN = 14;                    // first band north of the equator
inline constexpr int kBandV = 22;
inline constexpr int kBandX = 24;

// Whole metres, halves away from zero: trunc(x + 0.5 sign(x)), sign(0) = 0.
inline double RoundHalfAway(double x) {
  const double half = x > 0 ? 0.5 : (x < 0 ? -0.5 : 0.0);
  const double rounded = std::trunc(x + half);
  fp::Check(rounded);
  return rounded;
}

// Letters as numbers: A = 1 ... Z = 26.
inline char Letter(int number) {
  if (number < 1 || number > 26) Fail(FailureKind::IndexOutOfRange);
  return static_cast<char>('A' + number - 1);
}

}  // namespace morvane::dma::mgrs_internal
