#include "tools/morvane/json_mode.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include <morvane/failure.hpp>
#include <morvane/names.hpp>
#include "tools/morvane/point_batch.hpp"
#include "base/utf8.hpp"
#include "tools/morvane/numbers.hpp"

namespace morvane::cli {

namespace {

// ---------------------------------------------------------------- writing

char* PutKey(char* p, std::string_view key, bool first) {
  if (!first) *p++ = ',';
  *p++ = '"';
  p = Put(p, key);
  *p++ = '"';
  *p++ = ':';
  return p;
}

char* PutDouble(char* p, double value) {
  if (!std::isfinite(value)) return Put(p, "null");
  return FormatDouble(p, value);
}

char* PutFloat(char* p, float value) {
  if (!std::isfinite(value)) return Put(p, "null");
  return FormatFloat(p, value);
}

// ---------------------------------------------------------------- reading

enum class Property {
  DatumFrom, DatumDest, OrigType, Latitude, Longitude, LatDmsDeg, LatDmsMin, LatDmsSec,
  LonDmsDeg, LonDmsMin, LonDmsSec, X, Y, Northing, Easting, MGRS, IFBL, mgrsPrecision,
  IfblPrecision, Method, HeightKind, Height,
};

struct PropertyName {
  std::string_view name;
  Property property;
};

constexpr std::array<PropertyName, 22> kWritable{{
    {"DatumFrom", Property::DatumFrom},
    {"DatumDest", Property::DatumDest},
    {"OrigType", Property::OrigType},
    {"Latitude", Property::Latitude},
    {"Longitude", Property::Longitude},
    {"LatDmsDeg", Property::LatDmsDeg},
    {"LatDmsMin", Property::LatDmsMin},
    {"LatDmsSec", Property::LatDmsSec},
    {"LonDmsDeg", Property::LonDmsDeg},
    {"LonDmsMin", Property::LonDmsMin},
    {"LonDmsSec", Property::LonDmsSec},
    {"X", Property::X},
    {"Y", Property::Y},
    {"Northing", Property::Northing},
    {"Easting", Property::Easting},
    {"MGRS", Property::MGRS},
    {"IFBL", Property::IFBL},
    {"mgrsPrecision", Property::mgrsPrecision},
    {"IfblPrecision", Property::IfblPrecision},
    // The batch call's settings of today (BatchExtra version 2).
    {"Method", Property::Method},
    {"HeightKind", Property::HeightKind},
    {"Height", Property::Height},
}};

bool IsJsonBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A reader of one flat JSON object.
class Reader {
 public:
  Reader(std::string_view text, std::string& problem) : s_(text), problem_(problem) {}

  void SkipBlanks() {
    while (pos_ < s_.size() && IsJsonBlank(s_[pos_])) ++pos_;
  }
  bool AtEnd() const { return pos_ >= s_.size(); }
  bool Peek(char c) const { return pos_ < s_.size() && s_[pos_] == c; }
  bool Take(char c) {
    if (!Peek(c)) return false;
    ++pos_;
    return true;
  }
  bool Expect(char c, const char* what) {
    SkipBlanks();
    if (Take(c)) return true;
    return Problem(what);
  }

  bool Problem(std::string_view what) {
    problem_ = "cannot read line: ";
    problem_ += what;
    problem_ += " at column ";
    char digits[kNumberChars];
    problem_.append(digits, FormatInt(digits, static_cast<std::int32_t>(pos_ + 1)));
    return false;
  }

  bool String(std::string& out) {
    out.clear();
    if (!Take('"')) return Problem("expected a string");
    while (true) {
      if (AtEnd()) return Problem("unterminated string");
      const char c = s_[pos_];
      if (c == '"') {
        ++pos_;
        return true;
      }
      if (static_cast<unsigned char>(c) < 0x20) return Problem("control character in string");
      if (c != '\\') {
        out += c;
        ++pos_;
        continue;
      }
      ++pos_;
      if (AtEnd()) return Problem("unterminated string");
      const char e = s_[pos_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          std::uint32_t code = 0;
          if (!Hex4(code)) return false;
          if (code >= 0xD800 && code <= 0xDBFF) {
            std::uint32_t low = 0;
            if (!Take('\\') || !Take('u') || !Hex4(low) || low < 0xDC00 || low > 0xDFFF)
              return Problem("unpaired surrogate in string");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          } else if (code >= 0xDC00 && code <= 0xDFFF) {
            return Problem("unpaired surrogate in string");
          }
          utf8::Append(out, code);
          break;
        }
        default: --pos_; return Problem("unknown escape in string");
      }
    }
  }

