// Tables as people and standards write them: the names a header gives the
// columns of each input (in English, Dutch, French and German, and the
// Darwin Core terms), the choice of the columns to read from a header, and
// rows that say their own kind and datum (verbatimCoordinates with
// verbatimCoordinateSystem, verbatimSRS, geodeticDatum).  The tool, the
// Python and the R packages take all of this from here, through the C
// interface (morvane.h) or these C++ names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export.h"
#include "morvane.h"

namespace morvane {

using ColumnRole = morvane_column_role;
using ColumnName = morvane_column_name;
using ColumnChoice = morvane_columns;
using RowsInput = morvane_rows_input;

// Why a header's columns could not be chosen (ColumnChoice's `problem`), for
// front ends that say how to choose them by hand.
enum class ColumnsProblem : std::int32_t {
  None = MORVANE_COLUMNS_FOUND,
  NoColumns = MORVANE_COLUMNS_NONE,
  SeveralNames = MORVANE_COLUMNS_SEVERAL_NAMES,
  SeveralKinds = MORVANE_COLUMNS_SEVERAL_KINDS,
  NoHeight = MORVANE_COLUMNS_NO_HEIGHT,
  SeveralHeights = MORVANE_COLUMNS_SEVERAL_HEIGHTS
};

// A table of the library, in order (headers that C++17 callers include
// have no std::span).
template <typename T>
struct TableView {
  const T* entries = nullptr;
  std::size_t count = 0;
  const T* begin() const noexcept { return entries; }
  const T* end() const noexcept { return entries + count; }
  std::size_t size() const noexcept { return count; }
  const T& operator[](std::size_t i) const noexcept { return entries[i]; }
};

MORVANE_API TableView<ColumnRole> ColumnRoles() noexcept;
MORVANE_API TableView<ColumnName> ColumnNames() noexcept;
// The role of a header name (MORVANE_COLUMN_...), 0 for none.
MORVANE_API std::int32_t ColumnRoleOf(std::string_view header) noexcept;
// The roles an input kind reads, in the order of its properties.
MORVANE_API TableView<std::int32_t> KindRoles(std::int32_t kind) noexcept;

// Chooses the columns of a header (see morvane_find_columns), with the
// reason in error when they cannot be chosen.
MORVANE_API int FindColumns(const std::vector<std::string>& names, ColumnChoice& columns,
                            std::string& error);

// The kind a verbatimCoordinateSystem names, the datum a verbatimSRS or
// geodeticDatum names; 0 for none.
MORVANE_API std::int32_t KindOfSystem(std::string_view system) noexcept;
MORVANE_API std::int32_t DatumOfSrs(std::string_view srs) noexcept;
// Whether a datum text says that the datum is not known ("", "unknown",
// "not recorded"): the default datum is taken then.
MORVANE_API bool SrsUnstated(std::string_view srs) noexcept;

// The rows calls of morvane.h: the status codes, never throwing.
MORVANE_API int RowsWidths(const morvane_batch_input& input, const RowsInput& rows,
                           const morvane_batch_extra* extra, std::ptrdiff_t count, std::size_t& mgrs,
                           std::size_t& ifbl, std::size_t& error) noexcept;
MORVANE_API int ConvertRows(const morvane_batch_input& input, const RowsInput& rows,
                            const morvane_batch_output& output, const morvane_batch_extra* extra,
                            std::ptrdiff_t count, int threads) noexcept;

}  // namespace morvane
