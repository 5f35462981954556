// The core's choice of a table's columns (morvane_find_columns) and the
// role of a header name, for convert_frame() (R/frame.R).  The names
// themselves are the core's: R reads their table from morvane_names_json.
#include <Rcpp.h>

#include <charconv>
#include <cstdlib>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <morvane/columns.hpp>
#include <morvane/morvane.h>

// The role of a header name or role key (MORVANE_COLUMN_...), 0 for none.
// [[Rcpp::export(.column_role_of)]]
int ColumnRoleOf(std::string name) { return morvane_column_role_of(name.c_str()); }

// The columns the core chooses from a header: `status` (MORVANE_OK or
// MORVANE_E_COLUMNS), its reason in `error`, `problem`, `found_kind` (0:
// verbatim rows), `datum_column` and `column` by role, 1-based as R counts
// them, NA for none.  Arguments the core refuses stop here.
// [[Rcpp::export(.find_columns)]]
Rcpp::List FindColumns(Rcpp::CharacterVector names, int kind, bool codesOnly, bool height) {
  std::vector<std::string> header;
  std::vector<const char*> pointers;
  header.reserve(static_cast<std::size_t>(names.size()));
  for (R_xlen_t i = 0; i < names.size(); ++i) {
    SEXP s = STRING_ELT(names, i);
    header.emplace_back(s == NA_STRING ? "" : Rf_translateCharUTF8(s));
  }
  for (const std::string& name : header) pointers.push_back(name.c_str());
  morvane_columns columns{};
  columns.size = sizeof columns;
  columns.kind = kind;
  columns.codes_only = codesOnly ? 1 : 0;
  columns.height = height ? 1 : 0;
  std::string error(1024, '\0');
  const int status = morvane_find_columns(pointers.data(), static_cast<ptrdiff_t>(pointers.size()),
                                          &columns, error.data(), error.size());
  if (status != MORVANE_OK && status != MORVANE_E_COLUMNS)
    Rcpp::stop(std::string("morvane: the core refused the header: ") + morvane_failure_name(status));
  error.resize(error.find('\0'));
  const auto index = [](std::int32_t column) { return column < 0 ? NA_INTEGER : column + 1; };
  Rcpp::IntegerVector byRole(MORVANE_COLUMN_ROLES);
  for (int role = 1; role <= MORVANE_COLUMN_ROLES; ++role) byRole[role - 1] = index(columns.column[role]);
  return Rcpp::List::create(
      Rcpp::Named("status") = status, Rcpp::Named("error") = Rcpp::String(error, CE_UTF8),
      Rcpp::Named("problem") = columns.problem, Rcpp::Named("found_kind") = columns.found_kind,
      Rcpp::Named("datum_column") = index(columns.datum_column), Rcpp::Named("column") = byRole);
}

// Whether a datum text says that the datum is not known (empty,
// "unknown", "not recorded" ...), for each text; NA is empty.
// [[Rcpp::export(.srs_unstated)]]
Rcpp::LogicalVector SrsUnstated(Rcpp::CharacterVector texts) {
  Rcpp::LogicalVector unstated(texts.size());
  for (R_xlen_t i = 0; i < texts.size(); ++i) {
    SEXP s = STRING_ELT(texts, i);
    unstated[i] = s == NA_STRING || morvane::SrsUnstated(Rf_translateCharUTF8(s));
  }
  return unstated;
}

// The roles (MORVANE_COLUMN_...) an input kind reads, in the order of its
// properties; empty for a number that is no kind.
// [[Rcpp::export(.kind_roles)]]
Rcpp::IntegerVector KindRoles(int kind) {
  const auto roles = morvane::KindRoles(kind);
  return Rcpp::IntegerVector(roles.begin(), roles.end());
}

namespace {

bool Digit(char c) { return c >= '0' && c <= '9'; }

// Whether `text` is a number as a table writes one: [+-]digits[.digits]
// or [+-].digits, with an exponent perhaps.
bool NumberText(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && Digit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && Digit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t exponent = 0;
    while (i < text.size() && Digit(text[i])) ++i, ++exponent;
    if (exponent == 0) return false;
  }
  return i == text.size();
}

}  // namespace

// A column of numbers written as texts (a table read as texts): each
// number correctly rounded (std::from_chars, as the tool reads them), a
// blank or missing text NA.  `bad` is the 1-based row of the first text
// that is not a number, 0 when every one is.
// [[Rcpp::export(.number_texts)]]
Rcpp::List NumberTexts(Rcpp::CharacterVector texts) {
  Rcpp::NumericVector values(texts.size());
  int bad = 0;
  for (R_xlen_t i = 0; i < texts.size(); ++i) {
    SEXP s = STRING_ELT(texts, i);
    std::string_view text = s == NA_STRING ? std::string_view() : std::string_view(CHAR(s));
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.empty()) {
      values[i] = NA_REAL;
      continue;
    }
    if (!NumberText(text)) {
      bad = static_cast<int>(i + 1);
      break;
    }
    const bool negative = text.front() == '-';
    if (text.front() == '+' || negative) text.remove_prefix(1);
    double value = 0;
    const auto read = std::from_chars(text.data(), text.data() + text.size(), value);
    // Out of range: infinity or zero, as strtod gives them.
    if (read.ec == std::errc::result_out_of_range) value = std::strtod(std::string(text).c_str(), nullptr);
    values[i] = negative ? -value : value;
  }
  return Rcpp::List::create(Rcpp::Named("values") = values, Rcpp::Named("bad") = bad);
}
