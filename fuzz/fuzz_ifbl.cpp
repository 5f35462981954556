// IFBL decoding and encoding: the input is the text of a code, as typed.
//
// Decoder: status 0 exactly when the tidied text (no blanks, upper case)
// is a code of the grid; then X and Y are the centre of its square, which
// the encoder names back at every precision the code has.  Status -1
// leaves X and Y as they were.
// Encoder: the first sixteen bytes, read as two doubles and as two
// fractions of the grid's extent, name a square exactly when the point lies
// in the grid, and the point lies in the square named.
// Object: IFBL input is refused exactly when the decoder refuses the text
// the put stored; otherwise the object publishes the centre of the square.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include <morvane/zediz_ado.hpp>
#include "fuzz/invariants.hpp"
#include "ifbl/ifbl.hpp"

using namespace morvane;
using namespace morvane::fuzz;

namespace {

std::string Tidied(const std::string& text) {
  std::string t;
  for (char c : text) {
    if (c == ' ') continue;
    t += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return t;
}

void CheckDecoder(const std::string& text) {
  std::string copy = text;
  const double sentinel = -12345.678;
  double x = sentinel, y = sentinel;
  std::int32_t status = 7;
  ifbl::IfblToLambert(copy, x, y, status);
  const std::string tidy = Tidied(text);
  if (!IsIfblCode(tidy)) {
    FUZZ_CHECK(status == -1);
    FUZZ_CHECK(x == sentinel && y == sentinel);
    return;
  }
  FUZZ_CHECK(status == 7 || status == 0);  // success leaves the status alone or clears it
  FUZZ_CHECK(copy == tidy);
  FUZZ_CHECK(InsideIfblGrid(x, y));
  for (std::int16_t precision : {std::int16_t{2}, std::int16_t{4}, std::int16_t{6}}) {
    if (static_cast<std::size_t>(precision) > tidy.size()) break;
    std::string code = "unchanged";
    std::int32_t st = 0;
    ifbl::LambertToIfbl(x, y, code, st, precision);
    FUZZ_CHECK(st == 0);
    FUZZ_CHECK(code == tidy.substr(0, static_cast<std::size_t>(precision)));
  }
}

void CheckEncoder(double x, double y) {
  for (std::int16_t precision : {std::int16_t{2}, std::int16_t{4}, std::int16_t{0}}) {
    std::string code = "unchanged";
    std::int32_t status = 0;
    ifbl::LambertToIfbl(x, y, code, status, precision);
    if (!InsideIfblGrid(x, y)) {
      FUZZ_CHECK(status == 1 && code == "unchanged");
      continue;
    }
    FUZZ_CHECK(status == 0);
    FUZZ_CHECK(IsIfblCode(code) && code.size() == IfblLengthFor(precision));
    std::string copy = code;
    double cx = 0, cy = 0;
    std::int32_t st = 0;
    ifbl::IfblToLambert(copy, cx, cy, st);
    FUZZ_CHECK(st == 0);
    double hx, hy;
    IfblHalfSides(code.size(), hx, hy);
    // West and south edges belong to the square, east and north ones not.
    FUZZ_CHECK(x >= cx - hx && x < cx + hx && y >= cy - hy && y < cy + hy);
  }
}

void CheckObject(const std::string& input, std::int32_t dest, std::int16_t precision) {
  ZedizAdo o;
  o.DatumFrom(mvWGS1984);
  o.DatumDest(static_cast<InternalDatums>(dest));
  o.OrigType(mvIFBL);
  o.IfblPrecision = precision;  // not used by IFBL input: the code stays
  std::string text = input;
  o.IFBL(text);
  const ZedizAdo before = o;
  const std::string stored = o.IFBL();

  o.Conversion();  // a Failure here escapes: no IFBL text may fail a call
  const std::string tidy = Tidied(stored);
  if (!IsIfblCode(tidy)) {
    FUZZ_CHECK(o.Error() == message::kBadIfbl);
    FUZZ_CHECK(SameExceptError(o, before));
    return;
  }
  FUZZ_CHECK(o.Error().empty());
  FUZZ_CHECK(o.IFBL() == tidy);
  std::string copy = tidy;
  double cx = 0, cy = 0;
  std::int32_t st = 0;
  ifbl::IfblToLambert(copy, cx, cy, st);
  FUZZ_CHECK(o.X() == cx && o.Y() == cy);
  // The grid covers Belgium and Luxembourg and a margin around them.
  FUZZ_CHECK(InRange(o.Latitude(), 49, 52) && InRange(o.Longitude(), 2, 7));
  FUZZ_CHECK(IsMgrsReference(o.MGRS(), 5));
  FUZZ_CHECK(ZoneOf(o.MGRS()) == 31 || ZoneOf(o.MGRS()) == 32);
  FUZZ_CHECK(o.MGRS()[2] == 'U');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size > 64) return 0;
  const std::string text(reinterpret_cast<const char*>(bytes), size);
  CheckDecoder(text);
  static const std::int16_t kPrecisions[] = {0, 2, 4};
  for (std::int32_t dest = 1; dest <= 4; ++dest) CheckObject(text, dest, kPrecisions[dest % 3]);

  if (size >= 16) {
    double raw[2];
    std::memcpy(raw, bytes, sizeof raw);
    CheckEncoder(raw[0], raw[1]);
    std::uint32_t u[4];
    std::memcpy(u, bytes, sizeof u);
    // Fractions of a little more than the grid's extent, so that its edges
    // and the points just outside come up often; the low bytes also pick
    // exact kilometre lines.
    const double fx = u[0] / 4294967296.0, fy = u[1] / 4294967296.0;
    CheckEncoder(2012.0 - 1000 + fx * 322000, 18180.0 - 1000 + fy * 242000);
    CheckEncoder(2012.0 + 1000.0 * (u[2] % 322), 18180.0 + 1000.0 * (u[3] % 241));
  }
  return 0;
}
