#include "tools/morvane/text_mode.hpp"

#include <array>

#include <morvane/failure.hpp>
#include "tools/morvane/numbers.hpp"

namespace morvane::cli {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLineEnd(std::string_view line) {
  while (!line.empty() && (IsBlank(line.back()) || line.back() == '\r')) line.remove_suffix(1);
  return line;
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
  for (std::string_view name : ValueColumnNames(settings)) {
    out.Append(separator);
    out.Append(name);
    separator = settings.delimiter;
  }
  out.Append(separator);
  out.Append("Error");
  out.Append('\n');
}

TextConverter::TextConverter(const Settings& settings, unsigned threads)
    : settings_(settings), batches_(settings, threads), valueColumns_(ValueColumnCount(settings)) {
  style_.delimiter = settings.delimiter;
}

void TextConverter::WriteFailedLine(std::string_view message, std::string_view rest,
                                    OutBuffer& out) {
  const char d = settings_.delimiter;
  char* p = out.Reserve(2 * valueColumns_ + message.size() + rest.size() + 4);
  for (std::size_t i = 0; i < valueColumns_; ++i) *p++ = '*', *p++ = d;
  p = Put(p, message);
  if (!rest.empty()) *p++ = d, p = Put(p, rest);
  *p++ = '\n';
  out.Commit(p);
}

void TextConverter::ConvertPoints() {
  std::string_view block = block_;
  while (!block.empty()) {
    const auto newline = block.find('\n');
    ReadLine(block.substr(0, newline));
    block.remove_prefix(newline == std::string_view::npos ? block.size() : newline + 1);
  }
  batches_.Convert();
}

void TextConverter::ReadLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::size_t first = 0;
  while (first < line.size() && IsBlank(line[first])) ++first;
  if (first == line.size() || line[first] == '#') {
    lines_.push_back({Line::Pass, line, 0, 0});
    return;
  }

  const InputFields layout = InputFieldsOf(settings_.input, settings_.lonFirst);
  FieldReader fields(line);
  std::array<std::string_view, 6> field;
  PointInput point;
  bool read = true;
  for (std::size_t i = 0; i < layout.count && read; ++i) {
    if (!fields.Next(field[i])) {
      problem_ = "cannot read line: ";
      problem_ += layout.names[i];
      problem_ += " missing";
      read = false;
    }
  }
  if (read) read = ReadPoint(settings_.input, settings_.lonFirst, field, layout.names, point, problem_);
  // With a height kind, the height follows the coordinates.
  if (read && settings_.heightKind != MORVANE_HEIGHT_NONE) {
    std::string_view height;
    if (!fields.Next(height)) {
      problem_ = "cannot read line: ";
      problem_ += kHeightField;
      problem_ += " missing";
      read = false;
    } else {
      read = ReadHeight(height, height, point.height, problem_);
    }
  }
  if (!read) {
    lines_.push_back({Line::Problem, fields.Rest(), problems_.size(), problem_.size()});
    problems_ += problem_;
    return;
  }
  const PointAt at = batches_.Add(point);
  lines_.push_back({Line::Point, fields.Rest(), at.index, at.batch});
}

void TextConverter::Write(OutBuffer& out, LineCounts& counts) {
  for (const Line& line : lines_) {
    ++counts.lines;
    switch (line.kind) {
      case Line::Pass:
        out.Append(line.text);
        out.Append('\n');
        break;
      case Line::Problem:
        WriteFailedLine(std::string_view(problems_).substr(line.index, line.size), line.text, out);
        ++counts.failed;
        break;
      case Line::Point: {
        const PointBatch& batch = batches_[line.size];
        if (const std::int32_t failure = batch.Failure(line.index)) {
          problem_ = "Failure: ";
          problem_ += FailureName(static_cast<FailureKind>(failure));
          WriteFailedLine(problem_, line.text, out);
          ++counts.failed;
          break;
        }
        const std::string_view error = batch.Error(line.index);
        if (!error.empty()) {
          WriteFailedLine(error, line.text, out);
          ++counts.failed;
          break;
        }
        WriteValueColumns(settings_, style_, batch.Values(line.index), out);
        char* p = out.Reserve(line.text.size() + 3);
        *p++ = settings_.delimiter;  // the empty error column
        if (!line.text.empty()) *p++ = settings_.delimiter, p = Put(p, line.text);
        *p++ = '\n';
        out.Commit(p);
        ++counts.converted;
        break;
      }
    }
  }
  lines_.clear();
  problems_.clear();
  batches_.Clear();
}

}  // namespace morvane::cli
