// morvane: converts coordinates between the reference systems used in
// Belgium and its neighbours, one point or whole files, through the same
// ZedizAdo object as every other client.  This file reads the command
// line and hands it to the commands (commands.hpp).
#include <CLI/CLI.hpp>
#include <algorithm>
#include <string>
#include <vector>

#include <morvane/names.hpp>
#include "tools/morvane/commands.hpp"
#include "tools/morvane/csv_mode.hpp"
#include "tools/morvane/platform.hpp"
#include "tools/morvane/settings.hpp"

namespace morvane::cli {
namespace {

// The datums' keys as a list: "ed50, bd72, wgs84, ntf".
std::string DatumKeys() {
  const NameTables names = Names();
  std::string keys;
  for (std::size_t i = 0; i < names.datumCount; ++i) {
    if (i) keys += ", ";
    keys += names.datums[i].key;
  }
  return keys;
}

// "ed50, bd72, wgs84, ntf or 1 to 4": every name a datum option takes.
std::string DatumChoices() {
  const NameTables names = Names();
  return DatumKeys() + " or " + std::to_string(names.datums[0].number) + " to " +
         std::to_string(names.datums[names.datumCount - 1].number);
}

// The kinds' keys, in the order of the core's table.
std::string KindKeys() {
  const NameTables names = Names();
  std::string keys;
  for (std::size_t i = 0; i < names.kindCount; ++i) {
    if (i) keys += ", ";
    keys += names.kinds[i].key;
  }
  return keys;
}

// The entries of a table of settings in the core's names ("methods",
// "heightKinds"): "shift (three-parameter shift through WGS 84), grid
// (...)", or the keys alone.  The table is read from the JSON text of the
// names, the one place the core lists them.
std::string SettingList(std::string_view table, bool labels) {
  const char* json = morvane_names_json();
  if (json == nullptr) return {};
  std::string_view text = json;
  const std::string start = "\"" + std::string(table) + "\":[";
  auto at = text.find(start);
  if (at == std::string_view::npos) return {};
  text.remove_prefix(at + start.size());
  text = text.substr(0, text.find(']'));
  // Each entry's text value after a key, e.g. "key":"grid".
  const auto value = [&text](std::string_view key, std::size_t from) {
    const std::string name = "\"" + std::string(key) + "\":\"";
    const auto begin = text.find(name, from);
    if (begin == std::string_view::npos) return std::pair<std::string_view, std::size_t>{{}, text.size()};
    const auto first = begin + name.size();
    const auto end = text.find('"', first);
    return std::pair<std::string_view, std::size_t>{text.substr(first, end - first), end};
  };
  std::string list;
  for (std::size_t from = 0;;) {
    const auto [key, keyEnd] = value("key", from);
    if (key.empty()) break;
    if (!list.empty()) list += ", ";
    list += key;
    from = keyEnd;
    if (labels) {
      const auto [label, labelEnd] = value("label", from);
      list += " (";
      list += label;
      list += ')';
      from = labelEnd;
    }
  }
  return list;
}

CLI::Validator MethodValidator() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        return MethodByName(value) >= 0
                   ? ""
                   : "unknown method '" + value + "' (" + SettingList("methods", false) + ")";
      },
      "");
}

CLI::Validator HeightKindValidator() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        return HeightKindByName(value) >= 0
                   ? ""
                   : "unknown height kind '" + value + "' (" + SettingList("heightKinds", false) + ")";
      },
      "");
}

// The options of Belgium's systems of today that convert and batch share.
struct TodayOptions {
  std::string method = "shift";
  std::string heightKind;  // empty: not given
  bool today = false;
  CLI::Option* methodOption = nullptr;
  CLI::Option* heightKindOption = nullptr;
  CLI::Option* todayOption = nullptr;
};

