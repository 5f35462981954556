// Belgium's systems of today through the tool: the agency's check points
// in every mode, today's columns only when a call uses or asks for them,
// bad settings refused before any work, and rows with a message kept in
// place.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/morvane/settings.hpp"

namespace morvane::cli {
namespace {

struct Ran {
  int status = -1;
  std::string out, err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the tool with the arguments (quoted for the shell) and the input.
Ran RunTool(const std::vector<std::string>& args, const std::string& input = "") {
  const std::string base = ::testing::TempDir() + "morvane_today_" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::ofstream(base + ".in", std::ios::binary) << input;
  std::string command = "'" MORVANE_TOOL "'";
  for (const std::string& arg : args) command += " '" + arg + "'";
  command += " < '" + base + ".in' > '" + base + ".out' 2> '" + base + ".err'";
  Ran ran;
  const int raw = std::system(command.c_str());
  ran.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  ran.out = Slurp(base + ".out");
  ran.err = Slurp(base + ".err");
  return ran;
}

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') quoted = !quoted;
    else if (c == separator && !quoted) fields.push_back(field), field.clear();
    else field += c;
  }
  fields.push_back(field);
  return fields;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The number after "Key": in a JSON line, NaN when absent or null.
double JsonNumber(const std::string& json, const std::string& key) {
  const auto at = json.find("\"" + key + "\":");
  if (at == std::string::npos) return NAN;
  const char* start = json.c_str() + at + key.size() + 3;
  char* end = nullptr;
  const double value = std::strtod(start, &end);
  return end == start ? NAN : value;
}

// The value of a named column in row `row` (1: the first after the header)
// of a table with a header line ("# " in text mode).
std::string Column(const std::string& out, char separator, const std::string& name, std::size_t row) {
  const std::vector<std::string> lines = Lines(out);
  if (lines.size() <= row) return "<no row>";
  std::string header = lines[0];
  if (header.rfind("# ", 0) == 0) header.erase(0, 2);
  const std::vector<std::string> names = Split(header, separator);
  const std::vector<std::string> values = Split(lines[row], separator);
  for (std::size_t i = 0; i < names.size() && i < values.size(); ++i)
    if (names[i] == name) return values[i];
  return "<no column " + name + ">";
}

constexpr double kTenthOfMillimetre = 1e-4;

// The agency's check points, published with PROJ's grids.
constexpr double kLambert72X = 149186.41, kLambert72Y = 170810.74;
constexpr double kLambert2008X = 649186.03701863, kLambert2008Y = 670811.16949360;
constexpr const char* kLat = "50.22054332";
constexpr const char* kLon = "4.663484651";
constexpr const char* kEllipsoidal = "354.6988105";
constexpr double kOstend = 310.9250;

TEST(TodayCheckPoints, EveryModeGivesTheAgencysValues) {
  const struct {
    const char* mode;
    std::vector<std::string> args;
    std::string input;
    char separator;  // 0: JSON
    const char* column;
    double expected;
  } cases[] = {
      {"convert", {"convert", "--lambert", "149186.41", "170810.74", "--method", "grid", "--json"}, "", 0,
       "X2008", kLambert2008X},
      {"convert", {"convert", "--lambert", "149186.41", "170810.74", "--method", "grid", "--json"}, "", 0,
       "Y2008", kLambert2008Y},
      {"convert back", {"convert", "--lambert2008", "649186.03701863", "670811.16949360", "--method", "grid", "--json"},
       "", 0, "X", kLambert72X},
      {"convert back", {"convert", "--lambert2008", "649186.03701863", "670811.16949360", "--method", "grid", "--json"},
       "", 0, "Y", kLambert72Y},
      {"convert", {"convert", "--deg", kLat, kLon, "--from", "etrs89", "--height", kEllipsoidal, "--json"}, "", 0,
       "OstendHeight", kOstend},
      {"text", {"batch", "--input", "lambert", "--method", "grid", "--header", "--output", "lambert"},
       "149186.41 170810.74\n", '\t', "X2008", kLambert2008X},
      {"text", {"batch", "--input", "lambert", "--method", "grid", "--header", "--output", "lambert"},
       "149186.41 170810.74\n", '\t', "Y2008", kLambert2008Y},
      {"text", {"batch", "--from", "etrs89", "--height-kind", "ellipsoidal", "--header", "--output", "deg"},
       std::string(kLat) + " " + kLon + " " + kEllipsoidal + "\n", '\t', "OstendHeight", kOstend},
      {"csv", {"batch", "--csv", "--input", "lambert", "--method", "grid", "--output", "deg"},
       "x,y\n149186.41,170810.74\n", ',', "X2008", kLambert2008X},
      {"csv", {"batch", "--csv", "--from", "etrs89", "--height-kind", "ellipsoidal", "--output", "deg"},
       std::string("lat,lon,h\n") + kLat + "," + kLon + "," + kEllipsoidal + "\n", ',', "OstendHeight", kOstend},
      {"jsonl", {"batch", "--jsonl"},
       "{\"OrigType\":4,\"DatumFrom\":2,\"X\":149186.41,\"Y\":170810.74,\"Method\":\"grid\"}\n", 0, "Y2008",
       kLambert2008Y},
      {"jsonl", {"batch", "--jsonl"},
       std::string("{\"OrigType\":2,\"DatumFrom\":5,\"Latitude\":") + kLat + ",\"Longitude\":" + kLon +
           ",\"HeightKind\":\"ellipsoidal\",\"Height\":" + kEllipsoidal + "}\n",
       0, "OstendHeight", kOstend},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " " + c.column);
    const Ran ran = RunTool(c.args, c.input);
    ASSERT_EQ(ran.status, 0) << ran.err << ran.out;
    const double value = c.separator == 0 ? JsonNumber(ran.out, c.column)
                                          : std::strtod(Column(ran.out, c.separator, c.column, 1).c_str(), nullptr);
    EXPECT_NEAR(value, c.expected, kTenthOfMillimetre) << ran.out;
  }
}

TEST(TodayColumns, OnlyWhenTheCallUsesOrAsksForThem) {
  const char* deg = "50.8467 4.3525\n";
  const char* csv = "lat,lon\n50.8467,4.3525\n";
  const char* jsonl = "{\"OrigType\":2,\"DatumFrom\":3,\"Latitude\":50.8467,\"Longitude\":4.3525}\n";
  const struct {
    std::vector<std::string> args;
    std::string input;
    const char* mark;  // what shows today's output
    bool today;
  } cases[] = {
      {{"convert", "--deg", "50.8467", "4.3525"}, "", "Lambert 2008 X", false},
      {{"convert", "--deg", "50.8467", "4.3525", "--today"}, "", "Lambert 2008 X", true},
      {{"convert", "--deg", "50.8467", "4.3525", "--to", "etrs89"}, "", "Lambert 2008 X", true},
      {{"convert", "--deg", "50.8467", "4.3525", "--json"}, "", "\"X2008\"", false},
      {{"convert", "--deg", "50.8467", "4.3525", "--json", "--method", "grid"}, "", "\"X2008\"", true},
      {{"convert", "--deg", "50.8467", "4.3525", "--json", "--method", "shift"}, "", "\"X2008\"", false},
      {{"batch", "--header"}, deg, "X2008", false},
      {{"batch", "--header", "--today"}, deg, "X2008", true},
      {{"batch", "--header", "--output", "deg,today"}, deg, "X2008", true},
      {{"batch", "--header", "--output", "all"}, deg, "X2008", false},
      {{"batch", "--header", "--from", "etrs89"}, deg, "X2008", true},
      {{"batch", "--csv"}, csv, "X2008", false},
      {{"batch", "--csv", "--method", "grid"}, csv, "X2008", true},
      {{"batch", "--jsonl"}, jsonl, "\"X2008\"", false},
      {{"batch", "--jsonl", "--today"}, jsonl, "\"X2008\"", true},
  };
  for (const auto& c : cases) {
    std::string shown;
    for (const std::string& arg : c.args) shown += arg + ' ';
    SCOPED_TRACE(shown);
    const Ran ran = RunTool(c.args, c.input);
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.out.find(c.mark) != std::string::npos, c.today) << ran.out;
    EXPECT_EQ(ran.out.find("Route") != std::string::npos, c.today) << ran.out;
  }
}

