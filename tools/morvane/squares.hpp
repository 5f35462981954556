// The squares IFBL codes and MGRS references name, through the core's C
// functions (morvane_square_of, morvane_square_outline,
// morvane_square_darwin_core, morvane_square_geojson): the `square`
// command, and the square and Darwin Core columns and GeoJSON output of
// batch's text and CSV modes.  The texts (degrees, WKT, Darwin Core terms,
// Features) are the core's; the tool only lays them out.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <morvane/morvane.h>
#include "tools/morvane/out_buffer.hpp"
#include "tools/morvane/point_fields.hpp"
#include "tools/morvane/settings.hpp"

namespace morvane::cli {

// The kind of a code from its shape: an MGRS reference starts with the
// digits of its zone, an IFBL code with the letter of its column.
InputKind KindOfCode(std::string_view code);

// The core's request for codes of the kind.
morvane_square_request SquareRequest(const SquareSettings& settings, InputKind kind);

// The request as the core sees it: MORVANE_OK, or the negative code with
// which it refuses every code (a datum, method or densify outside its
// table).  Asked before any work, so that a bad request is a usage error.
int CheckSquareRequest(const morvane_square_request& request);

// The Darwin Core terms of the core's object, in its order.
inline constexpr std::array<std::string_view, 10> kDarwinCoreTerms{
    "decimalLatitude",       "decimalLongitude",        "geodeticDatum",
    "coordinateUncertaintyInMeters", "footprintWKT",     "footprintSRS",
    "verbatimCoordinates",   "verbatimCoordinateSystem", "verbatimSRS",
    "georeferenceProtocol"};

// The properties of the core's Features, which a row's own fields must
// not take over.
inline constexpr std::array<std::string_view, 5> kFeatureProperties{"Error", "zone", "hemisphere",
                                                                    "width", "height"};

// Which of the core's texts a square is asked with.
enum class SquareText { None, DarwinCore, GeoJson };

// One code's square, as the core gives it.
struct SquareAnswer {
  int status = MORVANE_OK;   // a failure kind 1..5, or a negative code
  morvane_square numbers{};  // zeroed unless found
  std::string message;       // the core's message for a code that names no square
  std::string text;          // the core's Darwin Core object or GeoJSON Feature
  bool Found() const { return status == MORVANE_OK && message.empty(); }
  // The message, "Failure: <name>" or the refusal; empty when found.
  std::string Problem() const;
};

SquareAnswer FindSquare(std::string_view code, const morvane_square_request& request,
                        SquareText text);

// The members of a flat JSON object as the core writes them (texts and
// numbers): each key with its value, a text unescaped, a number as
// written.  False when the text is not such an object.
bool JsonMembers(std::string_view json, std::vector<std::pair<std::string, std::string>>& members);

// A Feature of the core with more properties added at the end of its
// properties (the row's own fields), each a JSON text.
void AppendFeature(std::string_view feature,
                   const std::vector<std::pair<std::string_view, std::string_view>>& more,
                   OutBuffer& out);
// A Feature without geometry for a row that holds no code to ask the core
// about: its message in Error, and the row's fields.
void AppendProblemFeature(std::string_view message,
                          const std::vector<std::pair<std::string_view, std::string_view>>& more,
                          OutBuffer& out);

// The start and end of a FeatureCollection; the features go between,
// each on its own line, the first after FeatureSeparator(true).
inline constexpr std::string_view kCollectionStart = "{\"type\":\"FeatureCollection\",\"features\":[";
inline constexpr std::string_view kCollectionEnd = "\n]}\n";
inline std::string_view FeatureSeparator(bool first) { return first ? "\n" : ",\n"; }

// Names of the square columns of the settings (--square, then
// --darwin-core), in order.
std::vector<std::string_view> SquareColumnNames(const SquareSettings& settings);
std::size_t SquareColumnCount(const SquareSettings& settings);

// The squares of the rows of one block: codes gathered while reading,
// found together, written with their rows.
class SquareRows {
 public:
  explicit SquareRows(const Settings& settings) : settings_(settings) {}
  std::size_t Add(std::string_view code);
  void Compute();
  const SquareAnswer& operator[](std::size_t i) const { return answers_[i]; }
  // The square columns of row i, each after the style's delimiter (the
  // first only when `leading`); a term the core did not give is
  // style.none.
  void WriteColumns(std::size_t i, const ValueStyle& style, bool leading, OutBuffer& out) const;
  // The columns of a row without a code.
  void WriteNoColumns(const ValueStyle& style, bool leading, OutBuffer& out) const;
  void Clear();

 private:
  const Settings& settings_;
  std::string codes_;
  std::vector<std::pair<std::size_t, std::size_t>> spans_;  // each code in codes_
  std::vector<SquareAnswer> answers_;
  std::vector<std::array<std::string, kDarwinCoreTerms.size()>> terms_;
};

// The `square` command's output of one code: the readable table, or one
// JSON object (the core's Darwin Core object with the square's numbers
// before Error).
void WriteSquareTable(std::string_view code, InputKind kind, const morvane_square_request& request,
                      const SquareAnswer& answer, OutBuffer& out);
void WriteSquareJson(const morvane_square_request& request, const SquareAnswer& answer,
                     OutBuffer& out);

}  // namespace morvane::cli
