// A JSON text written in order: objects and arrays opened and closed,
// keys and values, commas where they go.  The tables of names and the
// squares' texts are made with it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace morvane {

class JsonWriter {
 public:
  std::string text;

  void Open(char bracket) { Separate(), text += bracket, first_ = true; }
  void Close(char bracket) { text += bracket, first_ = false; }
  void Key(std::string_view key) {
    Separate();
    Quoted(key);
    text += ':';
    first_ = true;  // the value follows without a comma
  }
  void Value(std::string_view value) { Separate(), Quoted(value); }
  void Value(const char* value) { Value(std::string_view(value)); }
  void Value(const std::string& value) { Value(std::string_view(value)); }
  void Value(std::int32_t value) { Separate(), text += std::to_string(value); }
  void Value(long long value) { Separate(), text += std::to_string(value); }
  void Value(bool value) { Separate(), text += value ? "true" : "false"; }
  // Few digits (the tables' accuracies): 15 significant ones give them
  // back exactly ("0.01", "1.5").
  void Value(double value) { Number("%.15g", 15, value); }
  // A number with a fixed count of decimals ("%.*f").
  void Fixed(double value, int decimals) { Number("%.*f", decimals, value); }
  // A value written as it is (null, a JSON text made elsewhere).
  void Raw(std::string_view value) { Separate(), text += value; }
  template <typename T>
  void Field(std::string_view key, const T& value) {
    Key(key);
    Value(value);
  }

 private:
  void Number(const char* format, int digits, double value) {
    Separate();
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, format, digits, value);
    text.append(buffer, static_cast<std::size_t>(n));
  }
  void Separate() {
    if (!first_) text += ',';
    first_ = false;
  }
  void Quoted(std::string_view value) {
    text += '"';
    for (const char c : value) {
      if (c == '"' || c == '\\') {
        text += '\\';
        text += c;
      } else if (static_cast<unsigned char>(c) < 0x20) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
        text += escaped;
      } else {
        text += c;
      }
    }
    text += '"';
  }
  bool first_ = true;
};

}  // namespace morvane
