#include "tools/morvane/squares.hpp"

#include <algorithm>

#include <morvane/names.hpp>
#include "base/utf8.hpp"
#include "tools/morvane/json_mode.hpp"
#include "tools/morvane/numbers.hpp"

namespace morvane::cli {

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

void AppendDouble(double value, OutBuffer& out) {
  char* p = out.Reserve(kNumberChars);
  out.Commit(FormatDouble(p, value));
}

void AppendWhole(std::int32_t value, OutBuffer& out) {
  char* p = out.Reserve(kNumberChars);
  out.Commit(FormatInt(p, value));
}

const char* DatumLabelOf(std::int32_t datum) {
  const DatumName* name = DatumByNumber(datum);
  return name ? name->label : "unknown datum";
}

bool IsMgrs(const morvane_square_request& request) { return request.kind == MORVANE_mvMgrs; }

// A JSON text value: its escapes undone (the core escapes quotes,
// backslashes and control characters).  `at` is past the opening quote;
// false at a text that does not end.
bool ReadJsonText(std::string_view json, std::size_t& at, std::string& value) {
  value.clear();
  while (at < json.size()) {
    const char c = json[at++];
    if (c == '"') return true;
    if (c != '\\') {
      value += c;
      continue;
    }
    if (at >= json.size()) return false;
    const char e = json[at++];
    switch (e) {
      case 'n': value += '\n'; break;
      case 'r': value += '\r'; break;
      case 't': value += '\t'; break;
      case 'b': value += '\b'; break;
      case 'f': value += '\f'; break;
      case 'u': {
        if (at + 4 > json.size()) return false;
        std::uint32_t code = 0;
        for (int k = 0; k < 4; ++k) {
          const char h = json[at++];
          code <<= 4;
          if (h >= '0' && h <= '9') code |= static_cast<std::uint32_t>(h - '0');
          else if (h >= 'a' && h <= 'f') code |= static_cast<std::uint32_t>(h - 'a' + 10);
          else if (h >= 'A' && h <= 'F') code |= static_cast<std::uint32_t>(h - 'A' + 10);
          else return false;
        }
        utf8::Append(value, code);
        break;
      }
      default: value += e; break;  // '"', '\\', '/'
    }
  }
  return false;
}

}  // namespace

InputKind KindOfCode(std::string_view code) {
  code = Trimmed(code);
  return !code.empty() && code.front() >= '0' && code.front() <= '9' ? InputKind::Mgrs
                                                                     : InputKind::Ifbl;
}

morvane_square_request SquareRequest(const SquareSettings& settings, InputKind kind) {
  morvane_square_request request{};
  request.size = sizeof request;
  request.kind = kind == InputKind::Mgrs ? MORVANE_mvMgrs : MORVANE_mvIFBL;
  request.datum_code = settings.codeDatum;
  request.datum_known = settings.datumKnown ? 1 : 0;
  request.datum_out = settings.datumOut;
  request.method = settings.method;
  request.densify = settings.densify;
  return request;
}

int CheckSquareRequest(const morvane_square_request& request) {
  // A code that names no square: the core checks the request first.
  morvane_square square;
  char error[8];
  const int status = morvane_square_of("", &request, &square, error, sizeof error);
  return status < 0 ? status : MORVANE_OK;
}

std::string SquareAnswer::Problem() const {
  if (status > 0) return std::string("Failure: ") + morvane_failure_name(status);
  if (status < 0) return std::string("the core refused the square: ") + morvane_failure_name(status);
  return message;
}

SquareAnswer FindSquare(std::string_view code, const morvane_square_request& request,
                        SquareText text) {
  SquareAnswer answer;
  const std::string c(code);
  // The MGRS message holds the reference.
  std::string error(c.size() + 128, '\0');
  answer.status = morvane_square_of(c.c_str(), &request, &answer.numbers, error.data(), error.size());
  if (answer.status != MORVANE_OK) return answer;
  answer.message.assign(error.c_str());
  if (text == SquareText::None) return answer;
  const auto call = text == SquareText::DarwinCore ? morvane_square_darwin_core : morvane_square_geojson;
  const std::ptrdiff_t n = call(c.c_str(), &request, nullptr, 0);
  // A JSON object is longer than the numbers of the failure kinds.
  if (n <= MORVANE_FLOAT_OVERFLOW) {
    answer.status = static_cast<int>(n);
    return answer;
  }
  answer.text.resize(static_cast<std::size_t>(n));
  call(c.c_str(), &request, answer.text.data(), answer.text.size() + 1);
  return answer;
}

