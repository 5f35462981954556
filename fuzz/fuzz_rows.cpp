// Tables as people write them, fed anything: header names for the choice
// of columns, and rows whose verbatim coordinates, systems and datums are
// texts of any shape.  Invariants:
//   - the choice of columns is either made (each column inside the header,
//     a kind of the table or 0) or refused with its reason and why;
//   - the rows call refuses what the widths call refuses, with the same
//     code, and otherwise gives each row the outputs it gives that row
//     alone, bit for bit (the gathering by kind and datum loses nothing and
//     mixes nothing up), with a kind and datum read from the tables or a
//     message and no numbers.
#include <morvane/morvane.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/values.hpp"

namespace {

[[noreturn]] void Broken(const char* invariant, std::size_t row) {
  std::fprintf(stderr, "invariant broken: %s (row %zu)\n", invariant, row);
  std::abort();
}

// Texts rows write, whole or in pieces.
constexpr const char* kSystems[] = {"IFBL", "MGRS", "decimal degrees", "degrees minutes seconds",
                                    "Lambert 72", "EPSG:31370", "Lambert 2008", "UTM", "", " "};
constexpr const char* kDatums[] = {"WGS84", "ED50", "BD72", "NTF", "ETRS89", "EPSG:4326", "unknown",
                                   "", "Potsdam", "EPSG:31370"};
constexpr const char* kPieces[] = {"50", "4", "-", "+", ".", ",", ";", " ", "\u00b0", "'", "\"", "N",
                                   "S",  "E", "W", "X=", "Y:", "lat", "lon", "149186.41", "1e5",
                                   "D5.37.13", "31UES9470361498", "99999", "0", "60", "\u2032", "\t"};

std::string RowText(FuzzedDataProvider& data) {
  if (data.ConsumeBool()) return data.ConsumeRandomLengthString(40);
  std::string text;
  const int pieces = data.ConsumeIntegralInRange(0, 12);
  for (int i = 0; i < pieces; ++i) text += morvane::fuzz::Pick(data, kPieces);
  return text;
}

std::string OneOf(FuzzedDataProvider& data, const char* const (&table)[10]) {
  return data.ConsumeBool() ? std::string(morvane::fuzz::Pick(data, table)) : data.ConsumeRandomLengthString(16);
}

struct Outputs {
  std::vector<double> numbers[6];
  std::vector<std::int16_t> shorts[4];
  std::vector<float> seconds[2];
  std::vector<char> texts[3];
  std::vector<std::int32_t> failure, kinds, datums;
  std::size_t widths[3];
  morvane_batch_output out{};

  Outputs(std::size_t n, const std::size_t (&w)[3]) {
    for (auto& v : numbers) v.assign(n, -7.0);
    for (auto& v : shorts) v.assign(n, 77);
    for (auto& v : seconds) v.assign(n, -7.0f);
    for (int t = 0; t < 3; ++t) texts[t].assign(n * w[t] + 1, 'x'), widths[t] = w[t];
    failure.assign(n, -1);
    kinds.assign(n, -1);
    datums.assign(n, -1);
    out = {numbers[0].data(), numbers[1].data(), shorts[0].data(), shorts[1].data(), seconds[0].data(),
           shorts[2].data(), shorts[3].data(), seconds[1].data(), numbers[2].data(), numbers[3].data(),
           numbers[4].data(), numbers[5].data(), {texts[0].data(), w[0]}, {texts[1].data(), w[1]},
           {texts[2].data(), w[2]}, failure.data()};
  }
  std::string Text(int t, std::size_t i) const {
    const char* entry = texts[t].data() + i * widths[t];
    return std::string(entry, strnlen(entry, widths[t]));
  }
};

bool SameRow(const Outputs& a, std::size_t i, const Outputs& b, std::size_t j) {
  for (int k = 0; k < 6; ++k)
    if (std::memcmp(&a.numbers[k][i], &b.numbers[k][j], sizeof(double)) != 0) return false;
  for (int k = 0; k < 4; ++k)
    if (a.shorts[k][i] != b.shorts[k][j]) return false;
  for (int k = 0; k < 2; ++k)
    if (std::memcmp(&a.seconds[k][i], &b.seconds[k][j], sizeof(float)) != 0) return false;
  for (int t = 0; t < 3; ++t)
    if (a.Text(t, i) != b.Text(t, j)) return false;
  return a.failure[i] == b.failure[j] && a.kinds[i] == b.kinds[j] && a.datums[i] == b.datums[j];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);

