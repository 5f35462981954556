// JSON reading and writing of the command-line tool.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/morvane/json_mode.hpp"

namespace morvane::cli {
namespace {

std::string JsonString(std::string_view text) {
  OutBuffer out;
  WriteJsonString(text, out);
  return std::string(out.View());
}

TEST(JsonString, EscapesAndKeepsValidUtf8) {
  EXPECT_EQ(JsonString("31UFS"), "\"31UFS\"");
  EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonString("\t\n\x01"), "\"\\u0009\\u000a\\u0001\"");
  EXPECT_EQ(JsonString("Coordonn\xC3\xA9" "es"), "\"Coordonn\xC3\xA9" "es\"");
  // Invalid UTF-8 would make the whole line unreadable to a JSON parser.
  EXPECT_EQ(JsonString("a\xFF" "b"), "\"a\xEF\xBF\xBD" "b\"");
  EXPECT_EQ(JsonString("\xC3"), "\"\xEF\xBF\xBD\"");           // cut sequence
  EXPECT_EQ(JsonString("\xC0\xAF"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");  // overlong
  EXPECT_EQ(JsonString("\xED\xA0\x80"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");  // surrogate
}

TEST(JsonLine, PutsEveryWritableProperty) {
  ZedizAdo object;
  PutDatums datums;
  std::string problem;
  ASSERT_TRUE(ReadJsonLine(
      R"( {"DatumFrom":3, "DatumDest":2,"OrigType":5,"Latitude":50.8,"Longitude":-4.35e0,)"
      R"("LatDmsDeg":50,"LatDmsMin":48.0,"LatDmsSec":12.3,"LonDmsDeg":-4,"LonDmsMin":21,)"
      R"("LonDmsSec":9,"X":149000,"Y":170000.5,"Northing":1,"Easting":2,)"
      R"("MGRS":"  31UFS1 ","IFBL":"e4.15.22","mgrsPrecision":100,"IfblPrecision":4} )",
      object, datums, problem))
      << problem;
  EXPECT_EQ(datums.from, mvWGS1984);
  EXPECT_EQ(datums.dest, mvBelgium1972);
  EXPECT_EQ(object.OrigType(), mvDegMinSec);
  EXPECT_EQ(object.Latitude(), 50.8);
  EXPECT_EQ(object.Longitude(), -4.35);
  EXPECT_EQ(object.LatDmsMin(), 48);
  EXPECT_EQ(object.LatDmsSec(), 12.3f);  // read as a float, not rounded twice
  EXPECT_EQ(object.LonDmsDeg(), -4);
  EXPECT_EQ(object.Y(), 170000.5);
  EXPECT_EQ(object.Easting(), 2);
  EXPECT_EQ(object.MGRS(), "31UFS1");
  EXPECT_EQ(object.IFBL(), "e41522");
  EXPECT_EQ(object.mgrsPrecision, 100);
  EXPECT_EQ(object.IfblPrecision, 4);
  EXPECT_EQ(object.Error(), "");
}

TEST(JsonLine, PutsInTheOrderWritten) {
  // An out-of-range OrigType leaves its message even if a later member
  // sets a good one: the puts are those of the interface.
  ZedizAdo object;
  PutDatums datums;
  std::string problem;
  ASSERT_TRUE(ReadJsonLine(R"({"OrigType":9,"OrigType":2,"DatumFrom":0})", object, datums, problem));
  EXPECT_EQ(object.OrigType(), mvDeg);
  EXPECT_EQ(datums.from, 0);
  EXPECT_EQ(object.Error(), message::kUnknownDatumFrom);
}

TEST(JsonLine, StringEscapesAreDecoded) {
  ZedizAdo object;
  PutDatums datums;
  std::string problem;
  ASSERT_TRUE(ReadJsonLine(R"({"MGRS":"31\u0055FS\/1"})", object, datums, problem)) << problem;
  EXPECT_EQ(object.MGRS(), "31UFS/1");
  ASSERT_TRUE(ReadJsonLine(R"({"IFBL":"\u00e9\ud83d\ude00"})", object, datums, problem)) << problem;
  EXPECT_EQ(object.IFBL(), "\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(JsonLine, RejectsWhatItCannotPut) {
  const struct {
    const char* line;
    const char* problem;
  } cases[] = {
      {"", "expected '{' at column 1"},
      {"[1]", "expected '{' at column 1"},
      {R"({"Latitude":50.8)", "expected ',' or '}' at column 17"},
      {R"({"Latitude":50.8} x)", "text after the object at column 19"},
      {R"({"latitude":50.8})", "unknown property 'latitude' at column 2"},
      {R"({"Error":""})", "property 'Error' is read-only at column 2"},
      {R"({"Latitude":"50.8"})", "Latitude: expected a number at column 13"},
      {R"({"Latitude":1e999})", "Latitude: number out of range of a 64-bit float at column 13"},
      {R"({"Latitude":.5})", "Latitude: expected a number at column 13"},
      {R"({"Latitude":05})", "expected ',' or '}' at column 14"},
      {R"({"Latitude":NaN})", "Latitude: expected a number at column 13"},
      {R"({"LatDmsDeg":32768})", "LatDmsDeg: expected a 16-bit integer at column 14"},
      {R"({"LatDmsDeg":1.5})", "LatDmsDeg: expected a 16-bit integer at column 14"},
      {R"({"OrigType":2147483648})", "OrigType: expected a 32-bit integer at column 13"},
      {R"({"LatDmsSec":1e39})", "LatDmsSec: number out of range of a 32-bit float at column 14"},
      {R"({"MGRS":31})", "MGRS: expected a string at column 9"},
      {R"({"MGRS":"31U)", "unterminated string at column 13"},
      {R"({"MGRS":"a\qb"})", "unknown escape in string at column 12"},
      {R"({"MGRS":"\ud800"})", "unpaired surrogate in string at column 16"},
      {"{\"MGRS\":\"a\tb\"}", "control character in string at column 11"},
      {R"({"Latitude" 50})", "expected ':' at column 13"},
      {R"({"Latitude":50,})", "expected a string at column 16"},
  };
  for (const auto& c : cases) {
    ZedizAdo object;
    PutDatums datums;
    std::string problem;
    EXPECT_FALSE(ReadJsonLine(c.line, object, datums, problem)) << c.line;
    EXPECT_EQ(problem, std::string("cannot read line: ") + c.problem) << c.line;
  }
}

TEST(JsonLine, EmptyObjectPutsNothing) {
  ZedizAdo object;
  PutDatums datums;
  std::string problem;
  EXPECT_TRUE(ReadJsonLine(" { } ", object, datums, problem));
  EXPECT_TRUE(object == ZedizAdo{});
}

TEST(JsonLines, EveryLineInPlaceAndCounted) {
  // Comments and blank lines in place; a line that cannot be read, one
  // with a message and two converted points counted as such.
  const std::string block =
      "  # note  \r\n"
      "{\"DatumFrom\":3,\"DatumDest\":2,\"OrigType\":2,\"Latitude\":50.8,\"Longitude\":4.35}\n"
      "{\"OrigType\":9,\"Latitude\":50.8}\n"
      "{\"Latitude\":}\n"
      "\n"
      "{\"DatumFrom\":3,\"DatumDest\":2,\"OrigType\":4,\"X\":150000,\"Y\":170000}";
  JsonLines lines;
  for (int run = 0; run < 2; ++run) {  // the converter forgets each block
    OutBuffer out;
    LineCounts counts;
    lines.Convert(block, out, counts);
    std::vector<std::string> written;
    std::string_view text = out.View();
    for (auto end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
      written.emplace_back(text.substr(0, end));
      text.remove_prefix(end + 1);
    }
    EXPECT_TRUE(text.empty());
    ASSERT_EQ(written.size(), 6u);
    EXPECT_EQ(written[0], "  # note");
    EXPECT_NE(written[1].find("\"X\":"), std::string::npos);
    EXPECT_NE(written[1].find("\"Error\":\"\""), std::string::npos);
    EXPECT_EQ(written[2].find("\"Error\":\"\""), std::string::npos);
    EXPECT_EQ(written[3], "{\"Error\":\"cannot read line: Latitude: expected a number at column 13\"}");
    EXPECT_EQ(written[4], "");
    EXPECT_NE(written[5].find("\"OrigType\":4"), std::string::npos);
    EXPECT_EQ(counts.lines, 6u);
    EXPECT_EQ(counts.converted, 2u);
    EXPECT_EQ(counts.failed, 2u);
  }
}

}  // namespace
}  // namespace morvane::cli
