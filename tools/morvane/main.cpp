// morvane: converts coordinates between the reference systems used in
// Belgium and its neighbours, one point or whole files, through the same
// ZedizAdo object as every other client.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <morvane/failure.hpp>
#include <morvane/names.hpp>
#include <morvane/zediz_ado.hpp>
#include "tools/morvane/batch.hpp"
#include "tools/morvane/csv.hpp"
#include "tools/morvane/csv_mode.hpp"
#include "tools/morvane/json_mode.hpp"
#include "tools/morvane/numbers.hpp"
#include "tools/morvane/platform.hpp"
#include "tools/morvane/settings.hpp"
#include "tools/morvane/table.hpp"
#include "tools/morvane/text_mode.hpp"

namespace morvane::cli {
namespace {

// Exit statuses.
constexpr int kOk = 0;
constexpr int kSomeFailed = 1;  // a point got a message or a failure
constexpr int kUsage = 2;       // bad arguments, unreadable file, I/O error

constexpr const char* kExampleLat = "50.8467";
constexpr const char* kExampleLon = "4.3525";

void Print(std::string_view text, std::FILE* to = stdout) {
  std::fwrite(text.data(), 1, text.size(), to);
}

void Complain(std::string_view message) {
  std::string line = "morvane: ";
  line += message;
  line += '\n';
  Print(line, stderr);
}

// ------------------------------------------------------------- convert

struct PointArgs {
  std::vector<std::string> deg, dms, lambert;
  std::string mgrs, ifbl;
  bool json = false;
};

int Convert(const Settings& settings, const PointArgs& args) {
  InputKind kind = InputKind::Deg;
  std::array<std::string_view, 6> fields{};
  const auto take = [&](const std::vector<std::string>& values) {
    for (std::size_t i = 0; i < values.size() && i < fields.size(); ++i) fields[i] = values[i];
  };
  if (!args.deg.empty()) kind = InputKind::Deg, take(args.deg);
  else if (!args.dms.empty()) kind = InputKind::Dms, take(args.dms);
  else if (!args.lambert.empty()) kind = InputKind::Lambert, take(args.lambert);
  else if (!args.mgrs.empty()) kind = InputKind::Mgrs, fields[0] = args.mgrs;
  else kind = InputKind::Ifbl, fields[0] = args.ifbl;

  ZedizAdo object;
  object.DatumFrom(settings.from);
  object.DatumDest(settings.dest);
  object.mgrsPrecision = settings.mgrsPrecision;
  object.IfblPrecision = settings.ifblPrecision;
  object.OrigType(OrigTypeOf(kind));
  std::string text, problem;
  if (!PutInput(object, kind, settings.lonFirst, fields, text, problem)) {
    Complain(problem);
    return kUsage;
  }
  const char* failure = nullptr;
  try {
    object.Conversion();
  } catch (const Failure& caught) {
    failure = FailureName(caught.kind());
  }

  OutBuffer out;
  if (args.json) {
    WriteJson(object, PutDatums{settings.from, settings.dest}, failure, out);
    out.Append('\n');
  } else {
    WriteTable(object, settings, failure, out);
  }
  Print(out.View());
  return failure != nullptr || !object.Error().empty() ? kSomeFailed : kOk;
}

int Example() {
  Settings settings;
  settings.from = mvWGS1984;
  settings.dest = mvBelgium1972;
  PointArgs args;
  args.deg = {kExampleLat, kExampleLon};
  std::string intro = "Brussels, Grand-Place, given in WGS 1984, on the Belgian datum 1972:\n"
                      "  morvane convert --from wgs84 --to bd72 --deg ";
  intro += kExampleLat;
  intro += ' ';
  intro += kExampleLon;
  intro += "\n\n";
  Print(intro);
  const int status = Convert(settings, args);
  Print("\nMore: morvane --help, morvane convert --help, morvane batch --help\n");
  return status;
}

// --------------------------------------------------------------- batch

struct BatchArgs {
  std::string file = "-";
  bool jsonl = false;
  bool header = false;
  bool quiet = false;
  unsigned jobs = 0;
  std::string delimiter = "tab";
  bool delimiterGiven = false;
  bool csv = false;  // CSV mode
  CsvRequest csvRequest;
};

class JsonLines : public LineConverter {
 public:
  LineStatus Convert(std::string_view line, OutBuffer& out) override {
    return converter_.Convert(line, out);
  }

