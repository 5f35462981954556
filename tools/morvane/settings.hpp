// What a run of the tool converts: datums, input kind, output columns.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include <morvane/zediz_ado.hpp>

namespace morvane::cli {

enum class InputKind { Deg, Dms, Lambert, Mgrs, Ifbl };

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

// "ed50", "bd72", "wgs84", "ntf" in any case, or the number 1 to 4.
std::optional<InternalDatums> DatumByName(std::string_view name);
// Readable name of a datum ("WGS 1984"); "datum N" outside the catalogue.
const char* DatumLabel(InternalDatums datum);

// "deg", "dms", "lambert", "mgrs", "ifbl" in any case.
std::optional<InputKind> InputKindByName(std::string_view name);
OriginalCoordinates OrigTypeOf(InputKind kind);

// A comma-separated list of "deg", "dms", "lambert", "utm", "mgrs",
// "ifbl" and "all", in the order to print.
std::optional<std::vector<Columns>> ColumnsByNames(std::string_view list);

// Zone and hemisphere ('N' or 'S') of the grid zone an MGRS reference
// starts with; false for an empty text or one of the MGRS messages.
bool UtmZoneOf(std::string_view mgrs, int& zone, char& hemisphere);

}  // namespace morvane::cli
