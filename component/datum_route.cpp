#include "component/datum_route.hpp"

#include <morvane/survey.hpp>
#include <morvane/zediz_ado.hpp>

#include "component/driver.hpp"

namespace morvane::route {

std::int32_t ObjectDatum(std::int32_t datum) { return datum == mvETRS89 ? mvWGS1984 : datum; }

namespace {

// The step of a three-parameter change between a datum and WGS 1984.
std::int32_t ShiftStep(std::int32_t datum) {
  switch (datum) {
    case mvEuropeanData1950: return kStepShiftEd50;
    case mvBelgium1972: return kStepShiftBd72;
    case mvNTF: return kStepShiftNtf;
    case mvETRS89: return kStepWgs84AsEtrs89;
    default: return 0;
  }
}

}  // namespace

std::int32_t ShiftSteps(std::int32_t from, std::int32_t to) {
  return from == to ? 0 : ShiftStep(from) | ShiftStep(to);
}

datum::GridStatus Change(const datum::Catalogue& catalogue, std::int32_t method, Position from,
                         std::int32_t fromDatum, std::int32_t toDatum, Position& to,
                         std::int32_t& steps) {
  using datum::GridStatus;
  if (fromDatum == toDatum) {
    to = from;
    return GridStatus::kDone;
  }
  const auto shift = [&](Position p, std::int32_t a, std::int32_t b) {
    Position moved;
    driver::ChangeDatumHeld(catalogue, p.latitude, p.longitude, moved.latitude, moved.longitude,
                            ObjectDatum(a), ObjectDatum(b));
    steps |= ShiftSteps(a, b);
    return moved;
  };
  const bool grid = method == MORVANE_METHOD_GRID &&
                    (fromDatum == mvBelgium1972 || toDatum == mvBelgium1972);
  if (!grid) {
    to = shift(from, fromDatum, toDatum);
    return GridStatus::kDone;
  }
  Position p;
  if (fromDatum == mvBelgium1972) {
    const auto status = datum::Bd72ToEtrs89(from.latitude, from.longitude, p.latitude, p.longitude);
    if (status != GridStatus::kDone) return status;
    steps |= kStepGrid;
    to = toDatum == mvETRS89 ? p : shift(p, mvETRS89, toDatum);
    return GridStatus::kDone;
  }
  p = fromDatum == mvETRS89 ? from : shift(from, fromDatum, mvETRS89);
  Position bd72;
  const auto status = datum::Etrs89ToBd72(p.latitude, p.longitude, bd72.latitude, bd72.longitude);
  if (status != GridStatus::kDone) return status;
  steps |= kStepGrid;
  to = bd72;
  return GridStatus::kDone;
}

}  // namespace morvane::route
