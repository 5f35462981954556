// The table of the interface's names and the batch call's extra outputs:
// every name a front end takes from the core leads to the number the
// object uses, and the UTM zone the core gives is the zone of the point's
// reference.
#include <gtest/gtest.h>
#include <morvane/morvane.h>
#include <morvane/morvane.hpp>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(Names, KindsAndDatumsAreFoundByEveryNameUsersWrite) {
  struct Case {
    const char* written;
    int32_t kind, datum;
  };
  const Case cases[] = {
      {"deg", morvane::mvDeg, 0},          {"DEG", morvane::mvDeg, 0},
      {" d e g ", morvane::mvDeg, 0},      {"mvDegMinSec", morvane::mvDegMinSec, 0},
      {"dms", morvane::mvDegMinSec, 0},    {"Lambert", morvane::mvLambert72, 0},
      {"mgrs", morvane::mvMgrs, 0},        {"ifbl", morvane::mvIFBL, 0},
      {"mvIFBL", morvane::mvIFBL, 0},      {"wgs84", 0, morvane::mvWGS1984},
      {"WGS84", 0, morvane::mvWGS1984},    {"mvWGS1984", 0, morvane::mvWGS1984},
      {"3", 0, morvane::mvWGS1984},        {"bd72", 0, morvane::mvBelgium1972},
      {"ED50", 0, morvane::mvEuropeanData1950}, {"ntf", 0, morvane::mvNTF},
      {"4", 0, morvane::mvNTF},            {"", 0, 0},
      {"5", 0, morvane::mvETRS89},         {"0", 0, 0},
      {"etrs89", 0, morvane::mvETRS89},    {"6", 0, 0},
      {"lambert2008", morvane::mvLambert2008, 0}, {"Lambert 2008", morvane::mvLambert2008, 0},
      {"wgs", 0, 0},                       {"wgs84x", 0, 0},
      {"__proto__", 0, 0},                 {"constructor", 0, 0},
      {"2", 0, morvane::mvBelgium1972},    {"degree", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    EXPECT_EQ(morvane_kind_by_name(c.written), c.kind);
    EXPECT_EQ(morvane_datum_by_name(c.written), c.datum);
  }
  EXPECT_EQ(morvane_kind_by_name(nullptr), 0);
  EXPECT_EQ(morvane_datum_by_name(nullptr), 0);
}

