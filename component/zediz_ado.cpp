#include "component/zediz_ado.hpp"

#include <algorithm>
#include <bit>
#include <tuple>

namespace morvane {

namespace {

constexpr std::string_view kBlanks = " ";

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

}  // namespace

ZedizAdo::ZedizAdo() {
  TypeCodes_ = {"mgr", "deg", "ifb", "lmb", "dms"};
  datum::BuildCatalogue(Catalogue_);
  DatumFrom(mvEuropeanData1950);
  DatumDest(mvEuropeanData1950);
}

void ZedizAdo::Reset() {
  Error_.clear();
  X_ = 0;
  Y_ = 0;
  OrigType_ = OriginalCoordinates{};
  MGRS_.clear();
  IFBL_.clear();
  Latitude_ = 0;
  Longitude_ = 0;
  Northing_ = 0;
  Easting_ = 0;
}

void ZedizAdo::OrigType(const OriginalCoordinates& value) {
  OrigType_ = value;
  if (value < mvMgrs || value > mvDegMinSec) Error_ = message::kUnknownOrigType;
}

void ZedizAdo::DatumFrom(const InternalDatums& value) {
  DatumFrom_ = value;
  if (value < mvEuropeanData1950 || value > mvNTF) Error_ = message::kUnknownDatumFrom;
}

void ZedizAdo::DatumDest(const InternalDatums& value) {
  DatumDest_ = value;
  if (value < mvEuropeanData1950 || value > mvNTF) Error_ = message::kUnknownDatumDest;
}

void ZedizAdo::MGRS(const std::string& value) { MGRS_ = TrimBlanks(value); }

void ZedizAdo::IFBL(std::string& value) {
  // Codes are often written with separators ('f5.16.34', 'd6-54-42').
  std::erase_if(value, [](char c) { return c == ' ' || c == '.' || c == '-'; });
  IFBL_ = TrimBlanks(value);
}

bool ZedizAdo::IdenticalTo(const ZedizAdo& other) const noexcept {
  const auto bits = [](const ZedizAdo& o) {
    using std::bit_cast;
    return std::tuple(o.IfblPrecision, o.mgrsPrecision, o.TypeCodes_, o.Error_, o.Catalogue_,
                      bit_cast<std::uint64_t>(o.X_), bit_cast<std::uint64_t>(o.Y_), o.MGRS_,
                      o.IFBL_, bit_cast<std::uint64_t>(o.Latitude_),
                      bit_cast<std::uint64_t>(o.Longitude_), bit_cast<std::uint64_t>(o.Northing_),
                      bit_cast<std::uint64_t>(o.Easting_), o.LatDmsDeg_, o.LatDmsMin_,
                      bit_cast<std::uint32_t>(o.LatDmsSec_), o.LonDmsDeg_, o.LonDmsMin_,
                      bit_cast<std::uint32_t>(o.LonDmsSec_), o.OrigType_, o.DatumFrom_,
                      o.DatumDest_);
  };
  return bits(*this) == bits(other);
}

}  // namespace morvane
