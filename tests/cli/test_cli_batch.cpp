// The streaming batch engine: lines kept whole, in order, counted.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "tools/morvane/batch.hpp"

namespace morvane::cli {
namespace {

// Echoes each line with a mark; lines holding "bad" fail, "#" lines pass.
// Some lines take a while, so that blocks finish out of order.
class Echo : public LineConverter {
 public:
  LineStatus Convert(std::string_view line, OutBuffer& out) override {
    if (!line.empty() && line[0] == '#') {
      out.Append(line), out.Append('\n');
      return LineStatus::Passed;
    }
    if (line.size() % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(50));
    out.Append("<"), out.Append(line), out.Append(">\n");
    return line.find("bad") != std::string_view::npos ? LineStatus::Failed : LineStatus::Converted;
  }
};

std::string TempPath(const char* name) {
  return ::testing::TempDir() + "/morvane_cli_" + name + std::to_string(::getpid());
}

std::string RunEcho(const std::string& input, unsigned threads, std::size_t blockBytes,
                BatchResult& result, std::string_view header = {}) {
  const std::string inPath = TempPath("in"), outPath = TempPath("out");
  std::ofstream(inPath, std::ios::binary) << input;
  std::FILE* in = std::fopen(inPath.c_str(), "rb");
  std::FILE* out = std::fopen(outPath.c_str(), "wb");
  BatchOptions options;
  options.threads = threads;
  options.blockBytes = blockBytes;
  result = RunBatch(::fileno(in), ::fileno(out), header, [] { return std::make_unique<LineByLine>(std::make_unique<Echo>()); },
                    options);
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
  for (unsigned threads : {1u, 2u, 5u}) {
    for (std::size_t blockBytes : {1u, 100u, 4096u, 1u << 20}) {
      BatchResult result;
      EXPECT_EQ(RunEcho(input, threads, blockBytes, result), expected)
          << threads << " threads, " << blockBytes << " bytes";
      EXPECT_EQ(result.counts.lines, 3000u);
      EXPECT_EQ(result.counts.failed, 33u);  // multiples of 89 but not of 97
      EXPECT_EQ(result.counts.converted, 3000u - 31u - 33u);
      EXPECT_EQ(result.ioError, "");
    }
  }
}

TEST(Batch, LastLineWithoutNewlineAndEmptyInput) {
  BatchResult result;
  EXPECT_EQ(RunEcho("a\nb", 1, 64, result), "<a>\n<b>\n");
  EXPECT_EQ(result.counts.lines, 2u);
  EXPECT_EQ(RunEcho("a\nb", 3, 1, result), "<a>\n<b>\n");
  EXPECT_EQ(RunEcho("", 3, 64, result), "");
  EXPECT_EQ(result.counts.lines, 0u);
  EXPECT_EQ(RunEcho("\n\n", 2, 64, result), "<>\n<>\n");
  EXPECT_EQ(result.counts.lines, 2u);
}

TEST(Batch, HeaderFirst) {
  BatchResult result;
  EXPECT_EQ(RunEcho("a\n", 2, 64, result, "# h\n"), "# h\n<a>\n");
  EXPECT_EQ(RunEcho("", 1, 64, result, "# h\n"), "# h\n");
}

TEST(Batch, LongLinesStayWhole) {
  const std::string longLine(100000, 'y');
  BatchResult result;
  EXPECT_EQ(RunEcho("a\n" + longLine + "\nb\n", 2, 16, result), "<a>\n<" + longLine + ">\n<b>\n");
}

TEST(Batch, WriteErrorIsReported) {
  const std::string inPath = TempPath("in");
  std::ofstream(inPath) << "a\n";
  std::FILE* in = std::fopen(inPath.c_str(), "rb");
  std::FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(full, nullptr);
  for (unsigned threads : {1u, 3u}) {
    std::rewind(in);
    BatchOptions options;
    options.threads = threads;
    const BatchResult result = RunBatch(::fileno(in), ::fileno(full), {},
                                        [] { return std::make_unique<LineByLine>(std::make_unique<Echo>()); }, options);
    EXPECT_NE(result.ioError.find("cannot write the output"), std::string::npos);
  }
  std::fclose(full);
  std::fclose(in);
  std::remove(inPath.c_str());
}

}  // namespace
}  // namespace morvane::cli
