#include "tools/morvane/csv_mode.hpp"

#include <algorithm>

#include <morvane/columns.hpp>
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

// The role in the core's table of column names of each input field of
// the tool ("LAT", "X2008").
std::int32_t RoleOfField(std::string_view field) {
  static constexpr std::pair<std::string_view, std::int32_t> kFields[] = {
      {"LAT", MORVANE_COLUMN_LATITUDE},     {"LON", MORVANE_COLUMN_LONGITUDE},
      {"LATD", MORVANE_COLUMN_LAT_DMS_DEG}, {"LATM", MORVANE_COLUMN_LAT_DMS_MIN},
      {"LATS", MORVANE_COLUMN_LAT_DMS_SEC}, {"LOND", MORVANE_COLUMN_LON_DMS_DEG},
      {"LONM", MORVANE_COLUMN_LON_DMS_MIN}, {"LONS", MORVANE_COLUMN_LON_DMS_SEC},
      {"X", MORVANE_COLUMN_X},              {"Y", MORVANE_COLUMN_Y},
      {"X2008", MORVANE_COLUMN_X2008},      {"Y2008", MORVANE_COLUMN_Y2008},
      {"MGRS", MORVANE_COLUMN_MGRS},        {"IFBL", MORVANE_COLUMN_IFBL},
  };
  for (const auto& [name, role] : kFields)
    if (name == field) return role;
  return 0;
}

std::string LabelOf(std::int32_t role) { return ColumnRoles()[static_cast<std::size_t>(role - 1)].label; }

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

// The columns found by the core's table of column names: those of the
// kind asked for, else of the one kind the header has, else the Darwin
// Core verbatim coordinates, whose rows say their own kinds.
bool ColumnsByCommonNames(const std::vector<std::string>& names, const CsvRequest& request,
                          Settings& settings, CsvLayout& layout, std::string& error) {
  morvane::ColumnChoice found{};
  found.size = sizeof found;
  found.kind = request.inputGiven ? static_cast<std::int32_t>(settings.input) : 0;
  // Squares are those of codes: the coordinates of other kinds do not count.
  found.codes_only = !request.inputGiven && settings.squares.Any();
  found.height = settings.heightKind != MORVANE_HEIGHT_NONE;
  if (FindColumns(names, found, error) != MORVANE_OK) {
    switch (found.problem) {
      case MORVANE_COLUMNS_NONE:
        if (request.inputGiven)
          error += "; choose them with --columns " + FieldList(InputFieldsOf(settings.input, settings.lonFirst));
        else if (settings.squares.Any())
          error += "; choose it with --columns and --input";
        else
          error += "; choose them with --columns and --input";
        break;
      case MORVANE_COLUMNS_SEVERAL_KINDS: error += "; choose with --input or --columns"; break;
      case MORVANE_COLUMNS_NO_HEIGHT: error += "; choose it with --columns, after the coordinates"; break;
      default: error += "; choose with --columns"; break;
    }
    return false;
  }
  const auto at = [&](std::int32_t role) {
    const std::int32_t column = found.column[role];
    return column < 0 ? CsvLayout::kNone : static_cast<std::size_t>(column);
  };
  if (found.found_kind == 0) {
    layout.verbatim = true;
    layout.verbatimColumn = at(MORVANE_COLUMN_VERBATIM_COORDINATES);
    layout.systemColumn = at(MORVANE_COLUMN_VERBATIM_SYSTEM);
    settings.verbatimRows = true;
    settings.rowsKind = found.kind;
  } else {
    settings.input = static_cast<InputKind>(found.found_kind);
    const InputFields fields = InputFieldsOf(settings.input, settings.lonFirst);
    for (std::size_t k = 0; k < fields.count; ++k) layout.columns[k] = at(RoleOfField(fields.names[k]));
  }
  if (found.datum_column >= 0) {
    layout.datumColumn = static_cast<std::size_t>(found.datum_column);
    settings.rowDatums = true;
  }
  if (found.height) {
    layout.height = true;
    layout.heightColumn = at(MORVANE_COLUMN_HEIGHT);
  }
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

bool HeaderOfTable(std::string_view line) {
  if (line.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark)
    line.remove_prefix(kUtf8ByteOrderMark.size());
  line = line.substr(0, line.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.find('\t') == std::string_view::npos) return false;
  CsvRecord header;
  ReadRecord(line, '\t', header);
  if (header.fault != QuoteFault::None) return false;
  std::string scratch;
  for (std::size_t i = 0; i < header.fields.size(); ++i)
    if (ColumnRoleOf(Trim(header.Value(i, scratch))) != 0) return true;
  return false;
}

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
  if (layout.height) layout.heightName = names[layout.heightColumn];
  if (layout.verbatim) {
    layout.inputFields = 0;
    start.columnsUsed = "each row's own kind from " + Column(names, layout.verbatimColumn) +
                        " as verbatim coordinates";
    if (layout.systemColumn != CsvLayout::kNone)
      start.columnsUsed += ", " + Column(names, layout.systemColumn) + " as their system";
    if (settings.rowsKind != 0) start.columnsUsed += ", else " + KindName(settings.input);
  } else {
    const InputFields fields = InputFieldsOf(settings.input, settings.lonFirst);
    layout.inputFields = fields.count;
    for (std::size_t k = 0; k < fields.count; ++k) layout.names[k] = names[layout.columns[k]];
    if (!request.columns) {
      start.columnsUsed = KindName(settings.input) + " input from";
      for (std::size_t k = 0; k < fields.count; ++k)
        start.columnsUsed += (k ? ", " : " ") + Column(names, layout.columns[k]) + " as " +
                             LabelOf(RoleOfField(fields.names[k]));
    }
  }
  if (!request.columns) {
    if (layout.datumColumn != CsvLayout::kNone)
      start.columnsUsed += ", each row's datum from " + Column(names, layout.datumColumn);
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
  if (layout_.datumColumn != CsvLayout::kNone)
    point.datum = Trim(record_.Value(layout_.datumColumn, datumScratch_));
  if (layout_.verbatim) {
    // The core reads the text, as the row's system says.
    point.text = Trim(record_.Value(layout_.verbatimColumn, scratch_[0]));
    if (layout_.systemColumn != CsvLayout::kNone)
      point.system = Trim(record_.Value(layout_.systemColumn, systemScratch_));
    for (std::string_view text : {point.text, point.system, point.datum}) {
      if (text.find('\0') != std::string_view::npos) {
        problem_ = "cannot read row: a null byte in its coordinates, system or datum";
        return false;
      }
    }
    return true;
  }
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
