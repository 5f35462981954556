// The conversion driver: preconditions, every input branch, the datum of
// every output, and the promise that a refused or failed call changes
// nothing but Error.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "component/dms.hpp"
#include "component/driver.hpp"
#include "base/checks.hpp"
#include "tests/failure_kind.hpp"
#include "base/general.hpp"
#include <morvane/zediz_ado.hpp>
#include "datum/molodensky.hpp"
#include "ifbl/ifbl.hpp"
#include "lambert/lambert72.hpp"
#include "mgrs/mgrs.hpp"

using namespace morvane;

namespace {

constexpr InternalDatums kDatums[] = {mvEuropeanData1950, mvBelgium1972, mvWGS1984, mvNTF};

ZedizAdo Object(InternalDatums from, InternalDatums to, OriginalCoordinates type) {
  ZedizAdo o;
  o.DatumFrom(from);
  o.DatumDest(to);
  o.OrigType(type);
  return o;
}

ZedizAdo Deg(double lat, double lon, InternalDatums from = mvWGS1984,
             InternalDatums to = mvBelgium1972) {
  ZedizAdo o = Object(from, to, mvDeg);
  o.Latitude(lat);
  o.Longitude(lon);
  return o;
}

using morvane::testing::KindOf;

// Conversion leaves `message` in Error and nothing else changed.
void ExpectRefused(ZedizAdo o, const std::string& message) {
  const ZedizAdo before = o;
  o.Conversion();
  EXPECT_EQ(o.Error(), message);
  // Everything but Error as it was (Reset empties Error and keeps the rest
  // that it does not clear; compare the cleared fields first).
  EXPECT_TRUE(std::bit_cast<std::uint64_t>(o.Latitude()) == std::bit_cast<std::uint64_t>(before.Latitude()) &&
              std::bit_cast<std::uint64_t>(o.Longitude()) == std::bit_cast<std::uint64_t>(before.Longitude()) &&
              std::bit_cast<std::uint64_t>(o.X()) == std::bit_cast<std::uint64_t>(before.X()) &&
              std::bit_cast<std::uint64_t>(o.Y()) == std::bit_cast<std::uint64_t>(before.Y()) &&
              o.MGRS() == before.MGRS() && o.IFBL() == before.IFBL() &&
              o.Northing() == before.Northing() && o.Easting() == before.Easting() &&
              o.OrigType() == before.OrigType());
  ZedizAdo after = o, was = before;
  after.Reset();
  was.Reset();
  EXPECT_TRUE(after.IdenticalTo(was));
}

TEST(Conversion, Preconditions) {
  ZedizAdo noDatums = Object(InternalDatums(0), InternalDatums(0), mvDeg);
  ExpectRefused(noDatums, "Datum non initialisé");
  ExpectRefused(Object(mvWGS1984, InternalDatums(0), mvDeg), "Datum non initialisé");
  ZedizAdo noType = Object(mvWGS1984, mvWGS1984, mvDeg);
  noType.Reset();
  ExpectRefused(noType, "Type de coordonnées originales inconnu");
}

TEST(Conversion, IndexFailuresLeaveTheObjectAsItWas) {
  struct Row { int from, to, type; };
  const Row rows[] = {{3, 3, 6}, {3, 3, -2}, {5, 3, 2}, {3, 9, 2}, {3, -1, 5}, {3, 7, 4}, {3, 7, 3}};
  for (const Row& r : rows) {
    ZedizAdo o = Object(InternalDatums(r.from), InternalDatums(r.to), OriginalCoordinates(r.type));
    o.Latitude(50.8), o.Longitude(4.35), o.X(150000), o.Y(150000);
    o.LatDmsDeg(50), o.LonDmsDeg(4);
    o.IFBL(std::string("E535"));
    const ZedizAdo before = o;
    EXPECT_EQ(KindOf([&] { o.Conversion(); }), FailureKind::IndexOutOfRange) << r.type;
    EXPECT_EQ(o, before) << r.from << " " << r.to << " " << r.type;
  }
}

TEST(Conversion, DegreeTests) {
  for (double bad : {90.000001, -90.5, double(NAN), double(INFINITY), -double(INFINITY)}) {
    ExpectRefused(Deg(bad, 4), "Coordonnées DEG incorrectes");
    ExpectRefused(Deg(50, bad * 2), "Coordonnées DEG incorrectes");
  }
  for (auto [lat, lon] : {std::pair{90.0, 180.0}, {-90.0, -180.0}, {0.0, 0.0}}) {
    ZedizAdo o = Deg(lat, lon);
    o.Conversion();
    EXPECT_EQ(o.Error(), "") << lat << " " << lon;
  }
}

TEST(Conversion, DegreeInputWithEqualDatumsKeepsTheInputBitForBit) {
  ZedizAdo o = Deg(50.123456789, 4.987654321, mvNTF, mvNTF);
  o.Conversion();
  EXPECT_EQ(o.Latitude(), 50.123456789);
  EXPECT_EQ(o.Longitude(), 4.987654321);
  std::int16_t d, m;
  float s;
  DecimalToDms(50.123456789, d, m, s);
  EXPECT_EQ(o.LatDmsDeg(), d);
  EXPECT_EQ(o.LatDmsMin(), m);
  EXPECT_EQ(o.LatDmsSec(), s);
}

TEST(Conversion, DegreeInputFillsEveryOutputOnItsDatum) {
  // WGS 1984 -> Belgian 1972: the typical request.
  ZedizAdo o = Deg(50.8, 4.35);
  o.Conversion();
  ASSERT_EQ(o.Error(), "");
  EXPECT_EQ(o.Latitude(), 50.8005444904614);
  EXPECT_EQ(o.Longitude(), 4.348734630115332);

  double x = 0, y = 0;
  lambert::GeoToLambert72(50.8005444904614, 4.348734630115332, x, y);
  EXPECT_EQ(o.X(), x);
  EXPECT_EQ(o.Y(), y);
  std::string ifbl;
  std::int32_t status = 0;
  ifbl::LambertToIfbl(x, y, ifbl, status, 0);
  EXPECT_EQ(o.IFBL(), ifbl);
  EXPECT_EQ(o.IFBL().size(), 6u);

  // UTM and MGRS on the Hayford ellipsoid of the destination datum.
  std::int16_t zone = 0;
  double n = 0, e = 0;
  std::string mgrs;
  dma::GeoToMgrs(6378388, 1 / 297.0, general::DegToRad(o.Latitude()),
                 general::DegToRad(o.Longitude()), zone, n, e, mgrs, 15);
  EXPECT_EQ(o.Northing(), n);
  EXPECT_EQ(o.Easting(), e);
  EXPECT_EQ(o.MGRS(), mgrs);
  EXPECT_EQ(o.MGRS().substr(0, 3), "31U");
  EXPECT_EQ(o.LatDmsDeg(), 50);
  EXPECT_EQ(o.LonDmsDeg(), 4);

  // The datums hold the client's values afterwards.
  EXPECT_EQ(o, [&] {
    ZedizAdo want = o;
    want.DatumFrom(mvWGS1984);
    want.DatumDest(mvBelgium1972);
    return want;
  }());
}

TEST(Conversion, DmsTests) {
  struct Row { std::int16_t latD, latM; float latS; std::int16_t lonD, lonM; float lonS; bool ok; };
  const Row rows[] = {
      {50, 60, 0, 4, 0, 0, true},
      {50, 0, 60, 4, 60, 60, true},
      {91, 0, 0, 4, 0, 0, false},
      {50, 0, 0, 181, 0, 0, false},
      {50, 61, 0, 4, 0, 0, false},
      {50, -1, 0, 4, 0, 0, false},      // a negative minute away from degree 0
      {50, 0, -1, 4, 0, 0, false},
      {50, 0, 60.01f, 4, 0, 0, false},
      {50, 0, NAN, 4, 0, 0, false},
      {50, 0, 0, 4, 0, INFINITY, false},
      {0, -30, 0, 0, 0, -14.4f, true},  // the signed form of -0.5 and -0.004
      {0, -30, -1, 4, 0, 0, false},
      {90, 60, 60, 4, 0, 0, false},     // 91.0167 degrees
      {-90, 0, 1, 4, 0, 0, false},
      {50, 0, 0, 180, 30, 0, false},    // 180.5 degrees
      {-90, 0, 0, -180, 0, 0, true},
  };
  for (const Row& r : rows) {
    ZedizAdo o = Object(mvBelgium1972, mvBelgium1972, mvDegMinSec);
    o.LatDmsDeg(r.latD), o.LatDmsMin(r.latM), o.LatDmsSec(r.latS);
    o.LonDmsDeg(r.lonD), o.LonDmsMin(r.lonM), o.LonDmsSec(r.lonS);
    if (r.ok) {
      o.Conversion();
      EXPECT_EQ(o.Error(), "") << r.latD << " " << r.latM << " " << r.latS;
      EXPECT_EQ(o.LatDmsMin(), r.latM);  // equal datums: the fields as entered
    } else {
      ExpectRefused(o, "Coordonnées DMS incorrectes");
    }
  }
  ZedizAdo negative = Object(mvWGS1984, mvWGS1984, mvDegMinSec);
  negative.LatDmsDeg(0), negative.LatDmsMin(-30), negative.LatDmsSec(0);
  negative.LonDmsDeg(0), negative.LonDmsMin(0), negative.LonDmsSec(-14.4f);
  negative.Conversion();
  EXPECT_EQ(negative.Latitude(), -0.5);
  EXPECT_EQ(negative.Longitude(), -14.4f / 3600.0);  // seconds are a float
}

TEST(Conversion, DmsInputOnAnotherDatumRecomputesTheFields) {
  ZedizAdo o = Object(mvWGS1984, mvBelgium1972, mvDegMinSec);
  o.LatDmsDeg(50), o.LatDmsMin(48), o.LatDmsSec(0);
  o.LonDmsDeg(4), o.LonDmsMin(21), o.LonDmsSec(0);
  o.Conversion();
  ASSERT_EQ(o.Error(), "");
  EXPECT_EQ(o.Latitude(), 50.8005444904614);  // 50 48' = 50.8 on WGS 1984
  std::int16_t d, m;
  float s;
  DecimalToDms(o.Latitude(), d, m, s);
  EXPECT_EQ(o.LatDmsMin(), m);
  EXPECT_EQ(o.LatDmsSec(), s);
}

TEST(Conversion, LambertInput) {
  for (auto [x, y] : {std::pair{310000.0, 260000.0}, {0.0, 0.0}, {150000.0, 150000.0}}) {
    ZedizAdo o = Object(mvBelgium1972, mvBelgium1972, mvLambert72);
    o.X(x), o.Y(y);
    o.Conversion();
    EXPECT_EQ(o.Error(), "") << x;
    EXPECT_EQ(o.X(), x);
    double lat = 0, lon = 0;
    lambert::Lambert72ToGeo(x, y, lat, lon);
    EXPECT_EQ(o.Latitude(), lat);
    EXPECT_EQ(o.Longitude(), lon);
  }
  for (auto [x, y] : {std::pair{310000.01, 1.0}, {1.0, 260000.5}, {-0.1, 5.0}, {5.0, -1e-9},
                      {NAN, 5.0}, {5.0, INFINITY}}) {
    ZedizAdo o = Object(mvBelgium1972, mvBelgium1972, mvLambert72);
    o.X(x), o.Y(y);
    ExpectRefused(o, "Coordonnées Lambert incorrectes");
  }
}

TEST(Conversion, LambertInputIgnoresDatumFrom) {
  ZedizAdo ntf = Object(mvNTF, mvWGS1984, mvLambert72);
  ZedizAdo bel = Object(mvBelgium1972, mvWGS1984, mvLambert72);
  for (ZedizAdo* o : {&ntf, &bel}) o->X(148767.22907939507), o->Y(165444.04955425858), o->Conversion();
  EXPECT_EQ(ntf.Latitude(), bel.Latitude());
  EXPECT_EQ(ntf.Longitude(), bel.Longitude());
  EXPECT_EQ(ntf.MGRS(), bel.MGRS());
  ZedizAdo want = bel;
  want.DatumFrom(mvNTF);
  EXPECT_EQ(ntf, want);  // DatumFrom still holds NTF
}

TEST(Conversion, LambertInputOutsideTheGridHasNoIfblCode) {
  ZedizAdo o = Object(mvBelgium1972, mvBelgium1972, mvLambert72);
  o.IFBL(std::string("E5"));
  o.X(1000), o.Y(1000);  // in the admitted plane, south-west of the grid
  o.Conversion();
  EXPECT_EQ(o.Error(), "");
  EXPECT_EQ(o.IFBL(), "");
}

TEST(Conversion, IfblInput) {
  struct Row { const char* code; const char* stored; double x, y; };
  const Row rows[] = {{"E5", "E5", 178012, 168180},
                      {"e535", "E535", 180012, 168180},
                      {"E53541", "E53541", 180512, 167680},
                      {"m0 51 33", "M05133", 2512, 18680}};
  for (const Row& r : rows) {
    ZedizAdo o = Object(mvWGS1984, mvWGS1984, mvIFBL);
    o.IFBL(std::string(r.code));
    o.Conversion();
    EXPECT_EQ(o.Error(), "") << r.code;
    EXPECT_EQ(o.IFBL(), r.stored);
    EXPECT_EQ(o.X(), r.x);
    EXPECT_EQ(o.Y(), r.y);
  }
  for (const char* bad : {"E", "E53", "E5354", "E535411", "I5", "N5", "55", "E53555", "E5AB", "E590", ""}) {
    ZedizAdo o = Object(mvWGS1984, mvWGS1984, mvIFBL);
    o.X(1), o.Y(2);
    o.IFBL(std::string(bad));
    ExpectRefused(o, "Coordonnée IFBL incorrecte");
  }
}

TEST(CompleteMgrsDigits, Examples) {
  struct Row { const char* rest; const char* completed; };
  const Row rows[] = {{"FS12", "FS1499924999"},         {"FS1234", "FS1249934499"},
                      {"FS123456", "FS1234945649"},     {"FS12345678", "FS1234456784"},
                      {"FS12 34", "FS1249934499"},      {"FS123", "FS123"},
                      {" FS1234567890 ", "FS1234567890"}, {"FS 12 345", "FS 12 345"},
                      {"", ""},                         {"   ", ""}};
  for (const Row& r : rows) {
    std::string rest = r.rest;
    driver::CompleteMgrsDigits(rest);
    EXPECT_EQ(rest, r.completed) << r.rest;
  }
}

TEST(Conversion, MgrsInput) {
  ZedizAdo o = Object(mvWGS1984, mvWGS1984, mvMgrs);
  o.mgrsPrecision = 10000;
  o.MGRS(std::string("31UFS1234"));
  o.Conversion();
  ASSERT_EQ(o.Error(), "");
  EXPECT_EQ(o.MGRS(), "31UFS1234");  // the input text, never cut
  std::string text = "31UFS1249934499";
  double lat = 0, lon = 0, n = 0, e = 0;
  std::int16_t zone = 0;
  std::int32_t status = 0;
  dma::MgrsToGeo(text, 21, 6378137, 1 / 298.257223563, lat, lon, zone, n, e, status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(o.Latitude(), general::RadToDeg(lat));
  EXPECT_EQ(o.Longitude(), general::RadToDeg(lon));
  EXPECT_EQ(o.Northing(), n);
  EXPECT_EQ(o.Easting(), e);
}

TEST(Conversion, MgrsInputRefused) {
  for (const char* bad : {"31UFS1", "31UFS123456789012", "31UFS1234567890X", "31XFS1234567890",
                          "31ufs1234", "31UFW1234567890", "61UFS1234567890"}) {
    ZedizAdo o = Object(mvWGS1984, mvWGS1984, mvMgrs);
    o.MGRS(std::string(bad));
    ExpectRefused(o, std::string("Coordonnées MGRS erronées (") + bad + ")");
  }
  // Every datum decodes the references encoded on it, both lettering
  // schemes included (NTF uses the second).
  for (InternalDatums datum : kDatums) {
    ZedizAdo source = Deg(50.8, 4.35, datum, datum);
    source.Conversion();
    ZedizAdo o = Object(datum, mvWGS1984, mvMgrs);
    o.MGRS(source.MGRS());
    o.Conversion();
    EXPECT_EQ(o.Error(), "") << datum << " " << source.MGRS();
  }
}

TEST(Conversion, MgrsInputWithOneDigitZone) {
  // The component's own output for zone 5 starts with a blank, which the
  // MGRS put trims.
  ZedizAdo out = Deg(20, -153, mvWGS1984, mvWGS1984);
  out.Conversion();
  ASSERT_EQ(out.MGRS().substr(0, 2), " 5");
  ZedizAdo in = Object(mvWGS1984, mvWGS1984, mvMgrs);
  in.MGRS(out.MGRS());
  EXPECT_EQ(in.MGRS()[0], '5');
  in.Conversion();
  EXPECT_EQ(in.Error(), "");
  EXPECT_NEAR(in.Latitude(), 20, 1e-5);
  EXPECT_NEAR(in.Longitude(), -153, 1e-5);
}

TEST(Conversion, MgrsPrecisionCutsTheOutput) {
  struct Row { std::int32_t precision; std::size_t length; };
  const Row rows[] = {{10000, 7}, {1000, 9}, {100, 11}, {10, 13}, {0, 15}, {1, 15}, {5, 15}, {-10, 15}};
  ZedizAdo full = Deg(50.8, 4.35);
  full.Conversion();
  const std::string whole = full.MGRS();
  for (const Row& r : rows) {
    ZedizAdo o = Deg(50.8, 4.35);
    o.mgrsPrecision = r.precision;
    o.Conversion();
    const std::size_t digits = (r.length - 5) / 2;
    EXPECT_EQ(o.MGRS(), whole.substr(0, 5 + digits) + whole.substr(10, digits)) << r.precision;
  }
  ZedizAdo polar = Deg(85, 4.35);
  polar.mgrsPrecision = 100;
  polar.Conversion();
  EXPECT_EQ(polar.Error(), "");
  EXPECT_EQ(polar.MGRS(), "");
  EXPECT_EQ(polar.Northing(), 0);
  EXPECT_EQ(polar.Easting(), 0);
}

TEST(Conversion, PositionsNearThePolesAndTheAntimeridianStayInRange) {
  for (InternalDatums from : kDatums)
    for (InternalDatums to : kDatums)
      for (auto [lat, lon] : {std::pair{90.0, 4.35}, {89.9999, 4.35}, {-90.0, 0.0},
                              {-89.9999, -179.9999}, {0.0, 180.0}, {10.0, -180.0}}) {
        ZedizAdo o = Deg(lat, lon, from, to);
        ASSERT_NO_THROW(o.Conversion()) << from << to << " " << lat << " " << lon;
        EXPECT_EQ(o.Error(), "");
        EXPECT_TRUE(o.Latitude() >= -90 && o.Latitude() <= 90) << o.Latitude();
        EXPECT_TRUE(o.Longitude() >= -180 && o.Longitude() <= 180) << o.Longitude();
      }
}

TEST(Conversion, EveryKindOnEveryPairOfDatums) {
  for (InternalDatums from : kDatums)
    for (InternalDatums to : kDatums) {
      ZedizAdo deg = Deg(50.8, 4.35, from, to);
      deg.Conversion();
      ASSERT_EQ(deg.Error(), "");
      ZedizAdo dms = Object(from, to, mvDegMinSec);
      dms.LatDmsDeg(50), dms.LatDmsMin(48), dms.LonDmsDeg(4), dms.LonDmsMin(21);
      dms.Conversion();
      ZedizAdo lmb = Object(from, to, mvLambert72);
      lmb.X(deg.X()), lmb.Y(deg.Y());
      lmb.Conversion();
      ZedizAdo ifb = Object(from, to, mvIFBL);
      ifb.IFBL(deg.IFBL());
      ifb.Conversion();
      ZedizAdo mgr = Object(to, to, mvMgrs);
      mgr.MGRS(deg.MGRS());
      mgr.Conversion();
      for (const ZedizAdo* o : {&dms, &lmb, &ifb, &mgr}) EXPECT_EQ(o->Error(), "") << from << to;
      // The same point in every representation.
      EXPECT_NEAR(dms.Latitude(), deg.Latitude(), 1e-12);
      // Through Lambert the point goes to the Belgian datum and back: the
      // two shifts leave a few millimetres.
      EXPECT_NEAR(lmb.Latitude(), deg.Latitude(), 1e-6);
      EXPECT_NEAR(lmb.Longitude(), deg.Longitude(), 1e-6);
      EXPECT_EQ(lmb.MGRS().substr(0, 5), deg.MGRS().substr(0, 5));
      EXPECT_NEAR(ifb.X(), deg.X(), 710);
      EXPECT_NEAR(mgr.Latitude(), deg.Latitude(), 2e-5);
      EXPECT_NEAR(mgr.Longitude(), deg.Longitude(), 2e-5);
      EXPECT_EQ(lmb.IFBL(), deg.IFBL());
    }
}

TEST(Conversion, RoundTripsThroughTheObject) {
  for (double lat = 49.5; lat <= 51.5; lat += 0.25)
    for (double lon = 2.6; lon <= 6.4; lon += 0.4) {
      ZedizAdo deg = Deg(lat, lon, mvWGS1984, mvWGS1984);
      deg.Conversion();
      ASSERT_EQ(deg.Error(), "");
      ZedizAdo lmb = Object(mvWGS1984, mvWGS1984, mvLambert72);
      lmb.X(deg.X()), lmb.Y(deg.Y());
      lmb.Conversion();
      // Two datum shifts (there and back) do not cancel exactly: a few mm.
      EXPECT_NEAR(lmb.Latitude(), lat, 1e-6);
      EXPECT_NEAR(lmb.Longitude(), lon, 1e-6);

      ZedizAdo mgr = Object(mvWGS1984, mvWGS1984, mvMgrs);
      mgr.MGRS(deg.MGRS());
      mgr.Conversion();
      EXPECT_NEAR(mgr.Northing(), deg.Northing(), 1.0);
      EXPECT_NEAR(mgr.Easting(), deg.Easting(), 1.0);

      ZedizAdo dms = Object(mvWGS1984, mvWGS1984, mvDegMinSec);
      dms.LatDmsDeg(deg.LatDmsDeg()), dms.LatDmsMin(deg.LatDmsMin()), dms.LatDmsSec(deg.LatDmsSec());
      dms.LonDmsDeg(deg.LonDmsDeg()), dms.LonDmsMin(deg.LonDmsMin()), dms.LonDmsSec(deg.LonDmsSec());
      dms.Conversion();
      EXPECT_NEAR(dms.Latitude(), lat, 1e-6);
      EXPECT_NEAR(dms.Longitude(), lon, 1e-6);

      if (!deg.IFBL().empty()) {
        ZedizAdo ifb = Object(mvWGS1984, mvWGS1984, mvIFBL);
        ifb.IFBL(deg.IFBL());
        ifb.Conversion();
        ZedizAdo centre = Object(mvWGS1984, mvWGS1984, mvLambert72);
        centre.X(ifb.X()), centre.Y(ifb.Y());
        centre.Conversion();
        EXPECT_EQ(centre.IFBL(), deg.IFBL());
      }
    }
}

TEST(Conversion, MessageOfAnEarlierCallStaysAfterASuccessfulOne) {
  ZedizAdo o = Deg(95, 4);
  o.Conversion();
  o.Latitude(50);
  o.Conversion();
  EXPECT_EQ(o.Error(), "Coordonnées DEG incorrectes");
  EXPECT_NE(o.X(), 0);
}

TEST(Conversion, ResetThenConversionAsksForAType) {
  ZedizAdo o = Deg(50, 4);
  o.Conversion();
  o.Reset();
  o.Conversion();
  EXPECT_EQ(o.Error(), "Type de coordonnées originales inconnu");
}

}  // namespace
