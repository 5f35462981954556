#include "tools/morvane/csv.hpp"

#include <algorithm>
#include <array>
#include <cstring>

namespace morvane::cli {

namespace {

constexpr std::array<char, 4> kSeparators{',', ';', '\t', '|'};

bool IsKnownSeparator(char c) {
  for (char s : kSeparators)
    if (c == s) return true;
  return false;
}

// The quoting state after each character; what CsvCutter, FirstRecordEnd
// and SeparatorOf share with ReadRecord.
enum class QuoteState { FieldStart, Unquoted, Quoted, QuoteInQuoted };

// One step; true when c ends a record.
template <typename IsSeparator>
bool Step(QuoteState& state, char c, IsSeparator isSeparator) {
  switch (state) {
    case QuoteState::Quoted:
      if (c == '"') state = QuoteState::QuoteInQuoted;
      return false;
    case QuoteState::FieldStart:
      if (c == '"') {
        state = QuoteState::Quoted;
        return false;
      }
      break;
    case QuoteState::QuoteInQuoted:
      if (c == '"') {
        state = QuoteState::Quoted;
        return false;
      }
      break;
    case QuoteState::Unquoted: break;
  }
  if (c == '\n') {
    state = QuoteState::FieldStart;
    return true;
  }
  state = isSeparator(c) ? QuoteState::FieldStart : QuoteState::Unquoted;
  return false;
}

// Scans input for the end of its first record; calls onSeparator for each
// separator outside quotes before it.
template <typename IsSeparator, typename OnSeparator>
std::size_t ScanFirstRecord(std::string_view input, IsSeparator isSeparator,
                            OnSeparator onSeparator) {
  QuoteState state = QuoteState::FieldStart;
  for (std::size_t i = 0; i < input.size(); ++i) {
    const QuoteState before = state;
    if (Step(state, input[i], isSeparator)) return i + 1;
    if (state == QuoteState::FieldStart && before != QuoteState::Quoted && isSeparator(input[i]))
      onSeparator(input[i]);
  }
  return 0;
}

}  // namespace

std::string_view CsvRecord::Value(std::size_t i, std::string& scratch) const {
  const CsvField& f = fields[i];
  const std::string_view raw = text.substr(f.begin, f.end - f.begin);
  if (!f.quoted) return raw;
  // The common case: one pair of quotes around the whole field.
  if (raw.size() >= 2 && raw.back() == '"' &&
      raw.find('"', 1) == raw.size() - 1)
    return raw.substr(1, raw.size() - 2);
  scratch.clear();
  std::size_t k = 1;
  while (k < raw.size()) {
    const char c = raw[k++];
    if (c != '"') {
      scratch += c;
    } else if (k < raw.size() && raw[k] == '"') {
      scratch += '"';
      ++k;
    } else {
      // The closing quote; what follows it (a fault) is kept as text.
      scratch.append(raw.substr(k));
      break;
    }
  }
  return scratch;
}

std::size_t ReadRecord(std::string_view input, char separator, CsvRecord& record,
                       std::size_t longQuote) {
  record.fields.clear();
  record.fault = QuoteFault::None;
  record.faultField = 0;
  const std::size_t n = input.size();
  const char* s = input.data();
  std::size_t pos = 0;
  const auto fault = [&](QuoteFault kind) {
    if (record.fault == QuoteFault::None) {
      record.fault = kind;
      record.faultField = record.fields.size();
    }
  };
  // A '\r' just before the '\n' of a record end belongs to the line end.
  const auto isCrlf = [&](std::size_t at) { return at + 1 < n && s[at] == '\r' && s[at + 1] == '\n'; };

  while (true) {
    CsvField field;
    field.begin = pos;
    if (pos < n && s[pos] == '"') {
      field.quoted = true;
      ++pos;
      while (true) {
        const void* quote = std::memchr(s + pos, '"', n - pos);
        const std::size_t next = quote ? static_cast<std::size_t>(static_cast<const char*>(quote) - s) : n;
        if (next > longQuote) {
          // Between quotes for too long: the record ends at the first line
          // break past the limit (CsvCutter cuts there too).
          const void* newline = std::memchr(s + std::max(pos, longQuote), '\n',
                                            next - std::min(next, std::max(pos, longQuote)));
          if (newline != nullptr) {
            const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(newline) - s) + 1;
            fault(QuoteFault::NotClosed);
            field.end = end;
            record.fields.push_back(field);
            record.text = input.substr(0, end);
            record.lineEnd = {};
            return end;
          }
        }
        if (quote == nullptr) {
          fault(QuoteFault::NotClosed);
          field.end = n;
          record.fields.push_back(field);
          record.text = input;
          record.lineEnd = {};
          return n;
        }
        pos = static_cast<std::size_t>(static_cast<const char*>(quote) - s) + 1;
        if (pos < n && s[pos] == '"') {
          ++pos;  // a doubled quote
          continue;
        }
        break;
      }
      if (pos < n && s[pos] != separator && s[pos] != '\n' && !isCrlf(pos))
        fault(QuoteFault::TextAfterQuote);
    }
    while (pos < n && s[pos] != separator && s[pos] != '\n') ++pos;
    field.end = pos;
    if (pos < n && s[pos] == '\n' && pos > field.begin && s[pos - 1] == '\r') --field.end;
    record.fields.push_back(field);
    if (pos == n) {
      record.text = input;
      record.lineEnd = {};
      return n;
    }
    if (s[pos] == '\n') {
      record.text = input.substr(0, field.end);
      record.lineEnd = input.substr(field.end, pos + 1 - field.end);
      return pos + 1;
    }
    ++pos;  // the separator
  }
}

