#include "tools/morvane/settings.hpp"

#include <algorithm>
#include <array>
#include <string>

namespace morvane::cli {

namespace {

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char c = a[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != b[i]) return false;
  }
  return true;
}

}  // namespace

std::optional<std::vector<Columns>> ColumnsByNames(std::string_view list) {
  static constexpr std::array<std::pair<std::string_view, Columns>, 7> kNames{{
      {"deg", Columns::Deg},
      {"dms", Columns::Dms},
      {"lambert", Columns::Lambert},
      {"utm", Columns::Utm},
      {"mgrs", Columns::Mgrs},
      {"ifbl", Columns::Ifbl},
      {"today", Columns::Today},
  }};
  std::vector<Columns> columns;
  if (SameLetters(list, "none")) return columns;
  while (true) {
    const auto comma = list.find(',');
    const std::string_view name = list.substr(0, comma);
    if (SameLetters(name, "all")) {
      for (const auto& entry : kNames)
        if (entry.second != Columns::Today) columns.push_back(entry.second);
    } else {
      bool known = false;
      for (const auto& [key, group] : kNames)
        if (SameLetters(name, key)) columns.push_back(group), known = true;
      if (!known) return std::nullopt;
    }
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return columns;
}

bool UsesToday(const Settings& settings) {
  return settings.method != MORVANE_METHOD_SHIFT || settings.heightKind != MORVANE_HEIGHT_NONE ||
         std::int32_t{settings.from} == MORVANE_mvETRS89 || std::int32_t{settings.dest} == MORVANE_mvETRS89 ||
         settings.input == InputKind::Lambert2008;
}

void SetToday(Settings& settings, bool asked) {
  const bool listed = std::find(settings.columns.begin(), settings.columns.end(), Columns::Today) !=
                      settings.columns.end();
  settings.today = asked || listed || UsesToday(settings);
  if (settings.today && !listed) settings.columns.push_back(Columns::Today);
}

}  // namespace morvane::cli
