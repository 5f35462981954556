// The streaming batch engine: lines kept whole, in order, counted.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/morvane/batch.hpp"

namespace morvane::cli {
namespace {

// Echoes each line with a mark; lines holding "bad" fail, "#" lines pass.
// Some lines take a while, so that reading runs ahead of converting.
class Echo : public BlockConverter {
 public:
  void Read(std::string_view block) override { block_ = block; }
  void ConvertPoints() override {
    while (!block_.empty()) {
      const auto newline = block_.find('\n');
      const std::string_view line = block_.substr(0, newline);
      block_.remove_prefix(newline == std::string_view::npos ? block_.size() : newline + 1);
      ++counts_.lines;
      if (!line.empty() && line[0] == '#') {
        out_.Append(line), out_.Append('\n');
        continue;
      }
      if (line.size() % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(50));
      out_.Append("<"), out_.Append(line), out_.Append(">\n");
      ++(line.find("bad") != std::string_view::npos ? counts_.failed : counts_.converted);
    }
  }
  void Write(OutBuffer& out, LineCounts& counts) override {
    out.Append(out_.View());
    counts.lines += counts_.lines, counts.converted += counts_.converted;
    counts.failed += counts_.failed;
    out_.Clear(), counts_ = {};
  }

 private:
  std::string_view block_;
  OutBuffer out_;
  LineCounts counts_;
};

std::string TempPath(const char* name) {
  return ::testing::TempDir() + "/morvane_cli_" + name + std::to_string(::getpid());
}

// Converts on this thread alone, or (beside) on a converting thread of its
// own, the blocks going round three converters.
std::string RunEcho(const std::string& input, bool beside, std::size_t blockBytes,
                BatchResult& result, std::string_view header = {}) {
  const std::string inPath = TempPath("in"), outPath = TempPath("out");
  std::ofstream(inPath, std::ios::binary) << input;
  std::FILE* in = std::fopen(inPath.c_str(), "rb");
  std::FILE* out = std::fopen(outPath.c_str(), "wb");
  BatchOptions options;
  options.blockBytes = blockBytes;
  std::vector<Echo> echoes(beside ? 3 : 1);
  std::vector<BlockConverter*> converters;
  for (Echo& echo : echoes) converters.push_back(&echo);
  result = RunBatch(::fileno(in), ::fileno(out), header, converters, options);
  std::fclose(in);
  std::fclose(out);
  std::stringstream text;
  text << std::ifstream(outPath, std::ios::binary).rdbuf();
  std::remove(inPath.c_str());
  std::remove(outPath.c_str());
  return text.str();
}

TEST(Batch, EveryLineOnceInInputOrder) {
  std::string input, expected;
  for (int i = 0; i < 3000; ++i) {
    std::string line = i % 97 == 0 ? "# note " : (i % 89 == 0 ? "bad " : "point ");
    line += std::to_string(i);
    line.append(static_cast<std::size_t>(i % 13), 'x');
    input += line + "\n";
    expected += line[0] == '#' ? line + "\n" : "<" + line + ">\n";
  }
  for (bool beside : {false, true}) {
    for (std::size_t blockBytes : {1u, 100u, 4096u, 1u << 20}) {
      BatchResult result;
      EXPECT_EQ(RunEcho(input, beside, blockBytes, result), expected)
          << (beside ? "beside, " : "") << blockBytes << " bytes";
      EXPECT_EQ(result.counts.lines, 3000u);
      EXPECT_EQ(result.counts.failed, 33u);  // multiples of 89 but not of 97
      EXPECT_EQ(result.counts.converted, 3000u - 31u - 33u);
      EXPECT_EQ(result.ioError, "");
    }
  }
}

TEST(Batch, LastLineWithoutNewlineAndEmptyInput) {
  BatchResult result;
  EXPECT_EQ(RunEcho("a\nb", false, 64, result), "<a>\n<b>\n");
  EXPECT_EQ(result.counts.lines, 2u);
  EXPECT_EQ(RunEcho("a\nb", true, 1, result), "<a>\n<b>\n");
  EXPECT_EQ(RunEcho("", true, 64, result), "");
  EXPECT_EQ(result.counts.lines, 0u);
  EXPECT_EQ(RunEcho("\n\n", true, 64, result), "<>\n<>\n");
  EXPECT_EQ(result.counts.lines, 2u);
}

TEST(Batch, HeaderFirst) {
  BatchResult result;
  EXPECT_EQ(RunEcho("a\n", true, 64, result, "# h\n"), "# h\n<a>\n");
  EXPECT_EQ(RunEcho("", false, 64, result, "# h\n"), "# h\n");
}

TEST(Batch, LongLinesStayWhole) {
  const std::string longLine(100000, 'y');
  BatchResult result;
  EXPECT_EQ(RunEcho("a\n" + longLine + "\nb\n", true, 16, result), "<a>\n<" + longLine + ">\n<b>\n");
}

TEST(Batch, WriteErrorIsReported) {
  const std::string inPath = TempPath("in");
  std::ofstream(inPath) << "a\n";
  std::FILE* in = std::fopen(inPath.c_str(), "rb");
  std::FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(full, nullptr);
  for (bool beside : {false, true}) {
    std::rewind(in);
    std::vector<Echo> echoes(beside ? 3 : 1);
    std::vector<BlockConverter*> converters;
    for (Echo& echo : echoes) converters.push_back(&echo);
    const BatchResult result = RunBatch(::fileno(in), ::fileno(full), {}, converters, {});
    EXPECT_NE(result.ioError.find("cannot write the output"), std::string::npos);
  }
  std::fclose(full);
  std::fclose(in);
  std::remove(inPath.c_str());
}

}  // namespace
}  // namespace morvane::cli
