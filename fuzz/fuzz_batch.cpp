// The batch reader of the command-line tool.  The input's first line picks
// the settings (below); the rest is a block of input lines as `morvane
// batch` reads them, converted with the converter of its mode.
//
// Every input line gives exactly one output line.  Blank lines and
// comments come back as they were (text mode: as written, without the
// '\r' of a CRLF end; JSON-lines mode: without trailing blanks).  In text mode
// every other line has the value columns of the settings, then the error
// column, then what followed the input fields: a line that did not convert
// has "*" in every value column and a message; a converted one has numbers
// that read back, finite and in their ranges, and references, codes or "*".
// In JSON-lines mode every output line is one well-formed JSON object with
// an "Error" member, whose texts are valid UTF-8.
//
// Settings line: characters in any order, unknown ones ignored:
//   d m l g i   input kind deg, dms, lambert, mgrs, ifbl (default deg)
//   j           JSON-lines mode instead of text
//   1-4 1-4     first digit the source datum, second the destination
//   t c s b     delimiter tab, comma, semicolon, blank (default tab)
//   L           longitude first
//   p P         MGRS precision 100 m / IFBL precision 4
//   u           only the columns deg, utm and mgrs, in that order
//   T G         today's columns (Lambert 2008, heights, route); the grid method
//   v           CSV mode: the rest is a file with a header line; t c s
//               then give the separator (else it is found), k K force the
//               decimal comma on or off, n takes the columns by number
//               (1, 2, ...), I says the input kind was given
//
// In CSV mode the rows are cut into blocks of a few bytes as the reader
// cuts them, and the output is read back with the same grammar: one record
// per input record, plus the header; each keeps its fields (decoded, the
// same values), padded to the header's width, then the value columns and
// Error; a row with a message has empty values.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <morvane/zediz_ado.hpp>
#include "base/utf8.hpp"
#include "fuzz/invariants.hpp"
#include "tools/morvane/batch.hpp"
#include "tools/morvane/csv.hpp"
#include "tools/morvane/csv_mode.hpp"
#include "tools/morvane/json_mode.hpp"
#include "tools/morvane/numbers.hpp"
#include "tools/morvane/out_buffer.hpp"
#include "tools/morvane/point_fields.hpp"
#include "tools/morvane/settings.hpp"
#include "tools/morvane/text_mode.hpp"

using namespace morvane;
using namespace morvane::cli;
using namespace morvane::fuzz;

