#include "tools/morvane/text_mode.hpp"

#include <array>

#include "component/failure.hpp"
#include "tools/morvane/numbers.hpp"

namespace morvane::cli {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLineEnd(std::string_view line) {
  while (!line.empty() && (IsBlank(line.back()) || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

// Number of value columns of each group.
std::size_t ColumnCount(Columns group) {
  switch (group) {
    case Columns::Deg: return 2;
    case Columns::Dms: return 6;
    case Columns::Lambert: return 2;
    case Columns::Utm: return 4;
    case Columns::Mgrs: return 1;
    case Columns::Ifbl: return 1;
  }
  return 0;
}

char* PutText(char* p, std::string_view text) {
  // A text with a blank in it is one of the MGRS messages, not a reference.
  if (text.empty() || text.find(' ') != std::string_view::npos) {
    *p++ = '*';
    return p;
  }
  return Put(p, text);
}

}  // namespace

void FieldReader::SkipBlanks() {
  while (pos_ < line_.size() && IsBlank(line_[pos_])) ++pos_;
}

bool FieldReader::Next(std::string_view& field) {
  if (pos_ >= line_.size()) return false;
  const std::size_t start = pos_;
  while (pos_ < line_.size() && !IsBlank(line_[pos_]) && line_[pos_] != ',') ++pos_;
  field = line_.substr(start, pos_ - start);
  SkipBlanks();
  if (pos_ < line_.size() && line_[pos_] == ',') {
    ++pos_;
    SkipBlanks();
  }
  return true;
}

std::string_view FieldReader::Rest() const { return TrimLineEnd(line_.substr(pos_)); }

void WriteTextHeader(const Settings& settings, OutBuffer& out) {
  out.Append('#');
  char separator = ' ';
  const auto name = [&](std::string_view text) {
    out.Append(separator);
    out.Append(text);
    separator = settings.delimiter;
  };
  for (Columns group : settings.columns) {
    switch (group) {
      case Columns::Deg:
        if (settings.lonFirst) name("Longitude"), name("Latitude");
        else name("Latitude"), name("Longitude");
        break;
      case Columns::Dms:
        for (const char* n : {"LatDmsDeg", "LatDmsMin", "LatDmsSec", "LonDmsDeg", "LonDmsMin",
                              "LonDmsSec"})
          name(n);
        break;
      case Columns::Lambert: name("X"), name("Y"); break;
      case Columns::Utm: name("Zone"), name("Hemisphere"), name("Easting"), name("Northing"); break;
      case Columns::Mgrs: name("MGRS"); break;
      case Columns::Ifbl: name("IFBL"); break;
    }
  }
  name("Error");
  out.Append('\n');
}

void WriteValueColumns(const Settings& settings, const ZedizAdo& object, OutBuffer& out) {
  const char d = settings.delimiter;
  const std::string mgrs = object.MGRS();
  const std::string ifbl = object.IFBL();
  // 16 numbers at most, with their delimiters, and the two texts.
  char* p = out.Reserve(16 * (kNumberChars + 1) + mgrs.size() + ifbl.size() + 2);
  bool first = true;
  const auto next = [&] {
    if (!first) *p++ = d;
    first = false;
  };
  for (Columns group : settings.columns) {
    switch (group) {
      case Columns::Deg: {
        const double a = settings.lonFirst ? object.Longitude() : object.Latitude();
        const double b = settings.lonFirst ? object.Latitude() : object.Longitude();
        next(), p = FormatDouble(p, a);
        next(), p = FormatDouble(p, b);
        break;
      }
      case Columns::Dms:
        next(), p = FormatInt(p, object.LatDmsDeg());
        next(), p = FormatInt(p, object.LatDmsMin());
        next(), p = FormatFloat(p, object.LatDmsSec());
        next(), p = FormatInt(p, object.LonDmsDeg());
        next(), p = FormatInt(p, object.LonDmsMin());
        next(), p = FormatFloat(p, object.LonDmsSec());
        break;
      case Columns::Lambert:
        next(), p = FormatDouble(p, object.X());
        next(), p = FormatDouble(p, object.Y());
        break;
      case Columns::Utm: {
        int zone = 0;
        char hemisphere = 0;
        if (UtmZoneOf(mgrs, zone, hemisphere)) {
          next(), p = FormatInt(p, zone);
          next(), *p++ = hemisphere;
          next(), p = FormatDouble(p, object.Easting());
          next(), p = FormatDouble(p, object.Northing());
        } else {
          // No grid zone (latitude outside the UTM range): no UTM position.
          for (int i = 0; i < 4; ++i) next(), *p++ = '*';
        }
        break;
      }
      case Columns::Mgrs: next(), p = PutText(p, mgrs); break;
      case Columns::Ifbl: next(), p = PutText(p, ifbl); break;
    }
  }
  out.Commit(p);
}

TextConverter::TextConverter(const Settings& settings) : settings_(settings) {
  object_.DatumFrom(settings.from);
  object_.DatumDest(settings.dest);
  object_.mgrsPrecision = settings.mgrsPrecision;
  object_.IfblPrecision = settings.ifblPrecision;
}

void TextConverter::WriteFailedLine(std::string_view message, std::string_view rest,
                                    OutBuffer& out) {
  const char d = settings_.delimiter;
  std::size_t columns = 0;
  for (Columns group : settings_.columns) columns += ColumnCount(group);
  char* p = out.Reserve(2 * columns + message.size() + rest.size() + 4);
  for (std::size_t i = 0; i < columns; ++i) *p++ = '*', *p++ = d;
  p = Put(p, message);
  if (!rest.empty()) *p++ = d, p = Put(p, rest);
  *p++ = '\n';
  out.Commit(p);
}

LineStatus TextConverter::Convert(std::string_view line, OutBuffer& out) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::size_t first = 0;
  while (first < line.size() && IsBlank(line[first])) ++first;
  if (first == line.size() || line[first] == '#') {
    out.Append(line);
    out.Append('\n');
    return LineStatus::Passed;
  }

  FieldReader fields(line);
  if (!ReadInput(fields)) {
    WriteFailedLine(problem_, fields.Rest(), out);
    return LineStatus::Failed;
  }
  const std::string_view rest = fields.Rest();
  try {
    object_.Conversion();
  } catch (const Failure& failure) {
    problem_ = "Failure: ";
    problem_ += FailureName(failure.kind());
    WriteFailedLine(problem_, rest, out);
    return LineStatus::Failed;
  }
  const std::string error = object_.Error();
  if (!error.empty()) {
    WriteFailedLine(error, rest, out);
    return LineStatus::Failed;
  }

  WriteValueColumns(settings_, object_, out);
  char* p = out.Reserve(rest.size() + 3);
  *p++ = settings_.delimiter;  // the empty error column
  if (!rest.empty()) *p++ = settings_.delimiter, p = Put(p, rest);
  *p++ = '\n';
  out.Commit(p);
  return LineStatus::Converted;
}

InputFields InputFieldsOf(InputKind kind, bool lonFirst) {
  switch (kind) {
    case InputKind::Deg:
      return lonFirst ? InputFields{2, {"LON", "LAT"}} : InputFields{2, {"LAT", "LON"}};
    case InputKind::Dms: return {6, {"LATD", "LATM", "LATS", "LOND", "LONM", "LONS"}};
    case InputKind::Lambert: return {2, {"X", "Y"}};
    case InputKind::Mgrs: return {1, {"MGRS"}};
    case InputKind::Ifbl: return {1, {"IFBL"}};
  }
  return {0, {}};
}

bool PutInput(ZedizAdo& object, InputKind kind, bool lonFirst,
              const std::array<std::string_view, 6>& field, std::string& text,
              std::string& problem) {
  const InputFields layout = InputFieldsOf(kind, lonFirst);
  const auto failed = [&](std::size_t i, const char* what) {
    problem = "cannot read ";
    problem += layout.names[i];
    problem += " '";
    problem += field[i];
    problem += "': not ";
    problem += what;
    return false;
  };

  switch (kind) {
    case InputKind::Deg:
    case InputKind::Lambert: {
      double a = 0, b = 0;
      if (!ParseDouble(field[0], a)) return failed(0, "a number");
      if (!ParseDouble(field[1], b)) return failed(1, "a number");
      if (kind == InputKind::Lambert) {
        object.X(a);
        object.Y(b);
      } else if (lonFirst) {
        object.Longitude(a);
        object.Latitude(b);
      } else {
        object.Latitude(a);
        object.Longitude(b);
      }
      return true;
    }
    case InputKind::Dms: {
      std::array<std::int16_t, 4> whole{};
      std::array<float, 2> seconds{};
      constexpr std::array<std::size_t, 4> kWhole{0, 1, 3, 4};
      for (std::size_t k = 0; k < 4; ++k)
        if (!ParseInt16(field[kWhole[k]], whole[k]))
          return failed(kWhole[k], "a whole number from -32768 to 32767");
      if (!ParseFloat(field[2], seconds[0])) return failed(2, "a number");
      if (!ParseFloat(field[5], seconds[1])) return failed(5, "a number");
      // An angle between -1 and 0 degrees carries its sign on the minutes,
      // or on the seconds when the minutes are 0 too: "-0 30 0" means
      // minus half a degree, not plus.
      for (std::size_t angle = 0; angle < 2; ++angle) {
        const std::string_view degrees = field[3 * angle];
        std::int16_t& minutes = whole[2 * angle + 1];
        float& sec = seconds[angle];
        if (whole[2 * angle] == 0 && !degrees.empty() && degrees[0] == '-') {
          if (minutes > 0) minutes = static_cast<std::int16_t>(-minutes);
          else if (minutes == 0 && sec > 0) sec = -sec;
        }
      }
      object.LatDmsDeg(whole[0]);
      object.LatDmsMin(whole[1]);
      object.LatDmsSec(seconds[0]);
      object.LonDmsDeg(whole[2]);
      object.LonDmsMin(whole[3]);
      object.LonDmsSec(seconds[1]);
      return true;
    }
    case InputKind::Mgrs:
      text.assign(field[0]);
      object.MGRS(text);
      return true;
    case InputKind::Ifbl:
      text.assign(field[0]);
      object.IFBL(text);
      return true;
  }
  return true;
}

bool TextConverter::ReadInput(FieldReader& fields) {
  const InputFields layout = InputFieldsOf(settings_.input, settings_.lonFirst);
  std::array<std::string_view, 6> field;
  for (std::size_t i = 0; i < layout.count; ++i) {
    if (!fields.Next(field[i])) {
      problem_ = "cannot read line: ";
      problem_ += layout.names[i];
      problem_ += " missing";
      return false;
    }
  }
  object_.Reset();
  object_.OrigType(OrigTypeOf(settings_.input));
  return PutInput(object_, settings_.input, settings_.lonFirst, field, text_, problem_);
}

}  // namespace morvane::cli