bool JsonMembers(std::string_view json, std::vector<std::pair<std::string, std::string>>& members) {
  members.clear();
  std::size_t at = 0;
  if (json.empty() || json[at++] != '{') return false;
  std::string key, value;
  while (at < json.size() && json[at] != '}') {
    if (json[at] == ',') ++at;
    if (at >= json.size() || json[at++] != '"' || !ReadJsonText(json, at, key)) return false;
    if (at >= json.size() || json[at++] != ':') return false;
    if (at < json.size() && json[at] == '"') {
      ++at;
      if (!ReadJsonText(json, at, value)) return false;
    } else {
      const std::size_t end = json.find_first_of(",}", at);
      if (end == std::string_view::npos) return false;
      value.assign(json.substr(at, end - at));
      at = end;
    }
    members.emplace_back(key, value);
  }
  return at + 1 == json.size();
}

void AppendFeature(std::string_view feature,
                   const std::vector<std::pair<std::string_view, std::string_view>>& more,
                   OutBuffer& out) {
  // The core's Feature ends with its properties: "...}}".
  if (more.empty() || feature.size() < 2 || feature.substr(feature.size() - 2) != "}}")
    return out.Append(feature);
  out.Append(feature.substr(0, feature.size() - 2));
  for (const auto& [name, value] : more) {
    out.Append(',');
    WriteJsonString(name, out);
    out.Append(':');
    WriteJsonString(value, out);
  }
  out.Append("}}");
}

void AppendProblemFeature(std::string_view message,
                          const std::vector<std::pair<std::string_view, std::string_view>>& more,
                          OutBuffer& out) {
  OutBuffer made;
  made.Append("{\"type\":\"Feature\",\"geometry\":null,\"properties\":{\"Error\":");
  WriteJsonString(message, made);
  made.Append("}}");
  AppendFeature(made.View(), more, out);
}

std::vector<std::string_view> SquareColumnNames(const SquareSettings& settings) {
  // One name at a time: GCC 12 for Windows misreads a range insert here
  // as reaching past the array.
  static constexpr std::string_view kSquareColumns[] = {
      "SquareLatitude", "SquareLongitude",   "SquareWidth", "SquareHeight",
      "SquareRadius",   "SquareUncertainty", "SquareWKT"};
  std::vector<std::string_view> names;
  names.reserve(std::size(kSquareColumns) + kDarwinCoreTerms.size());
  if (settings.columns)
    for (const std::string_view name : kSquareColumns) names.push_back(name);
  if (settings.darwinCore)
    for (const std::string_view name : kDarwinCoreTerms) names.push_back(name);
  return names;
}

std::size_t SquareColumnCount(const SquareSettings& settings) {
  return SquareColumnNames(settings).size();
}

std::size_t SquareRows::Add(std::string_view code) {
  spans_.emplace_back(codes_.size(), code.size());
  codes_ += code;
  return spans_.size() - 1;
}

void SquareRows::Compute() {
  const SquareSettings& s = settings_.squares;
  const morvane_square_request request = SquareRequest(s, settings_.input);
  const SquareText text = s.geojson                      ? SquareText::GeoJson
                          : s.columns || s.darwinCore ? SquareText::DarwinCore
                                                        : SquareText::None;
  answers_.resize(spans_.size());
  terms_.resize(spans_.size());
  std::vector<std::pair<std::string, std::string>> members;
  for (std::size_t i = 0; i < spans_.size(); ++i) {
    answers_[i] = FindSquare(std::string_view(codes_).substr(spans_[i].first, spans_[i].second), request, text);
    auto& terms = terms_[i];
    for (std::string& term : terms) term.clear();
    if (text != SquareText::DarwinCore || !JsonMembers(answers_[i].text, members)) continue;
    for (const auto& [key, value] : members) {
      const auto at = std::find(kDarwinCoreTerms.begin(), kDarwinCoreTerms.end(), key);
      if (at != kDarwinCoreTerms.end()) terms[static_cast<std::size_t>(at - kDarwinCoreTerms.begin())] = value;
    }
  }
}

