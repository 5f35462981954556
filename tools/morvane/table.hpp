// The readable table of `morvane convert`.
#pragma once

#include <morvane/zediz_ado.hpp>
#include <string_view>

#include "tools/morvane/out_buffer.hpp"
#include "tools/morvane/point_fields.hpp"
#include "tools/morvane/settings.hpp"

namespace morvane::cli {

// Every property of a converted object, one per row, with the datums the
// values are on; failure is the failure's name or null.  After a message
// or a failure only the datums and the message or failure are shown.
void WriteTable(const ZedizAdo& object, const Settings& settings, const char* failure,
                OutBuffer& out);

// The same table from the values of the batch call (error: the point's
// message, empty when there is none); with settings.today it adds
// Lambert 2008, the heights the point has, its route and accuracy.
void WriteTable(const PointValues& values, std::string_view error, const char* failure,
                const Settings& settings, OutBuffer& out);

}  // namespace morvane::cli
