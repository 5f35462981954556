// A point's fields, shared by every way the tool takes points (the convert
// command, text, JSON-lines and CSV modes): which fields an input kind
// reads, reading them from text, putting a point of a kind into an object,
// and writing a converted point's value columns.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <morvane/zediz_ado.hpp>
#include "tools/morvane/out_buffer.hpp"
#include "tools/morvane/settings.hpp"

namespace morvane::cli {

// The input of one point, as read from its fields.
struct PointInput {
  double latitude = 0;  // degrees
  double longitude = 0;
  double x = 0;  // Lambert 72 or Lambert 2008, as the kind says
  double y = 0;
  std::array<std::int16_t, 4> dms{};  // LatDmsDeg, LatDmsMin, LonDmsDeg, LonDmsMin
  std::array<float, 2> seconds{};     // LatDmsSec, LonDmsSec
  std::string_view text;              // MGRS reference or IFBL code, or the verbatim coordinates
  std::string_view system;            // the row's coordinate system, with verbatim rows
  std::string_view datum;             // the row's datum, with datums per row
  double height = 0;                  // metres, read when the settings take a height
};

// What a converted point gives to print.  The texts are the object's
// (MGRS may be empty, begin with a blank or hold a routine's message); the
// UTM zone and hemisphere are those of its MGRS reference, 0 without one.
struct PointValues {
  double latitude = 0, longitude = 0;
  std::int16_t latDmsDeg = 0, latDmsMin = 0, lonDmsDeg = 0, lonDmsMin = 0;
  float latDmsSec = 0, lonDmsSec = 0;
  double x = 0, y = 0, northing = 0, easting = 0;
  std::int16_t zone = 0;
  char hemisphere = 0;
  std::string_view mgrs, ifbl;
  // Belgium's systems of today, when the settings ask for them: NaN for a
  // height the point was not given.
  double x2008 = 0, y2008 = 0;
  double ellipsoidalHeight = 0, ostendHeight = 0;
  std::int32_t route = 0;
  double accuracy = 0;
};

// The text of a point's Route, from the core's table of steps ("none"
// for 0).
std::string_view RouteTextOf(std::int32_t route);

// The name of the height field of text mode and of its messages.
inline constexpr const char* kHeightField = "H";

// Reads a height field; false with the reason in problem (quoting shown).
bool ReadHeight(std::string_view field, std::string_view shown, double& height,
                std::string& problem);

// Input fields of a kind, in the order they are read ("LAT", "LON").
struct InputFields {
  std::size_t count;
  std::array<const char*, 6> names;
};
InputFields InputFieldsOf(InputKind kind, bool lonFirst);

// Reads the input fields of one point (as many as InputFieldsOf counts);
// names are the fields' names for the messages, which quote the fields as
// shown (the fields themselves when null).  False, with the reason in
// problem, when a field is unreadable.  The text of MGRS and IFBL input
// points into the field.
bool ReadPoint(InputKind kind, bool lonFirst, const std::array<std::string_view, 6>& field,
               const std::array<const char*, 6>& names, PointInput& point,
               std::string& problem,
               const std::array<std::string_view, 6>* shown = nullptr);

// Puts the input fields of one point (as many as InputFieldsOf counts)
// into the object; text is the caller's buffer for the MGRS and IFBL
// puts.  False, with the reason in problem, when a field is unreadable.
bool PutInput(ZedizAdo& object, InputKind kind, bool lonFirst,
              const std::array<std::string_view, 6>& field, std::string& text,
              std::string& problem);

// Names of the value columns of the settings, in order.
std::vector<std::string_view> ValueColumnNames(const Settings& settings);
// Number of value columns of the settings.
std::size_t ValueColumnCount(const Settings& settings);

// How value columns are written.
struct ValueStyle {
  char delimiter = '\t';
  // Written for a text the point has not (an MGRS or IFBL text outside
  // their grids, the four UTM columns without a grid zone).
  std::string_view none = "*";
  bool decimalComma = false;  // numbers with a decimal comma
  bool quoteNumbers = false;  // numbers between double quotes
};

// One number as the style writes it (decimal comma, quotes).
void AppendNumber(const ValueStyle& style, double value, OutBuffer& out);
// A number written as text by the core ("50.8465312"), with the style's
// decimal mark.
void AppendNumberText(const ValueStyle& style, std::string_view digits, OutBuffer& out);
// A text as one column: between double quotes, with its quotes doubled,
// when it holds the delimiter, a quote or a line break.
void AppendColumnText(std::string_view text, char delimiter, OutBuffer& out);

// The value columns of a converted point, separated by the delimiter.  An
// MGRS reference is written without the blank that starts the references
// of zones 1 to 9, and a routine's message instead of a reference counts
// as no reference; the UTM columns need a reference and its zone.
void WriteValueColumns(const Settings& settings, const ValueStyle& style,
                       const PointValues& values, OutBuffer& out);

}  // namespace morvane::cli
