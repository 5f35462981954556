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
                     " (Lambert and IFBL input are always on bd72)")
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
  morvane convert --ifbl E4.15.22 --to wgs84)";

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

CSV mode (--csv; the default for a FILE ending in .csv): spreadsheet files
with a header line; the separator (',', ';', tab or '|') is found from the
header, quoted fields may hold separators, quotes and line breaks, and with
any separator but the comma numbers may have a decimal comma.  The
coordinate columns are chosen with --columns (names or numbers) or found by
their usual names (lat/breedte, lon/lengte, x, y, mgrs, ifbl ...).  Every
row is written back as it was, followed by the output columns and Error,
in the file's own separator, decimal mark, line ends and byte-order mark.

Every input line (CSV: row) gives exactly one output line, in the same
order.  The exit status is 1 when any line failed, with a summary on
standard error.

Examples:
  morvane batch --from wgs84 --to bd72 gps.txt > belgian.tsv
  morvane batch --input lambert --to wgs84 --output deg,mgrs --header < xy.txt
  morvane batch --to bd72 --output lambert,ifbl waarnemingen.csv > omgezet.csv
  morvane batch --csv --input lambert --columns 3,4 --to wgs84 < plots.csv
  morvane batch --jsonl -j 2 requests.jsonl > answers.jsonl)";

}  // namespace
}  // namespace morvane::cli

int main(int argc, char** argv) {
  using namespace morvane::cli;
  std::ios::sync_with_stdio(false);
  PrepareStandardStreams();

  CLI::App app{"morvane: coordinates in Belgium and its neighbours, between degrees, DMS, "
               "Lambert 72, UTM, MGRS and IFBL, on four datums",
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
  input->add_option("--mgrs", point.mgrs, "MGRS reference")->type_name("REF");
  input->add_option("--ifbl", point.ifbl, "IFBL square code")->type_name("CODE");
  input->require_option(1);
  convert->add_flag("--json", point.json, "Print one JSON object keyed by the property names");

  CLI::App* batch = app.add_subcommand("batch", "Converts a whole file (or standard input) to standard output");
  batch->footer(kBatchFooter);
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
                                         "Output columns, comma-separated: deg, dms, lambert, utm, mgrs, ifbl, all")
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
                                    "CSV mode (the default for a FILE ending in .csv): a header "
                                    "line, every column kept, the input's own dialect");
  auto* columnsOption = batch->add_option("--columns", csvColumns,
                                          "CSV mode: the coordinate columns, by header name or "
                                          "number, comma-separated, in the order --input reads them")
                            ->type_name("LIST");
  auto* decimalOption = batch->add_flag("--decimal-comma,!--no-decimal-comma", decimalComma,
                                        "CSV mode: numbers with a decimal comma, or not (by "
                                        "default: with any separator but the comma)");
  batch->add_flag("--jsonl", batchArgs.jsonl, "JSON-lines mode: one JSON object per line")
      ->excludes(csvOption)
      ->excludes(inputOption)
      ->excludes(lonFirst)
      ->excludes(outputOption)
      ->excludes(headerFlag)
      ->excludes(delimiterOption);
  batch->add_option("-j,--jobs", batchArgs.jobs, "Threads; 0 (default) for every core")
      ->type_name("N");
  batch->add_flag("-q,--quiet", batchArgs.quiet, "No progress line and no summary on standard error");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? kOk : kUsage;
  }

  settings.from = static_cast<morvane::InternalDatums>(morvane::DatumByName(from)->number);
  settings.dest = static_cast<morvane::InternalDatums>(morvane::DatumByName(to)->number);
  if (convert->parsed()) return Convert(settings, point);
  if (batch->parsed()) {
    if (batchArgs.jsonl && (!batch->get_option("--from")->empty() || !batch->get_option("--to")->empty() ||
                            !batch->get_option("--mgrs-precision")->empty() ||
                            !batch->get_option("--ifbl-precision")->empty())) {
      Complain("--jsonl takes the datums and precisions from each line, not from options");
      return kUsage;
    }
    settings.input = static_cast<InputKind>(morvane::KindByName(inputKind)->number);
    const auto groups = ColumnsByNames(columns);
    if (!groups) {
      Complain("--output takes deg, dms, lambert, utm, mgrs, ifbl or all, comma-separated");
      return kUsage;
    }
    settings.columns = *groups;

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
    }
    if (!batchArgs.csv && (columnsOption->count() > 0 || decimalOption->count() > 0)) {
      Complain("--columns and --decimal-comma belong to CSV mode (--csv)");
      return kUsage;
    }
    CsvRequest& request = batchArgs.csvRequest;
    request.inputGiven = inputOption->count() > 0;
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