TEST(TodaySettings, BadOnesAreArgumentErrorsBeforeAnyWork) {
  const std::vector<std::string> cases[] = {
      {"convert", "--deg", "50", "4", "--method", "helmert"},
      {"convert", "--deg", "50", "4", "--height", "10", "--height-kind", "geoid"},
      {"convert", "--deg", "50", "4", "--height-kind", "ostend"},
      {"convert", "--deg", "50", "4", "--height", "10", "--height-kind", "none"},
      {"convert", "--deg", "50", "4", "--height", "ten"},
      {"convert", "--lambert2008", "650000"},
      {"batch", "--method", "3"},
      {"batch", "--height-kind", "orthometric"},
      {"batch", "--jsonl", "--method", "grid"},
      {"batch", "--output", "deg,tomorrow"},
      {"batch", "--csv", "--height-kind", "ostend"},                        // no height column
      {"batch", "--csv", "--height-kind", "ostend", "--columns", "lat,lon"},  // the height missing
  };
  for (const auto& args : cases) {
    std::string shown;
    for (const std::string& arg : args) shown += arg + ' ';
    SCOPED_TRACE(shown);
    const Ran ran = RunTool(args, "lat,lon,name\n50.8,4.3,a\n");
    EXPECT_EQ(ran.status, 2) << ran.out;
    EXPECT_EQ(ran.out, "");
    EXPECT_NE(ran.err, "");
  }
}