TEST(Names, TablesMatchTheEnumerationsAndTheObject) {
  ASSERT_EQ(morvane_kind_count(), 6);
  for (int32_t i = 0; i < morvane_kind_count(); ++i) {
    const auto* k = morvane_kind_at(i);
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(morvane_kind_by_name(k->key), k->number);
    EXPECT_EQ(morvane_kind_by_name(k->member), k->number);
    // Every input a kind reads is a property that kind is marked on.
    std::string inputs = k->inputs;
    for (std::size_t at = 0; at <= inputs.size();) {
      const std::size_t comma = std::min(inputs.find(',', at), inputs.size());
      const auto* p = morvane::PropertyByName(inputs.substr(at, comma - at));
      ASSERT_NE(p, nullptr) << inputs.substr(at, comma - at);
      EXPECT_TRUE(p->kinds & (1 << k->number)) << p->name;
      at = comma + 1;
    }
  }
  EXPECT_EQ(morvane_kind_at(-1), nullptr);
  EXPECT_EQ(morvane_kind_at(6), nullptr);
  // The object takes the first five kinds and four datums; the batch call
  // alone Lambert 2008 and ETRS89.
  for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(morvane_kind_at(i)->object, i < 5 ? 1 : 0);
  EXPECT_EQ(morvane_kind_at(5)->epsg, 3812);
  ASSERT_EQ(morvane_datum_count(), 5);
  const int32_t epsg[] = {4230, 4313, 4326, 4275, 4258};
  for (int32_t i = 0; i < 5; ++i) {
    const auto* d = morvane_datum_at(i);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->number, i + 1);
    EXPECT_EQ(d->epsg, epsg[i]);
    EXPECT_EQ(d->object, i < 4 ? 1 : 0);
    EXPECT_EQ(morvane_datum_by_name(d->key), d->number);
  }
  EXPECT_STREQ(morvane_datum_at(1)->title, "Belgian datum 1972");
  EXPECT_STREQ(morvane_datum_at(1)->label, "Belgian 1972");
  EXPECT_EQ(morvane_datum_at(5), nullptr);
  // The batch call's output columns are the properties marked as outputs,
  // in the order of its structure.
  const char* outputs[] = {"Latitude", "Longitude", "LatDmsDeg", "LatDmsMin", "LatDmsSec",
                           "LonDmsDeg", "LonDmsMin", "LonDmsSec", "X", "Y", "Northing", "Easting",
                           "MGRS", "IFBL", "Error"};
  std::vector<std::string> marked;
  for (int32_t i = 0; i < morvane_property_count(); ++i)
    if (morvane_property_at(i)->access & MORVANE_ACCESS_OUTPUT)
      marked.push_back(morvane_property_at(i)->name);
  EXPECT_EQ(marked, std::vector<std::string>(std::begin(outputs), std::end(outputs)));
  EXPECT_EQ(morvane::PropertyByName("LatDmsSec")->type, MORVANE_TYPE_FLOAT);
  EXPECT_EQ(morvane::PropertyByName("IfblPrecision")->type, MORVANE_TYPE_INT16);
  EXPECT_EQ(morvane::PropertyByName("DatumFrom")->access, MORVANE_ACCESS_PUT);
  EXPECT_EQ(morvane::PropertyByName("Error")->access & MORVANE_ACCESS_PUT, 0);
}

TEST(Names, JsonHoldsEveryTableOnce) {
  const std::string json = morvane_names_json();
  ASSERT_FALSE(json.empty());
  EXPECT_EQ(json.front(), '{');
  EXPECT_EQ(json.back(), '}');
  for (const char* piece :
       {"\"key\":\"wgs84\"", "\"title\":\"Nouvelle Triangulation Française\"", "\"epsg\":4313",
        "\"inputs\":[\"LatDmsDeg\",\"LatDmsMin\"", "{\"name\":\"LatDmsSec\",\"type\":\"float\"",
        "{\"code\":5,\"name\":\"FloatOverflow\"}", "\"Coordonnée IFBL incorrecte\"",
        "\"inputOf\":[\"deg\"]"}) {
    EXPECT_NE(json.find(piece), std::string::npos) << piece;
  }
  EXPECT_EQ(morvane_names_json(), morvane_names_json());  // one static text
}

// The zone and hemisphere of the batch call against the reference each
// point gets, and 0 where a point has no reference or no conversion.
TEST(BatchExtra, ZoneIsTheZoneOfThePointsReference) {
  const std::vector<double> lat{50.85, -33.9, 85.0, 91.0, 60.5, 78.2, 0.0, -80.0};
  const std::vector<double> lon{4.35, 18.4, 4.0, 4.0, 5.1, 15.6, -179.9, 0.0};
  const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(lat.size());
  const int16_t zones[] = {31, 34, 0, 0, 32, 33, 1, 31};
  const char hemispheres[] = {'N', 'S', 0, 0, 'N', 'N', 'N', 'S'};
  morvane_batch_input in{};
  in.OrigType = morvane::mvDeg;
  in.DatumFrom = in.DatumDest = morvane::mvWGS1984;
  in.Latitude = lat.data();
  in.Longitude = lon.data();
  std::vector<char> mgrs(lat.size() * 16);
  morvane_batch_output out{};
  out.MGRS = {mgrs.data(), 16};
  std::vector<int16_t> zone(lat.size(), -1);
  std::vector<char> hemisphere(lat.size(), '?');
  morvane_batch_extra extra{};
  extra.size = sizeof extra;
  extra.UtmZone = zone.data();
  extra.Hemisphere = hemisphere.data();
  ASSERT_EQ(morvane_convert_batch_extra(&in, &out, &extra, n, 1), MORVANE_OK);
  for (std::size_t i = 0; i < lat.size(); ++i) {
    SCOPED_TRACE(std::string(&mgrs[i * 16]));
    EXPECT_EQ(zone[i], zones[i]);
    EXPECT_EQ(hemisphere[i], hemispheres[i]);
  }
  // Too small a structure is refused; a null one converts without extras.
  extra.size = sizeof(size_t);
  EXPECT_EQ(morvane_convert_batch_extra(&in, &out, &extra, n, 1), MORVANE_E_NULL_POINTER);
  EXPECT_EQ(morvane_convert_batch_extra(&in, &out, nullptr, n, 1), MORVANE_OK);
}

