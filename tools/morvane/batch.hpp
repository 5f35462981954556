// Streaming batch conversion: input is read in blocks of whole records
// (lines, or CSV records), converted on one or more worker threads and
// written in input order.
// A fixed pool of blocks bounds the memory, whatever the input size.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "tools/morvane/out_buffer.hpp"

namespace morvane::cli {

enum class LineStatus { Passed, Converted, Failed };

struct LineCounts {
  std::uint64_t lines = 0;      // every input line (CSV mode: every row)
  std::uint64_t converted = 0;  // points converted
  std::uint64_t failed = 0;     // lines that got a message or a failure
};

// Converts blocks of whole records; each worker thread has its own.
class BlockConverter {
 public:
  virtual ~BlockConverter() = default;
  // Appends the output of every record of the block, in order.
  virtual void Convert(std::string_view block, OutBuffer& out, LineCounts& counts) = 0;
};

using ConverterFactory = std::function<std::unique_ptr<BlockConverter>()>;

// Converts one line at a time.
class LineConverter {
 public:
  virtual ~LineConverter() = default;
  // Appends the output line, newline included.
  virtual LineStatus Convert(std::string_view line, OutBuffer& out) = 0;
};

// Converts the whole lines of a block (every line ends with '\n', except
// perhaps the last of the input).
void ConvertBlock(std::string_view block, LineConverter& converter, OutBuffer& out,
                  LineCounts& counts);

// A block converter that hands each line to a line converter.
class LineByLine : public BlockConverter {
 public:
  explicit LineByLine(std::unique_ptr<LineConverter> lines) : lines_(std::move(lines)) {}
  void Convert(std::string_view block, OutBuffer& out, LineCounts& counts) override {
    ConvertBlock(block, *lines_, out, counts);
  }

 private:
  std::unique_ptr<LineConverter> lines_;
};

// Finds where records end, so that the input is cut into blocks of whole
// records.  Scanning is incremental: a block grows by the bytes read, and
// only the new bytes are looked at.
class RecordCutter {
 public:
  virtual ~RecordCutter() = default;
  // A new block starts, at the start of a record.
  virtual void Restart() = 0;
  // Looks at block[from, size), which follows what was scanned before;
  // returns the end of the last record that ends in it, or 0.
  virtual std::size_t Scan(std::string_view block, std::size_t from) = 0;
};

// Records are lines, each ending with '\n'.
class LineCutter : public RecordCutter {
 public:
  void Restart() override {}
  std::size_t Scan(std::string_view block, std::size_t from) override;
};

struct BatchOptions {
  unsigned threads = 1;           // worker threads; 1 converts on the calling thread
  std::size_t blockBytes = 64 * 1024;  // input bytes per block
  bool progress = false;          // progress line on standard error
  std::uint64_t inputBytes = 0;   // size of the input if known, for the progress bar
  std::string_view pending;       // bytes already read from the input, which come first
};

struct BatchResult {
  LineCounts counts;
  std::string ioError;  // empty when reading and writing went well
};

// Reads inFd to its end (after options.pending) and writes the converted
// records to outFd; header (if not empty) is written first.  Records are
// lines unless a cutter says otherwise.
BatchResult RunBatch(int inFd, int outFd, std::string_view header,
                     const ConverterFactory& factory, const BatchOptions& options,
                     RecordCutter* cutter = nullptr);

// Reads up to `bytes` more bytes of fd to the end of data; false with the
// reason in error when reading failed.  Sets eof at the end of the input.
bool ReadMore(int fd, std::string& data, std::size_t bytes, bool& eof, std::string& error);

}  // namespace morvane::cli
