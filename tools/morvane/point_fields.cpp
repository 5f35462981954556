#include "tools/morvane/point_fields.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include <morvane/names.hpp>
#include "tools/morvane/numbers.hpp"

namespace morvane::cli {

namespace {

// Number of value columns of each group.
std::size_t ColumnCount(Columns group) {
  switch (group) {
    case Columns::Deg: return 2;
    case Columns::Dms: return 6;
    case Columns::Lambert: return 2;
    case Columns::Utm: return 4;
    case Columns::Mgrs: return 1;
    case Columns::Ifbl: return 1;
    case Columns::Today: return 6;
  }
  return 0;
}

// An MGRS reference without the blank that starts those of zones 1 to 9;
// empty for the messages the routines leave instead of a reference.
std::string_view Reference(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text.find(' ') == std::string_view::npos ? text : std::string_view{};
}

char* PutText(char* p, std::string_view text, std::string_view none) {
  return Put(p, text.empty() ? none : text);
}

// A number as ValueStyle says.
template <typename Format>
char* PutNumber(char* p, const ValueStyle& style, Format format) {
  char* end = format(p);
  if (!style.decimalComma) return end;
  char* point = std::find(p, end, '.');
  if (point == end) return end;
  *point = ',';
  if (!style.quoteNumbers) return end;
  std::memmove(p + 1, p, static_cast<std::size_t>(end - p));
  *p = '"';
  end[1] = '"';
  return end + 2;
}

// A text as one column: between double quotes, with its quotes doubled,
// when it holds the delimiter or a quote, so that it stays one column.
char* PutColumnText(char* p, std::string_view text, char delimiter) {
  if (text.find(delimiter) == std::string_view::npos && text.find('"') == std::string_view::npos)
    return Put(p, text);
  *p++ = '"';
  for (char c : text) {
    if (c == '"') *p++ = '"';
    *p++ = c;
  }
  *p++ = '"';
  return p;
}

}  // namespace

std::string_view RouteTextOf(std::int32_t route) {
  // Every combination of the core's steps, made once: a route is one of a
  // few dozen, and writing a point should not allocate.
  constexpr std::int32_t kRoutes = 64;
  static const std::array<std::string, kRoutes> texts = [] {
    std::array<std::string, kRoutes> all;
    for (std::int32_t r = 0; r < kRoutes; ++r) all[static_cast<std::size_t>(r)] = RouteText(r);
    return all;
  }();
  static thread_local std::string other;
  if (route >= 0 && route < kRoutes) return texts[static_cast<std::size_t>(route)];
  other = RouteText(route);
  return other;
}

bool ReadHeight(std::string_view field, std::string_view shown, double& height,
                std::string& problem) {
  if (ParseDouble(field, height)) return true;
  problem = "cannot read ";
  problem += kHeightField;
  problem += " '";
  problem += shown;
  problem += "': not a number";
  return false;
}

InputFields InputFieldsOf(InputKind kind, bool lonFirst) {
  switch (kind) {
    case InputKind::Deg:
      return lonFirst ? InputFields{2, {"LON", "LAT"}} : InputFields{2, {"LAT", "LON"}};
    case InputKind::Dms: return {6, {"LATD", "LATM", "LATS", "LOND", "LONM", "LONS"}};
    case InputKind::Lambert: return {2, {"X", "Y"}};
    case InputKind::Lambert2008: return {2, {"X2008", "Y2008"}};
    case InputKind::Mgrs: return {1, {"MGRS"}};
    case InputKind::Ifbl: return {1, {"IFBL"}};
  }
  return {0, {}};
}

bool ReadPoint(InputKind kind, bool lonFirst, const std::array<std::string_view, 6>& field,
               const std::array<const char*, 6>& names, PointInput& point,
               std::string& problem, const std::array<std::string_view, 6>* shown) {
  const auto failed = [&](std::size_t i, const char* what) {
    problem = "cannot read ";
    problem += names[i];
    problem += " '";
    problem += shown ? (*shown)[i] : field[i];
    problem += "': not ";
    problem += what;
    return false;
  };

  switch (kind) {
    case InputKind::Deg:
    case InputKind::Lambert:
    case InputKind::Lambert2008: {
      double a = 0, b = 0;
      if (!ParseDouble(field[0], a)) return failed(0, "a number");
      if (!ParseDouble(field[1], b)) return failed(1, "a number");
      if (kind != InputKind::Deg) point.x = a, point.y = b;
      else if (lonFirst) point.longitude = a, point.latitude = b;
      else point.latitude = a, point.longitude = b;
      return true;
    }
    case InputKind::Dms: {
      std::array<std::int16_t, 4>& whole = point.dms;
      std::array<float, 2>& seconds = point.seconds;
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
      return true;
    }
    case InputKind::Mgrs:
    case InputKind::Ifbl:
      // The core takes null-terminated texts: a null byte would cut the
      // text short and could leave a valid reference in front of it.
      if (field[0].find('\0') != std::string_view::npos) {
        problem = "cannot read ";
        problem += names[0];
        problem += ": a null byte in the text";
        return false;
      }
      point.text = field[0];
      return true;
  }
  return true;
}

bool PutInput(ZedizAdo& object, InputKind kind, bool lonFirst,
              const std::array<std::string_view, 6>& field, std::string& text,
              std::string& problem) {
  PointInput point;
  if (!ReadPoint(kind, lonFirst, field, InputFieldsOf(kind, lonFirst).names, point, problem))
    return false;
  switch (kind) {
    case InputKind::Deg:
      object.Latitude(point.latitude);
      object.Longitude(point.longitude);
      break;
    case InputKind::Lambert:
      object.X(point.x);
      object.Y(point.y);
      break;
    case InputKind::Dms:
      object.LatDmsDeg(point.dms[0]);
      object.LatDmsMin(point.dms[1]);
      object.LatDmsSec(point.seconds[0]);
      object.LonDmsDeg(point.dms[2]);
      object.LonDmsMin(point.dms[3]);
      object.LonDmsSec(point.seconds[1]);
      break;
    case InputKind::Mgrs:
      text.assign(point.text);
      object.MGRS(text);
      break;
    case InputKind::Ifbl:
      text.assign(point.text);
      object.IFBL(text);
      break;
    case InputKind::Lambert2008:
      // The object does not take Lambert 2008: only the batch call does.
      problem = "Lambert 2008 input goes through the batch call, not the object";
      return false;
  }
  return true;
}

void AppendNumber(const ValueStyle& style, double value, OutBuffer& out) {
  char* p = out.Reserve(kNumberChars + 2);
  out.Commit(PutNumber(p, style, [value](char* q) { return FormatDouble(q, value); }));
}

void AppendNumberText(const ValueStyle& style, std::string_view digits, OutBuffer& out) {
  const auto point = digits.find('.');
  if (!style.decimalComma || point == std::string_view::npos) return out.Append(digits);
  if (style.quoteNumbers) out.Append('"');
  out.Append(digits.substr(0, point));
  out.Append(',');
  out.Append(digits.substr(point + 1));
  if (style.quoteNumbers) out.Append('"');
}

void AppendColumnText(std::string_view text, char delimiter, OutBuffer& out) {
  if (text.find_first_of(std::string{delimiter, '"', '\n', '\r'}) == std::string_view::npos)
    return out.Append(text);
  out.Append('"');
  for (char c : text) {
    if (c == '"') out.Append('"');
    out.Append(c);
  }
  out.Append('"');
}

std::vector<std::string_view> ValueColumnNames(const Settings& settings) {
  std::vector<std::string_view> names;
  for (Columns group : settings.columns) {
    switch (group) {
      case Columns::Deg:
        if (settings.lonFirst) names.insert(names.end(), {"Longitude", "Latitude"});
        else names.insert(names.end(), {"Latitude", "Longitude"});
        break;
      case Columns::Dms:
        names.insert(names.end(), {"LatDmsDeg", "LatDmsMin", "LatDmsSec", "LonDmsDeg",
                                   "LonDmsMin", "LonDmsSec"});
        break;
      case Columns::Lambert: names.insert(names.end(), {"X", "Y"}); break;
      case Columns::Utm: names.insert(names.end(), {"Zone", "Hemisphere", "Easting", "Northing"}); break;
      case Columns::Mgrs: names.push_back("MGRS"); break;
      case Columns::Ifbl: names.push_back("IFBL"); break;
      case Columns::Today:
        names.insert(names.end(), {"X2008", "Y2008", "EllipsoidalHeight", "OstendHeight", "Route",
                                   "Accuracy"});
        break;
    }
  }
  return names;
}

std::size_t ValueColumnCount(const Settings& settings) {
  std::size_t columns = 0;
  for (Columns group : settings.columns) columns += ColumnCount(group);
  return columns;
}

void WriteValueColumns(const Settings& settings, const ValueStyle& style,
                       const PointValues& v, OutBuffer& out) {
  const char d = style.delimiter;
  const std::string_view mgrs = Reference(v.mgrs);
  const bool today =
      std::find(settings.columns.begin(), settings.columns.end(), Columns::Today) !=
      settings.columns.end();
  const std::string_view route = today ? RouteTextOf(v.route) : std::string_view{};
  // 21 numbers at most, with their delimiters and quotes, and the texts
  // (the route perhaps quoted, its quotes doubled).
  char* p = out.Reserve(21 * (kNumberChars + 3) + mgrs.size() + v.ifbl.size() +
                        2 * route.size() + 3 + 8 * style.none.size());
  bool first = true;
  const auto next = [&] {
    if (!first) *p++ = d;
    first = false;
  };
  const auto number = [&](double value) {
    next(), p = PutNumber(p, style, [value](char* q) { return FormatDouble(q, value); });
  };
  const auto seconds = [&](float value) {
    next(), p = PutNumber(p, style, [value](char* q) { return FormatFloat(q, value); });
  };
  const auto whole = [&](std::int32_t value) { next(), p = FormatInt(p, value); };
  for (Columns group : settings.columns) {
    switch (group) {
      case Columns::Deg:
        number(settings.lonFirst ? v.longitude : v.latitude);
        number(settings.lonFirst ? v.latitude : v.longitude);
        break;
      case Columns::Dms:
        whole(v.latDmsDeg), whole(v.latDmsMin), seconds(v.latDmsSec);
        whole(v.lonDmsDeg), whole(v.lonDmsMin), seconds(v.lonDmsSec);
        break;
      case Columns::Lambert: number(v.x), number(v.y); break;
      case Columns::Utm: {
        if (!mgrs.empty() && v.zone != 0) {
          whole(v.zone);
          next(), *p++ = v.hemisphere;
          number(v.easting), number(v.northing);
        } else {
          // No grid zone (latitude outside the UTM range): no UTM position.
          for (int i = 0; i < 4; ++i) next(), p = Put(p, style.none);
        }
        break;
      }
      case Columns::Mgrs: next(), p = PutText(p, mgrs, style.none); break;
      case Columns::Ifbl: next(), p = PutText(p, v.ifbl, style.none); break;
      case Columns::Today: {
        number(v.x2008), number(v.y2008);
        // A height the point was not given is no value.
        for (double height : {v.ellipsoidalHeight, v.ostendHeight}) {
          if (std::isnan(height)) next(), p = Put(p, style.none);
          else number(height);
        }
        next(), p = PutColumnText(p, route, d);
        number(v.accuracy);
        break;
      }
    }
  }
  out.Commit(p);
}

}  // namespace morvane::cli
