#include "tools/morvane/batch.hpp"

#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
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

void Add(LineCounts& total, const LineCounts& part) {
  total.lines += part.lines;
  total.converted += part.converted;
  total.failed += part.failed;
}

BatchResult RunOnOneThread(BlockReader& reader, int outFd, const ConverterFactory& factory,
                           Progress& progress) {
  BatchResult result;
  const auto converter = factory();
  std::string block;
  OutBuffer out;
  std::uint64_t bytes = 0;
  while (reader.Fill(block, result.ioError)) {
    out.Clear();
    converter->Convert(block, out, result.counts);
    if (!WriteAll(outFd, out.View(), result.ioError)) break;
    bytes += block.size();
    progress.Update(bytes, result.counts.lines);
  }
  return result;
}

// Blocks travel reader -> worker -> writer through a fixed pool: the
// reader takes a free block, fills it and queues it both for the workers
// and, in input order, for the writer, which waits for the block at the
// head of its queue to be converted, writes it and frees it.
class Pipeline {
 public:
  Pipeline(unsigned threads, const ConverterFactory& factory, BlockReader& reader, int outFd,
           Progress& progress)
      : blocks_(2 * threads + 2), factory_(factory), reader_(reader), outFd_(outFd),
        progress_(progress) {
    for (std::size_t i = 0; i < blocks_.size(); ++i) free_.push_back(i);
    workers_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
    writer_ = std::thread([this] { Write(); });
  }

  BatchResult Run() {
    std::string readError;
    while (true) {
      std::size_t index;
      {
        std::unique_lock lock(mutex_);
        freed_.wait(lock, [&] { return !free_.empty() || stop_; });
        if (stop_) break;
        index = free_.front();
        free_.pop_front();
      }
      if (!reader_.Fill(blocks_[index].in, readError)) break;
      {
        std::lock_guard lock(mutex_);
        work_.push_back(index);
        order_.push_back(index);
      }
      queued_.notify_one();
    }
    {
      std::lock_guard lock(mutex_);
      inputEnded_ = true;
    }
    queued_.notify_all();
    converted_.notify_all();
    for (auto& worker : workers_) worker.join();
    writer_.join();
    if (result_.ioError.empty()) result_.ioError = readError;
    return result_;
  }

 private:
  struct Block {
    std::string in;
    OutBuffer out;
    LineCounts counts;
    bool done = false;
  };

  void Work() {
    const auto converter = factory_();
    while (true) {
      std::size_t index;
      {
        std::unique_lock lock(mutex_);
        queued_.wait(lock, [&] { return !work_.empty() || inputEnded_ || stop_; });
        if (work_.empty() || stop_) return;
        index = work_.front();
        work_.pop_front();
      }
      Block& block = blocks_[index];
      block.out.Clear();
      block.counts = {};
      converter->Convert(block.in, block.out, block.counts);
      {
        std::lock_guard lock(mutex_);
        block.done = true;
      }
      converted_.notify_all();
    }
  }

  void Write() {
    std::uint64_t bytes = 0;
    while (true) {
      std::size_t index;
      {
        std::unique_lock lock(mutex_);
        converted_.wait(lock, [&] {
          return (!order_.empty() && blocks_[order_.front()].done) ||
                 (inputEnded_ && order_.empty()) || stop_;
        });
        if (stop_ || order_.empty()) return;
        index = order_.front();
        order_.pop_front();
      }
      Block& block = blocks_[index];
      if (!WriteAll(outFd_, block.out.View(), result_.ioError)) {
        {
          std::lock_guard lock(mutex_);
          stop_ = true;
        }
        freed_.notify_all();
        queued_.notify_all();
        return;
      }
      Add(result_.counts, block.counts);
      bytes += block.in.size();
      progress_.Update(bytes, result_.counts.lines);
      {
        std::lock_guard lock(mutex_);
        block.done = false;
        free_.push_back(index);
      }
      freed_.notify_one();
    }
  }

  std::vector<Block> blocks_;
  const ConverterFactory& factory_;
  BlockReader& reader_;
  int outFd_;
  Progress& progress_;
  BatchResult result_;  // written by the writer only, read after it ends

  std::mutex mutex_;
  std::condition_variable freed_, queued_, converted_;
  std::deque<std::size_t> free_, work_, order_;
  bool inputEnded_ = false;
  bool stop_ = false;
  std::vector<std::thread> workers_;
  std::thread writer_;
};

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

void ConvertBlock(std::string_view block, LineConverter& converter, OutBuffer& out,
                  LineCounts& counts) {
  while (!block.empty()) {
    const auto newline = block.find('\n');
    const std::string_view line = block.substr(0, newline);
    block.remove_prefix(newline == std::string_view::npos ? block.size() : newline + 1);
    ++counts.lines;
    switch (converter.Convert(line, out)) {
      case LineStatus::Passed: break;
      case LineStatus::Converted: ++counts.converted; break;
      case LineStatus::Failed: ++counts.failed; break;
    }
  }
}

BatchResult RunBatch(int inFd, int outFd, std::string_view header,
                     const ConverterFactory& factory, const BatchOptions& options,
                     RecordCutter* cutter) {
  BatchResult result;
  if (!header.empty() && !WriteAll(outFd, header, result.ioError)) return result;
  LineCutter lines;
  BlockReader reader(inFd, options.blockBytes, options.pending, cutter ? *cutter : lines);
  Progress progress(options.progress, options.inputBytes);
  if (options.threads <= 1) {
    result = RunOnOneThread(reader, outFd, factory, progress);
  } else {
    Pipeline pipeline(options.threads, factory, reader, outFd, progress);
    result = pipeline.Run();
  }
  progress.Finish();
  return result;
}

}  // namespace morvane::cli
