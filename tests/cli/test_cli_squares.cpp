// The squares' plumbing in the tool: the kind a code's shape says, the
// members of the core's Darwin Core object read back (escapes undone), and
// a row's fields added to the core's Features.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tools/morvane/squares.hpp"

namespace morvane::cli {
namespace {

TEST(Squares, KindFromTheCodesShape) {
  const struct {
    const char* code;
    InputKind kind;
  } cases[] = {
      {"E42544", InputKind::Ifbl},   {"e4.25.44", InputKind::Ifbl}, {" 5QKB4242", InputKind::Mgrs},
      {"31UES9534", InputKind::Mgrs}, {"\t31U ES", InputKind::Mgrs}, {"", InputKind::Ifbl},
  };
  for (const auto& c : cases) EXPECT_EQ(KindOfCode(c.code), c.kind) << c.code;
}

TEST(Squares, MembersOfTheCoresObject) {
  using Members = std::vector<std::pair<std::string, std::string>>;
  const struct {
    const char* json;
    bool read;
    Members members;
  } cases[] = {
      {R"({"decimalLatitude":50.8465255,"geodeticDatum":"EPSG:4326","Error":""})", true,
       {{"decimalLatitude", "50.8465255"}, {"geodeticDatum", "EPSG:4326"}, {"Error", ""}}},
      {R"({"verbatimCoordinates":"a\"b\\c\u000ad, e","Error":"Coordonnée"})", true,
       {{"verbatimCoordinates", "a\"b\\c\nd, e"}, {"Error", "Coordonnée"}}},
      {R"({})", true, {}},
      {R"({"a":"no end})", false, {}},
      {R"({"a":1)", false, {}},
      {R"({"a":1}x)", false, {}},
      {"", false, {}},
  };
  for (const auto& c : cases) {
    Members members;
    EXPECT_EQ(JsonMembers(c.json, members), c.read) << c.json;
    if (c.read) {
      EXPECT_EQ(members, c.members) << c.json;
    }
  }
}

TEST(Squares, RowFieldsJoinTheFeaturesProperties) {
  const std::string feature = R"({"type":"Feature","geometry":null,"properties":{"Error":"x"}})";
  const std::vector<std::pair<std::string_view, std::string_view>> fields{{"nr", "1"}, {"note", "a \"b\""}};
  OutBuffer out;
  AppendFeature(feature, fields, out);
  EXPECT_EQ(out.View(), R"({"type":"Feature","geometry":null,"properties":{"Error":"x","nr":"1","note":"a \"b\""}})");
  out.Clear();
  AppendProblemFeature("cannot read row", {{"nr", "2"}}, out);
  EXPECT_EQ(out.View(),
            R"({"type":"Feature","geometry":null,"properties":{"Error":"cannot read row","nr":"2"}})");
}

}  // namespace
}  // namespace morvane::cli