TEST(BatchExtra, ProgressIsToldOfEveryChunkAndCanStop) {
  const std::ptrdiff_t n = 40000;
  std::vector<double> lat(n, 50.8), lon(n, 4.35), x(n, -1);
  morvane_batch_input in{};
  in.OrigType = morvane::mvDeg;
  in.DatumFrom = in.DatumDest = morvane::mvWGS1984;
  in.Latitude = lat.data();
  in.Longitude = lon.data();
  morvane_batch_output out{};
  out.X = x.data();
  struct Seen {
    std::vector<std::ptrdiff_t> done;
    std::ptrdiff_t stopAt;
  };
  const auto progress = [](void* context, std::ptrdiff_t done) {
    auto* seen = static_cast<Seen*>(context);
    seen->done.push_back(done);
    return done >= seen->stopAt ? 1 : 0;
  };
  for (const int threads : {1, 2}) {
    SCOPED_TRACE(threads);
    Seen all{{}, n + 1};
    morvane_batch_extra extra{};
    extra.size = sizeof extra;
    extra.Progress = progress;
    extra.ProgressContext = &all;
    std::fill(x.begin(), x.end(), -1);
    ASSERT_EQ(morvane_convert_batch_extra(&in, &out, &extra, n, threads), MORVANE_OK);
    ASSERT_GE(all.done.size(), 2u);
    EXPECT_EQ(all.done.back(), n);
    for (std::size_t i = 1; i < all.done.size(); ++i) EXPECT_GT(all.done[i], all.done[i - 1]);
    EXPECT_EQ(std::count(x.begin(), x.end(), -1), 0);

    Seen first{{}, 1};
    extra.ProgressContext = &first;
    std::fill(x.begin(), x.end(), -1);
    ASSERT_EQ(morvane_convert_batch_extra(&in, &out, &extra, n, threads), MORVANE_E_STOPPED);
    ASSERT_EQ(first.done.size(), 1u);
    const auto converted = first.done[0];
    EXPECT_LT(converted, n);
    EXPECT_EQ(std::count(x.begin(), x.begin() + converted, -1), 0);
    EXPECT_EQ(std::count(x.begin() + converted, x.end(), -1), n - converted);
  }
}

}  // namespace