void AddTodayOptions(CLI::App& app, TodayOptions& options, const std::string& heightKindHelp) {
  options.methodOption =
      app.add_option("--method", options.method,
                     "How positions move between the Belgian datum 1972 and the others: " +
                         SettingList("methods", true))
          ->check(MethodValidator())
          ->type_name("METHOD")
          ->capture_default_str();
  options.heightKindOption =
      app.add_option("--height-kind", options.heightKind,
                     heightKindHelp + ": " + SettingList("heightKinds", true))
          ->check(HeightKindValidator())
          ->type_name("KIND");
  options.todayOption = app.add_flag(
      "--today", options.today,
      "Add the columns of Belgium's systems of today (Lambert 2008, heights, route, accuracy) "
      "even when the call uses none of them");
}

// The settings of today from the options; false after saying why.
bool TakeToday(const TodayOptions& options, Settings& settings) {
  settings.method = MethodByName(options.method);
  settings.heightKind =
      options.heightKind.empty() ? MORVANE_HEIGHT_NONE : HeightKindByName(options.heightKind);
  return settings.method >= 0 && settings.heightKind >= 0;
}

CLI::Validator DatumValidator() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        return DatumByName(value) ? "" : "unknown datum '" + value + "' (" + DatumChoices() + ")";
      },
      "");
}

CLI::Validator KindValidator() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        return KindByName(value) ? "" : "unknown input kind '" + value + "' (" + KindKeys() + ")";
      },
      "");
}

void AddDatumOptions(CLI::App& app, std::string& from, std::string& to) {
  app.add_option("--from", from,
                 "Datum of degree, DMS and MGRS input: " + DatumChoices() +
                     " (Lambert 72 and IFBL input are always on bd72, Lambert 2008 input on etrs89)")
      ->check(DatumValidator())
      ->type_name("DATUM")
      ->capture_default_str();
  app.add_option("--to", to,
                 "Datum of the geographic, DMS, UTM and MGRS output (Lambert and IFBL "
                 "output are always on bd72)")
      ->check(DatumValidator())
      ->type_name("DATUM")
      ->capture_default_str();
}

void AddPrecisionOptions(CLI::App& app, Settings& settings) {
  app.add_option("--mgrs-precision", settings.mgrsPrecision,
                 "MGRS precision in metres: 10000, 1000, 100, 10; anything else 1 m");
  app.add_option("--ifbl-precision", settings.ifblPrecision,
                 "IFBL code length: 2 or 4 characters; anything else 6");
}

// Words joined by blanks into lines of at most `width` characters.
std::string Wrapped(const std::vector<std::string>& words, std::size_t width) {
  std::string text, line;
  for (const std::string& word : words) {
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      text += line + '\n';
      line.clear();
    }
    if (!line.empty()) line += ' ';
    line += word;
  }
  return text + line;
}

// "Datums: ed50 (European 1950, 1), ...", from the core's table.
std::string DatumList() {
  const NameTables names = Names();
  std::vector<std::string> words{"Datums:"};
  for (std::size_t i = 0; i < names.datumCount; ++i) {
    const DatumName& datum = names.datums[i];
    std::string entry = datum.key;
    entry += " (";
    entry += datum.label;
    entry += ", " + std::to_string(datum.number) + ')';
    entry += i + 1 < names.datumCount ? ',' : '.';
    std::size_t start = 0;
    while (true) {  // a label's words may each start a line
      const auto blank = entry.find(' ', start);
      words.push_back(entry.substr(start, blank - start));
      if (blank == std::string::npos) break;
      start = blank + 1;
    }
  }
  return Wrapped(words, 79);
}

constexpr const char* kMainIntro = R"(
Without a command, converts a built-in example (a point in Brussels) and
prints every representation.

)";

constexpr const char* kMainExamples = R"(

Examples:
  morvane
  morvane convert --from wgs84 --to bd72 --deg 50.8467 4.3525
  morvane batch --from wgs84 --to bd72 points.txt > converted.tsv
  morvane square E4.25.44 31UES9534

Exit status: 0 all points converted, 1 some point got a message or a
failure, 2 bad arguments or an unreadable file.)";

constexpr const char* kConvertFooter = R"(
Prints every property: degrees, DMS, Lambert 72, UTM with zone and
hemisphere, MGRS, IFBL and the message, if any; --json prints them as one
JSON object keyed by the property names.

