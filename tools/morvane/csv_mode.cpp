#include "tools/morvane/csv_mode.hpp"

#include <algorithm>

#include <morvane/failure.hpp>
#include <morvane/names.hpp>
#include "tools/morvane/numbers.hpp"

namespace morvane::cli {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool IsDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The common header names of each input field, in lower case.
struct Role {
  std::string_view field;  // as InputFieldsOf names it
  std::string_view label;  // for messages
  std::vector<std::string_view> names;
};

const std::vector<Role>& Roles() {
  static const std::vector<Role> roles{
      {"LAT", "latitude", {"lat", "latitude", "breedte", "breedtegraad"}},
      {"LON", "longitude", {"lon", "lng", "long", "longitude", "lengte", "lengtegraad"}},
      {"X", "Lambert X", {"x", "lambert_x", "x_lambert72"}},
      {"Y", "Lambert Y", {"y", "lambert_y", "y_lambert72"}},
      {"X2008", "Lambert 2008 X", {"x2008", "x_2008", "lambert2008_x", "x_lambert2008"}},
      {"Y2008", "Lambert 2008 Y", {"y2008", "y_2008", "lambert2008_y", "y_lambert2008"}},
      // Heights: in Dutch TAW and in French DNG name the Ostend heights.
      {"H", "height",
       {"height", "hoogte", "hauteur", "h", "z", "alt", "altitude", "elevation", "taw", "dng"}},
      {"MGRS", "MGRS", {"mgrs"}},
      {"IFBL", "IFBL", {"ifbl"}},
  };
  return roles;
}

const Role* RoleOf(std::string_view field) {
  for (const Role& role : Roles())
    if (role.field == field) return &role;
  return nullptr;
}

// The kind's key ("deg"), as --input takes it.
std::string KindName(InputKind kind) { return KindByNumber(static_cast<std::int32_t>(kind))->key; }

std::string FieldList(const InputFields& fields) {
  std::string list;
  for (std::size_t i = 0; i < fields.count; ++i) {
    if (i) list += ',';
    list += fields.names[i];
  }
  return list;
}

std::string Quoted(std::string_view name) {
  std::string text = "'";
  text += name;
  text += '\'';
  return text;
}

// Column i (0-based) as messages show it: 'Name' (3).
std::string Column(const std::vector<std::string>& names, std::size_t i) {
  return Quoted(names[i]) + " (" + std::to_string(i + 1) + ")";
}

// The columns of --columns, by number or name.
bool ColumnsAsGiven(const std::vector<std::string>& names, const CsvRequest& request,
                    const Settings& settings, CsvLayout& layout, std::string& error) {
  InputFields fields = InputFieldsOf(settings.input, settings.lonFirst);
  const bool height = settings.heightKind != MORVANE_HEIGHT_NONE;
  const std::vector<std::string>& given = *request.columns;
  if (given.size() != fields.count + (height ? 1 : 0)) {
    error = "--columns: " + KindName(settings.input) + " input reads " +
            std::to_string(fields.count) + (fields.count == 1 ? " column (" : " columns (") +
            FieldList(fields) + ")" + (height ? " and the height" : "") + ", " +
            std::to_string(given.size()) + " given";
    if (!request.inputGiven) error += "; say the input kind with --input";
    return false;
  }
  for (std::size_t k = 0; k < given.size(); ++k) {
    const std::string_view entry = Trim(given[k]);
    std::size_t column = 0;
    if (IsDigits(entry)) {
      column = entry.size() > 9 ? 0 : std::stoul(std::string(entry));
      if (column < 1 || column > names.size()) {
        error = "--columns: no column " + std::string(entry) + ": the header has " +
                std::to_string(names.size());
        return false;
      }
      --column;
    } else {
      // The name as written, else in any case.
      std::vector<std::size_t> exact, loose;
      for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == entry) exact.push_back(i);
        if (SameIgnoringCase(names[i], entry)) loose.push_back(i);
      }
      const std::vector<std::size_t>& found = exact.empty() ? loose : exact;
      if (found.empty()) {
        error = "--columns: no column named " + Quoted(entry) + " in the header";
        return false;
      }
      if (found.size() > 1) {
        error = "--columns: " + std::to_string(found.size()) + " columns named " + Quoted(entry) +
                " in the header: give the number of the one to read";
        return false;
      }
      column = found[0];
    }
    if (k < fields.count) layout.columns[k] = column;
    else layout.heightColumn = column, layout.height = true;
  }
  return true;
}

