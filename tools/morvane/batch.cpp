#include "tools/morvane/batch.hpp"

#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

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

// The blocks go round the converters: this thread fills the next free one
// from the input and reads it in, a converting thread converts them in
// turn, and this thread writes each once converted, which frees it.  Each
// converter does in Read and Write what it can do here and in
// ConvertPoints the rest, so that the two threads have about even work;
// with more converters than two, one thread can run ahead while the other
// waits for a processor.  Block k goes with converter k % converters.size().
BatchResult RunBeside(BlockReader& reader, int outFd,
                      const std::vector<BlockConverter*>& converters, Progress& progress) {
  const std::size_t ring = converters.size();
  std::vector<std::string> blocks(ring);
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t filled = 0, converted = 0;  // blocks so far
  bool ended = false;                     // no more blocks will be filled

  std::thread converting([&] {
    for (std::size_t k = 0;; ++k) {
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return k < filled || ended; });
        if (k >= filled) return;
      }
      converters[k % ring]->ConvertPoints();
      {
        std::lock_guard lock(mutex);
        converted = k + 1;
      }
      changed.notify_all();
    }
  });

  BatchResult result;
  OutBuffer out;
  std::uint64_t bytes = 0;
  std::size_t read = 0, written = 0;  // this thread's counts
  bool more = true;
  while (true) {
    std::size_t ready;
    {
      std::lock_guard lock(mutex);
      ready = converted;
    }
    // A free converter is filled first (reading is quick), so that the
    // converting thread never waits while a block could be read.
    if (more && read - written < ring) {
      const std::size_t k = read % ring;
      more = reader.Fill(blocks[k], result.ioError);
      if (more) {
        converters[k]->Read(blocks[k]);
        {
          std::lock_guard lock(mutex);
          filled = ++read;
        }
        changed.notify_all();
      }
    } else if (written < ready) {
      const std::size_t k = written++ % ring;
      out.Clear();
      converters[k]->Write(out, result.counts);
      if (!WriteAll(outFd, out.View(), result.ioError)) break;
      bytes += blocks[k].size();
      progress.Update(bytes, result.counts.lines);
    } else if (written == read) {
      break;  // the input ended and every block is written
    } else {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return converted > written; });
    }
  }
  {
    // After a write error the converting thread converts what was filled
    // (a few blocks at most) and stops.
    std::lock_guard lock(mutex);
    ended = true;
  }
  changed.notify_all();
  converting.join();
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

BatchResult RunBatch(int inFd, int outFd, std::string_view header,
                     const std::vector<BlockConverter*>& converters, const BatchOptions& options,
                     RecordCutter* cutter) {
  BatchResult result;
  if (!header.empty() && !WriteAll(outFd, header, result.ioError)) return result;
  LineCutter lines;
  BlockReader reader(inFd, options.blockBytes, options.pending, cutter ? *cutter : lines);
  Progress progress(options.progress, options.inputBytes);
  result = converters.size() > 1 ? RunBeside(reader, outFd, converters, progress)
                                 : Run(reader, outFd, *converters.front(), progress);
  progress.Finish();
  if (result.ioError.empty() && !options.trailer.empty()) WriteAll(outFd, options.trailer, result.ioError);
  return result;
}

}  // namespace morvane::cli
