// What every harness checks besides survival: the shapes of the texts the
// system publishes, and a way to stop with a readable finding.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <morvane/zediz_ado.hpp>
#include "ifbl/ifbl.hpp"
#include "mgrs/mgrs.hpp"

namespace morvane::fuzz {

// Objects a harness is looking at, printed with a finding.
inline const ZedizAdo* g_before = nullptr;
inline const ZedizAdo* g_after = nullptr;
// Anything else a harness wants printed with a finding.
inline void (*g_explain)() = nullptr;

struct Watch {
  Watch(const ZedizAdo& before, const ZedizAdo& after) { g_before = &before, g_after = &after; }
  ~Watch() { g_before = g_after = nullptr; }
  Watch(const Watch&) = delete;
  Watch& operator=(const Watch&) = delete;
};

inline void Describe(const char* name, const ZedizAdo* o) {
  if (o == nullptr) return;
  std::fprintf(stderr,
               "%s: OrigType %d  Error '%s'\n  Latitude %.17g  Longitude %.17g\n"
               "  X %.17g  Y %.17g  IFBL '%s' (precision %d)\n"
               "  Northing %.17g  Easting %.17g  MGRS '%s' (precision %d)\n"
               "  DMS %d %d %.9g / %d %d %.9g\n",
               name, static_cast<int>(o->OrigType()), o->Error().c_str(), o->Latitude(),
               o->Longitude(), o->X(), o->Y(), o->IFBL().c_str(), o->IfblPrecision,
               o->Northing(), o->Easting(), o->MGRS().c_str(), o->mgrsPrecision, o->LatDmsDeg(),
               o->LatDmsMin(), static_cast<double>(o->LatDmsSec()), o->LonDmsDeg(),
               o->LonDmsMin(), static_cast<double>(o->LonDmsSec()));
}

// A broken invariant: says which and stops, so that the fuzzer keeps the
// input as a crash.
[[noreturn]] inline void Broken(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
  Describe("before", g_before);
  Describe("after", g_after);
  if (g_explain != nullptr) g_explain();
  std::fflush(stderr);
  std::abort();
}

#define FUZZ_CHECK(condition)                                              \
  do {                                                                     \
    if (!(condition)) ::morvane::fuzz::Broken(__FILE__, __LINE__, #condition); \
  } while (0)

inline bool InRange(double value, double low, double high) {
  return value >= low && value <= high;  // NaN fails
}

inline bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The fixed messages of Error.
inline bool IsFixedMessage(std::string_view text) {
  for (const char* m : {message::kUnknownOrigType, message::kUnknownDatumFrom,
                        message::kUnknownDatumDest, message::kDatumNotSet, message::kBadDeg,
                        message::kBadDms, message::kBadLambert, message::kBadIfbl})
    if (text == m) return true;
  return false;
}

inline std::string MgrsMessageFor(std::string_view text) {
  std::string m = message::kBadMgrsPrefix;
  m += text;
  m += ')';
  return m;
}

// Anything Error may hold: nothing, a fixed message, or the MGRS message
// around some text.
inline bool IsSystemMessage(std::string_view text) {
  if (text.empty() || IsFixedMessage(text)) return true;
  const std::string_view prefix = message::kBadMgrsPrefix;
  return text.size() > prefix.size() && text.substr(0, prefix.size()) == prefix &&
         text.back() == ')';
}

// Zone of the first two characters of a reference as the encoder writes
// them (" 5", "05" or "31"), 0 when they name no zone 1..60.
inline int ZoneOf(std::string_view text) {
  if (text.size() < 2 || !IsDigit(text[1])) return 0;
  int zone;
  if (text[0] == ' ') zone = text[1] - '0';
  else if (IsDigit(text[0])) zone = (text[0] - '0') * 10 + (text[1] - '0');
  else return 0;
  return zone >= 1 && zone <= 60 ? zone : 0;
}

inline bool IsBandLetter(char c) { return c >= 'C' && c <= 'X' && c != 'I' && c != 'O'; }
inline bool IsRowLetter(char c) { return c >= 'A' && c <= 'V' && c != 'I' && c != 'O'; }

// The column letters of a zone: A-H, J-R (no O) or S-Z, by zone.
inline bool IsColumnLetterOf(char c, int zone) {
  if (!IsUpper(c) || c == 'I' || c == 'O') return false;
  switch ((zone - 1) % 3) {
    case 0: return c >= 'A' && c <= 'H';
    case 1: return c >= 'J' && c <= 'R';
    default: return c >= 'S' && c <= 'Z';
  }
}

// A reference with `digits` digits per coordinate (1 to 5): zone, band,
// square letters of the zone's set, then the digits.
inline bool IsMgrsReference(std::string_view text, std::size_t digits) {
  if (text.size() != 5 + 2 * digits) return false;
  const int zone = ZoneOf(text);
  if (zone == 0 || !IsBandLetter(text[2]) || !IsColumnLetterOf(text[3], zone) ||
      !IsRowLetter(text[4]))
    return false;
  if (text[2] == 'X' && (zone == 32 || zone == 34 || zone == 36)) return false;
  for (std::size_t i = 5; i < text.size(); ++i)
    if (!IsDigit(text[i])) return false;
  return true;
}

inline bool IsMgrsDecoderMessage(std::string_view text) {
  return text == dma::kInvalidMgrs || text == dma::kEllipsoidNotAvailable ||
         text == dma::kOutsideRange;
}

// An IFBL code of 2, 4 or 6 characters: row letter A-M without I, big
// square column 0-9, 4 km row 1-5 and column 1-8, 1 km number of two
// digits 1-4.
inline bool IsIfblCode(std::string_view text) {
  const std::size_t n = text.size();
  if (n != 2 && n != 4 && n != 6) return false;
  if (!(text[0] >= 'A' && text[0] <= 'M' && text[0] != 'I') || !IsDigit(text[1])) return false;
  if (n >= 4 && !(text[2] >= '1' && text[2] <= '5' && text[3] >= '1' && text[3] <= '8'))
    return false;
  if (n == 6 && !(text[4] >= '1' && text[4] <= '4' && text[5] >= '1' && text[5] <= '4'))
    return false;
  return true;
}

// Length of the code LambertToIfbl writes for a precision.
inline std::size_t IfblLengthFor(std::int16_t precision) {
  return precision == 2 ? 2 : precision == 4 ? 4 : 6;
}

// Half the side of the square of a code, metres (east-west, north-south).
inline void IfblHalfSides(std::size_t length, double& halfX, double& halfY) {
  if (length == 2) halfX = 16000, halfY = 10000;
  else if (length == 4) halfX = halfY = 2000;
  else halfX = halfY = 500;
}

// The IFBL grid in Lambert metres, west and south edges included.
inline bool InsideIfblGrid(double x, double y) {
  return x >= 2012.0 && x < 322012.0 && y >= 18180.0 && y < 258180.0;
}

template <typename T>
auto Bits(T value) {
  if constexpr (sizeof(T) == 8) return std::bit_cast<std::uint64_t>(value);
  else return std::bit_cast<std::uint32_t>(value);
}

// Every gettable property but Error, bit for bit.
inline bool SameProperties(const ZedizAdo& a, const ZedizAdo& b) {
  return Bits(a.X()) == Bits(b.X()) && Bits(a.Y()) == Bits(b.Y()) && a.MGRS() == b.MGRS() &&
         a.IFBL() == b.IFBL() && Bits(a.Latitude()) == Bits(b.Latitude()) &&
         Bits(a.Longitude()) == Bits(b.Longitude()) &&
         Bits(a.Northing()) == Bits(b.Northing()) && Bits(a.Easting()) == Bits(b.Easting()) &&
         a.LatDmsDeg() == b.LatDmsDeg() && a.LatDmsMin() == b.LatDmsMin() &&
         Bits(a.LatDmsSec()) == Bits(b.LatDmsSec()) && a.LonDmsDeg() == b.LonDmsDeg() &&
         a.LonDmsMin() == b.LonDmsMin() && Bits(a.LonDmsSec()) == Bits(b.LonDmsSec()) &&
         a.OrigType() == b.OrigType() && a.IfblPrecision == b.IfblPrecision &&
         a.mgrsPrecision == b.mgrsPrecision;
}

inline void CopyDms(const ZedizAdo& from, ZedizAdo& to) {
  to.LatDmsDeg(from.LatDmsDeg());
  to.LatDmsMin(from.LatDmsMin());
  to.LatDmsSec(from.LatDmsSec());
  to.LonDmsDeg(from.LonDmsDeg());
  to.LonDmsMin(from.LonDmsMin());
  to.LonDmsSec(from.LonDmsSec());
}

// What has no get (the datums, the catalogue, the type codes) is the same
// in both objects.  Reset clears Error and the outputs and keeps the rest,
// so two copies reset and given the same DMS fields compare only that.
inline bool SameHiddenState(const ZedizAdo& a, const ZedizAdo& b) {
  ZedizAdo ca = a, cb = b;
  CopyDms(cb, ca);
  ca.Reset();
  cb.Reset();
  return ca.IdenticalTo(cb);
}

// Every property as it was, Error apart.
inline bool SameExceptError(const ZedizAdo& a, const ZedizAdo& b) {
  return SameProperties(a, b) && SameHiddenState(a, b);
}

// Digits per coordinate of an MGRS output for a precision in metres.
inline std::size_t MgrsDigitsFor(std::int32_t precision) {
  switch (precision) {
    case 10000: return 1;
    case 1000: return 2;
    case 100: return 3;
    case 10: return 4;
    default: return 5;
  }
}

}  // namespace morvane::fuzz