// The height column found by its common names, for a height kind.
bool HeightByNames(const std::vector<std::string>& names, CsvLayout& layout, std::string& error) {
  const Role* role = RoleOf(kHeightField);
  std::vector<std::size_t> matches;
  for (std::size_t i = 0; i < names.size(); ++i)
    for (std::string_view common : role->names)
      if (SameIgnoringCase(names[i], common)) matches.push_back(i);
  if (matches.size() != 1) {
    if (matches.empty()) {
      error = "no height column in the header (looked for";
      for (std::string_view common : role->names) error += ' ', error += common;
      error += "); choose it with --columns, after the coordinates";
    } else {
      error = "more than one column could be the height: ";
      for (std::size_t m = 0; m < matches.size(); ++m) {
        if (m) error += ", ";
        error += Column(names, matches[m]);
      }
      error += "; choose with --columns";
    }
    return false;
  }
  layout.height = true;
  layout.heightColumn = matches[0];
  return true;
}

// The columns found by their common names for one input kind: true when
// each field has one; false with error set when a field has several.
bool FindByNames(const std::vector<std::string>& names, InputKind kind, bool lonFirst,
                 std::array<std::size_t, 6>& columns, std::string& error, bool& found) {
  const InputFields fields = InputFieldsOf(kind, lonFirst);
  found = true;
  for (std::size_t k = 0; k < fields.count; ++k) {
    const Role* role = RoleOf(fields.names[k]);
    std::vector<std::size_t> matches;
    if (role) {
      for (std::size_t i = 0; i < names.size(); ++i)
        for (std::string_view common : role->names)
          if (SameIgnoringCase(names[i], common)) matches.push_back(i);
    }
    if (matches.size() > 1) {
      error = "more than one column could be the " + std::string(role->label) + ": ";
      for (std::size_t m = 0; m < matches.size(); ++m) {
        if (m) error += ", ";
        error += Column(names, matches[m]);
      }
      error += "; choose with --columns";
      return false;
    }
    if (matches.empty()) found = false;
    else columns[k] = matches[0];
  }
  return true;
}

std::string CommonNames(const InputFields& fields) {
  std::string text;
  for (std::size_t k = 0; k < fields.count; ++k) {
    const Role* role = RoleOf(fields.names[k]);
    if (!role) continue;
    if (!text.empty()) text += "; ";
    text += role->label;
    text += ':';
    for (std::string_view name : role->names) text += ' ', text += name;
  }
  return text;
}

