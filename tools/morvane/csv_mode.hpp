// CSV mode of batch: spreadsheet files as people have them.  A header
// line names the columns; the coordinates are read from the columns chosen
// by name or number (or found by their common names); every row is written
// back as it was, followed by the output columns and an Error column, in
// the input's own dialect (separator, decimal comma, line ends, byte-order
// mark).
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/morvane/batch.hpp"
#include "tools/morvane/csv.hpp"
#include "tools/morvane/out_buffer.hpp"
#include "tools/morvane/point_batch.hpp"
#include "tools/morvane/point_fields.hpp"
#include "tools/morvane/settings.hpp"
#include "tools/morvane/squares.hpp"

namespace morvane::cli {

// What the command line asks of CSV mode.
struct CsvRequest {
  std::optional<char> separator;               // --delimiter
  std::optional<bool> decimalComma;            // --decimal-comma / --no-decimal-comma
  std::optional<std::vector<std::string>> columns;  // --columns, split at commas
  bool inputGiven = false;                     // --input was given
};

// How the rows of one file are read and written.
struct CsvLayout {
  char separator = ',';
  std::string lineEnd = "\n";  // the header's
  bool byteOrderMark = false;
  bool readDecimalComma = false;   // numbers may be written 50,8467
  bool writeDecimalComma = false;  // and are written so
  std::size_t headerFields = 0;
  std::size_t inputFields = 0;                // columns the input kind reads
  std::array<std::size_t, 6> columns{};       // their indexes, 0-based
  std::array<std::string, 6> names{};         // their header names, for messages
  // Rows that say their own kind: the verbatim coordinates and their
  // system (npos: none); rows that say their datum: its column (npos: none).
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  bool verbatim = false;
  std::size_t verbatimColumn = kNone, systemColumn = kNone, datumColumn = kNone;
  bool height = false;                        // a height column is read (a height kind)
  std::size_t heightColumn = 0;               // its index, 0-based
  std::string heightName;                     // its header name
  // --geojson: the names the header's columns take as properties of the
  // rows' Features (a name the core's properties have gets a suffix).
  std::vector<std::string> propertyNames;
};

// The start of a CSV input, once its header has been read.
struct CsvStart {
  bool empty = false;         // no header at all: nothing is written
  std::size_t consumed = 0;   // bytes of the input taken by the mark and the header
  std::string header;         // the header line to write, line end included
  std::string columnsUsed;    // for standard error, when columns were found by name
};

// Reads the byte-order mark and the header at the start of input (which
// holds at least the header record, or the whole input) and chooses the
// columns, by the core's table of column names unless --columns gives
// them; settings.input becomes the kind found when the request names
// none, or the rows say their own kinds (Darwin Core's verbatim
// coordinates) and datums.  With a height kind, the height column is the
// one after the coordinates in --columns, or found by its common names.  False with the reason in error when the
// header or the columns do not do: nothing may be written then.
bool StartCsv(std::string_view input, const CsvRequest& request, Settings& settings,
              CsvLayout& layout, CsvStart& start, std::string& error);

// Whether the first line of a file names the columns of a tab-separated
// table: a tab, and a field the core's table of column names knows.
bool HeaderOfTable(std::string_view line);

// Whether the rows in sample (the complete records after the header) write
// their numbers with a decimal comma, for an input whose separator is not
// the comma: the more common of "50,8" and "50.8" among all fields; with
// neither, a semicolon says decimal comma.
bool SampleHasDecimalComma(std::string_view sample, char separator);

// Converts the rows of a block: each row keeps its columns and gets the
// value columns and Error; a row that does not convert gets empty values
// and its message.
class CsvConverter : public BlockConverter {
 public:
  // firstFeature: shared by the converters of a run with --geojson, true
  // until its first Feature is written.
  CsvConverter(const Settings& settings, const CsvLayout& layout, unsigned threads = 1,
               bool* firstFeature = nullptr);
  void Read(std::string_view block) override { block_ = block; }
  // Reads the block's rows and converts their points.
  void ConvertPoints() override;
  void Write(OutBuffer& out, LineCounts& counts) override;

 private:
  struct Row {
    enum Kind { Blank, Problem, Point } kind;
    std::string_view text;      // the record as written, without its line end
    std::size_t fields;         // its fields
    bool rewrite;               // a quoting fault: written field by field
    std::size_t index;          // Problem: start in problems_; Point: index in its batch
    std::size_t size;           // Problem: length of the message; Point: its batch
    std::size_t square;         // Point with squares: index in squares_
  };
  static constexpr std::size_t kNoSquare = static_cast<std::size_t>(-1);
  // Reads the row in record_ into rows_ (and its point into the batches).
  void ReadRow();
  // Reads the coordinate columns; false with problem_ set.
  bool ReadCoordinates(PointInput& point);
  void WriteRow(const Row& row, std::string_view error, const PointValues* values, std::size_t square,
                OutBuffer& out);
  // The row's Feature in a FeatureCollection, with the row's fields.
  void WriteFeature(const Row& row, std::string_view problem, OutBuffer& out);

  const Settings& settings_;
  std::string_view block_;
  const CsvLayout& layout_;
  ValueStyle style_;
  std::size_t valueColumns_;
  std::array<const char*, 6> names_{};
  PointBatches batches_;
  CsvRecord record_, rewriteRecord_;
  std::vector<Row> rows_;
  std::string problems_, problem_;
  std::array<std::string, 6> scratch_, normal_;  // values without quotes, with decimal points
  std::string fieldScratch_;
  std::string heightScratch_, heightNormal_, systemScratch_, datumScratch_;
  SquareRows squares_;
  bool* firstFeature_;
  std::vector<std::string> fieldValues_;
};

}  // namespace morvane::cli
