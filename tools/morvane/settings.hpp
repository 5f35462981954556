// What a run of the tool converts: datums, input kind, output columns.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include <morvane/morvane.h>
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
  Lambert2008 = MORVANE_mvLambert2008,  // the batch call only
};

inline OriginalCoordinates OrigTypeOf(InputKind kind) {
  return static_cast<OriginalCoordinates>(kind);
}

// Output column groups of text mode, each one or more columns.  Today is
// Belgium's systems of today (Lambert 2008, the heights, the route and
// its accuracy): never part of "all", so that a call that asks nothing
// of today's systems writes what it always wrote.
enum class Columns { Deg, Dms, Lambert, Utm, Mgrs, Ifbl, Today };

// The squares of IFBL and MGRS input (the `square` command, and batch's
// --square, --darwin-core and --geojson).
struct SquareSettings {
  bool columns = false;     // the square's columns
  bool darwinCore = false;  // the ten Darwin Core columns
  bool geojson = false;     // a FeatureCollection instead of rows
  std::int32_t codeDatum = mvWGS1984;  // the datum MGRS references are on
  bool datumKnown = true;              // false: it is not known
  std::int32_t datumOut = mvWGS1984;   // the datum of the latitudes and longitudes
  std::int32_t method = MORVANE_METHOD_SHIFT;
  std::int32_t densify = 0;  // points added along each edge of the outline
  bool Any() const { return columns || darwinCore || geojson; }
};

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
  // Belgium's systems of today (the batch call's version 2 settings).
  std::int32_t method = MORVANE_METHOD_SHIFT;
  std::int32_t heightKind = MORVANE_HEIGHT_NONE;  // what the height input holds
  bool today = false;  // the call converts with them or asks for their columns
  SquareSettings squares;
  // Rows of a table that say their own kind (Darwin Core's
  // verbatimCoordinates with verbatimCoordinateSystem) or datum
  // (verbatimSRS, geodeticDatum): each point goes through the core's rows
  // call with its texts.  A row without its system takes rowsKind (0: the
  // row gets the message of an unknown kind).
  bool verbatimRows = false;
  bool rowDatums = false;
  std::int32_t rowsKind = 0;
};

// Whether the settings use a system of today: the grid method, a height
// input, the ETRS89 datum or Lambert 2008 input.
bool UsesToday(const Settings& settings);

// Settings.today from the settings and the wish for today's columns; with
// it, Columns::Today is added at the end of the columns unless listed.
void SetToday(Settings& settings, bool asked);

// A comma-separated list of "deg", "dms", "lambert", "utm", "mgrs",
// "ifbl", "today" and "all" (every group but today), in the order to print;
// or "none" alone, no group (for the squares' columns alone).
std::optional<std::vector<Columns>> ColumnsByNames(std::string_view list);

}  // namespace morvane::cli