  // A JSON number token, checked against the grammar.
  bool Number(std::string_view& token) {
    const std::size_t start = pos_;
    Take('-');
    if (Take('0')) {
    } else if (pos_ < s_.size() && IsDigit(s_[pos_])) {
      while (pos_ < s_.size() && IsDigit(s_[pos_])) ++pos_;
    } else {
      pos_ = start;
      return Problem("expected a number");
    }
    if (Take('.')) {
      if (!(pos_ < s_.size() && IsDigit(s_[pos_]))) return Problem("digit expected");
      while (pos_ < s_.size() && IsDigit(s_[pos_])) ++pos_;
    }
    if (Take('e') || Take('E')) {
      if (!Take('+')) Take('-');
      if (!(pos_ < s_.size() && IsDigit(s_[pos_]))) return Problem("digit expected");
      while (pos_ < s_.size() && IsDigit(s_[pos_])) ++pos_;
    }
    token = s_.substr(start, pos_ - start);
    return true;
  }

  std::size_t Position() const { return pos_; }
  void Rewind(std::size_t pos) { pos_ = pos; }

 private:
  bool Hex4(std::uint32_t& code) {
    if (pos_ + 4 > s_.size()) return Problem("bad \\u escape");
    for (int i = 0; i < 4; ++i) {
      const char c = s_[pos_++];
      code <<= 4;
      if (c >= '0' && c <= '9') code |= static_cast<std::uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f') code |= static_cast<std::uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') code |= static_cast<std::uint32_t>(c - 'A' + 10);
      else return Problem("bad \\u escape");
    }
    return true;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
  std::string& problem_;
};

// An integer property: a JSON integer, or a number with no fraction
// ("3.0"), inside the range of the property.
template <typename T>
bool WholeNumber(std::string_view token, T& value) {
  std::int32_t whole = 0;
  if (!ParseInt32(token, whole)) {
    double number = 0;
    if (!ParseDouble(token, number) || number != std::trunc(number) || !(number >= -2147483648.0) ||
        !(number <= 2147483647.0))
      return false;
    whole = static_cast<std::int32_t>(number);
  }
  if (whole < std::numeric_limits<T>::min() || whole > std::numeric_limits<T>::max()) return false;
  value = static_cast<T>(whole);
  return true;
}

}  // namespace

void WriteJsonString(std::string_view text, OutBuffer& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  char* p = out.Reserve(6 * text.size() + 2);
  *p++ = '"';
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = s[i];
    if (c == '"' || c == '\\') {
      *p++ = '\\', *p++ = static_cast<char>(c), ++i;
    } else if (c < 0x20) {
      p = Put(p, "\\u00");
      *p++ = kHex[c >> 4], *p++ = kHex[c & 15], ++i;
    } else if (c < 0x80) {
      *p++ = static_cast<char>(c), ++i;
    } else if (const std::size_t n = utf8::SequenceLength(s + i, text.size() - i)) {
      p = Put(p, text.substr(i, n)), i += n;
    } else {
      p = Put(p, "\xEF\xBF\xBD"), ++i;  // U+FFFD
    }
  }
  *p++ = '"';
  out.Commit(p);
}

void WriteJson(const ZedizAdo& object, const PutDatums& datums, const char* failure,
               OutBuffer& out) {
  const std::string mgrs = object.MGRS(), ifbl = object.IFBL(), error = object.Error();
  JsonPoint point;
  point.datums = datums;
  point.origType = object.OrigType();
  PointValues& v = point.values;
  v.latitude = object.Latitude(), v.longitude = object.Longitude();
  v.latDmsDeg = object.LatDmsDeg(), v.latDmsMin = object.LatDmsMin(), v.latDmsSec = object.LatDmsSec();
  v.lonDmsDeg = object.LonDmsDeg(), v.lonDmsMin = object.LonDmsMin(), v.lonDmsSec = object.LonDmsSec();
  v.x = object.X(), v.y = object.Y();
  v.northing = object.Northing(), v.easting = object.Easting();
  v.mgrs = mgrs, v.ifbl = ifbl;
  point.mgrsPrecision = object.mgrsPrecision;
  point.ifblPrecision = object.IfblPrecision;
  point.error = error;
  point.failure = failure;
  WriteJson(point, out);
}

