// A point's fields: putting each kind into an object, the messages that
// name an unreadable field, and the value columns of a converted point.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include <morvane/zediz_ado.hpp>
#include "tools/morvane/point_fields.hpp"

namespace morvane::cli {
namespace {

TEST(PutInput, FieldsOfEachKind) {
  std::string text, problem;
  ZedizAdo object;
  std::array<std::string_view, 6> f{"50.8", "+4.35"};
  ASSERT_TRUE(PutInput(object, InputKind::Deg, false, f, text, problem));
  EXPECT_EQ(object.Latitude(), 50.8);
  EXPECT_EQ(object.Longitude(), 4.35);
  ASSERT_TRUE(PutInput(object, InputKind::Deg, true, f, text, problem));
  EXPECT_EQ(object.Latitude(), 4.35);
  EXPECT_EQ(object.Longitude(), 50.8);
  ASSERT_TRUE(PutInput(object, InputKind::Lambert, false, f, text, problem));
  EXPECT_EQ(object.X(), 50.8);
  EXPECT_EQ(object.Y(), 4.35);
  f = {"e4.15.22"};
  ASSERT_TRUE(PutInput(object, InputKind::Ifbl, false, f, text, problem));
  EXPECT_EQ(object.IFBL(), "e41522");
  f = {"31UFS12"};
  ASSERT_TRUE(PutInput(object, InputKind::Mgrs, false, f, text, problem));
  EXPECT_EQ(object.MGRS(), "31UFS12");
}

TEST(PutInput, DmsSignOfAnAngleBelowOneDegree) {
  const struct {
    std::array<std::string_view, 6> fields;
    std::int16_t latMin;
    float latSec;
    std::int16_t lonDeg, lonMin;
    float lonSec;
  } cases[] = {
      {{"50", "30", "1.5", "-4", "21", "9"}, 30, 1.5f, -4, 21, 9},
      // "-0" cannot live in a 16-bit integer: the sign moves to the minutes,
      // or to the seconds when the minutes are 0.
      {{"-0", "30", "1.5", "-0", "0", "9"}, -30, 1.5f, 0, 0, -9},
      {{"0", "-30", "1.5", "0", "0", "-9"}, -30, 1.5f, 0, 0, -9},
      {{"+0", "30", "1.5", "0", "0", "9"}, 30, 1.5f, 0, 0, 9},
  };
  for (const auto& c : cases) {
    ZedizAdo object;
    std::string text, problem;
    ASSERT_TRUE(PutInput(object, InputKind::Dms, false, c.fields, text, problem)) << problem;
    EXPECT_EQ(object.LatDmsMin(), c.latMin);
    EXPECT_EQ(object.LatDmsSec(), c.latSec);
    EXPECT_EQ(object.LonDmsDeg(), c.lonDeg);
    EXPECT_EQ(object.LonDmsMin(), c.lonMin);
    EXPECT_EQ(object.LonDmsSec(), c.lonSec);
  }
}

TEST(PutInput, NamesTheUnreadableField) {
  const struct {
    InputKind kind;
    std::array<std::string_view, 6> fields;
    const char* problem;
  } cases[] = {
      {InputKind::Deg, {"50.8", "x"}, "cannot read LON 'x': not a number"},
      {InputKind::Lambert, {"1e999", "0"}, "cannot read X '1e999': not a number"},
      {InputKind::Dms, {"50", "30.5", "0", "4", "0", "0"},
       "cannot read LATM '30.5': not a whole number from -32768 to 32767"},
      {InputKind::Dms, {"50", "30", "0", "4", "0", "s"}, "cannot read LONS 's': not a number"},
  };
  for (const auto& c : cases) {
    ZedizAdo object;
    std::string text, problem;
    EXPECT_FALSE(PutInput(object, c.kind, false, c.fields, text, problem));
    EXPECT_EQ(problem, c.problem);
  }
}

TEST(ValueColumns, ReferencesZonesMessagesAndDecimalMarks) {
  Settings settings;
  settings.columns = {Columns::Lambert, Columns::Utm, Columns::Mgrs};
  PointValues v;
  v.x = 150000.5, v.y = 170000, v.easting = 571666.25, v.northing = 5539109.5;
  const struct {
    const char* mgrs;
    std::int16_t zone;  // as the batch call gives it
    char hemisphere;
    ValueStyle style;
    const char* written;
  } cases[] = {
      {"31UES9521533649", 31, 'N', {}, "150000.5\t170000\t31\tN\t571666.25\t5539109.5\t31UES9521533649"},
      // Zones 1 to 9 begin with a blank, which would split the column.
      {" 2UNA7166639110", 2, 'N', {}, "150000.5\t170000\t2\tN\t571666.25\t5539109.5\t2UNA7166639110"},
      {"33MUT12345", 33, 'S', {}, "150000.5\t170000\t33\tS\t571666.25\t5539109.5\t33MUT12345"},
      {"MGRS  NOT VALID", 0, 0, {}, "150000.5\t170000\t*\t*\t*\t*\t*"},
      // A text with a blank inside is no reference, whatever its zone.
      {"31U ES 95215 33649", 31, 'N', {}, "150000.5\t170000\t*\t*\t*\t*\t*"},
      // A reference without a zone gets no UTM position.
      {"31XES9521533649", 0, 0, {}, "150000.5\t170000\t*\t*\t*\t*\t31XES9521533649"},
      {"", 0, 0, {';', "", false, false}, "150000.5;170000;;;;;"},
      {" 2UNA71663911", 2, 'N', {';', "", true, false}, "150000,5;170000;2;N;571666,25;5539109,5;2UNA71663911"},
      {"31UES95213364", 31, 'N', {',', "", true, true},
       "\"150000,5\",170000,31,N,\"571666,25\",\"5539109,5\",31UES95213364"},
  };
  for (const auto& c : cases) {
    v.mgrs = c.mgrs;
    v.zone = c.zone, v.hemisphere = c.hemisphere;
    OutBuffer out;
    WriteValueColumns(settings, c.style, v, out);
    EXPECT_EQ(out.View(), c.written) << c.mgrs;
  }
}

}  // namespace
}  // namespace morvane::cli