namespace {

// What the checks make of an output line.
enum class LineStatus { Passed, Converted, Failed };

struct Options {
  Settings settings;
  bool json = false;
  bool csv = false;
  CsvRequest request;
};

Options ReadSettings(std::string_view line) {
  Options o;
  Settings& s = o.settings;
  int datums = 0;
  bool today = false;
  for (char c : line) {
    switch (c) {
      case 'd': s.input = InputKind::Deg; break;
      case 'm': s.input = InputKind::Dms; break;
      case 'l': s.input = InputKind::Lambert; break;
      case 'g': s.input = InputKind::Mgrs; break;
      case 'i': s.input = InputKind::Ifbl; break;
      case 'j': o.json = true; break;
      case '1': case '2': case '3': case '4': {
        const auto d = static_cast<InternalDatums>(c - '0');
        (datums++ == 0 ? s.from : s.dest) = d;
        break;
      }
      case 't': s.delimiter = '\t', o.request.separator = '\t'; break;
      case 'c': s.delimiter = ',', o.request.separator = ','; break;
      case 's': s.delimiter = ';', o.request.separator = ';'; break;
      case 'v': o.csv = true; break;
      case 'k': o.request.decimalComma = true; break;
      case 'K': o.request.decimalComma = false; break;
      case 'n': o.request.columns = std::vector<std::string>{}; break;
      case 'I': o.request.inputGiven = true; break;
      case 'b': s.delimiter = ' '; break;
      case 'L': s.lonFirst = true; break;
      case 'p': s.mgrsPrecision = 100; break;
      case 'P': s.ifblPrecision = 4; break;
      case 'u': s.columns = {Columns::Deg, Columns::Utm, Columns::Mgrs}; break;
      case 'T': today = true; break;
      case 'G': s.method = MORVANE_METHOD_GRID; break;
      default: break;
    }
  }
  SetToday(s, today);
  if (o.request.columns) {
    const std::size_t n = InputFieldsOf(s.input, s.lonFirst).count;
    for (std::size_t i = 1; i <= n; ++i) o.request.columns->push_back(std::to_string(i));
  }
  if (!o.csv) o.request = {};
  return o;
}

bool IsBlankOrCr(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view TrimEnd(std::string_view line) {
  while (!line.empty() && IsBlankOrCr(line.back())) line.remove_suffix(1);
  return line;
}

// Lines as the converters cut them: at each '\n'; a last line without one
// still counts.
std::vector<std::string_view> Lines(std::string_view block) {
  std::vector<std::string_view> lines;
  while (!block.empty()) {
    const auto newline = block.find('\n');
    lines.push_back(block.substr(0, newline));
    block.remove_prefix(newline == std::string_view::npos ? block.size() : newline + 1);
  }
  return lines;
}

// Comments and blank lines pass through.
bool PassesThrough(std::string_view line, bool json) {
  if (json) line = TrimEnd(line);
  else if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::size_t first = 0;
  while (first < line.size() && (line[first] == ' ' || line[first] == '\t' ||
                                 (json && (line[first] == '\r' || line[first] == '\n'))))
    ++first;
  return first == line.size() || line[first] == '#';
}

// ------------------------------------------------------------- text mode

// The first n fields of a line cut at the delimiter, and what follows.
std::vector<std::string_view> Cut(std::string_view line, char d, std::size_t n,
                                  std::string_view& rest) {
  std::vector<std::string_view> fields;
  while (fields.size() < n) {
    // A text holding the delimiter or a quote is quoted, its quotes
    // doubled (the route of today's columns, with a blank delimiter).
    // (An input text echoed as it came may start with a quote too: a
    // field is taken as quoted only when its closing quote ends it.)
    std::size_t at = std::string_view::npos;
    if (!line.empty() && line[0] == '"') {
      std::size_t k = 1;
      for (; k < line.size(); ++k) {
        if (line[k] != '"') continue;
        if (k + 1 < line.size() && line[k + 1] == '"') {
          ++k;
          continue;
        }
        break;
      }
      if (k + 1 < line.size() && line[k + 1] == d) at = k + 1;
    }
    if (at == std::string_view::npos) at = line.find(d);
    FUZZ_CHECK(at != std::string_view::npos);  // every column is there
    fields.push_back(line.substr(0, at));
    line.remove_prefix(at + 1);
  }
  rest = line;
  return fields;
}

double Number(std::string_view text) {
  double v = 0;
  FUZZ_CHECK(ParseDouble(text, v));  // what the tool writes, it reads back
  FUZZ_CHECK(std::isfinite(v));
  return v;
}

std::int16_t Whole(std::string_view text) {
  std::int16_t v = 0;
  FUZZ_CHECK(ParseInt16(text, v));
  return v;
}

float Seconds(std::string_view text) {
  float v = 0;
  FUZZ_CHECK(ParseFloat(text, v));
  FUZZ_CHECK(std::isfinite(v) && v >= -60 && v <= 60);
  return v;
}

void CheckConvertedColumns(const Settings& s, const std::vector<std::string_view>& f) {
  std::size_t i = 0;
  const std::size_t digits = MgrsDigitsFor(s.mgrsPrecision);
  for (Columns group : s.columns) {
    switch (group) {
      case Columns::Deg: {
        const double a = Number(f[i++]), b = Number(f[i++]);
        const double lat = s.lonFirst ? b : a, lon = s.lonFirst ? a : b;
        FUZZ_CHECK(InRange(lat, -90, 90) && InRange(lon, -180, 180));
        break;
      }
      case Columns::Dms: {
        const std::int16_t latD = Whole(f[i++]), latM = Whole(f[i++]);
        Seconds(f[i++]);
        const std::int16_t lonD = Whole(f[i++]), lonM = Whole(f[i++]);
        Seconds(f[i++]);
        FUZZ_CHECK(latD >= -90 && latD <= 90 && latM >= -60 && latM <= 60);
        FUZZ_CHECK(lonD >= -180 && lonD <= 180 && lonM >= -60 && lonM <= 60);
        break;
      }
      case Columns::Lambert: Number(f[i++]), Number(f[i++]); break;
      case Columns::Utm:
        if (f[i] == "*") {
          for (int k = 0; k < 4; ++k) FUZZ_CHECK(f[i++] == "*");
        } else {
          const std::int16_t zone = Whole(f[i++]);
          FUZZ_CHECK(zone >= 1 && zone <= 60);
          FUZZ_CHECK(f[i] == "N" || f[i] == "S");
          ++i;
          FUZZ_CHECK(InRange(Number(f[i++]), 0, 1000000));
          FUZZ_CHECK(InRange(Number(f[i++]), 0, 10000000));
        }
        break;
      case Columns::Mgrs:
        // MGRS input keeps the text as entered: only its shape is known.
        // The references of zones 1 to 9 are written without their
        // leading blank.
        if (s.input != InputKind::Mgrs)
          FUZZ_CHECK(f[i] == "*" || IsMgrsReference(f[i], digits) ||
                     IsMgrsReference(" " + std::string(f[i]), digits));
        ++i;
        break;
      case Columns::Ifbl:
        FUZZ_CHECK(f[i] == "*" || IsIfblCode(f[i]));
        ++i;
        break;
      case Columns::Today:
        // Lambert 2008, no heights (none was given), the route's text and
        // its accuracy.
        Number(f[i++]), Number(f[i++]);
        FUZZ_CHECK(f[i++] == "*");
        FUZZ_CHECK(f[i++] == "*");
        FUZZ_CHECK(!f[i++].empty());
        FUZZ_CHECK(Number(f[i++]) >= 0);
        break;
    }
  }
}

void CheckTextLine(const Settings& s, std::string_view in, std::string_view out,
                   LineStatus& status) {
  if (PassesThrough(in, false)) {
    // Copied as written, but for the carriage return of a CRLF line end.
    if (!in.empty() && in.back() == '\r') in.remove_suffix(1);
    FUZZ_CHECK(out == in);
    status = LineStatus::Passed;
    return;
  }
  const std::size_t n = ValueColumnCount(s);
  std::string_view rest;
  const auto f = Cut(out, s.delimiter, n, rest);
  if (f[0] == "*" && !(s.columns[0] == Columns::Utm)) {
    // Not converted: a star in every value column, then the reason.
    for (auto field : f) FUZZ_CHECK(field == "*");
    FUZZ_CHECK(!rest.empty() && rest[0] != s.delimiter);
    status = LineStatus::Failed;
    return;
  }
  CheckConvertedColumns(s, f);
  // The empty error column.
  FUZZ_CHECK(rest.empty() || rest[0] == s.delimiter);
  status = LineStatus::Converted;
}

// ------------------------------------------------------------ JSON mode

// A small strict JSON reader: whether text is exactly one value.
class Json {
 public:
  explicit Json(std::string_view text) : s_(text) {}
  bool Object(std::vector<std::pair<std::string, std::string_view>>& members) {
    Blanks();
    if (!Eat('{')) return false;
    Blanks();
    if (Eat('}')) return End();
    do {
      Blanks();
      std::string key;
      if (!String(&key)) return false;
      Blanks();
      if (!Eat(':')) return false;
      Blanks();
      const std::size_t start = i_;
      if (!Value()) return false;
      members.emplace_back(key, s_.substr(start, i_ - start));
      Blanks();
    } while (Eat(','));
    return Eat('}') && End();
  }

 private:
  bool End() {
    Blanks();
    return i_ == s_.size();
  }
  void Blanks() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r'))
      ++i_;
  }
  bool Eat(char c) {
    if (i_ < s_.size() && s_[i_] == c) return ++i_, true;
    return false;
  }
  bool Word(std::string_view w) {
    if (s_.substr(i_, w.size()) != w) return false;
    i_ += w.size();
    return true;
  }
  bool Value() {
    if (i_ >= s_.size()) return false;
    const char c = s_[i_];
    if (c == '"') return String(nullptr);
    if (c == 't') return Word("true");
    if (c == 'f') return Word("false");
    if (c == 'n') return Word("null");
    return NumberText();
  }
  bool Digits() {
    const std::size_t start = i_;
    while (i_ < s_.size() && IsDigit(s_[i_])) ++i_;
    return i_ > start;
  }
  bool NumberText() {
    Eat('-');
    if (Eat('0')) {
    } else if (!Digits()) {
      return false;
    }
    if (Eat('.') && !Digits()) return false;
    if (Eat('e') || Eat('E')) {
      if (!Eat('+')) Eat('-');
      if (!Digits()) return false;
    }
    return true;
  }
  bool String(std::string* out) {
    if (!Eat('"')) return false;
    while (i_ < s_.size()) {
      const auto c = static_cast<unsigned char>(s_[i_]);
      if (c == '"') return ++i_, true;
      if (c < 0x20) return false;
      if (c == '\\') {
        ++i_;
        if (i_ >= s_.size()) return false;
        const char e = s_[i_++];
        if (e == 'u') {
          for (int k = 0; k < 4; ++k, ++i_)
            if (i_ >= s_.size() || !std::isxdigit(static_cast<unsigned char>(s_[i_]))) return false;
        } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
          return false;
        }
        if (out) *out += '?';
        continue;
      }
      const std::size_t n = Utf8(i_);
      if (n == 0) return false;  // texts are valid UTF-8
      if (out) out->append(s_.substr(i_, n));
      i_ += n;
    }
    return false;
  }
  std::size_t Utf8(std::size_t at) const {
    return utf8::SequenceLength(reinterpret_cast<const unsigned char*>(s_.data()) + at,
                                s_.size() - at);
  }
  std::string_view s_;
  std::size_t i_ = 0;
};

