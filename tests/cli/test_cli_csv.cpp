// CSV mode: the grammar, the dialect, the choice of columns and the rows
// written back.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tools/morvane/csv.hpp"
#include "tools/morvane/csv_mode.hpp"
#include "tools/morvane/text_mode.hpp"

namespace morvane::cli {
namespace {

std::vector<std::string> Values(const CsvRecord& record) {
  std::vector<std::string> values;
  std::string scratch;
  for (std::size_t i = 0; i < record.fields.size(); ++i)
    values.emplace_back(record.Value(i, scratch));
  return values;
}

TEST(CsvGrammar, RecordsFieldsAndFaults) {
  const struct {
    std::string input;
    char separator;
    std::vector<std::string> values;
    std::string lineEnd;
    QuoteFault fault;
    std::size_t consumed;
  } cases[] = {
      {"a,b,c\nnext", ',', {"a", "b", "c"}, "\n", QuoteFault::None, 6},
      {"a;b\r\nnext", ';', {"a", "b"}, "\r\n", QuoteFault::None, 5},
      {"\"x,y\",z\n", ',', {"x,y", "z"}, "\n", QuoteFault::None, 8},
      {"\"a \"\"q\"\"\",b\n", ',', {"a \"q\"", "b"}, "\n", QuoteFault::None, 12},
      {"\"line\nbreak\"\t2\n", '\t', {"line\nbreak", "2"}, "\n", QuoteFault::None, 15},
      {"\"x\"\r\n", ',', {"x"}, "\r\n", QuoteFault::None, 5},
      {"a,\n", ',', {"a", ""}, "\n", QuoteFault::None, 3},
      {",\r\n", ',', {"", ""}, "\r\n", QuoteFault::None, 3},
      {"\n", ',', {""}, "\n", QuoteFault::None, 1},
      {"ab\"c|d\n", '|', {"ab\"c", "d"}, "\n", QuoteFault::None, 7},
      {"last,one", ',', {"last", "one"}, "", QuoteFault::None, 8},
      {"a,b;c\n", ';', {"a,b", "c"}, "\n", QuoteFault::None, 6},
      {"\"ab\"c,d\n", ',', {"abc", "d"}, "\n", QuoteFault::TextAfterQuote, 8},
      {"1,\"abc\nrest,of\nit", ',', {"1", "abc\nrest,of\nit"}, "", QuoteFault::NotClosed, 17},
      {"\"", ',', {""}, "", QuoteFault::NotClosed, 1},
  };
  for (const auto& c : cases) {
    CsvRecord record;
    EXPECT_EQ(ReadRecord(c.input, c.separator, record), c.consumed) << c.input;
    EXPECT_EQ(Values(record), c.values) << c.input;
    EXPECT_EQ(record.lineEnd, c.lineEnd) << c.input;
    EXPECT_EQ(record.fault, c.fault) << c.input;
    EXPECT_EQ(record.text.size() + record.lineEnd.size(), c.consumed) << c.input;
  }
}

// The block reader's cutter and the converter's record reader agree on where every record
// ends, however the input is cut into the pieces the cutter is given, and
// whatever the length after which an open quote ends at a line break.
TEST(CsvGrammar, CutterAgreesWithTheReader) {
  std::mt19937 random(17);
  const std::string alphabet = "ab,;\"\n\r ";
  for (int round = 0; round < 6000; ++round) {
    const std::size_t longQuote = round % 3 == 0 ? kLongQuote : 3 + round % 11;
    std::string input;
    const std::size_t size = random() % 60;
    for (std::size_t i = 0; i < size; ++i) input += alphabet[random() % alphabet.size()];
    const char separator = round % 2 ? ',' : ';';

    std::vector<std::size_t> ends;  // the reader's record ends
    CsvRecord record;
    for (std::size_t at = 0; at < input.size();) {
      at += ReadRecord(std::string_view(input).substr(at), separator, record, longQuote);
      // The end of the input ends a record for the reader but not always
      // for the cutter (which cannot tell it from more input to come).
      if (at < input.size()) ends.push_back(at);
    }
    CsvCutter cutter(separator, longQuote);
    cutter.Restart();
    std::size_t scanned = 0, last = 0;
    while (scanned < input.size()) {
      const std::size_t upTo = std::min(input.size(), scanned + 1 + random() % 8);
      const std::size_t end = cutter.Scan(std::string_view(input).substr(0, upTo), scanned);
      if (end != 0) last = end;
      scanned = upTo;
      // The cutter's last end so far is the reader's last end within upTo.
      std::size_t expected = 0;
      for (std::size_t e : ends)
        if (e <= upTo) expected = e;
      if (last != input.size()) {
        ASSERT_EQ(last, expected) << "input '" << input << "' up to " << upTo;
      }
    }
    if (longQuote == kLongQuote && !ends.empty()) {
      EXPECT_EQ(FirstRecordEnd(input, separator), ends.front()) << input;
    }
  }
}

TEST(CsvGrammar, AQuoteOpenTooLongEndsAtALineBreak) {
  // A stray quote would take the rest of the input into one field.
  const std::string input = "1,\"abc\nde,f\ngh\"\"i\njk\"\n2,x\n";
  const struct {
    std::size_t longQuote;
    std::size_t consumed;
    QuoteFault fault;
  } cases[] = {{100, 22, QuoteFault::None},     {20, 22, QuoteFault::None},
               {15, 18, QuoteFault::NotClosed}, {13, 18, QuoteFault::NotClosed},
               {7, 12, QuoteFault::NotClosed},  {3, 7, QuoteFault::NotClosed}};
  for (const auto& c : cases) {
    CsvRecord record;
    EXPECT_EQ(ReadRecord(input, ',', record, c.longQuote), c.consumed) << c.longQuote;
    EXPECT_EQ(record.fault, c.fault) << c.longQuote;
  }
}

TEST(CsvGrammar, SeparatorOfTheHeader) {
  const struct {
    const char* header;
    char separator;
  } cases[] = {
      {"a;b;c\r\n1,5;2,5;3\r\n", ';'}, {"a,b\n", ','},      {"a\tb\tc\n", '\t'},
      {"a|b\n", '|'},                   {"lat\n", ','},      {"", ','},
      {"a;b,c\n", 0},                   {"\"x;y\",z\n", ','}, {"name,\"a;b;c\"\n1;2;3;4\n", ','},
  };
  for (const auto& c : cases) EXPECT_EQ(SeparatorOf(c.header), c.separator) << c.header;
}

TEST(CsvGrammar, FieldsQuotedOnlyWhenNeeded) {
  const struct {
    const char* text;
    char separator;
    const char* written;
  } cases[] = {
      {"plain", ';', "plain"},          {"a;b", ';', "\"a;b\""},
      {"a;b", ',', "a;b"},              {"say \"hi\"", ',', "\"say \"\"hi\"\"\""},
      {"two\nlines", '\t', "\"two\nlines\""}, {"", ',', ""},
  };
  for (const auto& c : cases) {
    OutBuffer out;
    AppendField(c.text, c.separator, out);
    EXPECT_EQ(out.View(), c.written) << c.text;
  }
}

// The whole of CSV mode on one input, as the command runs it.
struct CsvRun {
  bool started = false;
  std::string error, output, columnsUsed;
  Settings settings;
  LineCounts counts;
};

CsvRun RunCsv(const std::string& input, const CsvRequest& request, Settings settings = {}) {
  CsvRun run;
  CsvLayout layout;
  CsvStart start;
  run.started = StartCsv(input, request, settings, layout, start, run.error);
  run.settings = settings;
  if (!run.started || start.empty) return run;
  run.columnsUsed = start.columnsUsed;
  OutBuffer out;
  out.Append(start.header);
  CsvConverter converter(settings, layout);
  converter.Convert(std::string_view(input).substr(start.consumed), out, run.counts);
  run.output = out.View();
  return run;
}

Settings Outputs(std::vector<Columns> columns, InputKind input = InputKind::Deg) {
  Settings settings;
  settings.from = mvWGS1984;
  settings.dest = mvBelgium1972;
  settings.columns = std::move(columns);
  settings.input = input;
  return settings;
}

const std::string kBom = "\xEF\xBB\xBF";

TEST(CsvMode, EachDialectComesBackInItsOwnDialect) {
  const Settings ifbl = Outputs({Columns::Ifbl});
  const struct {
    const char* what;
    std::string input;
    std::string output;
  } cases[] = {
      {"comma", "id,lat,lon\n1,50.8467,4.3525\n", "id,lat,lon,IFBL,Error\n1,50.8467,4.3525,E42543,\n"},
      {"semicolon, decimal comma, mark, CRLF",
       kBom + "Waarneming;Soort;Breedte;Lengte;Opmerking\r\n"
              "1;\"Orchis mascula\";50,8467;4,3525;\"bij de vijver; noordkant\"\r\n",
       kBom + "Waarneming;Soort;Breedte;Lengte;Opmerking;IFBL;Error\r\n"
              "1;\"Orchis mascula\";50,8467;4,3525;\"bij de vijver; noordkant\";E42543;\r\n"},
      {"tab", "lat\tlon\tnote\n50.8467\t4.3525\t\"a\tb\"\n",
       "lat\tlon\tnote\tIFBL\tError\n50.8467\t4.3525\t\"a\tb\"\tE42543\t\n"},
      {"pipe, line break in a field, no final line end",
       "\"no\nte\"|LAT|LON\n\"x\ny\"|50.8467|4.3525",
       "\"no\nte\"|LAT|LON|IFBL|Error\n\"x\ny\"|50.8467|4.3525|E42543|\n"},
      {"a header only", "lat,lon\r\n", "lat,lon,IFBL,Error\r\n"},
      {"a header without line end", "lat;lon", "lat;lon;IFBL;Error\n"},
      {"blank lines kept", "lat,lon\n\n50.8467,4.3525\n\n", "lat,lon,IFBL,Error\n\n50.8467,4.3525,E42543,\n\n"},
  };
  for (const auto& c : cases) {
    const CsvRun run = RunCsv(c.input, {}, ifbl);
    ASSERT_TRUE(run.started) << c.what << ": " << run.error;
    EXPECT_EQ(run.output, c.output) << c.what;
  }
  for (const std::string& empty : {std::string(), kBom}) {
    const CsvRun run = RunCsv(empty, {}, ifbl);
    EXPECT_TRUE(run.started);
    EXPECT_EQ(run.output, "");
  }
}

TEST(CsvMode, DecimalCommaReadAndWritten) {
  const Settings lambert = Outputs({Columns::Lambert}, InputKind::Lambert);
  const struct {
    const char* what;
    std::string input;
    std::optional<bool> forced;
    std::string output;
  } cases[] = {
      {"semicolon with decimal commas", "x;y\n150000,5;170000\n", {}, "x;y;X_2;Y_2;Error\n150000,5;170000;150000,5;170000;\n"},
      {"semicolon with decimal points", "x;y\n150000.5;170000\n", {}, "x;y;X_2;Y_2;Error\n150000.5;170000;150000.5;170000;\n"},
      {"semicolon, both read", "x;y\n150000,5;170000.5\n150000.25;1,5\n", {}, "x;y;X_2;Y_2;Error\n150000,5;170000.5;150000.5;170000.5;\n150000.25;1,5;150000.25;1.5;\n"},
      {"comma: a decimal comma is no number", "x,y\n\"150000,5\",170000\n", {},
       "x,y,X_2,Y_2,Error\n\"150000,5\",170000,,,\"cannot read x '150000,5': not a number\"\n"},
      {"comma, forced", "x,y\n\"150000,5\",170000\n", true, "x,y,X_2,Y_2,Error\n\"150000,5\",170000,\"150000,5\",170000,\n"},
      {"semicolon, forced off", "x;y\n150000,5;170000\n", false,
       "x;y;X_2;Y_2;Error\n150000,5;170000;;;cannot read x '150000,5': not a number\n"},
  };
  for (const auto& c : cases) {
    CsvRequest request;
    request.decimalComma = c.forced;
    const CsvRun run = RunCsv(c.input, request, lambert);
    ASSERT_TRUE(run.started) << c.what << ": " << run.error;
    EXPECT_EQ(run.output, c.output) << c.what;
  }
}

TEST(CsvMode, ColumnsByNameNumberOrCommonNames) {
  const std::string header = "Id;Breedte;Lengte;X;Y;mgrs;Lat\n";
  const struct {
    std::vector<std::string> columns;  // empty: found by their names
    bool inputGiven;
    InputKind input;
    InputKind chosen;
    const char* error;  // empty when the choice succeeds
    const char* used;   // standard error, for columns found by name
  } cases[] = {
      {{"Breedte", "Lengte"}, false, InputKind::Deg, InputKind::Deg, "", ""},
      {{"breedte", "LENGTE"}, false, InputKind::Deg, InputKind::Deg, "", ""},
      {{"2", "3"}, false, InputKind::Deg, InputKind::Deg, "", ""},
      {{"X", "Y"}, true, InputKind::Lambert, InputKind::Lambert, "", ""},
      {{"mgrs"}, true, InputKind::Mgrs, InputKind::Mgrs, "", ""},
      {{}, true, InputKind::Lambert, InputKind::Lambert, "",
       "lambert input from 'X' (4) as Lambert X, 'Y' (5) as Lambert Y"},
      {{}, true, InputKind::Mgrs, InputKind::Mgrs, "", "mgrs input from 'mgrs' (6) as MGRS"},
      {{}, true, InputKind::Deg, InputKind::Deg, "more than one column could be the latitude: 'Breedte' (2), 'Lat' (7); choose with --columns", ""},
      {{}, true, InputKind::Ifbl, InputKind::Ifbl, "no columns for ifbl input in the header (looked for the usual names of IFBL); choose them with --columns IFBL", ""},
      {{}, true, InputKind::Dms, InputKind::Dms, "no columns for dms input in the header (looked for the usual names of latitude degrees, latitude minutes, latitude seconds, longitude degrees, longitude minutes, longitude seconds); choose them with --columns LATD,LATM,LATS,LOND,LONM,LONS", ""},
      {{"Breedte"}, false, InputKind::Deg, InputKind::Deg, "--columns: deg input reads 2 columns (LAT,LON), 1 given; say the input kind with --input", ""},
      {{"Breedte", "Hoogte"}, false, InputKind::Deg, InputKind::Deg, "--columns: no column named 'Hoogte' in the header", ""},
      {{"2", "8"}, false, InputKind::Deg, InputKind::Deg, "--columns: no column 8: the header has 7", ""},
      {{"0", "1"}, false, InputKind::Deg, InputKind::Deg, "--columns: no column 0: the header has 7", ""},
  };
  for (const auto& c : cases) {
    CsvRequest request;
    if (!c.columns.empty()) request.columns = c.columns;
    request.inputGiven = c.inputGiven;
    const CsvRun run = RunCsv(header, request, Outputs({Columns::Ifbl}, c.input));
    EXPECT_EQ(run.error, c.error);
    EXPECT_EQ(run.started, std::string(c.error).empty());
    EXPECT_EQ(run.columnsUsed, c.used);
    if (run.started) {
      EXPECT_EQ(run.settings.input, c.chosen);
    }
  }
}

TEST(CsvMode, KindFoundByCommonNamesWhenNotGiven) {
  const struct {
    const char* header;
    InputKind kind;
    const char* error;
  } cases[] = {
      {"Waarneming;Breedtegraad;Lengtegraad\n", InputKind::Deg, ""},
      {"LNG,LAT,name\n", InputKind::Deg, ""},
      {"lambert_x,lambert_y\n", InputKind::Lambert, ""},
      {"x_lambert72;y_lambert72\n", InputKind::Lambert, ""},
      {" MGRS ,note\n", InputKind::Mgrs, ""},
      {"IFBL\n", InputKind::Ifbl, ""},
      {"lat,lon,x,y\n", InputKind::Deg,
       "the header has columns for more than one input kind (deg: 'lat' (1), 'lon' (2); lambert: "
       "'x' (3), 'y' (4)); choose with --input or --columns"},
      {"lat,name\n", InputKind::Deg,
       "no coordinate columns found in the header (latitude and longitude, Lambert X and Y, MGRS, "
       "IFBL or Darwin Core verbatimCoordinates by their usual names); choose them with --columns and --input"},
      {"long,lon,lat\n", InputKind::Deg,
       "more than one column could be the longitude: 'long' (1), 'lon' (2); choose with --columns"},
  };
  for (const auto& c : cases) {
    const CsvRun run = RunCsv(c.header, {}, Outputs({Columns::Ifbl}));
    EXPECT_EQ(run.error, c.error) << c.header;
    if (run.started) {
      EXPECT_EQ(run.settings.input, c.kind) << c.header;
    }
  }
}

TEST(CsvMode, OutputNamesNeverTakeAnInputColumnsName) {
  const struct {
    const char* header;
    const char* written;
  } cases[] = {
      {"X;Y;Error\n", "X;Y;Error;X_2;Y_2;IFBL;Error_2\n"},
      {"x;y;X_2;ifbl\n", "x;y;X_2;ifbl;X_3;Y_2;IFBL_2;Error\n"},
  };
  for (const auto& c : cases) {
    CsvRequest lambert;
    lambert.inputGiven = true;
    const CsvRun run = RunCsv(c.header, lambert, Outputs({Columns::Lambert, Columns::Ifbl}, InputKind::Lambert));
    ASSERT_TRUE(run.started) << run.error;
    EXPECT_EQ(run.output, c.written);
  }
}

TEST(CsvMode, FailedRowsKeepTheirColumnsAndPlace) {
  const std::string input =
      "id,lat,lon,note\n"
      "1,50.8467,4.3525,ok\n"
      "2,91,4,\"far north\"\n"
      "3,north,4,x\n"
      "4,50.8467\n"
      "5,50.8467,4.3525,x,extra\n"
      "6,\"50.8\"x,4,y\n"
      "7,,4,\n"
      "8,50.8467,4.3525,\"never closed\n9,50,4,z\n";
  const std::string expected =
      "id,lat,lon,note,IFBL,Error\n"
      "1,50.8467,4.3525,ok,E42543,\n"
      "2,91,4,\"far north\",,Coordonnées DEG incorrectes\n"
      "3,north,4,x,,cannot read lat 'north': not a number\n"
      "4,50.8467,,,,cannot read row: 2 columns where the header has 4\n"
      "5,50.8467,4.3525,x,extra,,cannot read row: 5 columns where the header has 4\n"
      "6,50.8x,4,y,,cannot read row: text after the closing quote of column 2\n"
      "7,,4,,,cannot read lat '': not a number\n"
      "8,50.8467,4.3525,\"never closed\n9,50,4,z\n\",,cannot read row: the quote that opens "
      "column 4 is not closed\n";
  const CsvRun run = RunCsv(input, {}, Outputs({Columns::Ifbl}));
  ASSERT_TRUE(run.started) << run.error;
  EXPECT_EQ(run.output, expected);
  EXPECT_EQ(run.counts.lines, 8u);
  EXPECT_EQ(run.counts.converted, 1u);
  EXPECT_EQ(run.counts.failed, 7u);
}

TEST(CsvMode, HeaderThatCannotBeRead) {
  const struct {
    const char* input;
    const char* error;
  } cases[] = {
      {"lat;lon,x\n", "cannot tell the separator from the header line (two of ',', ';', tab and "
                      "'|' occur equally often): give it with --delimiter"},
      {"\"lat,lon\n1,2\n", "cannot read the header line: a misplaced or unclosed quote in column 1"},
  };
  for (const auto& c : cases) {
    const CsvRun run = RunCsv(c.input, {}, Outputs({Columns::Ifbl}));
    EXPECT_FALSE(run.started);
    EXPECT_EQ(run.error, c.error);
  }
  CsvRequest semicolon;
  semicolon.separator = ';';
  EXPECT_TRUE(RunCsv("lat;lon;a,b,c\n", semicolon, Outputs({Columns::Ifbl})).started);
  EXPECT_FALSE(RunCsv("lat;lon;a,b,c\n", {}, Outputs({Columns::Ifbl})).started);
}

TEST(CsvMode, EveryOutputColumnAndTheSameValuesAsTextMode) {
  // Decimal commas in, decimal commas out; the numbers are those of text
  // mode with the comma for the point.
  Settings settings = Outputs({Columns::Deg, Columns::Dms, Columns::Lambert, Columns::Utm,
                               Columns::Mgrs, Columns::Ifbl});
  const CsvRun run = RunCsv("lat;lon\n50,8467;4,3525\n", {}, settings);
  ASSERT_TRUE(run.started) << run.error;
  settings.delimiter = ';';
  TextConverter text(settings);
  OutBuffer out;
  LineCounts counts;
  text.Convert("50.8467 4.3525\n", out, counts);
  std::string expected(out.View());
  for (char& c : expected)
    if (c == '.') c = ',';
  EXPECT_EQ(run.output.substr(run.output.find('\n') + 1), "50,8467;4,3525;" + expected);
  EXPECT_EQ(run.output.substr(0, run.output.find('\n')),
            "lat;lon;Latitude;Longitude;LatDmsDeg;LatDmsMin;LatDmsSec;LonDmsDeg;LonDmsMin;"
            "LonDmsSec;X;Y;Zone;Hemisphere;Easting;Northing;MGRS;IFBL;Error");
}

}  // namespace
}  // namespace morvane::cli