bool ColumnsByCommonNames(const std::vector<std::string>& names, const CsvRequest& request,
                          Settings& settings, CsvLayout& layout, std::string& error) {
  std::vector<InputKind> kinds{settings.input};
  if (!request.inputGiven) kinds = {InputKind::Deg, InputKind::Lambert, InputKind::Mgrs, InputKind::Ifbl};
  // Squares are those of codes: the coordinates of other kinds do not count.
  if (!request.inputGiven && settings.squares.Any()) kinds = {InputKind::Mgrs, InputKind::Ifbl};
  std::vector<std::pair<InputKind, std::array<std::size_t, 6>>> found;
  for (InputKind kind : kinds) {
    std::array<std::size_t, 6> columns{};
    bool all = false;
    if (!FindByNames(names, kind, settings.lonFirst, columns, error, all)) return false;
    if (all) found.emplace_back(kind, columns);
  }
  if (found.empty() && !request.inputGiven && !settings.squares.Any()) {
    // Lambert 2008 columns are looked for only when no column of the
    // other kinds is there: a file that has both converts as it always did.
    std::array<std::size_t, 6> columns{};
    bool all = false;
    if (!FindByNames(names, InputKind::Lambert2008, settings.lonFirst, columns, error, all))
      return false;
    if (all) found.emplace_back(InputKind::Lambert2008, columns);
  }
  if (found.empty()) {
    if (request.inputGiven) {
      const InputFields fields = InputFieldsOf(settings.input, settings.lonFirst);
      const std::string common = CommonNames(fields);
      error = "no columns for " + KindName(settings.input) + " input in the header" +
              (common.empty() ? "" : " (looked for " + common + ")") +
              "; choose them with --columns " + FieldList(fields);
    } else if (settings.squares.Any()) {
      error = "no ifbl or mgrs column in the header for the squares; choose it with --columns and --input";
    } else {
      error = "no coordinate columns found in the header (latitude and longitude, Lambert X "
              "and Y, MGRS or IFBL by their usual names); choose them with --columns and --input";
    }
    return false;
  }
  if (found.size() > 1) {
    error = "the header has columns for more than one input kind (";
    for (std::size_t f = 0; f < found.size(); ++f) {
      const InputFields fields = InputFieldsOf(found[f].first, settings.lonFirst);
      if (f) error += "; ";
      error += KindName(found[f].first);
      error += ':';
      for (std::size_t k = 0; k < fields.count; ++k) {
        error += k ? ", " : " ";
        error += Column(names, found[f].second[k]);
      }
    }
    error += "); choose with --input or --columns";
    return false;
  }
  settings.input = found[0].first;
  layout.columns = found[0].second;
  return true;
}

// Output column names that are not already the name of a column.
std::vector<std::string> OutputNames(const Settings& settings,
                                     const std::vector<std::string>& names) {
  std::vector<std::string> taken = names, result;
  std::vector<std::string_view> wanted = ValueColumnNames(settings);
  for (std::string_view name : SquareColumnNames(settings.squares)) wanted.push_back(name);
  wanted.push_back("Error");
  for (std::string_view want : wanted) {
    std::string name(want);
    const auto clash = [&](const std::string& candidate) {
      return std::any_of(taken.begin(), taken.end(), [&](const std::string& t) {
        return SameIgnoringCase(Trim(t), candidate);
      });
    };
    for (int suffix = 2; clash(name); ++suffix) name = std::string(want) + "_" + std::to_string(suffix);
    taken.push_back(name);
    result.push_back(name);
  }
  return result;
}

// A number written with a decimal comma ("50,8467"), or a point.
enum class Decimal { None, Comma, Point };
Decimal DecimalOf(std::string_view text) {
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
  const auto mark = text.find_first_of(",.");
  if (mark == std::string_view::npos || mark == 0 || mark + 1 == text.size()) return Decimal::None;
  if (!IsDigits(text.substr(0, mark)) || !IsDigits(text.substr(mark + 1))) return Decimal::None;
  return text[mark] == ',' ? Decimal::Comma : Decimal::Point;
}

}  // namespace

bool SampleHasDecimalComma(std::string_view sample, char separator) {
  CsvRecord record;
  std::string scratch;
  std::size_t commas = 0, points = 0;
  while (!sample.empty()) {
    sample.remove_prefix(ReadRecord(sample, separator, record));
    for (std::size_t i = 0; i < record.fields.size(); ++i) {
      switch (DecimalOf(Trim(record.Value(i, scratch)))) {
        case Decimal::Comma: ++commas; break;
        case Decimal::Point: ++points; break;
        case Decimal::None: break;
      }
    }
  }
  if (commas == 0 && points == 0) return separator == ';';
  return commas > points;
}

