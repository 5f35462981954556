// The names of the columns of tables, and the choice of the columns to read
// from a header.  Header names are compared in a folded form: ASCII letters
// in lower case, without blanks, '_', '-', '.' and '/', so that
// "Decimal Latitude", "decimal_latitude" and "decimalLatitude" are one name.
#include <morvane/columns.hpp>

#include <morvane/names.hpp>
#include <morvane/survey.hpp>
#include <morvane/zediz_ado.hpp>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "component/c_text.hpp"

namespace morvane {

namespace {

constexpr std::array<ColumnRole, MORVANE_COLUMN_ROLES> kRoles{{
    {MORVANE_COLUMN_LATITUDE, "Latitude", "latitude"},
    {MORVANE_COLUMN_LONGITUDE, "Longitude", "longitude"},
    {MORVANE_COLUMN_LAT_DMS_DEG, "LatDmsDeg", "latitude degrees"},
    {MORVANE_COLUMN_LAT_DMS_MIN, "LatDmsMin", "latitude minutes"},
    {MORVANE_COLUMN_LAT_DMS_SEC, "LatDmsSec", "latitude seconds"},
    {MORVANE_COLUMN_LON_DMS_DEG, "LonDmsDeg", "longitude degrees"},
    {MORVANE_COLUMN_LON_DMS_MIN, "LonDmsMin", "longitude minutes"},
    {MORVANE_COLUMN_LON_DMS_SEC, "LonDmsSec", "longitude seconds"},
    {MORVANE_COLUMN_X, "X", "Lambert X"},
    {MORVANE_COLUMN_Y, "Y", "Lambert Y"},
    {MORVANE_COLUMN_X2008, "X2008", "Lambert 2008 X"},
    {MORVANE_COLUMN_Y2008, "Y2008", "Lambert 2008 Y"},
    {MORVANE_COLUMN_MGRS, "MGRS", "MGRS"},
    {MORVANE_COLUMN_IFBL, "IFBL", "IFBL"},
    {MORVANE_COLUMN_HEIGHT, "Height", "height"},
    {MORVANE_COLUMN_VERBATIM_COORDINATES, "verbatimCoordinates", "verbatim coordinates"},
    {MORVANE_COLUMN_VERBATIM_SYSTEM, "verbatimCoordinateSystem", "verbatim coordinate system"},
    {MORVANE_COLUMN_VERBATIM_SRS, "verbatimSRS", "verbatim SRS"},
    {MORVANE_COLUMN_GEODETIC_DATUM, "geodeticDatum", "geodetic datum"},
}};

// The names of each role, in the languages of Belgium's data and in the
// Darwin Core.  A name written alike in two languages is listed under the
// first.  Names are matched folded; they are written here as people write
// them, for the docs.
constexpr ColumnName kNames[] = {
    {MORVANE_COLUMN_LATITUDE, "lat", "en"},
    {MORVANE_COLUMN_LATITUDE, "latitude", "en"},
    {MORVANE_COLUMN_LATITUDE, "lat_wgs84", "en"},
    {MORVANE_COLUMN_LATITUDE, "breedte", "nl"},
    {MORVANE_COLUMN_LATITUDE, "breedtegraad", "nl"},
    {MORVANE_COLUMN_LATITUDE, "noorderbreedte", "nl"},
    {MORVANE_COLUMN_LATITUDE, "latitude", "fr"},
    {MORVANE_COLUMN_LATITUDE, "lat_wgs84", "fr"},
    {MORVANE_COLUMN_LATITUDE, "Breite", "de"},
    {MORVANE_COLUMN_LATITUDE, "Breitengrad", "de"},
    {MORVANE_COLUMN_LATITUDE, "decimalLatitude", "dwc"},

    {MORVANE_COLUMN_LONGITUDE, "lon", "en"},
    {MORVANE_COLUMN_LONGITUDE, "lng", "en"},
    {MORVANE_COLUMN_LONGITUDE, "long", "en"},
    {MORVANE_COLUMN_LONGITUDE, "longitude", "en"},
    {MORVANE_COLUMN_LONGITUDE, "lon_wgs84", "en"},
    {MORVANE_COLUMN_LONGITUDE, "lengte", "nl"},
    {MORVANE_COLUMN_LONGITUDE, "lengtegraad", "nl"},
    {MORVANE_COLUMN_LONGITUDE, "oosterlengte", "nl"},
    {MORVANE_COLUMN_LONGITUDE, "longitude", "fr"},
    {MORVANE_COLUMN_LONGITUDE, "long", "fr"},
    {MORVANE_COLUMN_LONGITUDE, "L\u00e4nge", "de"},
    {MORVANE_COLUMN_LONGITUDE, "Laenge", "de"},
    {MORVANE_COLUMN_LONGITUDE, "L\u00e4ngengrad", "de"},
    {MORVANE_COLUMN_LONGITUDE, "Laengengrad", "de"},
    {MORVANE_COLUMN_LONGITUDE, "decimalLongitude", "dwc"},

    {MORVANE_COLUMN_LAT_DMS_DEG, "lat_deg", "en"},
    {MORVANE_COLUMN_LAT_DMS_DEG, "lat_degrees", "en"},
    {MORVANE_COLUMN_LAT_DMS_DEG, "breedte_graden", "nl"},
    {MORVANE_COLUMN_LAT_DMS_DEG, "lat_degres", "fr"},
    {MORVANE_COLUMN_LAT_DMS_DEG, "lat_degr\u00e9s", "fr"},
    {MORVANE_COLUMN_LAT_DMS_DEG, "Breite_Grad", "de"},
    {MORVANE_COLUMN_LAT_DMS_MIN, "lat_min", "en"},
    {MORVANE_COLUMN_LAT_DMS_MIN, "lat_minutes", "en"},
    {MORVANE_COLUMN_LAT_DMS_MIN, "breedte_minuten", "nl"},
    {MORVANE_COLUMN_LAT_DMS_MIN, "Breite_Minuten", "de"},
    {MORVANE_COLUMN_LAT_DMS_SEC, "lat_sec", "en"},
    {MORVANE_COLUMN_LAT_DMS_SEC, "lat_seconds", "en"},
    {MORVANE_COLUMN_LAT_DMS_SEC, "breedte_seconden", "nl"},
    {MORVANE_COLUMN_LAT_DMS_SEC, "lat_secondes", "fr"},
    {MORVANE_COLUMN_LAT_DMS_SEC, "Breite_Sekunden", "de"},
    {MORVANE_COLUMN_LON_DMS_DEG, "lon_deg", "en"},
    {MORVANE_COLUMN_LON_DMS_DEG, "lon_degrees", "en"},
    {MORVANE_COLUMN_LON_DMS_DEG, "lengte_graden", "nl"},
    {MORVANE_COLUMN_LON_DMS_DEG, "lon_degres", "fr"},
    {MORVANE_COLUMN_LON_DMS_DEG, "lon_degr\u00e9s", "fr"},
    {MORVANE_COLUMN_LON_DMS_DEG, "L\u00e4nge_Grad", "de"},
    {MORVANE_COLUMN_LON_DMS_MIN, "lon_min", "en"},
    {MORVANE_COLUMN_LON_DMS_MIN, "lon_minutes", "en"},
    {MORVANE_COLUMN_LON_DMS_MIN, "lengte_minuten", "nl"},
    {MORVANE_COLUMN_LON_DMS_MIN, "L\u00e4nge_Minuten", "de"},
    {MORVANE_COLUMN_LON_DMS_SEC, "lon_sec", "en"},
    {MORVANE_COLUMN_LON_DMS_SEC, "lon_seconds", "en"},
    {MORVANE_COLUMN_LON_DMS_SEC, "lengte_seconden", "nl"},
    {MORVANE_COLUMN_LON_DMS_SEC, "lon_secondes", "fr"},
    {MORVANE_COLUMN_LON_DMS_SEC, "L\u00e4nge_Sekunden", "de"},

    {MORVANE_COLUMN_X, "x", "en"},
    {MORVANE_COLUMN_X, "lambert_x", "en"},
    {MORVANE_COLUMN_X, "lambert72_x", "en"},
    {MORVANE_COLUMN_X, "x_lambert", "en"},
    {MORVANE_COLUMN_X, "x_lambert72", "en"},
    {MORVANE_COLUMN_X, "x_l72", "en"},
    {MORVANE_COLUMN_X, "x_coord", "en"},
    {MORVANE_COLUMN_X, "x_coordinaat", "nl"},
    {MORVANE_COLUMN_X, "coord_x", "fr"},
    {MORVANE_COLUMN_X, "coordonnee_x", "fr"},
    {MORVANE_COLUMN_X, "coordonn\u00e9e_x", "fr"},
    {MORVANE_COLUMN_X, "Rechtswert", "de"},
    {MORVANE_COLUMN_Y, "y", "en"},
    {MORVANE_COLUMN_Y, "lambert_y", "en"},
    {MORVANE_COLUMN_Y, "lambert72_y", "en"},
    {MORVANE_COLUMN_Y, "y_lambert", "en"},
    {MORVANE_COLUMN_Y, "y_lambert72", "en"},
    {MORVANE_COLUMN_Y, "y_l72", "en"},
    {MORVANE_COLUMN_Y, "y_coord", "en"},
    {MORVANE_COLUMN_Y, "y_coordinaat", "nl"},
    {MORVANE_COLUMN_Y, "coord_y", "fr"},
    {MORVANE_COLUMN_Y, "coordonnee_y", "fr"},
    {MORVANE_COLUMN_Y, "coordonn\u00e9e_y", "fr"},
    {MORVANE_COLUMN_Y, "Hochwert", "de"},

    {MORVANE_COLUMN_X2008, "x2008", "en"},
    {MORVANE_COLUMN_X2008, "x_2008", "en"},
    {MORVANE_COLUMN_X2008, "lambert2008_x", "en"},
    {MORVANE_COLUMN_X2008, "x_lambert2008", "en"},
    {MORVANE_COLUMN_X2008, "x_l08", "en"},
    {MORVANE_COLUMN_Y2008, "y2008", "en"},
    {MORVANE_COLUMN_Y2008, "y_2008", "en"},
    {MORVANE_COLUMN_Y2008, "lambert2008_y", "en"},
    {MORVANE_COLUMN_Y2008, "y_lambert2008", "en"},
    {MORVANE_COLUMN_Y2008, "y_l08", "en"},

    {MORVANE_COLUMN_MGRS, "mgrs", "en"},
    {MORVANE_COLUMN_MGRS, "mgrs_code", "en"},
    {MORVANE_COLUMN_MGRS, "mgrs_reference", "en"},
    {MORVANE_COLUMN_MGRS, "mgrs_ref", "en"},
    {MORVANE_COLUMN_MGRS, "utm_mgrs", "en"},

    {MORVANE_COLUMN_IFBL, "ifbl", "en"},
    {MORVANE_COLUMN_IFBL, "ifbl_code", "en"},
    {MORVANE_COLUMN_IFBL, "ifbl_square", "en"},
    {MORVANE_COLUMN_IFBL, "ifbl_hok", "nl"},
    {MORVANE_COLUMN_IFBL, "uurhok", "nl"},
    {MORVANE_COLUMN_IFBL, "kilometerhok", "nl"},
    {MORVANE_COLUMN_IFBL, "km_hok", "nl"},
    {MORVANE_COLUMN_IFBL, "carre_ifbl", "fr"},
    {MORVANE_COLUMN_IFBL, "carr\u00e9_ifbl", "fr"},
    {MORVANE_COLUMN_IFBL, "maille_ifbl", "fr"},
    {MORVANE_COLUMN_IFBL, "IFBL_Quadrat", "de"},

    // In Dutch TAW and in French DNG name the Ostend heights.
    {MORVANE_COLUMN_HEIGHT, "height", "en"},
    {MORVANE_COLUMN_HEIGHT, "h", "en"},
    {MORVANE_COLUMN_HEIGHT, "z", "en"},
    {MORVANE_COLUMN_HEIGHT, "alt", "en"},
    {MORVANE_COLUMN_HEIGHT, "altitude", "en"},
    {MORVANE_COLUMN_HEIGHT, "elevation", "en"},
    {MORVANE_COLUMN_HEIGHT, "hoogte", "nl"},
    {MORVANE_COLUMN_HEIGHT, "taw", "nl"},
    {MORVANE_COLUMN_HEIGHT, "hauteur", "fr"},
    {MORVANE_COLUMN_HEIGHT, "dng", "fr"},
    {MORVANE_COLUMN_HEIGHT, "H\u00f6he", "de"},
    {MORVANE_COLUMN_HEIGHT, "Hoehe", "de"},

    {MORVANE_COLUMN_VERBATIM_COORDINATES, "verbatimCoordinates", "dwc"},
    {MORVANE_COLUMN_VERBATIM_SYSTEM, "verbatimCoordinateSystem", "dwc"},
    {MORVANE_COLUMN_VERBATIM_SRS, "verbatimSRS", "dwc"},
    {MORVANE_COLUMN_GEODETIC_DATUM, "geodeticDatum", "dwc"},
};

// The roles each kind reads, in the order of its properties.
constexpr std::int32_t kDegRoles[] = {MORVANE_COLUMN_LATITUDE, MORVANE_COLUMN_LONGITUDE};
constexpr std::int32_t kDmsRoles[] = {MORVANE_COLUMN_LAT_DMS_DEG, MORVANE_COLUMN_LAT_DMS_MIN,
                                      MORVANE_COLUMN_LAT_DMS_SEC, MORVANE_COLUMN_LON_DMS_DEG,
                                      MORVANE_COLUMN_LON_DMS_MIN, MORVANE_COLUMN_LON_DMS_SEC};
constexpr std::int32_t kLambertRoles[] = {MORVANE_COLUMN_X, MORVANE_COLUMN_Y};
constexpr std::int32_t kLambert2008Roles[] = {MORVANE_COLUMN_X2008, MORVANE_COLUMN_Y2008};
constexpr std::int32_t kMgrsRoles[] = {MORVANE_COLUMN_MGRS};
constexpr std::int32_t kIfblRoles[] = {MORVANE_COLUMN_IFBL};

bool Dropped(char c) { return c == ' ' || c == '\t' || c == '_' || c == '-' || c == '.' || c == '/'; }

// The folded form of a name.
std::string Folded(std::string_view name) {
  std::string folded;
  folded.reserve(name.size());
  for (char c : name) {
    if (Dropped(c)) continue;
    folded += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return folded;
}

const ColumnRole& RoleEntry(std::int32_t role) { return kRoles[static_cast<std::size_t>(role - 1)]; }

// Column i (0-based) as messages show it: 'Name' (3).
std::string Column(const std::vector<std::string>& names, std::size_t i) {
  return "'" + names[i] + "' (" + std::to_string(i + 1) + ")";
}

std::string KindKey(std::int32_t kind) {
  const KindName* name = KindByNumber(kind);
  return name ? name->key : "?";
}

// The columns whose names are those of a role.
std::vector<std::size_t> Matches(const std::vector<std::string>& folded, std::int32_t role) {
  std::vector<std::size_t> found;
  for (std::size_t i = 0; i < folded.size(); ++i)
    if (ColumnRoleOf(folded[i]) == role) found.push_back(i);
  return found;
}

std::string Candidates(const std::vector<std::string>& names, const std::vector<std::size_t>& found) {
  std::string text;
  for (std::size_t m = 0; m < found.size(); ++m) {
    if (m) text += ", ";
    text += Column(names, found[m]);
  }
  return text;
}

// The names of a role, for messages: "IFBL: ifbl, ifbl_code ...".
std::string NamesOf(std::int32_t role) {
  std::string text = RoleEntry(role).label;
  text += ':';
  bool first = true;
  for (const ColumnName& name : kNames) {
    if (name.role != role) continue;
    text += first ? " " : ", ";
    text += name.name;
    first = false;
  }
  return text;
}

struct Found {
  std::int32_t kind;
  std::array<std::int32_t, MORVANE_COLUMN_ROLES + 1> column;
};

// Looks for the columns of one kind: false with the error when a role has
// several candidates; `all` tells whether every role has its column.
bool FindKind(const std::vector<std::string>& names, const std::vector<std::string>& folded,
              std::int32_t kind, Found& found, bool& all, std::string& error) {
  found.kind = kind;
  found.column.fill(-1);
  all = true;
  for (const std::int32_t role : KindRoles(kind)) {
    const std::vector<std::size_t> matches = Matches(folded, role);
    if (matches.size() > 1) {
      error = "more than one column could be the " + std::string(RoleEntry(role).label) + ": " +
              Candidates(names, matches);
      return false;
    }
    if (matches.empty()) all = false;
    else found.column[static_cast<std::size_t>(role)] = static_cast<std::int32_t>(matches[0]);
  }
  return true;
}

int Refuse(ColumnChoice& columns, std::int32_t problem) {
  columns.problem = problem;
  return MORVANE_E_COLUMNS;
}

// The one column of a role that is not an input of a kind (a height, a
// Darwin Core term): -1 when there is none, -2 with the error when there
// are several.
std::int32_t OneColumn(const std::vector<std::string>& names, const std::vector<std::string>& folded,
                       std::int32_t role, std::string& error) {
  const std::vector<std::size_t> matches = Matches(folded, role);
  if (matches.empty()) return -1;
  if (matches.size() > 1) {
    error = "more than one column could be the " + std::string(RoleEntry(role).label) + ": " +
            Candidates(names, matches);
    return -2;
  }
  return static_cast<std::int32_t>(matches[0]);
}

}  // namespace

TableView<ColumnRole> ColumnRoles() noexcept { return {kRoles.data(), kRoles.size()}; }
TableView<ColumnName> ColumnNames() noexcept { return {kNames, std::size(kNames)}; }

std::int32_t ColumnRoleOf(std::string_view header) noexcept {
  try {
    const std::string folded = Folded(header);
    if (folded.empty()) return 0;
    for (const ColumnName& name : kNames)
      if (Folded(name.name) == folded) return name.role;
    // The properties' own names ("LatDmsDeg", "X2008") and the roles' keys.
    for (const ColumnRole& role : kRoles)
      if (Folded(role.key) == folded) return role.role;
  } catch (...) {
  }
  return 0;
}

TableView<std::int32_t> KindRoles(std::int32_t kind) noexcept {
  const auto view = [](const auto& roles) { return TableView<std::int32_t>{roles, std::size(roles)}; };
  switch (kind) {
    case mvDeg: return view(kDegRoles);
    case mvDegMinSec: return view(kDmsRoles);
    case mvLambert72: return view(kLambertRoles);
    case mvLambert2008: return view(kLambert2008Roles);
    case mvMgrs: return view(kMgrsRoles);
    case mvIFBL: return view(kIfblRoles);
    default: return {};
  }
}

int FindColumns(const std::vector<std::string>& names, ColumnChoice& columns, std::string& error) {
  columns.found_kind = 0;
  columns.datum_column = -1;
  columns.problem = MORVANE_COLUMNS_FOUND;
  std::fill(std::begin(columns.column), std::end(columns.column), -1);
  if (columns.kind != 0 && !KindByNumber(columns.kind)) return MORVANE_E_KIND;

  std::vector<std::string> folded;
  for (const std::string& name : names) folded.push_back(Folded(name));

  // The kinds to look for, tier by tier: a later tier only when nothing
  // of the earlier ones was found, so that a file that has the columns of
  // both converts as it always did.
  std::vector<std::vector<std::int32_t>> tiers;
  if (columns.kind != 0) tiers = {{columns.kind}};
  else if (columns.codes_only) tiers = {{mvMgrs, mvIFBL}};
  else tiers = {{mvDeg, mvLambert72, mvMgrs, mvIFBL}, {mvLambert2008, mvDegMinSec}};

  std::vector<Found> found;
  for (const auto& tier : tiers) {
    for (const std::int32_t kind : tier) {
      Found kindFound{};
      bool all = false;
      if (!FindKind(names, folded, kind, kindFound, all, error))
        return Refuse(columns, MORVANE_COLUMNS_SEVERAL_NAMES);
      if (all) found.push_back(kindFound);
    }
    if (!found.empty()) break;
  }
  if (found.size() > 1) {
    error = "the header has columns for more than one input kind (";
    for (std::size_t f = 0; f < found.size(); ++f) {
      if (f) error += "; ";
      error += KindKey(found[f].kind);
      error += ':';
      bool first = true;
      for (const std::int32_t role : KindRoles(found[f].kind)) {
        error += first ? " " : ", ";
        error += Column(names, static_cast<std::size_t>(found[f].column[static_cast<std::size_t>(role)]));
        first = false;
      }
    }
    error += ")";
    return Refuse(columns, MORVANE_COLUMNS_SEVERAL_KINDS);
  }

  std::int32_t datumRole = 0;
  if (found.size() == 1) {
    columns.found_kind = found[0].kind;
    std::copy(found[0].column.begin(), found[0].column.end(), columns.column);
    // The datum of each row's degrees, where the file says it.
    if (found[0].kind == mvDeg || found[0].kind == mvDegMinSec) datumRole = MORVANE_COLUMN_GEODETIC_DATUM;
  } else {
    // Rows that say their own kind, when the codes alone are not asked for.
    const std::int32_t verbatim =
        columns.codes_only ? -1 : OneColumn(names, folded, MORVANE_COLUMN_VERBATIM_COORDINATES, error);
    if (verbatim == -2) return Refuse(columns, MORVANE_COLUMNS_SEVERAL_NAMES);
    if (verbatim < 0) {
      if (columns.kind != 0) {
        error = "no columns for " + KindKey(columns.kind) + " input in the header";
        std::string looked;
        for (const std::int32_t role : KindRoles(columns.kind)) {
          if (!looked.empty()) looked += ", ";
          looked += RoleEntry(role).label;
        }
        error += " (looked for the usual names of " + looked + ")";
      } else if (columns.codes_only) {
        error = "no ifbl or mgrs column in the header for the squares";
      } else {
        error = "no coordinate columns found in the header (latitude and longitude, Lambert X "
                "and Y, MGRS, IFBL or Darwin Core verbatimCoordinates by their usual names)";
      }
      return Refuse(columns, MORVANE_COLUMNS_NONE);
    }
    columns.column[MORVANE_COLUMN_VERBATIM_COORDINATES] = verbatim;
    const std::int32_t system = OneColumn(names, folded, MORVANE_COLUMN_VERBATIM_SYSTEM, error);
    if (system == -2) return Refuse(columns, MORVANE_COLUMNS_SEVERAL_NAMES);
    columns.column[MORVANE_COLUMN_VERBATIM_SYSTEM] = system;
    datumRole = MORVANE_COLUMN_VERBATIM_SRS;
  }
  if (datumRole != 0) {
    const std::int32_t datum = OneColumn(names, folded, datumRole, error);
    if (datum == -2) return Refuse(columns, MORVANE_COLUMNS_SEVERAL_NAMES);
    columns.column[datumRole] = datum;
    columns.datum_column = datum;
  }

  if (columns.height) {
    const std::vector<std::size_t> matches = Matches(folded, MORVANE_COLUMN_HEIGHT);
    if (matches.empty()) {
      error = "no height column in the header (looked for " + NamesOf(MORVANE_COLUMN_HEIGHT) + ")";
      return Refuse(columns, MORVANE_COLUMNS_NO_HEIGHT);
    }
    if (matches.size() > 1) {
      error = "more than one column could be the height: " + Candidates(names, matches);
      return Refuse(columns, MORVANE_COLUMNS_SEVERAL_HEIGHTS);
    }
    columns.column[MORVANE_COLUMN_HEIGHT] = static_cast<std::int32_t>(matches[0]);
  }
  return MORVANE_OK;
}

}  // namespace morvane

extern "C" {

int32_t morvane_column_role_count(void) { return MORVANE_COLUMN_ROLES; }
const morvane_column_role* morvane_column_role_at(int32_t index) {
  return index >= 0 && index < MORVANE_COLUMN_ROLES ? &morvane::kRoles[static_cast<std::size_t>(index)]
                                                    : nullptr;
}
int32_t morvane_column_name_count(void) {
  return static_cast<int32_t>(std::size(morvane::kNames));
}
const morvane_column_name* morvane_column_name_at(int32_t index) {
  return index >= 0 && index < morvane_column_name_count()
             ? &morvane::kNames[static_cast<std::size_t>(index)]
             : nullptr;
}
int32_t morvane_column_role_of(const char* header) {
  return header ? morvane::ColumnRoleOf(header) : 0;
}

int morvane_find_columns(const char* const* names, ptrdiff_t count, morvane_columns* columns,
                         char* error, size_t error_size) {
  if (!columns || (!names && count > 0) || (!error && error_size > 0)) return MORVANE_E_NULL_POINTER;
  if (count < 0) return MORVANE_E_COUNT;
  try {
    std::vector<std::string> header;
    for (ptrdiff_t i = 0; i < count; ++i) header.emplace_back(names[i] ? names[i] : "");
    std::string reason;
    const int status = morvane::FindColumns(header, *columns, reason);
    if (error_size > 0) morvane::CopyText(reason, error, error_size);
    return status;
  } catch (...) {
    return MORVANE_E_NO_MEMORY;
  }
}

}  // extern "C"
