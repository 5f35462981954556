// The readable table of `morvane convert`.
#pragma once

#include <morvane/zediz_ado.hpp>
#include "tools/morvane/out_buffer.hpp"
#include "tools/morvane/settings.hpp"

namespace morvane::cli {

// Every property of a converted object, one per row, with the datums the
// values are on; failure is the failure's name or null.  After a message
// or a failure only the datums and the message or failure are shown.
void WriteTable(const ZedizAdo& object, const Settings& settings, const char* failure,
                OutBuffer& out);

}  // namespace morvane::cli
