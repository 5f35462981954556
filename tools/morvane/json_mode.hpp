// JSON output of an object, and the JSON-lines mode of batch: each input
// line is one flat JSON object setting writable properties by their
// interface names, converted on a fresh object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <morvane/zediz_ado.hpp>
#include "tools/morvane/batch.hpp"
#include "tools/morvane/out_buffer.hpp"
#include "tools/morvane/point_fields.hpp"

namespace morvane::cli {

// The datums the client put, which the object does not give back.
struct PutDatums {
  InternalDatums from = mvEuropeanData1950;
  InternalDatums dest = mvEuropeanData1950;
};

// One JSON object, no newline: every readable property of the object, the
// datums as put, and "Failure" with the failure's name when failure is not
// null.  Numbers are the shortest text that reads back to the same value;
// the DMS seconds are the float they are.
void WriteJson(const ZedizAdo& object, const PutDatums& datums, const char* failure,
               OutBuffer& out);

// A point converted by the batch call, as JSON writes it.
struct JsonPoint {
  PutDatums datums;
  std::int32_t origType = 0;
  PointValues values;
  std::int32_t mgrsPrecision = 0;
  std::int16_t ifblPrecision = 0;
  std::string_view error;
  const char* failure = nullptr;
  // Belgium's systems of today: X2008, Y2008, EllipsoidalHeight,
  // OstendHeight (null for a height not given), Route (its text) and
  // Accuracy, before Error.
  bool today = false;
};
void WriteJson(const JsonPoint& point, OutBuffer& out);

// A JSON string literal of text; invalid UTF-8 bytes become U+FFFD.
void WriteJsonString(std::string_view text, OutBuffer& out);

// A property put read from a JSON line, to be put into an object later.
struct JsonPut {
  std::uint8_t property = 0;       // which one (the tool's own numbering)
  std::int32_t whole = 0;          // the value of an integer property
  float single = 0;                // of a float
  double number = 0;               // of a double
  std::size_t text = 0, size = 0;  // of a text: where it is in the texts
};

// Reads a flat JSON object and appends its members to puts, in the order
// they are written, their texts to texts.  False, with the reason in
// problem, as ReadJsonLine; some puts may have been appended then.
bool ReadJsonPuts(std::string_view line, std::vector<JsonPut>& puts, std::string& texts,
                  std::string& problem);

// Whether the puts [begin, end) ask for the systems of today: Method,
// HeightKind or Height.  Such a line is converted by the batch call, where
// OrigType 6 (Lambert 2008) and datum 5 (ETRS89) are known; without them
// a line is the object's, which gives those its message.
bool AsksToday(const JsonPut* begin, const JsonPut* end);

// Puts [begin, end) into the object, in order; datums gets the datums put.
// Method, HeightKind and Height, which the object has not, are left out.
void ApplyJsonPuts(const JsonPut* begin, const JsonPut* end, std::string_view texts,
                   ZedizAdo& object, PutDatums& datums);

// Reads a flat JSON object and puts its members into object, in the order
// they are written.  False, with the reason in problem, for text that is
// not such an object, an unknown or read-only property or a value that
// does not fit the property.
bool ReadJsonLine(std::string_view line, ZedizAdo& object, PutDatums& datums,
                  std::string& problem);

// The lines of JSON-lines mode: read in Read, put into fresh objects and
// converted in ConvertPoints, written as JSON in Write.  Lines starting
// with '#' and blank lines pass through without their trailing blanks.
class JsonLines : public BlockConverter {
 public:
  // today: every line through the batch call, with today's fields.
  explicit JsonLines(bool today = false) : today_(today) {}
  void Read(std::string_view block) override;
  void ConvertPoints() override;
  void Write(OutBuffer& out, LineCounts& counts) override;

 private:
  struct Line {
    enum Kind { Pass, Unread, Point } kind;
    std::string_view text;  // Pass: the line
    std::size_t index;      // Unread: start in problems_; Point: first put in puts_
    std::size_t size;       // Unread: length of the message; Point: end of its puts
    std::size_t object;     // Point: index in objects_
    PutDatums datums;       // Point: the datums put
    const char* failure;    // Point: the failure's name, or null
    bool today;             // Point: converted by the batch call (todays_)
  };
  // A line of today's systems, converted by the batch call.
  struct Today {
    JsonPoint point;
    std::string mgrs, ifbl, error;  // the texts of the point, which holds no views of them
  };
  // Converts the line's puts through a batch of one point.
  void ConvertToday(const Line& line, Today& today);
  std::vector<Today> todays_;
  bool today_;
  std::vector<Line> lines_;
  std::vector<JsonPut> puts_;
  std::string texts_;
  std::vector<ZedizAdo> objects_;
  std::string problems_, problem_;
};

}  // namespace morvane::cli
