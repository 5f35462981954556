#include "tools/morvane/batch.hpp"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <thread>

#include "tools/morvane/progress.hpp"

namespace morvane::cli {

namespace {

std::string SystemError(const char* what) {
  std::string message = what;
  message += ": ";
  message += std::strerror(errno);
  return message;
}

bool WriteAll(int fd, std::string_view data, std::string& error) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      error = SystemError("cannot write the output");
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Cuts the input into blocks of whole records, about blockBytes each; a
// record longer than a block makes its block longer.
class BlockReader {
 public:
  BlockReader(int fd, std::size_t blockBytes, std::string_view pending, RecordCutter& cutter)
      : fd_(fd), blockBytes_(blockBytes), carry_(pending), cutter_(cutter) {}

  // False at the end of the input, when nothing is left.
  bool Fill(std::string& block, std::string& error) {
    block.assign(carry_);
    carry_.clear();
    cutter_.Restart();
    std::size_t scanned = 0, end = 0;
    while (true) {
      if (scanned < block.size()) {
        const std::size_t last = cutter_.Scan(block, scanned);
        if (last != 0) end = last;
        scanned = block.size();
      }
      if (eof_) return !block.empty();
      if (block.size() >= blockBytes_ && end != 0) {
        carry_.assign(block, end);
        block.resize(end);
        return true;
      }
      if (!ReadMore(fd_, block, blockBytes_, eof_, error)) eof_ = true;
    }
  }

 private:
  int fd_;
  std::size_t blockBytes_;
  std::string carry_;
  RecordCutter& cutter_;
  bool eof_ = false;
};

BatchResult Run(BlockReader& reader, int outFd, BlockConverter& converter, Progress& progress) {
  BatchResult result;
  std::string block;
  OutBuffer out;
  std::uint64_t bytes = 0;
  while (reader.Fill(block, result.ioError)) {
    out.Clear();
    converter.Convert(block, out, result.counts);
    if (!WriteAll(outFd, out.View(), result.ioError)) break;
    bytes += block.size();
    progress.Update(bytes, result.counts.lines);
  }
  return result;
}

// Block k converts on a thread of its own while this thread fills block
// k + 1 from the input and reads it into its converter, then writes block
// k - 1.  Each converter does in Read and Write what it can do here and in
// ConvertPoints the rest, so that the two threads have about even work.
// Converter and block k % 2 go together.
BatchResult RunBeside(BlockReader& reader, int outFd, std::array<BlockConverter*, 2> converters,
                      Progress& progress) {
  BatchResult result;
  std::array<std::string, 2> blocks;
  OutBuffer out;
  std::uint64_t bytes = 0;
  if (!reader.Fill(blocks[0], result.ioError)) return result;
  converters[0]->Read(blocks[0]);
  std::thread converting([c = converters[0]] { c->ConvertPoints(); });
  for (std::size_t k = 0;; ++k) {
    const std::size_t now = k % 2, next = 1 - now;
    const bool more = reader.Fill(blocks[next], result.ioError);
    if (more) converters[next]->Read(blocks[next]);
    converting.join();
    if (more) converting = std::thread([c = converters[next]] { c->ConvertPoints(); });
    out.Clear();
    converters[now]->Write(out, result.counts);
    const bool written = WriteAll(outFd, out.View(), result.ioError);
    bytes += blocks[now].size();
    progress.Update(bytes, result.counts.lines);
    if (!more || !written) break;
  }
  if (converting.joinable()) converting.join();
  return result;
}

}  // namespace

bool ReadMore(int fd, std::string& data, std::size_t bytes, bool& eof, std::string& error) {
  const std::size_t old = data.size();
  data.resize(old + bytes);
  ssize_t n;
  do n = ::read(fd, data.data() + old, bytes);
  while (n < 0 && errno == EINTR);
  if (n < 0) {
    error = SystemError("cannot read the input");
    data.resize(old);
    return false;
  }
  data.resize(old + static_cast<std::size_t>(n));
  eof = n == 0;
  return true;
}

std::size_t LineCutter::Scan(std::string_view block, std::size_t from) {
  const auto newline = block.substr(from).rfind('\n');
  return newline == std::string_view::npos ? 0 : from + newline + 1;
}

BatchResult RunBatch(int inFd, int outFd, std::string_view header, BlockConverter& converter,
                     BlockConverter* second, const BatchOptions& options, RecordCutter* cutter) {
  BatchResult result;
  if (!header.empty() && !WriteAll(outFd, header, result.ioError)) return result;
  LineCutter lines;
  BlockReader reader(inFd, options.blockBytes, options.pending, cutter ? *cutter : lines);
  Progress progress(options.progress, options.inputBytes);
  result = second != nullptr ? RunBeside(reader, outFd, {&converter, second}, progress)
                             : Run(reader, outFd, converter, progress);
  progress.Finish();
  return result;
}

}  // namespace morvane::cli
