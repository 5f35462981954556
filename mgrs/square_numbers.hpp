// The numbers of an MGRS reference made from UTM coordinates: the latitude
// band, the column and row of the 100 km square, and the whole metres of
// easting and northing whose last five digits the reference shows.
//
// Written once for one position (V = double, UtmToMgrs) and for four
// (V = Lanes4, the batch call): see elementary/lane_ops.hpp.  All of them
// are whole numbers held in doubles.  Where one position fails (a value
// with no 16- or 32-bit integer, a step that faults), fits is set false
// for the position (or, of four, for the lanes where it happens), and the
// numbers are not to be used.
#pragma once

#include <cmath>
#include <cstdint>
#include <type_traits>

#include "base/checks.hpp"
#include "elementary/lane_ops.hpp"
#include "utm/utm.hpp"

namespace morvane::dma {

inline constexpr std::int32_t kRowCycle = 2000000;   // the row letters repeat every 2 000 km
inline constexpr std::int32_t kSquareSide = 100000;  // side of a 100 km square
inline constexpr int kFirstNorthernBand = 14;        // N
inline constexpr int kBandOfNorway = 22;             // V
inline constexpr int kLastBand = 24;                 // X

template <typename V>
struct SquareNumbers {
  V band, column, row, easting, northing;
};

namespace square {

// Whole values that must exist as integers of `bits` bits: one value fails
// with IntegerOverflow, four mark their lanes (NaN fails too).
template <int bits, typename V, typename F>
inline void MustFit(const V& value, F& fits) {
  constexpr double kLow = bits == 16 ? -32768.0 : -2147483648.0;
  constexpr double kHigh = bits == 16 ? 32767.0 : 2147483647.0;
  const auto in = (value >= kLow) & (value <= kHigh);
  if constexpr (std::is_same_v<V, double>) {
    if (!in) FailIntegerOverflow();
  } else {
    fits = fits & in;
  }
}

// Whole metres, halves away from zero: trunc(x + 0.5 sign(x)), sign(0) = 0.
template <typename V>
inline V RoundHalfAway(V x) {
  const V half = lanes::Select(x > 0.0, lanes::Splat<V>(0.5),
                               lanes::Select(x < 0.0, lanes::Splat<V>(-0.5), lanes::Splat<V>(0.0)));
  const V rounded = lanes::Trunc(x + half);
  lanes::Check(rounded);
  return rounded;
}

}  // namespace square

// The band of a latitude (radians): 3 (C) at 80 S, counted without I and
// O, X up to 84 N; the equator is N, a latitude a hair south of it M.
template <typename V, typename F>
V BandOf(V latitude, F& fits) {
  using lanes::Select;
  using lanes::Splat;
  const V bandsFromSouth = lanes::Trunc((80.0 * kDegree + latitude) / (8.0 * kDegree));
  lanes::Check(bandsFromSouth);
  V band = bandsFromSouth + 3.0;
  square::MustFit<16>(band, fits);
  band = Select(band > 8.0, band + 1.0, band);  // no band I
  square::MustFit<16>(band, fits);
  band = Select(band > 14.0, band + 1.0, band);  // no band O
  square::MustFit<16>(band, fits);
  band = Select(band >= 25.0, Splat<V>(kLastBand), band);  // X reaches 84 degrees
  band = Select((band == 13.0) & (latitude == 0.0), Splat<V>(kFirstNorthernBand), band);
  // A latitude a hair south of the equator rounds to band N, but its
  // northing is a southern one: it belongs to band M.
  band = Select((band >= double{kFirstNorthernBand}) & (latitude < 0.0), Splat<V>(13), band);
  return band;
}

// The numbers of the reference of a UTM position: latitude (radians) for
// the band, zone, northing and easting, and the zone's first column
// letter number and row offset (GetSquareLetterSet).
template <typename V, typename F>
SquareNumbers<V> SquareNumbersOf(V latitude, V zone, V northing, V easting, V firstColumn,
                                 V rowOffset, F& fits) {
  using lanes::Select;
  using lanes::Splat;
  SquareNumbers<V> s;
  s.band = BandOf(latitude, fits);
  // The grid zone's central meridian, in whole degrees, is a 16-bit value.
  square::MustFit<16>(6.0 * zone - 183.0, fits);

  V nr = square::RoundHalfAway(northing);
  square::MustFit<32>(nr, fits);
  nr = Select(nr == 10000000.0, Splat<V>(9999999), nr);  // stays in the last square south of the equator
  V er = square::RoundHalfAway(easting);
  square::MustFit<32>(er, fits);
  // Zone 31V ends at 3 E.
  er = Select((s.band == double{kBandOfNorway}) & (zone == 31.0) & (er == 500000.0), Splat<V>(499999), er);
  s.northing = nr;
  s.easting = er;

  // Row: the northing's place in the 2 000 km cycle, shifted by the offset.
  V n = nr;
  for (auto more = n >= double{kRowCycle}; lanes::Any(more); more = n >= double{kRowCycle})
    n = Select(more, n - double{kRowCycle}, n);
  n = n - rowOffset;
  n = Select(n < 0.0, n + double{kRowCycle}, n);
  const V rowSquares = lanes::Trunc((n + 0.1) / double{kSquareSide});
  lanes::Check(rowSquares);
  V row = rowSquares + 1.0;
  square::MustFit<16>(row, fits);
  row = Select(row > 8.0, row + 1.0, row);    // no I
  row = Select(row > 14.0, row + 1.0, row);   // no O
  s.row = row;

  const V columnSquares = lanes::Trunc((er + 0.1) / double{kSquareSide});
  lanes::Check(columnSquares);
  V column = columnSquares + firstColumn - 1.0;
  square::MustFit<16>(column, fits);
  column = Select((firstColumn == 10.0) & (column > 14.0), column + 1.0, column);  // no O in J..R
  s.column = column;
  return s;
}

}  // namespace morvane::dma
