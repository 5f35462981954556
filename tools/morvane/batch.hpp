// Streaming batch conversion: input is read in blocks of whole lines,
// converted on one or more worker threads and written in input order.
// A fixed pool of blocks bounds the memory, whatever the input size.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "tools/morvane/out_buffer.hpp"
#include "tools/morvane/text_mode.hpp"

namespace morvane::cli {

// Converts lines; each worker thread has its own.
class LineConverter {
 public:
  virtual ~LineConverter() = default;
  // Appends the output line, newline included.
  virtual LineStatus Convert(std::string_view line, OutBuffer& out) = 0;
};

using ConverterFactory = std::function<std::unique_ptr<LineConverter>()>;

struct LineCounts {
  std::uint64_t lines = 0;      // every input line
  std::uint64_t converted = 0;  // points converted
  std::uint64_t failed = 0;     // lines that got a message or a failure
};

// Converts the whole lines of a block (every line ends with '\n', except
// perhaps the last of the input).
void ConvertBlock(std::string_view block, LineConverter& converter, OutBuffer& out,
                  LineCounts& counts);

struct BatchOptions {
  unsigned threads = 1;           // worker threads; 1 converts on the calling thread
  std::size_t blockBytes = 64 * 1024;  // input bytes per block
  bool progress = false;          // progress line on standard error
  std::uint64_t inputBytes = 0;   // size of the input if known, for the progress bar
};

struct BatchResult {
  LineCounts counts;
  std::string ioError;  // empty when reading and writing went well
};

// Reads inFd to its end and writes the converted lines to outFd; header
// (if not empty) is written first.
BatchResult RunBatch(int inFd, int outFd, std::string_view header,
                     const ConverterFactory& factory, const BatchOptions& options);

}  // namespace morvane::cli
