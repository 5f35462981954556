// The tool's commands, run by main once the command line is read: one
// point (and the built-in example) and batch in its text, JSON-lines and
// CSV modes.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "tools/morvane/csv_mode.hpp"
#include "tools/morvane/settings.hpp"

namespace morvane::cli {

// Exit statuses.
inline constexpr int kOk = 0;
inline constexpr int kSomeFailed = 1;  // a point got a message or a failure
inline constexpr int kUsage = 2;       // bad arguments, unreadable file, I/O error

inline void Print(std::string_view text, std::FILE* to = stdout) {
  std::fwrite(text.data(), 1, text.size(), to);
}

// "morvane: message" on standard error.
inline void Complain(std::string_view message) {
  std::string line = "morvane: ";
  line += message;
  line += '\n';
  Print(line, stderr);
}

// The point of `convert`, in the one form given.
struct PointArgs {
  std::vector<std::string> deg, dms, lambert, lambert2008;
  std::string mgrs, ifbl;
  std::string height;  // --height, empty when not given
  bool json = false;
};

// Converts the point and prints every representation (a table, or one
// JSON object); the exit status.  With Belgium's systems of today
// (settings.today, or Lambert 2008 input) the point goes through the
// core's batch call and the output adds Lambert 2008, the heights, the
// route and its accuracy; otherwise through the object, as always.
int Convert(const Settings& settings, const PointArgs& args);

// Converts and prints the built-in example, a point in Brussels.
int Example();

// What `square` was asked beyond the square settings.
struct SquareArgs {
  std::vector<std::string> codes;
  bool ifbl = false;  // every code is IFBL
  bool mgrs = false;  // every code is MGRS
  bool json = false;
  bool geojson = false;
};

// Prints the square of each code (a table, one JSON object per line, or
// one GeoJSON FeatureCollection); the exit status.  The kind of each code
// is the one given, or found from its shape.
int Square(const SquareSettings& settings, const SquareArgs& args);

// Prints the core's table of column names, each role with its names by
// language; or, for the header names given, the role each is read as
// ("-" for none: the exit status is then 1).
int ColumnNamesCommand(const std::vector<std::string>& headers);

// What `batch` was asked beyond the settings.
struct BatchArgs {
  std::string file = "-";
  bool jsonl = false;
  bool header = false;
  bool quiet = false;
  unsigned jobs = 0;
  std::string delimiter = "tab";
  bool delimiterGiven = false;
  bool csv = false;  // CSV mode
  bool today = false;  // --today: JSON-lines mode writes today's fields on every line
  bool datumUnknown = false;  // --datum-unknown: the MGRS references' datum is not known
  CsvRequest csvRequest;
};

// Converts the file (or standard input) to standard output; the exit status.
int Batch(Settings settings, BatchArgs args);

}  // namespace morvane::cli
