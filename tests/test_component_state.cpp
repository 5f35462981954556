// The object's state, its accessors, creation and Reset.
#include <gtest/gtest.h>

#include <morvane/zediz_ado.hpp>

using namespace morvane;

namespace {

TEST(ZedizAdo, CreationState) {
  ZedizAdo o;
  EXPECT_EQ(o.Error(), "");
  EXPECT_EQ(o.OrigType(), 0);
  EXPECT_EQ(o.MGRS(), "");
  EXPECT_EQ(o.IFBL(), "");
  for (double v : {o.X(), o.Y(), o.Latitude(), o.Longitude(), o.Northing(), o.Easting()})
    EXPECT_EQ(v, 0);
  EXPECT_EQ(o.LatDmsDeg() | o.LatDmsMin() | o.LonDmsDeg() | o.LonDmsMin(), 0);
  EXPECT_EQ(o.LatDmsSec(), 0);
  EXPECT_EQ(o.LonDmsSec(), 0);
  EXPECT_EQ(o.IfblPrecision, 0);
  EXPECT_EQ(o.mgrsPrecision, 0);
  // Both datums hold 1: setting them to 1 again changes nothing.
  ZedizAdo same;
  same.DatumFrom(mvEuropeanData1950);
  same.DatumDest(mvEuropeanData1950);
  EXPECT_EQ(o, same);
  ZedizAdo other;
  other.DatumFrom(mvWGS1984);
  EXPECT_NE(o, other);
}

TEST(ZedizAdo, EnumerationPutsStoreAndReport) {
  struct Row {
    void (*put)(ZedizAdo&, int);
    int value;
    const char* message;
  };
  const auto origType = [](ZedizAdo& o, int v) { o.OrigType(OriginalCoordinates(v)); };
  const auto datumFrom = [](ZedizAdo& o, int v) { o.DatumFrom(InternalDatums(v)); };
  const auto datumDest = [](ZedizAdo& o, int v) { o.DatumDest(InternalDatums(v)); };
  const Row rows[] = {
      {origType, 6, "Type de coordonnées originales inconnu"},
      {origType, 0, "Type de coordonnées originales inconnu"},
      {origType, -1, "Type de coordonnées originales inconnu"},
      {origType, 1, ""},
      {origType, 5, ""},
      {datumFrom, 0, "Datum de départ inconnu"},
      {datumFrom, 5, "Datum de départ inconnu"},
      {datumFrom, 4, ""},
      {datumDest, 0, "Datum destination inconnu"},
      {datumDest, -7, "Datum destination inconnu"},
      {datumDest, 2, ""},
  };
  for (const Row& r : rows) {
    ZedizAdo o;
    r.put(o, r.value);
    EXPECT_EQ(o.Error(), r.message) << r.value;
  }
  ZedizAdo o;
  o.OrigType(OriginalCoordinates(6));
  EXPECT_EQ(o.OrigType(), 6);
}

TEST(ZedizAdo, ErrorIsStickyUntilReset) {
  ZedizAdo o;
  o.DatumFrom(InternalDatums(9));
  o.DatumFrom(mvWGS1984);  // a sound put does not clear the message
  o.OrigType(mvDeg);
  EXPECT_EQ(o.Error(), "Datum de départ inconnu");
  o.DatumDest(InternalDatums(0));
  EXPECT_EQ(o.Error(), "Datum destination inconnu");
  o.Reset();
  EXPECT_EQ(o.Error(), "");
}

TEST(ZedizAdo, TextPuts) {
  ZedizAdo o;
  o.MGRS(std::string("  31ufs1234 "));
  EXPECT_EQ(o.MGRS(), "31ufs1234");
  o.MGRS(std::string("   "));
  EXPECT_EQ(o.MGRS(), "");

  struct Row { const char* in; const char* stored; };
  const Row rows[] = {{" f5.16.34 ", "f51634"},
                      {"d6-54-42", "d65442"},
                      {"E5 35 41", "E53541"},
                      {"..--  ", ""},
                      {"M0", "M0"}};
  for (const Row& r : rows) {
    std::string value = r.in;
    o.IFBL(value);
    EXPECT_EQ(value, r.stored) << r.in;  // written back to the caller
    EXPECT_EQ(o.IFBL(), r.stored) << r.in;
  }
}

TEST(ZedizAdo, ResetClearsOutputsOnly) {
  ZedizAdo o;
  o.IfblPrecision = 4;
  o.mgrsPrecision = 100;
  o.DatumFrom(mvWGS1984);
  o.DatumDest(mvBelgium1972);
  o.OrigType(mvDeg);
  o.X(1), o.Y(2), o.Latitude(3), o.Longitude(4), o.Northing(5), o.Easting(6);
  o.MGRS(std::string("31UES"));
  o.IFBL(std::string("E5"));
  o.LatDmsDeg(50), o.LatDmsMin(7), o.LatDmsSec(1.5f);
  o.LonDmsDeg(4), o.LonDmsMin(20), o.LonDmsSec(2.5f);
  o.Reset();

  ZedizAdo want;
  want.IfblPrecision = 4;
  want.mgrsPrecision = 100;
  want.DatumFrom(mvWGS1984);
  want.DatumDest(mvBelgium1972);
  want.LatDmsDeg(50), want.LatDmsMin(7), want.LatDmsSec(1.5f);
  want.LonDmsDeg(4), want.LonDmsMin(20), want.LonDmsSec(2.5f);
  EXPECT_EQ(o, want);
  EXPECT_EQ(o.LatDmsDeg(), 50);
  EXPECT_EQ(o.OrigType(), 0);
}

}  // namespace