bool StartCsv(std::string_view input, const CsvRequest& request, Settings& settings,
              CsvLayout& layout, CsvStart& start, std::string& error) {
  if (input.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
    layout.byteOrderMark = true;
    input.remove_prefix(kUtf8ByteOrderMark.size());
    start.consumed = kUtf8ByteOrderMark.size();
  }
  if (input.empty()) {
    start.empty = true;
    return true;
  }

  const char separator = request.separator ? *request.separator : SeparatorOf(input);
  if (separator == 0) {
    error = "cannot tell the separator from the header line (two of ',', ';', tab and '|' "
            "occur equally often): give it with --delimiter";
    return false;
  }
  layout.separator = separator;
  CsvRecord header;
  const std::size_t headerBytes = ReadRecord(input, separator, header);
  if (header.fault != QuoteFault::None) {
    error = "cannot read the header line: a misplaced or unclosed quote in column " +
            std::to_string(header.faultField + 1);
    return false;
  }
  if (!header.lineEnd.empty()) layout.lineEnd = std::string(header.lineEnd);
  start.consumed += headerBytes;

  std::vector<std::string> names;
  std::string scratch;
  for (std::size_t i = 0; i < header.fields.size(); ++i)
    names.emplace_back(Trim(header.Value(i, scratch)));
  layout.headerFields = names.size();

  if (request.columns) {
    if (!ColumnsAsGiven(names, request, settings, layout, error)) return false;
  } else {
    if (!ColumnsByCommonNames(names, request, settings, layout, error)) return false;
  }
  if (settings.heightKind != MORVANE_HEIGHT_NONE && !layout.height &&
      !HeightByNames(names, layout, error))
    return false;
  const InputFields fields = InputFieldsOf(settings.input, settings.lonFirst);
  layout.inputFields = fields.count;
  for (std::size_t k = 0; k < fields.count; ++k) layout.names[k] = names[layout.columns[k]];
  if (layout.height) layout.heightName = names[layout.heightColumn];
  if (!request.columns) {
    start.columnsUsed = KindName(settings.input) + " input from";
    for (std::size_t k = 0; k < fields.count; ++k)
      start.columnsUsed += (k ? ", " : " ") + Column(names, layout.columns[k]) + " as " +
                           std::string(RoleOf(fields.names[k])->label);
    if (layout.height) start.columnsUsed += ", " + Column(names, layout.heightColumn) + " as height";
  }

  layout.readDecimalComma = request.decimalComma.value_or(separator != ',');
  layout.writeDecimalComma =
      request.decimalComma.value_or(separator != ',' &&
                                    SampleHasDecimalComma(input.substr(headerBytes), separator));

  if (settings.squares.geojson) {
    // The columns become the Features' properties, under names the core's
    // properties and the columns before have not taken.
    std::vector<std::string> taken(kDarwinCoreTerms.begin(), kDarwinCoreTerms.end());
    taken.insert(taken.end(), kFeatureProperties.begin(), kFeatureProperties.end());
    for (const std::string& name : names) {
      std::string property = name;
      for (int suffix = 2; std::find(taken.begin(), taken.end(), property) != taken.end(); ++suffix)
        property = name + "_" + std::to_string(suffix);
      taken.push_back(property);
      layout.propertyNames.push_back(property);
    }
    start.header.assign(kCollectionStart);
    return true;
  }
  OutBuffer out;
  if (layout.byteOrderMark) out.Append(kUtf8ByteOrderMark);
  out.Append(header.text);
  for (const std::string& name : OutputNames(settings, names)) {
    out.Append(separator);
    AppendField(name, separator, out);
  }
  out.Append(layout.lineEnd);
  start.header.assign(out.View());
  return true;
}

CsvConverter::CsvConverter(const Settings& settings, const CsvLayout& layout, unsigned threads,
                           bool* firstFeature)
    : settings_(settings), layout_(layout), valueColumns_(ValueColumnCount(settings)),
      batches_(settings, threads), squares_(settings), firstFeature_(firstFeature) {
  style_.delimiter = layout.separator;
  style_.none = "";
  style_.decimalComma = layout.writeDecimalComma;
  style_.quoteNumbers = layout.writeDecimalComma && layout.separator == ',';
  for (std::size_t k = 0; k < layout.inputFields; ++k) names_[k] = layout.names[k].c_str();
}