 private:
  JsonConverter converter_;
};

std::string Decimal(std::uint64_t n) { return std::to_string(n); }

// CSV mode: reads the header and a sample of the rows after it, chooses
// the columns and the dialect, then converts the rest of the input.  False,
// after saying why, when the header or the columns do not do: nothing is
// written then.
bool RunCsv(int in, Settings settings, const BatchArgs& args, const BatchOptions& options,
            BatchResult& result) {
  // Bytes of rows read with the header, to tell a decimal comma.
  constexpr std::size_t kSampleBytes = 64 * 1024;
  const char separator = args.csvRequest.separator.value_or(0);
  std::string data, error;
  bool eof = false;
  while (!eof) {
    // Where the header ends with the separator StartCsv will take (any of
    // the known ones while it cannot tell).
    std::string_view text = data;
    if (text.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark)
      text.remove_prefix(kUtf8ByteOrderMark.size());
    const char header = separator != 0 ? separator : SeparatorOf(text);
    const std::size_t end = FirstRecordEnd(text, header);
    if (end != 0 && text.size() - end >= kSampleBytes) break;
    if (end == 0 && text.size() > kLongQuote) {
      // Memory stays bounded: no header is that long.
      Complain("cannot read the header line: no line end in its first 16 MiB");
      return false;
    }
    // Growing reads: a long header is scanned a few times, not once per read.
    if (!ReadMore(in, data, std::max(kSampleBytes, data.size()), eof, error)) {
      Complain(error);
      return false;
    }
  }

  CsvLayout layout;
  CsvStart start;
  if (!StartCsv(data, args.csvRequest, settings, layout, start, error)) {
    Complain(error);
    return false;
  }
  if (start.empty) return true;
  if (!args.quiet && !start.columnsUsed.empty()) Complain(start.columnsUsed);

  BatchOptions csvOptions = options;
  csvOptions.pending = std::string_view(data).substr(start.consumed);
  CsvCutter cutter(layout.separator);
  const ConverterFactory factory = [&settings, &layout] {
    return std::make_unique<CsvConverter>(settings, layout);
  };
  result = RunBatch(in, STDOUT_FILENO, start.header, factory, csvOptions, &cutter);
  return true;
}

int Batch(Settings settings, BatchArgs args) {
  if (args.delimiter == "tab") settings.delimiter = '\t';
  else if (args.delimiter == "space") settings.delimiter = ' ';
  else if (args.delimiter.size() == 1) settings.delimiter = args.delimiter[0];
  else {
    Complain("--delimiter takes one character, 'tab' or 'space'");
    return kUsage;
  }
  if (args.csv && args.delimiterGiven) {
    if (settings.delimiter == '"' || settings.delimiter == '\n' || settings.delimiter == '\r') {
      Complain("--delimiter: a CSV separator cannot be a quote or a line break");
      return kUsage;
    }
    args.csvRequest.separator = settings.delimiter;
  }

  int in = STDIN_FILENO;
  if (args.file != "-") {
    in = ::open(args.file.c_str(), kOpenForReading);
    if (in < 0) {
      Complain("cannot open " + args.file + ": " + std::strerror(errno));
      return kUsage;
    }
  }
  BatchOptions options;
  // Each thread holds two blocks of the pool: an absurd count would
  // defeat the bounded memory.
  constexpr unsigned kMaxThreads = 256;
  options.threads = std::min(kMaxThreads, args.jobs != 0 ? args.jobs
                                                         : std::max(1u, std::thread::hardware_concurrency()));
  options.progress = !args.quiet && ::isatty(STDERR_FILENO) == 1;
  struct stat info {};
  if (::fstat(in, &info) == 0 && S_ISREG(info.st_mode))
    options.inputBytes = static_cast<std::uint64_t>(info.st_size);

  BatchResult result;
  bool started = true;
  if (args.csv) {
    started = RunCsv(in, settings, args, options, result);
  } else {
    OutBuffer header;
    if (args.header && !args.jsonl) WriteTextHeader(settings, header);
    ConverterFactory factory;
    if (args.jsonl) factory = [] { return std::make_unique<LineByLine>(std::make_unique<JsonLines>()); };
    else factory = [&settings] { return std::make_unique<TextConverter>(settings); };
    result = RunBatch(in, STDOUT_FILENO, header.View(), factory, options);
  }
  if (in != STDIN_FILENO) ::close(in);
  if (!started) return kUsage;

  if (!result.ioError.empty()) {
    Complain(result.ioError);
    return kUsage;
  }
  if (result.counts.failed > 0) {
    if (!args.quiet)
      Complain(Decimal(result.counts.failed) + " of " + Decimal(result.counts.lines) +
               (args.csv ? " rows failed, " : " lines failed, ") + Decimal(result.counts.converted) +
               (result.counts.converted == 1 ? " point" : " points") + " converted");
    return kSomeFailed;
  }
  return kOk;
}

// ---------------------------------------------------------- arguments

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
  batch->add_option("-j,--jobs", batchArgs.jobs, "Worker threads; 0 (default) for every core")
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