TEST(TodayCsv, HeightColumnAndMessagesKeepTheirRows) {
  // Semicolons and decimal commas, a Dutch height column, a point outside
  // the agency's grid between two inside, a height outside hBG18 and an
  // unreadable height.
  const std::string input =
      "naam;breedte;lengte;hoogte\r\n"
      "a;50,22054332;4,663484651;354,6988105\r\n"
      "b;52,9;7,5;10\r\n"
      "c;50,8467;4,3525;100\r\n"
      "d;45;0;100\r\n"
      "e;50,8;4,3;veel\r\n";
  const Ran ran = RunTool({"batch", "--csv", "--from", "etrs89", "--to", "bd72", "--method", "grid",
                       "--height-kind", "ellipsoidal", "--output", "lambert", "-q"},
                      input);
  EXPECT_EQ(ran.status, 1) << ran.err;
  const std::vector<std::string> lines = Lines(ran.out);
  ASSERT_EQ(lines.size(), 6u) << ran.out;
  EXPECT_EQ(lines[0], "naam;breedte;lengte;hoogte;X;Y;X2008;Y2008;EllipsoidalHeight;OstendHeight;Route;"
                      "Accuracy;Error\r");
  const struct {
    std::size_t row;
    const char* name;
    const char* error;
  } rows[] = {
      {1, "a", ""},
      {2, "b", "Point hors de la grille BD72-ETRS89\r"},
      {3, "c", ""},
      {4, "d", "Point hors de la grille BD72-ETRS89\r"},
      {5, "e", "cannot read hoogte 'veel': not a number\r"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const std::vector<std::string> fields = Split(lines[r.row], ';');
    ASSERT_EQ(fields.size(), 13u) << lines[r.row];
    EXPECT_EQ(fields[0], r.name);
    if (*r.error != '\0') {
      EXPECT_EQ(fields[12], r.error);
      for (std::size_t i = 4; i < 12; ++i) EXPECT_EQ(fields[i], "") << i;
    } else {
      EXPECT_EQ(fields[12], "\r");
      EXPECT_EQ(fields[10], "grid BD72\u2192ETRS89 (EPSG:8369)");
    }
  }
  std::string ostend = Split(lines[1], ';')[9];
  ostend.replace(ostend.find(','), 1, ".");
  EXPECT_NEAR(std::strtod(ostend.c_str(), nullptr), kOstend, kTenthOfMillimetre);
}

TEST(TodayMessages, OutsideTheGeoidInEveryMode) {
  const char* outside = "Point hors de la grille hBG18";
  const Ran convert = RunTool({"convert", "--deg", "45", "0", "--from", "etrs89", "--height", "100"});
  EXPECT_EQ(convert.status, 1);
  EXPECT_NE(convert.out.find(outside), std::string::npos) << convert.out;
  const Ran text = RunTool({"batch", "--from", "etrs89", "--height-kind", "ellipsoidal", "--output", "deg", "-q"},
                       "50.8467 4.3525 100 first\n45 0 100 second\n50.8467 4.3525 100 third\n");
  EXPECT_EQ(text.status, 1);
  const std::vector<std::string> lines = Lines(text.out);
  ASSERT_EQ(lines.size(), 3u) << text.out;
  EXPECT_EQ(lines[1], std::string("*\t*\t*\t*\t*\t*\t*\t*\t") + outside + "\tsecond");
  EXPECT_NE(lines[2].find("\tthird"), std::string::npos);
}

TEST(TodayConvert, BatchCallAgreesWithTheObjectOnEveryOtherKey) {
  // --today sends the point through the batch call: every key the object
  // path writes must come out the same, messages included.
  const std::vector<std::string> points[] = {
      {"--deg", "50.8467", "4.3525"},       {"--dms", "50", "50", "48.1", "4", "21", "9"},
      {"--lambert", "149000", "170000"},    {"--mgrs", "31UFS9602833256"},
      {"--ifbl", "E4.15.22"},               {"--deg", "95", "4"},
      {"--mgrs", "31UFS96028332"},          {"--lambert", "-5", "170000"},
  };
  for (const auto& point : points) {
    SCOPED_TRACE(point[0] + " " + point[1]);
    std::vector<std::string> args{"convert", "--from", "wgs84", "--to", "bd72", "--json"};
    args.insert(args.end(), point.begin(), point.end());
    const Ran object = RunTool(args);
    args.push_back("--today");
    const Ran batch = RunTool(args);
    EXPECT_EQ(batch.status, object.status);
    std::string today = batch.out;
    const auto from = today.find(",\"X2008\"");
    const auto to = today.find(",\"Error\"");
    ASSERT_NE(from, std::string::npos) << today;
    ASSERT_NE(to, std::string::npos) << today;
    today.erase(from, to - from);
    EXPECT_EQ(today, object.out);
  }
}

TEST(TodaySettingsUnit, TodayColumnsJoinOnlyWhenUsedOrAsked) {
  const struct {
    const char* output;
    std::int32_t method, heightKind;
    InputKind input;
    bool asked, today;
    std::size_t columns;  // groups after SetToday
  } cases[] = {
      {"all", MORVANE_METHOD_SHIFT, MORVANE_HEIGHT_NONE, InputKind::Deg, false, false, 6},
      {"all", MORVANE_METHOD_SHIFT, MORVANE_HEIGHT_NONE, InputKind::Deg, true, true, 7},
      {"deg", MORVANE_METHOD_GRID, MORVANE_HEIGHT_NONE, InputKind::Deg, false, true, 2},
      {"deg", MORVANE_METHOD_SHIFT, MORVANE_HEIGHT_OSTEND, InputKind::Deg, false, true, 2},
      {"deg", MORVANE_METHOD_SHIFT, MORVANE_HEIGHT_NONE, InputKind::Lambert2008, false, true, 2},
      {"today,deg", MORVANE_METHOD_SHIFT, MORVANE_HEIGHT_NONE, InputKind::Deg, false, true, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.output);
    Settings settings;
    settings.columns = *ColumnsByNames(c.output);
    settings.method = c.method, settings.heightKind = c.heightKind, settings.input = c.input;
    SetToday(settings, c.asked);
    EXPECT_EQ(settings.today, c.today);
    EXPECT_EQ(settings.columns.size(), c.columns);
    EXPECT_EQ(std::count(settings.columns.begin(), settings.columns.end(), Columns::Today), c.today ? 1 : 0);
  }
}

}  // namespace
}  // namespace morvane::cli