void WriteJson(const JsonPoint& point, OutBuffer& out) {
  const PointValues& v = point.values;
  char* p = out.Reserve(1024);
  *p++ = '{';
  p = PutKey(p, "DatumFrom", true), p = FormatInt(p, point.datums.from);
  p = PutKey(p, "DatumDest", false), p = FormatInt(p, point.datums.dest);
  p = PutKey(p, "OrigType", false), p = FormatInt(p, point.origType);
  p = PutKey(p, "Latitude", false), p = PutDouble(p, v.latitude);
  p = PutKey(p, "Longitude", false), p = PutDouble(p, v.longitude);
  p = PutKey(p, "LatDmsDeg", false), p = FormatInt(p, v.latDmsDeg);
  p = PutKey(p, "LatDmsMin", false), p = FormatInt(p, v.latDmsMin);
  p = PutKey(p, "LatDmsSec", false), p = PutFloat(p, v.latDmsSec);
  p = PutKey(p, "LonDmsDeg", false), p = FormatInt(p, v.lonDmsDeg);
  p = PutKey(p, "LonDmsMin", false), p = FormatInt(p, v.lonDmsMin);
  p = PutKey(p, "LonDmsSec", false), p = PutFloat(p, v.lonDmsSec);
  p = PutKey(p, "X", false), p = PutDouble(p, v.x);
  p = PutKey(p, "Y", false), p = PutDouble(p, v.y);
  p = PutKey(p, "Northing", false), p = PutDouble(p, v.northing);
  p = PutKey(p, "Easting", false), p = PutDouble(p, v.easting);
  p = PutKey(p, "MGRS", false);
  out.Commit(p);
  WriteJsonString(v.mgrs, out);
  p = out.Reserve(64);
  p = PutKey(p, "IFBL", false);
  out.Commit(p);
  WriteJsonString(v.ifbl, out);
  p = out.Reserve(128);
  p = PutKey(p, "mgrsPrecision", false), p = FormatInt(p, point.mgrsPrecision);
  p = PutKey(p, "IfblPrecision", false), p = FormatInt(p, point.ifblPrecision);
  if (point.today) {
    out.Commit(p);
    p = out.Reserve(256);
    p = PutKey(p, "X2008", false), p = PutDouble(p, v.x2008);
    p = PutKey(p, "Y2008", false), p = PutDouble(p, v.y2008);
    p = PutKey(p, "EllipsoidalHeight", false), p = PutDouble(p, v.ellipsoidalHeight);
    p = PutKey(p, "OstendHeight", false), p = PutDouble(p, v.ostendHeight);
    p = PutKey(p, "Route", false);
    out.Commit(p);
    // A point with a message has no route.
    WriteJsonString(point.error.empty() && point.failure == nullptr ? RouteTextOf(v.route) : "", out);
    p = out.Reserve(64);
    p = PutKey(p, "Accuracy", false), p = PutDouble(p, v.accuracy);
  }
  p = PutKey(p, "Error", false);
  out.Commit(p);
  WriteJsonString(point.error, out);
  if (point.failure != nullptr) {
    out.Append(",\"Failure\":");
    WriteJsonString(point.failure, out);
  }
  out.Append('}');
}