namespace {

// PutPoint gives an object exactly what a client's puts of the same kind
// give it, and refuses what the batch call refuses, leaving the object.
TEST(PutPoint, IsTheClientsPutsOfTheKindsColumns) {
  using namespace morvane;
  const double a[] = {50.5, 149000.0}, b[] = {4.25, 170000.0};
  const std::int16_t latD[] = {50, -1}, latM[] = {30, 2}, lonD[] = {4, 0}, lonM[] = {15, -3};
  const float latS[] = {1.5f, 2.0f}, lonS[] = {3.25f, 0.0f};
  const char* texts[] = {" 31UES9521533649 ", "e4.15.22"};
  const char column[] = "31UES\0\0\0E4-15";  // two entries of 8 bytes
  struct Case {
    int32_t kind;
    bool fixedWidth;
    void (*puts)(ZedizAdo&, std::size_t);
  };
  static const double* sa = a;
  static const double* sb = b;
  const Case cases[] = {
      {mvDeg, false, [](ZedizAdo& o, std::size_t i) { o.Latitude(sa[i]), o.Longitude(sb[i]); }},
      {mvLambert72, false, [](ZedizAdo& o, std::size_t i) { o.X(sa[i]), o.Y(sb[i]); }},
      {mvDegMinSec, false,
       [](ZedizAdo& o, std::size_t i) {
         const std::int16_t d[] = {50, -1}, m[] = {30, 2}, ld[] = {4, 0}, lm[] = {15, -3};
         const float s[] = {1.5f, 2.0f}, ls[] = {3.25f, 0.0f};
         o.LatDmsDeg(d[i]), o.LatDmsMin(m[i]), o.LatDmsSec(s[i]);
         o.LonDmsDeg(ld[i]), o.LonDmsMin(lm[i]), o.LonDmsSec(ls[i]);
       }},
      {mvMgrs, false, [](ZedizAdo& o, std::size_t i) { o.MGRS(i ? "e4.15.22" : " 31UES9521533649 "); }},
      {mvIFBL, false, [](ZedizAdo& o, std::size_t i) { o.IFBL(std::string(i ? "e4.15.22" : " 31UES9521533649 ")); }},
      {mvMgrs, true, [](ZedizAdo& o, std::size_t i) { o.MGRS(i ? "E4-15" : "31UES"); }},
      {mvIFBL, true, [](ZedizAdo& o, std::size_t i) { o.IFBL(std::string(i ? "E4-15" : "31UES")); }},
  };
  for (const auto& c : cases) {
    for (std::size_t i = 0; i < 2; ++i) {
      SCOPED_TRACE(testing::Message() << "kind " << c.kind << " point " << i);
      morvane_batch_input in{};
      in.OrigType = c.kind;
      in.DatumFrom = mvWGS1984;
      in.DatumDest = mvBelgium1972;
      in.Latitude = in.X = a;
      in.Longitude = in.Y = b;
      in.LatDmsDeg = latD, in.LatDmsMin = latM, in.LatDmsSec = latS;
      in.LonDmsDeg = lonD, in.LonDmsMin = lonM, in.LonDmsSec = lonS;
      if (c.fixedWidth) in.TextData = column, in.TextWidth = 8;
      else in.Texts = texts;
      ZedizAdo put, expected;
      ASSERT_EQ(PutPoint(put, in, static_cast<std::ptrdiff_t>(i)), MORVANE_OK);
      expected.OrigType(static_cast<OriginalCoordinates>(c.kind));
      c.puts(expected, i);
      EXPECT_TRUE(put.IdenticalTo(expected));
    }
  }
  // Refused as the batch call refuses, the object untouched.
  morvane_batch_input in{};
  in.OrigType = mvDeg;
  in.DatumFrom = in.DatumDest = mvWGS1984;
  ZedizAdo o;
  const ZedizAdo before = o;
  EXPECT_EQ(PutPoint(o, in, 0), MORVANE_E_NULL_POINTER);  // no columns
  in.Latitude = a, in.Longitude = b;
  EXPECT_EQ(PutPoint(o, in, -1), MORVANE_E_COUNT);
  in.OrigType = 6;
  EXPECT_EQ(PutPoint(o, in, 0), MORVANE_E_KIND);
  in.OrigType = mvDeg, in.DatumDest = 0;
  EXPECT_EQ(PutPoint(o, in, 0), MORVANE_E_DATUM);
  in.OrigType = mvMgrs, in.DatumDest = mvWGS1984;
  const char* none[] = {nullptr};
  in.Texts = none;
  EXPECT_EQ(PutPoint(o, in, 0), MORVANE_E_NULL_POINTER);
  EXPECT_TRUE(o.IdenticalTo(before));
}

}  // namespace