Examples:
  morvane convert --from wgs84 --to bd72 --deg 50.8467 4.3525
  morvane convert --dms 50 50 48.1 4 21 9 --json
  morvane convert --lambert 149000 170000 --to wgs84
  morvane convert --mgrs 31UFS9602833256 --from wgs84 --to ed50
  morvane convert --ifbl E4.15.22 --to wgs84
  morvane convert --lambert 149186.41 170810.74 --method grid --to etrs89
  morvane convert --deg 50.22054332 4.663484651 --from etrs89 --height 354.6988105
  morvane convert --lambert2008 650000 670000 --height 12.5 --height-kind ostend --json

Belgium's systems of today (ETRS89, Lambert 2008, the agency's grid,
hBG18 heights) go through the batch call: the output then adds Lambert
2008 X and Y, the heights when one is given, the route the point took and
its stated accuracy.  --today adds them to any call.)";

constexpr const char* kBatchFooter = R"(
Text mode: one point per line, fields separated by blanks, tabs or a comma:
  deg      LAT LON  (or LON LAT with --lon-first)
  dms      LATD LATM LATS LOND LONM LONS
  lambert  X Y
  mgrs     REF      (one field, no blanks inside)
  ifbl     CODE
Text after the fields is carried to the end of the output line.  Lines
starting with '#' and blank lines are copied as they are.  The output line
holds the columns of --output (deg, dms, lambert, utm, mgrs, ifbl; default
all), then the error column (empty when the point converted), then the
carried text; a point that did not convert has '*' in every value column.

JSON-lines mode (--jsonl): each line is an object setting properties by
name, converted on a fresh object, e.g.
  {"DatumFrom":3,"DatumDest":2,"OrigType":2,"Latitude":50.8,"Longitude":4.35}
and each output line is that object as 'convert --json' prints it.

CSV mode (--csv; the default for a FILE ending in .csv, and for a
tab-separated FILE whose first line names a known column, such as GBIF's
occurrence.txt): spreadsheet files with a header line; the separator (',',
';', tab or '|') is found from the header, quoted fields may hold
separators, quotes and line breaks, and with any separator but the comma
numbers may have a decimal comma.  The coordinate columns are chosen with
--columns (names or numbers) or found by their usual names in English,
Dutch, French and German and by their Darwin Core terms (lat, breedte,
Breite, decimalLatitude, x_lambert72, coord_x, mgrs, ifbl ...).  Rows of
Darwin Core's verbatimCoordinates each say their kind in
verbatimCoordinateSystem (IFBL, MGRS, Lambert 72, degrees) and are
converted each as its own kind; verbatimSRS (and geodeticDatum beside
decimal degrees) gives a row's datum, --from the datum of rows that give
none.  Every row is written back as it was, followed by the output columns
and Error, in the file's own separator, decimal mark, line ends and
byte-order mark.

Belgium's systems of today: --input lambert2008, --from/--to etrs89,
--method grid and --height-kind (text mode: a height field after the
coordinates; CSV: a column named height, hoogte, hauteur, h, z, taw, dng
..., or the last of --columns; JSON lines: "Method", "HeightKind",
"Height") add the columns X2008, Y2008, EllipsoidalHeight, OstendHeight,
Route and Accuracy after the others; --today adds them to any call.

Every input line (CSV: row) gives exactly one output line, in the same
order.  The exit status is 1 when any line failed, with a summary on
standard error.

Examples:
  morvane batch --from wgs84 --to bd72 gps.txt > belgian.tsv
  morvane batch --input lambert --to wgs84 --output deg,mgrs --header < xy.txt
  morvane batch --to bd72 --output lambert,ifbl waarnemingen.csv > omgezet.csv
  morvane batch --csv --input lambert --columns 3,4 --to wgs84 < plots.csv
  morvane batch --to bd72 --output lambert,ifbl occurrence.txt > occurrence_bd72.tsv
  morvane batch --jsonl -j 2 requests.jsonl > answers.jsonl
  morvane batch --input lambert --method grid --to etrs89 xy.txt > xy2008.tsv
  morvane batch --from etrs89 --to etrs89 --height-kind ellipsoidal gnss.csv > gnss_ostend.csv)";