std::size_t FirstRecordEnd(std::string_view input, char separator) {
  if (separator == 0) return ScanFirstRecord(input, IsKnownSeparator, [](char) {});
  return ScanFirstRecord(input, [separator](char c) { return c == separator; }, [](char) {});
}

char SeparatorOf(std::string_view header) {
  std::array<std::size_t, kSeparators.size()> counts{};
  ScanFirstRecord(header, IsKnownSeparator, [&](char c) {
    for (std::size_t k = 0; k < kSeparators.size(); ++k)
      if (c == kSeparators[k]) ++counts[k];
  });
  std::size_t best = 0;
  for (std::size_t k = 1; k < kSeparators.size(); ++k)
    if (counts[k] > counts[best]) best = k;
  if (counts[best] == 0) return ',';
  for (std::size_t k = 0; k < kSeparators.size(); ++k)
    if (k != best && counts[k] == counts[best]) return 0;
  return kSeparators[best];
}

void AppendField(std::string_view text, char separator, OutBuffer& out) {
  bool quote = false;
  for (char c : text)
    if (c == separator || c == '"' || c == '\n' || c == '\r') quote = true;
  if (!quote) {
    out.Append(text);
    return;
  }
  out.Append('"');
  for (char c : text) {
    if (c == '"') out.Append('"');
    out.Append(c);
  }
  out.Append('"');
}

std::size_t CsvCutter::Scan(std::string_view block, std::size_t from) {
  // Step by step would do, but the reader runs it over every byte on its
  // own thread: between quotes it jumps.  Outside quotes only a quote can
  // change how a line break counts, and a quote opens a field only at its
  // start (after a separator or a line break).
  auto state = static_cast<QuoteState>(state_);
  std::size_t last = 0;
  std::size_t i = from;
  const char separator = separator_;
  const auto isSeparator = [separator](char c) { return c == separator; };
  while (i < block.size()) {
    if (state == QuoteState::Quoted || state == QuoteState::QuoteInQuoted) {
      if (state == QuoteState::QuoteInQuoted) {
        if (Step(state, block[i], isSeparator)) last = recordStart_ = i + 1;
        ++i;
        continue;
      }
      const std::size_t quote = std::min(block.find('"', i), block.size());
      if (quote - recordStart_ > longQuote_) {
        // As ReadRecord: a quote open for too long ends at a line break.
        const std::size_t past = std::max(i, recordStart_ + longQuote_);
        const std::size_t newline = past < quote ? block.substr(past, quote - past).find('\n')
                                                 : std::string_view::npos;
        if (newline != std::string_view::npos) {
          last = recordStart_ = past + newline + 1;
          state = QuoteState::FieldStart;
          i = last;
          continue;
        }
      }
      if (quote == block.size()) break;
      state = QuoteState::QuoteInQuoted;
      i = quote + 1;
      continue;
    }
    const std::size_t quote = std::min(block.find('"', i), block.size());
    const std::size_t newline = block.substr(i, quote - i).rfind('\n');
    if (newline != std::string_view::npos) last = recordStart_ = i + newline + 1;
    if (quote > i) {
      const char before = block[quote - 1];
      state = before == separator || before == '\n' ? QuoteState::FieldStart : QuoteState::Unquoted;
    }
    if (quote == block.size()) break;
    Step(state, '"', isSeparator);
    i = quote + 1;
  }
  state_ = static_cast<int>(state);
  return last;
}

}  // namespace morvane::cli
