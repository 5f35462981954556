// Reading a point from one text.  The text is cut into tokens (numbers,
// the marks of degrees, minutes and seconds, hemisphere letters, labels
// and separators), the tokens into two groups, and each group into an
// angle or a coordinate.  Numbers are converted correctly rounded, so that
// a text gives the same bits everywhere.
#include "component/verbatim.hpp"

#include <morvane/zediz_ado.hpp>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#if !defined(__EMSCRIPTEN__)
#include <charconv>
#endif

namespace morvane::verbatim {

namespace {

enum class Mark { None, Degrees, Minutes, Seconds };

struct Token {
  enum Kind { Number, Hemisphere, Label, Separator } kind;
  std::string text;   // Number: digits with '.' as the decimal mark, sign apart
  bool negative = false;
  Mark mark = Mark::None;
  char letter = 0;    // Hemisphere: 'N', 'S', 'E', 'W'; Label: 'a' (latitude, X), 'b' (longitude, Y)
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The mark the UTF-8 text at `at` starts with, and its length in bytes.
Mark MarkAt(std::string_view text, std::size_t at, std::size_t& length) {
  struct Spelling {
    std::string_view bytes;
    Mark mark;
  };
  static constexpr Spelling kSpellings[] = {
      {"''", Mark::Seconds},           {"\u00b0", Mark::Degrees},  // degree sign
      {"\u00ba", Mark::Degrees},       {"\u02da", Mark::Degrees},  // ordinal, ring
      {"\u2032", Mark::Minutes},       {"\u2019", Mark::Minutes},  // prime, quote
      {"\u00b4", Mark::Minutes},       {"'", Mark::Minutes},
      {"\u2033", Mark::Seconds},       {"\u201d", Mark::Seconds},  // double prime, quote
      {"\"", Mark::Seconds},
  };
  for (const Spelling& s : kSpellings) {
    if (text.substr(at, s.bytes.size()) == s.bytes) {
      length = s.bytes.size();
      return s.mark;
    }
  }
  length = 0;
  return Mark::None;
}

// Whether commas are decimal marks: the text has no full stop, and either
// a semicolon separates its numbers or every comma stands between digits
// and there are at least two ("50,85 4,35").
bool DecimalCommas(std::string_view text) {
  if (text.find('.') != std::string_view::npos) return false;
  if (text.find(';') != std::string_view::npos) return true;
  std::size_t commas = 0, between = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != ',') continue;
    ++commas;
    if (i > 0 && i + 1 < text.size() && IsDigit(text[i - 1]) && IsDigit(text[i + 1])) ++between;
  }
  return commas >= 2 && between == commas;
}

bool Tokenize(std::string_view text, std::vector<Token>& tokens) {
  const bool decimalCommas = DecimalCommas(text);
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == ' ' || c == '\t') {
      ++i;
      continue;
    }
    if (c == ';' || c == '|' || (c == ',' && !decimalCommas) || c == '/') {
      tokens.push_back({Token::Separator, {}});
      ++i;
      continue;
    }
    if (c == '=' || c == ':') {  // after a label
      ++i;
      continue;
    }
    const bool sign = (c == '-' || c == '+') && i + 1 < text.size() &&
                      (IsDigit(text[i + 1]) || text[i + 1] == '.');
    if (sign || IsDigit(c) || (c == '.' && i + 1 < text.size() && IsDigit(text[i + 1]))) {
      Token number{Token::Number, {}};
      if (sign) {
        number.negative = c == '-';
        ++i;
      }
      bool point = false;
      while (i < text.size()) {
        const char d = text[i];
        if (IsDigit(d)) {
          number.text += d;
        } else if ((d == '.' || (d == ',' && decimalCommas)) && !point && i + 1 < text.size() &&
                   IsDigit(text[i + 1])) {
          number.text += '.';
          point = true;
        } else {
          break;
        }
        ++i;
      }
      while (i < text.size() && text[i] == ' ') ++i;
      std::size_t length = 0;
      number.mark = MarkAt(text, i, length);
      i += length;
      tokens.push_back(std::move(number));
      continue;
    }
    if (IsLetter(c)) {
      std::string word;
      while (i < text.size() && IsLetter(text[i])) word += Lower(text[i++]);
      if (word == "n" || word == "s" || word == "e" || word == "w") {
        tokens.push_back({Token::Hemisphere, {}, false, Mark::None,
                          static_cast<char>(word[0] - 'a' + 'A')});
      } else if (word == "x" || word == "lat" || word == "latitude") {
        tokens.push_back({Token::Label, {}, false, Mark::None, 'a'});
      } else if (word == "y" || word == "lon" || word == "long" || word == "longitude") {
        tokens.push_back({Token::Label, {}, false, Mark::None, 'b'});
      } else {
        return false;
      }
      continue;
    }
    return false;
  }
  return true;
}

