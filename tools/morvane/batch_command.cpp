#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>
#include <thread>

#include "tools/morvane/batch.hpp"
#include "tools/morvane/commands.hpp"
#include "tools/morvane/csv.hpp"
#include "tools/morvane/csv_mode.hpp"
#include "tools/morvane/json_mode.hpp"
#include "tools/morvane/platform.hpp"
#include "tools/morvane/squares.hpp"
#include "tools/morvane/text_mode.hpp"

namespace morvane::cli {

namespace {

std::string Decimal(std::uint64_t n) { return std::to_string(n); }

// Threads of the core's batch call out of the run's `threads`: with more
// than one, this thread reads and writes while the others convert.
unsigned ConversionThreads(unsigned threads) { return threads > 1 ? threads - 1 : 1; }

// Converters the blocks go round: one converts on this thread; a few let
// the converting thread and this one run ahead of each other.
std::size_t ConverterCount(unsigned threads) { return threads > 1 ? 4 : 1; }

template <typename Converter>
std::vector<BlockConverter*> Pointers(std::vector<std::unique_ptr<Converter>>& converters) {
  std::vector<BlockConverter*> pointers;
  for (auto& converter : converters) pointers.push_back(converter.get());
  return pointers;
}

// CSV mode: reads the header and a sample of the rows after it, chooses
// the columns and the dialect, then converts the rest of the input.  False,
// after saying why, when the header or the columns do not do: nothing is
// written then.
bool RunCsv(int in, Settings settings, const BatchArgs& args, unsigned threads,
            const BatchOptions& options, BatchResult& result, bool* firstFeature) {
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
  if (start.empty) {
    // No header: no rows, and an empty FeatureCollection with --geojson.
    if (settings.squares.geojson) {
      const std::string empty = std::string(kCollectionStart) + std::string(kCollectionEnd);
      Print(empty);
    }
    return true;
  }
  if (!args.quiet && !start.columnsUsed.empty()) Complain(start.columnsUsed);

  BatchOptions csvOptions = options;
  csvOptions.pending = std::string_view(data).substr(start.consumed);
  CsvCutter cutter(layout.separator);
  std::vector<std::unique_ptr<CsvConverter>> converters;
  for (std::size_t i = 0; i < ConverterCount(threads); ++i)
    converters.push_back(
        std::make_unique<CsvConverter>(settings, layout, ConversionThreads(threads), firstFeature));
  result = RunBatch(in, STDOUT_FILENO, start.header, Pointers(converters), csvOptions, &cutter);
  return true;
}

}  // namespace

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

  if (settings.squares.Any()) {
    // The core checks the squares' settings before anything is read.
    const int status = CheckSquareRequest(SquareRequest(settings.squares, settings.input));
    if (status != MORVANE_OK) {
      Complain(std::string("the square's settings are refused: ") + morvane_failure_name(status));
      return kUsage;
    }
  }

  int in = STDIN_FILENO;
  if (args.file != "-") {
    in = ::open(args.file.c_str(), kOpenForReading);
    if (in < 0) {
      Complain("cannot open " + args.file + ": " + std::strerror(errno));
      return kUsage;
    }
  }
  // The points of a block are converted on `threads` threads: a block
  // holds a batch's worth of points for each, and an absurd count would
  // defeat the bounded memory.
  constexpr unsigned kMaxThreads = 256;
  const unsigned threads =
      std::min(kMaxThreads, args.jobs != 0 ? args.jobs : std::max(1u, std::thread::hardware_concurrency()));
  BatchOptions options;
  options.blockBytes *= threads;
  options.progress = !args.quiet && ::isatty(STDERR_FILENO) == 1;
  struct stat info {};
  if (::fstat(in, &info) == 0 && S_ISREG(info.st_mode))
    options.inputBytes = static_cast<std::uint64_t>(info.st_size);

  // --geojson: the rows' Features make one FeatureCollection.
  bool firstFeature = true;
  if (settings.squares.geojson) options.trailer = kCollectionEnd;

  BatchResult result;
  bool started = true;
  if (args.csv) {
    started = RunCsv(in, settings, args, threads, options, result, &firstFeature);
  } else {
    OutBuffer header;
    if (args.header && !args.jsonl) WriteTextHeader(settings, header);
    if (settings.squares.geojson) header.Append(kCollectionStart);
    if (args.jsonl) {
      // Each line is its own object, with its own settings: converted one
      // at a time, beside the writing when there are threads.
      std::vector<std::unique_ptr<JsonLines>> converters;
      for (std::size_t i = 0; i < ConverterCount(threads); ++i)
        converters.push_back(std::make_unique<JsonLines>(args.today));
      result = RunBatch(in, STDOUT_FILENO, header.View(), Pointers(converters), options);
    } else {
      std::vector<std::unique_ptr<TextConverter>> converters;
      for (std::size_t i = 0; i < ConverterCount(threads); ++i)
        converters.push_back(
            std::make_unique<TextConverter>(settings, ConversionThreads(threads), &firstFeature));
      result = RunBatch(in, STDOUT_FILENO, header.View(), Pointers(converters), options);
    }
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

}  // namespace morvane::cli
