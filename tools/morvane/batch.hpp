// Streaming batch conversion: input is read in blocks of whole records
// (lines, or CSV records), converted and written in input order, with a
// few blocks in hand at most, so that the memory stays bounded whatever
// the input size.  The converters of text and CSV mode convert a block's
// points through the core's batch call, on the threads of -j.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/morvane/out_buffer.hpp"

namespace morvane::cli {

struct LineCounts {
  std::uint64_t lines = 0;      // every input line (CSV mode: every row)
  std::uint64_t converted = 0;  // points converted
  std::uint64_t failed = 0;     // lines that got a message or a failure
};

// Converts blocks of whole records in three steps, so that one block can
// convert while the next is read and the one before written.
class BlockConverter {
 public:
  virtual ~BlockConverter() = default;
  // Takes the block, which stays unchanged until Write.
  virtual void Read(std::string_view block) = 0;
  // Converts the block.  It may run on another thread than Read and
  // Write, though never at the same time as they on one converter.
  virtual void ConvertPoints() = 0;
  // Appends the output of every record of the block, in order.
  virtual void Write(OutBuffer& out, LineCounts& counts) = 0;

  // The three steps in a row.
  void Convert(std::string_view block, OutBuffer& out, LineCounts& counts) {
    Read(block);
    ConvertPoints();
    Write(out, counts);
  }
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
  std::size_t blockBytes = 64 * 1024;  // input bytes per block
  bool progress = false;          // progress line on standard error
  std::uint64_t inputBytes = 0;   // size of the input if known, for the progress bar
  std::string_view pending;       // bytes already read from the input, which come first
  std::string_view trailer;       // written after the last record, when all went well
};

struct BatchResult {
  LineCounts counts;
  std::string ioError;  // empty when reading and writing went well
};

// Reads inFd to its end (after options.pending) and writes the converted
// records to outFd; header (if not empty) is written first, and
// options.trailer last.  Records are
// lines unless a cutter says otherwise.  With one converter everything
// happens on this thread; with more, the blocks go round them, converted
// on a thread of its own while this one reads and writes.
BatchResult RunBatch(int inFd, int outFd, std::string_view header,
                     const std::vector<BlockConverter*>& converters, const BatchOptions& options,
                     RecordCutter* cutter = nullptr);

// Reads up to `bytes` more bytes of fd to the end of data; false with the
// reason in error when reading failed.  Sets eof at the end of the input.
bool ReadMore(int fd, std::string& data, std::size_t bytes, bool& eof, std::string& error);

}  // namespace morvane::cli