bool ToDouble(const std::string& text, double& value) {
#if defined(__EMSCRIPTEN__)
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && end == text.c_str() + text.size();
#else
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc{} && end == text.data() + text.size();
#endif
}

bool ToFloat(const std::string& text, float& value) {
#if defined(__EMSCRIPTEN__)
  char* end = nullptr;
  value = std::strtof(text.c_str(), &end);
  return !text.empty() && end == text.c_str() + text.size();
#else
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc{} && end == text.data() + text.size();
#endif
}

// Whole numbers of a 16-bit field.
bool ToInt16(const std::string& text, std::int16_t& value) {
  if (text.empty() || text.size() > 5 || text.find('.') != std::string::npos) return false;
  const long whole = std::strtol(text.c_str(), nullptr, 10);
  if (whole > 32767) return false;
  value = static_cast<std::int16_t>(whole);
  return true;
}

using Group = std::vector<const Token*>;

// Cuts the tokens into two groups: at labels, else at the one separator,
// else at hemisphere letters, else where the second degrees begin, else
// in the middle of the numbers.
bool Split(const std::vector<Token>& tokens, Group& first, Group& second) {
  std::vector<std::size_t> labels, separators, hemispheres, degrees;
  std::size_t numbers = 0;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    switch (tokens[i].kind) {
      case Token::Label: labels.push_back(i); break;
      case Token::Separator: separators.push_back(i); break;
      case Token::Hemisphere: hemispheres.push_back(i); break;
      case Token::Number:
        ++numbers;
        if (tokens[i].mark == Mark::Degrees) degrees.push_back(i);
        break;
    }
  }
  // The index where the second group begins; the token there belongs to
  // it (a separator is dropped).
  std::size_t cut = 0;
  if (!labels.empty()) {
    if (labels.size() != 2 || labels[0] != 0) return false;
    cut = labels[1];
  } else if (separators.size() == 1) {
    cut = separators[0];
  } else if (!separators.empty()) {
    return false;
  } else if (hemispheres.size() == 2) {
    // Letters after their numbers (50N 4E) or before them (N50 E4).
    cut = hemispheres[0] == 0 ? hemispheres[1] : hemispheres[0] + 1;
  } else if (!hemispheres.empty()) {
    return false;
  } else if (degrees.size() == 2 && degrees[0] == 0) {
    cut = degrees[1];
  } else {
    if (numbers % 2 != 0 || !degrees.empty()) return false;
    cut = numbers / 2;
  }
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].kind == Token::Separator) continue;
    (i < cut ? first : second).push_back(&tokens[i]);
  }
  return !first.empty() && !second.empty();
}

// One angle of a group: its numbers (degrees, minutes, seconds), sign and
// hemisphere.
struct Angle {
  std::vector<const Token*> parts;
  bool negative = false;
  char hemisphere = 0;
  char label = 0;
};

bool ReadAngle(const Group& group, Angle& angle) {
  for (const Token* token : group) {
    switch (token->kind) {
      case Token::Label:
        if (angle.label || !angle.parts.empty()) return false;
        angle.label = token->letter;
        break;
      case Token::Hemisphere:
        if (angle.hemisphere) return false;
        angle.hemisphere = token->letter;
        break;
      case Token::Number: {
        const std::size_t position = angle.parts.size();
        if (position >= 3) return false;
        // Marks, where written, must be those of the place.
        const Mark expected = position == 0 ? Mark::Degrees : position == 1 ? Mark::Minutes : Mark::Seconds;
        if (token->mark != Mark::None && token->mark != expected) return false;
        if (token->negative) {
          if (position != 0) return false;
          angle.negative = true;
        }
        // Only the last number may have a fraction.
        if (position > 0 && angle.parts.back()->text.find('.') != std::string::npos) return false;
        angle.parts.push_back(token);
        break;
      }
      case Token::Separator: return false;
    }
  }
  if (angle.parts.empty()) return false;
  if (angle.hemisphere == 'S' || angle.hemisphere == 'W') {
    if (angle.negative) return false;  // "-50 S" says it twice
    angle.negative = true;
  }
  return true;
}

