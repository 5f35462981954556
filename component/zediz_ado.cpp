#include <morvane/zediz_ado.hpp>

#include <algorithm>
#include <bit>
#include <tuple>

#include "component/zediz_state.hpp"

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

ZedizAdo::State::State() {
  TypeCodes_ = {"mgr", "deg", "ifb", "lmb", "dms"};
  datum::BuildCatalogue(Catalogue_);
  DatumFrom(mvEuropeanData1950);
  DatumDest(mvEuropeanData1950);
}

void ZedizAdo::State::Reset() {
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

void ZedizAdo::State::OrigType(const OriginalCoordinates& value) {
  OrigType_ = value;
  if (value < mvMgrs || value > mvDegMinSec) Error_ = message::kUnknownOrigType;
}

void ZedizAdo::State::DatumFrom(const InternalDatums& value) {
  DatumFrom_ = value;
  if (value < mvEuropeanData1950 || value > mvNTF) Error_ = message::kUnknownDatumFrom;
}

void ZedizAdo::State::DatumDest(const InternalDatums& value) {
  DatumDest_ = value;
  if (value < mvEuropeanData1950 || value > mvNTF) Error_ = message::kUnknownDatumDest;
}

void ZedizAdo::State::MGRS(const std::string& value) { MGRS_ = TrimBlanks(value); }

void ZedizAdo::State::IFBL(std::string& value) {
  // Codes are often written with separators ('f5.16.34', 'd6-54-42').
  std::erase_if(value, [](char c) { return c == ' ' || c == '.' || c == '-'; });
  IFBL_ = TrimBlanks(value);
}

bool ZedizAdo::State::operator==(const State& other) const { return Fields() == other.Fields(); }

bool ZedizAdo::State::IdenticalTo(const State& other) const noexcept {
  const auto bits = [](const State& o) {
    using std::bit_cast;
    return std::tuple(o.TypeCodes_, o.Error_, o.Catalogue_, bit_cast<std::uint64_t>(o.X_),
                      bit_cast<std::uint64_t>(o.Y_), o.MGRS_, o.IFBL_,
                      bit_cast<std::uint64_t>(o.Latitude_), bit_cast<std::uint64_t>(o.Longitude_),
                      bit_cast<std::uint64_t>(o.Northing_), bit_cast<std::uint64_t>(o.Easting_),
                      o.LatDmsDeg_, o.LatDmsMin_, bit_cast<std::uint32_t>(o.LatDmsSec_),
                      o.LonDmsDeg_, o.LonDmsMin_, bit_cast<std::uint32_t>(o.LonDmsSec_),
                      o.OrigType_, o.DatumFrom_, o.DatumDest_);
  };
  return bits(*this) == bits(other);
}

// The object: its two public data members and its State.  The precisions
// live in the object, where clients write them, and are handed to the
// State at each conversion, so they take no part in the State's equality.

ZedizAdo::ZedizAdo() : state_(std::make_unique<State>()) {}
ZedizAdo::~ZedizAdo() = default;
ZedizAdo::ZedizAdo(const ZedizAdo& other)
    : IfblPrecision(other.IfblPrecision),
      mgrsPrecision(other.mgrsPrecision),
      state_(std::make_unique<State>(*other.state_)) {}
ZedizAdo& ZedizAdo::operator=(const ZedizAdo& other) {
  if (this != &other) {
    auto copy = std::make_unique<State>(*other.state_);  // may throw: nothing changed yet
    IfblPrecision = other.IfblPrecision;
    mgrsPrecision = other.mgrsPrecision;
    state_ = std::move(copy);
  }
  return *this;
}

void ZedizAdo::Reset() { state_->Reset(); }

std::int16_t ZedizAdo::LatDmsDeg() const { return state_->LatDmsDeg_; }
void ZedizAdo::LatDmsDeg(const std::int16_t& value) { state_->LatDmsDeg_ = value; }
std::int16_t ZedizAdo::LatDmsMin() const { return state_->LatDmsMin_; }
void ZedizAdo::LatDmsMin(const std::int16_t& value) { state_->LatDmsMin_ = value; }
float ZedizAdo::LatDmsSec() const { return state_->LatDmsSec_; }
void ZedizAdo::LatDmsSec(const float& value) { state_->LatDmsSec_ = value; }
std::int16_t ZedizAdo::LonDmsDeg() const { return state_->LonDmsDeg_; }
void ZedizAdo::LonDmsDeg(const std::int16_t& value) { state_->LonDmsDeg_ = value; }
std::int16_t ZedizAdo::LonDmsMin() const { return state_->LonDmsMin_; }
void ZedizAdo::LonDmsMin(const std::int16_t& value) { state_->LonDmsMin_ = value; }
float ZedizAdo::LonDmsSec() const { return state_->LonDmsSec_; }
void ZedizAdo::LonDmsSec(const float& value) { state_->LonDmsSec_ = value; }

double ZedizAdo::Easting() const { return state_->Easting_; }
void ZedizAdo::Easting(const double& value) { state_->Easting_ = value; }
double ZedizAdo::Northing() const { return state_->Northing_; }
void ZedizAdo::Northing(const double& value) { state_->Northing_ = value; }
double ZedizAdo::Latitude() const { return state_->Latitude_; }
void ZedizAdo::Latitude(const double& value) { state_->Latitude_ = value; }
double ZedizAdo::Longitude() const { return state_->Longitude_; }
void ZedizAdo::Longitude(const double& value) { state_->Longitude_ = value; }
double ZedizAdo::X() const { return state_->X_; }
void ZedizAdo::X(const double& value) { state_->X_ = value; }
double ZedizAdo::Y() const { return state_->Y_; }
void ZedizAdo::Y(const double& value) { state_->Y_ = value; }

void ZedizAdo::DatumDest(const InternalDatums& value) { state_->DatumDest(value); }
void ZedizAdo::DatumFrom(const InternalDatums& value) { state_->DatumFrom(value); }

std::string ZedizAdo::Error() const { return state_->Error_; }
std::string ZedizAdo::IFBL() const { return state_->IFBL_; }
void ZedizAdo::IFBL(std::string& value) { state_->IFBL(value); }
std::string ZedizAdo::MGRS() const { return state_->MGRS_; }
void ZedizAdo::MGRS(const std::string& value) { state_->MGRS(value); }
OriginalCoordinates ZedizAdo::OrigType() const { return state_->OrigType_; }
void ZedizAdo::OrigType(const OriginalCoordinates& value) { state_->OrigType(value); }

bool ZedizAdo::operator==(const ZedizAdo& other) const {
  return IfblPrecision == other.IfblPrecision && mgrsPrecision == other.mgrsPrecision &&
         *state_ == *other.state_;
}

bool ZedizAdo::IdenticalTo(const ZedizAdo& other) const noexcept {
  return IfblPrecision == other.IfblPrecision && mgrsPrecision == other.mgrsPrecision &&
         state_->IdenticalTo(*other.state_);
}

}  // namespace morvane
