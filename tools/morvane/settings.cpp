#include "tools/morvane/settings.hpp"

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

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::optional<InternalDatums> DatumByName(std::string_view name) {
  static constexpr std::array<std::pair<std::string_view, InternalDatums>, 8> kNames{{
      {"ed50", mvEuropeanData1950},
      {"bd72", mvBelgium1972},
      {"wgs84", mvWGS1984},
      {"ntf", mvNTF},
      {"1", mvEuropeanData1950},
      {"2", mvBelgium1972},
      {"3", mvWGS1984},
      {"4", mvNTF},
  }};
  for (const auto& [key, datum] : kNames)
    if (SameLetters(name, key)) return datum;
  return std::nullopt;
}

const char* DatumLabel(InternalDatums datum) {
  switch (datum) {
    case mvEuropeanData1950: return "European 1950";
    case mvBelgium1972: return "Belgian 1972";
    case mvWGS1984: return "WGS 1984";
    case mvNTF: return "NTF";
  }
  return "unknown datum";
}

std::optional<InputKind> InputKindByName(std::string_view name) {
  static constexpr std::array<std::pair<std::string_view, InputKind>, 5> kNames{{
      {"deg", InputKind::Deg},
      {"dms", InputKind::Dms},
      {"lambert", InputKind::Lambert},
      {"mgrs", InputKind::Mgrs},
      {"ifbl", InputKind::Ifbl},
  }};
  for (const auto& [key, kind] : kNames)
    if (SameLetters(name, key)) return kind;
  return std::nullopt;
}

OriginalCoordinates OrigTypeOf(InputKind kind) {
  switch (kind) {
    case InputKind::Deg: return mvDeg;
    case InputKind::Dms: return mvDegMinSec;
    case InputKind::Lambert: return mvLambert72;
    case InputKind::Mgrs: return mvMgrs;
    case InputKind::Ifbl: return mvIFBL;
  }
  return mvDeg;
}

std::optional<std::vector<Columns>> ColumnsByNames(std::string_view list) {
  static constexpr std::array<std::pair<std::string_view, Columns>, 6> kNames{{
      {"deg", Columns::Deg},
      {"dms", Columns::Dms},
      {"lambert", Columns::Lambert},
      {"utm", Columns::Utm},
      {"mgrs", Columns::Mgrs},
      {"ifbl", Columns::Ifbl},
  }};
  std::vector<Columns> columns;
  while (true) {
    const auto comma = list.find(',');
    const std::string_view name = list.substr(0, comma);
    if (SameLetters(name, "all")) {
      for (const auto& entry : kNames) columns.push_back(entry.second);
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

bool UtmZoneOf(std::string_view mgrs, int& zone, char& hemisphere) {
  while (!mgrs.empty() && mgrs.front() == ' ') mgrs.remove_prefix(1);
  std::size_t digits = 0;
  int number = 0;
  while (digits < 2 && digits < mgrs.size() && mgrs[digits] >= '0' && mgrs[digits] <= '9')
    number = number * 10 + (mgrs[digits++] - '0');
  if (digits == 0 || number < 1 || number > 60 || digits >= mgrs.size()) return false;
  // Latitude bands C to X, without I and O; N and above lie north of the
  // equator.
  const char band = Upper(mgrs[digits]);
  if (band < 'C' || band > 'X' || band == 'I' || band == 'O') return false;
  zone = number;
  hemisphere = band >= 'N' ? 'N' : 'S';
  return true;
}

}  // namespace morvane::cli