bool ReadJsonPuts(std::string_view line, std::vector<JsonPut>& puts, std::string& texts,
                  std::string& problem) {
  Reader in(line, problem);
  if (!in.Expect('{', "expected '{'")) return false;
  in.SkipBlanks();
  if (in.Take('}')) {
    in.SkipBlanks();
    return in.AtEnd() || in.Problem("text after the object");
  }
  std::string key, text;
  while (true) {
    in.SkipBlanks();
    const std::size_t keyAt = in.Position();
    if (!in.String(key)) return false;
    if (!in.Expect(':', "expected ':'")) return false;
    in.SkipBlanks();

    const PropertyName* found = nullptr;
    for (const auto& entry : kWritable)
      if (entry.name == key) found = &entry;
    if (found == nullptr) {
      in.Rewind(keyAt);
      std::string what = key == "Error" ? "property 'Error' is read-only" : "unknown property '";
      if (key != "Error") what += key, what += "'";
      return in.Problem(what);
    }

    const std::size_t valueAt = in.Position();
    const auto bad = [&](const char* what) {
      in.Rewind(valueAt);
      std::string message = key;
      message += ": ";
      message += what;
      return in.Problem(message);
    };
    const Property property = found->property;
    JsonPut put{static_cast<std::uint8_t>(property)};
    if (property == Property::Method || property == Property::HeightKind) {
      // A key of the core's table ("grid", "ostend") or its number.
      const auto byName = property == Property::Method ? MethodByName : HeightKindByName;
      if (in.Peek('"')) {
        if (!in.String(text)) return false;
      } else {
        std::string_view token;
        if (!in.Number(token) || !WholeNumber(token, put.whole)) return bad("expected a key or a number");
        text = std::to_string(put.whole);
      }
      put.whole = byName(text);
      if (put.whole < 0)
        return bad(property == Property::Method ? "unknown method" : "unknown height kind");
    } else if (property == Property::MGRS || property == Property::IFBL) {
      if (!in.Peek('"')) return bad("expected a string");
      if (!in.String(text)) return false;
      put.text = texts.size(), put.size = text.size();
      texts += text;
    } else {
      std::string_view token;
      if (!in.Number(token)) return bad("expected a number");
      std::int16_t i16 = 0;
      switch (property) {
        case Property::DatumFrom:
        case Property::DatumDest:
        case Property::OrigType:
        case Property::mgrsPrecision:
          if (!WholeNumber(token, put.whole)) return bad("expected a 32-bit integer");
          break;
        case Property::LatDmsDeg:
        case Property::LatDmsMin:
        case Property::LonDmsDeg:
        case Property::LonDmsMin:
        case Property::IfblPrecision:
          if (!WholeNumber(token, i16)) return bad("expected a 16-bit integer");
          put.whole = i16;
          break;
        case Property::LatDmsSec:
        case Property::LonDmsSec:
          if (!ParseFloat(token, put.single)) return bad("number out of range of a 32-bit float");
          break;
        default:
          if (!ParseDouble(token, put.number)) return bad("number out of range of a 64-bit float");
      }
    }
    puts.push_back(put);
    in.SkipBlanks();
    if (in.Take(',')) continue;
    if (!in.Expect('}', "expected ',' or '}'")) return false;
    in.SkipBlanks();
    return in.AtEnd() || in.Problem("text after the object");
  }
}

void ApplyJsonPuts(const JsonPut* begin, const JsonPut* end, std::string_view texts,
                   ZedizAdo& object, PutDatums& datums) {
  std::string text;
  for (const JsonPut* put = begin; put != end; ++put) {
    const auto i16 = static_cast<std::int16_t>(put->whole);
    switch (static_cast<Property>(put->property)) {
      case Property::DatumFrom:
        datums.from = static_cast<InternalDatums>(put->whole);
        object.DatumFrom(datums.from);
        break;
      case Property::DatumDest:
        datums.dest = static_cast<InternalDatums>(put->whole);
        object.DatumDest(datums.dest);
        break;
      case Property::OrigType: object.OrigType(static_cast<OriginalCoordinates>(put->whole)); break;
      case Property::mgrsPrecision: object.mgrsPrecision = put->whole; break;
      case Property::LatDmsDeg: object.LatDmsDeg(i16); break;
      case Property::LatDmsMin: object.LatDmsMin(i16); break;
      case Property::LonDmsDeg: object.LonDmsDeg(i16); break;
      case Property::LonDmsMin: object.LonDmsMin(i16); break;
      case Property::IfblPrecision: object.IfblPrecision = i16; break;
      case Property::LatDmsSec: object.LatDmsSec(put->single); break;
      case Property::LonDmsSec: object.LonDmsSec(put->single); break;
      case Property::Latitude: object.Latitude(put->number); break;
      case Property::Longitude: object.Longitude(put->number); break;
      case Property::X: object.X(put->number); break;
      case Property::Y: object.Y(put->number); break;
      case Property::Northing: object.Northing(put->number); break;
      case Property::Easting: object.Easting(put->number); break;
      case Property::MGRS:
        text.assign(texts.substr(put->text, put->size));
        object.MGRS(text);
        break;
      case Property::IFBL:
        text.assign(texts.substr(put->text, put->size));
        object.IFBL(text);
        break;
      case Property::Method:
      case Property::HeightKind:
      case Property::Height:
        break;  // the batch call's settings: ConvertToday takes them
    }
  }
}

