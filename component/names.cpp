// The table of the interface's names: input kinds, datums, properties.
// Every front end takes these from here; nothing else writes them out.
#include <morvane/names.hpp>

#include <morvane/columns.hpp>
#include <morvane/survey.hpp>

#include <morvane/failure.hpp>
#include <morvane/zediz_ado.hpp>

#include <algorithm>
#include <array>
#include <span>
#include <utility>
#include <cstdio>
#include <cstring>
#include <string>

#include "component/c_text.hpp"
#include "component/json_writer.hpp"
#include "datum/catalogue.hpp"

namespace morvane {

namespace {

constexpr std::int32_t Kinds(std::initializer_list<std::int32_t> kinds) {
  std::int32_t bits = 0;
  for (const auto kind : kinds) bits |= std::int32_t{1} << kind;
  return bits;
}

// The object's kinds and datums, then those of the batch call alone.
constexpr std::array<KindName, 6> kKinds{{
    {mvMgrs, "mvMgrs", "mgrs", "MGRS reference", "MGRS", 1, 0},
    {mvDeg, "mvDeg", "deg", "decimal degrees", "Latitude,Longitude", 1, 0},
    {mvIFBL, "mvIFBL", "ifbl", "IFBL square", "IFBL", 1, 0},
    {mvLambert72, "mvLambert72", "lambert", "Belgian Lambert 1972", "X,Y", 1, 31370},
    {mvDegMinSec, "mvDegMinSec", "dms", "degrees, minutes and seconds",
     "LatDmsDeg,LatDmsMin,LatDmsSec,LonDmsDeg,LonDmsMin,LonDmsSec", 1, 0},
    {mvLambert2008, "mvLambert2008", "lambert2008", "Belgian Lambert 2008", "X,Y", 0, 3812},
}};

constexpr std::array<DatumName, 5> kDatums{{
    {mvEuropeanData1950, "mvEuropeanData1950", "ed50", "European 1950", datum::kDatumNames[0], 4230, 1},
    {mvBelgium1972, "mvBelgium1972", "bd72", "Belgian 1972", datum::kDatumNames[1], 4313, 1},
    {mvWGS1984, "mvWGS1984", "wgs84", "WGS 1984", datum::kDatumNames[2], 4326, 1},
    {mvNTF, "mvNTF", "ntf", "NTF", datum::kDatumNames[3], 4275, 1},
    {mvETRS89, "mvETRS89", "etrs89", "ETRS89", "European Terrestrial Reference System 1989", 4258, 0},
}};

// The steps of a point's Route.  The accuracies are those the sources
// state: the agency's for its grid; for the three-parameter shifts, the
// spread of their mean parameters (for BD72, the largest difference from
// the grid over Belgium); WGS 1984 and ETRS89 differ by under a metre in
// Belgium today.
constexpr std::array<morvane_step_name, 5> kSteps{{
    {kStepGrid, "grid", "grid BD72\u2192ETRS89 (EPSG:8369)", 0.01},
    {kStepShiftBd72, "shift_bd72", "three-parameter shift BD72\u2192WGS 84", 1.5},
    {kStepShiftEd50, "shift_ed50", "three-parameter shift ED50\u2192WGS 84", 5},
    {kStepShiftNtf, "shift_ntf", "three-parameter shift NTF\u2192WGS 84", 5},
    {kStepWgs84AsEtrs89, "wgs84_as_etrs89", "WGS 84 taken for ETRS89", 1},
}};

constexpr std::int32_t kGetPut = MORVANE_ACCESS_GET | MORVANE_ACCESS_PUT;
constexpr std::int32_t kAll = kGetPut | MORVANE_ACCESS_OUTPUT;
constexpr std::int32_t kDms = Kinds({mvDegMinSec});

// The settings of the batch call's version 2, by number.
struct SettingName {
  std::int32_t number;
  const char* key;
  const char* label;
};
constexpr std::array<SettingName, 2> kMethods{{
    {MORVANE_METHOD_SHIFT, "shift", "three-parameter shift through WGS 84"},
    {MORVANE_METHOD_GRID, "grid", "grid BD72\u2192ETRS89 (EPSG:8369)"},
}};
constexpr std::array<SettingName, 3> kHeightKinds{{
    {MORVANE_HEIGHT_NONE, "none", "no height"},
    {MORVANE_HEIGHT_ELLIPSOIDAL, "ellipsoidal", "ETRS89 ellipsoidal height"},
    {MORVANE_HEIGHT_OSTEND, "ostend", "Ostend height (EPSG:5710)"},
}};

// In the order of the batch call's output columns, then the settings,
// then the columns of BatchExtra's version 2.
constexpr std::array<PropertyName, 27> kProperties{{
    {"Latitude", MORVANE_TYPE_DOUBLE, kAll, Kinds({mvDeg})},
    {"Longitude", MORVANE_TYPE_DOUBLE, kAll, Kinds({mvDeg})},
    {"LatDmsDeg", MORVANE_TYPE_INT16, kAll, kDms},
    {"LatDmsMin", MORVANE_TYPE_INT16, kAll, kDms},
    {"LatDmsSec", MORVANE_TYPE_FLOAT, kAll, kDms},
    {"LonDmsDeg", MORVANE_TYPE_INT16, kAll, kDms},
    {"LonDmsMin", MORVANE_TYPE_INT16, kAll, kDms},
    {"LonDmsSec", MORVANE_TYPE_FLOAT, kAll, kDms},
    {"X", MORVANE_TYPE_DOUBLE, kAll, Kinds({mvLambert72, mvLambert2008})},
    {"Y", MORVANE_TYPE_DOUBLE, kAll, Kinds({mvLambert72, mvLambert2008})},
    {"Northing", MORVANE_TYPE_DOUBLE, kAll, 0},
    {"Easting", MORVANE_TYPE_DOUBLE, kAll, 0},
    {"MGRS", MORVANE_TYPE_TEXT, kAll, Kinds({mvMgrs})},
    {"IFBL", MORVANE_TYPE_TEXT, kAll, Kinds({mvIFBL})},
    {"Error", MORVANE_TYPE_TEXT, MORVANE_ACCESS_GET | MORVANE_ACCESS_OUTPUT, 0},
    {"OrigType", MORVANE_TYPE_INT32, kGetPut, 0},
    {"DatumFrom", MORVANE_TYPE_INT32, MORVANE_ACCESS_PUT, 0},
    {"DatumDest", MORVANE_TYPE_INT32, MORVANE_ACCESS_PUT, 0},
    {"mgrsPrecision", MORVANE_TYPE_INT32, kGetPut, 0},
    {"IfblPrecision", MORVANE_TYPE_INT16, kGetPut, 0},
    {"X2008", MORVANE_TYPE_DOUBLE, MORVANE_ACCESS_EXTRA, 0},
    {"Y2008", MORVANE_TYPE_DOUBLE, MORVANE_ACCESS_EXTRA, 0},
    {"EllipsoidalHeight", MORVANE_TYPE_DOUBLE, MORVANE_ACCESS_EXTRA, 0},
    {"OstendHeight", MORVANE_TYPE_DOUBLE, MORVANE_ACCESS_EXTRA, 0},
    {"Route", MORVANE_TYPE_INT32, MORVANE_ACCESS_EXTRA, 0},
    {"Accuracy", MORVANE_TYPE_DOUBLE, MORVANE_ACCESS_EXTRA, 0},
    {"Height", MORVANE_TYPE_DOUBLE, MORVANE_ACCESS_INPUT, 0},
}};

char Folded(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Equal but for letter case and blanks.
bool SameName(std::string_view written, std::string_view name) {
  std::size_t j = 0;
  for (const char c : written) {
    if (c == ' ' || c == '\t') continue;
    if (j == name.size() || Folded(c) != Folded(name[j])) return false;
    ++j;
  }
  return j == name.size();
}

template <typename Table>
auto Find(const Table& table, std::string_view name, bool numbers) -> decltype(&table[0]) {
  for (const auto& entry : table) {
    if (SameName(name, entry.key) || SameName(name, entry.member)) return &entry;
    if (numbers && SameName(name, std::to_string(entry.number))) return &entry;
  }
  return nullptr;
}

template <typename Table>
auto AtNumber(const Table& table, std::int32_t number) -> decltype(&table[0]) {
  for (const auto& entry : table)
    if (entry.number == number) return &entry;
  return nullptr;
}

const char* TypeName(std::int32_t type) {
  switch (type) {
    case MORVANE_TYPE_DOUBLE: return "double";
    case MORVANE_TYPE_FLOAT: return "float";
    case MORVANE_TYPE_INT16: return "int16";
    case MORVANE_TYPE_INT32: return "int32";
    default: return "text";
  }
}

std::string MakeJson() {
  JsonWriter json;
  json.Open('{');
  json.Key("kinds");
  json.Open('[');
  for (const auto& k : kKinds) {
    json.Open('{');
    json.Field("number", k.number);
    json.Field("member", k.member);
    json.Field("key", k.key);
    json.Field("label", k.label);
    json.Key("inputs");
    json.Open('[');
    for (std::string_view inputs = k.inputs; !inputs.empty();) {
      const auto comma = inputs.find(',');
      json.Value(inputs.substr(0, comma));
      inputs = comma == std::string_view::npos ? std::string_view{} : inputs.substr(comma + 1);
    }
    json.Close(']');
    json.Field("object", k.object != 0);
    json.Field("epsg", k.epsg);
    json.Close('}');
  }
  json.Close(']');
  json.Key("datums");
  json.Open('[');
  for (const auto& d : kDatums) {
    json.Open('{');
    json.Field("number", d.number);
    json.Field("member", d.member);
    json.Field("key", d.key);
    json.Field("label", d.label);
    json.Field("title", d.title);
    json.Field("epsg", d.epsg);
    json.Field("object", d.object != 0);
    json.Close('}');
  }
  json.Close(']');
  json.Key("properties");
  json.Open('[');
  for (const auto& p : kProperties) {
    json.Open('{');
    json.Field("name", p.name);
    json.Field("type", TypeName(p.type));
    json.Field("get", (p.access & MORVANE_ACCESS_GET) != 0);
    json.Field("put", (p.access & MORVANE_ACCESS_PUT) != 0);
    json.Field("output", (p.access & MORVANE_ACCESS_OUTPUT) != 0);
    json.Field("extra", (p.access & MORVANE_ACCESS_EXTRA) != 0);
    json.Field("input", (p.access & MORVANE_ACCESS_INPUT) != 0);
    json.Key("inputOf");
    json.Open('[');
    for (const auto& k : kKinds)
      if (p.kinds & (std::int32_t{1} << k.number)) json.Value(k.key);
    json.Close(']');
    json.Close('}');
  }
  json.Close(']');
  json.Key("failures");
  json.Open('[');
  for (int code = 1; code <= 5; ++code) {
    json.Open('{');
    json.Field("code", code);
    json.Field("name", FailureName(static_cast<FailureKind>(code)));
    json.Close('}');
  }
  json.Close(']');
  json.Key("messages");
  json.Open('[');
  for (const char* text :
       {message::kDatumNotSet, message::kUnknownOrigType, message::kUnknownDatumFrom,
        message::kUnknownDatumDest, message::kBadDeg, message::kBadDms, message::kBadLambert,
        message::kBadIfbl, message::kBadMgrsPrefix, message::kBadLambert2008,
        message::kOutsideShiftGrid, message::kOutsideGeoid, message::kBadHeight,
        message::kHeightNotEtrs89, message::kNoGrids})
    json.Value(text);
  json.Close(']');
  // The settings of the batch call's second version, each table alike.
  for (const auto& [key, table] :
       {std::pair{"methods", std::span<const SettingName>(kMethods)},
        std::pair{"heightKinds", std::span<const SettingName>(kHeightKinds)}}) {
    json.Key(key);
    json.Open('[');
    for (const auto& entry : table) {
      json.Open('{');
      json.Field("number", entry.number);
      json.Field("key", entry.key);
      json.Field("label", entry.label);
      json.Close('}');
    }
    json.Close(']');
  }
  // The names of the columns of tables, by role.
  json.Key("columns");
  json.Open('[');
  for (const ColumnRole& role : ColumnRoles()) {
    json.Open('{');
    json.Field("role", role.role);
    json.Field("key", role.key);
    json.Field("label", role.label);
    json.Key("names");
    json.Open('[');
    for (const ColumnName& name : ColumnNames()) {
      if (name.role != role.role) continue;
      json.Open('{');
      json.Field("name", name.name);
      json.Field("language", name.language);
      json.Close('}');
    }
    json.Close(']');
    json.Close('}');
  }
  json.Close(']');
  json.Key("steps");
  json.Open('[');
  for (const auto& step : kSteps) {
    json.Open('{');
    json.Field("bit", step.bit);
    json.Field("key", step.key);
    json.Field("text", step.text);
    json.Field("accuracy", step.accuracy);
    json.Close('}');
  }
  json.Close(']');
  json.Close('}');
  return std::move(json.text);
}

}  // namespace

NameTables Names() noexcept {
  return {kKinds.data(), kKinds.size(), kDatums.data(), kDatums.size(), kProperties.data(),
          kProperties.size()};
}

const KindName* KindByName(std::string_view name) noexcept { return Find(kKinds, name, false); }
const DatumName* DatumByName(std::string_view name) noexcept { return Find(kDatums, name, true); }
const KindName* KindByNumber(std::int32_t number) noexcept { return AtNumber(kKinds, number); }
const DatumName* DatumByNumber(std::int32_t number) noexcept { return AtNumber(kDatums, number); }

std::int32_t MethodByName(std::string_view name) noexcept {
  for (const auto& m : kMethods)
    if (SameName(name, m.key) || SameName(name, std::to_string(m.number))) return m.number;
  return -1;
}
std::int32_t HeightKindByName(std::string_view name) noexcept {
  for (const auto& h : kHeightKinds)
    if (SameName(name, h.key) || SameName(name, std::to_string(h.number))) return h.number;
  return -1;
}

std::string RouteText(std::int32_t route) {
  std::string text;
  for (const auto& step : kSteps) {
    if (!(route & step.bit)) continue;
    if (!text.empty()) text += "; ";
    text += step.text;
  }
  return text.empty() ? "none" : text;
}

double RouteAccuracy(std::int32_t route) noexcept {
  double sum = 0;
  for (const auto& step : kSteps)
    if (route & step.bit) sum += step.accuracy;
  return sum;
}

const PropertyName* PropertyByName(std::string_view name) noexcept {
  for (const auto& entry : kProperties)
    if (name == entry.name) return &entry;
  return nullptr;
}

}  // namespace morvane

extern "C" {

int32_t morvane_kind_count(void) { return static_cast<int32_t>(morvane::kKinds.size()); }
const morvane_kind_name* morvane_kind_at(int32_t index) {
  return index >= 0 && index < morvane_kind_count() ? &morvane::kKinds[static_cast<std::size_t>(index)]
                                                    : nullptr;
}
int32_t morvane_datum_count(void) { return static_cast<int32_t>(morvane::kDatums.size()); }
const morvane_datum_name* morvane_datum_at(int32_t index) {
  return index >= 0 && index < morvane_datum_count()
             ? &morvane::kDatums[static_cast<std::size_t>(index)]
             : nullptr;
}
int32_t morvane_property_count(void) { return static_cast<int32_t>(morvane::kProperties.size()); }
const morvane_property_name* morvane_property_at(int32_t index) {
  return index >= 0 && index < morvane_property_count()
             ? &morvane::kProperties[static_cast<std::size_t>(index)]
             : nullptr;
}
int32_t morvane_step_count(void) { return static_cast<int32_t>(morvane::kSteps.size()); }
const morvane_step_name* morvane_step_at(int32_t index) {
  return index >= 0 && index < morvane_step_count() ? &morvane::kSteps[static_cast<std::size_t>(index)]
                                                    : nullptr;
}
ptrdiff_t morvane_route_text(int32_t route, char* buffer, size_t size) {
  try {
    return morvane::CopyText(morvane::RouteText(route), buffer, size);
  } catch (...) {
    return MORVANE_E_NO_MEMORY;
  }
}
double morvane_route_accuracy(int32_t route) { return morvane::RouteAccuracy(route); }
int32_t morvane_method_by_name(const char* name) { return name ? morvane::MethodByName(name) : -1; }
int32_t morvane_height_kind_by_name(const char* name) {
  return name ? morvane::HeightKindByName(name) : -1;
}
int32_t morvane_kind_by_name(const char* name) {
  const auto* kind = name ? morvane::KindByName(name) : nullptr;
  return kind ? kind->number : 0;
}
int32_t morvane_datum_by_name(const char* name) {
  const auto* datum = name ? morvane::DatumByName(name) : nullptr;
  return datum ? datum->number : 0;
}
const char* morvane_names_json(void) {
  try {
    static const std::string json = morvane::MakeJson();
    return json.c_str();
  } catch (...) {
    return nullptr;  // no memory for it (a later call tries again)
  }
}

}  // extern "C"
