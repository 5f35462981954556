// The table of the interface's names: input kinds, datums, properties.
// Every front end takes these from here; nothing else writes them out.
#include <morvane/names.hpp>

#include <morvane/failure.hpp>
#include <morvane/zediz_ado.hpp>

#include <array>
#include <cstring>
#include <string>

#include "datum/catalogue.hpp"

namespace morvane {

namespace {

constexpr std::int32_t Kinds(std::initializer_list<OriginalCoordinates> kinds) {
  std::int32_t bits = 0;
  for (const auto kind : kinds) bits |= std::int32_t{1} << kind;
  return bits;
}

constexpr std::array<KindName, 5> kKinds{{
    {mvMgrs, "mvMgrs", "mgrs", "MGRS reference", "MGRS"},
    {mvDeg, "mvDeg", "deg", "decimal degrees", "Latitude,Longitude"},
    {mvIFBL, "mvIFBL", "ifbl", "IFBL square", "IFBL"},
    {mvLambert72, "mvLambert72", "lambert", "Belgian Lambert 1972", "X,Y"},
    {mvDegMinSec, "mvDegMinSec", "dms", "degrees, minutes and seconds",
     "LatDmsDeg,LatDmsMin,LatDmsSec,LonDmsDeg,LonDmsMin,LonDmsSec"},
}};

constexpr std::array<DatumName, 4> kDatums{{
    {mvEuropeanData1950, "mvEuropeanData1950", "ed50", "European 1950", datum::kDatumNames[0], 4230},
    {mvBelgium1972, "mvBelgium1972", "bd72", "Belgian 1972", datum::kDatumNames[1], 4313},
    {mvWGS1984, "mvWGS1984", "wgs84", "WGS 1984", datum::kDatumNames[2], 4326},
    {mvNTF, "mvNTF", "ntf", "NTF", datum::kDatumNames[3], 4275},
}};

constexpr std::int32_t kGetPut = MORVANE_ACCESS_GET | MORVANE_ACCESS_PUT;
constexpr std::int32_t kAll = kGetPut | MORVANE_ACCESS_OUTPUT;
constexpr std::int32_t kDms = Kinds({mvDegMinSec});

// In the order of the batch call's output columns, then the settings.
constexpr std::array<PropertyName, 20> kProperties{{
    {"Latitude", MORVANE_TYPE_DOUBLE, kAll, Kinds({mvDeg})},
    {"Longitude", MORVANE_TYPE_DOUBLE, kAll, Kinds({mvDeg})},
    {"LatDmsDeg", MORVANE_TYPE_INT16, kAll, kDms},
    {"LatDmsMin", MORVANE_TYPE_INT16, kAll, kDms},
    {"LatDmsSec", MORVANE_TYPE_FLOAT, kAll, kDms},
    {"LonDmsDeg", MORVANE_TYPE_INT16, kAll, kDms},
    {"LonDmsMin", MORVANE_TYPE_INT16, kAll, kDms},
    {"LonDmsSec", MORVANE_TYPE_FLOAT, kAll, kDms},
    {"X", MORVANE_TYPE_DOUBLE, kAll, Kinds({mvLambert72})},
    {"Y", MORVANE_TYPE_DOUBLE, kAll, Kinds({mvLambert72})},
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

// JSON of the tables, made once.  The texts hold no control characters.
class JsonWriter {
 public:
  std::string text;

  void Open(char bracket) { Separate(), text += bracket, first_ = true; }
  void Close(char bracket) { text += bracket, first_ = false; }
  void Key(std::string_view key) {
    Separate();
    Quoted(key);
    text += ':';
    first_ = true;  // the value follows without a comma
  }
  void Value(std::string_view value) { Separate(), Quoted(value); }
  void Value(const char* value) { Value(std::string_view(value)); }
  void Value(std::int32_t value) { Separate(), text += std::to_string(value); }
  void Value(bool value) { Separate(), text += value ? "true" : "false"; }
  template <typename T>
  void Field(std::string_view key, T value) {
    Key(key);
    Value(value);
  }

 private:
  void Separate() {
    if (!first_) text += ',';
    first_ = false;
  }
  void Quoted(std::string_view value) {
    text += '"';
    for (const char c : value) {
      if (c == '"' || c == '\\') text += '\\';
      text += c;
    }
    text += '"';
  }
  bool first_ = true;
};

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
        message::kBadIfbl, message::kBadMgrsPrefix})
    json.Value(text);
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