void CsvConverter::ConvertPoints() {
  std::string_view block = block_;
  while (!block.empty()) {
    const std::size_t n = ReadRecord(block, layout_.separator, record_);
    ReadRow();
    block.remove_prefix(n);
  }
  if (!settings_.squares.geojson) batches_.Convert();
  if (settings_.squares.Any()) squares_.Compute();
}

bool CsvConverter::ReadCoordinates(PointInput& point) {
  std::array<std::string_view, 6> field, shown;
  const bool numbers = settings_.input != InputKind::Mgrs && settings_.input != InputKind::Ifbl;
  for (std::size_t k = 0; k < layout_.inputFields; ++k) {
    shown[k] = field[k] = Trim(record_.Value(layout_.columns[k], scratch_[k]));
    if (numbers && layout_.readDecimalComma && DecimalOf(field[k]) == Decimal::Comma) {
      std::string& normal = normal_[k];
      normal.assign(field[k]);
      std::replace(normal.begin(), normal.end(), ',', '.');
      field[k] = normal;
    }
  }
  if (!ReadPoint(settings_.input, settings_.lonFirst, field, names_, point, problem_, &shown))
    return false;
  if (!layout_.height) return true;
  std::string_view height = Trim(record_.Value(layout_.heightColumn, heightScratch_));
  const std::string_view shownHeight = height;
  if (layout_.readDecimalComma && DecimalOf(height) == Decimal::Comma) {
    heightNormal_.assign(height);
    std::replace(heightNormal_.begin(), heightNormal_.end(), ',', '.');
    height = heightNormal_;
  }
  if (ParseDouble(height, point.height)) return true;
  problem_ = "cannot read " + layout_.heightName + " '" + std::string(shownHeight) + "': not a number";
  return false;
}

void CsvConverter::ReadRow() {
  if (record_.text.empty()) {
    rows_.push_back({Row::Blank, {}, 0, false, 0, 0, 0});
    return;
  }
  Row row{Row::Point, record_.text, record_.fields.size(), record_.fault != QuoteFault::None, 0, 0, 0};
  PointInput point;
  bool read = false;
  if (record_.fault == QuoteFault::NotClosed) {
    problem_ = "cannot read row: the quote that opens column " +
               std::to_string(record_.faultField + 1) + " is not closed";
  } else if (record_.fault == QuoteFault::TextAfterQuote) {
    problem_ = "cannot read row: text after the closing quote of column " +
               std::to_string(record_.faultField + 1);
  } else if (row.fields != layout_.headerFields) {
    problem_ = "cannot read row: " + std::to_string(row.fields) + " columns where the header has " +
               std::to_string(layout_.headerFields);
  } else {
    read = ReadCoordinates(point);
  }
  if (!read) {
    row.kind = Row::Problem;
    row.index = problems_.size();
    row.size = problem_.size();
    problems_ += problem_;
  } else {
    // A FeatureCollection holds the squares alone: the points are not converted.
    const PointAt at = settings_.squares.geojson ? PointAt{} : batches_.Add(point);
    row.index = at.index;
    row.size = at.batch;
    if (settings_.squares.Any()) row.square = squares_.Add(point.text);
  }
  rows_.push_back(row);
}

