// Conversion: the frame of the driver, the degree and DMS branches and the
// geographic output step.  The Lambert/IFBL and UTM/MGRS routes are in
// lambert_route.cpp and utm_route.cpp.
#include <cmath>
#include <cstdint>
#include <string_view>

#include "component/dms.hpp"
#include "component/driver.hpp"
#include "base/checks.hpp"
#include "base/fp_environment.hpp"
#include "component/zediz_state.hpp"
#include "datum/molodensky.hpp"

namespace morvane {

namespace driver {

void ChangeDatumHeld(const datum::Catalogue& catalogue, double latitude, double longitude,
                     double& newLatitude, double& newLongitude, const std::int32_t& fromDatum,
                     const std::int32_t& toDatum) {
  ChangeDatumHeldOf(catalogue, latitude, longitude, newLatitude, newLongitude, fromDatum, toDatum);
}

static bool InRange(double value, double low, double high) { return value >= low && value <= high; }

bool DegreesInRange(double latitude, double longitude) {
  return InRange(latitude, -90, 90) && InRange(longitude, -180, 180);
}

// The DMS fields of one angle.  The sign is on the degrees, or for an
// angle between -1 and 0 degrees on the minutes, or on the seconds when
// the minutes are 0 too.  NaN fails every comparison and so every test.
bool DmsFieldsValid(std::int16_t degrees, std::int16_t minutes, float seconds,
                    int degreeLimit) {
  if (degrees < -degreeLimit || degrees > degreeLimit) return false;
  const bool signedMinutes = degrees == 0 && minutes < 0;
  const bool signedSeconds = degrees == 0 && minutes == 0 && seconds < 0;
  if (!(InRange(minutes, 0, 60) || (signedMinutes && minutes >= -60))) return false;
  return InRange(seconds, 0, 60) || (signedSeconds && seconds >= -60);
}

}  // namespace driver

namespace {

// A type code of up to four characters as one number: its characters, then
// its length above them.
constexpr std::size_t kBranchCodeLength = 4;
constexpr std::uint64_t BranchCode(std::string_view code) {
  std::uint64_t packed = 0;
  for (const char c : code) packed = packed << 8 | static_cast<unsigned char>(c);
  return packed | std::uint64_t{code.size()} << 32;
}

}  // namespace

// The mutable part of the object: a call that fails puts it back.
struct ZedizAdo::State::PointState {
  std::string Error;
  double X, Y;
  std::string MGRS, IFBL;
  double Latitude, Longitude, Northing, Easting;
  std::int16_t LatDmsDeg, LatDmsMin;
  float LatDmsSec;
  std::int16_t LonDmsDeg, LonDmsMin;
  float LonDmsSec;
  InternalDatums DatumFrom, DatumDest;
};

ZedizAdo::State::PointState ZedizAdo::State::SaveState() const {
  return {Error_,     X_,         Y_,         MGRS_,      IFBL_,      Latitude_,
          Longitude_, Northing_,  Easting_,   LatDmsDeg_, LatDmsMin_, LatDmsSec_,
          LonDmsDeg_, LonDmsMin_, LonDmsSec_, DatumFrom_, DatumDest_};
}

void ZedizAdo::State::RestoreState(const PointState& saved) {
  Error_ = saved.Error;
  X_ = saved.X;
  Y_ = saved.Y;
  MGRS_ = saved.MGRS;
  IFBL_ = saved.IFBL;
  Latitude_ = saved.Latitude;
  Longitude_ = saved.Longitude;
  Northing_ = saved.Northing;
  Easting_ = saved.Easting;
  LatDmsDeg_ = saved.LatDmsDeg;
  LatDmsMin_ = saved.LatDmsMin;
  LatDmsSec_ = saved.LatDmsSec;
  LonDmsDeg_ = saved.LonDmsDeg;
  LonDmsMin_ = saved.LonDmsMin;
  LonDmsSec_ = saved.LonDmsSec;
  DatumFrom_ = saved.DatumFrom;
  DatumDest_ = saved.DatumDest;
}

void ZedizAdo::Conversion() {
  const fp::EnvironmentScope environment;
  state_->IfblPrecision = IfblPrecision;
  state_->mgrsPrecision = mgrsPrecision;
  state_->ConversionInEnvironment();
}

void ZedizAdo::State::ConversionInEnvironment() {
  fp::Begin();
  if (DatumFrom_ == 0 || DatumDest_ == 0) {
    Error_ = message::kDatumNotSet;
    return;
  }
  if (OrigType_ == 0) {
    Error_ = message::kUnknownOrigType;
    return;
  }

  // First the whole conversion with the fault flags read once at its end;
  // on a fault, or a failure of any kind, again from the saved state with
  // every step checked, which stops where the first fault arose.
  const PointState saved = SaveState();
  {
    fp::DeferredScope deferred;
    bool clean = false;
    try {
      RunBranch();
      clean = fp::PendingBits() == 0;
    } catch (const Failure&) {
    } catch (...) {
      RestoreState(saved);
      throw;
    }
    if (clean) [[likely]] return;
  }
  RestoreState(saved);
  fp::ClearPending();
  try {
    RunBranch();
  } catch (...) {
    RestoreState(saved);
    throw;
  }
}

void ZedizAdo::State::RunBranch() {
  datum::SelectEllipsoid(Catalogue_, DatumFrom_);
  if (OrigType_ < mvMgrs || OrigType_ > mvDegMinSec) Fail(FailureKind::IndexOutOfRange);
  // The branch is chosen by the upper-cased type code of the input kind
  // (its first four characters at most), compared as one number.
  const char* code = TypeCodes_[static_cast<std::size_t>(OrigType_) - 1];
  std::uint64_t branch = 0;
  std::size_t length = 0;
  for (; length < kBranchCodeLength && code[length]; ++length) {
    const char c = code[length];
    branch = branch << 8 | static_cast<unsigned char>((c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c);
  }
  branch |= std::uint64_t{length} << 32;
  if (branch == BranchCode("MGR") || branch == BranchCode("MGRS")) ConvertMgrs();
  else if (branch == BranchCode("LMB")) ConvertLambert();
  else if (branch == BranchCode("IFB")) ConvertIfbl();
  else if (branch == BranchCode("DMS")) ConvertDms();
  else if (branch == BranchCode("DEG")) ConvertDeg();
}

void ZedizAdo::State::ConvertDeg() {
  if (!driver::DegreesInRange(Latitude_, Longitude_)) {
    Error_ = message::kBadDeg;
    return;
  }
  GeographicOutputStep();
  ProjectionOutputSteps();
}

void ZedizAdo::State::ConvertDms() {
  if (!driver::DmsFieldsValid(LatDmsDeg_, LatDmsMin_, LatDmsSec_, 90) ||
      !driver::DmsFieldsValid(LonDmsDeg_, LonDmsMin_, LonDmsSec_, 180)) {
    Error_ = message::kBadDms;
    return;
  }
  double latitude = 0, longitude = 0;
  DmsToDecimal(LatDmsDeg_, LatDmsMin_, LatDmsSec_, latitude);
  DmsToDecimal(LonDmsDeg_, LonDmsMin_, LonDmsSec_, longitude);
  // Fields that pass one by one can still name no point (90 60' 60").
  if (!driver::DegreesInRange(latitude, longitude)) {
    Error_ = message::kBadDms;
    return;
  }
  Latitude_ = latitude;
  Longitude_ = longitude;

  datum::SelectEllipsoid(Catalogue_, DatumDest_);
  driver::ChangeDatumHeld(Catalogue_, Latitude_, Longitude_, Latitude_, Longitude_, DatumFrom_,
                          DatumDest_);
  // With equal datums the fields keep the values as entered.
  if (DatumFrom_ != DatumDest_) {
    DecimalToDms(Latitude_, LatDmsDeg_, LatDmsMin_, LatDmsSec_);
    DecimalToDms(Longitude_, LonDmsDeg_, LonDmsMin_, LonDmsSec_);
  }
  ProjectionOutputSteps();
}

// The Lambert 72 and UTM positions are two long chains of dependent
// operations on the same latitude and longitude.  Computed one after the
// other, before either text, they are close enough in the instruction
// stream for the processor to run them side by side (a sixth of a
// conversion).  The order of the steps matters only to which fault is
// reported first: the checked run, which stops at the first, keeps each
// output step whole, in order; the unchecked run commits only when no step
// failed, and then the order changes nothing.
void ZedizAdo::State::ProjectionOutputSteps() {
  if (!fp::Deferred()) {
    LambertOutputStep();
    UtmOutputStep();
    return;
  }
  LambertPositionStep();
  std::int16_t zone = 0;
  const bool reference = UtmPositionStep(zone);
  IfblOutputStep();
  if (reference) MgrsOutputStep(zone);
}

// The output steps are flattened: the routines they run are inlined into
// them whatever else a program calls those routines from, so a conversion
// costs the same in every program (with link-time optimisation the inliner
// would otherwise weigh the other callers: a sixth of a conversion).
[[gnu::flatten]] void ZedizAdo::State::GeographicOutputStep() {
  datum::SelectEllipsoid(Catalogue_, DatumDest_);
  driver::ChangeDatumHeld(Catalogue_, Latitude_, Longitude_, Latitude_, Longitude_, DatumFrom_,
                          DatumDest_);
  DecimalToDms(Latitude_, LatDmsDeg_, LatDmsMin_, LatDmsSec_);
  DecimalToDms(Longitude_, LonDmsDeg_, LonDmsMin_, LonDmsSec_);
}

}  // namespace morvane
