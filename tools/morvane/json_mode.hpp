// JSON output of an object, and the JSON-lines mode of batch: each input
// line is one flat JSON object setting writable properties by their
// interface names, converted on a fresh object.
#pragma once

#include <string>
#include <string_view>

#include <morvane/zediz_ado.hpp>
#include "tools/morvane/batch.hpp"
#include "tools/morvane/out_buffer.hpp"

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

// A JSON string literal of text; invalid UTF-8 bytes become U+FFFD.
void WriteJsonString(std::string_view text, OutBuffer& out);

// Reads a flat JSON object and puts its members into object, in the order
// they are written.  False, with the reason in problem, for text that is
// not such an object, an unknown or read-only property or a value that
// does not fit the property.
bool ReadJsonLine(std::string_view line, ZedizAdo& object, PutDatums& datums,
                  std::string& problem);

// The lines of JSON-lines mode, each converted on a fresh object.
class JsonConverter : public LineConverter {
 public:
  // Appends the output line, newline included.  Lines starting with '#'
  // and blank lines pass through unchanged.
  LineStatus Convert(std::string_view line, OutBuffer& out) override;

 private:
  std::string problem_;
};

}  // namespace morvane::cli