bool AsksToday(const JsonPut* begin, const JsonPut* end) {
  // OrigType 6 and datum 5 alone do not count: on the object they get its
  // message, as such lines always have.
  for (const JsonPut* put = begin; put != end; ++put) {
    switch (static_cast<Property>(put->property)) {
      case Property::Method:
      case Property::HeightKind:
      case Property::Height: return true;
      default: break;
    }
  }
  return false;
}

bool ReadJsonLine(std::string_view line, ZedizAdo& object, PutDatums& datums,
                  std::string& problem) {
  std::vector<JsonPut> puts;
  std::string texts;
  if (!ReadJsonPuts(line, puts, texts, problem)) return false;
  ApplyJsonPuts(puts.data(), puts.data() + puts.size(), texts, object, datums);
  return true;
}

void JsonLines::Read(std::string_view block) {
  while (!block.empty()) {
    const auto newline = block.find('\n');
    std::string_view line = block.substr(0, newline);
    block.remove_prefix(newline == std::string_view::npos ? block.size() : newline + 1);

    while (!line.empty() && IsJsonBlank(line.back())) line.remove_suffix(1);
    std::size_t first = 0;
    while (first < line.size() && IsJsonBlank(line[first])) ++first;
    if (first == line.size() || line[first] == '#') {
      lines_.push_back({Line::Pass, line, 0, 0, 0, {}, nullptr, false});
      continue;
    }
    const std::size_t putsBefore = puts_.size(), textsBefore = texts_.size();
    if (!ReadJsonPuts(line, puts_, texts_, problem_)) {
      puts_.resize(putsBefore);
      texts_.resize(textsBefore);
      lines_.push_back({Line::Unread, {}, problems_.size(), problem_.size(), 0, {}, nullptr, false});
      problems_ += problem_;
      continue;
    }
    lines_.push_back({Line::Point, {}, putsBefore, puts_.size(), 0, {}, nullptr,
                      today_ || AsksToday(puts_.data() + putsBefore, puts_.data() + puts_.size())});
  }
}

void JsonLines::ConvertPoints() {
  // The last block's objects go here rather than in Write: freed on the
  // thread that made them, their memory goes back without a lock taken
  // against the other thread's allocations.
  objects_.clear();
  todays_.clear();
  for (Line& line : lines_) {
    if (line.kind != Line::Point) continue;
    if (line.today) {
      line.object = todays_.size();
      ConvertToday(line, todays_.emplace_back());
      continue;
    }
    line.object = objects_.size();
    ZedizAdo& object = objects_.emplace_back();
    ApplyJsonPuts(puts_.data() + line.index, puts_.data() + line.size, texts_, object,
                  line.datums);
    try {
      object.Conversion();
    } catch (const Failure& caught) {
      line.failure = FailureName(caught.kind());
    }
  }
}

