// The CSV grammar of spreadsheet files (RFC 4180, read leniently): fields
// separated by one character, records ended by LF or CRLF; a field that
// starts with a double quote runs to the matching quote and may hold
// separators, line breaks and doubled quotes.  A quote inside a field that
// does not start with one is an ordinary character.
//
// Two faults are told apart, so that a row is never read wrongly in
// silence: text after a closing quote ("ab"c), and a quote that is never
// closed, which runs to the end of the input.  So that memory stays
// bounded, a record still between quotes after kLongQuote bytes (a stray
// quote, most likely: a spreadsheet cell holds at most 32 767 characters)
// ends at the next line break instead, with the second fault.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tools/morvane/batch.hpp"
#include "tools/morvane/out_buffer.hpp"

namespace morvane::cli {

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
inline constexpr std::size_t kLongQuote = 16 << 20;

// A field as written: offsets in its record's text, quotes included.
struct CsvField {
  std::size_t begin = 0;
  std::size_t end = 0;
  bool quoted = false;
};

enum class QuoteFault { None, TextAfterQuote, NotClosed };

struct CsvRecord {
  std::string_view text;     // the record as written, without its line end
  std::string_view lineEnd;  // "\n", "\r\n", or empty at the end of the input
  std::vector<CsvField> fields;
  QuoteFault fault = QuoteFault::None;
  std::size_t faultField = 0;  // the first faulty field

  // The field's value: without its quotes, doubled quotes made single.
  // Points into the record, or into scratch when quotes were undone.
  std::string_view Value(std::size_t i, std::string& scratch) const;
};

// Reads the record at the start of input (not empty); returns the bytes it
// takes, line end included.  longQuote is kLongQuote but in tests.
std::size_t ReadRecord(std::string_view input, char separator, CsvRecord& record,
                       std::size_t longQuote = kLongQuote);

// The length of the first record of input, line end included, or 0 when it
// does not end in input.  A separator of 0 takes any of the separators
// SeparatorOf knows as a separator (for the header, before its separator
// is known).
std::size_t FirstRecordEnd(std::string_view input, char separator);

// The separator of a header record: whichever of ',', ';', tab and '|'
// occurs most often outside quotes; ',' when none does; 0 when two occur
// equally often.
char SeparatorOf(std::string_view header);

// Appends text as one field, between double quotes (with its quotes
// doubled) when it holds the separator, a quote or a line break.
void AppendField(std::string_view text, char separator, OutBuffer& out);

// Cuts CSV input into blocks of whole records (a line break between
// quotes does not end a record).
class CsvCutter : public RecordCutter {
 public:
  explicit CsvCutter(char separator, std::size_t longQuote = kLongQuote)
      : separator_(separator), longQuote_(longQuote) {}
  void Restart() override { state_ = 0, recordStart_ = 0; }
  std::size_t Scan(std::string_view block, std::size_t from) override;

 private:
  char separator_;
  std::size_t longQuote_;
  int state_ = 0;  // the quoting state, 0 at the start of a field
  std::size_t recordStart_ = 0;  // where the record being scanned starts
};

}  // namespace morvane::cli
