// Pieces the MGRS encoder, decoder and grid-zone routines share.
#pragma once

#include <cmath>
#include <cstdint>

#include "base/checks.hpp"
#include "mgrs/square_numbers.hpp"
#include "utm/utm.hpp"

namespace morvane::dma::mgrs_internal {

using dma::kDegree;

inline constexpr std::int32_t kCycle = kRowCycle;
inline constexpr std::int32_t kSquare = kSquareSide;
inline constexpr int kBandN = kFirstNorthernBand;
inline constexpr int kBandV = kBandOfNorway;
inline constexpr int kBandX = kLastBand;

using square::RoundHalfAway;

// Letters as numbers: A = 1 ... Z = 26.
inline char Letter(int number) {
  if (number < 1 || number > 26) Fail(FailureKind::IndexOutOfRange);
  return static_cast<char>('A' + number - 1);
}

}  // namespace morvane::dma::mgrs_internal
