// The interface's names, defined once: the input kinds, the datums, the
// properties with their types, and the failure kinds.  The command-line
// tool, the Python and WebAssembly packages and the page take their tables
// from here (through the C interface, morvane.h), so that a new kind or
// datum is one entry here and its conversion code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "export.h"
#include "morvane.h"

namespace morvane {

using KindName = morvane_kind_name;
using DatumName = morvane_datum_name;
using PropertyName = morvane_property_name;

// The tables, in number order (kinds and datums), and in the order of the
// batch call's output columns (properties).
struct NameTables {
  const KindName* kinds;
  std::size_t kindCount;
  const DatumName* datums;
  std::size_t datumCount;
  const PropertyName* properties;
  std::size_t propertyCount;
};
MORVANE_API NameTables Names() noexcept;

// Finds a kind or datum by what a user writes: its key ("deg", "wgs84"),
// its member name ("mvDeg", "mvWGS1984") or, for a datum, its number as
// text ("3"); letter case and blanks do not count.  Null when nothing
// matches.
MORVANE_API const KindName* KindByName(std::string_view name) noexcept;
MORVANE_API const DatumName* DatumByName(std::string_view name) noexcept;
// By number; null outside the table.
MORVANE_API const KindName* KindByNumber(std::int32_t number) noexcept;
MORVANE_API const DatumName* DatumByNumber(std::int32_t number) noexcept;
MORVANE_API const PropertyName* PropertyByName(std::string_view name) noexcept;

// The batch call's method and height kind by their key ("grid", "ostend")
// or number as text; -1 when nothing matches.
MORVANE_API std::int32_t MethodByName(std::string_view name) noexcept;
MORVANE_API std::int32_t HeightKindByName(std::string_view name) noexcept;
// A point's Route as text (its steps' texts joined by "; ", "none" for 0)
// and its stated accuracy in metres (the sum of its steps').
MORVANE_API std::string RouteText(std::int32_t route);
MORVANE_API double RouteAccuracy(std::int32_t route) noexcept;

}  // namespace morvane
