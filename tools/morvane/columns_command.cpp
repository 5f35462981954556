#include <map>
#include <string>

#include <morvane/columns.hpp>
#include "tools/morvane/commands.hpp"
#include "tools/morvane/out_buffer.hpp"

namespace morvane::cli {

namespace {

constexpr const char* kLanguages[][2] = {
    {"en", "English"}, {"nl", "Dutch"}, {"fr", "French"}, {"de", "German"}, {"dwc", "Darwin Core"}};

}  // namespace

int ColumnNamesCommand(const std::vector<std::string>& headers) {
  OutBuffer out;
  if (!headers.empty()) {
    // What each header name is read as: its role's key, or "-".
    bool unknown = false;
    for (const std::string& header : headers) {
      const std::int32_t role = ColumnRoleOf(header);
      out.Append(header);
      out.Append('\t');
      out.Append(role ? ColumnRoles()[static_cast<std::size_t>(role - 1)].key : "-");
      out.Append('\n');
      unknown = unknown || role == 0;
    }
    Print(out.View());
    return unknown ? kSomeFailed : kOk;
  }
  // The whole table: each role with its names by language.
  for (const ColumnRole& role : ColumnRoles()) {
    out.Append(role.key);
    out.Append(" (");
    out.Append(role.label);
    out.Append(")\n");
    for (const auto& [code, language] : kLanguages) {
      std::string names;
      for (const ColumnName& name : ColumnNames()) {
        if (name.role != role.role || std::string_view(name.language) != code) continue;
        if (!names.empty()) names += ", ";
        names += name.name;
      }
      if (names.empty()) continue;
      out.Append("  ");
      out.Append(language);
      out.Append(": ");
      out.Append(names);
      out.Append('\n');
    }
  }
  Print(out.View());
  return kOk;
}

}  // namespace morvane::cli