constexpr const char* kSquareFooter = R"(
Each code is an IFBL code (E4.25.44, E42544, E4.25, E4) or an MGRS
reference (31UES9534, 31U ES 95 34): one that starts with a digit is MGRS,
one that starts with a letter IFBL, unless --ifbl or --mgrs says.  IFBL
codes are on the Belgian datum 1972; MGRS references on --code-datum, or
on a datum not known (--datum-unknown: the uncertainty then adds the
spread of the centre over the datums).  An MGRS square cut by the edge of
its grid zone is the part inside the zone, with the corners where the edge
cuts it.

Prints for each code its grid and zone, its sides, its centre in the grid
and in latitude/longitude on --datum, its corners, the radius that covers
it and the uncertainty (Darwin Core's coordinateUncertaintyInMeters), and
the route of the datum change.  --json prints one object per code: the
core's Darwin Core terms with these numbers; --geojson one FeatureCollection
of the core's Features (--densify adds points along each edge).

A code that names no square gets the library's message, and the exit
status 1.

Examples:
  morvane square E4.25.44
  morvane square E42544 E4.25 E4 --json
  morvane square 31UGR19 --geojson > square.geojson
  morvane square 31UES9534 --datum-unknown --datum bd72
  morvane square E42544 --method grid --datum etrs89 --densify 9 --geojson)";

constexpr const char* kSquareBatchFooter = R"(

Squares of IFBL and MGRS input (--input ifbl or mgrs; CSV mode finds an
ifbl or mgrs column): --square adds SquareLatitude, SquareLongitude,
SquareWidth, SquareHeight, SquareRadius, SquareUncertainty and SquareWKT,
--darwin-core the ten Darwin Core terms (decimalLatitude ...
georeferenceProtocol), after the other outputs and before Error; --geojson
writes one GeoJSON FeatureCollection of the rows' squares instead of the
rows, with each row's fields as properties.  The latitudes and longitudes
are on --to, MGRS references on --from (--datum-unknown: not known).
  morvane batch --darwin-core --output ifbl records.csv > records_dwc.csv
  morvane batch --input mgrs --square --output mgrs refs.txt
  morvane batch --geojson records.csv > records.geojson)";

}  // namespace
}  // namespace morvane::cli