void JsonLines::ConvertToday(const Line& line, Today& today) {
  // The line's puts go into a fresh object first, as for any line, so
  // that the input reads as the object would hold it (the texts trimmed
  // and tidied, the defaults of a fresh object); then the batch call
  // converts it with the line's settings of today.
  ZedizAdo object;
  JsonPoint& point = today.point;
  ApplyJsonPuts(puts_.data() + line.index, puts_.data() + line.size, texts_, object, point.datums);
  Settings settings;
  double height = 0;
  bool heightGiven = false, kindGiven = false;
  for (const JsonPut* put = puts_.data() + line.index; put != puts_.data() + line.size; ++put) {
    switch (static_cast<Property>(put->property)) {
      case Property::Method: settings.method = put->whole; break;
      case Property::HeightKind: settings.heightKind = put->whole, kindGiven = true; break;
      case Property::Height: height = put->number, heightGiven = true; break;
      default: break;
    }
  }
  // A height without its kind is ellipsoidal, as convert --height takes it.
  if (heightGiven && !kindGiven) settings.heightKind = MORVANE_HEIGHT_ELLIPSOIDAL;
  point.today = true;
  point.origType = object.OrigType();
  point.mgrsPrecision = object.mgrsPrecision;
  point.ifblPrecision = object.IfblPrecision;
  // The batch call refuses a kind or datum outside its tables as a whole:
  // such a line gets the object's message instead.
  if (KindByNumber(point.origType) == nullptr) today.error = message::kUnknownOrigType;
  else if (DatumByNumber(point.datums.from) == nullptr) today.error = message::kUnknownDatumFrom;
  else if (DatumByNumber(point.datums.dest) == nullptr) today.error = message::kUnknownDatumDest;
  if (!today.error.empty()) {
    point.values.x2008 = point.values.y2008 = std::numeric_limits<double>::quiet_NaN();
    point.values.ellipsoidalHeight = point.values.ostendHeight = point.values.x2008;
    point.values.accuracy = point.values.x2008;
    return;
  }
  settings.from = point.datums.from;
  settings.dest = point.datums.dest;
  settings.input = static_cast<InputKind>(point.origType);
  settings.mgrsPrecision = point.mgrsPrecision;
  settings.ifblPrecision = point.ifblPrecision;
  SetToday(settings, true);

  PointInput input;
  input.latitude = object.Latitude(), input.longitude = object.Longitude();
  input.x = object.X(), input.y = object.Y();
  input.dms = {object.LatDmsDeg(), object.LatDmsMin(), object.LonDmsDeg(), object.LonDmsMin()};
  input.seconds = {object.LatDmsSec(), object.LonDmsSec()};
  today.mgrs = object.MGRS(), today.ifbl = object.IFBL();
  input.text = settings.input == InputKind::Mgrs ? std::string_view(today.mgrs) : std::string_view(today.ifbl);
  input.height = height;

  PointBatch batch(settings, 1, 1);
  batch.Add(input);
  batch.Convert();
  point.values = batch.Values(0);
  // The texts are the batch's: kept here, as the batch goes.
  today.mgrs.assign(point.values.mgrs), today.ifbl.assign(point.values.ifbl);
  today.error.assign(batch.Error(0));
  point.values.mgrs = point.values.ifbl = {};  // set again from the texts when written
  if (const std::int32_t failure = batch.Failure(0))
    point.failure = FailureName(static_cast<FailureKind>(failure));
}

void JsonLines::Write(OutBuffer& out, LineCounts& counts) {
  for (const Line& line : lines_) {
    ++counts.lines;
    switch (line.kind) {
      case Line::Pass:
        out.Append(line.text);
        out.Append('\n');
        break;
      case Line::Unread:
        out.Append("{\"Error\":");
        WriteJsonString(std::string_view(problems_).substr(line.index, line.size), out);
        out.Append("}\n");
        ++counts.failed;
        break;
      case Line::Point: {
        if (line.today) {
          // The point's texts are its Today's own, seen from here: the
          // vector may have moved them since they were made.
          const Today& today = todays_[line.object];
          JsonPoint point = today.point;
          point.values.mgrs = today.mgrs, point.values.ifbl = today.ifbl;
          point.error = today.error;
          WriteJson(point, out);
          out.Append('\n');
          ++(point.failure != nullptr || !point.error.empty() ? counts.failed : counts.converted);
          break;
        }
        const ZedizAdo& object = objects_[line.object];
        WriteJson(object, line.datums, line.failure, out);
        out.Append('\n');
        ++(line.failure != nullptr || !object.Error().empty() ? counts.failed : counts.converted);
        break;
      }
    }
  }
  lines_.clear();
  puts_.clear();
  texts_.clear();
  problems_.clear();
}



}  // namespace morvane::cli