// The angle in decimal degrees.
bool Decimal(const Angle& angle, double& value) {
  double parts[3] = {0, 0, 0};
  for (std::size_t k = 0; k < angle.parts.size(); ++k)
    if (!ToDouble(angle.parts[k]->text, parts[k])) return false;
  if (angle.parts.size() > 1 && (parts[1] >= 60 || (angle.parts.size() > 2 && parts[2] >= 60)))
    return false;
  value = parts[0];
  if (angle.parts.size() > 1) value += parts[1] / 60;
  if (angle.parts.size() > 2) value += parts[2] / 3600;
  if (angle.negative) value = -value;
  return true;
}

// The angle as DMS fields, with its sign where the object keeps it.
bool Fields(const Angle& angle, std::int16_t& degrees, std::int16_t& minutes, float& seconds) {
  if (!ToInt16(angle.parts[0]->text, degrees) || !ToInt16(angle.parts[1]->text, minutes) ||
      !ToFloat(angle.parts[2]->text, seconds))
    return false;
  if (angle.negative) {
    if (degrees != 0) degrees = static_cast<std::int16_t>(-degrees);
    else if (minutes != 0) minutes = static_cast<std::int16_t>(-minutes);
    else seconds = -seconds;
  }
  return true;
}

bool IsWhole(const Token* token) { return token->text.find('.') == std::string::npos; }

}  // namespace

bool ReadGeographic(std::string_view text, Point& point) {
  std::vector<Token> tokens;
  Group first, second;
  if (!Tokenize(text, tokens) || !Split(tokens, first, second)) return false;
  Angle a, b;
  if (!ReadAngle(first, a) || !ReadAngle(second, b)) return false;
  // Which is the latitude: the labels say it, else the hemispheres, else
  // the order (latitude first).
  const auto isLongitude = [](const Angle& angle) {
    return angle.label == 'b' || angle.hemisphere == 'E' || angle.hemisphere == 'W';
  };
  const auto isLatitude = [](const Angle& angle) {
    return angle.label == 'a' || angle.hemisphere == 'N' || angle.hemisphere == 'S';
  };
  if (isLongitude(a) || isLatitude(b)) std::swap(a, b);
  if (isLongitude(a) || isLatitude(b)) return false;

  const bool dms = a.parts.size() == 3 && b.parts.size() == 3 && IsWhole(a.parts[0]) &&
                   IsWhole(a.parts[1]) && IsWhole(b.parts[0]) && IsWhole(b.parts[1]);
  if (dms) {
    point.kind = mvDegMinSec;
    return Fields(a, point.dms[0], point.dms[1], point.seconds[0]) &&
           Fields(b, point.dms[2], point.dms[3], point.seconds[1]);
  }
  point.kind = mvDeg;
  return Decimal(a, point.a) && Decimal(b, point.b);
}

bool ReadPair(std::string_view text, Point& point) {
  std::vector<Token> tokens;
  Group first, second;
  if (!Tokenize(text, tokens) || !Split(tokens, first, second)) return false;
  Angle a, b;
  if (!ReadAngle(first, a) || !ReadAngle(second, b)) return false;
  if (a.hemisphere || b.hemisphere || a.parts.size() != 1 || b.parts.size() != 1 ||
      a.parts[0]->mark != Mark::None || b.parts[0]->mark != Mark::None)
    return false;
  if (a.label == 'b' || b.label == 'a') std::swap(a, b);
  if (a.label == 'b' || b.label == 'a') return false;
  return Decimal(a, point.a) && Decimal(b, point.b);
}

}  // namespace morvane::verbatim