int main(int argc, char** argv) {
  using namespace morvane::cli;
  std::ios::sync_with_stdio(false);
  PrepareStandardStreams();

  CLI::App app{"morvane: coordinates in Belgium and its neighbours, between degrees, DMS, "
               "Lambert 72, UTM, MGRS and IFBL, on four datums; ETRS89, Lambert 2008 and "
               "Ostend heights through the agency's grids",
               "morvane"};
  app.footer(kMainIntro + DatumList() + kMainExamples);
  app.require_subcommand(0, 1);

  Settings settings;
  std::string from = "wgs84", to = "wgs84";

  CLI::App* convert = app.add_subcommand("convert", "Converts one point and prints every representation");
  convert->footer(kConvertFooter);
  PointArgs point;
  AddDatumOptions(*convert, from, to);
  AddPrecisionOptions(*convert, settings);
  CLI::Option_group* input = convert->add_option_group("input", "The point, in one of these forms");
  input->add_option("--deg", point.deg, "Decimal degrees, latitude then longitude")
      ->expected(2)
      ->type_name("LAT LON");
  input->add_option("--dms", point.dms, "Degrees, minutes, seconds of latitude, then of longitude")
      ->expected(6)
      ->type_name("LATD LATM LATS LOND LONM LONS");
  input->add_option("--lambert", point.lambert, "Belgian Lambert 1972 X then Y, metres")
      ->expected(2)
      ->type_name("X Y");
  input->add_option("--lambert2008", point.lambert2008, "Belgian Lambert 2008 X then Y, metres (ETRS89)")
      ->expected(2)
      ->type_name("X Y");
  input->add_option("--mgrs", point.mgrs, "MGRS reference")->type_name("REF");
  input->add_option("--ifbl", point.ifbl, "IFBL square code")->type_name("CODE");
  input->require_option(1);
  convert->add_flag("--json", point.json, "Print one JSON object keyed by the property names");
  TodayOptions convertToday;
  AddTodayOptions(*convert, convertToday, "What --height is (default ellipsoidal)");
  auto* heightOption = convert->add_option("--height", point.height, "Height of the point, metres")
                           ->type_name("H");

  CLI::App* batch = app.add_subcommand("batch", "Converts a whole file (or standard input) to standard output");
  batch->footer(std::string(kBatchFooter) + kSquareBatchFooter);
  BatchArgs batchArgs;
  std::string inputKind = "deg", columns = "all";
  batch->add_option("FILE", batchArgs.file, "Input file; '-' or nothing for standard input")
      ->type_name("FILE");
  AddDatumOptions(*batch, from, to);
  AddPrecisionOptions(*batch, settings);
  auto* inputOption = batch->add_option("--input", inputKind, "Input kind: " + KindKeys())
                          ->type_name("KIND")
                          ->check(KindValidator())
                          ->capture_default_str();
  auto* lonFirst = batch->add_flag("--lon-first", settings.lonFirst,
                                   "Degrees as longitude then latitude, in input and output");
  auto* outputOption = batch->add_option("--output", columns,
                                         "Output columns, comma-separated: deg, dms, lambert, utm, mgrs, ifbl, all "
                                         "(the six before), today; none (with --square or --darwin-core)")
                           ->type_name("LIST")
                           ->capture_default_str();
  auto* headerFlag = batch->add_flag("--header", batchArgs.header, "Start with a '#' line naming the columns");
  auto* delimiterOption = batch->add_option("--delimiter", batchArgs.delimiter,
                                            "Output column separator: one character, 'tab' or 'space'; "
                                            "CSV mode: the file's separator")
                              ->type_name("CHAR")
                              ->capture_default_str();
  bool csvFlag = false, decimalComma = false;
  std::string csvColumns;
  auto* csvOption = batch->add_flag("--csv,!--no-csv", csvFlag,
                                    "CSV mode (the default for a FILE ending in .csv or a tab-separated "
                                    "table with known column names): a header line, every column kept, "
                                    "the input's own dialect");
  auto* columnsOption = batch->add_option("--columns", csvColumns,
                                          "CSV mode: the coordinate columns, by header name or "
                                          "number, comma-separated, in the order --input reads them")
                            ->type_name("LIST");
  auto* decimalOption = batch->add_flag("--decimal-comma,!--no-decimal-comma", decimalComma,
                                        "CSV mode: numbers with a decimal comma, or not (by "
                                        "default: with any separator but the comma)");
  TodayOptions batchToday;
  AddTodayOptions(*batch, batchToday,
                  "The input has a height after the coordinates (CSV: a height column), of this kind");
  SquareSettings& squares = settings.squares;
  auto* squareFlag = batch->add_flag("--square", squares.columns,
                                     "IFBL or MGRS input: add the square's columns (centre, sides, "
                                     "radius, uncertainty, WKT)");
  auto* darwinCoreFlag = batch->add_flag("--darwin-core", squares.darwinCore,
                                         "IFBL or MGRS input: add the ten Darwin Core columns of the square");
  auto* geojsonFlag = batch->add_flag("--geojson", squares.geojson,
                                      "IFBL or MGRS input: one GeoJSON FeatureCollection of the rows' "
                                      "squares instead of the rows")
                          ->excludes(outputOption)
                          ->excludes(headerFlag)
                          ->excludes(batchToday.todayOption);
  auto* batchDensify = batch->add_option("--densify", squares.densify,
                                         "Squares: points added along each edge of the outline (0 to 1000)")
                           ->check(CLI::Range(0, 1000))
                           ->type_name("N");
  auto* batchUnknown = batch->add_flag("--datum-unknown", batchArgs.datumUnknown,
                                       "Squares: the datum of the MGRS references is not known");
  batch->add_flag("--jsonl", batchArgs.jsonl, "JSON-lines mode: one JSON object per line")
      ->excludes(squareFlag)
      ->excludes(darwinCoreFlag)
      ->excludes(geojsonFlag)
      ->excludes(csvOption)
      ->excludes(inputOption)
      ->excludes(lonFirst)
      ->excludes(outputOption)
      ->excludes(headerFlag)
      ->excludes(delimiterOption);
  batch->add_option("-j,--jobs", batchArgs.jobs, "Threads; 0 (default) for every core")
      ->type_name("N");
  batch->add_flag("-q,--quiet", batchArgs.quiet, "No progress line and no summary on standard error");

  CLI::App* square = app.add_subcommand("square", "Prints the square each IFBL code or MGRS reference names");
  square->footer(kSquareFooter);
  SquareArgs squareArgs;
  SquareSettings squareSettings;
  std::string datumOut = "wgs84", codeDatum = "wgs84", squareMethod = "shift";
  square->add_option("CODE", squareArgs.codes, "IFBL codes or MGRS references")->required()->type_name("CODE");
  auto* ifblFlag = square->add_flag("--ifbl", squareArgs.ifbl, "Every code is an IFBL code");
  square->add_flag("--mgrs", squareArgs.mgrs, "Every code is an MGRS reference")->excludes(ifblFlag);
  square->add_option("--datum", datumOut, "Datum of the latitudes and longitudes: " + DatumChoices())
      ->check(DatumValidator())
      ->type_name("DATUM")
      ->capture_default_str();
  auto* codeDatumOption =
      square->add_option("--code-datum", codeDatum, "Datum of MGRS references: " + DatumChoices())
          ->check(DatumValidator())
          ->type_name("DATUM")
          ->capture_default_str();
  bool datumUnknown = false;
  auto* unknownFlag = square->add_flag(
      "--datum-unknown", datumUnknown, "MGRS references on a datum not known (taken as --code-datum): the "
                         "uncertainty adds the spread of the centre over the datums");
  square->add_option("--method", squareMethod,
                     "How positions move between the Belgian datum 1972 and the others: " +
                         SettingList("methods", true))
      ->check(MethodValidator())
      ->type_name("METHOD")
      ->capture_default_str();
  square->add_option("--densify", squareSettings.densify,
                     "Points added along each edge of the outline (0 to 1000)")
      ->check(CLI::Range(0, 1000))
      ->type_name("N");
  auto* squareJson = square->add_flag("--json", squareArgs.json,
                                      "One JSON object per code: the Darwin Core terms and the numbers");
  square->add_flag("--geojson", squareArgs.geojson, "One GeoJSON FeatureCollection of the squares")
      ->excludes(squareJson);
  ifblFlag->excludes(codeDatumOption)->excludes(unknownFlag);

  CLI::App* columnsCommand = app.add_subcommand(
      "columns", "Prints the column names batch finds in a table's header, by role and language");
  columnsCommand->footer(R"(Names are compared without letter case, blanks, '_', '-', '.' and '/':
"Decimal Latitude", "decimal_latitude" and "decimalLatitude" are one name.
With NAME arguments, prints the role each is read as ("-" for none).

Examples:
  morvane columns
  morvane columns decimalLatitude "X Lambert72" uurhok)");
  std::vector<std::string> columnHeaders;
  columnsCommand->add_option("NAME", columnHeaders, "Header names to look up")->type_name("NAME");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? kOk : kUsage;
  }

  settings.from = static_cast<morvane::InternalDatums>(morvane::DatumByName(from)->number);
  settings.dest = static_cast<morvane::InternalDatums>(morvane::DatumByName(to)->number);
  if (convert->parsed()) {
    // A height needs a kind, ellipsoidal unless told; a kind needs a height.
    if (heightOption->count() > 0 && convertToday.heightKind.empty()) convertToday.heightKind = "ellipsoidal";
    TakeToday(convertToday, settings);
    if (heightOption->count() > 0 && settings.heightKind == MORVANE_HEIGHT_NONE) {
      // The kinds that take a height: every key of the table but none's.
      std::string kinds, list = SettingList("heightKinds", false);
      for (std::string_view rest = list; !rest.empty();) {
        const auto comma = rest.find(", ");
        const std::string key(rest.substr(0, comma));
        if (morvane::HeightKindByName(key) != MORVANE_HEIGHT_NONE) kinds += (kinds.empty() ? "" : ", ") + key;
        rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 2);
      }
      Complain("--height needs a height kind that takes one: " + kinds);
      return kUsage;
    }
    if (heightOption->count() == 0 && settings.heightKind != MORVANE_HEIGHT_NONE) {
      Complain("--height-kind says what --height is: give the height with --height");
      return kUsage;
    }
    settings.today = convertToday.today;
    return Convert(settings, point);
  }
  if (columnsCommand->parsed()) return ColumnNamesCommand(columnHeaders);
  if (square->parsed()) {
    squareSettings.datumOut = morvane::DatumByName(datumOut)->number;
    squareSettings.codeDatum = morvane::DatumByName(codeDatum)->number;
    squareSettings.datumKnown = unknownFlag->count() == 0;
    squareSettings.method = morvane::MethodByName(squareMethod);
    return Square(squareSettings, squareArgs);
  }
  if (batch->parsed()) {
    if (batchArgs.jsonl && (!batch->get_option("--from")->empty() || !batch->get_option("--to")->empty() ||
                            !batch->get_option("--mgrs-precision")->empty() ||
                            !batch->get_option("--ifbl-precision")->empty() ||
                            batchToday.methodOption->count() > 0 ||
                            batchToday.heightKindOption->count() > 0)) {
      Complain("--jsonl takes the datums, precisions, method and height kind from each line, not from options");
      return kUsage;
    }
    TakeToday(batchToday, settings);
    batchArgs.today = batchToday.today;
    settings.input = static_cast<InputKind>(morvane::KindByName(inputKind)->number);
    const auto groups = ColumnsByNames(columns);
    if (!groups) {
      Complain("--output takes deg, dms, lambert, utm, mgrs, ifbl, today or all, comma-separated");
      return kUsage;
    }
    settings.columns = *groups;
    if (settings.columns.empty() && !squares.columns && !squares.darwinCore) {
      Complain("--output none leaves no columns but those of --square and --darwin-core");
      return kUsage;
    }
    SetToday(settings, batchToday.today);
    if (!squares.Any() && (batchDensify->count() > 0 || batchUnknown->count() > 0)) {
      Complain("--densify and --datum-unknown belong to --square, --darwin-core and --geojson");
      return kUsage;
    }
    squares.codeDatum = settings.from;
    squares.datumOut = settings.dest;
    squares.datumKnown = !batchArgs.datumUnknown;
    squares.method = settings.method;

    batchArgs.delimiterGiven = delimiterOption->count() > 0;
    if (csvOption->count() > 0) {
      batchArgs.csv = csvFlag;
    } else if (!batchArgs.jsonl) {
      const std::string& file = batchArgs.file;
      const std::string_view suffix = ".csv";
      batchArgs.csv = file.size() > suffix.size() &&
                      std::equal(suffix.begin(), suffix.end(), file.end() - 4, [](char a, char b) {
                        return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
                      });
      // A tab-separated table whatever its name (GBIF's occurrence.txt, a
      // .tsv): its first line names a column the core knows.
      if (!batchArgs.csv && file != "-") batchArgs.csv = HeaderOfTable(FirstBytes(file));
    }
    if (!batchArgs.csv && (columnsOption->count() > 0 || decimalOption->count() > 0)) {
      Complain("--columns and --decimal-comma belong to CSV mode (--csv)");
      return kUsage;
    }
    CsvRequest& request = batchArgs.csvRequest;
    request.inputGiven = inputOption->count() > 0;
    // Squares need codes: text mode and a kind given must name them; CSV
    // mode without --input looks for ifbl and mgrs columns only.
    if (squares.Any() && (!batchArgs.csv || request.inputGiven) && settings.input != InputKind::Ifbl &&
        settings.input != InputKind::Mgrs) {
      Complain("--square, --darwin-core and --geojson take IFBL or MGRS input (--input ifbl or mgrs)");
      return kUsage;
    }
    if (decimalOption->count() > 0) request.decimalComma = decimalComma;
    if (columnsOption->count() > 0) {
      std::vector<std::string> names;
      std::string_view list = csvColumns;
      while (true) {
        const auto comma = list.find(',');
        names.emplace_back(list.substr(0, comma));
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
      }
      request.columns = names;
    }
    return Batch(settings, batchArgs);
  }
  return Example();
}