void CheckJsonLine(std::string_view in, std::string_view out, LineStatus& status) {
  if (PassesThrough(in, true)) {
    FUZZ_CHECK(out == TrimEnd(in));
    status = LineStatus::Passed;
    return;
  }
  std::vector<std::pair<std::string, std::string_view>> members;
  FUZZ_CHECK(Json(out).Object(members));
  bool hasError = false, failure = false, errorEmpty = false;
  std::string_view lat, lon;
  for (const auto& [key, value] : members) {
    if (key == "Error") hasError = true, errorEmpty = value == "\"\"";
    if (key == "Failure") failure = true;
    if (key == "Latitude") lat = value;
    if (key == "Longitude") lon = value;
  }
  FUZZ_CHECK(hasError);
  if (members.size() == 1) {  // the line could not be read
    status = LineStatus::Failed;
    return;
  }
  status = failure || !errorEmpty ? LineStatus::Failed : LineStatus::Converted;
  if (status == LineStatus::Converted) {
    // A converted point exists; what it was converted from is not known
    // here, so only the geographic outputs, which every kind publishes.
    double a = 0, b = 0;
    FUZZ_CHECK(ParseDouble(lat, a) && ParseDouble(lon, b));
    FUZZ_CHECK(InRange(a, -90, 90) && InRange(b, -180, 180));
  }
}