  // A header.
  std::vector<std::string> names(data.ConsumeIntegralInRange(0, 8));
  for (auto& name : names) name = data.ConsumeRandomLengthString(24);
  std::vector<const char*> pointers;
  for (const auto& name : names) pointers.push_back(name.c_str());
  morvane_columns columns{};
  columns.size = sizeof columns;
  columns.kind = data.ConsumeIntegralInRange(-1, 7);
  columns.codes_only = data.ConsumeBool();
  columns.height = data.ConsumeBool();
  char error[512];
  const int found = morvane_find_columns(pointers.data(), static_cast<ptrdiff_t>(pointers.size()), &columns,
                                         error, sizeof error);
  if (found == MORVANE_OK) {
    if (columns.found_kind < 0 || columns.found_kind > 6) Broken("a kind of the table", 0);
    for (int r = 1; r <= MORVANE_COLUMN_ROLES; ++r)
      if (columns.column[r] < -1 || columns.column[r] >= static_cast<int>(names.size()))
        Broken("a column of the header", static_cast<std::size_t>(r));
  } else if (found == MORVANE_E_COLUMNS) {
    if (columns.problem == MORVANE_COLUMNS_FOUND || error[0] == '\0') Broken("a reason", 0);
  } else if (found != MORVANE_E_KIND) {
    Broken("the choice's status", 0);
  }

  // Rows.
  const std::size_t n = data.ConsumeIntegralInRange<std::size_t>(0, 12);
  std::vector<std::string> coordinates(n), systems(n), datums(n);
  for (std::size_t i = 0; i < n; ++i) {
    coordinates[i] = RowText(data);
    systems[i] = OneOf(data, kSystems);
    datums[i] = OneOf(data, kDatums);
  }
  std::vector<const char*> c, s, d;
  for (std::size_t i = 0; i < n; ++i) {
    // Null entries are empty texts.
    c.push_back(data.ConsumeIntegralInRange(0, 15) == 0 ? nullptr : coordinates[i].c_str());
    s.push_back(systems[i].c_str());
    d.push_back(datums[i].c_str());
  }
  morvane_batch_input in{};
  in.OrigType = data.ConsumeIntegralInRange(-1, 7);
  in.DatumFrom = data.ConsumeIntegralInRange(0, 6);
  in.DatumDest = data.ConsumeIntegralInRange(0, 6);
  in.mgrsPrecision = data.PickValueInArray({0, 1, 10, 100, 1000, 10000});
  in.IfblPrecision = data.PickValueInArray<std::int16_t>({0, 2, 4, 6});
  morvane_rows_input rows{sizeof rows, c.data(), data.ConsumeBool() ? s.data() : nullptr,
                          data.ConsumeBool() ? d.data() : nullptr, nullptr, nullptr};
  std::size_t widths[3] = {0, 0, 0};
  const int sized = morvane_rows_widths(&in, &rows, nullptr, static_cast<ptrdiff_t>(n), &widths[0],
                                        &widths[1], &widths[2]);
  Outputs all(n, widths);
  rows.KindsRead = all.kinds.data();
  rows.DatumsRead = all.datums.data();
  const int threads = data.ConsumeIntegralInRange(1, 2);
  const int status = morvane_convert_rows(&in, &rows, &all.out, nullptr, static_cast<ptrdiff_t>(n), threads);
  if (status != sized) Broken("the rows call refuses what the widths call refuses", 0);
  if (status != MORVANE_OK) {
    for (std::size_t i = 0; i < n; ++i)
      if (all.kinds[i] != -1 || all.failure[i] != -1) Broken("a refused call writes nothing", i);
    return 0;
  }
  for (std::size_t i = 0; i < n; ++i) {
    const std::string message = all.Text(2, i);
    if (all.kinds[i] == 0 && message.empty()) Broken("a row without a kind has its message", i);
    if (all.kinds[i] < 0 || all.kinds[i] > 6 || all.datums[i] < 0 || all.datums[i] > 5)
      Broken("a kind and datum of the tables", i);
    // The row alone gives the same outputs.
    morvane_rows_input one = rows;
    one.Coordinates = rows.Coordinates + i;
    if (rows.Systems) one.Systems = rows.Systems + i;
    if (rows.Datums) one.Datums = rows.Datums + i;
    Outputs alone(1, widths);
    one.KindsRead = alone.kinds.data();
    one.DatumsRead = alone.datums.data();
    if (morvane_convert_rows(&in, &one, &alone.out, nullptr, 1, 1) != MORVANE_OK) Broken("a row alone", i);
    if (!SameRow(all, i, alone, 0)) Broken("a row gives what it gives alone", i);
  }
  return 0;
}
