// Reading and writing pieces of the command-line tool: numbers, the
// fields of text mode, output column names.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "tools/morvane/numbers.hpp"
#include "tools/morvane/settings.hpp"
#include "tools/morvane/text_mode.hpp"

namespace morvane::cli {
namespace {

std::string Double(double value) {
  char text[kNumberChars];
  return {text, FormatDouble(text, value)};
}
std::string Float(float value) {
  char text[kNumberChars];
  return {text, FormatFloat(text, value)};
}

TEST(FormatNumbers, ShortestTextInPlainNotation) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0.0, "0"},         {-0.0, "-0"},          {50.8, "50.8"},
      {150000.0, "150000"}, {0.0001, "0.0001"},  {-4.35, "-4.35"},
      {1e-6, "0.000001"}, {1e-7, "1e-07"},       {1e16, "1e+16"},
      {123456789012345.6, "123456789012345.6"},
  };
  for (const auto& c : cases) EXPECT_EQ(Double(c.value), c.text) << c.text;
  EXPECT_EQ(Double(std::numeric_limits<double>::quiet_NaN()), "nan");
  EXPECT_EQ(Double(-std::numeric_limits<double>::infinity()), "-inf");
}

TEST(FormatNumbers, EveryDoubleReadsBackToTheSameBits) {
  // A spread of magnitudes, including the ones at the switch of notation.
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  for (int i = 0; i < 20000; ++i) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    double value;
    std::uint64_t bits = state;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value)) continue;
    double back = 0;
    ASSERT_TRUE(ParseDouble(Double(value), back)) << Double(value);
    EXPECT_EQ(std::memcmp(&back, &value, sizeof value), 0) << Double(value);
  }
  for (double value : {1e-6, std::nextafter(1e-6, 0.0), 1e16, std::nextafter(1e16, 0.0),
                       std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min()}) {
    double back = 0;
    ASSERT_TRUE(ParseDouble(Double(value), back));
    EXPECT_EQ(back, value);
  }
}

TEST(FormatNumbers, FloatsPrintAsTheFloatTheyAre) {
  // The seconds are a 32-bit float: printed widened to double they would
  // show digits the float does not hold.
  EXPECT_EQ(Float(12.3f), "12.3");
  EXPECT_EQ(Float(59.99999f), "59.99999");
  float back = 0;
  for (float value : {0.1f, 47.88123f, 1e-7f, 59.999996f}) {
    ASSERT_TRUE(ParseFloat(Float(value), back));
    EXPECT_EQ(back, value);
  }
}

TEST(ParseNumbers, WholeFieldOnly) {
  const struct {
    const char* text;
    bool ok;
    double value;
  } cases[] = {
      {"50.8", true, 50.8},  {"+4.35", true, 4.35}, {"-4.35", true, -4.35}, {"1e3", true, 1000},
      {"", false, 0},        {"+", false, 0},       {"+-1", false, 0},      {"50.8x", false, 0},
      {" 50", false, 0},     {"1e400", false, 0},   {"0x10", false, 0},     {"50,8", false, 0},
  };
  for (const auto& c : cases) {
    double value = -1;
    EXPECT_EQ(ParseDouble(c.text, value), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }
}

TEST(ParseNumbers, IntegersRejectWhatDoesNotFit) {
  std::int16_t v16 = 0;
  EXPECT_TRUE(ParseInt16("32767", v16));
  EXPECT_EQ(v16, 32767);
  EXPECT_TRUE(ParseInt16("-32768", v16));
  EXPECT_FALSE(ParseInt16("32768", v16));
  EXPECT_FALSE(ParseInt16("5.5", v16));
  EXPECT_FALSE(ParseInt16("5e1", v16));
  std::int32_t v32 = 0;
  EXPECT_TRUE(ParseInt32("+2147483647", v32));
  EXPECT_FALSE(ParseInt32("2147483648", v32));
}

TEST(FieldReader, BlanksTabsAndOneCommaSeparate) {
  const struct {
    const char* line;
    std::vector<std::string> fields;
    const char* rest;  // after two fields
  } cases[] = {
      {"50.8 4.35", {"50.8", "4.35"}, ""},
      {"  50.8\t 4.35  rest of it  ", {"50.8", "4.35", "rest", "of", "it"}, "rest of it"},
      {"50.8,4.35,id-7", {"50.8", "4.35", "id-7"}, "id-7"},
      {"50.8 , 4.35 ,x", {"50.8", "4.35", "x"}, "x"},
      {"50.8,,4.35", {"50.8", "", "4.35"}, "4.35"},
      {"50.8", {"50.8"}, ""},
  };
  for (const auto& c : cases) {
    FieldReader reader(c.line);
    std::vector<std::string> fields;
    std::string_view field;
    while (reader.Next(field)) fields.emplace_back(field);
    EXPECT_EQ(fields, c.fields) << c.line;

    FieldReader two(c.line);
    two.Next(field), two.Next(field);
    EXPECT_EQ(two.Rest(), c.rest) << c.line;
  }
}

TEST(Names, OutputColumnsInTheOrderGiven) {
  EXPECT_EQ(ColumnsByNames("mgrs,deg"), (std::vector<Columns>{Columns::Mgrs, Columns::Deg}));
  EXPECT_EQ(ColumnsByNames("all")->size(), 6u);
  EXPECT_EQ(ColumnsByNames("IFBL")->front(), Columns::Ifbl);
  EXPECT_EQ(ColumnsByNames("deg,"), std::nullopt);
  EXPECT_EQ(ColumnsByNames("degrees"), std::nullopt);
}

// Points one at a time, for comparison.
std::string LineByLineOutput(const Settings& settings, const std::vector<std::string>& lines) {
  TextConverter alone(settings);
  OutBuffer out;
  LineCounts counts;
  for (const std::string& line : lines) alone.Convert(line + "\n", out, counts);
  return std::string(out.View());
}

TEST(TextConverter, SameLinesWhateverTheBatchesAndThreads) {
  // More points than one batch holds, comments and unreadable lines
  // between them; MGRS input with a text long enough to need a batch of
  // its own.
  std::vector<std::string> degrees, references;
  for (int i = 0; i < 5000; ++i) {
    if (i % 97 == 0) degrees.push_back("# note " + std::to_string(i));
    else if (i % 89 == 0) degrees.push_back("50.5 x carried");
    else degrees.push_back(std::to_string(49.5 + i * 0.0004) + " " + std::to_string(2.6 + i * 0.0007));
    references.push_back(i == 300 ? "31U" + std::string(200000, '1') : "31UES" + std::to_string(10000 + i));
  }
  Settings deg, mgrs;
  mgrs.input = InputKind::Mgrs;
  for (const auto& [settings, lines] : {std::pair{&deg, &degrees}, std::pair{&mgrs, &references}}) {
    const std::string expected = LineByLineOutput(*settings, *lines);
    std::string block;
    for (const std::string& line : *lines) block += line + "\n";
    for (unsigned threads : {1u, 3u}) {
      TextConverter converter(*settings, threads);
      OutBuffer out;
      LineCounts counts;
      converter.Convert(block, out, counts);
      EXPECT_EQ(out.View(), expected) << threads << " threads";
      EXPECT_EQ(counts.lines, lines->size());
      // And again, the converter's batches reused.
      out.Clear();
      converter.Convert(block, out, counts);
      EXPECT_EQ(out.View(), expected) << threads << " threads, again";
    }
  }
}

}  // namespace
}  // namespace morvane::cli
