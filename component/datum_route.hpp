// Positions moved between datums by a call's method: the object's
// three-parameter shifts through WGS 1984 (ETRS89 taken for it), or the
// national agency's grid between BD72 and ETRS89 (the other datums through
// WGS 1984 taken for ETRS89).  Shared by the batch call's route for
// today's systems and by the squares.
#pragma once

#include <cstdint>

#include "datum/catalogue.hpp"
#include "datum/grid_shift.hpp"

namespace morvane::route {

struct Position {
  double latitude = 0, longitude = 0;  // degrees
};

// The datum of the object's catalogue that stands for one of the route's:
// ETRS89 is taken for WGS 1984 (their difference is below a metre).
std::int32_t ObjectDatum(std::int32_t datum);

// The steps (RouteStep bits) of a three-parameter change between two datums.
std::int32_t ShiftSteps(std::int32_t from, std::int32_t to);

// Moves a position between datums by `method`, adding the steps taken to
// `steps`.  kOutside / kNoGrids when the grid is needed and the position
// lies outside it or the grids are not there; `to` is then untouched.
datum::GridStatus Change(const datum::Catalogue& catalogue, std::int32_t method, Position from,
                         std::int32_t fromDatum, std::int32_t toDatum, Position& to,
                         std::int32_t& steps);

}  // namespace morvane::route
