// Text mode of batch: one line of columns in, one line of columns out.
// The points of a block are converted by the core's batch call, a few
// thousand at a time.
//
// Input fields are separated by blanks, tabs or a comma; with a height
// kind, a height field follows the coordinates; what follows the fields of
// the input kind (and the height) is carried over as the last output column.
// Lines starting with '#' and blank lines pass through unchanged.  Output
// columns are separated by the delimiter; the error column, empty when the
// line converted, comes after the value columns, and a line that did not
// convert has "*" in every value column, so no line ever shifts.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include <morvane/zediz_ado.hpp>
#include "tools/morvane/batch.hpp"
#include "tools/morvane/out_buffer.hpp"
#include "tools/morvane/point_batch.hpp"
#include "tools/morvane/point_fields.hpp"
#include "tools/morvane/settings.hpp"
#include "tools/morvane/squares.hpp"

namespace morvane::cli {

// Splits a line into fields: runs of characters other than blank, tab and
// comma; one comma (with blanks around it) separates two fields, so
// "1,,2" has an empty middle field.
class FieldReader {
 public:
  explicit FieldReader(std::string_view line) : line_(line) { SkipBlanks(); }
  // False when the line has no more fields.
  bool Next(std::string_view& field);
  // What is left of the line, without trailing blanks.
  std::string_view Rest() const;

 private:
  void SkipBlanks();
  std::string_view line_;
  std::size_t pos_ = 0;
};

// Header line naming the columns ("# Latitude<TAB>Longitude ...").
void WriteTextHeader(const Settings& settings, OutBuffer& out);

// Converts the lines of text mode: the points of a block are converted
// together, through PointBatches on the threads given, and written in
// order.
class TextConverter : public BlockConverter {
 public:
  // firstFeature: shared by the converters of a run with --geojson, true
  // until its first Feature is written.
  explicit TextConverter(const Settings& settings, unsigned threads = 1,
                         bool* firstFeature = nullptr);
  void Read(std::string_view block) override { block_ = block; }
  // Reads the block's lines and converts their points.
  void ConvertPoints() override;
  void Write(OutBuffer& out, LineCounts& counts) override;

 private:
  // A line waiting for its block to be converted.
  struct Line {
    enum Kind { Pass, Problem, Point } kind;
    std::string_view text;  // Pass: the line; otherwise the text carried over
    std::size_t index;      // Problem: start in problems_; Point: index in its batch
    std::size_t size;       // Problem: length of the message; Point: its batch
    std::size_t square;     // Point with squares: index in squares_
  };
  // Reads a line into lines_ (and its point into the batches).
  void ReadLine(std::string_view line);
  // A line that did not convert; square: its square in squares_, or
  // kNoSquare.
  void WriteFailedLine(std::string_view message, std::string_view rest, std::size_t square,
                       OutBuffer& out);
  // The line's Feature in a FeatureCollection.
  void WriteFeature(const Line& line, std::string_view problem, OutBuffer& out);
  static constexpr std::size_t kNoSquare = static_cast<std::size_t>(-1);

  const Settings& settings_;
  std::string_view block_;
  ValueStyle style_;
  PointBatches batches_;
  std::vector<Line> lines_;
  std::string problems_;
  std::string problem_;
  std::size_t valueColumns_;
  SquareRows squares_;
  bool* firstFeature_;
};

}  // namespace morvane::cli