void SquareRows::WriteColumns(std::size_t i, const ValueStyle& style, bool leading,
                              OutBuffer& out) const {
  const SquareSettings& s = settings_.squares;
  const SquareAnswer& answer = answers_[i];
  const auto& terms = terms_[i];
  const char d = style.delimiter;
  bool first = !leading;
  const auto next = [&] {
    if (!first) out.Append(d);
    first = false;
  };
  if (s.columns) {
    if (answer.Found()) {
      const morvane_square& n = answer.numbers;
      for (double value : {n.centre_latitude, n.centre_longitude, n.width, n.height, n.radius, n.uncertainty}) {
        next();
        AppendNumber(style, value, out);
      }
      next();
      AppendColumnText(terms[4], d, out);  // footprintWKT
    } else {
      for (int k = 0; k < 7; ++k) next(), out.Append(style.none);
    }
  }
  if (s.darwinCore) {
    for (std::size_t k = 0; k < terms.size(); ++k) {
      next();
      if (terms[k].empty()) out.Append(style.none);
      else if (k < 2) AppendNumberText(style, terms[k], out);  // the degrees
      else AppendColumnText(terms[k], d, out);
    }
  }
}

void SquareRows::WriteNoColumns(const ValueStyle& style, bool leading, OutBuffer& out) const {
  const std::size_t count = SquareColumnCount(settings_.squares);
  for (std::size_t k = 0; k < count; ++k) {
    if (k > 0 || leading) out.Append(style.delimiter);
    out.Append(style.none);
  }
}

void SquareRows::Clear() {
  codes_.clear();
  spans_.clear();
  answers_.clear();
}

namespace {

constexpr std::size_t kLabelWidth = 16;

void Label(std::string_view label, OutBuffer& out) {
  out.Append(label);
  for (std::size_t i = label.size(); i < kLabelWidth; ++i) out.Append(' ');
}

// "X 153512 m, Y 168680 m" (IFBL) or "E 693000 m, N 5555000 m" (MGRS).
void GridPoint(bool mgrs, double x, double y, OutBuffer& out) {
  out.Append(mgrs ? "E " : "X ");
  AppendDouble(x, out);
  out.Append(mgrs ? " m, N " : " m, Y ");
  AppendDouble(y, out);
  out.Append(" m");
}

void Degrees(double latitude, double longitude, OutBuffer& out) {
  AppendDouble(latitude, out);
  out.Append("\xC2\xB0, ");
  AppendDouble(longitude, out);
  out.Append("\xC2\xB0");
}

}  // namespace

