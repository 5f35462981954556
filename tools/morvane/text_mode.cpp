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
  std::vector<std::string_view> names = ValueColumnNames(settings);
  for (std::string_view name : SquareColumnNames(settings.squares)) names.push_back(name);
  for (std::string_view name : names) {
    out.Append(separator);
    out.Append(name);
    separator = settings.delimiter;
  }
  out.Append(separator);
  out.Append("Error");
  out.Append('\n');
}

TextConverter::TextConverter(const Settings& settings, unsigned threads, bool* firstFeature)
    : settings_(settings), batches_(settings, threads), valueColumns_(ValueColumnCount(settings)),
      squares_(settings), firstFeature_(firstFeature) {
  style_.delimiter = settings.delimiter;
}

void TextConverter::WriteFailedLine(std::string_view message, std::string_view rest,
                                    std::size_t square, OutBuffer& out) {
  const char d = settings_.delimiter;
  char* p = out.Reserve(2 * valueColumns_ + 1);
  for (std::size_t i = 0; i < valueColumns_; ++i) {
    if (i) *p++ = d;
    *p++ = '*';
  }
  out.Commit(p);
  // The square's columns: what the core gives of a code with a message.
  // Without value columns (--output none) the square's come first.
  if (square != kNoSquare) squares_.WriteColumns(square, style_, valueColumns_ > 0, out);
  else squares_.WriteNoColumns(style_, valueColumns_ > 0, out);
  p = out.Reserve(message.size() + rest.size() + 4);
  *p++ = d;
  p = Put(p, message);
  if (!rest.empty()) *p++ = d, p = Put(p, rest);
  *p++ = '\n';
  out.Commit(p);
}

void TextConverter::WriteFeature(const Line& line, std::string_view problem, OutBuffer& out) {
  std::vector<std::pair<std::string_view, std::string_view>> more;
  if (!line.text.empty()) more.emplace_back("Text", line.text);
  out.Append(FeatureSeparator(*firstFeature_));
  *firstFeature_ = false;
  if (line.kind == Line::Point && squares_[line.square].status == MORVANE_OK)
    AppendFeature(squares_[line.square].text, more, out);
  else
    AppendProblemFeature(line.kind == Line::Point ? squares_[line.square].Problem() : std::string(problem),
                         more, out);
}

void TextConverter::ConvertPoints() {
  std::string_view block = block_;
  while (!block.empty()) {
    const auto newline = block.find('\n');
    ReadLine(block.substr(0, newline));
    block.remove_prefix(newline == std::string_view::npos ? block.size() : newline + 1);
  }
  if (!settings_.squares.geojson) batches_.Convert();
  if (settings_.squares.Any()) squares_.Compute();
}

void TextConverter::ReadLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::size_t first = 0;
  while (first < line.size() && IsBlank(line[first])) ++first;
  if (first == line.size() || line[first] == '#') {
    lines_.push_back({Line::Pass, line, 0, 0, 0});
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
    lines_.push_back({Line::Problem, fields.Rest(), problems_.size(), problem_.size(), 0});
    problems_ += problem_;
    return;
  }
  // A FeatureCollection holds the squares alone: the points are not converted.
  const PointAt at = settings_.squares.geojson ? PointAt{} : batches_.Add(point);
  const std::size_t square = settings_.squares.Any() ? squares_.Add(point.text) : 0;
  lines_.push_back({Line::Point, fields.Rest(), at.index, at.batch, square});
}

void TextConverter::Write(OutBuffer& out, LineCounts& counts) {
  if (settings_.squares.geojson) {
    for (const Line& line : lines_) {
      ++counts.lines;
      if (line.kind == Line::Pass) continue;
      const std::string_view problem =
          line.kind == Line::Problem ? std::string_view(problems_).substr(line.index, line.size) : "";
      WriteFeature(line, problem, out);
      ++(line.kind == Line::Point && squares_[line.square].Found() ? counts.converted : counts.failed);
    }
    lines_.clear();
    problems_.clear();
    squares_.Clear();
    return;
  }
  const bool squares = settings_.squares.Any();
  for (const Line& line : lines_) {
    ++counts.lines;
    switch (line.kind) {
      case Line::Pass:
        out.Append(line.text);
        out.Append('\n');
        break;
      case Line::Problem:
        WriteFailedLine(std::string_view(problems_).substr(line.index, line.size), line.text, kNoSquare,
                        out);
        ++counts.failed;
        break;
      case Line::Point: {
        const PointBatch& batch = batches_[line.size];
        if (const std::int32_t failure = batch.Failure(line.index)) {
          problem_ = "Failure: ";
          problem_ += FailureName(static_cast<FailureKind>(failure));
          WriteFailedLine(problem_, line.text, squares ? line.square : kNoSquare, out);
          ++counts.failed;
          break;
        }
        const std::string_view error = batch.Error(line.index);
        if (!error.empty()) {
          WriteFailedLine(error, line.text, squares ? line.square : kNoSquare, out);
          ++counts.failed;
          break;
        }
        WriteValueColumns(settings_, style_, batch.Values(line.index), out);
        // The square's columns; a square with a message makes the line fail.
        std::string squareProblem;
        if (squares) {
          squares_.WriteColumns(line.square, style_, valueColumns_ > 0, out);
          squareProblem = squares_[line.square].Problem();
        }
        char* p = out.Reserve(squareProblem.size() + line.text.size() + 3);
        *p++ = settings_.delimiter;  // the error column
        p = Put(p, squareProblem);
        if (!line.text.empty()) *p++ = settings_.delimiter, p = Put(p, line.text);
        *p++ = '\n';
        out.Commit(p);
        ++(squareProblem.empty() ? counts.converted : counts.failed);
        break;
      }
    }
  }
  lines_.clear();
  problems_.clear();
  batches_.Clear();
  squares_.Clear();
}

}  // namespace morvane::cli
