// Text mode of batch: one line of columns in, one line of columns out.
//
// Input fields are separated by blanks, tabs or a comma; what follows the
// fields of the input kind is carried over as the last output column.
// Lines starting with '#' and blank lines pass through unchanged.  Output
// columns are separated by the delimiter; the error column, empty when the
// line converted, comes after the value columns, and a line that did not
// convert has "*" in every value column, so no line ever shifts.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "component/zediz_ado.hpp"
#include "tools/morvane/out_buffer.hpp"
#include "tools/morvane/settings.hpp"

namespace morvane::cli {

enum class LineStatus { Passed, Converted, Failed };

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

// Input fields of a kind, in the order they are read ("LAT", "LON").
struct InputFields {
  std::size_t count;
  std::array<const char*, 6> names;
};
InputFields InputFieldsOf(InputKind kind, bool lonFirst);

// Puts the input fields of one point (as many as InputFieldsOf counts)
// into the object; text is the caller's buffer for the MGRS and IFBL
// puts.  False, with the reason in problem, when a field is unreadable.
bool PutInput(ZedizAdo& object, InputKind kind, bool lonFirst,
              const std::array<std::string_view, 6>& field, std::string& text,
              std::string& problem);

// Header line naming the columns ("# Latitude<TAB>Longitude ...").
void WriteTextHeader(const Settings& settings, OutBuffer& out);

// The value columns of a converted object, separated by the delimiter;
// "*" for an empty MGRS or IFBL text or an MGRS message.
void WriteValueColumns(const Settings& settings, const ZedizAdo& object, OutBuffer& out);

// Converts the lines of text mode on one object, reused from line to line
// (reset before each line, so its Error belongs to that line).
class TextConverter {
 public:
  explicit TextConverter(const Settings& settings);
  // Appends the output line, newline included.
  LineStatus Convert(std::string_view line, OutBuffer& out);

 private:
  // Puts the input fields of one line; false with problem_ set when a
  // field is missing or unreadable.
  bool ReadInput(FieldReader& fields);
  void WriteFailedLine(std::string_view message, std::string_view rest, OutBuffer& out);

  const Settings& settings_;
  ZedizAdo object_;
  std::string text_;
  std::string problem_;
};

}  // namespace morvane::cli
