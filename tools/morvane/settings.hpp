// What a run of the tool converts: datums, input kind, output columns.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include <morvane/zediz_ado.hpp>

namespace morvane::cli {

// The input kinds, numbered as the core numbers them (OriginalCoordinates),
// so that a kind found by name in the core's table is one cast away.
enum class InputKind {
  Mgrs = mvMgrs,
  Deg = mvDeg,
  Ifbl = mvIFBL,
  Lambert = mvLambert72,
  Dms = mvDegMinSec,
};

inline OriginalCoordinates OrigTypeOf(InputKind kind) {
  return static_cast<OriginalCoordinates>(kind);
}

// Output column groups of text mode, each one or more columns.
enum class Columns { Deg, Dms, Lambert, Utm, Mgrs, Ifbl };

struct Settings {
  InternalDatums from = mvWGS1984;
  InternalDatums dest = mvWGS1984;
  InputKind input = InputKind::Deg;
  bool lonFirst = false;  // degrees as longitude, latitude (input and output)
  std::int32_t mgrsPrecision = 0;
  std::int16_t ifblPrecision = 0;
  std::vector<Columns> columns{Columns::Deg, Columns::Dms,  Columns::Lambert,
                               Columns::Utm, Columns::Mgrs, Columns::Ifbl};
  char delimiter = '\t';
};

// A comma-separated list of "deg", "dms", "lambert", "utm", "mgrs",
// "ifbl" and "all", in the order to print.
std::optional<std::vector<Columns>> ColumnsByNames(std::string_view list);

}  // namespace morvane::cli