void CsvConverter::WriteFeature(const Row& row, std::string_view problem, OutBuffer& out) {
  // The row's fields, as far as the header names them.
  ReadRecord(row.text, layout_.separator, rewriteRecord_);
  const std::size_t fields = std::min(rewriteRecord_.fields.size(), layout_.propertyNames.size());
  fieldValues_.resize(fields);
  std::vector<std::pair<std::string_view, std::string_view>> more;
  for (std::size_t i = 0; i < fields; ++i) {
    fieldValues_[i].assign(rewriteRecord_.Value(i, fieldScratch_));
    more.emplace_back(layout_.propertyNames[i], fieldValues_[i]);
  }
  out.Append(FeatureSeparator(*firstFeature_));
  *firstFeature_ = false;
  if (row.kind == Row::Point && squares_[row.square].status == MORVANE_OK)
    AppendFeature(squares_[row.square].text, more, out);
  else
    AppendProblemFeature(row.kind == Row::Point ? squares_[row.square].Problem() : std::string(problem), more,
                         out);
}

void CsvConverter::WriteRow(const Row& row, std::string_view error, const PointValues* values,
                            std::size_t square, OutBuffer& out) {
  const char separator = layout_.separator;
  if (row.rewrite) {
    // Written again field by field, so that the output is well formed
    // whatever the quotes of the input were.
    ReadRecord(row.text, separator, rewriteRecord_);
    for (std::size_t i = 0; i < rewriteRecord_.fields.size(); ++i) {
      if (i) out.Append(separator);
      AppendField(rewriteRecord_.Value(i, fieldScratch_), separator, out);
    }
  } else {
    out.Append(row.text);
  }
  // A short row gets empty columns up to the header's, so that the outputs
  // stay under their names.
  for (std::size_t i = row.fields; i < layout_.headerFields; ++i) out.Append(separator);
  if (valueColumns_ > 0) {  // none with --output none
    out.Append(separator);
    if (values) {
      WriteValueColumns(settings_, style_, *values, out);
    } else {
      for (std::size_t i = 1; i < valueColumns_; ++i) out.Append(separator);
    }
  }
  if (square != kNoSquare) squares_.WriteColumns(square, style_, true, out);
  else squares_.WriteNoColumns(style_, true, out);
  out.Append(separator);
  AppendField(error, separator, out);
  out.Append(layout_.lineEnd);
}

void CsvConverter::Write(OutBuffer& out, LineCounts& counts) {
  if (settings_.squares.geojson) {
    for (const Row& row : rows_) {
      ++counts.lines;
      if (row.kind == Row::Blank) continue;
      const std::string_view problem =
          row.kind == Row::Problem ? std::string_view(problems_).substr(row.index, row.size) : "";
      WriteFeature(row, problem, out);
      ++(row.kind == Row::Point && squares_[row.square].Found() ? counts.converted : counts.failed);
    }
    rows_.clear();
    problems_.clear();
    squares_.Clear();
    return;
  }
  const bool squares = settings_.squares.Any();
  for (const Row& row : rows_) {
    ++counts.lines;
    switch (row.kind) {
      case Row::Blank: out.Append(layout_.lineEnd); break;
      case Row::Problem:
        WriteRow(row, std::string_view(problems_).substr(row.index, row.size), nullptr, kNoSquare, out);
        ++counts.failed;
        break;
      case Row::Point: {
        const PointBatch& batch = batches_[row.size];
        if (const std::int32_t failure = batch.Failure(row.index)) {
          problem_ = "Failure: ";
          problem_ += FailureName(static_cast<FailureKind>(failure));
          WriteRow(row, problem_, nullptr, squares ? row.square : kNoSquare, out);
          ++counts.failed;
          break;
        }
        const std::string_view error = batch.Error(row.index);
        if (!error.empty()) {
          WriteRow(row, error, nullptr, squares ? row.square : kNoSquare, out);
          ++counts.failed;
          break;
        }
        const PointValues values = batch.Values(row.index);
        // A square with a message makes the row fail.
        const std::string squareProblem = squares ? squares_[row.square].Problem() : std::string();
        WriteRow(row, squareProblem, &values, squares ? row.square : kNoSquare, out);
        ++(squareProblem.empty() ? counts.converted : counts.failed);
        break;
      }
    }
  }
  rows_.clear();
  problems_.clear();
  batches_.Clear();
  squares_.Clear();
}

}  // namespace morvane::cli