void WriteSquareTable(std::string_view code, InputKind kind, const morvane_square_request& request,
                      const SquareAnswer& answer, OutBuffer& out) {
  Label("Code", out);
  out.Append(Trimmed(code));
  out.Append('\n');
  if (!answer.Found()) {
    Label("Error", out);
    out.Append(answer.Problem());
    out.Append('\n');
    return;
  }
  const morvane_square& s = answer.numbers;
  const bool mgrs = kind == InputKind::Mgrs;
  const std::string datum = DatumLabelOf(request.datum_out);
  Label("Grid", out);
  if (mgrs) {
    out.Append("MGRS, UTM on ");
    out.Append(DatumLabelOf(request.datum_code));
    if (!request.datum_known) out.Append(" (taken: the reference's datum is not known)");
  } else {
    out.Append("IFBL, Belgian Lambert 72 (EPSG:31370)");
  }
  out.Append('\n');
  Label("Zone", out);
  if (mgrs) {
    AppendWhole(s.zone, out);
    out.Append(s.hemisphere == 'S' ? " S" : " N");
  } else {
    out.Append('-');
  }
  out.Append('\n');
  Label("Sides", out);
  AppendDouble(s.width, out);
  out.Append(" m x ");
  AppendDouble(s.height, out);
  out.Append(" m\n");
  Label("Cut", out);
  if (s.cut) {
    out.Append("yes: the part inside its grid zone, ");
    AppendWhole(s.corner_count, out);
    out.Append(" corners\n");
  } else {
    out.Append("no\n");
  }
  Label("Centre", out);
  GridPoint(mgrs, s.centre_x, s.centre_y, out);
  out.Append(mgrs ? " (UTM)\n" : " (Lambert 72)\n");
  Label("Centre", out);
  Degrees(s.centre_latitude, s.centre_longitude, out);
  out.Append(" (" + datum + ")\n");
  for (std::int32_t k = 0; k < s.corner_count; ++k) {
    Label("Corner " + std::to_string(k + 1), out);
    GridPoint(mgrs, s.corner_x[k], s.corner_y[k], out);
    out.Append("; ");
    Degrees(s.corner_latitude[k], s.corner_longitude[k], out);
    out.Append('\n');
  }
  const std::string c(code);
  const std::ptrdiff_t points = morvane_square_outline(c.c_str(), &request, nullptr, nullptr, 0);
  Label("Outline", out);
  AppendWhole(static_cast<std::int32_t>(points), out);
  out.Append(" points, closed (densify ");
  AppendWhole(request.densify, out);
  out.Append(")\n");
  Label("Radius", out);
  AppendDouble(s.radius, out);
  out.Append(" m\n");
  Label("Uncertainty", out);
  AppendDouble(s.uncertainty, out);
  out.Append(" m");
  if (mgrs && !request.datum_known) out.Append(" (with the spread over the datums)");
  out.Append('\n');
  Label("Route", out);
  out.Append(RouteTextOf(s.route));
  out.Append('\n');
  Label("Error", out);
  out.Append("-\n");
}

void WriteSquareJson(const morvane_square_request& request, const SquareAnswer& answer,
                     OutBuffer& out) {
  if (answer.status != MORVANE_OK || answer.text.empty()) {
    out.Append("{\"Error\":\"\",\"Failure\":");
    WriteJsonString(answer.status > 0 ? morvane_failure_name(answer.status) : answer.Problem(), out);
    out.Append("}\n");
    return;
  }
  const std::string_view text = answer.text;
  if (!answer.Found()) {
    out.Append(text);
    out.Append('\n');
    return;
  }
  // The numbers go before the core's last member, Error.
  std::size_t at = text.rfind(",\"Error\":\"");
  if (at == std::string_view::npos) at = text.size() - 1;
  out.Append(text.substr(0, at));
  const morvane_square& s = answer.numbers;
  const auto key = [&out](std::string_view name) {
    out.Append(",\"");
    out.Append(name);
    out.Append("\":");
  };
  if (IsMgrs(request)) {
    key("zone"), AppendWhole(s.zone, out);
    key("hemisphere"), out.Append(s.hemisphere == 'S' ? "\"S\"" : "\"N\"");
  }
  key("width"), AppendDouble(s.width, out);
  key("height"), AppendDouble(s.height, out);
  key("cut"), out.Append(s.cut ? "true" : "false");
  key("centreX"), AppendDouble(s.centre_x, out);
  key("centreY"), AppendDouble(s.centre_y, out);
  key("centreLatitude"), AppendDouble(s.centre_latitude, out);
  key("centreLongitude"), AppendDouble(s.centre_longitude, out);
  key("corners");
  out.Append('[');
  for (std::int32_t k = 0; k < s.corner_count; ++k) {
    out.Append(k ? ",{\"x\":" : "{\"x\":");
    AppendDouble(s.corner_x[k], out);
    out.Append(",\"y\":");
    AppendDouble(s.corner_y[k], out);
    out.Append(",\"latitude\":");
    AppendDouble(s.corner_latitude[k], out);
    out.Append(",\"longitude\":");
    AppendDouble(s.corner_longitude[k], out);
    out.Append('}');
  }
  out.Append(']');
  key("radius"), AppendDouble(s.radius, out);
  key("uncertainty"), AppendDouble(s.uncertainty, out);
  key("route"), WriteJsonString(RouteTextOf(s.route), out);
  out.Append(text.substr(at));
  out.Append('\n');
}

}  // namespace morvane::cli
