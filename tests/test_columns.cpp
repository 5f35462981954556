// Tables as people write them: the names of columns, the choice of a
// header's columns, and rows that say their own kind and datum, each row
// against a fresh object given what the row says.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <morvane/batch.hpp>
#include <morvane/columns.hpp>
#include <morvane/failure.hpp>
#include <morvane/names.hpp>
#include <morvane/survey.hpp>

namespace morvane {
namespace {

TEST(Columns, EveryNameOfTheTableAndItsSpellingsNameItsRole) {
  ASSERT_GT(morvane_column_name_count(), 100);
  for (std::int32_t i = 0; i < morvane_column_name_count(); ++i) {
    const morvane_column_name* entry = morvane_column_name_at(i);
    SCOPED_TRACE(entry->name);
    EXPECT_EQ(morvane_column_role_of(entry->name), entry->role);
    // Letter case and separators do not count.
    std::string upper = entry->name, spaced;
    for (char& c : upper)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    for (char c : std::string(entry->name)) spaced += c == '_' ? std::string(" - ") : std::string(1, c);
    EXPECT_EQ(ColumnRoleOf(upper), entry->role);
    EXPECT_EQ(ColumnRoleOf(" " + spaced + " "), entry->role);
    const std::string language = entry->language;
    EXPECT_TRUE(language == "en" || language == "nl" || language == "fr" || language == "de" ||
                language == "dwc");
  }
  // Names no two roles share, and the role table in role order.
  for (std::int32_t r = 0; r < morvane_column_role_count(); ++r)
    EXPECT_EQ(morvane_column_role_at(r)->role, r + 1);
  EXPECT_EQ(morvane_column_role_at(morvane_column_role_count()), nullptr);
}

TEST(Columns, HeaderNamesAsPeopleWriteThem) {
  const struct {
    const char* header;
    std::int32_t role;
  } cases[] = {
      {"decimalLatitude", MORVANE_COLUMN_LATITUDE},   {"decimal_latitude", MORVANE_COLUMN_LATITUDE},
      {"Decimal Latitude", MORVANE_COLUMN_LATITUDE},  {"BREEDTEGRAAD", MORVANE_COLUMN_LATITUDE},
      {"Breite", MORVANE_COLUMN_LATITUDE},            {"Länge", MORVANE_COLUMN_LONGITUDE},
      {"decimalLongitude", MORVANE_COLUMN_LONGITUDE}, {"x_lambert72", MORVANE_COLUMN_X},
      {"Lambert72 X", MORVANE_COLUMN_X},              {"coord_x", MORVANE_COLUMN_X},
      {"coord-y", MORVANE_COLUMN_Y},                  {"X2008", MORVANE_COLUMN_X2008},
      {"LatDmsSec", MORVANE_COLUMN_LAT_DMS_SEC},      {"lon.min", MORVANE_COLUMN_LON_DMS_MIN},
      {"IFBL-hok", MORVANE_COLUMN_IFBL},              {"uurhok", MORVANE_COLUMN_IFBL},
      {"MGRS", MORVANE_COLUMN_MGRS},                  {"TAW", MORVANE_COLUMN_HEIGHT},
      {"verbatimCoordinates", MORVANE_COLUMN_VERBATIM_COORDINATES},
      {"verbatim_coordinate_system", MORVANE_COLUMN_VERBATIM_SYSTEM},
      {"verbatimSRS", MORVANE_COLUMN_VERBATIM_SRS},   {"geodeticDatum", MORVANE_COLUMN_GEODETIC_DATUM},
      {"gbifID", 0}, {"", 0}, {"latitudes", 0}, {"xy", 0}, {"coordinateUncertaintyInMeters", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ColumnRoleOf(c.header), c.role) << c.header;
  EXPECT_EQ(morvane_column_role_of(nullptr), 0);
}

// A header, split at commas.
std::vector<std::string> Header(const std::string& line) {
  std::vector<std::string> names;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = line.find(',', start);
    names.push_back(line.substr(start, comma - start));
    if (comma == std::string::npos) return names;
    start = comma + 1;
  }
}

TEST(Columns, AHeadersColumnsAreChosenOrRefusedWithTheCandidates) {
  const struct {
    const char* header;
    std::int32_t kind, codesOnly, height;  // asked
    int status;
    std::int32_t found;
    std::vector<std::pair<std::int32_t, std::int32_t>> columns;  // role, column
    std::int32_t datumColumn;
    const char* error;
  } cases[] = {
      // A GBIF download: the degrees and their datum, whatever else is there.
      {"gbifID,species,decimalLatitude,decimalLongitude,coordinateUncertaintyInMeters,geodeticDatum,"
       "verbatimCoordinates",
       0, 0, 0, MORVANE_OK, mvDeg, {{MORVANE_COLUMN_LATITUDE, 2}, {MORVANE_COLUMN_LONGITUDE, 3}}, 5, ""},
      // Darwin Core rows that say their kind.
      {"id,verbatimCoordinates,verbatimCoordinateSystem,verbatimSRS", 0, 0, 0, MORVANE_OK, 0,
       {{MORVANE_COLUMN_VERBATIM_COORDINATES, 1}, {MORVANE_COLUMN_VERBATIM_SYSTEM, 2}}, 3, ""},
      {"verbatimCoordinates", mvIFBL, 0, 0, MORVANE_OK, 0, {{MORVANE_COLUMN_VERBATIM_SYSTEM, -1}}, -1, ""},
      {"naam,x_lambert72,y_lambert72", 0, 0, 0, MORVANE_OK, mvLambert72,
       {{MORVANE_COLUMN_X, 1}, {MORVANE_COLUMN_Y, 2}}, -1, ""},
      {"X2008,Y2008", 0, 0, 0, MORVANE_OK, mvLambert2008, {{MORVANE_COLUMN_X2008, 0}}, -1, ""},
      {"lat_deg,lat_min,lat_sec,lon_deg,lon_min,lon_sec", 0, 0, 0, MORVANE_OK, mvDegMinSec,
       {{MORVANE_COLUMN_LON_DMS_SEC, 5}}, -1, ""},
      {"Breite,Länge,Höhe", 0, 0, 1, MORVANE_OK, mvDeg, {{MORVANE_COLUMN_HEIGHT, 2}}, -1, ""},
      {"lat,lon,mgrs,ifbl", 0, 1, 0, MORVANE_E_COLUMNS, 0, {}, -1,
       "the header has columns for more than one input kind (mgrs: 'mgrs' (3); ifbl: 'ifbl' (4))"},
      {"lat,lon,x,y", 0, 0, 0, MORVANE_E_COLUMNS, 0, {}, -1,
       "the header has columns for more than one input kind (deg: 'lat' (1), 'lon' (2); lambert: "
       "'x' (3), 'y' (4))"},
      {"Breedte,lon,Lat", 0, 0, 0, MORVANE_E_COLUMNS, 0, {}, -1,
       "more than one column could be the latitude: 'Breedte' (1), 'Lat' (3)"},
      {"verbatimCoordinates,verbatim_coordinates", 0, 0, 0, MORVANE_E_COLUMNS, 0, {}, -1,
       "more than one column could be the verbatim coordinates"},
      {"naam,waarde", 0, 0, 0, MORVANE_E_COLUMNS, 0, {}, -1, "no coordinate columns found"},
      {"lat,lon", mvIFBL, 0, 0, MORVANE_E_COLUMNS, 0, {}, -1,
       "no columns for ifbl input in the header (looked for the usual names of IFBL)"},
      {"lat,lon", 0, 0, 1, MORVANE_E_COLUMNS, 0, {}, -1, "no height column in the header"},
      {"lat,lon,h,hoogte", 0, 0, 1, MORVANE_E_COLUMNS, 0, {}, -1,
       "more than one column could be the height: 'h' (3), 'hoogte' (4)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    ColumnChoice columns{};
    columns.size = sizeof columns;
    columns.kind = c.kind;
    columns.codes_only = c.codesOnly;
    columns.height = c.height;
    const std::vector<std::string> names = Header(c.header);
    std::vector<const char*> pointers;
    for (const std::string& name : names) pointers.push_back(name.c_str());
    char error[300];
    EXPECT_EQ(morvane_find_columns(pointers.data(), static_cast<ptrdiff_t>(pointers.size()), &columns,
                                   error, sizeof error),
              c.status);
    EXPECT_NE(std::string(error).find(c.error), std::string::npos) << error;
    if (c.status != MORVANE_OK) {
      EXPECT_NE(columns.problem, MORVANE_COLUMNS_FOUND);
      continue;
    }
    EXPECT_EQ(columns.found_kind, c.found);
    EXPECT_EQ(columns.datum_column, c.datumColumn);
    for (const auto& [role, column] : c.columns) EXPECT_EQ(columns.column[role], column) << role;
  }
  ColumnChoice columns{};
  EXPECT_EQ(morvane_find_columns(nullptr, 1, &columns, nullptr, 0), MORVANE_E_NULL_POINTER);
  columns.kind = 9;
  EXPECT_EQ(morvane_find_columns(nullptr, 0, &columns, nullptr, 0), MORVANE_E_KIND);
}

TEST(Columns, SystemsAndDatumsAsRowsWriteThem) {
  const struct {
    const char* text;
    std::int32_t kind, datum;
  } cases[] = {
      {"decimal degrees", mvDeg, 0},           {"Degrees Minutes Seconds", mvDeg, 0},
      {"degrees decimal minutes", mvDeg, 0},   {"EPSG:4326", mvDeg, mvWGS1984},
      {"urn:ogc:def:crs:EPSG::4326", mvDeg, mvWGS1984},
      {"IFBL", mvIFBL, 0},                     {"ifbl-hok", mvIFBL, 0},
      {"MGRS", mvMgrs, 0},                     {"Belgian Lambert 72", mvLambert72, 0},
      {"EPSG:31370", mvLambert72, mvBelgium1972}, {"Lambert 2008", mvLambert2008, 0},
      {"EPSG:3812", mvLambert2008, mvETRS89},  {"WGS84", 0, mvWGS1984},
      {"WGS 1984", 0, mvWGS1984},              {"ED50", 0, mvEuropeanData1950},
      {"EPSG:4230", mvDeg, mvEuropeanData1950}, {"BD72", 0, mvBelgium1972},
      {"Belge 1972", 0, mvBelgium1972},        {"EPSG:4313", mvDeg, mvBelgium1972},
      {"NTF", 0, mvNTF},                       {"EPSG:4275", mvDeg, mvNTF},
      {"ETRS89", 0, mvETRS89},                 {"mvWGS1984", 0, mvWGS1984},
      {"UTM", 0, 0},                           {"EPSG:4807", 0, 0},
      {"3", 0, 0},                             {"", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(morvane_kind_of_system(c.text), c.kind);
    EXPECT_EQ(morvane_datum_of_srs(c.text), c.datum);
  }
  for (const char* unstated : {"", "  ", "unknown", "Not Recorded"}) EXPECT_TRUE(SrsUnstated(unstated));
  EXPECT_FALSE(SrsUnstated("WGS84"));
}

template <typename T>
auto Bits(T value) {
  if constexpr (sizeof(T) == 8) return std::bit_cast<std::uint64_t>(value);
  else if constexpr (sizeof(T) == 4) return std::bit_cast<std::uint32_t>(value);
  else return value;
}

// The outputs of a rows call, with the widths it asks for.
struct RowOutputs {
  std::size_t n;
  std::vector<double> lat, lon, x, y, northing, easting;
  std::vector<std::int16_t> latD, latM, lonD, lonM;
  std::vector<float> latS, lonS;
  std::vector<char> mgrs, ifbl, error;
  std::vector<std::int32_t> failure, kinds, datums;
  std::size_t widths[3] = {};
  BatchOutput out{};

  RowOutputs(const BatchInput& in, RowsInput& rows, std::size_t count) : n(count) {
    kinds.assign(n, -1);
    datums.assign(n, -1);
    rows.KindsRead = kinds.data();
    rows.DatumsRead = datums.data();
    EXPECT_EQ(morvane_rows_widths(&in, &rows, nullptr, static_cast<ptrdiff_t>(n), &widths[0],
                                  &widths[1], &widths[2]),
              MORVANE_OK);
    for (auto* v : {&lat, &lon, &x, &y, &northing, &easting}) v->assign(n, -7.0);
    for (auto* v : {&latD, &latM, &lonD, &lonM}) v->assign(n, 77);
    for (auto* v : {&latS, &lonS}) v->assign(n, -7.0f);
    mgrs.assign(n * widths[0] + 1, 'x');
    ifbl.assign(n * widths[1] + 1, 'x');
    error.assign(n * widths[2] + 1, 'x');
    failure.assign(n, -1);
    out = {lat.data(), lon.data(), latD.data(), latM.data(), latS.data(), lonD.data(), lonM.data(),
           lonS.data(), x.data(), y.data(), northing.data(), easting.data(),
           {mgrs.data(), widths[0]}, {ifbl.data(), widths[1]}, {error.data(), widths[2]},
           failure.data()};
  }
  std::string Text(const std::vector<char>& column, std::size_t width, std::size_t i) const {
    const char* entry = column.data() + i * width;
    return std::string(entry, strnlen(entry, width));
  }
  void ExpectObject(std::size_t i, const ZedizAdo& o, int failureKind) const {
    SCOPED_TRACE(testing::Message() << "row " << i);
    EXPECT_EQ(Bits(lat[i]), Bits(o.Latitude()));
    EXPECT_EQ(Bits(lon[i]), Bits(o.Longitude()));
    EXPECT_EQ(latD[i], o.LatDmsDeg());
    EXPECT_EQ(latM[i], o.LatDmsMin());
    EXPECT_EQ(Bits(latS[i]), Bits(o.LatDmsSec()));
    EXPECT_EQ(lonD[i], o.LonDmsDeg());
    EXPECT_EQ(lonM[i], o.LonDmsMin());
    EXPECT_EQ(Bits(lonS[i]), Bits(o.LonDmsSec()));
    EXPECT_EQ(Bits(x[i]), Bits(o.X()));
    EXPECT_EQ(Bits(y[i]), Bits(o.Y()));
    EXPECT_EQ(Bits(northing[i]), Bits(o.Northing()));
    EXPECT_EQ(Bits(easting[i]), Bits(o.Easting()));
    EXPECT_EQ(Text(mgrs, widths[0], i), o.MGRS());
    EXPECT_EQ(Text(ifbl, widths[1], i), o.IFBL());
    EXPECT_EQ(Text(error, widths[2], i), o.Error());
    EXPECT_EQ(failure[i], failureKind);
  }
  void ExpectUnconverted(std::size_t i, const std::string& message) const {
    SCOPED_TRACE(testing::Message() << "row " << i);
    EXPECT_EQ(Text(error, widths[2], i), message);
    EXPECT_TRUE(std::isnan(lat[i]) && std::isnan(x[i]) && std::isnan(northing[i]));
    EXPECT_EQ(Text(mgrs, widths[0], i), "");
    EXPECT_EQ(failure[i], 0);
  }
};

// What a row should be read as: the object's input.
struct Expected {
  std::int32_t kind, datum;
  double a, b;
  std::int16_t dms[4];
  float sec[2];
  const char* text;
};

ZedizAdo ObjectOf(const Expected& e, std::int32_t dest, int& failure) {
  ZedizAdo o;
  o.DatumFrom(static_cast<InternalDatums>(e.datum));
  o.DatumDest(static_cast<InternalDatums>(dest));
  o.OrigType(static_cast<OriginalCoordinates>(e.kind));
  switch (e.kind) {
    case mvDeg: o.Latitude(e.a), o.Longitude(e.b); break;
    case mvLambert72: o.X(e.a), o.Y(e.b); break;
    case mvDegMinSec:
      o.LatDmsDeg(e.dms[0]), o.LatDmsMin(e.dms[1]), o.LatDmsSec(e.sec[0]);
      o.LonDmsDeg(e.dms[2]), o.LonDmsMin(e.dms[3]), o.LonDmsSec(e.sec[1]);
      break;
    case mvMgrs: o.MGRS(e.text); break;
    case mvIFBL: o.IFBL(std::string(e.text)); break;
    default: break;
  }
  failure = 0;
  try {
    o.Conversion();
  } catch (const Failure& f) {
    failure = static_cast<int>(f.kind());
  }
  return o;
}

TEST(Rows, ADarwinCoreFileOfEveryKindConvertsRowByRowAsTheObject) {
  const struct {
    const char* coordinates;
    const char* system;
    const char* srs;
    Expected expected;  // kind 0: not converted, message in text
  } rows[] = {
      {"D5.37.13", "IFBL", "", {mvIFBL, mvWGS1984, 0, 0, {}, {}, "D5.37.13"}},
      {"31UES9470361498", "MGRS", "ED50", {mvMgrs, mvEuropeanData1950, 0, 0, {}, {}, "31UES9470361498"}},
      {"149186.41, 170810.74", "Lambert 72", "EPSG:31370", {mvLambert72, mvBelgium1972, 149186.41, 170810.74, {}, {}, ""}},
      {"Y=170810.74 X=149186.41", "Belgian Lambert 72", "BD72", {mvLambert72, mvBelgium1972, 149186.41, 170810.74, {}, {}, ""}},
      {"149186,41; 170810,74", "lambert72", "bd72", {mvLambert72, mvBelgium1972, 149186.41, 170810.74, {}, {}, ""}},
      {"50.8467, 4.3525", "decimal degrees", "WGS84", {mvDeg, mvWGS1984, 50.8467, 4.3525, {}, {}, ""}},
      {"4.3525E 50.8467N", "decimal degrees", "", {mvDeg, mvWGS1984, 50.8467, 4.3525, {}, {}, ""}},
      {"50,8467 4,3525", "decimal degrees", "", {mvDeg, mvWGS1984, 50.8467, 4.3525, {}, {}, ""}},
      {"50°50'48.1\"N 4°21'9\"E", "degrees minutes seconds", "ED50",
       {mvDegMinSec, mvEuropeanData1950, 0, 0, {50, 50, 4, 21}, {48.1f, 9.0f}, ""}},
      {"N 50 50 48.1, W 0 21 9", "degrees minutes seconds", "",
       {mvDegMinSec, mvWGS1984, 0, 0, {50, 50, 0, -21}, {48.1f, 9.0f}, ""}},
      {"50°50.5'N 4°21.25'E", "degrees decimal minutes", "",
       {mvDeg, mvWGS1984, 50 + 50.5 / 60, 4 + 21.25 / 60, {}, {}, ""}},
      {"lat: 50.8 lon: -4.3", "", "NTF", {mvDeg, mvNTF, 50.8, -4.3, {}, {}, ""}},  // the default kind
      {"K3", "IFBL", "unknown", {mvIFBL, mvWGS1984, 0, 0, {}, {}, "K3"}},
      {"Z9.99.99", "ifbl", "", {mvIFBL, mvWGS1984, 0, 0, {}, {}, "Z9.99.99"}},  // the object's message
      // Rows that are not converted.
      {"31U ES 1 2", "UTM", "", {0, 0, 0, 0, {}, {}, "Type de coordonnées originales inconnu (UTM)"}},
      {"50.8 4.3", "decimal degrees", "Potsdam", {0, 0, 0, 0, {}, {}, "Datum de départ inconnu (Potsdam)"}},
      {"", "decimal degrees", "", {0, 0, 0, 0, {}, {}, "Coordonnées DEG incorrectes"}},
      {"50.8", "decimal degrees", "", {0, 0, 0, 0, {}, {}, "Coordonnées DEG incorrectes"}},
      {"50.8N 4.3N", "decimal degrees", "", {0, 0, 0, 0, {}, {}, "Coordonnées DEG incorrectes"}},
      {"-50.8S 4.3", "decimal degrees", "", {0, 0, 0, 0, {}, {}, "Coordonnées DEG incorrectes"}},
      {"149186 abc", "Lambert 72", "", {0, 0, 0, 0, {}, {}, "Coordonnées Lambert incorrectes"}},
      {"1 2 3", "Lambert 2008", "", {0, 0, 0, 0, {}, {}, "Coordonnées Lambert 2008 incorrectes"}},
  };
  const std::size_t n = std::size(rows);
  std::vector<const char*> coordinates, systems, srs;
  for (const auto& row : rows) {
    coordinates.push_back(row.coordinates);
    systems.push_back(row.system);
    srs.push_back(row.srs);
  }
  BatchInput in{};
  in.OrigType = mvDeg;
  in.DatumFrom = mvWGS1984;
  in.DatumDest = mvBelgium1972;
  RowsInput rowsIn{sizeof(RowsInput), coordinates.data(), systems.data(), srs.data(), nullptr, nullptr};
  RowOutputs result(in, rowsIn, n);
  ASSERT_EQ(morvane_convert_rows(&in, &rowsIn, &result.out, nullptr, static_cast<ptrdiff_t>(n), 1), MORVANE_OK);
  for (std::size_t i = 0; i < n; ++i) {
    const Expected& e = rows[i].expected;
    if (e.kind == 0) {
      result.ExpectUnconverted(i, e.text);
      continue;
    }
    EXPECT_EQ(result.kinds[i], e.kind) << i;
    EXPECT_EQ(result.datums[i], e.datum) << i;
    int failure = 0;
    const ZedizAdo o = ObjectOf(e, in.DatumDest, failure);
    result.ExpectObject(i, o, failure);
  }
  // The same rows on two threads, and in reverse order: the same bits.
  std::vector<const char*> rc(coordinates.rbegin(), coordinates.rend()), rs(systems.rbegin(), systems.rend()),
      rd(srs.rbegin(), srs.rend());
  RowsInput reversed{sizeof(RowsInput), rc.data(), rs.data(), rd.data(), nullptr, nullptr};
  RowOutputs again(in, reversed, n);
  ASSERT_EQ(morvane_convert_rows(&in, &reversed, &again.out, nullptr, static_cast<ptrdiff_t>(n), 2), MORVANE_OK);
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t j = n - 1 - i;
    EXPECT_EQ(Bits(again.x[j]), Bits(result.x[i])) << i;
    EXPECT_EQ(again.Text(again.error, again.widths[2], j), result.Text(result.error, result.widths[2], i));
  }
}

TEST(Rows, DegreeColumnsTakeEachRowsDatum) {
  const double lat[] = {50.8467, 50.8467, 50.8467, 50.8467};
  const double lon[] = {4.3525, 4.3525, 4.3525, 4.3525};
  const char* datums[] = {"WGS84", "", "EPSG:4230", "ETRS89"};
  BatchInput in{};
  in.OrigType = mvDeg;
  in.DatumFrom = mvBelgium1972;
  in.DatumDest = mvWGS1984;
  in.Latitude = lat;
  in.Longitude = lon;
  RowsInput rows{sizeof(RowsInput), nullptr, nullptr, datums, nullptr, nullptr};
  RowOutputs result(in, rows, 4);
  ASSERT_EQ(morvane_convert_rows(&in, &rows, &result.out, nullptr, 4, 1), MORVANE_OK);
  const std::int32_t expected[] = {mvWGS1984, mvBelgium1972, mvEuropeanData1950};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(result.datums[i], expected[i]);
    int failure = 0;
    const ZedizAdo o = ObjectOf({mvDeg, expected[i], lat[i], lon[i], {}, {}, ""}, in.DatumDest, failure);
    result.ExpectObject(i, o, failure);
  }
  // Rows that all name one datum: the batch call's outputs on that datum.
  const char* same[] = {"EPSG:4230", "ed50", "ED50", "European Datum 1950"};
  RowsInput one{sizeof(RowsInput), nullptr, nullptr, same, nullptr, nullptr};
  RowOutputs together(in, one, 4);
  ASSERT_EQ(morvane_convert_rows(&in, &one, &together.out, nullptr, 4, 1), MORVANE_OK);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(together.datums[i], mvEuropeanData1950);
    int failure = 0;
    const ZedizAdo o = ObjectOf({mvDeg, mvEuropeanData1950, lat[i], lon[i], {}, {}, ""}, in.DatumDest, failure);
    together.ExpectObject(i, o, failure);
  }
  // ETRS89 is the batch call's alone: the row gets what the batch call gives it.
  EXPECT_EQ(result.datums[3], mvETRS89);
  EXPECT_EQ(result.Text(result.error, result.widths[2], 3), "");
  EXPECT_TRUE(std::isfinite(result.x[3]));
}

TEST(Rows, NonsenseIsRefusedBeforeAnythingIsWritten) {
  const char* coordinates[] = {"D5"};
  BatchInput in{};
  in.DatumFrom = mvWGS1984;
  in.DatumDest = mvWGS1984;
  RowsInput rows{sizeof(RowsInput), coordinates, nullptr, nullptr, nullptr, nullptr};
  RowOutputs result(in, rows, 1);
  const struct {
    int expected;
    std::int32_t kind, from, dest;
    bool withCoordinates;
    std::size_t rowsSize;
    ptrdiff_t count;
    int threads;
  } cases[] = {
      {MORVANE_E_KIND, 0, mvWGS1984, mvWGS1984, false, sizeof(RowsInput), 1, 1},  // no kind, no text
      {MORVANE_E_NULL_POINTER, mvDeg, mvWGS1984, mvWGS1984, false, sizeof(RowsInput), 1, 1},  // no columns
      {MORVANE_E_DATUM, mvIFBL, 0, mvWGS1984, true, sizeof(RowsInput), 1, 1},
      {MORVANE_E_DATUM, mvIFBL, mvWGS1984, 6, true, sizeof(RowsInput), 1, 1},
      {MORVANE_E_KIND, 7, mvWGS1984, mvWGS1984, true, sizeof(RowsInput), 1, 1},
      {MORVANE_E_COUNT, mvIFBL, mvWGS1984, mvWGS1984, true, sizeof(RowsInput), -1, 1},
      {MORVANE_E_THREADS, mvIFBL, mvWGS1984, mvWGS1984, true, sizeof(RowsInput), 1, -1},
      {MORVANE_E_NULL_POINTER, mvIFBL, mvWGS1984, mvWGS1984, true, 8, 1, 1},
  };
  for (const auto& c : cases) {
    BatchInput bad = in;
    bad.OrigType = c.kind;
    bad.DatumFrom = c.from;
    bad.DatumDest = c.dest;
    RowsInput badRows = rows;
    badRows.size = c.rowsSize;
    if (!c.withCoordinates) badRows.Coordinates = nullptr;
    result.error.assign(result.error.size(), 'x');
    EXPECT_EQ(morvane_convert_rows(&bad, &badRows, &result.out, nullptr, c.count, c.threads), c.expected);
    EXPECT_EQ(result.error[0], 'x');
  }
  // A column narrower than the rows' messages.
  BatchOutput narrow = result.out;
  narrow.Error.width = 3;
  const char* systems[] = {"UTM"};
  rows.Systems = systems;
  EXPECT_EQ(morvane_convert_rows(&in, &rows, &narrow, nullptr, 1, 1), MORVANE_E_WIDTH);
  EXPECT_EQ(morvane_convert_rows(nullptr, &rows, &narrow, nullptr, 1, 1), MORVANE_E_NULL_POINTER);
  EXPECT_STREQ(morvane_failure_name(MORVANE_E_COLUMNS), "no columns to read in the header, or several");
}

}  // namespace
}  // namespace morvane