// -------------------------------------------------------------- CSV mode

std::vector<std::string> Decoded(const CsvRecord& record) {
  std::vector<std::string> values;
  std::string scratch;
  for (std::size_t i = 0; i < record.fields.size(); ++i) values.emplace_back(record.Value(i, scratch));
  return values;
}

void CheckCsv(const Options& options, std::string_view input) {
  Settings settings = options.settings;
  CsvLayout layout;
  CsvStart start;
  std::string error;
  if (!StartCsv(input, options.request, settings, layout, start, error)) {
    FUZZ_CHECK(!error.empty());
    return;
  }
  const bool mark = input.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark;
  if (start.empty) {
    FUZZ_CHECK(input.size() == (mark ? kUtf8ByteOrderMark.size() : 0));
    return;
  }
  const char separator = layout.separator;

  // Blocks as the reader cuts them, small enough that records straddle.
  constexpr std::size_t kBlock = 16;
  const std::string_view rest = input.substr(start.consumed);
  CsvConverter converter(settings, layout);
  CsvCutter cutter(separator);
  OutBuffer out;
  out.Append(start.header);
  LineCounts counts;
  for (std::size_t begin = 0; begin < rest.size();) {
    cutter.Restart();
    std::size_t scanned = begin, end = 0;
    while (true) {
      const std::size_t upTo = std::min(rest.size(), scanned + kBlock);
      const std::size_t last = cutter.Scan(rest.substr(begin, upTo - begin), scanned - begin);
      if (last != 0) end = begin + last;
      scanned = upTo;
      if (end != 0 && scanned - begin >= kBlock) break;
      if (scanned == rest.size()) {
        end = rest.size();
        break;
      }
    }
    converter.Convert(rest.substr(begin, end - begin), out, counts);
    begin = end;
  }

  std::string_view written = out.View();
  FUZZ_CHECK((written.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) == mark);
  if (mark) written.remove_prefix(kUtf8ByteOrderMark.size());
  const std::string_view header = input.substr(mark ? kUtf8ByteOrderMark.size() : 0);
  const std::size_t values = ValueColumnCount(settings);
  const std::vector<std::string_view> names = ValueColumnNames(settings);

  CsvRecord in, got;
  ReadRecord(header, separator, in);
  written.remove_prefix(ReadRecord(written, separator, got));
  FUZZ_CHECK(got.fault == QuoteFault::None && got.lineEnd == layout.lineEnd);
  FUZZ_CHECK(got.fields.size() == layout.headerFields + values + 1);
  std::vector<std::string> inValues = Decoded(in), gotValues = Decoded(got);
  FUZZ_CHECK(std::equal(inValues.begin(), inValues.end(), gotValues.begin()));

  std::uint64_t rows = 0, converted = 0, failed = 0;
  for (std::string_view left = rest; !left.empty();) {
    left.remove_prefix(ReadRecord(left, separator, in));
    ++rows;
    FUZZ_CHECK(!written.empty());
    written.remove_prefix(ReadRecord(written, separator, got));
    FUZZ_CHECK(got.fault == QuoteFault::None && got.lineEnd == layout.lineEnd);
    if (in.text.empty()) {  // a blank line stays blank
      FUZZ_CHECK(got.text.empty());
      continue;
    }
    const std::size_t width = std::max(in.fields.size(), layout.headerFields);
    FUZZ_CHECK(got.fields.size() == width + values + 1);
    inValues = Decoded(in), gotValues = Decoded(got);
    for (std::size_t i = 0; i < width; ++i)  // the row's own columns, padded
      FUZZ_CHECK(gotValues[i] == (i < inValues.size() ? inValues[i] : std::string()));
    const bool ok = gotValues.back().empty();
    (ok ? converted : failed) += 1;
    for (std::size_t i = 0; i < values; ++i) {
      const std::string& value = gotValues[width + i];
      if (!ok) {
        FUZZ_CHECK(value.empty());
        continue;
      }
      const std::string_view name = names[i];
      if (name == "MGRS" || name == "IFBL" || name == "Zone" || name == "Hemisphere" ||
          name == "Route")
        continue;
      if (value.empty()) {
        // Only the UTM position of a point without one, and the heights of
        // a point given none.
        FUZZ_CHECK(name == "Easting" || name == "Northing" || name == "EllipsoidalHeight" ||
                   name == "OstendHeight");
        continue;
      }
      // A number reads back, with the decimal mark of the output.
      std::string number = value;
      if (layout.writeDecimalComma) std::replace(number.begin(), number.end(), ',', '.');
      Number(number);
    }
  }
  FUZZ_CHECK(written.empty());  // no record more than the input's
  FUZZ_CHECK(counts.lines == rows && counts.converted == converted && counts.failed == failed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size > 4096) return 0;
  std::string_view input(reinterpret_cast<const char*>(bytes), size);
  const auto newline = input.find('\n');
  if (newline == std::string_view::npos) return 0;
  const Options options = ReadSettings(input.substr(0, newline));
  const std::string_view block = input.substr(newline + 1);
  if (options.csv) {
    CheckCsv(options, block);
    return 0;
  }

  OutBuffer out;
  LineCounts counts;
  if (options.json) {
    JsonLines converter;
    converter.Convert(block, out, counts);
  } else {
    TextConverter converter(options.settings);
    converter.Convert(block, out, counts);
  }

  const auto in = Lines(block);
  const std::string_view text = out.View();
  FUZZ_CHECK(text.empty() || text.back() == '\n');
  const auto outLines = Lines(text);
  FUZZ_CHECK(counts.lines == in.size());
  FUZZ_CHECK(outLines.size() == in.size());  // one line out per line in
  std::uint64_t converted = 0, failed = 0;
  for (std::size_t i = 0; i < in.size(); ++i) {
    LineStatus status;
    if (options.json) CheckJsonLine(in[i], outLines[i], status);
    else CheckTextLine(options.settings, in[i], outLines[i], status);
    converted += status == LineStatus::Converted;
    failed += status == LineStatus::Failed;
  }
  FUZZ_CHECK(counts.converted == converted && counts.failed == failed);
  return 0;
}
